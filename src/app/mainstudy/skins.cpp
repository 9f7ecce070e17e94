// The window's looks: four sets of key pictures, seven named pictures and
// the animation movie, from the skin containers beside the program.
#include "mainstudy/mainstudy.h"

#include "skins/skins.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace tvq31 {

QString AnimationFilePath() {
  // The runtime directory is the user's own (mode 0700); Qt creates a
  // private one when the session has none.
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  // One movie per running program: a second copy writes its own, and
  // closing either removes only its own.
  return dir.isEmpty() ? QString()
                       : dir + QStringLiteral("/888-%1.swf").arg(QCoreApplication::applicationPid());
}

bool Tmainselfstudy::LoadSkins() {
  SkinPictures pictures;
  // Pictures loaded before a failure stay with the window, as they would
  // have been assigned one by one.
  const bool loaded = LoadSkinFiles(SkinDirectory(), AnimationFilePath(), pictures);
  key_pictures = pictures.key_pictures;
  logo_picture = pictures.logo_picture;
  learning_picture = pictures.learning_picture;
  stop_delete_picture = pictures.stop_delete_picture;
  delete_grey_picture = pictures.delete_grey_picture;
  delete_picture = pictures.delete_picture;
  clear_picture = pictures.clear_picture;
  clear_grey_picture = pictures.clear_grey_picture;
  return loaded;
}

}  // namespace tvq31

// The window's looks: four sets of key pictures, seven named pictures and
// the animation movie. For now they are drawn in code; the skin containers
// replace the drawing with their artwork behind the same LoadSkins.
#include "mainstudy/keypad.h"
#include "mainstudy/mainstudy.h"
#include "mainstudy/placeholder_looks.h"

#include "hextext/hextext.h"

#include <QStandardPaths>

namespace tvq31 {

QString AnimationFilePath() {
  // The runtime directory is the user's own (mode 0700); Qt creates a
  // private one when the session has none.
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return dir.isEmpty() ? QString() : dir + QStringLiteral("/888.swf");
}

bool Tmainselfstudy::LoadSkins() {
  for (int n = 0; n < 128; ++n) {
    const KeySpec* key = FindKeyByCode(ByteHex(n));
    for (KeyLook look : {kLookNoCode, kLookLearned, kLookSelected, kLookDownloaded}) {
      key_pictures[look][n] = DrawKeyPicture(look, key);
    }
  }
  const QSize hint(409, 72);
  const QSize button(137, 37);
  logo_picture = DrawHintPicture(HintPicture::kLogo, hint);
  learning_picture = DrawHintPicture(HintPicture::kLearning, hint);
  stop_delete_picture = DrawCommandButton(QStringLiteral("Stop deleting"), button);
  delete_grey_picture = DrawCommandButton(QStringLiteral("Delete"), button, true);
  delete_picture = DrawCommandButton(QStringLiteral("Delete"), button);
  clear_picture = DrawCommandButton(QStringLiteral("Clear"), button);
  clear_grey_picture = DrawCommandButton(QStringLiteral("Clear"), button, true);
  return true;
}

}  // namespace tvq31

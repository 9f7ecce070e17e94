// The skins: the pictures that switch the looks of the keys and command
// buttons, and the capture animation, loaded from the five skin containers
// beside the program, plus the windows' own pictures compiled into it.
//
// A container is a Qt binary resource file named after its library
// ("otq0002.rcc" ...) holding raw resources by name: gif0 ... gif127 (GIF),
// the seven named pictures (JPEG) and "flash1" (the SWF movie).
#pragma once

#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace tvq31 {

// In the order they are loaded.
inline constexpr std::array<const char*, 5> kSkinContainers = {"otq0002", "stq0002", "ftq0002",
                                                               "btq0002", "dtq0002"};

// Key picture sets, as indexes into SkinPictures::key_pictures (and the
// window's key_pictures).
enum KeyLook { kLookNoCode = 0, kLookLearned = 1, kLookSelected = 2, kLookDownloaded = 3 };

struct SkinPictures {
  // Four sets of 128 key pictures: no code, learned, selected for learning,
  // downloaded; entry n is "gif<n>".
  std::array<std::array<QPixmap, 128>, 4> key_pictures;
  QPixmap logo_picture;         // "gifquindo"
  QPixmap learning_picture;     // "jpgjingtai"
  QPixmap stop_delete_picture;  // "stopdelete"
  QPixmap delete_grey_picture;  // "deletehui"
  QPixmap delete_picture;       // "delete"
  QPixmap clear_picture;        // "clear"
  QPixmap clear_grey_picture;   // "clearhui"
};

// Where the containers are looked up: the program's own directory unless
// set otherwise (tests and benchmarks point it at the build's bin folder).
QString SkinDirectory();
void SetSkinDirectory(const QString& dir);
QString SkinContainerPath(const QString& dir, const char* name);

// Loads the skins from the containers in `dir`:
//  1. opens the five containers in order; any missing or unreadable: false;
//  2. deletes an old `movie_file`;
//  3. writes "flash1" to `movie_file` (mode 0600); any failure here is
//     ignored and the player simply has nothing to play;
//  4. decodes gif<n> of sets 1 to 4 for n = 0 ... 127; the first missing or
//     undecodable picture: false;
//  5. decodes the seven named JPEG pictures; any failure: false;
//  6. closes the containers.
// The pictures go to `out` as they are decoded. `failure`, when given, names
// what failed.
bool LoadSkinFiles(const QString& dir, const QString& movie_file, SkinPictures& out,
                   QString* failure = nullptr);

// Pictures from raw bytes; a null pixmap when the data is not a picture of
// that format.
QPixmap PixmapFromGif(std::span<const uint8_t> data);
QPixmap PixmapFromJpeg(std::span<const uint8_t> data);

// The windows' own pictures, compiled into the program: "splash",
// "background", "remote", "Image4", "Image5", "Image7", "Image8", "start",
// "stop", "close", "update", "help" and "key1" ... "key77" (each key's own
// picture). A null pixmap for an unknown name.
QPixmap WindowPicture(const QString& name);

}  // namespace tvq31

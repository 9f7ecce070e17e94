// Pictures drawn in code: the looks the window has until the skin
// containers supply the artwork. Every picture has the size of the control
// that shows it, and carries the texts that the artwork carries.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace tvq31 {

struct KeySpec;

// Key picture sets, as indexes into the window's key_pictures.
enum KeyLook { kLookNoCode = 0, kLookLearned = 1, kLookSelected = 2, kLookDownloaded = 3 };

// A key's picture in one look; `key` may be null for codes that belong to no
// key (a small neutral picture).
QPixmap DrawKeyPicture(KeyLook look, const KeySpec* key);

QPixmap DrawRemoteBody(QSize size);
QPixmap DrawBackground(QSize size);
QPixmap DrawSplash(QSize size);

enum class StatusPanel { kLearnedKeys, kLearning, kDeleting, kNoLearnedKeys };
QPixmap DrawStatusPanel(StatusPanel panel, QSize size);

// A command button face: `text` on a rounded plate; `grey` for the disabled
// look.
QPixmap DrawCommandButton(const QString& text, QSize size, bool grey = false);
// The small round buttons at the upper right (close, update, help).
QPixmap DrawCornerButton(const QString& symbol, QSize size);

enum class HintPicture { kLogo, kLearning };
QPixmap DrawHintPicture(HintPicture which, QSize size);

}  // namespace tvq31

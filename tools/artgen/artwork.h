// The program's artwork, drawn with QPainter: splash, background, remote
// body, key pictures in their four looks, status panels, command buttons,
// hint pictures. Sizes are the sizes of the controls that show them.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tvq31 {
struct KeySpec;
}

namespace tvq31::artgen {

inline const QColor kWindowColour(53, 124, 168);

// The key looks, in the order of the picture sets 1 to 4.
enum class Look { kNoCode, kLearned, kSelected, kDownloaded };

QImage Splash();           // 462 x 261
QImage Background();       // 1016 x 733, with the fixed texts
QImage RemoteBody();       // 197 x 731, the ykqbox panel
// A key's picture: the body beneath it with the key cap in `look`. `key`
// null gives a small neutral picture for codes that belong to no key.
QImage KeyPicture(const KeySpec* key, Look look);

struct PanelText {
  QStringList hints;  // without their numbers
  QString note;       // empty: no note
};
QImage StatusPanel(const PanelText& text, QSize size);

enum class ButtonStyle { kGo, kStop, kNormal, kGrey };
QImage CommandButton(const QString& text, ButtonStyle style, QSize size = {137, 37});
enum class CornerGlyph { kClose, kUpdate, kHelp };
QImage CornerButton(CornerGlyph glyph, QSize size);

QImage LogoHint();      // 409 x 72: hint area when not learning
QImage LearningHint();  // 409 x 72: learning mode, no key selected

// The capture animation: an SWF movie of 413 x 72 pixels.
std::vector<uint8_t> CaptureMovie();

}  // namespace tvq31::artgen

#include "artwork.h"

#include "mainstudy/keypad.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace tvq31::artgen {
namespace {

const QColor kPanel(24, 66, 99);        // status panels and info box
const QColor kPanelEdge(141, 196, 232); // thin light rims
const QColor kAccent(255, 203, 77);     // headings
const QColor kText(244, 248, 252);

QFont Font(int pixels, bool bold = false, bool condensed = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setPixelSize(pixels);
  font.setBold(bold);
  if (condensed) font.setStretch(QFont::Condensed);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QImage Canvas(QSize size, QColor fill) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

void Prepare(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
}

struct CapColours {
  QColor top, bottom, rim, text;
};

CapColours CapFor(Look look) {
  switch (look) {
    case Look::kNoCode:
      return {QColor(214, 219, 226), QColor(158, 166, 177), QColor(98, 106, 118), QColor(30, 38, 48)};
    case Look::kLearned:
      return {QColor(246, 112, 104), QColor(194, 46, 44), QColor(122, 22, 22), QColor(255, 255, 255)};
    case Look::kSelected:
      return {QColor(255, 226, 120), QColor(245, 168, 24), QColor(255, 255, 255), QColor(58, 40, 0)};
    case Look::kDownloaded:
      return {QColor(112, 214, 132), QColor(42, 150, 72), QColor(18, 92, 40), QColor(255, 255, 255)};
  }
  return {};
}

// A key cap filling `r`, with its legend.
void DrawCap(QPainter& p, const QRectF& r, Look look, const QString& legend) {
  const CapColours c = CapFor(look);
  const double radius = std::min(r.height(), r.width()) * 0.32;
  // Shadow, cap, gloss.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 90));
  p.drawRoundedRect(r.translated(0, 1), radius, radius);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, c.top);
  g.setColorAt(1, c.bottom);
  p.setBrush(g);
  p.setPen(QPen(c.rim, look == Look::kSelected ? 1.4 : 0.9));
  p.drawRoundedRect(r, radius, radius);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 60));
  p.drawRoundedRect(QRectF(r.left() + 2, r.top() + 1.5, r.width() - 4, r.height() * 0.38), radius * 0.6,
                    radius * 0.6);
  if (legend.isEmpty()) return;
  // The biggest size from 10 pixels down that fits the cap.
  const QRectF text_area = r.adjusted(2, 1, -2, -1);
  int px = std::min(10, static_cast<int>(r.height() * 0.62));
  QFont font;
  for (; px >= 6; --px) {
    font = Font(px, true, true);
    if (QFontMetricsF(font).horizontalAdvance(legend) <= text_area.width()) break;
  }
  p.setFont(font);
  p.setPen(c.text);
  p.drawText(text_area, Qt::AlignCenter, legend);
}

QString Legend(const KeySpec& key) { return QString::fromUtf8(KeyLegend(key)); }

// Rounded panel with a thin light rim.
void DrawPanel(QPainter& p, const QRectF& r, double radius, QColor fill, int rim_alpha = 150) {
  QColor rim = kPanelEdge;
  rim.setAlpha(rim_alpha);
  p.setPen(QPen(rim, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
}

// A small remote control lying on its side, pointing right: used on the
// splash and on the hint pictures.
void DrawSmallRemote(QPainter& p, const QRectF& r) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(86, 94, 108));
  g.setColorAt(1, QColor(38, 43, 52));
  p.setPen(QPen(QColor(20, 22, 28), 1));
  p.setBrush(g);
  p.drawRoundedRect(r, r.height() / 2.5, r.height() / 2.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 40, 40));
  p.drawEllipse(QPointF(r.right() - r.height() * 0.3, r.center().y()), r.height() * 0.16, r.height() * 0.22);
  const double key = r.height() * 0.22;
  for (int i = 0; i < 4; ++i) {
    p.setBrush(i == 1 ? CapFor(Look::kDownloaded).bottom : QColor(190, 196, 204));
    p.drawEllipse(QPointF(r.left() + r.height() * 0.5 + i * key * 2.2, r.center().y() - key * 0.6), key * 0.7,
                  key * 0.7);
    p.setBrush(i == 2 ? CapFor(Look::kLearned).bottom : QColor(150, 156, 166));
    p.drawEllipse(QPointF(r.left() + r.height() * 0.5 + i * key * 2.2, r.center().y() + key * 0.8), key * 0.7,
                  key * 0.7);
  }
}

// Infrared waves going right from `at`.
void DrawWaves(QPainter& p, QPointF at, double size, int count, QColor colour) {
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < count; ++i) {
    QColor c = colour;
    c.setAlphaF(1.0 - 0.25 * i);
    p.setPen(QPen(c, std::max(1.5, size * 0.12), Qt::SolidLine, Qt::RoundCap));
    const double r = size * (0.5 + 0.45 * i);
    p.drawArc(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
  }
}

}  // namespace

// ---- Splash -----------------------------------------------------------------

QImage Splash() {
  QImage image = Canvas({462, 261}, kWindowColour);
  QPainter p(&image);
  Prepare(p);
  QLinearGradient g(0, 0, 462, 261);
  g.setColorAt(0, QColor(27, 74, 112));
  g.setColorAt(1, kWindowColour.lighter(115));
  p.fillRect(image.rect(), g);
  // Soft light behind the remote.
  QRadialGradient glow(QPointF(110, 130), 120);
  glow.setColorAt(0, QColor(255, 255, 255, 60));
  glow.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillRect(image.rect(), glow);
  p.save();
  p.translate(110, 130);
  p.rotate(-24);
  DrawSmallRemote(p, QRectF(-80, -20, 150, 40));
  DrawWaves(p, QPointF(80, 0), 22, 3, QColor(255, 140, 110));
  p.restore();

  p.setPen(kText);
  p.setFont(Font(40, true));
  p.drawText(QRectF(215, 52, 240, 52), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TVQ31Ⅱ"));
  p.setFont(Font(15));
  p.drawText(QRectF(217, 104, 240, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Learning Universal Remote"));
  p.setPen(kAccent);
  p.setFont(Font(20, true));
  p.drawText(QRectF(217, 130, 240, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("自学习"));
  p.setPen(QColor(255, 255, 255, 170));
  p.setFont(Font(11));
  p.drawText(QRectF(217, 214, 230, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Starting, please wait…"));
  p.drawText(QRectF(217, 232, 230, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("V 2.2"));
  // Thin frame: the splash has no border of its own.
  p.setPen(QPen(QColor(255, 255, 255, 110), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0.5, 0.5, 461, 260));
  return image;
}

// ---- Background -----------------------------------------------------------------

QImage Background() {
  QImage image = Canvas({1016, 733}, kWindowColour);
  QPainter p(&image);
  Prepare(p);

  // Title at the top of the information area.
  p.setPen(kText);
  p.setFont(Font(30, true));
  p.drawText(QRectF(380, 24, 300, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TVQ31Ⅱ"));
  p.setFont(Font(15));
  p.setPen(QColor(226, 239, 248));
  p.drawText(QRectF(530, 30, 420, 36), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Learning Universal Remote Control · 自学习"));
  p.setPen(QPen(QColor(255, 255, 255, 70), 1));
  p.drawLine(QPointF(380, 78), QPointF(940, 78));

  // Information box: captions left of the four labels, value fields behind
  // them (the labels are transparent and white).
  DrawPanel(p, QRectF(404, 98, 500, 160), 10, QColor(kPanel.red(), kPanel.green(), kPanel.blue(), 235));
  const struct {
    const char* caption;
    int top, height, left, width;
  } rows[] = {{"Type of Remote Control", 118, 16, 655, 228},
              {"Learning Software Version", 155, 14, 655, 233},
              {"System Software Version", 189, 17, 654, 227},
              {"Condition of connection", 225, 17, 655, 226}};
  for (const auto& row : rows) {
    const double mid = row.top + row.height / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 36, 58));
    p.drawRoundedRect(QRectF(649, mid - 11, 240, 22), 5, 5);
    p.setPen(QColor(205, 226, 242));
    p.setFont(Font(13));
    p.drawText(QRectF(414, mid - 11, 228, 22), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromLatin1(row.caption));
  }

  // Frames of the hint area, the status line and the status panels.
  DrawPanel(p, QRectF(466.5, 270.5, 424, 84), 9, QColor(20, 58, 88));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 58, 88, 150));
  p.drawRoundedRect(QRectF(466, 362, 424, 31), 8, 8);

  // The key colour legend, at the upper left beside the remote.
  p.setPen(kText);
  p.setFont(Font(13, true));
  p.drawText(QRectF(10, 40, 130, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Key colours"));
  p.setPen(QPen(QColor(255, 255, 255, 80), 1));
  p.drawLine(QPointF(10, 63), QPointF(136, 63));
  const struct {
    Look look;
    const char* text;
  } legend[] = {{Look::kLearned, "buttons with RC codes which have learnt before."},
                {Look::kDownloaded, "buttons with RC codes which have been downloaded before."},
                {Look::kNoCode, "buttons without any codes."}};
  double y = 74;
  for (const auto& entry : legend) {
    DrawCap(p, QRectF(12, y, 34, 20), entry.look, QString());
    p.setPen(kText);
    p.setFont(Font(11));
    const QRectF text(12, y + 25, 128, 60);
    const QRectF used = p.boundingRect(text, Qt::TextWordWrap | Qt::AlignLeft, QString::fromLatin1(entry.text));
    p.drawText(text, Qt::TextWordWrap | Qt::AlignLeft, QString::fromLatin1(entry.text));
    y = used.bottom() + 14;
  }
  return image;
}

// ---- Remote body ------------------------------------------------------------------

QImage RemoteBody() {
  QImage image = Canvas({197, 731}, kWindowColour);
  QPainter p(&image);
  Prepare(p);
  const QRectF body(6, 3, 185, 725);
  QLinearGradient g(body.topLeft(), body.topRight());
  g.setColorAt(0, QColor(58, 64, 76));
  g.setColorAt(0.5, QColor(44, 49, 59));
  g.setColorAt(1, QColor(30, 34, 42));
  p.setPen(QPen(QColor(16, 18, 24), 1.5));
  p.setBrush(g);
  p.drawRoundedRect(body, 34, 34);
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body.adjusted(3, 3, -3, -3), 31, 31);

  // The infrared window at the top.
  QLinearGradient ir(QPointF(0, 10), QPointF(0, 34));
  ir.setColorAt(0, QColor(150, 24, 30));
  ir.setColorAt(1, QColor(60, 8, 12));
  p.setPen(Qt::NoPen);
  p.setBrush(ir);
  p.drawRoundedRect(QRectF(62, 12, 73, 20), 9, 9);
  p.setBrush(QColor(255, 255, 255, 50));
  p.drawRoundedRect(QRectF(68, 14, 61, 6), 3, 3);
  p.setPen(QColor(220, 226, 234));
  p.setFont(Font(10, true));
  p.drawText(QRectF(6, 38, 185, 16), Qt::AlignCenter, QStringLiteral("TVQ31Ⅱ"));

  // Section bands along the left rim, named upwards.
  const struct {
    const char* name;
    int top, bottom;
    QColor colour;
  } sections[] = {{"POWER", 60, 92, QColor(200, 60, 60)},
                  {"TV", 94, 223, QColor(70, 140, 210)},
                  {"DVD", 231, 431, QColor(120, 170, 80)},
                  {"CBL", 438, 565, QColor(210, 150, 50)},
                  {"AMP", 570, 620, QColor(160, 100, 200)}};
  for (const auto& s : sections) {
    p.setPen(Qt::NoPen);
    p.setBrush(s.colour);
    p.drawRoundedRect(QRectF(12, s.top, 11, s.bottom - s.top), 4, 4);
    p.save();
    p.translate(17.5, (s.top + s.bottom) / 2.0);
    p.rotate(-90);
    p.setPen(QColor(255, 255, 255));
    p.setFont(Font(s.bottom - s.top < 40 ? 7 : 9, true, true));
    p.drawText(QRectF(-(s.bottom - s.top) / 2.0, -6, s.bottom - s.top, 12), Qt::AlignCenter,
               QString::fromLatin1(s.name));
    p.restore();
  }
  // Separators between the sections.
  p.setPen(QPen(QColor(255, 255, 255, 28), 1));
  for (int y : {92, 227, 434, 567}) p.drawLine(QPointF(28, y + 0.5), QPointF(180, y + 0.5));

  // Rings of the two direction pads.
  for (const QPointF centre : {QPointF(101, 336), QPointF(101, 477)}) {
    QRadialGradient ring(centre, 46);
    ring.setColorAt(0.70, QColor(24, 27, 34));
    ring.setColorAt(0.92, QColor(70, 77, 90));
    ring.setColorAt(1.0, QColor(40, 45, 54));
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(centre, 46, 46);
  }
  // A speaker grille and the maker's line at the bottom.
  p.setBrush(QColor(20, 22, 28));
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 9; ++col) {
      p.drawEllipse(QPointF(62 + col * 9 + (row % 2) * 4.5, 648 + row * 8), 2, 2);
    }
  }
  p.setPen(QColor(170, 178, 190));
  p.setFont(Font(9, true));
  p.drawText(QRectF(6, 684, 185, 14), Qt::AlignCenter, QStringLiteral("LEARNING REMOTE"));
  return image;
}

// ---- Keys -------------------------------------------------------------------------

QImage KeyPicture(const KeySpec* key, Look look) {
  static const QImage body = RemoteBody();
  if (key == nullptr) {
    QImage image = Canvas({30, 20}, QColor(44, 49, 59));
    QPainter p(&image);
    Prepare(p);
    DrawCap(p, QRectF(1.5, 1.5, 27, 16), look, QStringLiteral("·"));
    return image;
  }
  QImage image = body.copy(key->left, key->top, key->width, key->height);
  QPainter p(&image);
  Prepare(p);
  DrawCap(p, QRectF(1.5, 1.5, key->width - 3, key->height - 4), look, Legend(*key));
  return image;
}

// ---- Status panels --------------------------------------------------------------------

QImage StatusPanel(const PanelText& text, QSize size) {
  QImage image = Canvas(size, kWindowColour);
  QPainter p(&image);
  Prepare(p);
  const QRectF frame(0.5, 0.5, size.width() - 1, size.height() - 1);
  DrawPanel(p, frame, 10, kPanel, 170);

  // The biggest font with which everything fits, then the widest spacing.
  const double left = 14, top = 8, number_width = 20;
  const double width = size.width() - left - 12 - number_width;
  const std::pair<int, bool> fonts[] = {{13, false}, {12, false}, {12, true}, {11, false},
                                        {11, true},  {10, true},  {9, true},  {8, true}};
  for (const auto& [px, condensed] : fonts) {
    const QFont body = Font(px, false, condensed);
    const QFont heading = Font(px + 1, true);
    const QFontMetricsF hm(heading);
    bool fitted = false;
    for (int gap = 8; gap >= 2 && !fitted; --gap) {
      double y = top + hm.height() + gap / 2.0;
      std::vector<std::pair<QRectF, int>> item_rects;
      for (int i = 0; i < text.hints.size(); ++i) {
        const QRectF r = QFontMetricsF(body).boundingRect(QRectF(0, 0, width, 400), Qt::TextWordWrap, text.hints[i]);
        item_rects.push_back({QRectF(left + number_width, y, width, r.height()), i});
        y += r.height() + gap;
      }
      QRectF note_rect;
      const double note_heading = text.note.isEmpty() ? 0 : hm.horizontalAdvance(QStringLiteral("note: "));
      if (!text.note.isEmpty()) {
        y += gap / 2.0;
        const QRectF r = QFontMetricsF(body).boundingRect(
            QRectF(0, 0, size.width() - left - 12 - note_heading, 400), Qt::TextWordWrap, text.note);
        note_rect = QRectF(left + note_heading, y, size.width() - left - 12 - note_heading, r.height());
        y += r.height();
      }
      const bool last_resort = px == 8 && gap == 2;
      if (y > size.height() - 8 && !last_resort) continue;
      fitted = true;

      p.setFont(heading);
      p.setPen(kAccent);
      p.drawText(QRectF(left, top, width, hm.height()), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("hints:"));
      p.setFont(body);
      for (const auto& [r, i] : item_rects) {
        p.setPen(kAccent.lighter(110));
        p.drawText(QRectF(left, r.top(), number_width, r.height()), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("%1.").arg(i + 1));
        p.setPen(kText);
        p.drawText(r, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text.hints[i]);
      }
      if (!text.note.isEmpty()) {
        p.setFont(heading);
        p.setPen(QColor(255, 150, 120));
        p.drawText(QRectF(left, note_rect.top() - 1, note_heading, hm.height()), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("note:"));
        p.setFont(body);
        p.setPen(QColor(255, 226, 214));
        p.drawText(note_rect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text.note);
      }
    }
    if (fitted) break;
  }
  return image;
}

// ---- Buttons -----------------------------------------------------------------------------

QImage CommandButton(const QString& text, ButtonStyle style, QSize size) {
  QImage image = Canvas(size, kWindowColour);
  QPainter p(&image);
  Prepare(p);
  QColor top, bottom, ink = kText;
  switch (style) {
    case ButtonStyle::kGo:
      top = QColor(108, 206, 124), bottom = QColor(36, 140, 64);
      break;
    case ButtonStyle::kStop:
      top = QColor(255, 160, 92), bottom = QColor(214, 82, 30);
      break;
    case ButtonStyle::kNormal:
      top = QColor(96, 176, 232), bottom = QColor(28, 96, 156);
      break;
    case ButtonStyle::kGrey:
      top = QColor(168, 176, 186), bottom = QColor(120, 128, 140), ink = QColor(226, 230, 236);
      break;
  }
  const QRectF r(1.5, 1.5, size.width() - 4, size.height() - 4);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRoundedRect(r.translated(1, 1.5), r.height() / 2, r.height() / 2);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setBrush(g);
  p.setPen(QPen(bottom.darker(140), 1));
  p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, style == ButtonStyle::kGrey ? 40 : 70));
  p.drawRoundedRect(QRectF(r.left() + 6, r.top() + 2, r.width() - 12, r.height() * 0.42), 8, 8);
  p.setFont(Font(15, true));
  p.setPen(QColor(0, 0, 0, style == ButtonStyle::kGrey ? 40 : 90));
  p.drawText(r.translated(0, 1), Qt::AlignCenter, text);
  p.setPen(ink);
  p.drawText(r, Qt::AlignCenter, text);
  return image;
}

QImage CornerButton(CornerGlyph glyph, QSize size) {
  QImage image = Canvas(size, kWindowColour);
  QPainter p(&image);
  Prepare(p);
  const double d = std::min(size.width(), size.height()) - 6;
  const QPointF c(size.width() / 2.0, size.height() / 2.0);
  const QRectF r(c.x() - d / 2, c.y() - d / 2, d, d);
  QColor top(96, 176, 232), bottom(28, 96, 156);
  if (glyph == CornerGlyph::kClose) top = QColor(246, 112, 104), bottom = QColor(176, 36, 36);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawEllipse(r.translated(1, 1.5));
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setBrush(g);
  p.setPen(QPen(bottom.darker(140), 1));
  p.drawEllipse(r);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawEllipse(QRectF(r.left() + d * 0.2, r.top() + 2, d * 0.6, d * 0.38));
  QPen pen(kText, d * 0.11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const double k = d * 0.2;
  switch (glyph) {
    case CornerGlyph::kClose:
      p.drawLine(c + QPointF(-k, -k), c + QPointF(k, k));
      p.drawLine(c + QPointF(-k, k), c + QPointF(k, -k));
      break;
    case CornerGlyph::kUpdate: {
      const double rr = d * 0.24;
      p.drawArc(QRectF(c.x() - rr, c.y() - rr, 2 * rr, 2 * rr), 90 * 16, 280 * 16);
      const QPointF tip(c.x(), c.y() - rr);
      QPolygonF head({tip + QPointF(-1, -d * 0.12), tip + QPointF(d * 0.16, 0), tip + QPointF(-1, d * 0.12)});
      p.setBrush(kText);
      p.setPen(Qt::NoPen);
      p.drawPolygon(head);
      break;
    }
    case CornerGlyph::kHelp:
      p.setFont(Font(static_cast<int>(d * 0.55), true));
      p.drawText(r, Qt::AlignCenter, QStringLiteral("?"));
      break;
  }
  return image;
}

// ---- Hint pictures ---------------------------------------------------------------------------

QImage LogoHint() {
  QImage image = Canvas({409, 72}, QColor(20, 58, 88));
  QPainter p(&image);
  Prepare(p);
  QLinearGradient g(0, 0, 409, 0);
  g.setColorAt(0, QColor(18, 52, 82));
  g.setColorAt(1, QColor(34, 94, 136));
  p.fillRect(image.rect(), g);
  DrawSmallRemote(p, QRectF(14, 24, 84, 24));
  DrawWaves(p, QPointF(100, 36), 14, 3, QColor(255, 140, 110));
  p.setPen(kText);
  p.setFont(Font(20, true));
  p.drawText(QRectF(150, 8, 250, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TVQ31Ⅱ 自学习"));
  p.setPen(QColor(206, 228, 244));
  p.setFont(Font(12));
  p.drawText(QRectF(150, 38, 255, 26), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Copies the keys of your original RC"));
  return image;
}

QImage LearningHint() {
  QImage image = Canvas({409, 72}, QColor(20, 58, 88));
  QPainter p(&image);
  Prepare(p);
  QLinearGradient g(0, 0, 409, 0);
  g.setColorAt(0, QColor(80, 56, 12));
  g.setColorAt(0.35, QColor(20, 58, 88));
  g.setColorAt(1, QColor(20, 58, 88));
  p.fillRect(image.rect(), g);
  // An arrow pointing left, to the remote picture.
  QPolygonF arrow({{14, 36}, {44, 12}, {44, 26}, {78, 26}, {78, 46}, {44, 46}, {44, 60}});
  p.setPen(QPen(QColor(120, 80, 0), 1.5));
  p.setBrush(kAccent);
  p.drawPolygon(arrow);
  DrawCap(p, QRectF(88, 24, 34, 24), Look::kSelected, QStringLiteral("1"));
  p.setPen(kAccent);
  p.setFont(Font(15, true));
  p.drawText(QRectF(134, 8, 270, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Learning mode"));
  p.setPen(kText);
  p.setFont(Font(12));
  p.drawText(QRectF(134, 34, 270, 32), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
             QStringLiteral("Click the key to learn on the remote picture at left."));
  return image;
}

}  // namespace tvq31::artgen

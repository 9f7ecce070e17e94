#include "mainstudy/placeholder_looks.h"

#include "mainstudy/keypad.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace tvq31 {
namespace {

const QColor kWindowColour(53, 124, 168);

QFont SansFont(int pixels, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Sans Serif")});
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QPixmap Blank(QSize size, const QColor& fill = Qt::transparent) {
  QPixmap pixmap(size.expandedTo(QSize(1, 1)));
  pixmap.fill(fill);
  return pixmap;
}

struct KeyColours {
  QColor top, bottom, text;
};

KeyColours ColoursFor(KeyLook look) {
  switch (look) {
    case kLookLearned:
      return {QColor(236, 92, 84), QColor(170, 30, 30), Qt::white};
    case kLookSelected:
      return {QColor(255, 236, 120), QColor(236, 170, 20), QColor(60, 40, 0)};
    case kLookDownloaded:
      return {QColor(120, 214, 120), QColor(30, 140, 50), Qt::white};
    case kLookNoCode:
      break;
  }
  return {QColor(214, 218, 224), QColor(150, 156, 166), QColor(30, 34, 40)};
}

// The largest pixel size at which `text` fits into `box`, at most `max`.
int FittingSize(const QString& text, QSize box, int max) {
  for (int px = max; px > 5; --px) {
    QFontMetrics metrics(SansFont(px, true));
    if (metrics.horizontalAdvance(text) <= box.width() && metrics.height() <= box.height()) {
      return px;
    }
  }
  return 5;
}

void DrawWrapped(QPainter& p, QRect& area, const QString& text, const QFont& font,
                 const QColor& colour) {
  p.setFont(font);
  p.setPen(colour);
  QRect used = p.boundingRect(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
  p.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
  area.setTop(used.bottom() + 2);
}

}  // namespace

QPixmap DrawKeyPicture(KeyLook look, const KeySpec* key) {
  const QSize size = key ? QSize(key->width, key->height) : QSize(32, 20);
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const KeyColours c = ColoursFor(look);
  QRectF body = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1.5, 1.5, -1.5, -1.5);
  QLinearGradient gradient(body.topLeft(), body.bottomLeft());
  gradient.setColorAt(0, c.top);
  gradient.setColorAt(1, c.bottom);
  p.setBrush(gradient);
  p.setPen(QPen(look == kLookSelected ? QColor(255, 255, 255) : QColor(20, 24, 30, 200),
                look == kLookSelected ? 2.0 : 1.0));
  const qreal radius = std::min(body.width(), body.height()) / 3.0;
  p.drawRoundedRect(body, radius, radius);
  if (key) {
    const QString legend = QString::fromUtf8(KeyLegend(*key));
    const QSize room = size - QSize(6, 4);
    p.setFont(SansFont(FittingSize(legend, room, 10), true));
    p.setPen(c.text);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, legend);
  }
  return pixmap;
}

QPixmap DrawRemoteBody(QSize size) {
  QPixmap pixmap = Blank(size, kWindowColour);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF body = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(8, 6, -8, -6);
  QLinearGradient shell(body.topLeft(), body.topRight());
  shell.setColorAt(0, QColor(40, 44, 52));
  shell.setColorAt(0.5, QColor(70, 76, 88));
  shell.setColorAt(1, QColor(40, 44, 52));
  p.setBrush(shell);
  p.setPen(QPen(QColor(20, 22, 26), 2));
  p.drawRoundedRect(body, 40, 40);
  // The infrared window at the top.
  p.setBrush(QColor(90, 10, 20));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(size.width() / 2.0 - 30, 18, 60, 14), 7, 7);
  // Section names beside the key groups.
  p.setPen(QColor(200, 206, 216));
  p.setFont(SansFont(9, true));
  struct Section {
    const char* name;
    int top;
  } sections[] = {{"POWER", 50}, {"TV", 85}, {"DVD", 223}, {"CBL", 430}, {"AMP", 562}};
  for (const Section& s : sections) {
    p.drawText(QRect(26, s.top, 150, 11), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(s.name));
    p.drawLine(QPointF(26 + QFontMetrics(p.font()).horizontalAdvance(QString::fromLatin1(s.name)) + 4,
                       s.top + 6),
               QPointF(176, s.top + 6));
  }
  p.setFont(SansFont(16, true));
  p.setPen(QColor(230, 234, 240));
  p.drawText(QRect(0, 650, size.width(), 30), Qt::AlignCenter, QStringLiteral("TVQ31Ⅱ"));
  p.setFont(SansFont(9));
  p.drawText(QRect(0, 678, size.width(), 16), Qt::AlignCenter,
             QStringLiteral("LEARNING REMOTE"));
  return pixmap;
}

QPixmap DrawBackground(QSize size) {
  QPixmap pixmap = Blank(size, kWindowColour);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  // The information area on the right.
  p.setBrush(QColor(34, 92, 130));
  p.setPen(QPen(QColor(160, 200, 226), 1));
  p.drawRoundedRect(QRectF(380, 100, 520, 160), 10, 10);
  p.setPen(Qt::white);
  p.setFont(SansFont(12, true));
  const char* captions[] = {"Type of Remote Control", "Learning Software Version",
                            "System Software Version", "Condition of connection"};
  const int tops[] = {118, 155, 189, 225};
  for (int i = 0; i < 4; ++i) {
    p.drawText(QRect(400, tops[i] - 2, 245, 20), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromLatin1(captions[i]) + QStringLiteral(":"));
  }
  // The legend of key colours, upper left of the information area.
  struct Legend {
    KeyLook look;
    const char* text;
  } legend[] = {
      {kLookLearned, "buttons with RC codes which have learnt before."},
      {kLookDownloaded, "buttons with RC codes which have been downloaded before."},
      {kLookNoCode, "buttons without any codes."},
  };
  p.setFont(SansFont(11));
  for (int i = 0; i < 3; ++i) {
    const int top = 18 + i * 24;
    const KeyColours c = ColoursFor(legend[i].look);
    p.setBrush(c.bottom);
    p.setPen(QPen(QColor(20, 24, 30), 1));
    p.drawRoundedRect(QRectF(382, top, 28, 16), 5, 5);
    p.setPen(Qt::white);
    p.drawText(QRect(420, top, 480, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(legend[i].text));
  }
  return pixmap;
}

QPixmap DrawSplash(QSize size) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, size.width(), size.height());
  g.setColorAt(0, QColor(24, 72, 110));
  g.setColorAt(1, kWindowColour);
  p.fillRect(pixmap.rect(), g);
  p.setPen(Qt::white);
  p.setFont(SansFont(44, true));
  p.drawText(QRect(0, 50, size.width(), 70), Qt::AlignCenter, QStringLiteral("TVQ31Ⅱ"));
  p.setFont(SansFont(20));
  p.drawText(QRect(0, 125, size.width(), 34), Qt::AlignCenter, QStringLiteral("自学习"));
  p.setFont(SansFont(12));
  p.setPen(QColor(210, 228, 240));
  p.drawText(QRect(0, 200, size.width(), 20), Qt::AlignCenter,
             QStringLiteral("USB learning universal remote control"));
  p.setPen(QPen(QColor(255, 255, 255, 120), 2));
  p.drawRect(pixmap.rect().adjusted(1, 1, -2, -2));
  return pixmap;
}

QPixmap DrawStatusPanel(StatusPanel panel, QSize size) {
  QStringList hints;
  QString note;
  const QString learn =
      QStringLiteral("To learn RC codes, please click on Start to learn to enter learning mode.");
  switch (panel) {
    case StatusPanel::kNoLearnedKeys:
      hints = {learn};
      break;
    case StatusPanel::kLearnedKeys:
      hints = {learn,
               QStringLiteral("Please click on Delete to enter deleting mode to delete learnt RC codes."),
               QStringLiteral("Please click on Clear to clear all the learnt RC codes.")};
      break;
    case StatusPanel::kLearning:
      hints = {QStringLiteral("Please click one button needs to learn on the URC picture left."),
               QStringLiteral("Press one button to be learnt on your original RC according to the "
                              "animated hints below."),
               QStringLiteral("Please repeat Step1 and Step 2 above for another button to learn."),
               QStringLiteral("Please click on Stop learning to finish learning."),
               QStringLiteral("Press the button to be learnt NOT less than 2 seconds.")};
      note = QStringLiteral("Do not disconnect usb before clicking on Stop learning.");
      break;
    case StatusPanel::kDeleting:
      hints = {QStringLiteral("Please choose one button in red for deleting the learned code on "
                              "the URC picture left."),
               QStringLiteral("A dialogue box will come out to confirm the deleting of RC code of "
                              "the chosen button."),
               QStringLiteral("Please repeat Step1 and Step 2 above for another button to delete "
                              "the learned code stored."),
               QStringLiteral("Please click on Stop deleting to finish deleting operation.")};
      note = QStringLiteral("A dialogue box will come out to show whether the deleting is "
                            "successful or failed during the process");
      break;
  }
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(22, 70, 104, 235));
  p.setPen(QPen(QColor(160, 200, 226), 1));
  p.drawRoundedRect(QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
  // The longest panel must fit: shrink the text until it does.
  for (int px = 11; px >= 7; --px) {
    pixmap.fill(Qt::transparent);
    p.setBrush(QColor(22, 70, 104, 235));
    p.setPen(QPen(QColor(160, 200, 226), 1));
    p.drawRoundedRect(QRectF(pixmap.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    QRect area = pixmap.rect().adjusted(10, 6, -10, -4);
    DrawWrapped(p, area, QStringLiteral("hints:"), SansFont(px + 1, true), QColor(255, 220, 120));
    for (int i = 0; i < hints.size(); ++i) {
      DrawWrapped(p, area, QString::number(i + 1) + QStringLiteral(". ") + hints[i],
                  SansFont(px), Qt::white);
    }
    if (!note.isEmpty()) {
      DrawWrapped(p, area, QStringLiteral("note:"), SansFont(px + 1, true), QColor(255, 220, 120));
      DrawWrapped(p, area, note, SansFont(px), Qt::white);
    }
    if (area.top() <= pixmap.height()) break;
  }
  return pixmap;
}

QPixmap DrawCommandButton(const QString& text, QSize size, bool grey) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QRectF body = QRectF(pixmap.rect()).adjusted(1, 1, -1, -1);
  QLinearGradient g(body.topLeft(), body.bottomLeft());
  g.setColorAt(0, grey ? QColor(190, 194, 200) : QColor(255, 196, 80));
  g.setColorAt(1, grey ? QColor(130, 134, 140) : QColor(226, 120, 20));
  p.setBrush(g);
  p.setPen(QPen(QColor(40, 40, 40, 160), 1));
  p.drawRoundedRect(body, size.height() / 2.0, size.height() / 2.0);
  p.setPen(grey ? QColor(90, 94, 100) : QColor(60, 24, 0));
  p.setFont(SansFont(14, true));
  p.drawText(pixmap.rect(), Qt::AlignCenter, text);
  return pixmap;
}

QPixmap DrawCornerButton(const QString& symbol, QSize size) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal d = std::min(size.width(), size.height()) - 6;
  QRectF circle((size.width() - d) / 2.0, (size.height() - d) / 2.0, d, d);
  p.setBrush(QColor(24, 70, 104));
  p.setPen(QPen(Qt::white, 2));
  p.drawEllipse(circle);
  p.setFont(SansFont(static_cast<int>(d / 2), true));
  p.drawText(circle, Qt::AlignCenter, symbol);
  return pixmap;
}

QPixmap DrawHintPicture(HintPicture which, QSize size) {
  QPixmap pixmap = Blank(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, size.width(), 0);
  g.setColorAt(0, QColor(18, 60, 92));
  g.setColorAt(1, QColor(40, 110, 150));
  p.fillRect(pixmap.rect(), g);
  p.setPen(Qt::white);
  if (which == HintPicture::kLogo) {
    p.setFont(SansFont(34, true));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("TVQ31Ⅱ"));
  } else {
    p.setFont(SansFont(15, true));
    p.drawText(pixmap.rect(), Qt::AlignCenter,
               QStringLiteral("Click the button to learn on the remote at the left"));
  }
  return pixmap;
}

}  // namespace tvq31

#include "mainstudy/animation_player.h"

#include <QPainter>

namespace tvq31 {

TShockwaveFlash::TShockwaveFlash(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % 24;
    update();
  });
}

void TShockwaveFlash::Play() {
  frame_ = 0;
  timer_.start();
  update();
}

void TShockwaveFlash::StopPlay() { timer_.stop(); }

void TShockwaveFlash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), QColor(18, 60, 92));
  // A remote pointing at the receiver, with infrared waves moving out.
  p.setBrush(QColor(60, 66, 78));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(20, 22, 70, 28), 8, 8);
  p.setPen(QPen(QColor(255, 120, 90), 2));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    const int r = 8 + ((frame_ + i * 8) % 24) * 2;
    p.drawArc(QRectF(90 - r, 36 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(150, 0, width() - 160, height()), Qt::AlignVCenter | Qt::TextWordWrap,
             QStringLiteral("Press and hold the button on your original RC"));
}

}  // namespace tvq31

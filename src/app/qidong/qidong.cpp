#include "qidong/qidong.h"

#include "skins/skins.h"

#include <QLabel>

namespace tvq31 {

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("启动界面"));
  setFixedSize(462, 261);
  move(238, 221);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 0, 462, 261);
  Image1->setPixmap(WindowPicture(QStringLiteral("splash")));
}

}  // namespace tvq31

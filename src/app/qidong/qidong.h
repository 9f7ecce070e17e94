// TForm1: the splash window shown while the main window is created and the
// handshake with the remote runs.
#pragma once

#include <QWidget>

class QLabel;

namespace tvq31 {

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;  // the start-up picture, filling the window
};

}  // namespace tvq31

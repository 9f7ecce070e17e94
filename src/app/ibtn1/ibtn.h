// IBtn: the picture button of every key of the on-screen remote and of every
// command button. It shows its picture at natural size from the top-left
// corner, moves by MoveRight/MoveDown pixels while pressed so that it looks
// pushed in, swaps its picture with DisablePic and back (IsEnable), and
// carries two texts for its owner (Path, Code).
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace tvq31 {

class IBtn : public QWidget {
  Q_OBJECT

 public:
  explicit IBtn(QWidget* owner);
  ~IBtn() override;

  // The picture shown now; a null pixmap is "no picture".
  const QPixmap& Picture() const { return picture_; }
  void SetPicture(const QPixmap& picture);

  uint8_t MoveDown() const { return move_down_; }
  void SetMoveDown(uint8_t pixels) { move_down_ = pixels; }
  uint8_t MoveRight() const { return move_right_; }
  void SetMoveRight(uint8_t pixels) { move_right_ = pixels; }

  const QString& Path() const { return path_; }
  void SetPath(const QString& path) { path_ = path; }
  const QString& Code() const { return code_; }
  void SetCode(const QString& code) { code_ = code; }

  // The picture switch. false: the current picture goes to SavedPic and
  // DisablePic becomes the current picture. true: SavedPic becomes the
  // current picture. Each call copies, whatever the stored value was, so two
  // calls with false leave DisablePic in SavedPic as well.
  bool IsEnable() const { return is_enable_; }
  void SetIsEnable(bool enable);

  const QPixmap& DisablePic() const { return disable_pic_; }
  // Copies `picture`; the caller keeps its own.
  void SetDisablePic(const QPixmap& picture) { disable_pic_ = picture; }

  // Where the open request for Path goes. The default hands a URL or an
  // existing file to the desktop; key names such as "TV/1" are neither and
  // are dropped. Tests replace it to see every request.
  using ShellOpener = std::function<void(const QString& path)>;
  static void SetShellOpener(ShellOpener opener);

 signals:
  void Click(tvq31::IBtn* sender);
  void MouseMove(tvq31::IBtn* sender);
  void MousePress(tvq31::IBtn* sender, Qt::MouseButton button);
  void MouseRelease(tvq31::IBtn* sender, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  // The second press of a double-click: not a press of its own.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OpenPath();
  void MoveBack(int presses);

  QPixmap picture_;
  uint8_t move_down_ = 1;
  uint8_t move_right_ = 1;
  QString path_;
  bool is_enable_ = true;
  QPixmap disable_pic_;
  QString code_;
  QPixmap saved_pic_;
  // Presses whose move has not been undone yet (one per button held), with
  // the offset each of them moved by.
  int held_presses_ = 0;
  int held_dx_ = 0;
  int held_dy_ = 0;
  Qt::MouseButton click_button_ = Qt::NoButton;
};

}  // namespace tvq31

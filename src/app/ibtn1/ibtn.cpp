#include "ibtn1/ibtn.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace tvq31 {
namespace {

void DesktopOpen(const QString& path) {
  const QUrl url(path, QUrl::StrictMode);
  if (url.isValid() && url.scheme().size() > 1 && !url.host().isEmpty()) {
    QDesktopServices::openUrl(url);
  } else if (QFileInfo::exists(path)) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
  }
}

IBtn::ShellOpener& Opener() {
  static IBtn::ShellOpener opener = DesktopOpen;
  return opener;
}

}  // namespace

IBtn::IBtn(QWidget* owner) : QWidget(owner) {
  // The program has no cursor of its own ("CUR"), so the keys' cursor is the
  // standard arrow; command buttons switch to the hand on their first move.
  setCursor(Qt::ArrowCursor);
  setMouseTracking(true);
  resize(80, 25);
}

IBtn::~IBtn() = default;

void IBtn::SetShellOpener(ShellOpener opener) {
  Opener() = opener ? std::move(opener) : ShellOpener(DesktopOpen);
}

void IBtn::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void IBtn::SetIsEnable(bool enable) {
  if (enable) {
    picture_ = saved_pic_;
  } else {
    saved_pic_ = picture_;
    picture_ = disable_pic_;
  }
  is_enable_ = enable;
  update();
}

void IBtn::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}

void IBtn::mousePressEvent(QMouseEvent* event) {
  emit MousePress(this, event->button());
  if (event->button() == Qt::LeftButton && held_presses_ == 0) {
    click_button_ = Qt::LeftButton;
  }
  // Every press, of any button, pushes the control in; its release brings it
  // back. The first press fixes the offset so a value changed meanwhile
  // cannot strand the control off its place.
  if (held_presses_ == 0) {
    held_dx_ = move_right_;
    held_dy_ = move_down_;
  }
  ++held_presses_;
  move(x() + held_dx_, y() + held_dy_);
  OpenPath();
}

void IBtn::mouseReleaseEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  // The control is still pushed in while its click handler runs (a message
  // box opened there shows the key pressed), and comes back afterwards.
  // "Inside" is judged where the control stands at rest, so a press on its
  // top or left edge, released on the same spot, is still a click.
  const QPoint at_rest =
      event->position().toPoint() + (held_presses_ > 0 ? QPoint(held_dx_, held_dy_) : QPoint());
  const bool click = button == Qt::LeftButton && click_button_ == Qt::LeftButton &&
                     rect().contains(at_rest);
  if (button == Qt::LeftButton) click_button_ = Qt::NoButton;
  if (click) emit Click(this);
  emit MouseRelease(this, button);
  if (held_presses_ > 0) MoveBack(1);
}

void IBtn::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMove(this);
  QWidget::mouseMoveEvent(event);
}

void IBtn::mouseDoubleClickEvent(QMouseEvent* event) {
  // A double-click is one press: its second press neither pushes the
  // control in nor makes a click on release (a double-click on "Start to
  // learn" would switch learning on and straight off again).
  event->accept();
}

void IBtn::hideEvent(QHideEvent* event) {
  // A control hidden while pressed (the key pad is hidden when the link
  // drops) never sees its release: put it back in place now.
  if (held_presses_ > 0) MoveBack(held_presses_);
  click_button_ = Qt::NoButton;
  QWidget::hideEvent(event);
}

void IBtn::MoveBack(int presses) {
  held_presses_ -= presses;
  move(x() - presses * held_dx_, y() - presses * held_dy_);
}

void IBtn::OpenPath() {
  if (path_.isEmpty()) return;
  // A program is started from its own directory; the comparison is exact,
  // so ".EXE" does not change it.
  const int dot = path_.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0 && path_.mid(dot) == QLatin1String(".exe")) {
    const QString dir = QFileInfo(path_).path();
    if (!QDir::setCurrent(dir)) {
      qWarning("IBtn: cannot change to the directory of %s", qPrintable(path_));
      return;
    }
  }
  Opener()(path_);
}

}  // namespace tvq31

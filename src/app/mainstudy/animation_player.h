// TShockwaveFlash: the animation player of the hint area. It shows the
// movie named by Movie while playing. Until the movie player lands this
// draws a simple moving hint of its own, so that the learning flow has
// something to show in its place.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

namespace tvq31 {

class TShockwaveFlash : public QWidget {
  Q_OBJECT

 public:
  explicit TShockwaveFlash(QWidget* parent);

  const QString& Movie() const { return movie_; }
  void SetMovie(const QString& file) { movie_ = file; }
  void Play();
  void StopPlay();
  bool Playing() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString movie_;
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace tvq31

// TShockwaveFlash: the animation player of the hint area. Setting Movie
// loads the movie file; Play runs it from the first frame, looping, at the
// movie's frame rate; StopPlay halts it. The stage is scaled to the widget
// keeping its proportions ("show all") and centred on the movie's
// background colour. A file that cannot be read or is not a movie of the
// subset leaves the player empty: it then shows nothing and Play does
// nothing.
#pragma once

#include "swf/swf_movie.h"

#include <QImage>
#include <QPainterPath>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <map>
#include <optional>

namespace tvq31 {

class TShockwaveFlash : public QWidget {
  Q_OBJECT

 public:
  explicit TShockwaveFlash(QWidget* parent = nullptr);

  const QString& Movie() const { return movie_file_; }
  void SetMovie(const QString& file);
  void Play();
  void StopPlay();
  bool Playing() const { return timer_.isActive(); }

  bool HasMovie() const { return movie_.has_value(); }
  // Why the last SetMovie left the player empty.
  const QString& LoadError() const { return load_error_; }
  int FrameCount() const { return movie_ ? static_cast<int>(movie_->frames.size()) : 0; }
  double FrameRate() const { return movie_ ? movie_->FrameRate() : 0.0; }
  int CurrentFrame() const { return frame_; }
  // Draws one frame at `size`, as the widget would show it.
  QImage RenderFrame(int frame, QSize size) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct ShapePaths {
    std::vector<std::pair<QPainterPath, QColor>> fills;
    struct Line {
      QPainterPath path;
      QColor colour;
      double width;
    };
    std::vector<Line> strokes;
  };
  void Paint(QPainter& painter, QSize size, int frame) const;
  void Advance();

  QString movie_file_;
  QString load_error_;
  std::optional<swf::Movie> movie_;
  std::map<uint16_t, ShapePaths> paths_;
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace tvq31

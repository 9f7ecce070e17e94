#include "swf/shockwaveflash.h"

#include <QFile>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace tvq31 {
namespace {

QColor ToQColor(swf::Rgba c) { return QColor(c.r, c.g, c.b, c.a); }

void AddContour(QPainterPath& path, const swf::Contour& c) {
  path.moveTo(c.start.x, c.start.y);
  for (const swf::Segment& s : c.segments) {
    if (s.curved) {
      path.quadTo(s.control.x, s.control.y, s.to.x, s.to.y);
    } else {
      path.lineTo(s.to.x, s.to.y);
    }
  }
}

QTransform ToQTransform(const swf::Matrix& m) {
  constexpr double kOne = 65536.0;
  return QTransform(m.scale_x / kOne, m.rotate_skew0 / kOne, m.rotate_skew1 / kOne,
                    m.scale_y / kOne, m.translate_x, m.translate_y);
}

// Biggest movie file read: the reader refuses anything larger anyway.
constexpr qint64 kMaxFileBytes = static_cast<qint64>(swf::kMaxMovieBytes);

}  // namespace

TShockwaveFlash::TShockwaveFlash(QWidget* parent) : QWidget(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &TShockwaveFlash::Advance);
}

void TShockwaveFlash::SetMovie(const QString& file) {
  StopPlay();
  movie_file_ = file;
  movie_.reset();
  paths_.clear();
  load_error_.clear();
  frame_ = 0;
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    load_error_ = QStringLiteral("cannot open the movie file");
    update();
    return;
  }
  if (f.size() > kMaxFileBytes) {
    load_error_ = QStringLiteral("movie file too large");
    update();
    return;
  }
  const QByteArray bytes = f.readAll();
  std::string error;
  movie_ = swf::ReadMovie(
      std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())),
      &error);
  if (!movie_) {
    load_error_ = QString::fromStdString(error);
    update();
    return;
  }
  // Paths are built once; frames only place them.
  for (const auto& [id, shape] : movie_->shapes) {
    ShapePaths& out = paths_[id];
    for (const swf::Fill& fill : shape.fills) {
      QPainterPath path;
      path.setFillRule(Qt::OddEvenFill);
      for (const swf::Contour& c : fill.contours) AddContour(path, c);
      out.fills.emplace_back(path, ToQColor(fill.colour));
    }
    for (const swf::Stroke& stroke : shape.strokes) {
      QPainterPath path;
      for (const swf::Contour& c : stroke.paths) AddContour(path, c);
      out.strokes.push_back({path, ToQColor(stroke.colour), static_cast<double>(stroke.width)});
    }
  }
  update();
}

void TShockwaveFlash::Play() {
  if (!movie_) return;
  frame_ = 0;
  timer_.start(std::max(1, static_cast<int>(1000.0 / movie_->FrameRate())));
  update();
}

void TShockwaveFlash::StopPlay() { timer_.stop(); }

void TShockwaveFlash::Advance() {
  if (!movie_) return;
  frame_ = (frame_ + 1) % FrameCount();  // playing and looping
  update();
}

void TShockwaveFlash::Paint(QPainter& painter, QSize size, int frame) const {
  if (!movie_) return;
  painter.fillRect(QRect(QPoint(0, 0), size), ToQColor(movie_->background));
  if (frame < 0 || frame >= FrameCount()) return;
  const swf::Rect& stage = movie_->stage;
  const double scale = std::min(size.width() / static_cast<double>(stage.Width()),
                                size.height() / static_cast<double>(stage.Height()));
  const double dx = (size.width() - stage.Width() * scale) / 2;
  const double dy = (size.height() - stage.Height() * scale) / 2;
  const QTransform view = QTransform::fromTranslate(-stage.x_min, -stage.y_min) *
                          QTransform::fromScale(scale, scale) * QTransform::fromTranslate(dx, dy);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(QRectF(dx, dy, stage.Width() * scale, stage.Height() * scale));
  for (const swf::Placement& p : movie_->frames[frame].display) {
    auto it = paths_.find(p.character);
    if (it == paths_.end()) continue;
    painter.setTransform(ToQTransform(p.matrix) * view);
    painter.setPen(Qt::NoPen);
    for (const auto& [path, colour] : it->second.fills) {
      const swf::Rgba c = p.colour.Apply({static_cast<uint8_t>(colour.red()),
                                          static_cast<uint8_t>(colour.green()),
                                          static_cast<uint8_t>(colour.blue()),
                                          static_cast<uint8_t>(colour.alpha())});
      painter.setBrush(ToQColor(c));
      painter.drawPath(path);
    }
    painter.setBrush(Qt::NoBrush);
    for (const ShapePaths::Line& line : it->second.strokes) {
      const swf::Rgba c = p.colour.Apply({static_cast<uint8_t>(line.colour.red()),
                                          static_cast<uint8_t>(line.colour.green()),
                                          static_cast<uint8_t>(line.colour.blue()),
                                          static_cast<uint8_t>(line.colour.alpha())});
      QPen pen(ToQColor(c), line.width);
      pen.setCapStyle(Qt::RoundCap);
      pen.setJoinStyle(Qt::RoundJoin);
      painter.setPen(pen);
      painter.drawPath(line.path);
    }
  }
}

QImage TShockwaveFlash::RenderFrame(int frame, QSize size) const {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  Paint(painter, size, frame);
  return image;
}

void TShockwaveFlash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Paint(painter, size(), frame_);
}

}  // namespace tvq31

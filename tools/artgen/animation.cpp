// The capture animation of the hint area: a hand presses a key of the
// original remote control, whose infrared waves travel to the receiver of
// the learning remote; its receiver window lights up while the signal
// arrives. Two seconds, looping: the key is held as long as the hint text
// asks for.
#include "artwork.h"

#include "swf/swf_writer.h"

#include <array>
#include <map>
#include <optional>

namespace tvq31::artgen {
namespace {

using swf::Contour;
using swf::Fill;
using swf::Rgba;
using swf::Shape;
using swf::Stroke;

constexpr int kWidth = 413, kHeight = 72;
constexpr int kFrames = 24;
constexpr uint16_t kFps = 12 << 8;

constexpr int32_t T(double px) { return static_cast<int32_t>(px * swf::kTwipsPerPixel); }

Shape Filled(Rgba colour, std::vector<Contour> contours, std::optional<Stroke> outline = std::nullopt) {
  Shape s;
  s.fills.push_back({colour, std::move(contours)});
  if (outline) s.strokes.push_back(*outline);
  return s;
}

Stroke Outline(Rgba colour, double width_px, std::vector<Contour> paths) {
  return {static_cast<uint16_t>(T(width_px)), colour, std::move(paths)};
}

swf::Matrix Move(double dx_px, double dy_px) {
  swf::Matrix m;
  m.translate_x = T(dx_px);
  m.translate_y = T(dy_px);
  return m;
}

swf::ColourTransform Alpha(double a) {
  swf::ColourTransform c;
  c.mult[3] = static_cast<int16_t>(a * 256);
  return c;
}

// Where the finger stands in frame f: 0 pressed, up to -14 pixels lifted.
double FingerLift(int f) {
  static constexpr std::array<double, kFrames> kLift = {-14, -10, -5, -1, 0,  0,  0,  0,  0,  0,  0,  0,
                                                         0,   0,   0,  0,  0, 0, -2, -6, -10, -14, -14, -14};
  return kLift[f];
}
bool Pressed(int f) { return FingerLift(f) == 0; }

}  // namespace

std::vector<uint8_t> CaptureMovie() {
  swf::MovieWriter movie(kWidth, kHeight, kFps, Rgba{18, 52, 82, 255});

  // The original remote, lying on its side and pointing right.
  const Rgba dark{24, 26, 32, 255};
  const uint16_t remote = movie.DefineShape(Filled(
      {70, 77, 90, 255}, {swf::RoundedRectContour(T(30), T(40), T(156), T(22), T(10))},
      Outline(dark, 1.2, {swf::RoundedRectContour(T(30), T(40), T(156), T(22), T(10))})));
  std::vector<Contour> keys;
  for (int i = 0; i < 6; ++i) {
    if (i == 3) continue;  // the pressed key is a shape of its own
    keys.push_back(swf::EllipseContour(T(50 + i * 20), T(51), T(5), T(4)));
  }
  const uint16_t remote_keys = movie.DefineShape(Filled({176, 182, 192, 255}, keys));
  const uint16_t pressed_key =
      movie.DefineShape(Filled({120, 200, 140, 255}, {swf::EllipseContour(T(110), T(51), T(5), T(4))}));
  const uint16_t key_glow =
      movie.DefineShape(Filled({255, 214, 90, 150}, {swf::EllipseContour(T(110), T(51), T(10), T(8))}));
  const uint16_t emitter =
      movie.DefineShape(Filled({190, 40, 40, 255}, {swf::EllipseContour(T(186), T(51), T(3), T(6))}));

  // The hand: palm above the stage edge, the index finger reaching down.
  const Rgba skin{243, 203, 163, 255};
  const Rgba skin_line{170, 120, 82, 255};
  const uint16_t palm = movie.DefineShape(Filled(
      skin, {swf::EllipseContour(T(118), T(-4), T(30), T(18))},
      Outline(skin_line, 1.2, {swf::EllipseContour(T(118), T(-4), T(30), T(18))})));
  const uint16_t finger = movie.DefineShape(Filled(
      skin, {swf::RoundedRectContour(T(103), T(4), T(14), T(46), T(7))},
      Outline(skin_line, 1.2, {swf::RoundedRectContour(T(103), T(4), T(14), T(46), T(7))})));
  const uint16_t nail =
      movie.DefineShape(Filled({252, 230, 214, 255}, {swf::RoundedRectContour(T(106), T(38), T(8), T(9), T(4))}));

  // One infrared wave: an arc opening to the right.
  Shape wave_shape;
  wave_shape.strokes.push_back(Outline({255, 128, 96, 255}, 2.5, {swf::ArcPath(T(0), T(51), T(14), -40, 40)}));
  const uint16_t wave = movie.DefineShape(wave_shape);

  // The learning remote, pointing left, with its receiver window.
  const uint16_t receiver_body = movie.DefineShape(Filled(
      {48, 54, 66, 255}, {swf::RoundedRectContour(T(300), T(37), T(104), T(28), T(12))},
      Outline(dark, 1.2, {swf::RoundedRectContour(T(300), T(37), T(104), T(28), T(12))})));
  std::vector<Contour> receiver_keys;
  for (int i = 0; i < 4; ++i) {
    if (i == 1) continue;
    receiver_keys.push_back(swf::RoundedRectContour(T(328 + i * 18), T(45), T(13), T(12), T(4)));
  }
  const uint16_t receiver_key_shape = movie.DefineShape(Filled({160, 168, 178, 255}, receiver_keys));
  // The key that waits for its code, in the "selected for learning" colour.
  const uint16_t waiting_key =
      movie.DefineShape(Filled({250, 190, 50, 255}, {swf::RoundedRectContour(T(346), T(45), T(13), T(12), T(4))}));
  const uint16_t window =
      movie.DefineShape(Filled({110, 16, 22, 255}, {swf::RoundedRectContour(T(302), T(43), T(9), T(16), T(4))}));
  const uint16_t window_glow =
      movie.DefineShape(Filled({255, 96, 72, 170}, {swf::EllipseContour(T(306), T(51), T(11), T(13))}));

  // Depths, bottom to top.
  enum : uint16_t {
    kRemote = 1, kRemoteKeys, kPressedKey, kEmitter, kKeyGlow, kPalm, kFinger, kNail,
    kWave0 = 20, kReceiver = 30, kReceiverKeys, kWaitingKey, kWindowGlow, kWindow
  };
  movie.Place(kRemote, remote);
  movie.Place(kRemoteKeys, remote_keys);
  movie.Place(kPressedKey, pressed_key);
  movie.Place(kEmitter, emitter);
  movie.Place(kReceiver, receiver_body);
  movie.Place(kReceiverKeys, receiver_key_shape);
  movie.Place(kWaitingKey, waiting_key);
  movie.Place(kWindow, window);

  // Objects that come and go: what stands at a depth in the last frame.
  std::map<uint16_t, bool> shown;
  auto show = [&](uint16_t depth, uint16_t character, bool visible, const swf::Matrix& m,
                  const std::optional<swf::ColourTransform>& c = std::nullopt) {
    const bool was = shown[depth];
    if (visible && !was) movie.Place(depth, character, m, c);
    if (visible && was) movie.Modify(depth, m, c);
    if (!visible && was) movie.Remove(depth);
    shown[depth] = visible;
  };

  for (int f = 0; f < kFrames; ++f) {
    const double lift = FingerLift(f);
    const bool pressed = Pressed(f);
    show(kKeyGlow, key_glow, pressed, {});
    show(kPalm, palm, true, Move(0, lift));
    show(kFinger, finger, true, Move(0, lift));
    show(kNail, nail, true, Move(0, lift));
    // Three waves travel from the emitter to the receiver while the key is
    // held, fading as they go.
    for (int i = 0; i < 3; ++i) {
      const int step = f - 4 - i * 3;
      const bool visible = pressed && step >= 0;
      const double x = 192 + (step % 9) * 12.5;
      show(static_cast<uint16_t>(kWave0 + i), wave, visible, Move(x, 0), Alpha(1.0 - (step % 9) / 10.0));
    }
    // The receiver window blinks while the signal arrives.
    const bool arriving = pressed && f >= 8 && (f / 2) % 2 == 0;
    show(kWindowGlow, window_glow, arriving, {});
    movie.ShowFrame();
  }
  return movie.Finish();
}

}  // namespace tvq31::artgen

#include "swf/shockwaveflash.h"
#include "swf/swf_movie.h"
#include "swf/swf_writer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tvq31::swf {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> GeneratedMovie() { return ReadAll(TVQ31_ARTWORK_DIR "/btq0002/flash1.swf"); }

// A small movie: two shapes, placed, moved, tinted and removed over three
// frames.
std::vector<uint8_t> SmallMovie(Shape* square_out = nullptr) {
  MovieWriter w(100, 50, 10 << 8, {1, 2, 3, 255});
  Shape square;
  square.fills.push_back({{200, 10, 10, 255}, {RectContour(0, 0, 400, 400)}});
  square.strokes.push_back({30, {0, 0, 0, 255}, {RoundedRectContour(0, 0, 400, 400, 60)}});
  Shape ring;
  ring.fills.push_back({{10, 200, 10, 128}, {EllipseContour(1000, 500, 300, 200), EllipseContour(1000, 500, 100, 80)}});
  if (square_out) *square_out = square;
  const uint16_t a = w.DefineShape(square);
  const uint16_t b = w.DefineShape(ring);
  w.Place(1, a);
  w.Place(2, b, Matrix{.scale_x = 2 << 16, .scale_y = 1 << 15, .translate_x = -40, .translate_y = 60});
  w.ShowFrame();
  ColourTransform half;
  half.mult[3] = 128;
  half.add[0] = -20;
  w.Modify(1, Matrix{.rotate_skew0 = 1 << 16, .rotate_skew1 = -(1 << 16), .translate_x = 300}, half);
  w.ShowFrame();
  w.Remove(2);
  w.ShowFrame();
  return w.Finish();
}

TEST(SwfWriterReader, RoundTripKeepsStageShapesAndDisplayLists) {
  Shape square;
  const std::vector<uint8_t> bytes = SmallMovie(&square);
  std::string error;
  const std::optional<Movie> movie = ReadMovie(bytes, &error);
  ASSERT_TRUE(movie) << error;
  EXPECT_EQ(movie->version, 8);
  EXPECT_EQ(movie->WidthPixels(), 100);
  EXPECT_EQ(movie->HeightPixels(), 50);
  EXPECT_DOUBLE_EQ(movie->FrameRate(), 10.0);
  EXPECT_EQ(movie->background, (Rgba{1, 2, 3, 255}));
  ASSERT_EQ(movie->shapes.size(), 2u);
  const Shape& s = movie->shapes.at(1);
  ASSERT_EQ(s.fills.size(), 1u);
  EXPECT_EQ(s.fills[0].contours, square.fills[0].contours);
  ASSERT_EQ(s.strokes.size(), 1u);
  EXPECT_EQ(s.strokes[0].width, 30);
  EXPECT_EQ(s.strokes[0].paths, square.strokes[0].paths);
  EXPECT_EQ(s.bounds, (Rect{-15, 415, -15, 415}));  // half the line width around
  // The ring keeps both of its contours (even-odd makes the hole).
  EXPECT_EQ(movie->shapes.at(2).fills[0].contours.size(), 2u);

  ASSERT_EQ(movie->frames.size(), 3u);
  ASSERT_EQ(movie->frames[0].display.size(), 2u);
  EXPECT_EQ(movie->frames[0].display[1].matrix,
            (Matrix{.scale_x = 2 << 16, .scale_y = 1 << 15, .translate_x = -40, .translate_y = 60}));
  const Placement& moved = movie->frames[1].display[0];
  EXPECT_EQ(moved.character, 1);
  EXPECT_EQ(moved.matrix.rotate_skew0, 1 << 16);
  EXPECT_EQ(moved.matrix.rotate_skew1, -(1 << 16));
  EXPECT_EQ(moved.colour.mult[3], 128);
  EXPECT_EQ(moved.colour.add[0], -20);
  EXPECT_EQ(moved.colour.Apply({100, 100, 100, 255}), (Rgba{80, 100, 100, 127}));
  ASSERT_EQ(movie->frames[2].display.size(), 1u);
  EXPECT_EQ(movie->frames[2].display[0].depth, 1);
}

TEST(SwfReader, GeneratedCaptureMovie) {
  const std::vector<uint8_t> bytes = GeneratedMovie();
  ASSERT_FALSE(bytes.empty());
  std::string error;
  const std::optional<Movie> movie = ReadMovie(bytes, &error);
  ASSERT_TRUE(movie) << error;
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "FWS");
  EXPECT_EQ(movie->WidthPixels(), 413);
  EXPECT_EQ(movie->HeightPixels(), 72);
  EXPECT_DOUBLE_EQ(movie->FrameRate(), 12.0);
  EXPECT_EQ(movie->frames.size(), 24u);
  // Every placement refers to a defined shape, and something moves.
  for (const Frame& f : movie->frames) {
    for (const Placement& p : f.display) EXPECT_TRUE(movie->shapes.contains(p.character));
  }
  EXPECT_NE(movie->frames[0].display.size(), movie->frames[8].display.size());
}

// Patches a little-endian 32-bit length into a copy.
std::vector<uint8_t> WithLength(std::vector<uint8_t> b, uint32_t length) {
  for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  return b;
}

// Bytes of the header up to the first tag: signature, length, stage,
// frame rate, frame count.
std::size_t HeaderSize(const std::vector<uint8_t>& movie) {
  const int bits = movie[8] >> 3;
  return 8 + (5 + 4 * bits + 7) / 8 + 4;
}

// A movie with one tag of its own (long form) between the header and a
// ShowFrame and End.
std::vector<uint8_t> MovieWithTag(uint16_t code, const std::vector<uint8_t>& body) {
  const std::vector<uint8_t> reference = MovieWriter(100, 100, 1 << 8, {}).Finish();
  std::vector<uint8_t> b(reference.begin(), reference.begin() + static_cast<long>(HeaderSize(reference)));
  b[b.size() - 2] = 1;  // one frame
  b.push_back(static_cast<uint8_t>((code << 6 | 0x3F) & 0xFF));
  b.push_back(static_cast<uint8_t>((code << 6 | 0x3F) >> 8));
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
  b.insert(b.end(), body.begin(), body.end());
  b.insert(b.end(), {0x40, 0x00, 0x00, 0x00});  // ShowFrame, End
  return WithLength(b, static_cast<uint32_t>(b.size()));
}

TEST(SwfReader, RefusesMalformedMovies) {
  const std::vector<uint8_t> good = SmallMovie();
  std::vector<uint8_t> compressed = good;
  compressed[0] = 'C';
  std::vector<uint8_t> no_end = good;
  no_end.resize(no_end.size() - 2);
  no_end = WithLength(no_end, static_cast<uint32_t>(no_end.size()));
  std::vector<uint8_t> frame_count = good;
  frame_count[HeaderSize(good) - 2] = 7;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  } cases[] = {
      {"empty", {}, "too short"},
      {"not a movie", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "not a movie"},
      {"compressed", compressed, "compressed"},
      {"length field", WithLength(good, 9999), "differs"},
      {"no End tag", no_end, "past the end"},
      {"frame count", frame_count, "announces 7 frames"},
      {"undefined character", MovieWithTag(26, {0x06, 1, 0, 9, 0, 0}), "undefined character"},
      {"gradient fill", MovieWithTag(32, {1, 0, 0x00, 0x01, 0x10}), "not a solid fill"},
      {"style out of range",
       // Shape 1, empty bounds, no styles, 1 fill bit, then a style change
       // selecting fill 1 of none.
       MovieWithTag(32, {1, 0, 0x00, 0, 0, 0x10, 0b00001010, 0b10000000}), "out of range"},
      {"records past the tag", MovieWithTag(32, {1, 0, 0x00, 0, 0, 0x11, 0xFF}), "past their tag"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadMovie(c.bytes, &error)) << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
  }
}

TEST(SwfReader, EveryTruncationOfTheGeneratedMovieIsRefused) {
  const std::vector<uint8_t> bytes = GeneratedMovie();
  ASSERT_FALSE(bytes.empty());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    // The length field is kept as the whole file's, and also fixed up to
    // the cut: the tags must end cleanly either way.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    ASSERT_FALSE(ReadMovie(cut)) << n;
    if (n >= 8) {
      ASSERT_FALSE(ReadMovie(WithLength(cut, static_cast<uint32_t>(n)))) << n;
    }
  }
}

TEST(SwfReader, FlippedBitsNeverCrash) {
  const std::vector<uint8_t> bytes = GeneratedMovie();
  ASSERT_FALSE(bytes.empty());
  uint32_t seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> b = bytes;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      const std::size_t at = 8 + (seed >> 8) % (b.size() - 8);  // keep the signature and length
      b[at] ^= static_cast<uint8_t>(1u << ((seed >> 4) % 8));
    }
    (void)ReadMovie(b);  // either result; only no crash or sanitizer report
  }
}

TEST(ShockwaveFlash, PlaysTheGeneratedMovie) {
  TShockwaveFlash player;
  player.resize(413, 72);
  player.SetMovie(QStringLiteral(TVQ31_ARTWORK_DIR "/btq0002/flash1.swf"));
  ASSERT_TRUE(player.HasMovie()) << player.LoadError().toStdString();
  EXPECT_EQ(player.FrameCount(), 24);
  EXPECT_DOUBLE_EQ(player.FrameRate(), 12.0);
  EXPECT_FALSE(player.Playing());
  player.Play();
  EXPECT_TRUE(player.Playing());
  EXPECT_EQ(player.CurrentFrame(), 0);
  player.StopPlay();
  EXPECT_FALSE(player.Playing());

  // A rendered frame shows more than the background, and the hand moves.
  const QImage first = player.RenderFrame(0, {413, 72});
  const QImage pressed = player.RenderFrame(8, {413, 72});
  const QRgb background = qRgb(18, 52, 82);
  int drawn = 0;
  for (int y = 0; y < first.height(); ++y) {
    for (int x = 0; x < first.width(); ++x) drawn += (first.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
  }
  EXPECT_GT(drawn, 413 * 72 / 10);
  EXPECT_NE(first, pressed);
}

TEST(ShockwaveFlash, MissingOrDamagedFileLeavesThePlayerEmpty) {
  QTemporaryDir dir;
  const QString damaged = dir.filePath(QStringLiteral("888.swf"));
  QFile f(damaged);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("FWS\x08garbage");
  f.close();
  for (const QString& file : {dir.filePath(QStringLiteral("none.swf")), damaged}) {
    TShockwaveFlash player;
    player.SetMovie(file);
    EXPECT_EQ(player.Movie(), file);
    EXPECT_FALSE(player.HasMovie());
    EXPECT_FALSE(player.LoadError().isEmpty());
    player.Play();
    EXPECT_FALSE(player.Playing());
    EXPECT_TRUE(player.RenderFrame(0, {10, 10}).pixelColor(5, 5).alpha() == 0);
  }
}

}  // namespace
}  // namespace tvq31::swf

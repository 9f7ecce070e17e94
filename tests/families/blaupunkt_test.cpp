// Blaupunkt: encoder and decoder, the style, and recorded Grundig remotes
// that send it.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

constexpr uint32_t kSyncGap = 45 * 512;  // the last one's half bit and 44 units
constexpr uint32_t kDataPeriod = 262 * 512;

uint32_t FrameLength(const SignalFrame& f) {
  uint32_t total = 0;
  for (uint32_t d : f.durations) total += d;
  return total;
}

// Each frame as the decoder reads it ("Blaupunkt 0/0" for the start and
// end frames, which carry no values).
std::vector<std::string> Frames(const Signal& s) { return ReadEach(s, ir::DecodeBlaupunkt); }

TEST(Blaupunkt, PressesDecodeAndComeBack) {
  const struct {
    uint32_t address, command;
  } cases[] = {{0, 0}, {7, 62}, {3, 0x15}, {5, 0x2A}, {0, 63}, {7, 0}, {1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.address) + "/" + std::to_string(c.command));
    const std::optional<Signal> press = EncodeProtocol("Blaupunkt", c.address, c.command, 400);
    ASSERT_TRUE(press);
    const std::string data = Values("Blaupunkt", c.address, c.command);
    // Start frame, the data frame while held, end frame.
    const std::vector<std::string> frames = Frames(*press);
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames.front(), "Blaupunkt 0/0");
    EXPECT_EQ(frames.back(), "Blaupunkt 0/0");
    for (size_t i = 1; i + 1 < frames.size(); ++i) EXPECT_EQ(frames[i], data);
    EXPECT_EQ(Said(*press), data);  // the frames without values fold away
    EXPECT_EQ(press->frames.front().gap, kSyncGap);
    EXPECT_EQ(FrameLength(press->frames[1]) + press->frames[1].gap, kDataPeriod);

    EXPECT_EQ(Said(DistortSignal(*press, c.command + 7)), Said(*press));
    const Signal back = ExpectRecognised(DistortSignal(*press, c.command + 3), "Blaupunkt");
    ASSERT_GE(back.frames.size(), 3u);
    EXPECT_EQ(Frames(back).back(), "Blaupunkt 0/0");  // the end frame on release
    EXPECT_NEAR(back.frames.front().gap, kSyncGap, 100);
    // A short press: start, one data frame, end.
    Signal tap = *press;
    tap.frames = {press->frames[0], press->frames[1], press->frames.back()};
    ExpectRecognised(DistortSignal(tap, 5), "Blaupunkt");
  }
  EXPECT_FALSE(EncodeProtocol("Blaupunkt", 8, 0));
  EXPECT_FALSE(EncodeProtocol("Blaupunkt", 0, 64));
}

TEST(Blaupunkt, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Blaupunkt", 5, 0x2A, 300);
  auto data_frames = [&](const std::function<void(std::vector<uint32_t>&)>& change) {
    Signal s = good;
    for (size_t f = 1; f + 1 < s.frames.size(); ++f) change(s.frames[f].durations);
    return s;
  };
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      // A half bit more or less leaves a level of three halves or an odd count.
      {"a half bit short", data_frames([](auto& d) { d[3] -= 512; })},
      {"a half bit long", data_frames([](auto& d) { d[3] += 512; })},
      {"a bit more", data_frames([](auto& d) { d.insert(d.end(), {512, 512}); })},
      {"leader space of four units", data_frames([](auto& d) { d[1] = 4 * 512; })},
      {"leader mark of two units", data_frames([](auto& d) { d[0] = 2 * 512; })},
      {"RC5's half bit", data_frames([](auto& d) {
         for (size_t i = 2; i < d.size(); ++i) d[i] = d[i] * 889 / 512;
       })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadEach(c.signal, ir::DecodeBlaupunkt)[1], "-");
    EXPECT_NE(RecogniseSignal(c.signal).style, "Blaupunkt");
  }
  // A first bit of zero would open with silence, lengthening the leader's
  // five units to six.
  Signal zero_start = good;
  std::vector<uint32_t>& d = zero_start.frames[1].durations;
  d = {512, 2560 + 512, 512};
  for (int i = 0; i < 9; ++i) d.insert(d.end(), {512, 512});
  EXPECT_EQ(ReadEach(zero_start, ir::DecodeBlaupunkt)[1], "-");
}

// Grundig TV remotes (Tele Pilot 800 and 750 C), recorded by a 38 kHz
// receiver: marks of about 600 us, 19.7 ms after the start frame (the
// protocol's 23 ms less 14 %; frame and gap are 32.2 ms of 35.84, which the
// style's period takes), data frames 129.7 ms apart.
TEST(Blaupunkt, RecordedGrundigRemotes) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* name;
    uint32_t address, command;
  } cases[] = {
      {"TVs/Grundig/Grundig_TP800.ir", "Power", 0, 2},
      {"TVs/Grundig/Grundig_TP800.ir", "Mute", 0, 1},
      {"TVs/Grundig/Grundig_TP800.ir", "Vol_up", 0, 8},
      {"TVs/Grundig/Grundig_TP750C.ir", "Power", 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.name);
    for (const Signal& recording : CorpusSignals(c.file, c.name)) {
      EXPECT_EQ(Said(recording), Values("Blaupunkt", c.address, c.command));
      const Signal back = ExpectRecognised(recording, "Blaupunkt");
      EXPECT_EQ(Frames(back).back(), "Blaupunkt 0/0");
    }
  }
}

}  // namespace
}  // namespace tvq31

// RCA: encoder and decoder (also on frames a receiver joined), the tap
// style, recorded taps.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Rca, PressesDecodeAndTapsComeBack) {
  const std::pair<uint32_t, uint32_t> values[] = {{0x0F, 0x54}, {0x00, 0x00}, {0x0F, 0xFF}, {0x08, 0x01}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("RCA", address, command, 200);
    ASSERT_TRUE(press);
    const std::string want = Values("RCA", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, 2)), want);
    const Signal tap = FirstFrame(DistortSignal(*press, 2));
    ExpectRecognised(tap, "RCA", 200);
  }
}

// Held, the 8 ms silences are below a receiver's frame split: one captured
// frame holds them all, and each is read in turn.
TEST(Rca, JoinedFramesAreEachRead) {
  const Signal press = *EncodeProtocol("RCA", 0x0F, 0x54, 200);
  ASSERT_GE(press.frames.size(), 3u);
  Signal joined;
  joined.carrier_hz = press.carrier_hz;
  joined.frames.resize(1);
  for (const SignalFrame& f : press.frames) {
    std::vector<uint32_t>& d = joined.frames[0].durations;
    if (!d.empty()) d.push_back(f.gap);
    d.insert(d.end(), f.durations.begin(), f.durations.end());
  }
  joined.frames[0].gap = 20000;
  const std::vector<DecodedFrame> frames = DecodeSignal(joined);
  EXPECT_EQ(frames.size(), press.frames.size());
  for (const DecodedFrame& f : frames) EXPECT_EQ(f.protocol, "RCA");
  EXPECT_EQ(Said(joined), "RCA 15/84");
}

TEST(Rca, RecordedTapsAreRecognisedAndSentBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  for (const char* name : {"Right", "Vol_dn"}) {
    SCOPED_TRACE(name);
    for (const Signal& recorded : CorpusSignals("TVs/TCL/TCL_UnknownModel1.ir", name)) {
      EXPECT_EQ(Said(recorded).rfind("RCA ", 0), 0u) << Said(recorded);
      ExpectRecognised(recorded, "RCA", 200);
    }
  }
}

TEST(Rca, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("RCA", 0x0F, 0x54, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 4); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 4); })},
      {"half leader", EveryFrame(good, [](auto& d) { d[0] /= 2; })},
      // The second half must be the inverse of the first.
      {"not inverted", EveryFrame(good, [](auto& d) { d[3] = d[3] > 1500 ? 1000 : 2000; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "RCA"));
    if (std::string(c.name) != "not inverted") {
      EXPECT_NE(RecogniseSignal(c.signal).style, "RCA");
    }
  }
}

}  // namespace
}  // namespace tvq31

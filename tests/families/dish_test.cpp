// Dish Network: encoder and decoder (also of the frames a receiver joins),
// the one-frame style.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Dish, PressesDecodeAndOneFrameComesBack) {
  // Not all ones: a repeated frame of 16 one bits (1624 us spaces, no
  // lead-in) is also a Mitsubishi frame of 16 ones as a receiver leaves it,
  // and Mitsubishi is read first.
  const std::pair<uint32_t, uint32_t> values[] = {{0x000, 0x00}, {0x3FE, 0x3F}, {0x2A5, 0x15}, {0x01F, 0x20}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Dish", address, command, 300);
    ASSERT_TRUE(press);
    ASSERT_GE(press->frames.size(), 3u);
    const std::string want = Values("Dish", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, command + 1)), want);
    // As a receiver joins it: one frame, each part read in turn.
    Signal joined;
    joined.carrier_hz = press->carrier_hz;
    joined.frames.resize(1);
    for (const SignalFrame& f : press->frames) {
      std::vector<uint32_t>& d = joined.frames[0].durations;
      if (!d.empty()) d.push_back(f.gap);
      d.insert(d.end(), f.durations.begin(), f.durations.end());
    }
    const std::vector<DecodedFrame> frames = DecodeSignal(joined);
    EXPECT_EQ(frames.size(), press->frames.size());
    EXPECT_EQ(Said(joined), want);
    // Held, no style matches; one frame alone is recognised.
    EXPECT_EQ(RecogniseSignal(joined).style, "");
    ExpectRecognised(FirstFrame(DistortSignal(*press, 3)), "Dish", 300);
  }
  EXPECT_FALSE(EncodeProtocol("Dish", 0x400, 0));
  EXPECT_FALSE(EncodeProtocol("Dish", 0, 0x40));
}

TEST(Dish, OtherShapesAreRefused) {
  const Signal one = FirstFrame(*EncodeProtocol("Dish", 0x2A5, 0x15, 10));
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(one, [](auto& d) { DropBit(d, 2); })},
      {"a bit long", EveryFrame(one, [](auto& d) { RepeatBit(d, 2); })},
      {"NEC-like leader", EveryFrame(one, [](auto& d) { d[0] = 9000; d[1] = 4500; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Dish"));
    EXPECT_NE(RecogniseSignal(c.signal).style, "Dish");
  }
}

}  // namespace
}  // namespace tvq31

// DirecTV: encoder and decoder, the held and tap styles.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(DirecTv, PressesDecodeAndComeBackHeldAndTapped) {
  // Commands with every bit pair, so each of the four symbols is sent.
  const std::pair<uint32_t, uint32_t> values[] = {{0x0, 0x00}, {0xF, 0xFF}, {0xA, 0x1B}, {0x5, 0xE4}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("DirecTV", address, command, 300);
    ASSERT_TRUE(press);
    ASSERT_GE(press->frames.size(), 3u);
    EXPECT_EQ(press->frames[0].durations[0], 6000u);
    EXPECT_EQ(press->frames[1].durations[0], 3000u);
    const std::string want = Values("DirecTV", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, command + 1)), want);
    for (const DecodedFrame& f : DecodeSignal(*press)) EXPECT_EQ(f.protocol, "DirecTV");

    const Signal held = ExpectRecognised(DistortSignal(*press, 8), "DirecTV");
    ASSERT_GE(held.frames.size(), 2u);
    EXPECT_NEAR(held.frames[1].durations[0], 3000, 60);
    ExpectGaps(held, 30000);
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 8)), "DirecTV tap", 300);
    EXPECT_GE(tap.frames.size(), 3u);
    ExpectGaps(tap, 30000);
  }
  EXPECT_FALSE(EncodeProtocol("DirecTV", 0x10, 0));
  EXPECT_FALSE(EncodeProtocol("DirecTV", 0, 0x100));
}

TEST(DirecTv, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("DirecTV", 0xA, 0x1B, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a symbol short", EveryFrame(good, [](auto& d) { DropBit(d, 2); })},
      {"a symbol long", EveryFrame(good, [](auto& d) { RepeatBit(d, 2); })},
      {"NEC leader", EveryFrame(good, [](auto& d) { d[0] = 9000; })},
      // A command bit changed: the check no longer fits.
      {"check wrong", EveryFrame(good, [](auto& d) { d[7] = d[7] > 900 ? 600 : 1200; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "DirecTV"));
    if (std::string(c.name) != "check wrong") {
      EXPECT_EQ(RecogniseSignal(c.signal).style.rfind("DirecTV", 0), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tvq31

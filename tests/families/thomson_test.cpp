// Thomson: encoder and decoder, the tap and held styles.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Thomson, PressesDecodeAndComeBackHeldAndTapped) {
  const std::pair<uint32_t, uint32_t> values[] = {{0x0, 0x00}, {0xF, 0x7F}, {0x5, 0x2A}, {0x8, 0x01}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Thomson", address, command, 300);
    ASSERT_TRUE(press);
    const std::string want = Values("Thomson", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, command + 1)), want);
    // The toggle bit is not a value of the key.
    Signal toggled = *press;
    for (SignalFrame& f : toggled.frames) f.durations[9] = 4500;
    EXPECT_EQ(Said(toggled), want);

    // Recognised as sent: the recogniser compares durations of 600 us and
    // more within 200 us, which a receiver's 5 % jitter on the 4500 us
    // space can leave.
    ExpectRecognised(*press, "Thomson");
    const Signal tap = ExpectRecognised(FirstFrame(*press), "Thomson tap", 300);
    EXPECT_GE(tap.frames.size(), 3u);
    ExpectGaps(tap, 35000);
  }
  EXPECT_FALSE(EncodeProtocol("Thomson", 0x10, 0));
  EXPECT_FALSE(EncodeProtocol("Thomson", 0, 0x80));
}

TEST(Thomson, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Thomson", 0x5, 0x2A, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 0); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 0); })},
      {"with a leader", EveryFrame(good, [](auto& d) { d.insert(d.begin(), {4000, 4000}); })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Thomson"));
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      EXPECT_EQ(RecogniseSignal(s).style.rfind("Thomson", 0), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tvq31

// Bose: encoder and decoder, the held and tap styles.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Bose, PressesDecodeAndComeBackHeldAndTapped) {
  for (uint32_t command : {0x00u, 0xFFu, 0x5Au, 0x81u}) {
    SCOPED_TRACE(command);
    const std::optional<Signal> press = EncodeProtocol("Bose", 0, command, 300);
    ASSERT_TRUE(press);
    EXPECT_EQ(Said(*press), Values("Bose", 0, command));
    EXPECT_EQ(Said(DistortSignal(*press, command + 1)), Values("Bose", 0, command));
    ExpectGaps(ExpectRecognised(DistortSignal(*press, 3), "Bose"), 50000);
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 3)), "Bose tap", 300);
    EXPECT_GE(tap.frames.size(), 3u);
    ExpectGaps(tap, 50000);
  }
  EXPECT_FALSE(EncodeProtocol("Bose", 1, 0));
  EXPECT_FALSE(EncodeProtocol("Bose", 0, 0x100));
}

TEST(Bose, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Bose", 0, 0x5A, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 2); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 2); })},
      {"long leader", EveryFrame(good, [](auto& d) { d[0] = 2400; })},
      // The second byte must be the first's inverse.
      {"not inverted", EveryFrame(good, [](auto& d) { d[3] = d[3] > 1000 ? 500 : 1500; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Bose"));
    if (std::string(c.name) != "not inverted") {
      EXPECT_EQ(RecogniseSignal(c.signal).style.rfind("Bose", 0), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tvq31

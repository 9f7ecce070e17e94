// Elite Screens: encoder and decoder.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(EliteScreens, PressesDecodeAndComeBackHeldAndTapped) {
  for (uint32_t command : {0x0FEA3387u, 0x0FDA2256u, 0xFFFFFFFFu, 0x00000000u, 0x80000001u}) {
    SCOPED_TRACE(command);
    const std::optional<Signal> press = EncodeProtocol("EliteScreens", 0, command, 0);
    ASSERT_TRUE(press);
    ASSERT_EQ(press->frames.size(), 2u);
    EXPECT_EQ(Said(*press), Values("EliteScreens", 0, command));
    EXPECT_EQ(Said(DistortSignal(*press, command % 97 + 1)), Values("EliteScreens", 0, command));
    // Held and tapped, the record sends the frame about 30 ms apart.
    const Signal held = *EncodeProtocol("EliteScreens", 0, command, 500);
    ExpectGaps(ExpectRecognised(DistortSignal(held, 3), "EliteScreens"), 30000);
    const Signal tap =
        ExpectRecognised(FirstFrame(DistortSignal(held, 3)), "EliteScreens tap", 200);
    EXPECT_GE(tap.frames.size(), 2u);
    ExpectGaps(tap, 30000);
  }
  EXPECT_EQ(FamilyOfName("Elite Screens"), "EliteScreens");
  EXPECT_FALSE(EncodeProtocol("EliteScreens", 1, 0));
}

TEST(EliteScreens, OtherShapesAreRefused) {
  const Signal elite = *EncodeProtocol("EliteScreens", 0, 0x0FEA3387, 0);
  const struct {
    const char* name;
    Signal signal;
    DecodeFrameFn decode;
  } cases[] = {
      {"Elite a bit short", EveryFrame(elite, [](auto& d) { DropBit(d, 0); }),
       ir::DecodeEliteScreens},
      {"Elite a bit long", EveryFrame(elite, [](auto& d) { RepeatBit(d, 0); }),
       ir::DecodeEliteScreens},
      {"Elite a leader", EveryFrame(elite, [](auto& d) { d.insert(d.begin(), {9000, 4500}); }),
       ir::DecodeEliteScreens},
      {"Elite mark and space both short", EveryFrame(elite, [](auto& d) { d[4] = 470; }),
       ir::DecodeEliteScreens},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& r : ReadEach(c.signal, c.decode)) EXPECT_EQ(r, "-");
    EXPECT_FALSE(ReadAs(c.signal, "EliteScreens"));
    EXPECT_EQ(RecogniseSignal(c.signal).style.rfind("EliteScreens", 0), std::string::npos);
  }
}

}  // namespace
}  // namespace tvq31

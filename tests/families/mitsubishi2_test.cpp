// Mitsubishi2: encoder and decoder, the held and tap styles, the corpus's
// recordings of this frame shape.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

constexpr uint32_t kGap = 28500;

TEST(Mitsubishi2, PressesDecodeAndComeBackHeldAndTapped) {
  const std::pair<uint32_t, uint32_t> values[] = {{0x00, 0x00}, {0xFF, 0xFF}, {0x4F, 0x82},
                                                  {0x80, 0x01}, {0x2F, 0x4A}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Mitsubishi2", address, command, 300);
    ASSERT_TRUE(press);
    const auto want = Values("Mitsubishi2", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, address + 1)), want);
    for (const DecodedFrame& f : DecodeSignal(*press)) EXPECT_EQ(f.protocol, "Mitsubishi2");

    ExpectGaps(ExpectRecognised(DistortSignal(*press, 7), "Mitsubishi2"), kGap);
    // A tap's record sends the held press: the frame again after 28.5 ms.
    const Signal back = ExpectRecognised(FirstFrame(DistortSignal(*press, 7)), "Mitsubishi2 tap", 300);
    EXPECT_GE(back.frames.size(), 3u);
    ExpectGaps(back, kGap);
  }
}

TEST(Mitsubishi2, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("Mitsubishi2", 0x100, 0));
  EXPECT_FALSE(EncodeProtocol("Mitsubishi2", 0, 0x100));
}

// The corpus's NEC TV remote sends this frame (8 ms leader, the middle
// space, 500 us bits) with a 60 ms period, so 17 to 21 ms between frames:
// the held style's 28.5 ms refuses it, its first frame is a tap.
TEST(Mitsubishi2, RecordedRemoteIsReadAndItsTapComesBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* name;
    uint32_t address, command;
  } keys[] = {{"Power", 0x2F, 0x4A}, {"Standby", 0x2F, 0x72}, {"Menu", 0x2F, 0x04}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    for (const Signal& recorded : CorpusSignals("TVs/NEC/NEC.ir", k.name)) {
      EXPECT_EQ(Said(recorded), Values("Mitsubishi2", k.address, k.command));
      ExpectRecognised(FirstFrame(recorded), "Mitsubishi2 tap", 300);
    }
  }
}

TEST(Mitsubishi2, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Mitsubishi2", 0x4F, 0x82, 300);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"address a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 2); })},
      {"command a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 22); })},
      {"half leader", EveryFrame(good, [](auto& d) { d[0] /= 2; })},
      {"no middle space", EveryFrame(good, [](auto& d) { d[19] = 1560; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Mitsubishi2"));
    EXPECT_EQ(RecogniseSignal(c.signal).style.rfind("Mitsubishi2", 0), std::string::npos);
    EXPECT_EQ(RecogniseSignal(FirstFrame(c.signal)).style.rfind("Mitsubishi2", 0),
              std::string::npos);
  }
}

}  // namespace
}  // namespace tvq31

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

// The corpus's NEC TV remote sends this frame on Proton's timing (8 ms
// leader, the middle space, 500 us bits, a 60 ms period, so 17 to 21 ms
// between frames): the Mitsubishi2 style's 28.5 ms refuses its presses,
// the Proton style's 63 ms period takes them, and a single frame is a
// Mitsubishi2 tap. Either record plays back as the same values.
TEST(Mitsubishi2, RecordedProtonRemoteIsReadAndComesBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* name;
    uint32_t address, command;
  } keys[] = {{"Power", 0x2F, 0x4A}, {"Standby", 0x2F, 0x72}, {"Menu", 0x2F, 0x04}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    for (const Signal& recorded : CorpusSignals("TVs/NEC/NEC.ir", k.name)) {
      const auto want = Values("Mitsubishi2", k.address, k.command);
      EXPECT_EQ(Said(recorded), want);
      EXPECT_EQ(Said(ExpectRecognised(recorded, "Proton", 300)), want);
      EXPECT_EQ(Said(ExpectRecognised(FirstFrame(recorded), "Mitsubishi2 tap", 300)), want);
    }
  }
}

// A press on Proton's documented timing: 500 us units, a frame every 63 ms
// (bits high first, as the family's decoder reads its values).
TEST(Mitsubishi2, ProtonPressesComeBackOnTheirPeriod) {
  for (uint32_t command : {0x00u, 0xFFu, 0x4Au}) {
    SCOPED_TRACE(command);
    Signal press;
    press.carrier_hz = 38500;
    for (int i = 0; i < 5; ++i) {
      SignalFrame frame;
      frame.durations = {8000, 4000};
      auto bits = [&](uint32_t value) {
        for (int b = 0; b < 8; ++b) {
          frame.durations.push_back(500);
          frame.durations.push_back(((value >> (7 - b)) & 1) != 0 ? 1500 : 500);
        }
      };
      bits(0x2F);
      frame.durations.push_back(500);
      frame.durations.push_back(4000);
      bits(command);
      frame.durations.push_back(500);
      uint32_t length = 0;
      for (uint32_t d : frame.durations) length += d;
      frame.gap = 63000 - length;
      press.frames.push_back(frame);
    }
    const auto want = Values("Mitsubishi2", 0x2F, command);
    EXPECT_EQ(Said(press), want);
    EXPECT_EQ(Said(ExpectRecognised(press, "Proton")), want);
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

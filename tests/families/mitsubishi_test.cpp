// Mitsubishi (TV, VCR, audio): encoder and decoder, the held and tap
// styles.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

// The frame as this family was once sent here: 250 us marks, 750 /
// 1750 us spaces, 40 kHz, 25 ms apart.
Signal OlderFrame(uint32_t address, uint32_t command) {
  SignalFrame f;
  const uint32_t data = address | (command << 8);
  for (int bit = 0; bit < 16; ++bit) {
    f.durations.push_back(250);
    f.durations.push_back((data >> bit) & 1u ? 1750 : 750);
  }
  f.durations.push_back(250);
  f.gap = 25000;
  Signal s;
  s.carrier_hz = 40000;
  s.frames = {f, f};
  return s;
}

TEST(Mitsubishi, PressesDecodeAndComeBackHeldAndTapped) {
  const std::pair<uint32_t, uint32_t> values[] = {{0x47, 0x8B}, {0x00, 0x00}, {0xFF, 0xFF}, {0x01, 0x80}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("Mitsubishi", address, command, 300);
    ASSERT_TRUE(press);
    const std::string want = Values("Mitsubishi", address, command);
    EXPECT_EQ(Said(*press), want);
    EXPECT_EQ(Said(DistortSignal(*press, 9)), want);
    EXPECT_EQ(Said(OlderFrame(address, command)), want);
    for (const DecodedFrame& f : DecodeSignal(*press)) EXPECT_EQ(f.protocol, "Mitsubishi");

    ExpectRecognised(DistortSignal(*press, 6), "Mitsubishi");
    // The tap's record: the frame again 24 ms after each stop mark.
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 6)), "Mitsubishi tap", 300);
    EXPECT_GE(tap.frames.size(), 3u);
    ExpectGaps(tap, 24000);
  }
}

TEST(Mitsubishi, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("Mitsubishi", 0x100, 0));
  EXPECT_FALSE(EncodeProtocol("Mitsubishi", 0, 0x100));
}

TEST(Mitsubishi, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Mitsubishi", 0x47, 0x8B, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 0); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 0); })},
      // JVC's repeat frame is 16 bits without a leader too, with 526 us
      // marks and bit times of 1.05 / 2.1 ms.
      {"JVC repeat", [] {
         Signal s = *EncodeProtocol("JVC", 0x47, 0x8B, 300);
         s.frames.erase(s.frames.begin());
         return s;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Mitsubishi"));
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      EXPECT_EQ(RecogniseSignal(s).style.rfind("Mitsubishi", 0), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tvq31

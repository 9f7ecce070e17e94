// GI Cable: encoder and decoder, the held and tap styles, a recorded cable
// box remote.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

// From the start of one frame to the start of the next.
std::vector<uint32_t> Periods(const Signal& s) {
  std::vector<uint32_t> out;
  for (size_t f = 0; f + 1 < s.frames.size(); ++f) {
    uint32_t length = 0;
    for (uint32_t d : s.frames[f].durations) length += d;
    out.push_back(length + s.frames[f].gap);
  }
  return out;
}

TEST(GiCable, PressesDecodeAndComeBackHeldAndTapped) {
  // The check nibble makes address and command nibbles add up to 0: each
  // case has a different one.
  const std::pair<uint32_t, uint32_t> values[] = {{0x0, 0x00}, {0xF, 0xFF}, {0x5, 0xA7}, {0x1, 0x80}};
  for (const auto& [address, command] : values) {
    SCOPED_TRACE(std::to_string(address) + "/" + std::to_string(command));
    const std::optional<Signal> press = EncodeProtocol("GICable", address, command, 400);
    ASSERT_TRUE(press);
    ASSERT_GE(press->frames.size(), 4u);
    EXPECT_EQ(Said(*press), Values("GICable", address, command));
    EXPECT_EQ(Said(DistortSignal(*press, 5)), Values("GICable", address, command));
    const std::vector<DecodedFrame> frames = DecodeSignal(*press);
    EXPECT_FALSE(frames[0].repeat);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_TRUE(frames[i].repeat) << i;
    for (uint32_t p : Periods(*press)) EXPECT_EQ(p, 99600u);

    const Signal held = ExpectRecognised(DistortSignal(*press, 2), "GICable");
    for (uint32_t p : Periods(held)) EXPECT_NEAR(p, 99600, 2000);
    // A tap's record sends the frame and then the dittos.
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 2)), "GICable tap", 400);
    ASSERT_GE(tap.frames.size(), 3u);
    EXPECT_TRUE(DecodeSignal(tap)[1].repeat);
    EXPECT_NEAR(Periods(tap)[1], 99600, 2000);
  }
}

TEST(GiCable, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("GICable", 0x10, 0));
  EXPECT_FALSE(EncodeProtocol("GICable", 0, 0x100));
}

// A cable box remote (in the Sony files of the corpus): 99.4 ms between
// frame starts.
TEST(GiCable, RecordedRemoteIsRecognisedAndSentBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* name;
    uint32_t address, command;
  } keys[] = {{"Ch_next", 0x0, 0x0B}, {"Ch_prev", 0x0, 0x0C}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.name);
    for (const Signal& recorded : CorpusSignals("TVs/Sony/Sony_Bravia.ir", k.name)) {
      EXPECT_EQ(Said(recorded), Values("GICable", k.address, k.command));
      ExpectRecognised(recorded, "GICable");
      ExpectRecognised(FirstFrame(recorded), "GICable tap", 300);
    }
  }
}

TEST(GiCable, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("GICable", 0x5, 0xA7, 10);
  ASSERT_EQ(good.frames.size(), 1u);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [](auto& d) { DropBit(d, 4); })},
      {"a bit long", EveryFrame(good, [](auto& d) { RepeatBit(d, 4); })},
      {"half leader", EveryFrame(good, [](auto& d) { d[0] /= 2; })},
      // One bit flipped: the check nibble no longer fits (the recogniser
      // does not look at values, so only the decoder refuses it).
      {"check wrong", EveryFrame(good, [](auto& d) { d[3] = d[3] > 3000 ? 2205 : 4410; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "GICable"));
    if (std::string(c.name) != "check wrong") {
      EXPECT_EQ(RecogniseSignal(c.signal).style.rfind("GICable", 0), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tvq31

// JVC: encoder and decoder (the frame, and its repeat without a leader),
// the held style (JVC's periods) and the tap style, real recordings of the
// corpus.
#include <gtest/gtest.h>

#include "family_rig.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

// A JVC press with `gap_us` between its frames.
Signal WithGaps(Signal s, uint32_t gap_us) {
  for (SignalFrame& f : s.frames) f.gap = gap_us;
  return s;
}

TEST(Jvc, EncodedPressesDecodeToTheirValues) {
  for (const auto& [address, command] : {std::pair{0x03u, 0x17u}, {0xA3u, 0xC5u}, {0u, 0xFFu}}) {
    SCOPED_TRACE(address);
    const Signal s = *EncodeProtocol("JVC", address, command, 300);
    const std::vector<DecodedFrame> frames = DecodeSignal(DistortSignal(s, 2));
    ASSERT_GE(frames.size(), 3u);
    // The header-less repeats read as the same key.
    for (const DecodedFrame& f : frames) EXPECT_EQ(f.protocol, "JVC");
    EXPECT_EQ(Said(s), Values("JVC", address, command));
  }
}

TEST(Jvc, HeldPressesOfTheRemotesGapsAndTapsComeBack) {
  // Remotes leave 20 to 25 ms: within 10 % of JVC's periods for this frame.
  const Signal s = DistortSignal(*EncodeProtocol("JVC", 0xA3, 0x17, 400), 1);
  for (uint32_t gap_us : {23500u, 21800u, 20500u, 19600u}) {
    SCOPED_TRACE(gap_us);
    const Signal back = ExpectRecognised(WithGaps(s, gap_us), "JVC");
    // Sent with the protocol's period of 46.42 ms between repeats.
    ASSERT_GE(back.frames.size(), 3u);
    uint64_t period = back.frames[1].gap;
    for (uint32_t d : back.frames[1].durations) period += d;
    EXPECT_NEAR(static_cast<double>(period), 46420.0, 200.0);
  }
  const Signal back = ExpectRecognised(FirstFrame(s), "JVC tap", 400);
  EXPECT_GE(back.frames.size(), 3u);
  ExpectGaps(back, 23000);
}

TEST(Jvc, RecordedRemotesAreReadAndComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* key;
    uint32_t address, command;
    const char* style;
  } cases[] = {
      {"Audio_and_Video_Receivers/JVC/JVC_CA-D851TR.ir", "Power", 0xA3, 0x17, "JVC"},
      {"VCR/JVC/JVC_HR-A591U.ir", "Minus", 0x43, 0x42, "JVC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.key);
    for (const Signal& s : CorpusSignals(c.file, c.key)) {
      EXPECT_EQ(Said(s), Values("JVC", c.address, c.command));
      ExpectRecognised(s, c.style);
      ExpectRecognised(FirstFrame(s), "JVC tap", 300);
    }
  }
}

TEST(Jvc, OtherShapesAreRefused) {
  const Signal good = DistortSignal(*EncodeProtocol("JVC", 0xA3, 0x17, 300), 1);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"15 bits", EveryFrame(good, [](auto& d) { DropBit(d, d.size() - 5); })},
      {"17 bits", EveryFrame(good, [](auto& d) { RepeatBit(d, d.size() - 5); })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "JVC"));
    EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "JVC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "JVC");
  }
  // A header-less frame of Mitsubishi's mark width is not a JVC repeat.
  Signal narrow;
  narrow.carrier_hz = 38000;
  narrow.frames = {good.frames.at(1)};
  for (size_t i = 0; i < narrow.frames[0].durations.size(); i += 2) {
    narrow.frames[0].durations[i] = 300;
  }
  EXPECT_FALSE(ReadAs(narrow, "JVC"));
  narrow.frames[0].durations[0] = 600;
  EXPECT_FALSE(ReadAs(narrow, "JVC")) << "one JVC-wide mark is not enough";
}

}  // namespace
}  // namespace tvq31

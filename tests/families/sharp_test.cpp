// Sharp and Denon: one frame shape, told apart by the two frame bits. The
// encoder and both decoders, the held styles and the tap style they share,
// recorded remotes of both.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(SharpDenon, PressesDecodeAndComeBackHeldAndTapped) {
  const struct {
    const char* protocol;
    uint32_t address, command;
    uint32_t gap;  // between frames of the played-back tap
  } cases[] = {
      {"Sharp", 0x01, 0xC5, 43600}, {"Sharp", 0x1F, 0x00, 43600}, {"Sharp", 0x00, 0xFF, 43600},
      {"Denon", 0x02, 0xE1, 43600}, {"Denon", 0x1F, 0xFF, 43600}, {"Denon", 0x10, 0x01, 43600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address) + "/" +
                 std::to_string(c.command));
    const std::optional<Signal> press = EncodeProtocol(c.protocol, c.address, c.command, 300);
    ASSERT_TRUE(press);
    // Both halves of the pair read as the press's values.
    const std::vector<DecodedFrame> frames = DecodeSignal(*press);
    ASSERT_GE(frames.size(), 2u);
    for (const DecodedFrame& f : frames) {
      EXPECT_EQ(f.protocol, c.protocol);
      EXPECT_EQ(f.address, c.address);
      EXPECT_EQ(f.command, c.command);
    }
    EXPECT_EQ(Said(DistortSignal(*press, c.command)), Values(c.protocol, c.address, c.command));

    ExpectRecognised(DistortSignal(*press, 4), c.protocol);
    // A tap of either family: its frame, again and again 43.6 ms apart.
    const Signal tap = ExpectRecognised(FirstFrame(DistortSignal(*press, 4)), "Sharp tap", 300);
    EXPECT_GE(tap.frames.size(), 3u);
    ExpectGaps(tap, c.gap);
  }
}

TEST(SharpDenon, OutOfRangeValuesAreRefused) {
  EXPECT_FALSE(EncodeProtocol("Sharp", 0x20, 0));
  EXPECT_FALSE(EncodeProtocol("Denon", 0, 0x100));
}

// Recorded Sharp TVs mostly leave 42 to 48 ms between frames, like Denon:
// the Denon style takes them, and the record sends the Sharp frame bits
// it learned, so it still says Sharp.
TEST(SharpDenon, RecordedRemotesAreReadAndSentBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* name;
    const char* says;
    const char* style;
  } keys[] = {
      {"TVs/Sharp/Sharp_TV2.ir", "Power", "Sharp 1/22", "Denon"},
      {"TVs/Sharp/Sharp_13VT-L100.ir", "Power", "Sharp 1/22", "Denon"},
      {"Audio_and_Video_Receivers/Denon/Denon_AVR_Receiver.ir", "Power", "Denon 2/225", "Denon"},
      {"Audio_and_Video_Receivers/Denon/Denon_DRA_365R.ir", "Play", "Denon 4/92", "Denon"},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(std::string(k.file) + " " + k.name);
    for (const Signal& recorded : CorpusSignals(k.file, k.name)) {
      EXPECT_EQ(Said(recorded), k.says);
      ExpectRecognised(recorded, k.style);
      ExpectRecognised(FirstFrame(recorded), "Sharp tap", 300);
    }
  }
}

TEST(SharpDenon, OtherShapesAreRefused) {
  const Signal sharp = *EncodeProtocol("Sharp", 0x01, 0xC5, 10);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(sharp, [](auto& d) { DropBit(d, 0); })},
      {"a bit long", EveryFrame(sharp, [](auto& d) { RepeatBit(d, 0); })},
      // Mitsubishi's 16 bits must not pass for 15 and a stop mark.
      {"Mitsubishi", *EncodeProtocol("Mitsubishi", 0x47, 0x8B, 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ReadAs(c.signal, "Sharp"));
    EXPECT_FALSE(ReadAs(c.signal, "Denon"));
    for (const Signal& s : {c.signal, FirstFrame(c.signal)}) {
      const std::string style = RecogniseSignal(s).style;
      EXPECT_EQ(style.rfind("Sharp", 0), std::string::npos) << style;
      EXPECT_EQ(style.rfind("Denon", 0), std::string::npos) << style;
    }
  }
  // The frame bits decide the family: a Sharp frame with Denon's bits is Denon.
  Signal relabelled = FirstFrame(sharp);
  std::vector<uint32_t>& d = relabelled.frames[0].durations;
  d[27] = 680;  // frame bit 1 (bit 13) cleared: 0,0
  EXPECT_EQ(Said(relabelled), "Denon 1/197");
}

}  // namespace
}  // namespace tvq31

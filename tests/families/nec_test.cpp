// NEC, NECext, NEC42 and NEC48: encoder and decoder, the held, tap and
// full-repeat styles, real recordings of the corpus.
#include <gtest/gtest.h>

#include "family_rig.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Nec, EncodedPressesDecodeToTheirValues) {
  const struct {
    const char* protocol;
    uint32_t address, command;
    const char* decoded;  // NECext of inverse pairs is NEC
  } cases[] = {
      {"NEC", 0x04, 0x08, "NEC"},          {"NEC", 0x00, 0xFF, "NEC"},
      {"NECext", 0x7B80, 0xEC13, "NECext"}, {"NECext", 0xFB04, 0xF708, "NEC"},
      {"NEC42", 0x1ABC, 0x4D, "NEC42"},    {"NEC48", 0x7B80, 0x1234, "NEC48"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address));
    const Signal s = *EncodeProtocol(c.protocol, c.address, c.command);
    const uint32_t address = std::string(c.decoded) == "NEC" ? c.address & 0xFF : c.address;
    const uint32_t command = std::string(c.decoded) == "NEC" ? c.command & 0xFF : c.command;
    EXPECT_EQ(Said(s), Values(c.decoded, address, command));
    EXPECT_EQ(Said(DistortSignal(s, 7)), Values(c.decoded, address, command));
    // The press is the frame and repeat codes, every one read.
    const std::vector<DecodedFrame> frames = DecodeSignal(s);
    ASSERT_GT(frames.size(), 2u);
    EXPECT_FALSE(frames[0].repeat);
    EXPECT_TRUE(frames[1].repeat);
    EXPECT_EQ(frames[1].protocol, "NEC");
  }
}

TEST(Nec, HeldAndTappedPressesComeBack) {
  const struct {
    const char* protocol;
    uint32_t address, command;
    const char* held;
    const char* tap;
  } cases[] = {
      {"NEC", 0x04, 0x08, "NEC", "NEC tap"},
      {"NECext", 0x7B80, 0xEC13, "NEC", "NEC tap"},
      {"NEC42", 0x1ABC, 0x4D, "NEC42", "NEC42 tap"},
      {"NEC48", 0x7B80, 0x1234, "NEC48", "NEC48 tap"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    const Signal s = DistortSignal(*EncodeProtocol(c.protocol, c.address, c.command, 500), 3);
    ExpectRecognised(s, c.held);
    // A tap: the record sends the frame, then repeat codes every 108 ms.
    const Signal back = ExpectRecognised(FirstFrame(s), c.tap, 500);
    ASSERT_GE(back.frames.size(), 4u);
    for (size_t f = 1; f + 1 < back.frames.size(); ++f) {
      EXPECT_EQ(back.frames[f].durations.size(), 3u);
      uint64_t period = back.frames[f].gap;
      for (uint32_t d : back.frames[f].durations) period += d;
      EXPECT_NEAR(static_cast<double>(period), 108000.0, 2000.0) << "frame " << f;
    }
  }
}

TEST(Nec, FullFrameRepeatsKeepTheirSecondCode) {
  // Remotes that repeat the whole frame, some with a flag set in the
  // repeats: the record sends the first frame, then the repeated one.
  Signal press;
  press.carrier_hz = 38000;
  const Signal a = *EncodeProtocol("NECext", 0xEAC7, 0x17E8, 0);
  const Signal b = *EncodeProtocol("NECext", 0xEAC7, 0x9768, 0);
  for (const Signal* s : {&a, &b, &b, &b}) {
    SignalFrame f = s->frames[0];
    uint64_t length = 0;
    for (uint32_t d : f.durations) length += d;
    f.gap = static_cast<uint32_t>(108000 - length);
    press.frames.push_back(f);
  }
  const Signal back = ExpectRecognised(DistortSignal(press, 2), "NEC full");
  EXPECT_EQ(Said(back), Values("NECext", 0xEAC7, 0x17E8) + ", " + Values("NECext", 0xEAC7, 0x9768));
}

TEST(Nec, AiwaPressesComeBackWithTheirLongRepeatCode) {
  // NEC42's frame, then the whole leader and a stop mark as repeat code.
  const Signal s = DistortSignal(*EncodeProtocol("Aiwa", 0x1ABC, 0x4D, 500), 4);
  const std::vector<DecodedFrame> frames = DecodeSignal(s);
  ASSERT_GE(frames.size(), 3u);
  EXPECT_TRUE(frames[1].repeat);
  const Signal back = ExpectRecognised(s, "Aiwa");
  ASSERT_GE(back.frames.size(), 3u);
  EXPECT_EQ(back.frames[1].durations.size(), 3u);
  EXPECT_NEAR(back.frames[1].durations[1], 4400, 100);
  // NEC42's held style takes no Aiwa press: its repeat code differs.
  EXPECT_NE(RecogniseSignal(s).style, "NEC42");
  ExpectRecognised(FirstFrame(s), "NEC42 tap", 500);
}

TEST(Nec, RecordedRemotesAreReadAndComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* key;
    const char* said;
  } cases[] = {
      {"Audio_and_Video_Receivers/Yamaha/Yamaha_RX-V795RDS.ir", "Power_on", "NEC 122/29"},
      {"DVD_Players/Toshiba/TOSHIBA_SE_R0420.ir", "POWER", "NECext 46405/16320"},
      {"CD_Players/Yamaha/YAMAHA_CDC600.ir", "0", "NEC 121/16"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.key);
    for (const Signal& recorded : CorpusSignals(c.file, c.key)) {
      EXPECT_EQ(Said(recorded), c.said);
      if (recorded.frames.size() > 1) ExpectRecognised(recorded, "NEC");
      ExpectRecognised(FirstFrame(recorded), "NEC tap", 300);
    }
  }
}

TEST(Nec, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("NEC", 0x04, 0x08, 300);
  const size_t stop = good.frames[0].durations.size() - 1;
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a bit short", EveryFrame(good, [&](auto& d) { if (d.size() > stop) DropBit(d, stop - 2); })},
      {"a bit long", EveryFrame(good, [&](auto& d) { if (d.size() > stop) RepeatBit(d, stop - 2); })},
      {"half leader", EveryFrame(good, [](auto& d) { d[0] /= 2; })},
      {"Samsung leader", EveryFrame(good, [](auto& d) { d[0] = 4500; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Says(FirstFrame(c.signal))[0].protocol.rfind("NEC", 0) == 0);
    EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "NEC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "NEC");
  }
  // An NEC frame whose command is not followed by its inverse is NECext.
  EXPECT_EQ(Said(*EncodeProtocol("NECext", 0xFB04, 0x0808)), Values("NECext", 0xFB04, 0x0808));
}

TEST(Nec, PioneerFramesAreNotNec) {
  // The same frame shape: NEC's period is 108 ms, Pioneer's about 90; a
  // frame without a next one goes by its leader space (4.5 against 4.25).
  for (uint64_t seed = 1; seed <= 10; ++seed) {
    const Signal pioneer = DistortSignal(*EncodeProtocol("Pioneer", 0xA5, 0x40 + seed, 300), seed);
    const Signal nec = DistortSignal(*EncodeProtocol("NEC", 0xA5, 0x40 + seed, 300), seed);
    EXPECT_EQ(Said(pioneer), Values("Pioneer", 0xA5, 0x40 + seed));
    EXPECT_EQ(Said(nec), Values("NEC", 0xA5, 0x40 + seed));
    EXPECT_EQ(Said(FirstFrame(pioneer)), Values("Pioneer", 0xA5, 0x40 + seed));
    EXPECT_EQ(Said(FirstFrame(nec)), Values("NEC", 0xA5, 0x40 + seed));
  }
}

}  // namespace
}  // namespace tvq31

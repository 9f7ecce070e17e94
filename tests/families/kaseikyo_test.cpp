// Kaseikyo (Panasonic and the other vendors of the 48-bit code, SharpDVD)
// and old Panasonic: encoder and decoder, held and tap styles, real
// recordings of the corpus.
#include <gtest/gtest.h>

#include "family_rig.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Kaseikyo, EncodedPressesDecodeToTheirValues) {
  const struct {
    const char* protocol;
    uint32_t address, command;
  } cases[] = {
      {"Kaseikyo", 0x00200280, 0x320},  // Panasonic TV
      {"Kaseikyo", 0x03325400, 0x3FF},  // Denon-K's vendor, id 3
      {"SharpDVD", 0x128, 0x116},       {"SharpDVD", 0xFFF, 0x000},
      {"Kaseikyo48", 0x010103, 0x2A1234},  // JVC-48's vendor: no Panasonic parity
      {"PanasonicOld", 0x1F, 0x2A},     {"PanasonicOld", 0x00, 0x3F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address));
    const Signal s = *EncodeProtocol(c.protocol, c.address, c.command, 300);
    EXPECT_EQ(Said(s), Values(c.protocol, c.address, c.command));
    EXPECT_EQ(Said(DistortSignal(s, 3)), Values(c.protocol, c.address, c.command));
  }
  EXPECT_FALSE(EncodeProtocol("SharpDVD", 0x1000, 0));
  EXPECT_FALSE(EncodeProtocol("PanasonicOld", 0x20, 0));
}

TEST(Kaseikyo, HeldAndTappedPressesComeBack) {
  const struct {
    const char* protocol;
    uint32_t address, command;
    const char* held;
    const char* tap;
    uint32_t tap_gap_us;  // between the frames the tap's record sends
  } cases[] = {
      {"Kaseikyo", 0x00200280, 0x320, "Kaseikyo", "Kaseikyo tap", 74700},
      // Its one spaces shortened by the receiver leave Kaseikyo's window:
      // the SharpDVD style takes the single frame too and sends its timing.
      {"SharpDVD", 0x128, 0x116, "Kaseikyo SharpDVD", "Kaseikyo SharpDVD", 19200},
      {"PanasonicOld", 0x1F, 0x2A, "PanasonicOld", "PanasonicOld tap", 36700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    const Signal s = DistortSignal(*EncodeProtocol(c.protocol, c.address, c.command, 500), 2);
    ExpectRecognised(s, c.held);
    const Signal back = ExpectRecognised(FirstFrame(s), c.tap, 500);
    EXPECT_GE(back.frames.size(), 3u);
    ExpectGaps(back, c.tap_gap_us);
  }
}

TEST(Kaseikyo, VendorsOfShorterGapsComeBack) {
  // Fujitsu leaves 47.5 ms after each frame; Teac-K sends its frame once,
  // then an 8 + 8 unit repeat code, 43.2 ms apart.
  const Signal one = *EncodeProtocol("Kaseikyo48", 0x016314, 0x7F1020, 0);
  Signal fujitsu = one, teac = one;
  fujitsu.frames.assign(4, one.frames[0]);
  for (SignalFrame& f : fujitsu.frames) f.gap = 47500;
  SignalFrame repeat;
  repeat.durations = {3456, 3456, 432};
  repeat.gap = 43200;
  teac.frames = {one.frames[0], repeat, repeat, repeat};
  teac.frames[0].gap = 43200;
  ExpectRecognised(DistortSignal(fujitsu, 1), "Kaseikyo short gap");
  const Signal back = ExpectRecognised(DistortSignal(teac, 1), "Kaseikyo Teac");
  EXPECT_EQ(Said(back), Values("Kaseikyo48", 0x016314, 0x7F1020));
  ASSERT_GE(back.frames.size(), 3u);
  EXPECT_TRUE(DecodeSignal(back)[1].repeat);
}

TEST(Kaseikyo, RecordedRemotesAreReadAndComeBack) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  const struct {
    const char* file;
    const char* key;
    const char* said;
    const char* style;
  } cases[] = {
      {"TVs/Panasonic/Panasonic_58JX800_Series.ir", "Mute", "Kaseikyo 2097792/800",
       "Kaseikyo tap"},
      {"TVs/Panasonic/Panasonic_N2QAYB000352.ir", "Up", "Kaseikyo 18875008/160", "Kaseikyo"},
      {"TVs/Sharp/Sharp_Aquos_JP.ir", "Power", "SharpDVD 296/278", "Kaseikyo tap"},
      {"Blu-Ray/Sharp/Sharp_BDHP20.ir", "Eject", "SharpDVD 776/322", "Kaseikyo SharpDVD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.key);
    for (const Signal& s : CorpusSignals(c.file, c.key)) {
      EXPECT_EQ(Said(s), c.said);
      ExpectRecognised(s, c.style, 300);
      ExpectRecognised(FirstFrame(s), "Kaseikyo tap", 300);
    }
  }
}

TEST(Kaseikyo, OtherShapesAreRefused) {
  const Signal good = DistortSignal(*EncodeProtocol("Kaseikyo", 0x00200280, 0x320, 300), 1);
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"47 bits", EveryFrame(good, [](auto& d) { DropBit(d, 30); })},
      {"49 bits", EveryFrame(good, [](auto& d) { RepeatBit(d, 30); })},
      {"Samsung leader", EveryFrame(good, [](auto& d) { d[0] = 4500, d[1] = 4500; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* protocol : {"Kaseikyo", "SharpDVD", "Kaseikyo48"}) {
      EXPECT_FALSE(ReadAs(c.signal, protocol)) << protocol;
    }
    EXPECT_NE(FamilyOfName(RecogniseSignal(c.signal).style), "Kaseikyo");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(c.signal)).style), "Kaseikyo");
  }
  // A damaged check byte leaves a frame of the vendor's own rules.
  const Signal bad_check = EveryFrame(good, [](auto& d) { d[93] = d[93] > 800 ? 430 : 1290; });
  EXPECT_EQ(Says(bad_check).at(0).protocol, "Kaseikyo48");
}

}  // namespace
}  // namespace tvq31

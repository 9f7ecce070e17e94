#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {
namespace {

TEST(SignalFromDurations, SplitsAtLongSpacesAndSetsTheLastGap) {
  const struct {
    std::vector<uint32_t> in;
    std::vector<SignalFrame> frames;
  } cases[] = {
      // Ends on a mark, one frame: the default end gap.
      {{500, 600, 700}, {{{500, 600, 700}, kDefaultEndGapUs}}},
      // Ends on a space: that space is the gap.
      {{500, 600, 700, 800}, {{{500, 600, 700}, 800}}},
      // A long space splits; the last frame copies the gap before it.
      {{500, 20000, 700}, {{{500}, 20000}, {{700}, 20000}}},
      // Exactly the split threshold stays inside the frame.
      {{500, kFrameSplitUs, 700}, {{{500, kFrameSplitUs, 700}, kDefaultEndGapUs}}},
      // Zero durations merge their neighbours; a leading space is dropped.
      {{0, 300, 500, 0, 100, 600}, {{{600}, 600}}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    const Signal s = SignalFromDurations(38000, c.in);
    EXPECT_EQ(s.frames, c.frames);
  }
}

constexpr const char* kIrFile =
    "\xEF\xBB\xBF"
    "Filetype: IR signals file\r\n"
    "Version: 1\r\n"
    "# \r\n"
    "name: Power\r\n"
    "type: parsed\r\n"
    "protocol: NEC \r\n"
    "address: 04 00 00 00\r\n"
    "command: 08 00 00 00\r\n"
    "# \n"
    "name: Vol_up\n"
    "type: raw\n"
    "frequency: 38000\n"
    "duty_cycle: 0.330000\n"
    "data: 9000 4500 560 40000 9000 2250 560\n"
    "#\n"
    "name: Broken\n"
    "type: parsed\n"
    "protocol: NEC\n"
    "address: 4 00 00 00\n"
    "command: 08 00 00 00\n"
    "#\n"
    "name: Unknown\n"
    "type: parsed\n"
    "protocol: NEC42ext\n"
    "address: 04 00 00 00\n"
    "command: 08 00 00 00\n"
    "#\n"
    "name: Half\n"
    "type: raw\n"
    "frequency: 38000\n";

TEST(ParseFlipperIr, ReadsEntriesAndKeepsBrokenOnesWithTheirLine) {
  std::string error;
  const auto entries = ParseFlipperIr(kIrFile, &error);
  ASSERT_TRUE(entries) << error;
  ASSERT_EQ(entries->size(), 5u);
  const IrEntry& power = (*entries)[0];
  EXPECT_EQ(power.name, "Power");
  EXPECT_EQ(power.line, 4);
  EXPECT_TRUE(power.parsed);
  EXPECT_EQ(power.protocol, "NEC");
  EXPECT_EQ(power.address, 0x04u);
  EXPECT_EQ(power.command, 0x08u);
  EXPECT_EQ(power.error, "");
  const auto power_signal = EntrySignal(power, 0);
  ASSERT_TRUE(power_signal);
  EXPECT_EQ(*power_signal, *EncodeProtocol("NEC", 4, 8, 0));

  const IrEntry& vol = (*entries)[1];
  EXPECT_FALSE(vol.parsed);
  EXPECT_EQ(vol.frequency, 38000u);
  EXPECT_DOUBLE_EQ(vol.duty_cycle, 0.33);
  const auto vol_signal = EntrySignal(vol);
  ASSERT_TRUE(vol_signal);
  EXPECT_EQ(vol_signal->carrier_hz, 38000u);
  EXPECT_EQ(vol_signal->frames,
            (std::vector<SignalFrame>{{{9000, 4500, 560}, 40000}, {{9000, 2250, 560}, 40000}}));

  std::string why;
  EXPECT_FALSE(EntrySignal((*entries)[2], 2000, &why));
  EXPECT_EQ(why, "line 19: bad address \"4 00 00 00\"");
  EXPECT_FALSE(EntrySignal((*entries)[3], 2000, &why));
  EXPECT_EQ(why, "line 22: unknown protocol \"NEC42ext\"");
  EXPECT_FALSE(EntrySignal((*entries)[4], 2000, &why));
  EXPECT_EQ(why, "line 28: raw entry \"Half\" needs frequency and data");
}

TEST(ParseFlipperIr, RejectsWhatIsNotAnIrFile) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "missing \"Filetype: IR signals file\""},
      {"name: x\n", "line 1: missing \"Filetype: IR signals file\""},
      {"Filetype: Flipper SubGhz Key File\n", "line 1: not an IR signals file: \"Flipper SubGhz Key File\""},
      {"Filetype: IR signals file\ngarbage\n", "line 2: expected \"key: value\""},
      {"Filetype: IR signals file\ntype: raw\n", "line 2: \"type\" before the first name"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseFlipperIr(c.text, &error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
  // Entry-level problems do not fail the file.
  const struct {
    const char* body;
    const char* error;
  } entry_cases[] = {
      {"type: parsed\nprotocol: NEC\naddress: 00\n", "line 2: parsed entry \"k\" needs protocol, address and command"},
      {"type: cooked\n", "line 3: unknown type \"cooked\""},
      {"type: raw\nfrequency: 38k\ndata: 1 2\n", "line 4: bad frequency \"38k\""},
      {"type: raw\nfrequency: 38000\ndata: 1 -2\n", "line 5: bad duration \"-2\""},
      {"type: raw\nfrequency: 38000\ndata: 99999999999\n", "line 5: bad duration \"99999999999\""},
      {"type: raw\nfrequency: 38000\nduty_cycle: 7\ndata: 1\n", "line 5: bad duty_cycle \"7\""},
      {"type: raw\nfrequency: 38000\ndata:\n", "line 2: raw entry \"k\" has no durations"},
      {"type: parsed\nprotocol: NEC\naddress: 00 00 00 00 00\ncommand: 00\n", "line 5: bad address \"00 00 00 00 00\""},
      {"protocol: NEC\n", "line 2: entry \"k\" has no type"},
  };
  for (const auto& c : entry_cases) {
    const std::string text = std::string("Filetype: IR signals file\nname: k\n") + c.body;
    const auto entries = ParseFlipperIr(text);
    ASSERT_TRUE(entries) << text;
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].error, c.error) << text;
  }
}

TEST(ParsePronto, OnceThenRepeatSequenceFillsTheHold) {
  // 0x6D: a carrier period of 109 x 0.241246 µs = 26.296 µs (38.03 kHz).
  const std::string code =
      "0000 006D 0002 0002 0156 00AB 0015 05E8 "  // once
      "0156 0055 0015 0E47";                       // repeat
  std::string error;
  const auto s = ParsePronto(code, 500, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->carrier_hz, 38029u);
  ASSERT_GE(s->frames.size(), 2u);
  EXPECT_EQ(s->frames[0].durations, (std::vector<uint32_t>{8993, 4497, 552}));
  EXPECT_EQ(s->frames[0].gap, 39759u);
  EXPECT_EQ(s->frames[1].durations, (std::vector<uint32_t>{8993, 2235, 552}));
  EXPECT_EQ(s->frames[1].gap, 96111u);
  // 500 ms: once (≈ 53 ms) + repeats starting at 53, 161, 269, 377, 485 ms.
  EXPECT_EQ(s->frames.size(), 6u);
  // No once sequence: the repeat sequence is sent at least once.
  const auto r = ParsePronto("0000 006D 0000 0002 0156 0055 0015 0E47", 0);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->frames.size(), 1u);
}

TEST(ParsePronto, RejectsMalformedCodes) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "Pronto code needs at least four words"},
      {"0000 006D 0001", "Pronto code needs at least four words"},
      {"0100 006D 0001 0000 0010 0010", "Pronto code of type 0100 is not a learned code (0000)"},
      {"0000 0000 0001 0000 0010 0010", "Pronto frequency word is zero"},
      {"0000 006D 0000 0000", "Pronto code has no burst pairs"},
      {"0000 006D 0002 0000 0010 0010", "Pronto code announces 8 words but has 6"},
      {"0000 006D FFFF FFFF 0010 0010", "Pronto code announces 262144 words but has 6"},
      {"0000 006D 0001 0000 0010 00G0", "Pronto word 6 \"00G0\" is not four hexadecimal digits"},
      {"0000 006D 0001 0000 0010 10000", "Pronto word 6 \"10000\" is not four hexadecimal digits"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParsePronto(c.text, 2000, &error)) << c.text;
    EXPECT_EQ(error, c.error);
  }
}

TEST(ParseMode2, PulsesAndSpacesBecomeFrames) {
  const std::string text =
      "space 16777215\n"   // the silence before the press
      "carrier 36000\n"
      "pulse 889\n"
      "pulse 889\n"        // merged
      "space 889\n"
      "# comment\n"
      "\n"
      "pulse 889\r\n"
      "space 50000\n"
      "pulse 2000\n"
      "timeout 125000\n";
  std::string error;
  const auto s = ParseMode2(text, &error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->carrier_hz, 36000u);
  EXPECT_EQ(s->frames,
            (std::vector<SignalFrame>{{{1778, 889, 889}, 50000}, {{2000}, 125000}}));
  const auto default_carrier = ParseMode2("pulse 100\n");
  ASSERT_TRUE(default_carrier);
  EXPECT_EQ(default_carrier->carrier_hz, 38000u);

  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "no pulse in the mode2 text"},
      {"space 100\n", "no pulse in the mode2 text"},
      {"pulse 100\nglow 5\n", "line 2: unknown line kind \"glow\""},
      {"pulse 100\nspace\n", "line 2: expected \"pulse N\", \"space N\" or \"carrier N\""},
      {"pulse 1e3\n", "line 1: bad number \"1e3\""},
      {"pulse 4294967296\n", "line 1: bad number \"4294967296\""},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_FALSE(ParseMode2(c.text, &why)) << c.text;
    EXPECT_EQ(why, c.error);
  }
}

TEST(GuessImportFormat, JudgesByContent) {
  EXPECT_EQ(GuessImportFormat(kIrFile), ImportFormat::kFlipper);
  EXPECT_EQ(GuessImportFormat("0000 006D 0000 0001\n 0156 0055"), ImportFormat::kPronto);
  EXPECT_EQ(GuessImportFormat("# mode2\nspace 100\npulse 5"), ImportFormat::kMode2);
  EXPECT_EQ(GuessImportFormat("0100 006D 0000 0001"), std::nullopt);
  EXPECT_EQ(GuessImportFormat("hello"), std::nullopt);
  EXPECT_EQ(GuessImportFormat(""), std::nullopt);
}

TEST(DistortSignal, RepeatableAndWithinTheReceiverBounds) {
  const Signal clean = *EncodeProtocol("NEC", 0x04, 0x08, 2000);
  const Signal a = DistortSignal(clean, 42);
  EXPECT_EQ(a, DistortSignal(clean, 42));
  EXPECT_NE(a, DistortSignal(clean, 43));
  ASSERT_EQ(a.frames.size(), clean.frames.size());
  EXPECT_EQ(a.carrier_hz, clean.carrier_hz);
  bool any_changed = false;
  for (size_t f = 0; f < clean.frames.size(); ++f) {
    const auto& in = clean.frames[f].durations;
    const auto& out = a.frames[f].durations;
    ASSERT_EQ(in.size(), out.size());
    for (size_t i = 0; i < in.size(); ++i) {
      const double d = in[i];
      if (i % 2 == 0) {
        EXPECT_GE(out[i], d * 0.95 - 1);
        EXPECT_LE(out[i], (d + 100) * 1.05 + 1);
      } else {
        EXPECT_GE(out[i], (d - 100) * 0.95 - 1);
        EXPECT_LE(out[i], d * 1.05 + 1);
      }
      any_changed |= out[i] != in[i];
    }
    EXPECT_GE(a.frames[f].gap, (clean.frames[f].gap - 100) * 0.95 - 1);
    EXPECT_LE(a.frames[f].gap, clean.frames[f].gap * 1.05 + 1);
  }
  EXPECT_TRUE(any_changed);
  // The exact figures for one seed: the evaluation's results must not
  // depend on the platform or the standard library.
  const Signal tiny{38000, {{{1000, 1000, 1000}, 20000}}};
  EXPECT_EQ(DistortSignal(tiny, 1), (Signal{38000, {{{1022, 975, 1069}, 19729}}}));
  // Short spaces never reach zero.
  const Signal shortest{38000, {{{1, 1, 1}, 1}}};
  for (uint64_t seed = 0; seed < 50; ++seed) {
    for (const SignalFrame& f : DistortSignal(shortest, seed).frames) {
      for (uint32_t d : f.durations) EXPECT_GE(d, 1u);
      EXPECT_GE(f.gap, 1u);
    }
  }
}

TEST(DescribeSignal, OneLinePerFrame) {
  const Signal s{38000, {{{9000, 4500, 560}, 40000}, {{9000}, 1}}};
  EXPECT_EQ(DescribeSignal(s),
            "carrier 38000 Hz, 2 frames, 63061 us\n"
            "frame 1: +9000 -4500 +560 gap 40000\n"
            "frame 2: +9000 gap 1\n");
}

}  // namespace
}  // namespace tvq31

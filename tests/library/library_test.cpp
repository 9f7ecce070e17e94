// The shipped code styles (QD01.csl beside the executables): a key press of
// each protocol, as a receiver measures it, must be recognised by the style
// of its family, and the key record must send the press back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ValidatePro/recognise.h"
#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "irtoolkit/irtoolkit.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

const std::string kLibrary = std::string(TVQ31_BIN_DIR) + "/QD01.csl";

RecognitionResult Recognise(const Signal& sent, uint64_t seed) {
  const ConvertedCapture conv = ConvertCaptureFull(WriteCapture(DistortSignal(sent, seed)));
  Recogniser recogniser;
  if (conv.text.empty()) return {};
  return recogniser.RecogniseCapture(std::string_view(conv.text).substr(conv.frames_start), 0x1A,
                                     kLibrary);
}

bool Near(uint32_t want, uint32_t got) {
  const double d = std::abs(static_cast<double>(want) - got);
  return d <= std::max(0.05 * want, 60.0);
}

// The first `frames` frames: same marks and spaces, each within max(5 %,
// 60 us), and the gaps between them within 10 %.
void ExpectSame(const Signal& want, const Signal& got, size_t frames) {
  ASSERT_GE(got.frames.size(), frames);
  ASSERT_GE(want.frames.size(), frames);
  for (size_t f = 0; f < frames; ++f) {
    const SignalFrame& a = want.frames[f];
    const SignalFrame& b = got.frames[f];
    ASSERT_EQ(a.durations.size(), b.durations.size()) << "frame " << f;
    for (size_t i = 0; i < a.durations.size(); ++i) {
      EXPECT_TRUE(Near(a.durations[i], b.durations[i]))
          << "frame " << f << " duration " << i << ": " << a.durations[i] << " sent back as "
          << b.durations[i];
    }
    if (f + 1 < frames) {
      EXPECT_NEAR(a.gap, b.gap, 0.1 * a.gap) << "gap after frame " << f;
    }
  }
}

struct Press {
  const char* protocol;
  uint32_t address;
  uint32_t command;
  const char* style;
};

// One press per protocol, with values that set high and low bits alike.
constexpr Press kPresses[] = {
    {"NEC", 0x04, 0x08, "NEC"},
    {"NECext", 0x7F04, 0x3C08, "NEC"},  // no inverse bytes: the same style
    {"NEC42", 0x1A5B, 0xC3, "NEC42"},
    {"Samsung32", 0x07, 0x02, "Samsung32"},
    {"SIRC", 0x01, 0x15, "SIRC"},
    {"SIRC15", 0x97, 0x2A, "SIRC15"},
    {"SIRC20", 0x10A5, 0x3F, "SIRC20"},
    {"RC5", 0x00, 0x0C, "RC5"},
    {"RC5", 0x1F, 0x3F, "RC5"},
    {"RC5X", 0x05, 0x4A, "RC5"},  // the second start bit is one more symbol
    {"RC6", 0x00, 0x0C, "RC6"},
    {"RC6", 0xA5, 0xFF, "RC6"},
    {"Kaseikyo", 0x00200290, 0x03D, "Kaseikyo"},
    {"Pioneer", 0xAA, 0x1C, "Pioneer"},
    {"JVC", 0x03, 0x17, "JVC"},
    {"Sharp", 0x01, 0xC5, "Sharp"},
    {"Denon", 0x02, 0xE1, "Denon"},
    {"Mitsubishi", 0x47, 0x8B, "Mitsubishi"},
};

TEST(CodeStyleLibrary, EveryProtocolIsRecognisedAndSentBack) {
  for (const Press& p : kPresses) {
    SCOPED_TRACE(std::string(p.protocol) + " " + std::to_string(p.address) + "/" +
                 std::to_string(p.command));
    std::optional<Signal> sent = EncodeProtocol(p.protocol, p.address, p.command);
    ASSERT_TRUE(sent);
    for (uint64_t seed : {1u, 2u, 3u}) {
      const RecognitionResult r = Recognise(*sent, seed);
      ASSERT_TRUE(r.error.empty()) << r.error;
      EXPECT_EQ(r.style, p.style) << "seed " << seed;
      std::string error;
      std::optional<Signal> back = TransmitKeyRecord(r.record, kDefaultHoldMs, &error);
      ASSERT_TRUE(back) << error;
      EXPECT_NEAR(back->carrier_hz, sent->carrier_hz, 0.02 * sent->carrier_hz);
      ExpectSame(*sent, *back, 3);
    }
  }
}

TEST(CodeStyleLibrary, NecKeyRecord) {
  // NEC address 04, command 08, held. Timing part: base unit 158 ticks (one
  // 38 kHz period), multiplier 21 (553 us), two patterns in a sequence of
  // two with the last repeating, the entry h108 ms for pattern 1; groups
  // u = 1 unit mark + 1 unit space, v = 1 + 3. Data part: the full frame
  // (leader 16 + 8 units, the four bytes 20 DF 10 EF packed eight bits a
  // field, low bit first, the stop mark) and the repeat code (leader 16 + 4
  // units, the stop as one "u").
  const RecognitionResult r = Recognise(*EncodeProtocol("NEC", 0x04, 0x08), 7);
  EXPECT_EQ(r.style, "NEC");
  EXPECT_EQ(r.record,
            "00011AC70A0016200013"                          // header
            "0E169D0114140000221005108001020502C08002C082"  // timing part
            "020E"                                          // frame offsets
            "07CF87472047DF471047EFC0"                      // full frame
            "03CF834000");                                  // repeat code
}

TEST(CodeStyleLibrary, RcaIsRecognisedFromASingleFrame) {
  // Held, its 8 ms gaps join every frame into one capture frame; one frame
  // alone is recognised.
  std::optional<Signal> tap = EncodeProtocol("RCA", 0x0F, 0x54, 10);
  ASSERT_TRUE(tap);
  ASSERT_EQ(tap->frames.size(), 1u);
  const RecognitionResult r = Recognise(*tap, 1);
  EXPECT_EQ(r.style, "RCA");
  std::optional<Signal> back = TransmitKeyRecord(r.record);
  ASSERT_TRUE(back);
  ExpectSame(*tap, *back, 1);
}

// A press with every frame changed the same way.
Signal Changed(Signal s, void (*change)(std::vector<uint32_t>&)) {
  for (SignalFrame& f : s.frames) change(f.durations);
  return s;
}

struct Broken {
  const char* protocol;
  uint32_t address;
  uint32_t command;
  const char* name;
  void (*change)(std::vector<uint32_t>&);
  const char* not_style;
};

// Drop the last bit (mark and space) before the stop mark / after the last.
void DropBitBeforeStop(std::vector<uint32_t>& d) {
  if (d.size() > 6 && d.size() % 2 == 1) d.erase(d.end() - 3, d.end() - 1);
}
void AddBitBeforeStop(std::vector<uint32_t>& d) {
  if (d.size() > 6 && d.size() % 2 == 1) d.insert(d.end() - 1, {d[d.size() - 3], d[d.size() - 2]});
}
void DropLastSircBit(std::vector<uint32_t>& d) {
  if (d.size() > 4) d.resize(d.size() - 2);
}
void AddSircBit(std::vector<uint32_t>& d) {
  d.push_back(600);
  d.push_back(600);
}
void ShortLeader(std::vector<uint32_t>& d) {
  if (d.size() > 2 && d[0] > 2000) d[0] = d[0] / 2;
}

const Broken kBroken[] = {
    {"NEC", 0x04, 0x08, "31 bits", DropBitBeforeStop, "NEC"},
    {"NEC", 0x04, 0x08, "33 bits", AddBitBeforeStop, "NEC"},
    {"NEC", 0x04, 0x08, "half leader", ShortLeader, "NEC"},
    {"Samsung32", 0x07, 0x02, "31 bits", DropBitBeforeStop, "Samsung32"},
    {"Kaseikyo", 0x00200290, 0x03D, "49 bits", AddBitBeforeStop, "Kaseikyo"},
    {"Pioneer", 0xAA, 0x1C, "31 bits", DropBitBeforeStop, "Pioneer"},
    {"SIRC", 0x01, 0x15, "13 bits", AddSircBit, "SIRC"},
    {"SIRC15", 0x97, 0x2A, "14 bits", DropLastSircBit, "SIRC15"},
    {"SIRC15", 0x97, 0x2A, "14 bits", DropLastSircBit, "SIRC"},
    {"SIRC20", 0x10A5, 0x3F, "19 bits", DropLastSircBit, "SIRC20"},
    {"RC6", 0xA5, 0xFF, "half leader", ShortLeader, "RC6"},
};

TEST(CodeStyleLibrary, BrokenFramesDoNotMatchTheWrongStyle) {
  for (const Broken& b : kBroken) {
    SCOPED_TRACE(std::string(b.protocol) + " " + b.name + ", not " + b.not_style);
    std::optional<Signal> sent = EncodeProtocol(b.protocol, b.address, b.command);
    ASSERT_TRUE(sent);
    const Signal broken = Changed(*sent, b.change);
    ASSERT_NE(broken, *sent);
    for (uint64_t seed : {1u, 2u}) {
      EXPECT_NE(Recognise(broken, seed).style, b.not_style) << "seed " << seed;
    }
  }
}

TEST(CodeStyleLibrary, PioneerAndNecLeadersStayApart) {
  // The Pioneer leader lies inside the NEC leader's window both ways; the
  // frame timing tells them apart.
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    EXPECT_EQ(Recognise(*EncodeProtocol("Pioneer", seed, 0x20 + seed), seed).style, "Pioneer");
    EXPECT_EQ(Recognise(*EncodeProtocol("NEC", seed, 0x20 + seed), seed).style, "NEC");
  }
}

TEST(CodeStyleLibrary, SharpAndDenonStayApart) {
  // Same shape; only the 40 and 45 ms gaps differ.
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    EXPECT_EQ(Recognise(*EncodeProtocol("Sharp", seed % 32, 0x40 + seed), seed).style, "Sharp");
    EXPECT_EQ(Recognise(*EncodeProtocol("Denon", seed % 32, 0x40 + seed), seed).style, "Denon");
  }
}

}  // namespace
}  // namespace tvq31

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <numeric>
#include <string>
#include <vector>

#include "irtoolkit/irtoolkit.h"

namespace tvq31 {
namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Durations of a pulse-distance frame: header, the bits as written (first
// sent first), a stop mark.
std::vector<uint32_t> DistanceFrame(std::vector<uint32_t> header, const std::string& bits,
                                    uint32_t mark, uint32_t space0, uint32_t space1) {
  std::vector<uint32_t> d = std::move(header);
  for (char b : bits) {
    if (b == ' ') continue;
    d.push_back(mark);
    d.push_back(b == '1' ? space1 : space0);
  }
  d.push_back(mark);
  return d;
}

struct DistanceCase {
  const char* protocol;
  uint32_t address;
  uint32_t command;
  uint32_t carrier;
  std::vector<uint32_t> header;
  const char* bits;  // as sent, from public protocol descriptions
  uint32_t mark, space0, space1;
};

TEST(EncodeProtocol, PulseDistanceFirstFrames) {
  const std::vector<DistanceCase> cases = {
      {"NEC", 0x04, 0x08, 38000, {9000, 4500},
       "00100000 11011111 00010000 11101111", 560, 560, 1690},
      {"NECext", 0x7B80, 0xEC13, 38000, {9000, 4500},
       "00000001 11011110 11001000 00110111", 560, 560, 1690},
      {"NEC42", 0x6E, 0x4D, 38000, {9000, 4500},
       "0111011000000 1000100111111 10110010 01001101", 560, 560, 1690},
      {"Samsung32", 0x07, 0x02, 38000, {4500, 4500},
       "11100000 11100000 01000000 10111111", 550, 550, 1650},
      {"Kaseikyo", 0x00200290, 0x3D0, 37000, {3456, 1728},
       "01000000 00000100 00001001 00000000 10111100 10110101", 432, 432, 1296},
      {"RCA", 0xF, 0x54, 56000, {4000, 4000}, "1111 00101010 0000 11010101", 500, 1000, 2000},
      {"Pioneer", 0xA3, 0x9E, 40000, {8528, 4264},
       "11000101 00111010 01111001 10000110", 533, 533, 1599},
      {"JVC", 0x03, 0x17, 38000, {8416, 4208}, "11000000 11101000", 526, 526, 1578},
      {"Sharp", 0x01, 0x02, 38000, {}, "10000 01000000 10", 320, 680, 1680},
      {"Denon", 0x02, 0x12, 38000, {}, "01000 01001000 00", 260, 780, 1820},
      {"Mitsubishi", 0x01, 0x80, 33000, {}, "10000000 00000001", 300, 900, 2100},
  };
  for (const DistanceCase& c : cases) {
    SCOPED_TRACE(c.protocol);
    std::string error;
    const auto signal = EncodeProtocol(c.protocol, c.address, c.command, 0, &error);
    ASSERT_TRUE(signal) << error;
    EXPECT_EQ(signal->carrier_hz, c.carrier);
    ASSERT_FALSE(signal->frames.empty());
    EXPECT_EQ(signal->frames[0].durations,
              DistanceFrame(c.header, c.bits, c.mark, c.space0, c.space1));
  }
}

TEST(EncodeProtocol, SircFramesArePulseWidthWithoutStopBit) {
  // Sony TV power (device 1, command 21): the classic 0xA90 code.
  const struct {
    const char* protocol;
    uint32_t address;
    const char* bits;
  } cases[] = {
      {"SIRC", 0x01, "1010100 10000"},
      {"SIRC15", 0x1A, "1010100 01011000"},
      {"SIRC20", 0x0A7A, "1010100 0101111001010"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    const auto signal = EncodeProtocol(c.protocol, c.address, 0x15, 0);
    ASSERT_TRUE(signal);
    EXPECT_EQ(signal->carrier_hz, 40000u);
    std::vector<uint32_t> expected = {2400};
    for (char b : std::string(c.bits)) {
      if (b == ' ') continue;
      expected.push_back(600);
      expected.push_back(b == '1' ? 1200 : 600);
    }
    EXPECT_EQ(signal->frames[0].durations, expected);
  }
}

TEST(EncodeProtocol, BiphaseFramesStartAndEndWithMarks) {
  // RC5 system 0, command 12: bits 1 1 0 00000 001100.
  const auto rc5 = EncodeProtocol("RC5", 0x00, 0x0C, 0);
  ASSERT_TRUE(rc5);
  EXPECT_EQ(rc5->carrier_hz, 36000u);
  EXPECT_EQ(rc5->frames[0].durations,
            (std::vector<uint32_t>{889, 889, 1778, 889, 889, 889, 889, 889, 889, 889, 889, 889,
                                   889, 889, 889, 889, 889, 1778, 889, 889, 1778, 889, 889}));

  // RC6 mode 0, address 4, command 12, toggle 0.
  const auto rc6 = EncodeProtocol("RC6", 0x04, 0x0C, 0);
  ASSERT_TRUE(rc6);
  EXPECT_EQ(rc6->frames[0].durations,
            (std::vector<uint32_t>{
                2666, 889, 444, 888, 444, 444, 444, 444, 444, 888, 888,          // leader to toggle
                444, 444, 444, 444, 444, 444, 444, 444, 444, 888, 888, 444, 444, 444,  // 0x04
                444, 444, 444, 444, 444, 444, 444, 888, 444, 444, 888, 444, 444, 444,  // 0x0C
            }));

  // RC5X: command bit 6 travels inverted in the second start bit, so
  // command 0x4C differs from RC5 command 0x0C only in the first symbols.
  const auto rc5x = EncodeProtocol("RC5X", 0x00, 0x4C, 0);
  ASSERT_TRUE(rc5x);
  EXPECT_NE(rc5x->frames[0].durations, rc5->frames[0].durations);
  const auto rc5x_low = EncodeProtocol("RC5X", 0x00, 0x0C, 0);
  ASSERT_TRUE(rc5x_low);
  EXPECT_EQ(rc5x_low->frames[0].durations, rc5->frames[0].durations);
  // Start bits 1, 0: the second half of the first and the first half of the
  // second make one double-length mark.
  EXPECT_EQ(rc5x->frames[0].durations[0], 1778u);
  EXPECT_EQ(rc5x->frames[0].durations[1], 889u);
}

uint64_t FrameStartAfter(const SignalFrame& f) {
  return std::accumulate(f.durations.begin(), f.durations.end(), uint64_t{0}) + f.gap;
}

TEST(EncodeProtocol, HoldTimeRepeatsAtTheFramePeriod) {
  const struct {
    const char* protocol;
    uint64_t period;    // start-to-start, 0: not checked
    size_t frames;      // for a 2 s hold
    size_t first_size;  // durations of the first frame
    size_t repeat_size;
  } cases[] = {
      {"NEC", 108000, 19, 67, 3},     {"NECext", 108000, 19, 67, 3},
      {"NEC42", 108000, 19, 87, 3},   {"Samsung32", 108000, 19, 67, 67},
      {"SIRC", 45000, 45, 25, 25},    {"SIRC20", 45000, 45, 41, 41},
      {"Kaseikyo", 130000, 16, 99, 99}, {"RC6", 107000, 19, 0, 0},
      {"RC5", 113778, 18, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    const auto signal = EncodeProtocol(c.protocol, 1, 2, 2000);
    ASSERT_TRUE(signal);
    EXPECT_EQ(signal->frames.size(), c.frames);
    for (size_t i = 0; i < signal->frames.size(); ++i) {
      EXPECT_EQ(FrameStartAfter(signal->frames[i]), c.period) << "frame " << i;
      EXPECT_EQ(signal->frames[i].durations.size() % 2, 1u) << "frame " << i << " ends on a mark";
    }
    if (c.first_size != 0) {
      EXPECT_EQ(signal->frames.front().durations.size(), c.first_size);
      EXPECT_EQ(signal->frames.back().durations.size(), c.repeat_size);
    }
  }
}

TEST(EncodeProtocol, RepeatUnits) {
  // NEC repeat code.
  auto nec = EncodeProtocol("NEC", 0x04, 0x08, 300);
  ASSERT_TRUE(nec);
  ASSERT_EQ(nec->frames.size(), 3u);
  EXPECT_EQ(nec->frames[1].durations, (std::vector<uint32_t>{9000, 2250, 560}));
  // JVC repeats without the header.
  auto jvc = EncodeProtocol("JVC", 0x03, 0x17, 200);
  ASSERT_TRUE(jvc);
  ASSERT_GE(jvc->frames.size(), 2u);
  EXPECT_EQ(jvc->frames[0].durations.size(), 35u);
  EXPECT_EQ(jvc->frames[1].durations.size(), 33u);
  EXPECT_EQ(jvc->frames[1].durations[0], 526u);
  // Sharp and Denon send every message twice, the second with the command
  // and frame bits inverted, and repeat the pair; even a zero hold gives both.
  for (const char* p : {"Sharp", "Denon"}) {
    SCOPED_TRACE(p);
    auto sig = EncodeProtocol(p, 0x01, 0x02, 0);
    ASSERT_TRUE(sig);
    ASSERT_EQ(sig->frames.size(), 2u);
    auto first = EncodeProtocol(p, 0x01, 0xFD, 0);
    ASSERT_TRUE(first);
    // Frame 2 of command 0x02 carries command 0xFD: same address and command
    // bits as frame 1 of command 0xFD, only the two frame bits differ.
    const auto& a = sig->frames[1].durations;
    const auto& b = first->frames[0].durations;
    ASSERT_EQ(a.size(), b.size());
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 26, b.begin()));
    EXPECT_NE(a, b);
    auto held = EncodeProtocol(p, 0x01, 0x02, 2000);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->frames.size() % 2, 0u);
    EXPECT_GT(held->frames.size(), 2u);
  }
}

TEST(EncodeProtocol, RejectsWhatDoesNotFit) {
  const struct {
    const char* protocol;
    uint32_t address, command, hold;
    const char* message_part;
  } cases[] = {
      {"NEC", 0x100, 0, 2000, "address 0x100 does not fit 8 bits"},
      {"NEC", 0, 0x100, 2000, "command"},
      {"RC5", 0x20, 0, 2000, "address"},
      {"RC5", 0, 0x40, 2000, "command"},
      {"SIRC", 0x20, 0, 2000, "address"},
      {"SIRC", 0, 0x80, 2000, "command"},
      {"Kaseikyo", 0x4000000, 0, 2000, "address"},
      {"RCA", 0x10, 0, 2000, "address"},
      {"NEC42ext", 0, 0, 2000, "unknown protocol"},
      {"", 0, 0, 2000, "unknown protocol"},
      {"NEC", 0, 0, kMaxHoldMs + 1, "hold time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    std::string error;
    EXPECT_FALSE(EncodeProtocol(c.protocol, c.address, c.command, c.hold, &error));
    EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
  }
  EXPECT_TRUE(EncodeProtocol("nec", 1, 2, 0));  // names are case-insensitive
  // Every registered name encodes, and no name is registered twice (a
  // second line would never be reached).
  const std::vector<std::string> names = SupportedProtocols();
  EXPECT_GE(names.size(), 17u);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_TRUE(EncodeProtocol(names[i], 0, 0)) << names[i];
    for (size_t j = i + 1; j < names.size(); ++j) {
      EXPECT_FALSE(EqualsNoCase(names[i], names[j])) << names[i] << " is registered twice";
    }
  }
}

}  // namespace
}  // namespace tvq31

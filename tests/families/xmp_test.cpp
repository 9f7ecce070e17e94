// XMP: encoder and decoder. No code style can describe it (16 nibble
// spaces, 4 symbol groups): presses go to the transfer library.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::EveryFrame;
using familytest::RecogniseSignal;
using familytest::Said;
using familytest::Values;

std::string XmpSays(uint32_t s, uint32_t oem, uint32_t d, uint32_t f) {
  return Values("XMP", (s << 16) | (oem << 8) | d, 0) + ", " + Values("XMP", s << 16, f);
}

// A receiver's usual error: marks longer, spaces shorter by the same.
Signal Received(Signal s, uint32_t by) {
  for (SignalFrame& f : s.frames) {
    for (size_t i = 0; i < f.durations.size(); ++i) {
      if (i % 2 == 0) {
        f.durations[i] += by;
      } else {
        f.durations[i] -= by;
      }
    }
  }
  return s;
}

TEST(Xmp, PressesDecodeToTheirValues) {
  struct Case {
    uint32_t s, oem, d, f;
  };
  // S low nibbles of 0 and 8 make the first frame look like a second one
  // too; the silence after it tells them apart.
  const Case cases[] = {
      {0x00, 0x44, 0x1A, 0x0A80}, {0x06, 0x44, 0x12, 0x1234}, {0x18, 0x44, 0x1A, 0xFFFF},
      {0xF5, 0x00, 0xFF, 0x0000}, {0x0F, 0x44, 0x1A, 0x0800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.s) + " " + std::to_string(c.f));
    std::optional<Signal> sent = EncodeProtocol("XMP", (c.s << 16) | (c.oem << 8) | c.d, c.f, 500);
    ASSERT_TRUE(sent);
    ASSERT_GE(sent->frames.size(), 4u);  // two pairs, the second with T = 8
    const std::string want = XmpSays(c.s, c.oem, c.d, c.f);
    EXPECT_EQ(Said(*sent), want);
    EXPECT_EQ(Said(Received(*sent, 100)), want);
  }
  EXPECT_FALSE(EncodeProtocol("XMP", 0x1000000, 0));
  EXPECT_FALSE(EncodeProtocol("XMP", 0, 0x10000));
}

TEST(Xmp, BrokenFramesAreRefused) {
  const Signal good = *EncodeProtocol("XMP", 0x00441A, 0x0A80, 300);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint32_t>&)> change;
  };
  const Case cases[] = {
      // One nibble one step higher: the nibble sum is no longer 0 mod 16.
      {"checksum", [](std::vector<uint32_t>& d) { d[9] += 136; }},
      {"a nibble less", [](std::vector<uint32_t>& d) { d.erase(d.begin() + 2, d.begin() + 4); }},
      {"a nibble more", [](std::vector<uint32_t>& d) { d.insert(d.begin() + 2, {210, 760}); }},
      {"nibble between steps", [](std::vector<uint32_t>& d) { d[5] += 68; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(EveryFrame(good, c.change))) {
      EXPECT_NE(f.protocol, "XMP");
    }
  }
}

TEST(Xmp, NoStyleTakesAPress) {
  for (uint32_t f : {0x0A80u, 0x1234u}) {
    const Signal sent = *EncodeProtocol("XMP", 0x00441A, f);
    EXPECT_EQ(RecogniseSignal(Received(sent, 80)).style, "");
  }
}

}  // namespace
}  // namespace tvq31

// RC-MM: encoder and decoder. No code style can describe it (its four
// symbol spaces lie closer than the recogniser's windows).
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::EveryFrame;
using familytest::RecogniseSignal;
using familytest::Said;
using familytest::Values;

TEST(Rcmm, PressesDecodeToTheirValues) {
  struct Case {
    const char* protocol;
    uint32_t address, command;
  };
  const Case cases[] = {
      {"RCMM12", 0x0, 0x00}, {"RCMM12", 0xF, 0xA5},       {"RCMM24", 0xFFFF, 0x3C},
      {"RCMM24", 0x1234, 0x00}, {"RCMM32", 0x123456, 0x78}, {"RCMM32", 0xFFFFFF, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address));
    std::optional<Signal> s = EncodeProtocol(c.protocol, c.address, c.command);
    ASSERT_TRUE(s);
    const std::string want = Values(c.protocol, c.address, c.command);
    EXPECT_EQ(Said(*s), want);
    // A receiver's longer marks and shorter spaces (the symbol is read
    // from mark + space) and a remote 5 % off.
    EXPECT_EQ(Said(EveryFrame(*s, [](std::vector<uint32_t>& d) {
                for (size_t i = 0; i < d.size(); ++i) d[i] = i % 2 == 0 ? d[i] + 90 : d[i] - 90;
              })),
              want);
    EXPECT_EQ(Said(EveryFrame(*s, [](std::vector<uint32_t>& d) {
                for (uint32_t& x : d) x = x * 105 / 100;
              })),
              want);
    // The recogniser has no style for it.
    EXPECT_EQ(RecogniseSignal(*s).style, "");
  }
  EXPECT_FALSE(EncodeProtocol("RCMM12", 0x10, 0));
  EXPECT_FALSE(EncodeProtocol("RCMM24", 0, 0x100));
}

TEST(Rcmm, FramesOfAnotherLengthOrHeaderAreRefused) {
  const Signal good = *EncodeProtocol("RCMM24", 0x1234, 0x56);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint32_t>&)> change;
  };
  const Case cases[] = {
      {"a symbol less", [](std::vector<uint32_t>& d) { d.erase(d.begin() + 2, d.begin() + 4); }},
      {"a symbol more", [](std::vector<uint32_t>& d) { d.insert(d.begin() + 2, {167, 278}); }},
      {"NEC-like header", [](std::vector<uint32_t>& d) { d[0] = 9000; d[1] = 4500; }},
      {"symbol between steps", [](std::vector<uint32_t>& d) { d[3] += 83; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const DecodedFrame& f : DecodeSignal(EveryFrame(good, c.change))) {
      EXPECT_EQ(f.protocol.rfind("RCMM", 0), std::string::npos) << f.protocol;
    }
  }
}

}  // namespace
}  // namespace tvq31

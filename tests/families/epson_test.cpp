// Epson: encoder and decoder, and how its presses meet NEC's styles.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Epson, FullFramesRepeatAndReadAsNec) {
  const struct {
    uint32_t address, command;
    const char* nec;  // what the registry (NEC first) says
  } cases[] = {
      {0x5583, 0x90, "NECext 21891/28560"},  // 0x6F90: the command and its inverse
      {0xFF00, 0x12, "NEC 0/18"},            // an address byte and its inverse
      {0x0000, 0xFF, "NECext 0/255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nec);
    const std::optional<Signal> press = EncodeProtocol("Epson", c.address, c.command, 0);
    ASSERT_TRUE(press);
    // Even a short press is the frame and two full copies, 108 ms apart.
    ASSERT_EQ(press->frames.size(), 3u);
    for (const std::string& r : ReadEach(DistortSignal(*press, c.command + 1), ir::DecodeEpson)) {
      EXPECT_EQ(r, Values("Epson", c.address, c.command));
    }
    EXPECT_EQ(Said(*press), c.nec);
    // The recogniser keeps it as NEC with full repeats; played back, the
    // record sends full frames again, every 108 ms.
    const Signal back = ExpectRecognised(DistortSignal(*EncodeProtocol("Epson", c.address,
                                                                       c.command, 400), 5),
                                         "NEC full");
    EXPECT_GE(back.frames.size(), 3u);
    for (const std::string& r : ReadEach(back, ir::DecodeEpson)) {
      EXPECT_EQ(r, Values("Epson", c.address, c.command));
    }
    for (size_t f = 0; f + 1 < back.frames.size(); ++f) {
      uint32_t period = back.frames[f].gap;
      for (uint32_t d : back.frames[f].durations) period += d;
      EXPECT_NEAR(period, 108000, 5400) << "frame " << f;
    }
  }
  EXPECT_FALSE(EncodeProtocol("Epson", 0x10000, 0));
  EXPECT_FALSE(EncodeProtocol("Epson", 0, 0x100));
}

TEST(Epson, OtherShapesAreRefused) {
  const Signal epson = *EncodeProtocol("Epson", 0x5583, 0x90, 0);
  const struct {
    const char* name;
    Signal signal;
    DecodeFrameFn decode;
  } cases[] = {
      {"Epson a bit short", EveryFrame(epson, [](auto& d) { DropBit(d, 2); }), ir::DecodeEpson},
      {"Epson a bit long", EveryFrame(epson, [](auto& d) { RepeatBit(d, 2); }), ir::DecodeEpson},
      {"Epson repeat-code leader", EveryFrame(epson, [](auto& d) { d[1] = 2250; }),
       ir::DecodeEpson},
      {"Epson command not inverted", EveryFrame(epson, [](auto& d) { d[51] = 560; }),
       ir::DecodeEpson},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& r : ReadEach(c.signal, c.decode)) EXPECT_EQ(r, "-");
  }
}

}  // namespace
}  // namespace tvq31

// Kelon: encoder and decoder, told apart from NEC48.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Kelon, StatesDecodeAndFramesOfNec48StayNec48) {
  for (uint32_t state : {0x0284u, 0x9201u, 0xE200u, 0x12345678u, 0u}) {
    SCOPED_TRACE(state);
    const std::optional<Signal> press = EncodeProtocol("Kelon", 0, state, 0);
    ASSERT_TRUE(press);
    ASSERT_EQ(press->frames.size(), 1u);  // the whole state, once
    EXPECT_EQ(Said(*press), Values("Kelon", 0, state));
    EXPECT_EQ(Said(DistortSignal(*press, state % 89 + 1)), Values("Kelon", 0, state));
    // One frame is the usual press: NEC48's tap style keeps it, and the
    // record sends the frame as it came (then NEC's repeat codes, which
    // carry no state).
    ExpectRecognised(DistortSignal(*press, 3), "NEC48 tap", 500);
    EXPECT_EQ(FamilyOfName("Kelon"), "NEC");
  }
  EXPECT_FALSE(EncodeProtocol("Kelon", 1, 0));
  // NEC48's 48 bits with Kelon's first bytes: the inverted command bytes
  // make it NEC48's frame.
  const Signal nec48 = *EncodeProtocol("NEC48", 0x0683, 0x1234, 0);
  EXPECT_EQ(Said(nec48), Values("NEC48", 0x0683, 0x1234));
  EXPECT_EQ(ReadEach(nec48, ir::DecodeKelon), std::vector<std::string>(nec48.frames.size(), "-"));
}

TEST(Kelon, OtherShapesAreRefused) {
  const Signal kelon = *EncodeProtocol("Kelon", 0, 0x92010000, 0);
  const struct {
    const char* name;
    Signal signal;
    DecodeFrameFn decode;
  } cases[] = {
      {"Kelon a bit short", EveryFrame(kelon, [](auto& d) { DropBit(d, 2); }), ir::DecodeKelon},
      {"Kelon a bit long", EveryFrame(kelon, [](auto& d) { RepeatBit(d, 2); }), ir::DecodeKelon},
      {"Kelon short leader", EveryFrame(kelon, [](auto& d) { d[0] = 4500; }), ir::DecodeKelon},
      {"Kelon other first bytes", EveryFrame(kelon, [](auto& d) { d[3] = 600; }),
       ir::DecodeKelon},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& r : ReadEach(c.signal, c.decode)) EXPECT_EQ(r, "-");
    EXPECT_FALSE(ReadAs(c.signal, "Kelon"));
  }
}

}  // namespace
}  // namespace tvq31

// Grundig16: encoder and decoder. No code style describes it (its symbols
// start with a space and have two or four durations), so a press is left to
// the transfer library: no style of another family may take it.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

TEST(Grundig16, PressesDecodeThroughTheReceiver) {
  const struct {
    const char* protocol;
    uint32_t address;
    uint32_t command;
  } cases[] = {
      {"Grundig16", 0x00, 0x00},    {"Grundig16", 0x7F, 0xFF}, {"Grundig16", 0x55, 0xAA},
      {"Grundig16", 0x01, 0x80},    {"Grundig16-30", 0x2A, 0x3C},
      {"Grundig16-30", 0x7F, 0x01},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address) + "/" +
                 std::to_string(c.command));
    const std::optional<Signal> press = EncodeProtocol(c.protocol, c.address, c.command, 300);
    ASSERT_TRUE(press);
    const std::string want = Values(c.protocol, c.address, c.command);
    EXPECT_EQ(Said(*press), want);
    for (uint64_t seed : {1u, 2u, 3u}) {
      const Signal received = DistortSignal(*press, seed * 31 + c.command);
      EXPECT_EQ(Said(received), want);
      for (const Signal& s : {received, FirstFrame(received)}) {
        EXPECT_EQ(FamilyOfName(RecogniseSignal(s).style), "");
      }
    }
    // Eight symbols of six units after a leader of 806 + 2960 + 1346 µs,
    // 57.8 ms of silence before the next frame.
    uint64_t frame_us = 0;
    for (uint32_t d : press->frames.front().durations) frame_us += d;
    EXPECT_EQ(frame_us, 806u + 2960 + 1346 + 8 * 6 * 578);
    EXPECT_EQ(press->frames.front().gap, 57800u);
  }
  EXPECT_FALSE(EncodeProtocol("Grundig16", 0x80, 0));
  EXPECT_FALSE(EncodeProtocol("Grundig16", 0, 0x100));
}

TEST(Grundig16, ToggleIsNotAValue) {
  // The first symbol holds the toggle (its high bit): symbol 2 for toggle 1
  // and bits 00, where the encoder sends symbol 0.
  const Signal press = *EncodeProtocol("Grundig16", 0x12, 0x34, 10);
  Signal toggled = press;
  std::vector<uint32_t>& d = toggled.frames.front().durations;
  ASSERT_EQ(d[3], 4u * 578);  // the first symbol is 0: -4, +2 units
  d.erase(d.begin() + 3, d.begin() + 5);
  d.insert(d.begin() + 3, {2 * 578, 578, 2 * 578, 578});
  EXPECT_EQ(Said(toggled), Said(press));
}

TEST(Grundig16, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("Grundig16", 0x55, 0xAA, 10);
  const struct {
    const char* name;
    std::function<void(std::vector<uint32_t>&)> change;
  } cases[] = {
      {"a symbol short", [](auto& d) { d.erase(d.end() - 4, d.end()); }},
      {"a symbol long", [](auto& d) { d.insert(d.end(), {1734, 578, 578, 578}); }},
      {"no leader", [](auto& d) { d.erase(d.begin(), d.begin() + 2); }},
      {"NEC's leader", [](auto& d) { d[0] = 9000; d[1] = 4500; }},
      {"a space of 5 units", [](auto& d) { d[3] = 5 * 578; }},
      {"a mark of 3 units", [](auto& d) { d[6] = 3 * 578; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Signal bad = EveryFrame(good, c.change);
    EXPECT_FALSE(ReadAs(bad, "Grundig16"));
    EXPECT_FALSE(ReadAs(bad, "Grundig16-30"));
  }
}

}  // namespace
}  // namespace tvq31

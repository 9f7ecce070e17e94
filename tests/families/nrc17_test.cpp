// NRC17 and NRC16: encoder and decoder, the styles, and how they stay apart
// from Blaupunkt (the same frame shape on a 512 µs unit with ten bits). The
// corpus holds no recordings of them.
#include <gtest/gtest.h>

#include "irtoolkit/encoding.h"
#include "press_checks.h"

namespace tvq31 {
namespace {

using namespace familytest;

uint32_t FrameLength(const SignalFrame& f) {
  uint32_t total = 0;
  for (uint32_t d : f.durations) total += d;
  return total;
}

std::vector<std::string> Frames(const Signal& s) { return ReadEach(s, ir::DecodeNrc17); }

struct Case {
  const char* protocol;
  uint32_t address, command;
  uint32_t start_period, data_period;  // µs, from frame to frame
};

TEST(Nrc17, PressesDecodeAndComeBack) {
  const Case cases[] = {
      {"NRC17", 0x12, 0x0C, 34000, 130000}, {"NRC17", 255, 253, 34000, 130000},
      {"NRC17", 0, 0, 34000, 130000}, {"NRC17", 0xA5, 0x5A, 34000, 130000},
      {"NRC17", 255, 0, 34000, 130000},    {"NRC16", 0, 0, 34000, 129000},
      {"NRC16", 127, 1, 34000, 129000},    {"NRC16", 0x2A, 0xC3, 34000, 129000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.address) + "/" +
                 std::to_string(c.command));
    const std::optional<Signal> press = EncodeProtocol(c.protocol, c.address, c.command, 500);
    ASSERT_TRUE(press);
    const std::string data = Values(c.protocol, c.address, c.command);
    const std::string frame_free = std::string(c.protocol) + " 0/0";
    const std::vector<std::string> frames = Frames(*press);
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames.front(), frame_free);
    EXPECT_EQ(frames.back(), frame_free);
    for (size_t i = 1; i + 1 < frames.size(); ++i) EXPECT_EQ(frames[i], data);
    EXPECT_EQ(Said(*press), data);
    EXPECT_EQ(FrameLength(press->frames[0]) + press->frames[0].gap, c.start_period);
    EXPECT_EQ(FrameLength(press->frames[1]) + press->frames[1].gap, c.data_period);

    EXPECT_EQ(Said(DistortSignal(*press, c.command + 7)), data);
    const Signal back = ExpectRecognised(DistortSignal(*press, c.command + 3), c.protocol);
    ASSERT_GE(back.frames.size(), 3u);
    EXPECT_EQ(Frames(back).front(), frame_free);
    EXPECT_EQ(Frames(back).back(), frame_free);  // the end frame on release
    // A short press: start, one data frame, end.
    Signal tap = *press;
    tap.frames = {press->frames[0], press->frames[1], press->frames.back()};
    const Signal tap_back = ExpectRecognised(DistortSignal(tap, 5), c.protocol);
    EXPECT_EQ(Said(tap_back), data);
  }
  EXPECT_FALSE(EncodeProtocol("NRC17", 256, 0));
  EXPECT_FALSE(EncodeProtocol("NRC17", 0, 256));
  EXPECT_FALSE(EncodeProtocol("NRC16", 128, 0));
}

// One symbol off, and the neighbours of the same shape: neither the decoder
// nor the style takes them as NRC17 / NRC16, and Blaupunkt's presses (512 µs,
// ten bits, periods within 10 % of NRC17's) stay Blaupunkt.
TEST(Nrc17, OtherShapesAreRefused) {
  const Signal good = *EncodeProtocol("NRC17", 0xA5, 0x5A, 500);
  auto data_frames = [&](const std::function<void(std::vector<uint32_t>&)>& change) {
    Signal s = good;
    for (size_t f = 1; f + 1 < s.frames.size(); ++f) change(s.frames[f].durations);
    return s;
  };
  const struct {
    const char* name;
    Signal signal;
  } cases[] = {
      {"a half bit short", data_frames([](auto& d) { d[4] -= 500; })},
      {"a half bit long", data_frames([](auto& d) { d[4] += 500; })},
      {"a bit more", data_frames([](auto& d) { d.insert(d.end(), {500, 500}); })},
      {"a bit less", data_frames([](auto& d) { d.resize(d.size() - 2); })},
      {"leader space of four units", data_frames([](auto& d) { d[1] = 4 * 500; })},
      {"leader mark of two units", data_frames([](auto& d) { d[0] = 2 * 500; })},
      {"RC5's half bit", data_frames([](auto& d) {
         for (size_t i = 2; i < d.size(); ++i) d[i] = d[i] * 889 / 500;
       })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadEach(c.signal, ir::DecodeNrc17)[1].rfind("NRC17", 0), std::string::npos);
    const std::string style = RecogniseSignal(c.signal).style;
    EXPECT_NE(style, "NRC17");
  }

  const struct {
    const char *protocol, *other;
    uint32_t address, command;
  } neighbours[] = {{"Blaupunkt", "NRC17", 5, 0x2A},
                    {"NRC16", "NRC17", 0x2A, 0xC3},
                    {"NRC17", "NRC16", 0x12, 0x0C}};
  for (const auto& [protocol, other, address, command] : neighbours) {
    SCOPED_TRACE(std::string(protocol) + " against " + other);
    const Signal press = *EncodeProtocol(protocol, address, command, 500);
    EXPECT_EQ(RecogniseSignal(DistortSignal(press, 11)).style, protocol);
    for (const std::string& f : Frames(press)) EXPECT_EQ(f.rfind(other, 0), std::string::npos);
  }
  const Signal nrc17 = *EncodeProtocol("NRC17", 5, 0x2A, 500);
  for (const std::string& f : ReadEach(nrc17, ir::DecodeBlaupunkt)) EXPECT_EQ(f, "-");
}

}  // namespace
}  // namespace tvq31

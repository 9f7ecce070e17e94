// SIRC 12, 15 and 20 bits: encoder and decoder, held and tap styles, real
// recordings, and the SIRC20 press whose frames the receiver joins.
#include <gtest/gtest.h>

#include "press_checks.h"

namespace tvq31 {
namespace {

using familytest::ExpectRecognised;
using familytest::FirstFrame;
using familytest::PlayBack;
using familytest::RecogniseSignal;
using familytest::Said;
using familytest::Values;

struct Form {
  const char* protocol;
  uint32_t address, command;
};

constexpr Form kForms[] = {
    {"SIRC", 0x01, 0x15},   {"SIRC", 0x1F, 0x00},      {"SIRC15", 0x97, 0x2A},
    {"SIRC15", 0x00, 0x7F}, {"SIRC20", 0x10A5, 0x3F},  {"SIRC20", 0x0001, 0x01},
    {"SIRC8", 0, 0xA5},     {"SIRC8", 0, 0xFF},
};

TEST(Sirc, EveryFormRoundTripsThroughDecoderAndStyles) {
  for (const Form& f : kForms) {
    SCOPED_TRACE(std::string(f.protocol) + " " + std::to_string(f.address) + "/" +
                 std::to_string(f.command));
    std::optional<Signal> s = EncodeProtocol(f.protocol, f.address, f.command);
    ASSERT_TRUE(s);
    const std::string want = Values(f.protocol, f.address, f.command);
    EXPECT_EQ(Said(*s), want);
    for (uint64_t seed : {1u, 2u, 3u}) {
      const Signal received = DistortSignal(*s, seed);
      EXPECT_EQ(Said(received), want);
      ExpectRecognised(received, f.protocol);
    }
    // A tap: a style of the family takes it (a short 12-bit frame plus the
    // capture's 20 ms is within the held styles' 45 ms period), and the
    // record sends at least the one frame, the same values.
    const RecognitionResult t = RecogniseSignal(FirstFrame(DistortSignal(*s, 4)));
    EXPECT_EQ(FamilyOfName(t.style), "SIRC") << t.style;
    EXPECT_EQ(Said(PlayBack(t.record, 20)), want);
  }
}

TEST(Sirc, TapRecordsSendTheMinimumPressThenTheHeldPeriod) {
  // Frames that with the tap's 20 ms stay below 90 % of the held styles'
  // 45 ms period (12-bit frames of few ones, 20-bit frames of many) go to
  // the tap styles; the others are taken by the held styles, whose records
  // send the same frames every 45 ms.
  struct Case {
    Form form;
    const char* style;
  };
  const Case cases[] = {
      {{"SIRC", 0x00, 0x01}, "SIRC tap"},
      {{"SIRC20", 0x1FFF, 0x7E}, "SIRC20 tap"},
      {{"SIRC8", 0, 0xFF}, "SIRC8 tap"},
      {{"SIRC8", 0, 0x00}, "SIRC8 tap"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    const Signal sent = *EncodeProtocol(c.form.protocol, c.form.address, c.form.command);
    const RecognitionResult t = RecogniseSignal(FirstFrame(sent));
    ASSERT_EQ(t.style, c.style);
    // A short press: the three frames a Sony remote sends at the least.
    EXPECT_EQ(PlayBack(t.record, 20).frames.size(), 3u);
    // Held: after the second frame one every 45 ms.
    const Signal held = PlayBack(t.record, 1000);
    ASSERT_GE(held.frames.size(), 10u);
    for (size_t f = 1; f + 1 < held.frames.size(); ++f) {
      uint64_t length = held.frames[f].gap;
      for (uint32_t d : held.frames[f].durations) length += d;
      EXPECT_NEAR(length, 45000, 100) << "frame " << f;
    }
  }
}

TEST(Sirc, FramesOfAnotherLengthOrLeaderAreRefused) {
  const Signal good = *EncodeProtocol("SIRC", 0x01, 0x15);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint32_t>&)> change;
  };
  const Case cases[] = {
      {"11 bits", [](std::vector<uint32_t>& d) { d.resize(d.size() - 2); }},
      {"13 bits", [](std::vector<uint32_t>& d) { d.insert(d.end(), {600, 600}); }},
      {"RC6 leader", [](std::vector<uint32_t>& d) { d[0] = 2666; d[1] = 889; }},
      {"short leader", [](std::vector<uint32_t>& d) { d[0] = 1200; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Signal s = familytest::EveryFrame(good, c.change);
    for (const DecodedFrame& f : DecodeSignal(s)) EXPECT_NE(f.protocol.substr(0, 4), "SIRC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(s).style), "SIRC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(s)).style), "SIRC");
  }
}

// SIRC8 one bit short or long (7 or 9 bits) is no SIRC form: neither
// decoded nor learned as one.
TEST(Sirc, Sirc8FramesOfAnotherLengthAreRefused) {
  const Signal good = *EncodeProtocol("SIRC8", 0, 0x5A);
  const std::function<void(std::vector<uint32_t>&)> changes[] = {
      [](std::vector<uint32_t>& d) { d.resize(d.size() - 2); },
      [](std::vector<uint32_t>& d) { d.insert(d.end(), {600, 1200}); },
  };
  for (const auto& change : changes) {
    const Signal s = familytest::EveryFrame(good, change);
    for (const DecodedFrame& f : DecodeSignal(s)) EXPECT_NE(f.protocol.substr(0, 4), "SIRC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(s).style), "SIRC");
    EXPECT_NE(FamilyOfName(RecogniseSignal(FirstFrame(s)).style), "SIRC");
  }
  EXPECT_FALSE(EncodeProtocol("SIRC8", 1, 0));
  EXPECT_FALSE(EncodeProtocol("SIRC8", 0, 0x100));
}

TEST(Sirc, Sirc20FramesJoinedByTheReceiverAreStillRead) {
  // All ones: a 38.4 ms frame leaves 6.6 ms to the next 45 ms period, less
  // than a receiver's frame split, so the press is one long frame. The
  // decoder reads every frame in it; no style can (docs/codestyles.md).
  const Signal sent = *EncodeProtocol("SIRC20", 0x1FFF, 0x7F, 300);
  Signal joined;
  joined.carrier_hz = sent.carrier_hz;
  SignalFrame one;
  for (const SignalFrame& f : sent.frames) {
    if (!one.durations.empty()) one.durations.push_back(one.gap);
    one.durations.insert(one.durations.end(), f.durations.begin(), f.durations.end());
    one.gap = f.gap;
  }
  joined.frames = {one};
  const std::vector<DecodedFrame> frames = DecodeSignal(joined);
  EXPECT_EQ(frames.size(), sent.frames.size());
  EXPECT_EQ(Said(joined), Values("SIRC20", 0x1FFF, 0x7F));
}

TEST(Sirc, CorpusPressesAndTapsPlayBackAsTheRemote) {
  TVQ31_SKIP_WITHOUT_CORPUS();
  for (const char* name : {"Center", "Down"}) {
    SCOPED_TRACE(name);
    for (const Signal& held : familytest::CorpusSignals("TVs/Sony/Sony_RMT_TX200U.ir", name)) {
      const std::string said = Said(held);
      ASSERT_EQ(said.substr(0, 7), "SIRC 1/");
      ExpectRecognised(held, "SIRC");
      const RecognitionResult t = RecogniseSignal(FirstFrame(held));
      EXPECT_EQ(FamilyOfName(t.style), "SIRC");
      EXPECT_EQ(Said(PlayBack(t.record, 20)), said);
    }
  }
}

}  // namespace
}  // namespace tvq31

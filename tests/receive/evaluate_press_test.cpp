// Raw recordings in the evaluation: made into held presses, judged by what
// the decoders read in them, and played back decoding as the original.
#include <gtest/gtest.h>

#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"

namespace tvq31 {
namespace {

uint64_t StartOf(const Signal& s, size_t frame) {
  uint64_t t = 0;
  for (size_t i = 0; i < frame; ++i) {
    for (uint32_t d : s.frames[i].durations) t += d;
    t += s.frames[i].gap;
  }
  return t;
}

TEST(HeldPress, RepeatsWhatFollowedTheFirstFrame) {
  const SignalFrame a{{9000, 4500, 560}, 40000};
  const SignalFrame b{{9000, 2250, 560}, 96000};
  const SignalFrame c{{4000, 1000, 560}, 50000};
  struct Case {
    const char* what;
    Signal recording;
    std::optional<uint32_t> gap;
    std::vector<SignalFrame> cycle;  // what must follow the recording
    bool extended;
  };
  SignalFrame a_again = a;
  a_again.gap = 100000;
  const std::vector<Case> cases = {
      {"one repeat frame", {38000, {a, b}}, std::nullopt, {b}, true},
      {"two frames repeat in turn", {38000, {a, b, c}}, std::nullopt, {b, c}, true},
      {"one frame with its protocol's gap", {38000, {a}}, 100000u, {a_again}, true},
      {"one frame without a gap stays a tap", {38000, {a}}, std::nullopt, {}, false},
  };
  for (const Case& k : cases) {
    bool extended = !k.extended;
    const Signal held = HeldPress(k.recording, k.gap, 2000, &extended);
    EXPECT_EQ(extended, k.extended) << k.what;
    EXPECT_EQ(held.carrier_hz, k.recording.carrier_hz) << k.what;
    if (!k.extended) {
      EXPECT_EQ(held, k.recording) << k.what;
      continue;
    }
    ASSERT_GT(held.frames.size(), k.recording.frames.size()) << k.what;
    EXPECT_EQ(held.frames.front().durations, k.recording.frames.front().durations) << k.what;
    for (size_t i = 1; i < held.frames.size(); ++i) {
      const SignalFrame& want = k.cycle[(i - 1) % k.cycle.size()];
      EXPECT_EQ(held.frames[i], want) << k.what << ", frame " << i;
    }
    // Every frame starts within the hold, and one more would not.
    EXPECT_LT(StartOf(held, held.frames.size() - 1), 2000000u) << k.what;
    EXPECT_GE(StartOf(held, held.frames.size()), 2000000u) << k.what;
  }
  // A recording already longer than the hold is not cut.
  const Signal longer{38000, {a, b, b, b}};
  EXPECT_EQ(HeldPress(longer, std::nullopt, 100).frames.size(), 4u);
  EXPECT_EQ(HeldPress(Signal{}, 40000u).frames.size(), 0u);
}

// A recording of a NEC frame and one repeat code that ends on a mark: the
// reader gives the repeat code the frame's 40 ms gap, which the remote never
// left after a repeat code. Held, the repeat codes must follow each other at
// the protocol's period instead.
TEST(HeldPress, UnrecordedLastGapIsTheProtocolsRepeatGap) {
  const SignalFrame frame{{9000, 4500, 560, 560, 560, 1690, 560}, 40000};
  const SignalFrame ditto{{9000, 2250, 560}, 40000};
  const Signal recording{38000, {frame, ditto}};
  const Signal held = HeldPress(recording, std::nullopt, 2000, nullptr, 96190u);
  ASSERT_GT(held.frames.size(), 3u);
  EXPECT_EQ(held.frames[0].gap, 40000u);
  for (size_t i = 1; i < held.frames.size(); ++i) EXPECT_EQ(held.frames[i].gap, 96190u) << i;

  // A gap that may be the remote's own (frames of one kind) is kept.
  const Signal same{38000, {frame, frame}};
  EXPECT_EQ(HeldPress(same, std::nullopt, 2000, nullptr, 96190u).frames[1].gap, 40000u);

  // Without a gap to stand in, the copy stays.
  EXPECT_EQ(HeldPress(recording, std::nullopt, 2000).frames[1].gap, 40000u);
}

TEST(DocumentedRepeatGap, TheEncodersGapAfterItsRepeatUnit) {
  const std::optional<Signal> nec = EncodeProtocol("NEC", 0x04, 0x08, 400);
  ASSERT_TRUE(nec && nec->frames.size() >= 3);
  EXPECT_EQ(DocumentedRepeatGap(DecodedFrame{"NEC", 0x04, 0x08}), nec->frames[1].gap);
  EXPECT_FALSE(DocumentedRepeatGap(DecodedFrame{"NoSuchProtocol", 1, 2}));
}

TEST(DocumentedGap, TheEncodersGapAfterTheFirstFrame) {
  const std::optional<Signal> nec = EncodeProtocol("NEC", 0x04, 0x08, 200);
  ASSERT_TRUE(nec && nec->frames.size() >= 2);
  DecodedFrame v{"nec", 0x04, 0x08};
  EXPECT_EQ(DocumentedGap(v), nec->frames.front().gap);
  v.repeat = true;
  EXPECT_FALSE(DocumentedGap(v));  // a ditto says nothing about its press
  EXPECT_FALSE(DocumentedGap(DecodedFrame{"NoSuchProtocol", 1, 2}));
  EXPECT_FALSE(DocumentedGap(DecodedFrame{"NEC", 0x1FFFFFFFFull, 2}));
  EXPECT_FALSE(DocumentedGap(DecodedFrame{}));
}

TEST(JudgedFamily, FirstValueDecides) {
  const DecodedFrame nec{"NECext", 1, 2};
  const DecodedFrame none{};
  EXPECT_EQ(JudgedFamily({nec, none}), "NEC");
  EXPECT_EQ(JudgedFamily({none}), "unknown");
  EXPECT_EQ(JudgedFamily({}), "unknown");
  EXPECT_TRUE(FullyDecoded({nec}));
  EXPECT_FALSE(FullyDecoded({nec, none}));
  EXPECT_FALSE(FullyDecoded({}));
  EXPECT_EQ(DescribeValues({nec, none}), "NECext 0x1/0x2, an unread frame");
}

// Stand-ins for the family decoders, so that these tests do not depend on
// which decoders are registered: NEC frames by their leader, with values
// read from the spaces, or the ditto.
DecodedFrame ReadNec(const SignalFrame& f) {
  const std::vector<uint32_t>& d = f.durations;
  DecodedFrame out;
  if (d.size() == 3 && d[0] > 8000 && d[1] < 3000) {
    out.protocol = "NEC";
    out.repeat = true;
  } else if (d.size() == 67 && d[0] > 8000 && d[1] > 3500) {
    uint32_t bits = 0;
    for (int b = 0; b < 32; ++b) {
      if (d[3 + 2 * b] > 1100) bits |= 1u << b;
    }
    out.protocol = "NEC";
    out.address = bits & 0xFF;
    out.command = (bits >> 16) & 0xFF;
  }
  return out;
}

std::vector<DecodedFrame> FakeNec(const Signal& s) {
  std::vector<DecodedFrame> frames;
  for (const SignalFrame& f : s.frames) frames.push_back(ReadNec(f));
  return PressValues(frames);
}

std::vector<DecodedFrame> FakeNecCalledRc5(const Signal& s) {
  std::vector<DecodedFrame> v = FakeNec(s);
  for (DecodedFrame& f : v) {
    if (!f.protocol.empty()) f.protocol = "RC5";
  }
  return v;
}

// Reads the leader's exact length as the address: a playback in the
// protocol's own timing says something else than the recording.
std::vector<DecodedFrame> FakeExact(const Signal& s) {
  std::vector<DecodedFrame> v = FakeNec(s);
  if (!v.empty() && !v.front().protocol.empty()) v.front().address = s.frames[0].durations[0];
  return v;
}

// The recording (leader 9040 us) holds a frame no decoder reads after its
// values, as a receiver glitch in a repeat gives.
std::vector<DecodedFrame> FakeGlitch(const Signal& s) {
  std::vector<DecodedFrame> v = FakeNec(s);
  if (s.frames[0].durations[0] == 9040) v.push_back(DecodedFrame{});
  return v;
}

std::vector<DecodedFrame> NoDecoder(const Signal& s) {
  return PressValues(std::vector<DecodedFrame>(s.frames.size()));
}

EvalOptions ShippedLibrary() {
  EvalOptions options;
  options.library_path = std::string(TVQ31_BIN_DIR) + "/QD01.csl";
  options.transfer_path = std::string(TVQ31_BIN_DIR) + "/libtransfercode.so";
  options.keep_outcomes = true;
  return options;
}

// A held NEC key as a real receiver recorded it: the frame and one ditto,
// the leader a little long.
EvalCase RecordedNec() {
  std::optional<Signal> s = EncodeProtocol("NEC", 0x04, 0x08, 110);
  EXPECT_TRUE(s && s->frames.size() == 2);
  s->frames[0].durations[0] = 9040;
  return EvalCase{"f.ir", "Power", "raw", false, *s};
}

TEST(Evaluate, RawRecordingsGiveTapAndHeldRowsJudgedByTheDecoders) {
  struct Case {
    const char* what;
    PressDecoder decode;
    std::string family;
    size_t decoded, right, wrong, as_original;
  };
  const std::vector<Case> cases = {
      {"read as NEC", FakeNec, "NEC", 1, 1, 0, 1},
      {"read as another family", FakeNecCalledRc5, "RC5", 1, 0, 1, 1},
      {"played back as other values", FakeExact, "NEC", 1, 1, 0, 0},
      {"read by no decoder", NoDecoder, "unknown", 0, 0, 0, 0},
      {"a glitch after the values", FakeGlitch, "NEC", 0, 1, 0, 1},
  };
  for (const Case& k : cases) {
    EvalOptions options = ShippedLibrary();
    options.decode = k.decode;
    const EvalReport report = Evaluate({RecordedNec()}, options);
    ASSERT_EQ(report.rows.size(), 2u) << k.what;
    for (size_t i = 0; i < 2; ++i) {
      const EvalRow& row = report.rows[i];
      SCOPED_TRACE(std::string(k.what) + ", " + EvalFormName(row.form));
      EXPECT_EQ(row.form, i == 0 ? EvalForm::kTap : EvalForm::kHeld);
      EXPECT_EQ(row.protocol, k.family);
      EXPECT_EQ(row.signals, 1u);
      EXPECT_EQ(row.recognised, 1u);
      EXPECT_EQ(row.decoded, k.decoded);
      EXPECT_EQ(row.right_family, k.right);
      EXPECT_EQ(row.wrong_family, k.wrong);
      EXPECT_EQ(row.as_original, k.as_original);
      EXPECT_EQ(row.one_frame, 0u);
    }
    EXPECT_EQ(report.tap_total.recognised, 1u) << k.what;
    EXPECT_EQ(report.held_total.recognised, 1u) << k.what;
    EXPECT_EQ(report.parsed_total.signals, 0u) << k.what;
    ASSERT_EQ(report.outcomes.size(), 2u) << k.what;
    for (const EvalOutcome& o : report.outcomes) {
      EXPECT_EQ(o.as_original.has_value(), k.family != "unknown") << k.what;
      if (o.as_original && !*o.as_original) {
        EXPECT_NE(o.why.find("for NEC 0x2350/0x8"), std::string::npos)
            << k.what << ": " << o.why;
      }
    }
  }
}

TEST(Evaluate, OneFrameRecordingIsHeldWithItsProtocolsGap) {
  EvalCase tap = RecordedNec();
  tap.signal.frames.resize(1);
  EvalOptions options = ShippedLibrary();
  options.decode = FakeNec;
  const EvalReport report = Evaluate({tap}, options);
  EXPECT_EQ(report.tap_total.one_frame, 1u);
  EXPECT_EQ(report.held_total.one_frame, 1u);
  EXPECT_EQ(report.tap_total.one_frame_recognised, report.tap_total.recognised);
  // The held form is a longer press than the tap: it may meet other
  // styles, but it is a press of NEC all the same.
  ASSERT_EQ(report.rows.size(), 2u);
  EXPECT_EQ(report.rows[1].protocol, "NEC");
  EXPECT_EQ(report.rows[1].wrong_family, 0u);
  const std::string table = FormatEvalTable(report);
  EXPECT_NE(table.find("held NEC"), std::string::npos) << table;
  EXPECT_NE(table.find("of one-frame recordings"), std::string::npos) << table;
  const std::string json = FormatEvalJson(report);
  EXPECT_NE(json.find("\"form\":\"held\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"one_frame\":1"), std::string::npos) << json;
}

}  // namespace
}  // namespace tvq31

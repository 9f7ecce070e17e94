// The evaluation's rules: protocol families, the comparison of a
// transmission with its reference, reading .ir folders, and a small run
// end to end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "receive/evaluate.h"

namespace tvq31 {
namespace {

namespace fs = std::filesystem;

TEST(ProtocolFamily, NamesOfOneFamilyAgree) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"NEC", "NEC"},   {"NECext", "NEC"},        {"nec42", "NEC"},   {"SIRC20", "SIRC"},
      {"Sony12", "SIRC"}, {"RC5X", "RC5"},        {"Panasonic", "Kaseikyo"},
      {"", ""},         {"RC", ""},               {"Unknown", ""},    {"XNEC", ""},
  };
  for (const auto& [name, family] : cases) EXPECT_EQ(ProtocolFamily(name), family) << name;
}

Signal Frames(std::vector<SignalFrame> frames) { return Signal{38000, std::move(frames)}; }

TEST(TransmissionFaithful, Rules) {
  const SignalFrame a{{9000, 4500, 560, 1690, 560}, 40000};
  const SignalFrame rep{{9000, 2250, 560}, 96000};
  const Signal ref = Frames({a, rep, rep});
  auto with = [](SignalFrame f, size_t i, uint32_t v) {
    f.durations[i] = v;
    return f;
  };
  auto gap = [](SignalFrame f, uint32_t g) {
    f.gap = g;
    return f;
  };
  struct Case {
    const char* what;
    Signal sent;
    bool faithful;
  };
  const std::vector<Case> cases = {
      {"same", ref, true},
      {"short mark 60 us off", Frames({with(a, 2, 620), rep, rep}), true},
      {"short mark 61 us off", Frames({with(a, 2, 621), rep, rep}), false},
      {"long mark 5 % off", Frames({with(a, 0, 9450), rep, rep}), true},
      {"long mark 6 % off", Frames({with(a, 0, 9540), rep, rep}), false},
      {"gap 10 % off", Frames({gap(a, 44000), rep, rep}), true},
      {"gap 11 % off", Frames({gap(a, 44400), rep, rep}), false},
      {"last gap is not compared", Frames({a, rep, gap(rep, 1)}), true},
      {"one repeat fewer", Frames({a, rep}), true},
      {"two repeats fewer", Frames({a}), false},
      {"one repeat more", Frames({a, rep, rep, rep}), true},
      {"one more, but another frame", Frames({a, rep, rep, a}), false},
      {"one more after the wrong gap", Frames({a, rep, gap(rep, 50000), rep}), false},
      {"two repeats more", Frames({a, rep, rep, rep, rep}), false},
      {"a bit more", Frames({{{9000, 4500, 560, 1690, 560, 560, 560}, 40000}, rep, rep}), false},
      // Where the frames split does not matter, only what is sent.
      {"frames joined", Frames({{{9000, 4500, 560, 1690, 560, 40000, 9000, 2250, 560}, 96000}, rep}),
       true},
      {"nothing sent", Frames({}), false},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(TransmissionFaithful(ref, c.sent, &why), c.faithful) << c.what << ": " << why;
    if (!c.faithful) {
      EXPECT_FALSE(why.empty()) << c.what;
    }
  }
  // A single frame has no repeat to spare.
  EXPECT_FALSE(TransmissionFaithful(Frames({a}), Frames({a, a})));
  // A frame's trailing space is part of its gap.
  EXPECT_TRUE(TransmissionFaithful(Frames({{{500, 500, 500, 700}, 9300}, {{500}, 0}}),
                                   Frames({{{500, 500, 500}, 10000}, {{500}, 0}})));
}

TEST(HoldForSignal, UpToTheLastMarkRoundedUp) {
  EXPECT_EQ(HoldForSignal(Frames({{{1000, 500, 400}, 100000}})), 2u);
  EXPECT_EQ(HoldForSignal(Frames({{{1000}, 1000}, {{1000}, 5000}})), 3u);
  EXPECT_EQ(HoldForSignal(Frames({})), 1u);
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tvq31-eval-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const fs::path& rel, const std::string& text) {
    fs::create_directories((dir_ / rel).parent_path());
    std::ofstream(dir_ / rel) << text;
  }
  fs::path dir_;
};

std::string Parsed(const std::string& name, const std::string& protocol, const std::string& address,
                   const std::string& command) {
  return "#\nname: " + name + "\ntype: parsed\nprotocol: " + protocol + "\naddress: " + address +
         "\ncommand: " + command + "\n";
}

const std::string kHeader = "Filetype: IR signals file\nVersion: 1\n";

using CollectEvalCasesTest = TempDir;

TEST_F(CollectEvalCasesTest, SortedRecursiveAndProblemsNamed) {
  Write("b/z.ir", kHeader + Parsed("Power", "NEC", "04 00 00 00", "08 00 00 00"));
  Write("a.IR", kHeader + "#\nname: Raw\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata: 900 450 560\n" +
                    Parsed("Bad", "NoSuchProtocol", "00 00 00 00", "00 00 00 00"));
  Write("b/a.txt", "not looked at");
  Write("c.ir", "garbage");
  const EvalInputs in = CollectEvalCases({dir_.string(), (dir_ / "missing").string()});
  ASSERT_EQ(in.cases.size(), 2u);
  EXPECT_EQ(in.cases[0].name, "Raw");
  EXPECT_EQ(in.cases[0].protocol, "raw");
  EXPECT_FALSE(in.cases[0].parsed);
  EXPECT_EQ(in.cases[1].name, "Power");
  EXPECT_EQ(in.cases[1].protocol, "NEC");
  EXPECT_TRUE(in.cases[1].parsed);
  ASSERT_EQ(in.problems.size(), 3u);  // the bad entry, c.ir, the missing path
  EXPECT_NE(in.problems[0].find("a.IR"), std::string::npos) << in.problems[0];
  EXPECT_NE(in.problems[1].find("c.ir"), std::string::npos) << in.problems[1];
  EXPECT_NE(in.problems[2].find("missing"), std::string::npos) << in.problems[2];
}

TEST(ReceivedSignal, RepeatableDistortionForParsedOnly) {
  EvalCase parsed{"f", "n", "NEC", true, Frames({{{9000, 4500, 560}, 40000}})};
  EvalCase raw = parsed;
  raw.parsed = false;
  EXPECT_EQ(ReceivedSignal(parsed, 7, 3), ReceivedSignal(parsed, 7, 3));
  EXPECT_NE(ReceivedSignal(parsed, 7, 3), parsed.signal);
  EXPECT_NE(ReceivedSignal(parsed, 7, 3), ReceivedSignal(parsed, 7, 4));
  EXPECT_NE(ReceivedSignal(parsed, 7, 3), ReceivedSignal(parsed, 8, 3));
  EXPECT_EQ(ReceivedSignal(raw, 7, 3), raw.signal);
}

using EvaluateTest = TempDir;

TEST_F(EvaluateTest, SmallRunCountsEveryColumn) {
  std::string raw_long = "#\nname: Long\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\ndata:";
  for (int i = 0; i < 1500; ++i) raw_long += " 500 700";
  raw_long += " 500\n";
  Write("x.ir", kHeader + Parsed("P1", "NEC", "04 00 00 00", "08 00 00 00") +
                    Parsed("P2", "NEC", "10 00 00 00", "2A 00 00 00") +
                    "#\nname: Odd\ntype: raw\nfrequency: 38000\nduty_cycle: 0.33\n"
                    "data: 3000 1000 700 2100 700 40000 3000 1000 700 2100 700\n" +
                    raw_long);
  const EvalInputs in = CollectEvalCases({dir_.string()});
  ASSERT_EQ(in.cases.size(), 4u);
  EvalOptions options;
  options.library_path = std::string(TVQ31_BIN_DIR) + "/QD01.csl";
  options.transfer_path = std::string(TVQ31_BIN_DIR) + "/libtransfercode.so";
  // A decoder of NEC frames that reads the position of the first one bit
  // as the address; the raw entries are of no family.
  options.decode = [](const Signal& s) {
    std::vector<DecodedFrame> frames(s.frames.size());
    for (size_t i = 0; i < s.frames.size(); ++i) {
      const std::vector<uint32_t>& d = s.frames[i].durations;
      if (d.size() == 3) frames[i] = DecodedFrame{"NEC", 0, 0, true};
      if (d.size() != 67) continue;
      size_t first_one = 0;
      while (first_one < 32 && d[3 + 2 * first_one] < 1100) ++first_one;
      frames[i] = DecodedFrame{"NEC", first_one, 0};
    }
    return PressValues(frames);
  };

  const EvalReport plain = Evaluate(in.cases, options);
  EXPECT_TRUE(plain.library_error.empty()) << plain.library_error;
  ASSERT_EQ(plain.rows.size(), 3u);
  const EvalRow& nec = plain.rows[2];
  EXPECT_EQ(nec.protocol, "NEC");
  EXPECT_EQ(nec.form, EvalForm::kParsed);
  EXPECT_EQ(nec.signals, 2u);
  EXPECT_EQ(nec.right_family, 2u);
  EXPECT_EQ(nec.decoded, 2u);
  EXPECT_EQ(nec.as_original, 2u);
  for (size_t i : {0u, 1u}) {
    const EvalRow& raw = plain.rows[i];
    EXPECT_EQ(raw.protocol, "unknown");
    EXPECT_EQ(raw.form, i == 0 ? EvalForm::kTap : EvalForm::kHeld);
    EXPECT_EQ(raw.signals, 2u);
    EXPECT_EQ(raw.one_frame, 1u);  // the long one: no silence splits it
    EXPECT_EQ(raw.too_long, 1u);
    EXPECT_EQ(raw.unrecognised, 1u);
    EXPECT_EQ(raw.transfer, 0u);  // no transfer without --chain
  }
  EXPECT_EQ(plain.parsed_total.signals, 2u);
  EXPECT_EQ(plain.tap_total.signals, 2u);
  EXPECT_EQ(plain.held_total.signals, 2u);
  EXPECT_EQ(plain.total.signals, 6u);

  options.chain = true;
  const EvalReport chained = Evaluate(in.cases, options);
  for (size_t i : {0u, 1u}) {
    EXPECT_EQ(chained.rows[i].transfer, 1u);
    EXPECT_EQ(chained.rows[i].transfer_faithful, 1u);
    EXPECT_EQ(chained.rows[i].failed, 0u);
  }
  EXPECT_TRUE(chained.examples.empty()) << chained.examples.front();

  const std::string table = FormatEvalTable(chained);
  EXPECT_NE(table.find("transfer faithful"), std::string::npos) << table;
  EXPECT_NE(table.find("held unknown"), std::string::npos) << table;
  EXPECT_NE(table.find("raw tap"), std::string::npos) << table;
  const std::string json = FormatEvalJson(chained);
  EXPECT_NE(json.find("\"protocol\":\"unknown\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"transfer_faithful\":1"), std::string::npos) << json;

  // The same seed gives the same counts.
  const EvalReport again = Evaluate(in.cases, options);
  for (size_t i = 0; i < again.rows.size(); ++i) {
    EXPECT_EQ(again.rows[i].as_original, chained.rows[i].as_original);
    EXPECT_EQ(again.rows[i].transfer_faithful, chained.rows[i].transfer_faithful);
  }
}

TEST(Evaluate, UnreadableLibraryIsReported) {
  EvalOptions options;
  options.library_path = "/nonexistent/QD01.csl";
  const EvalReport report = Evaluate({}, options);
  EXPECT_NE(report.library_error.find("/nonexistent/QD01.csl"), std::string::npos);
}

}  // namespace
}  // namespace tvq31

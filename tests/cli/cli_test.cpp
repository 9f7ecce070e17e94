// tvq31ctl end to end: the built program run with files and pipes, its
// output, its error line and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "irtoolkit/irtoolkit.h"
#include "run_tool.h"

namespace tvq31::clitest {
namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string Hex(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", value);
  return buf;
}

// A data error: status 1 and exactly one line on standard error.
void ExpectDataError(const RunResult& r, const std::string& contains = {}) {
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err.rfind("tvq31ctl: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_NE(r.err.find(contains), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST(CtlTable, StoringAndDeletingKeysRebuildsTheImage) {
  TempDir tmp;
  struct Step {
    const char* record;
    const char* image;  // after storing the record
  } steps[] = {
      {"00011AC70A00050F00020102030405AABB", "00011ACF0A00050F00020102030405AABB"},
      // Same head: both entries point at one stored copy.
      {"000105C70A00050F00010102030405CC", "000205CF1200051700011ACF1200051800020102030405CCAABB"},
      {"00011A00000000000000", "000105CF0A00050F00010102030405CC"},
  };
  std::string image = "0000";
  for (const Step& s : steps) {
    SCOPED_TRACE(s.record);
    // The image from a file, the record from standard input, and the other
    // way round: the same result.
    const std::string image_file = tmp.Write("image", image + "\n");
    const std::string record_file = tmp.Write("record", std::string(s.record) + "\r\n");
    const RunResult a = Ctl({"table", "put", image_file, "-"}, std::string(s.record) + "\n");
    const RunResult b = Ctl({"table", "put", "-", record_file}, image);
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, std::string(s.image) + "\n");
    EXPECT_EQ(b.out, a.out);
    image = s.image;
  }
  const RunResult states = Ctl({"table", "states", "-"}, steps[1].image);
  EXPECT_EQ(states.out, "05|2\n1A|2\n");
}

TEST(CtlTable, ZeroCharactersAreData) {
  TempDir tmp;
  const std::string record = tmp.Write("record", "00011AC70A00050F00020102030405AABB");
  // The remote pads its image with zero characters past the last byte used.
  const RunResult padded =
      Ctl({"table", "put", "-", record}, std::string("0000") + std::string(64, '\0') + "\n");
  EXPECT_EQ(padded.status, 0) << padded.err;
  EXPECT_EQ(padded.out, "00011ACF0A00050F00020102030405AABB\n");
  // A zero character where a count belongs is not dropped or skipped.
  ExpectDataError(Ctl({"table", "put", "-", record}, std::string("00\0\0", 4)), "entry count");
}

TEST(CtlConvert, CaptureExampleWhateverTheLineEnds) {
  const std::string capture = "E97834BC8690" + Repeat("7FFF", 20) + "4F4F4F00";
  const std::string learned = "1251222EE11CE01F6FEFE0014EDED\n";
  const std::string endings[] = {"", "\n", "\r\n", "\r\n \t\n\n", std::string(40, '\0')};
  for (const std::string& end : endings) {
    const RunResult r = Ctl({"convert"}, capture + end);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, learned) << end.size();
  }
  // A zero character inside the tokens is data: the capture is not usable.
  std::string broken = capture;
  broken[4] = '\0';
  ExpectDataError(Ctl({"convert"}, broken), "not a usable capture");
  ExpectDataError(Ctl({"convert"}, "\r\n"), "empty capture");
}

// Within what the capture's resolution and a record's time unit blur.
bool Near(uint32_t a, uint32_t b) {
  const uint32_t diff = a > b ? a - b : b - a;
  return diff <= std::max<uint32_t>(60, b / 20);
}

TEST(CtlChain, SynthConvertRecogniseTransmitGivesTheSignalBack) {
  struct Case {
    const char* protocol;
    uint32_t address, command;
    const char* style;
  } cases[] = {
      {"NEC", 0x04, 0x08, "NEC"},       {"Samsung32", 0x07, 0x02, "Samsung32"},
      {"SIRC", 0x01, 0x15, "SIRC"},     {"RC5", 0x01, 0x0C, "RC5"},
      {"RC6", 0x00, 0x0C, "RC6"},       {"JVC", 0x03, 0x17, "JVC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.protocol);
    const RunResult capture = Ctl({"synth", "--protocol", c.protocol, "--address",
                                   std::to_string(c.address), "--command", Hex(c.command)});
    ASSERT_EQ(capture.status, 0) << capture.err;
    const RunResult learned = Ctl({"convert", "-"}, capture.out);
    ASSERT_EQ(learned.status, 0) << learned.err;
    const RunResult recognised = Ctl({"recognise", "--key", "0A", "--json"}, learned.out);
    ASSERT_EQ(recognised.status, 0) << recognised.err;
    EXPECT_NE(recognised.out.find("\"style\":\"" + std::string(c.style) + "\""), std::string::npos)
        << recognised.out;
    const RunResult record = Ctl({"recognise", "--key", "0A"}, learned.out);
    // learn does the same in one step, from the capture itself.
    const RunResult learn = Ctl({"learn", "--key", "0A"}, capture.out);
    EXPECT_EQ(learn.out, record.out);
    const RunResult sent = Ctl({"transmit", "-"}, record.out);
    ASSERT_EQ(sent.status, 0) << sent.err;
    std::string error;
    const auto entries = ParseFlipperIr(sent.out, &error);
    ASSERT_TRUE(entries && entries->size() == 1) << error;
    const auto got = EntrySignal(entries->front());
    const auto want = EncodeProtocol(c.protocol, c.address, c.command);
    ASSERT_TRUE(got && want);
    ASSERT_FALSE(got->frames.empty());
    const auto& g = got->frames[0].durations;
    const auto& w = want->frames[0].durations;
    ASSERT_EQ(g.size(), w.size());
    for (size_t i = 0; i < g.size(); ++i) EXPECT_TRUE(Near(g[i], w[i])) << i << ": " << g[i] << " vs " << w[i];
  }
}

TEST(CtlLearn, UnrecognisedSignalGoesToTheTransferLibrary) {
  TempDir tmp;
  // A made-up protocol no code style describes.
  const std::string mode2 = tmp.Write(
      "odd.mode2",
      "carrier 36000\npulse 3000\nspace 3000\npulse 1000\nspace 2000\npulse 1000\n"
      "space 1000\npulse 1000\nspace 2000\npulse 1000\nspace 60000\n");
  const RunResult capture = Ctl({"import", mode2});
  ASSERT_EQ(capture.status, 0) << capture.err;
  const RunResult learned = Ctl({"learn", "--key", "0A", "--json"}, capture.out);
  ASSERT_EQ(learned.status, 0) << learned.err;
  EXPECT_NE(learned.out.find("\"source\":\"transfer\""), std::string::npos) << learned.out;
  const RunResult record = Ctl({"learn", "--key", "0A"}, capture.out);
  const RunResult sent = Ctl({"transmit", "--format", "pronto", "-"}, record.out);
  EXPECT_EQ(sent.status, 0) << sent.err;
  ExpectDataError(Ctl({"learn", "--key", "0A", "--transfer", tmp.path() + "/"}, capture.out),
                  "cannot be loaded");
}

TEST(CtlEvaluate, SmallFolderOfIrFiles) {
  TempDir tmp;
  const std::string header = "Filetype: IR signals file\nVersion: 1\n";
  tmp.Write("tv.ir", header +
                         "#\nname: Power\ntype: parsed\nprotocol: NEC\naddress: 04 00 00 00\n"
                         "command: 08 00 00 00\n"
                         "#\nname: Mute\ntype: parsed\nprotocol: RC5\naddress: 01 00 00 00\n"
                         "command: 0D 00 00 00\n");
  tmp.Write("sub/amp.ir", header +
                              "#\nname: Vol_up\ntype: parsed\nprotocol: SIRC\naddress: 10 00 00 00\n"
                              "command: 12 00 00 00\n");
  tmp.Write("notes.txt", "not a signal file\n");
  const RunResult r = Ctl({"evaluate", "--json", tmp.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  const size_t total = r.out.find("\"total\"");
  ASSERT_NE(total, std::string::npos) << r.out;
  const std::string totals = r.out.substr(total);
  EXPECT_NE(totals.find("\"signals\":3,"), std::string::npos) << totals;
  EXPECT_NE(totals.find("\"recognised\":3,"), std::string::npos) << totals;
  EXPECT_NE(totals.find("\"as_original\":3,"), std::string::npos) << totals;

  TempDir empty;
  ExpectDataError(Ctl({"evaluate", empty.path()}));
}

TEST(CtlLibrary, DumpAndBuildRoundTrip) {
  TempDir tmp;
  const std::string shipped = std::string(TVQ31_BIN_DIR) + "/QD01.csl";
  const RunResult split = Ctl({"library", "dump", shipped, "--split", tmp.path() + "/styles"});
  ASSERT_EQ(split.status, 0) << split.err;
  const RunResult build =
      Ctl({"library", "build", tmp.path() + "/styles", "-o", tmp.path() + "/again.csl"});
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(ReadFile(tmp.path() + "/again.csl"), ReadFile(shipped));
  // The dump as one text builds the same library.
  const RunResult dump = Ctl({"library", "dump", shipped});
  ASSERT_EQ(dump.status, 0);
  const std::string text = tmp.Write("all.style", dump.out);
  ASSERT_EQ(Ctl({"library", "build", text, "-o", tmp.path() + "/one.csl"}).status, 0);
  EXPECT_EQ(ReadFile(tmp.path() + "/one.csl"), ReadFile(shipped));
  ExpectDataError(Ctl({"library", "dump", text}), "not a code-style library");
}

TEST(CtlExitStatus, DataErrorsAreOneAndUsageErrorsTwo) {
  TempDir tmp;
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int status;
  } cases[] = {
      {{"convert", tmp.path() + "/missing"}, "", 1},
      {{"recognise", "--key", "0A"}, "not a learned code", 1},
      {{"recognise", "--key", "0A"}, "1000" + Repeat("0100FF00", 8) + "EDED", 1},
      {{"transmit", "-"}, "0001", 1},
      {{"transmit", "-"}, "00011A00000000000000", 1},  // a deletion record plays nothing
      {{"table", "put", "-", tmp.path() + "/missing"}, "0000", 1},
      {{"table", "states"}, "01", 1},
      {{"synth", "--protocol", "Nope", "--address", "1", "--command", "1"}, "", 1},
      {{"synth", "--protocol", "NEC", "--address", "0x100", "--command", "1"}, "", 1},
      {{"synth", "--protocol", "NEC", "--address", "x", "--command", "1"}, "", 2},
      {{"recognise", "--key", "123"}, "", 2},
      {{"learn"}, "", 2},
      {{"table", "put", "-", "-"}, "", 2},
      {{"transmit", "--format", "wav", "-"}, "", 2},
      {{"no-such-command"}, "", 2},
      {{}, "", 2},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    const RunResult r = Ctl(c.args, c.input);
    if (c.status == 1) {
      ExpectDataError(r);
    } else {
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_EQ(r.err.rfind("tvq31ctl: ", 0), 0u) << r.err;
    }
  }
}

}  // namespace
}  // namespace tvq31::clitest

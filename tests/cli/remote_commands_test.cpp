// tvq31ctl remote against a real tvq31-remote: what the remote holds after
// each command, what it plays back, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "capture/capturewriter.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"
#include "keytable/keytable.h"
#include "receive/evaluate.h"
#include "receive/receivechain.h"
#include "remote/backupfile.h"
#include "remote/buttonnames.h"
#include "remote_process.h"
#include "transmitter/signalformat.h"

namespace tvq31::clitest {
namespace {

const std::string kTvs = std::string(TVQ31_CORPUS_DIR) + "/flipper-irdb/TVs/";
// All parsed entries (Samsung32), and all raw recordings no style knows.
const std::string kSamsung = kTvs + "Samsung/Samsung.ir";
const std::string kXiaomi = kTvs + "Xiaomi/Xiaomi_TV.ir";
// Raw recordings that the styles mostly recognise.
const std::string kJvc = kTvs + "JVC/JVC_RMT-JR01.ir";

std::vector<IrEntry> Entries(const std::string& path) {
  std::string error;
  auto entries = ParseFlipperIr(ReadFile(path), &error);
  EXPECT_TRUE(entries) << error;
  return entries ? *entries : std::vector<IrEntry>{};
}

// The key each entry of a file lands on: the first entry whose name the
// table gives a key takes it.
std::map<std::string, const IrEntry*> ExpectedKeys(const std::vector<IrEntry>& entries) {
  std::map<std::string, const IrEntry*> keys;
  for (const IrEntry& e : entries) {
    if (const KeySpec* key = cli::MatchButtonName(e.name, cli::Device::kTV)) {
      keys.emplace(key->code, &e);
    }
  }
  return keys;
}

// What the remote sends for a stored key, held two seconds.
std::optional<Signal> Played(const std::string& code) {
  const RunResult r = RunTool("tvq31-remote", {"transmit", code});
  if (r.status != 0) return std::nullopt;
  auto entries = ParseFlipperIr("Filetype: IR signals file\nVersion: 1\n#\n" + r.out);
  if (!entries || entries->size() != 1) return std::nullopt;
  return EntrySignal(entries->front());
}

// The playback reproduces the reference: the same frames with durations
// within the transmitter's tolerances (a recording of one press is
// compared with as many frames of the held key), or else it is received as
// the same code (same style and values give the same key record).
testing::AssertionResult PlaysBack(const Signal& reference, Signal sent, int key_code) {
  if (sent.frames.size() > reference.frames.size() && reference.frames.size() > 0 &&
      HoldForSignal(reference) < kDefaultHoldMs / 2) {
    sent.frames.resize(reference.frames.size());
  }
  std::string why;
  if (TransmissionFaithful(reference, sent, &why)) return testing::AssertionSuccess();
  ReceiveChain chain(ReceiveOptions{std::string(TVQ31_BIN_DIR) + "/QD01.csl", ""});
  const ReceiveResult a = chain.Receive(WriteCapture(reference), key_code);
  const ReceiveResult b = chain.Receive(WriteCapture(sent), key_code);
  if (a.ok() && b.ok() && a.source == ReceiveSource::kLibrary && a.record == b.record) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "not faithful (" << why << ") and not received as the same "
                                     << "code (" << a.style << " / " << b.style << ")";
}

class RemoteCommands : public RemoteTest {
 protected:
  // These tests program the remote from recordings of real remotes; a
  // checkout without the corpus beside it skips them.
  void SetUp() override {
    if (!std::filesystem::is_directory(kTvs)) GTEST_SKIP() << "no corpus at " << kTvs;
    RemoteTest::SetUp();
  }
  // Stores a corpus file's TV keys and checks every matched key plays back.
  void ProgramAndCheck(const std::string& file) {
    SCOPED_TRACE(file);
    const RunResult r = Ctl({"remote", "program", "--yes", "--json", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"written\":true"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"stored\":false"), std::string::npos) << r.out;
    const std::vector<IrEntry> entries = Entries(file);
    const auto expected = ExpectedKeys(entries);
    ASSERT_FALSE(expected.empty());
    for (const auto& [code, entry] : expected) {
      SCOPED_TRACE(code + " <- " + entry->name);
      const std::optional<Signal> reference = EntrySignal(*entry);
      const std::optional<Signal> sent = Played(code);
      ASSERT_TRUE(reference && sent);
      EXPECT_TRUE(PlaysBack(*reference, *sent, *ReadHexNumber(code)));
    }
  }
  std::string Identity() {
    const RunResult r = Ctl({"remote", "info"});
    const size_t at = r.out.find("identity: ");
    return at == std::string::npos ? "" : r.out.substr(at + 10, r.out.find('\n', at) - at - 10);
  }
};

TEST_F(RemoteCommands, ProgrammedCorpusKeysPlayBackTheFilesSignals) {
  ProgramAndCheck(kSamsung);
  ProgramAndCheck(kXiaomi);
  ProgramAndCheck(kJvc);
  // Keys the file has no name for keep what they had.
  const RunResult keys = Ctl({"remote", "keys", "--json"});
  ASSERT_EQ(keys.status, 0) << keys.err;
  EXPECT_NE(keys.out.find("{\"key\":\"POWER/DVD\",\"code\":\"04\",\"state\":\"none\""),
            std::string::npos);
  EXPECT_NE(keys.out.find("\"key\":\"TV/Menu\",\"code\":\"17\",\"state\":\"learned\""),
            std::string::npos)
      << keys.out;
}

// LIRC mode2 text of a signal: its marks and spaces, the gaps as spaces.
std::string Mode2Text(const Signal& signal) {
  std::string text = "carrier " + std::to_string(signal.carrier_hz) + "\n";
  for (const SignalFrame& frame : signal.frames) {
    for (size_t i = 0; i < frame.durations.size(); ++i) {
      text += (i % 2 ? "space " : "pulse ") + std::to_string(frame.durations[i]) + "\n";
    }
    text += "space " + std::to_string(frame.gap) + "\n";
  }
  return text;
}

TEST_F(RemoteCommands, ProntoAndMode2CodesAreProgrammedByName) {
  const Signal power = *EncodeProtocol("NEC", 0x04, 0x08);
  const Signal mute = *EncodeProtocol("RC5", 0x00, 0x0D);
  const Signal menu = *EncodeProtocol("SIRC", 0x01, 0x60);
  const std::string pronto = tmp_.Write(
      "tv.pronto", "Power: " + ProntoHex(power) + "\n\nMute\n" + ProntoHex(mute) + "\n");
  RunResult r = Ctl({"remote", "program", "--yes", pronto});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string mode2 = tmp_.Write("menu.mode2", Mode2Text(menu));  // named by the file
  r = Ctl({"remote", "program", "--yes", mode2});
  ASSERT_EQ(r.status, 0) << r.err;

  const std::pair<const char*, const Signal*> keys[] = {{"06", &power}, {"12", &mute}, {"17", &menu}};
  for (const auto& [code, reference] : keys) {
    SCOPED_TRACE(code);
    const std::optional<Signal> sent = Played(code);
    ASSERT_TRUE(sent);
    EXPECT_TRUE(PlaysBack(*reference, *sent, *ReadHexNumber(code)));
  }
  // The check tells codes apart.
  EXPECT_FALSE(PlaysBack(power, *Played("12"), 0x12));
}

TEST_F(RemoteCommands, BackupClearRestoreGivesTheSameImage) {
  ASSERT_EQ(Ctl({"remote", "program", "--yes", kSamsung}).status, 0);
  const std::string programmed = StoredTable();
  const std::string backup = tmp_.path() + "/remote.backup";
  const RunResult b = Ctl({"remote", "backup", backup});
  ASSERT_EQ(b.status, 0) << b.err;

  const RunResult cleared = Ctl({"remote", "clear", "--yes"});
  ASSERT_EQ(cleared.status, 0) << cleared.err;
  const RunResult states = Ctl({"table", "states"}, StoredTable());
  EXPECT_EQ(states.out.find("|2"), std::string::npos) << "learned codes left: " << states.out;
  ASSERT_NE(StoredTable(), programmed);

  // Asked, and the end of the input is No.
  const RunResult declined = Ctl({"remote", "restore", backup});
  EXPECT_EQ(declined.status, 1);
  EXPECT_NE(declined.err.find("not confirmed"), std::string::npos) << declined.err;
  EXPECT_NE(declined.out.find("gained   TV/Menu (17)"), std::string::npos) << declined.out;
  const RunResult json = Ctl({"remote", "restore", "--json", backup});
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("{\"code\":\"17\",\"key\":\"TV/Menu (17)\",\"change\":\"gained\"}"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"written\":false}"), std::string::npos) << json.out;

  const RunResult restored = Ctl({"remote", "restore", "--yes", backup});
  ASSERT_EQ(restored.status, 0) << restored.err;
  EXPECT_TRUE(StoredTable() == programmed) << "the table changed";
  const RunResult again = Ctl({"remote", "restore", "--yes", backup});
  EXPECT_EQ(again.status, 0);
  EXPECT_NE(again.out.find("already holds"), std::string::npos) << again.out;
}

TEST_F(RemoteCommands, RestoreRefusesAnotherRemoteAndDamagedFiles) {
  const std::string backup = tmp_.path() + "/remote.backup";
  ASSERT_EQ(Ctl({"remote", "backup", backup}).status, 0);
  ASSERT_EQ(Ctl({"remote", "clear", "--yes"}).status, 0);  // nothing learned: nothing to do
  ASSERT_EQ(Ctl({"remote", "program", "--yes", kSamsung}).status, 0);
  const std::string before = StoredTable();

  std::string damaged = ReadFile(backup);
  const size_t image_at = damaged.find("image:\n") + 7;
  damaged[image_at] = damaged[image_at] == '0' ? '1' : '0';
  const std::string damaged_file = tmp_.Write("damaged.backup", damaged);
  RunResult r = Ctl({"remote", "restore", "--yes", damaged_file});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;

  // A backup whose checksum is right but whose table does not parse.
  std::string error;
  auto parsed = cli::ParseBackup(ReadFile(backup), &error);
  ASSERT_TRUE(parsed) << error;
  parsed->image = "05";
  r = Ctl({"remote", "restore", "--yes", tmp_.Write("broken.backup", cli::FormatBackup(*parsed))});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
  EXPECT_TRUE(StoredTable() == before) << "the table changed";

  ASSERT_EQ(Remote({"identity", "TVQ31II-EMU-SOMEONE-ELSES"}).status, 0);
  r = Ctl({"remote", "restore", "--yes", backup});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("another remote"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--other-remote"), std::string::npos) << r.err;
  EXPECT_TRUE(StoredTable() == before) << "the table changed";
  r = Ctl({"remote", "restore", "--yes", "--other-remote", backup});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(StoredTable(), before);
}

TEST_F(RemoteCommands, UnpluggedOrSwappedBeforeTheWriteChangesNothing) {
  const std::string before = StoredTable();
  struct Case {
    const char* what;
    std::vector<std::string> meanwhile;
    const char* reason;
    const char* outcome;
  } cases[] = {
      {"unplugged", {"unplug"}, "unplugged", "nothing was written"},
      {"another remote", {"identity", "TVQ31II-EMU-ANOTHER-ONE"}, "another remote",
       "nothing was written"},
      {"writes refused", {"refuse-writes", "on"}, "refused the write", "as it was"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RunResult r = CtlAnswering(
        {"remote", "program", kSamsung}, "[y/N]",
        [&] { ASSERT_EQ(Remote(c.meanwhile).status, 0); }, "y");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.outcome), std::string::npos) << r.err;
    ASSERT_EQ(Remote({"plug"}).status, 0);
    ASSERT_EQ(Remote({"refuse-writes", "off"}).status, 0);
    EXPECT_TRUE(StoredTable() == before) << "the table changed";
  }
  // Programming goes ahead once the remote is back (under its new identity).
  const RunResult r = CtlAnswering({"remote", "program", kSamsung}, "[y/N]", [] {}, "yes");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(StoredTable(), before);

  ASSERT_EQ(Remote({"unplug"}).status, 0);
  for (const char* command : {"info", "keys", "clear"}) {
    SCOPED_TRACE(command);
    const RunResult gone = Ctl({"remote", command});
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.err.find("not attached"), std::string::npos) << gone.err;
  }
}

TEST_F(RemoteCommands, TableThatWouldNotFitWritesNothing) {
  // How much the file would add to the remote's table.
  const RunResult plan = Ctl({"remote", "program", "--dry-run", "--json", kSamsung});
  ASSERT_EQ(plan.status, 0) << plan.err;
  const size_t at = plan.out.find("\"image_chars\":");
  ASSERT_NE(at, std::string::npos);
  const size_t planned = std::stoul(plan.out.substr(at + 14));
  const std::string factory = StoredTable();
  ASSERT_GT(planned, factory.size() + 8);

  // Fill the table with codes on slots no key uses, leaving half that room.
  const size_t room = (planned - factory.size()) / 2;
  std::string image = factory;
  auto add = [&](int code, int head, int data) {
    std::string record = "0001" + ByteHex(code) + "CF0A00" + ByteHex(head) +
                         ByteHex((10 + head) & 0xFF) + ByteHex((10 + head) >> 8) + ByteHex(data);
    for (int i = 0; i < head + data; ++i) record += ByteHex(code + i * 7);
    image = *PutKeyRecord(image, record);
  };
  int code = 0x60;
  while (image.size() + room + 2 * 208 <= kRemoteImageChars) add(code++, 100, 100);
  const int rest = static_cast<int>(kRemoteImageChars - room - image.size()) / 2 - 8;
  if (rest >= 2) add(code, rest / 2, rest - rest / 2);
  ASSERT_LE(kRemoteImageChars - image.size(), room + 4);
  ASSERT_TRUE(ImageFitsRemote(image));
  const std::string backup = tmp_.path() + "/full.backup";
  ASSERT_EQ(Ctl({"remote", "backup", backup}).status, 0);
  std::string error;
  auto full = cli::ParseBackup(ReadFile(backup), &error);
  ASSERT_TRUE(full) << error;
  full->image = image;
  ASSERT_EQ(Ctl({"remote", "restore", "--yes", tmp_.Write("f.backup", cli::FormatBackup(*full))})
                .status,
            0);
  const std::string before = StoredTable();
  ASSERT_TRUE(before == image);

  const RunResult r = Ctl({"remote", "program", "--yes", kSamsung});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
  EXPECT_TRUE(StoredTable() == before) << "the table changed";
  // Nothing matched: nothing written either.
  const RunResult none = Ctl({"remote", "program", "--yes",
                              tmp_.Write("hub.pronto", "Smarthub: 0000 006D 0001 0000 0155 00AA\n")});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(StoredTable() == before) << "the table changed";
  EXPECT_NE(none.err.find("nothing was written"), std::string::npos) << none.err;
}

TEST_F(RemoteCommands, LearnDeleteAndClearFollowTheRulesForLearnedCodes) {
  const std::string factory = StoredTable();
  struct Refusal {
    std::vector<std::string> args;
    const char* reason;
  } refusals[] = {
      {{"delete", "06"}, "downloaded"},
      {{"delete", "TV/Menu"}, "no learned code"},
      {{"delete", "TV/OptionalKey"}, "several keys"},
      {{"learn", "TV/Menu", kSamsung}, "--name"},
      {{"learn", "TV/Menu", kSamsung, "--name", "Nope"}, "no code named"},
      {{"learn", "ZZZ", kSamsung, "--name", "Menu"}, "no key"},
  };
  for (const Refusal& c : refusals) {
    std::vector<std::string> args{"remote"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(args[1] + " " + args[2]);
    const RunResult r = Ctl(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_TRUE(StoredTable() == factory) << "the table changed";
  }

  // A learned code on AMP/Vol+ takes the downloaded code of TV/Vol+, its pair.
  RunResult r = Ctl({"remote", "learn", "AMP/Vol+", kSamsung, "--name", "vol up"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("also removed: TV/Vol+ (01)"), std::string::npos) << r.out;
  r = Ctl({"remote", "learn", "17", kSamsung, "--name", "Menu"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(Played("17") && Played("49"));
  EXPECT_FALSE(Played("01"));

  // One key that cannot go stops them all.
  const std::string learned = StoredTable();
  r = Ctl({"remote", "delete", "TV/Menu", "06"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(StoredTable() == learned) << "the table changed";
  r = Ctl({"remote", "delete", "TV/Menu"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Played("17"));

  // Clear-all takes the learned codes only; downloaded ones stay.
  r = Ctl({"remote", "clear"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Played("49"));
  r = Ctl({"remote", "clear", "--yes"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Played("49"));
  EXPECT_TRUE(Played("06") && Played("12"));
  r = Ctl({"remote", "clear", "--yes"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("No code can be deleted"), std::string::npos) << r.out;
}

TEST_F(RemoteCommands, InfoTellsWhetherTheAppWouldAcceptTheRemote) {
  RunResult r = Ctl({"remote", "info", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"accepted\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"version1\":\"01\",\"version2\":\"02\""), std::string::npos) << r.out;

  ASSERT_EQ(Remote({"set-type", "8888"}).status, 0);
  r = Ctl({"remote", "info"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("accepted: no (the remote's firmware is too old"), std::string::npos)
      << r.out;
  // Reading is harmless; writing to a refused remote is not done.
  EXPECT_EQ(Ctl({"remote", "keys"}).status, 0);
  const std::string before = StoredTable();
  r = Ctl({"remote", "program", "--yes", kSamsung});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
  EXPECT_TRUE(StoredTable() == before) << "the table changed";
}

TEST_F(RemoteCommands, MapAndDryRun) {
  const std::string map = tmp_.Write("my.map", "Smarthub = TV/OptionalKey\n");
  RunResult r = Ctl({"remote", "program", "--dry-run", "--map", map, kSamsung});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("several keys"), std::string::npos) << r.err;

  const std::string before = StoredTable();
  r = Ctl({"remote", "program", "--dry-run", "--map", tmp_.Write("ok.map", "Smarthub = 13\nPower = -\n"),
           kSamsung});
  ASSERT_EQ(r.status, 0) << r.err;
  const size_t planned = r.out.find("TV/OptionalKey (13)");
  ASSERT_NE(planned, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("<- Smarthub (map)"), r.out.find("<-", planned)) << r.out;
  EXPECT_EQ(r.out.find("POWER/TV"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Left out by the map (1): Power;"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Unmatched names"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Dry run: nothing was written."), std::string::npos) << r.out;
  EXPECT_TRUE(StoredTable() == before) << "the table changed";
}

}  // namespace
}  // namespace tvq31::clitest

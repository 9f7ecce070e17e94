// The device-free parts of `tvq31ctl remote`: button names, map files,
// code files, the backup file, the start-up verdict and table comparison.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "keytable/keytable.h"
#include "remote/backupfile.h"
#include "remote/buttonnames.h"
#include "remote/codefile.h"
#include "remote/startcheck.h"
#include "remote/tableview.h"
#include "run_tool.h"

namespace tvq31::cli {
namespace {

TEST(ButtonNames, NamesPeopleUseFindTheirKeys) {
  struct Case {
    const char* name;
    Device device;
    const char* path;  // nullptr: no key
  } cases[] = {
      {"Power", Device::kTV, "POWER/TV"},
      {"POWER", Device::kAMP, "POWER/AMP"},
      {"KEY_POWER", Device::kDVD, "POWER/DVD"},
      {"Vol_up", Device::kTV, "TV/Vol+"},
      {"VOL+", Device::kTV, "TV/Vol+"},
      {"Volume_Up", Device::kTV, "TV/Vol+"},
      {"KEY_VOLUMEUP", Device::kTV, "TV/Vol+"},
      {"vol-", Device::kTV, "TV/Vol-"},
      {"Vol -", Device::kTV, "TV/Vol-"},
      {"Vol_dn", Device::kTV, "TV/Vol-"},
      {"Vol+", Device::kAMP, "AMP/Vol+"},
      {"Ch_next", Device::kTV, "TV/Channel+"},
      {"CH-", Device::kTV, "TV/Channel-"},
      {"Ch_prev", Device::kTV, "TV/Channel-"},
      {"P+", Device::kTV, "TV/Channel+"},
      {"5", Device::kTV, "TV/5"},
      {"Num_0", Device::kDVD, "DVD/0"},
      {"KEY_7", Device::kTV, "TV/7"},
      {"-/--", Device::kTV, "TV/--"},
      {"Source", Device::kTV, "TV/AV/TV"},
      {"Input", Device::kTV, "TV/AV/TV"},
      {"OK", Device::kDVD, "DVD/Enter"},
      {"Select", Device::kCBL, "CBL/Enter"},
      {"Exit", Device::kCBL, "CBL/Quit"},
      {"Guide", Device::kCBL, "CBL/Guide"},
      {"Rew", Device::kDVD, "DVD/Rewind"},
      {"Fast_Forward", Device::kDVD, "DVD/Forward"},
      {"Next", Device::kDVD, "DVD/StepForward"},
      {"rec", Device::kDVD, "DVD/Record"},
      {"menu", Device::kCBL, "CBL/Menu"},
      // No key of that kind on the device, or no such kind.
      {"Mute", Device::kAMP, nullptr},
      {"Up", Device::kTV, nullptr},
      {"5", Device::kCBL, nullptr},
      {"Smarthub", Device::kTV, nullptr},
      {"Power_on", Device::kTV, nullptr},
      {"", Device::kTV, nullptr},
      {"--", Device::kTV, "TV/--"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " on " + DeviceName(c.device));
    const KeySpec* key = MatchButtonName(c.name, c.device);
    if (!c.path) {
      EXPECT_EQ(key, nullptr) << key->path;
    } else {
      ASSERT_NE(key, nullptr);
      EXPECT_STREQ(key->path, c.path);
    }
  }
}

TEST(ButtonNames, TableNamesRealKeysAndNoNameTwice) {
  std::set<std::string> seen;
  for (const ButtonKind& kind : ButtonNameTable()) {
    for (const char* name : kind.names) {
      EXPECT_TRUE(seen.insert(name).second) << name << " belongs to two kinds";
      // Written in the normalized form, or it could never match.
      EXPECT_EQ(NormalizeButtonName(name), name);
    }
    const std::pair<Device, const char*> keys[] = {{Device::kTV, kind.tv},
                                                   {Device::kDVD, kind.dvd},
                                                   {Device::kCBL, kind.cbl},
                                                   {Device::kAMP, kind.amp}};
    for (const auto& [device, key] : keys) {
      if (*key == '\0') continue;
      EXPECT_NE(MatchButtonName(kind.names.front(), device), nullptr)
          << kind.kind << " on " << DeviceName(device) << " names no key: " << key;
    }
  }
}

TEST(ButtonNames, KeysNamedOnTheCommandLine) {
  struct Case {
    const char* text;
    std::optional<Device> device;
    const char* code;  // nullptr: refused
  } cases[] = {
      {"1a", std::nullopt, "1A"},        {"TV/Vol+", std::nullopt, "01"},
      {"tv/vol+", std::nullopt, "01"},   {"POWER/CBL", std::nullopt, "02"},
      {"Vol+", Device::kAMP, "49"},      {"Power", Device::kDVD, "04"},
      {"TV/AV/TV", std::nullopt, "15"},  {"TV/OptionalKey", std::nullopt, nullptr},
      {"25", std::nullopt, nullptr},     {"Vol+", std::nullopt, nullptr},
      {"CD", Device::kAMP, "4B"},        {"cd", std::nullopt, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    const KeySpec* key = FindKeyByName(c.text, c.device, &error);
    if (!c.code) {
      EXPECT_EQ(key, nullptr);
      EXPECT_FALSE(error.empty());
    } else {
      ASSERT_NE(key, nullptr) << error;
      EXPECT_STREQ(key->code, c.code);
    }
  }
  std::string error;
  FindKeyByName("TV/OptionalKey", std::nullopt, &error);
  EXPECT_NE(error.find("13"), std::string::npos) << error;
  EXPECT_NE(error.find("11"), std::string::npos) << error;
}

TEST(ButtonNames, MapOverridesTheTableAndLastLineWins) {
  std::string error;
  const auto map = ParseButtonMap(
      "# mine\nSmart hub = 13   # the spare key\nPower = -\nVOL+ = 11\nvol_plus = TV/Mute\n",
      Device::kTV, &error);
  ASSERT_TRUE(map) << error;
  EXPECT_STREQ(MatchButton("SMART_HUB", Device::kTV, *map).key->code, "13");
  EXPECT_TRUE(MatchButton("power", Device::kTV, *map).left_out);
  // "VOL+" and "vol_plus" are one name; the later line counts.
  const ButtonMatch vol = MatchButton("Vol+", Device::kTV, *map);
  EXPECT_TRUE(vol.from_map);
  EXPECT_STREQ(vol.key->code, "12");
  EXPECT_STREQ(MatchButton("Mute", Device::kTV, *map).key->code, "12");
  EXPECT_FALSE(MatchButton("Mute", Device::kTV, *map).from_map);

  for (const char* bad : {"Power 06\n", "= 06\n", "Up = TV/OptionalKey\n", "Up = 25\n"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(ParseButtonMap(bad, Device::kTV, &error));
    EXPECT_NE(error.find("map line 1"), std::string::npos) << error;
  }
}

// ---------------------------------------------------------------------------

constexpr char kPronto[] =
    "0000 006D 0002 0000 0155 00AA 0015 0040";

TEST(CodeFiles, ProntoAndMode2CodesWithTheirNames) {
  const std::string pronto = std::string("# from a forum\nPower: ") + kPronto +
                             "\n\nVolume Up\n" + kPronto + "\n" + kPronto + "\n";
  EXPECT_EQ(GuessCodeFileFormat(pronto), ImportFormat::kPronto);
  std::string error;
  auto codes = ReadCodeFile(pronto, ImportFormat::kPronto, "tv", &error);
  ASSERT_TRUE(codes) << error;
  // The third code follows the second without a blank line: its header
  // says where the second ends.
  ASSERT_EQ(codes->size(), 3u);
  EXPECT_EQ((*codes)[0].name, "Power");
  EXPECT_EQ((*codes)[1].name, "Volume Up");
  EXPECT_EQ((*codes)[2].name, "tv");  // no name of its own: the file's
  for (const NamedSignal& c : *codes) {
    ASSERT_TRUE(c.signal) << c.error;
    EXPECT_EQ(c.signal->frames.front().durations.size(), 3u);
  }

  const std::string mode2 =
      "# name: Mute\npulse 9000\nspace 4500\npulse 560\n# name: Menu\npulse 900\nspace 450\n"
      "pulse 560\n";
  EXPECT_EQ(GuessCodeFileFormat(mode2), ImportFormat::kMode2);
  codes = ReadCodeFile(mode2, ImportFormat::kMode2, "x", &error);
  ASSERT_TRUE(codes) << error;
  ASSERT_EQ(codes->size(), 2u);
  EXPECT_EQ((*codes)[0].name, "Mute");
  EXPECT_EQ((*codes)[1].name, "Menu");
  ASSERT_TRUE((*codes)[1].signal);
  EXPECT_EQ((*codes)[1].signal->frames.front().durations.front(), 900u);

  // Unnamed mode2 recording: named after the file.
  codes = ReadCodeFile("pulse 900\nspace 450\npulse 560\n", ImportFormat::kMode2,
                       FileStem("/a/b/power.mode2"), &error);
  ASSERT_TRUE(codes) << error;
  EXPECT_EQ(codes->front().name, "power");

  // A broken code is reported on its own; a file of none is refused.
  codes = ReadCodeFile("A: 0000 006D 0009 0000 0155\nB: " + std::string(kPronto) + "\n",
                       ImportFormat::kPronto, "x", &error);
  ASSERT_TRUE(codes) << error;
  EXPECT_FALSE((*codes)[0].signal);
  EXPECT_FALSE((*codes)[0].error.empty());
  EXPECT_TRUE((*codes)[1].signal);
  EXPECT_FALSE(ReadCodeFile("# nothing\n", ImportFormat::kPronto, "x", &error));
  EXPECT_FALSE(GuessCodeFileFormat("hello world\n"));
}

// ---------------------------------------------------------------------------

RemoteBackup SampleBackup() {
  RemoteBackup b;
  b.identity = std::string("ID \"quoted\" \\ back") + std::string(1, '\0') + "           ";
  b.identity.resize(30, ' ');
  b.version1 = "01";
  b.version2 = "02";
  b.type = "0002";
  b.image = std::string(150, 'A') + "0F";
  b.written = "2026-01-01T00:00:00Z";
  b.comment = "2 keys\nTV/1 (07) learned";
  return b;
}

TEST(BackupFile, RoundTripKeepsEveryByte) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  const RemoteBackup b = SampleBackup();
  const std::string text = FormatBackup(b);
  std::string error;
  const auto back = ParseBackup(text, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->identity, b.identity);
  EXPECT_EQ(back->version1, b.version1);
  EXPECT_EQ(back->version2, b.version2);
  EXPECT_EQ(back->type, b.type);
  EXPECT_EQ(back->image, b.image);
  EXPECT_EQ(back->written, b.written);
}

TEST(BackupFile, DamageIsRefused) {
  const std::string good = FormatBackup(SampleBackup());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    const size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  struct Case {
    const char* what;
    std::string text;
    const char* reason;
  } cases[] = {
      {"one image digit", replaced("AAAA0F", "AAAB0F"), "damaged"},
      {"the identity", replaced("ID ", "IE "), "damaged"},
      {"a comment", replaced("2 keys", "3 keys"), "damaged"},
      {"cut short", good.substr(0, good.size() / 2), "damaged"},
      {"no checksum", good.substr(0, good.rfind("crc32:")), "damaged"},
      {"not a backup", "hello\n", "not a tvq31 remote backup"},
      {"empty", "", "not a tvq31 remote backup"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_FALSE(ParseBackup(c.text, &error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  // A file whose checksum was made to match is still read strictly.
  RemoteBackup odd = SampleBackup();
  odd.version1 = "1";
  std::string error;
  EXPECT_FALSE(ParseBackup(FormatBackup(odd), &error));
  EXPECT_NE(error.find("version pair"), std::string::npos) << error;
}

TEST(BackupFile, WrittenDurablyAndWhole) {
  clitest::TempDir dir;
  const std::string path = dir.path() + "/remote.backup";
  std::string error;
  ASSERT_TRUE(WriteFileDurably(path, "old", &error)) << error;
  ASSERT_TRUE(WriteFileDurably(path, "new content", &error)) << error;
  EXPECT_EQ(clitest::ReadFile(path), "new content");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
  EXPECT_FALSE(WriteFileDurably(dir.path() + "/no/such/folder/file", "x", &error));
  EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------

TEST(StartCheck, VerdictsInTheAppsOrder) {
  struct Case {
    const char* type;
    const char* v1;
    const char* v2;
    Verdict verdict;
  } cases[] = {
      {"0002", "01", "02", Verdict::kAccepted},   {"8888", "01", "02", Verdict::kOldFirmware},
      {"8888", "05", "09", Verdict::kOldFirmware}, {"0003", "01", "02", Verdict::kUnsupported},
      {"0002", "02", "02", Verdict::kUnsupported}, {"0002", "00", "02", Verdict::kOldFirmware},
      {"0002", "01", "03", Verdict::kToolTooOld},  {"0002", "01", "01", Verdict::kUnsupported},
      {"0002", "0A", "02", Verdict::kUnsupported}, {"0002", "zz", "02", Verdict::kUnsupported},
      {"0002", "02", "03", Verdict::kUnsupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.v1 + " " + c.v2);
    EXPECT_EQ(CheckRemote({"id", c.v1, c.v2, c.type}), c.verdict);
  }
  std::string info(kBasicInfoChars, '\0');
  info.replace(0, 5, "HELLO");
  info.replace(64, 4, "0102");
  info.replace(70, 4, "0002");
  const RemoteIdentity id = ReadRemoteIdentity(info);
  EXPECT_EQ(ShownIdentity(id.identity), "HELLO");
  EXPECT_EQ(CheckRemote(id), Verdict::kAccepted);
  EXPECT_TRUE(ReadRemoteIdentity("short").type.empty());
}

// ---------------------------------------------------------------------------

TEST(TableView, ChangesBetweenTables) {
  // 05, 07 and 1A share one head.
  std::string image = "0000";
  for (const char* record : {"000105C70A00050F00010102030405CC", "00011AC70A00050F00020102030405AABB",
                             "000107C70A00050F00010102030405DD"}) {
    image = *PutKeyRecord(image, record);
  }
  const KeyTable before = *ReadKeyTable(image);
  std::string next = *PutKeyRecord(image, "000105C70A00050F00010102030405EE");  // changed
  next = *PutKeyRecord(next, OneKeyDeletionRecord("07"));                      // lost
  next = *PutKeyRecord(next, "000130C70A00050F00010102030405FF");             // gained
  const KeyTable after = *ReadKeyTable(next);
  const std::vector<KeyChange> changes = DiffTables(before, after);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].code, 0x05);
  EXPECT_EQ(changes[0].kind, KeyChange::kChanged);
  EXPECT_EQ(changes[1].code, 0x07);
  EXPECT_EQ(changes[1].kind, KeyChange::kLost);
  EXPECT_EQ(changes[2].code, 0x30);
  EXPECT_EQ(changes[2].kind, KeyChange::kGained);
  EXPECT_TRUE(DiffTables(before, before).empty());

  // The record of a stored key is the record that was stored, typed "CF".
  const auto entries = EntriesByCode(before);
  EXPECT_EQ(KeyRecordOf(entries.at(0x1A)), "00011ACF0A00050F00020102030405AABB");
}

}  // namespace
}  // namespace tvq31::cli

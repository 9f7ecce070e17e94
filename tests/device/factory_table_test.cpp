// The factory key table: read back by the program's own key table code (the
// app must see green TV keys and one key pair) and played by the remote
// (every factory key sends the NEC code it was made from).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "emulator_process.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"
#include "keytable/keytable.h"
#include "remote.h"
#include "store.h"
#include "transmit.h"

namespace tvq31::remote {
namespace {

// Factory keys and their NEC commands (address 0x04).
constexpr std::pair<int, uint32_t> kKeys[] = {
    {0x01, 0x02}, {0x03, 0x13}, {0x05, 0x12}, {0x06, 0x08}, {0x07, 0x11}, {0x08, 0x03},
    {0x09, 0x00}, {0x0A, 0x16}, {0x0C, 0x15}, {0x0E, 0x14}, {0x10, 0x01}, {0x12, 0x09},
};

struct LibraryCase {
  const char* name;
  std::string library;
  bool recognised;  // protocol records (else raw records)
};

std::vector<LibraryCase> LibraryCases() {
  return {{"shipped library", std::string(TVQ31_BIN_DIR) + "/QD01.csl", true},
          {"no library", std::string(TVQ31_BIN_DIR) + "/no-such-library.csl", false}};
}

// Durations equal within what a receiver and the record's time unit blur.
bool Near(uint32_t a, uint32_t b) {
  const uint32_t diff = a > b ? a - b : b - a;
  return diff <= std::max<uint32_t>(60, b / 20);
}

TEST(FactoryRemote, KeyTableReadsBackAsDownloadedCodesAndOnePair) {
  for (const LibraryCase& c : LibraryCases()) {
    SCOPED_TRACE(c.name);
    const std::string image = DefaultTable(c.library);
    ASSERT_TRUE(ValidTable(image));
    std::string error;
    const auto table = ReadKeyTable(image, &error);
    ASSERT_TRUE(table) << error;
    ASSERT_EQ(table->pairs.size(), 1u);
    EXPECT_EQ(table->pairs[0].first, "01");
    EXPECT_EQ(table->pairs[0].second, "49");
    ASSERT_EQ(table->entries.size(), std::size(kKeys));
    for (size_t i = 0; i < std::size(kKeys); ++i) {
      const KeyEntry& e = table->entries[i];
      EXPECT_EQ(e.key_code, ByteHex(kKeys[i].first));
      EXPECT_EQ(e.key_type, "8F") << e.key_code;
      // A raw record's timing part starts with 00; a protocol record's never.
      EXPECT_EQ(e.head.substr(0, 2) != "00", c.recognised) << e.key_code;
    }
    if (c.recognised) {
      // One NEC timing part, stored once for all keys.
      for (const KeyEntry& e : table->entries) EXPECT_EQ(e.head_offset, table->entries[0].head_offset);
    }
    const auto states = ParseKeyStates(image, &error);
    ASSERT_TRUE(states) << error;
    EXPECT_EQ(states->entries.front(), "01|1");
    EXPECT_EQ(states->entries.size(), std::size(kKeys));
    EXPECT_FALSE(states->HasLearnedKeys());
    // Already in rebuilt form: storing a deletion record for a key without
    // a code gives the image back unchanged.
    const auto rebuilt = PutKeyRecord(image, OneKeyDeletionRecord("30"));
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(*rebuilt, image);
  }
}

TEST(FactoryRemote, EveryKeySendsItsNecCode) {
  for (const LibraryCase& c : LibraryCases()) {
    SCOPED_TRACE(c.name);
    const std::string image = DefaultTable(c.library);
    for (const auto& [code, command] : kKeys) {
      SCOPED_TRACE(code);
      std::string error;
      const auto raw = TransmitStoredKey(image, code, &error);
      ASSERT_TRUE(raw) << error;
      const auto entries = ParseFlipperIr("Filetype: IR signals file\nVersion: 1\n" + *raw, &error);
      ASSERT_TRUE(entries && entries->size() == 1) << error;
      const auto sent = EntrySignal(entries->front());
      const auto want = EncodeProtocol("NEC", 0x04, command);
      ASSERT_TRUE(sent && want);
      ASSERT_GE(sent->frames.size(), 2u) << "a held key repeats";
      EXPECT_NEAR(sent->carrier_hz, want->carrier_hz, want->carrier_hz / 20);
      // The code frame: every mark and space as the NEC remote sends it.
      const auto& got = sent->frames[0].durations;
      const auto& expected = want->frames[0].durations;
      ASSERT_EQ(got.size(), expected.size());
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_TRUE(Near(got[i], expected[i])) << "duration " << i << ": " << got[i] << " vs "
                                               << expected[i];
      }
    }
  }
}

TEST(FactoryRemote, EmulatorServesTheTableMadeWithTheLibraryBesideIt) {
  testing::TempDir tmp;
  testing::EmulatorProcess remote(tmp.path());
  ASSERT_TRUE(remote.Start());
  const auto table = remote.Control(wire::Op::kGetTable);
  ASSERT_TRUE(table);
  EXPECT_EQ(*table, DefaultTable(std::string(TVQ31_BIN_DIR) + "/QD01.csl"));
  const auto power = remote.Control(wire::Op::kTransmit, "06");
  ASSERT_TRUE(power) << "the power key plays";
  EXPECT_NE(power->find("KEY_06"), std::string::npos);
}

TEST(FactoryRemote, AnExistingStateKeepsItsTable) {
  // A remote made before the factory codes changed keeps what it holds.
  testing::TempDir tmp;
  const RemoteState old{"OLD REMOTE", "01", "02", "0002", "0001068F0A00040E00040C0C5B0E04FB08F7"};
  ASSERT_TRUE(WriteFileAtomic(tmp.path(), "remote-state", FormatState(old)));
  RemoteState state;
  std::string error;
  auto store = FileStore::Open(tmp.path(), &state, &error);
  ASSERT_TRUE(store) << error;
  EXPECT_EQ(state, old);
}

}  // namespace
}  // namespace tvq31::remote

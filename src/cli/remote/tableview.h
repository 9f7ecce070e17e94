// Reading a key table the way the remote's keys see it: the code each key
// ends up with (a later directory entry for a key overrides an earlier
// one), the key record that code is, and what changes between two tables.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "keytable/keytable.h"

namespace tvq31::cli {

// The entry in force for each key code value (0 to 255).
std::map<int, KeyEntry> EntriesByCode(const KeyTable& table);

// The key's code as a one-key record (no pairs, one entry, head, data): the
// form the transmitter model plays and the receive step produces.
std::string KeyRecordOf(const KeyEntry& entry);

// The partner of `code` in the table's key pairs, or "" (codes as texts).
std::string PairPartner(const KeyTable& table, const std::string& code);

struct KeyChange {
  enum Kind { kGained, kLost, kChanged };
  int code = 0;
  Kind kind = kChanged;
};

// Keys that have a code in `after` and none in `before` (gained), the
// reverse (lost), or a different type, head or data (changed), in key code
// order. Entries without head or data count as no code.
std::vector<KeyChange> DiffTables(const KeyTable& before, const KeyTable& after);

// The pairs as "AA/BB" texts, for telling whether they changed.
std::vector<std::string> PairTexts(const KeyTable& table);

}  // namespace tvq31::cli

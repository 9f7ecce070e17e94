#include "remote/tableview.h"

#include "hextext/hextext.h"

namespace tvq31::cli {

std::map<int, KeyEntry> EntriesByCode(const KeyTable& table) {
  std::map<int, KeyEntry> entries;
  for (const KeyEntry& entry : table.entries) {
    const std::optional<int32_t> code = ReadHexNumber(entry.key_code);
    if (!code || *code < 0 || *code > 255) continue;
    if (entry.head.empty() || entry.data.empty()) {
      entries.erase(*code);
      continue;
    }
    entries[*code] = entry;
  }
  return entries;
}

std::string KeyRecordOf(const KeyEntry& entry) {
  const int head_len = static_cast<int>(entry.head.size() / 2);
  const int data_len = static_cast<int>(entry.data.size() / 2);
  const int data_offset = 10 + head_len;
  std::string record = "0001";
  record += entry.key_code + entry.key_type + "0A00";
  AppendByteHex(record, head_len);
  AppendByteHex(record, data_offset & 0xFF);
  AppendByteHex(record, data_offset >> 8);
  AppendByteHex(record, data_len);
  return record + entry.head + entry.data;
}

std::string PairPartner(const KeyTable& table, const std::string& code) {
  for (const KeyPair& pair : table.pairs) {
    if (pair.first == code) return pair.second;
    if (pair.second == code) return pair.first;
  }
  return "";
}

std::vector<KeyChange> DiffTables(const KeyTable& before, const KeyTable& after) {
  const std::map<int, KeyEntry> old_entries = EntriesByCode(before);
  const std::map<int, KeyEntry> new_entries = EntriesByCode(after);
  std::vector<KeyChange> changes;
  for (int code = 0; code < 256; ++code) {
    const auto o = old_entries.find(code);
    const auto n = new_entries.find(code);
    const bool had = o != old_entries.end(), has = n != new_entries.end();
    if (!had && has) {
      changes.push_back({code, KeyChange::kGained});
    } else if (had && !has) {
      changes.push_back({code, KeyChange::kLost});
    } else if (had && has) {
      const std::optional<int32_t> old_type = ReadHexNumber(o->second.key_type);
      const std::optional<int32_t> new_type = ReadHexNumber(n->second.key_type);
      if (old_type != new_type || o->second.head != n->second.head ||
          o->second.data != n->second.data) {
        changes.push_back({code, KeyChange::kChanged});
      }
    }
  }
  return changes;
}

std::vector<std::string> PairTexts(const KeyTable& table) {
  std::vector<std::string> texts;
  for (const KeyPair& pair : table.pairs) texts.push_back(pair.first + "/" + pair.second);
  return texts;
}

}  // namespace tvq31::cli

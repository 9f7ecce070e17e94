#include <algorithm>
#include <set>

#include "hextext/hextext.h"
#include "keytable/keytable.h"

namespace tvq31 {

namespace {

// Numeric value of an entry's key code; -1 when it is not hexadecimal.
int64_t CodeValue(std::string_view code) {
  const auto v = ReadHexNumber(code);
  return v ? static_cast<int64_t>(static_cast<uint32_t>(*v)) : -1;
}


}  // namespace

std::string_view KeyStateList::EntryCode(std::string_view entry) noexcept {
  return entry.substr(0, entry.find('|'));
}

char KeyStateList::EntryState(std::string_view entry) noexcept {
  const auto bar = entry.find('|');
  return bar == std::string_view::npos || bar + 1 >= entry.size() ? '\0' : entry[bar + 1];
}

bool KeyStateList::MarkKeyLearned(std::string_view code) {
  const int64_t value = CodeValue(code);
  if (value < 0) return false;
  std::string entry = std::string(code) + "|3";
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    const int64_t v = CodeValue(EntryCode(*it));
    if (v == value) {
      *it = std::move(entry);
      return true;
    }
    if (v > value) {
      entries.insert(it, std::move(entry));
      return true;
    }
  }
  entries.push_back(std::move(entry));
  return true;
}

void KeyStateList::RemoveKeyState(std::string_view code) {
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const std::string& e) { return EntryCode(e) == code; });
  if (it != entries.end()) entries.erase(it);
}

std::string KeyStateList::FindKeyState(std::string_view code) const {
  for (const std::string& e : entries) {
    if (EntryCode(e) == code && EntryState(e) != '3') return e;
  }
  return {};
}

bool KeyStateList::HasLearnedKeys() const noexcept {
  return std::any_of(entries.begin(), entries.end(), [](const std::string& e) {
    const char s = EntryState(e);
    return s == '2' || s == '3';
  });
}

void KeyStateList::CommitLearnedKeys() {
  for (std::string& e : entries) {
    const auto bar = e.find('|');
    if (bar != std::string::npos && bar + 1 < e.size() && e[bar + 1] == '3') e[bar + 1] = '2';
  }
}

std::optional<KeyStateList> ParseKeyStates(std::string_view image, std::string* error) {
  const auto table = ReadKeyTable(image, error);
  if (!table) return std::nullopt;

  std::set<std::string> second_keys;
  for (const KeyPair& pair : table->pairs) second_keys.insert(pair.second + "|1");

  // Sorted by key code value, then text: for the upper-case codes the remote
  // writes this is plain text order, and lower-case codes still sort by
  // their value, as MarkKeyLearned expects.
  std::vector<std::pair<int64_t, std::string>> sorted;
  sorted.reserve(table->entries.size());
  for (const KeyEntry& e : table->entries) {
    const int64_t code = CodeValue(e.key_code);
    if (CodeValue(e.key_type) & kLearnedTypeBit) {
      sorted.emplace_back(code, ByteHex(static_cast<int>(code)) + "|2");
    } else {
      sorted.emplace_back(code, e.key_code + "|1");
    }
  }
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

  KeyStateList list;
  list.entries.reserve(sorted.size());
  for (auto& [code, entry] : sorted) {
    if (second_keys.count(entry) == 0) list.entries.push_back(std::move(entry));
  }
  return list;
}

}  // namespace tvq31

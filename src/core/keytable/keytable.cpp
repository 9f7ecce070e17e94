#include "keytable/keytable.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "hextext/hextext.h"

namespace tvq31 {

namespace {

// Largest offset a directory entry can carry (two bytes).
constexpr int32_t kMaxOffset = 0xFFFF;
constexpr int kMaxEntries = 255;
constexpr std::size_t kRecordFixedChars = 20;

// Digit values for the hot loops (images are read whole on every store):
// the same digits HexDigitValue accepts, -1 for everything else.
constexpr std::array<int8_t, 256> kDigitValue = [] {
  std::array<int8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
           : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
           : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                                  : int8_t{-1};
  }
  return t;
}();

inline int DigitValue(char c) noexcept { return kDigitValue[static_cast<unsigned char>(c)]; }

// Value of two hexadecimal digits, -1 when either is not one.
inline int PairValue(const char* p) noexcept {
  const int hi = DigitValue(p[0]);
  const int lo = DigitValue(p[1]);
  return (hi | lo) < 0 ? -1 : hi * 16 + lo;
}

bool AllHex(std::string_view text) noexcept {
  int bad = 0;
  for (char c : text) bad |= DigitValue(c);
  return !text.empty() && bad >= 0;
}

void SetError(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) {
      out.push_back(c);
    } else {
      out += "\\x";
      AppendByteHex(out, u);
    }
  }
  out.push_back('"');
  return out;
}

// Reads bytes of an image by byte index (byte n is characters 2n, 2n+1).
class ByteReader {
 public:
  explicit ByteReader(std::string_view text) : text_(text) {}

  bool Has(std::size_t byte, std::size_t count) const noexcept {
    return byte <= text_.size() / 2 && count <= text_.size() / 2 - byte;
  }

  std::string_view Digits(std::size_t byte, std::size_t count) const noexcept {
    return text_.substr(2 * byte, 2 * count);
  }

  // The byte's value, or -1 when it is missing or not hexadecimal.
  int Byte(std::size_t byte) const noexcept {
    if (!Has(byte, 1)) return -1;
    return PairValue(text_.data() + 2 * byte);
  }

  // Two bytes, low byte first; -1 when missing or not hexadecimal.
  int Word(std::size_t byte) const noexcept {
    const int lo = Byte(byte);
    const int hi = Byte(byte + 1);
    return lo < 0 || hi < 0 ? -1 : lo + 256 * hi;
  }

 private:
  std::string_view text_;
};

std::string EntryName(std::size_t index, std::string_view code) {
  return "directory entry " + std::to_string(index + 1) + " (key " + Quote(code) + ")";
}

// The part of a key record that storing reads.
struct RecordFields {
  std::string_view key_code;
  int head_len = 0;
  int data_len = 0;
  std::string_view head;
  std::string_view data;
};

std::optional<RecordFields> ReadRecordFields(std::string_view record, std::string* error) {
  if (record.size() < kRecordFixedChars) {
    SetError(error, "key record: " + std::to_string(record.size()) +
                        " characters, at least 20 needed");
    return std::nullopt;
  }
  RecordFields f;
  f.key_code = record.substr(4, 2);
  if (!IsHexText(f.key_code)) {
    SetError(error, "key record: key code " + Quote(f.key_code) + " is not hexadecimal");
    return std::nullopt;
  }
  const auto h = ReadHexNumber(record.substr(12, 2));
  const auto d = ReadHexNumber(record.substr(18, 2));
  if (!h || !d) {
    SetError(error, "key record: head or data length " + Quote(record.substr(12, 2)) + "/" +
                        Quote(record.substr(18, 2)) + " is not hexadecimal");
    return std::nullopt;
  }
  f.head_len = *h;
  f.data_len = *d;
  if (f.head_len > 0 && f.data_len > 0) {
    const std::size_t need =
        kRecordFixedChars + 2 * static_cast<std::size_t>(f.head_len + f.data_len);
    if (record.size() < need) {
      SetError(error, "key record: head of " + std::to_string(f.head_len) + " and data of " +
                          std::to_string(f.data_len) + " bytes need " + std::to_string(need) +
                          " characters, the record has " + std::to_string(record.size()));
      return std::nullopt;
    }
    f.head = record.substr(kRecordFixedChars, 2 * static_cast<std::size_t>(f.head_len));
    f.data = record.substr(kRecordFixedChars + f.head.size(),
                           2 * static_cast<std::size_t>(f.data_len));
    if (!AllHex(f.head) || !AllHex(f.data)) {
      SetError(error, "key record: head or data is not hexadecimal");
      return std::nullopt;
    }
  }
  return f;
}

void AppendWord(std::string& out, int32_t value) {
  AppendByteHex(out, value & 0xFF);
  AppendByteHex(out, (value >> 8) & 0xFF);
}

// Working record index of a key code that was checked when it was read.
std::size_t CodeIndex(std::string_view code) {
  return static_cast<std::size_t>(PairValue(code.data())) & 0xFF;
}

}  // namespace

std::optional<KeyTable> ReadKeyTable(std::string_view image, std::string* error) {
  const ByteReader in(image);
  KeyTable table;

  const int pair_count = in.Byte(0);
  if (pair_count < 0) {
    SetError(error, "key table image: pair count " + Quote(image.substr(0, 2)) +
                        " is missing or not hexadecimal");
    return std::nullopt;
  }
  if (!in.Has(1, 2 * static_cast<std::size_t>(pair_count))) {
    SetError(error, "key table image: the list of " + std::to_string(pair_count) +
                        " key pairs runs past the end of the image");
    return std::nullopt;
  }
  table.pairs.reserve(static_cast<std::size_t>(pair_count));
  for (int i = 0; i < pair_count; ++i) {
    const std::size_t at = 1 + 2 * static_cast<std::size_t>(i);
    KeyPair pair{std::string(in.Digits(at, 1)), std::string(in.Digits(at + 1, 1))};
    if (!AllHex(pair.first) || !AllHex(pair.second)) {
      SetError(error, "key table image: key pair " + std::to_string(i + 1) + " " +
                          Quote(pair.first + pair.second) + " is not hexadecimal");
      return std::nullopt;
    }
    table.pairs.push_back(std::move(pair));
  }

  const std::size_t dir_at = 1 + 2 * static_cast<std::size_t>(pair_count);
  const int entry_count = in.Byte(dir_at);
  if (entry_count < 0) {
    SetError(error, "key table image: entry count " + Quote(in.Digits(dir_at, 1)) +
                        " is missing or not hexadecimal");
    return std::nullopt;
  }
  if (!in.Has(dir_at + 1, 8 * static_cast<std::size_t>(entry_count))) {
    SetError(error, "key table image: the directory of " + std::to_string(entry_count) +
                        " entries runs past the end of the image");
    return std::nullopt;
  }
  table.entries.reserve(static_cast<std::size_t>(entry_count));
  for (int i = 0; i < entry_count; ++i) {
    const std::size_t at = dir_at + 1 + 8 * static_cast<std::size_t>(i);
    KeyEntry e;
    e.key_code = std::string(in.Digits(at, 1));
    e.key_type = std::string(in.Digits(at + 1, 1));
    const auto name = [&] { return EntryName(static_cast<std::size_t>(i), e.key_code); };
    if (!AllHex(e.key_code) || !AllHex(e.key_type)) {
      SetError(error, "key table image: " + name() + " has a key code or type that is not hexadecimal");
      return std::nullopt;
    }
    e.head_offset = in.Word(at + 2);
    e.head_len = in.Byte(at + 4);
    e.data_offset = in.Word(at + 5);
    e.data_len = in.Byte(at + 7);
    if (e.head_offset < 0 || e.head_len < 0 || e.data_offset < 0 || e.data_len < 0) {
      SetError(error, "key table image: " + name() +
                          " has an offset or length that is not hexadecimal");
      return std::nullopt;
    }
    const auto take = [&](int offset, int len, const char* what,
                          std::string& out) -> bool {
      if (len == 0) return true;  // nothing stored, the offset is not used
      const auto off = static_cast<std::size_t>(offset);
      const auto n = static_cast<std::size_t>(len);
      if (!in.Has(off, n)) {
        SetError(error, "key table image: " + name() + ": " + what + " of " +
                            std::to_string(len) + " bytes at byte " + std::to_string(offset) +
                            " lies outside the image");
        return false;
      }
      out = std::string(in.Digits(off, n));
      if (!AllHex(out)) {
        SetError(error, "key table image: " + name() + ": " + what + " at byte " +
                            std::to_string(offset) + " is not hexadecimal");
        return false;
      }
      return true;
    };
    if (!take(e.head_offset, e.head_len, "head", e.head) ||
        !take(e.data_offset, e.data_len, "data", e.data)) {
      return std::nullopt;
    }
    table.entries.push_back(std::move(e));
  }
  return table;
}

bool ImageFitsRemote(std::string_view image) noexcept {
  return image.size() <= kRemoteImageChars;
}

std::string OneKeyDeletionRecord(std::string_view key_code) {
  return "0001" + std::string(key_code) + std::string(14, '0');
}

std::string ClearAllDeletionRecord(std::string_view key_code) {
  return "0001" + std::string(key_code) + std::string(16, '0');
}

int32_t PlaceHeads(ArrCodeInfo& records, int32_t start) {
  int32_t at = start;
  // Long heads first: their places are what the remote's own tools give.
  // Short heads (1 to 3 bytes) follow, so that they too are stored and read
  // back through their offsets.
  for (const bool long_heads : {true, false}) {
    for (std::size_t i = 0; i < records.size(); ++i) {
      CodeInfo& r = records[i];
      if (!r.Used || r.Head.empty() || (r.Head.size() >= 8) != long_heads) continue;
      r.HeadOffset = at;
      for (std::size_t j = i + 1; j < records.size(); ++j) {
        CodeInfo& other = records[j];
        if (other.Used && other.Head == r.Head) {
          other.HeadOffset = at;
          other.Head.clear();
        }
      }
      at += static_cast<int32_t>(r.Head.size() / 2);
    }
  }
  return at;
}

std::optional<std::string> PutKeyRecord(std::string_view image, std::string_view record,
                                        std::string* error) {
  auto table = ReadKeyTable(image, error);
  if (!table) return std::nullopt;
  const auto rec = ReadRecordFields(record, error);
  if (!rec) return std::nullopt;

  auto records = std::make_unique<ArrCodeInfo>();
  for (KeyEntry& e : table->entries) {
    CodeInfo& r = (*records)[CodeIndex(e.key_code)];
    r.KeyCode = std::move(e.key_code);
    r.KeyType = std::move(e.key_type);
    r.HeadLen = e.head_len;
    r.DataLen = e.data_len;
    r.Head = std::move(e.head);
    r.Data = std::move(e.data);
    r.HeadOffset = 0;
    r.DataOffset = 0;
    r.Used = true;
  }

  const std::size_t k = CodeIndex(rec->key_code);
  {
    CodeInfo& r = (*records)[k];
    r.KeyCode = std::string(rec->key_code);
    r.KeyType = kLearnedKeyType;
    r.HeadLen = rec->head_len;
    r.DataLen = rec->data_len;
    r.HeadOffset = 0;
    r.DataOffset = 0;
    r.Used = rec->head_len > 0 && rec->data_len > 0;
    r.Head = r.Used ? std::string(rec->head) : std::string();
    r.Data = r.Used ? std::string(rec->data) : std::string();
  }

  // Storing for one key of a pair takes the code of the other key and
  // dissolves the pair. A pair that names the stored key twice has no other
  // key: it is dropped, and the record just stored stays.
  std::vector<const KeyPair*> kept;
  kept.reserve(table->pairs.size());
  for (const KeyPair& pair : table->pairs) {
    const std::string* other = nullptr;
    if (rec->key_code == pair.first) {
      other = &pair.second;
    } else if (rec->key_code == pair.second) {
      other = &pair.first;
    } else {
      kept.push_back(&pair);
      continue;
    }
    const std::size_t o = CodeIndex(*other);
    if (o != k) (*records)[o].Used = false;
  }

  int used = 0;
  for (const CodeInfo& r : *records) used += r.Used ? 1 : 0;
  if (used > kMaxEntries) {
    SetError(error, "key table: the rebuilt table would hold " + std::to_string(used) +
                        " entries, at most 255 can be counted");
    return std::nullopt;
  }

  const int32_t dir_end = 2 + 2 * static_cast<int32_t>(kept.size()) + 8 * used;
  const int32_t heads_end = PlaceHeads(*records, dir_end);

  // Data offsets follow one another from the end of the heads.
  int32_t data_at = heads_end;
  for (CodeInfo& r : *records) {
    if (!r.Used) continue;
    r.DataOffset = data_at;
    data_at += r.DataLen;
  }
  // Every offset written must fit its two bytes; the last data offset is
  // the largest one.
  int32_t last_offset = heads_end;
  for (const CodeInfo& r : *records) {
    if (r.Used) last_offset = std::max({last_offset, r.DataOffset, r.HeadOffset});
  }
  if (last_offset > kMaxOffset) {
    SetError(error, "key table: the rebuilt table needs offsets up to " +
                        std::to_string(last_offset) + ", beyond the 65535 two bytes can hold");
    return std::nullopt;
  }

  std::string out;
  out.reserve(2 * static_cast<std::size_t>(data_at));
  AppendByteHex(out, static_cast<int>(kept.size()));
  for (const KeyPair* pair : kept) {
    out += pair->first;
    out += pair->second;
  }
  AppendByteHex(out, used);
  for (const CodeInfo& r : *records) {
    if (!r.Used) continue;
    out += r.KeyCode;
    out += r.KeyType;
    AppendWord(out, r.HeadOffset);
    AppendByteHex(out, r.HeadLen);
    AppendWord(out, r.DataOffset);
    AppendByteHex(out, r.DataLen);
  }
  for (const bool long_heads : {true, false}) {
    for (const CodeInfo& r : *records) {
      if (r.Used && !r.Head.empty() && (r.Head.size() >= 8) == long_heads) out += r.Head;
    }
  }
  for (const CodeInfo& r : *records) {
    if (r.Used) out += r.Data;
  }
  return out;
}

}  // namespace tvq31

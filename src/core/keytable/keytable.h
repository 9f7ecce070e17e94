// The remote's key code table.
//
// The remote keeps the infrared codes of all its keys in one table, which
// travels as the key table image: hexadecimal text, two digits per byte,
//
//   byte 0           P, number of key pairs
//   1 .. 2P          P pairs: first key code, second key code
//   1+2P             D, number of directory entries
//   2+2P .. +8D      D entries: key code, key type, head offset (low byte
//                    first), head length, data offset (low byte first),
//                    data length
//   then             the head area and the data area
//
// Offsets count bytes from the first byte of the image. Keys with equal
// heads may point at one stored copy. A key record is a one-key image (no
// pairs, one entry, its head, its data); storing one with head or data
// length zero removes the key's code.
//
// The key state list says for every key with a code what the key pad shows:
// "CC|1" a downloaded code, "CC|2" a learned code, "CC|3" learned in the
// running session and not yet confirmed.
//
// Everything here is pure: images and records from outside are checked and
// refused with a reason, never trusted.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvq31 {

// Characters of the key table image the remote delivers and holds
// (6144 bytes). Only the part reached by counts and offsets is meaningful.
inline constexpr std::size_t kRemoteImageChars = 12288;

// Key type of every code learned through this tool; bit 0x40 marks a
// learned code.
inline constexpr char kLearnedKeyType[] = "CF";
inline constexpr int kLearnedTypeBit = 0x40;

// One key pair: storing anything for either key removes the other's code
// and dissolves the pair. Key codes are the two-digit texts as found.
struct KeyPair {
  std::string first;
  std::string second;
};

// One directory entry with the bytes it points at.
struct KeyEntry {
  std::string key_code;  // two hexadecimal digits as found
  std::string key_type;  // two hexadecimal digits as found
  int head_offset = 0;   // bytes from the start of the image
  int head_len = 0;      // bytes
  int data_offset = 0;
  int data_len = 0;
  std::string head;  // 2*head_len hexadecimal digits
  std::string data;  // 2*data_len hexadecimal digits
};

// A key table image taken apart. Entries are in image order; a later entry
// for the same key code overrides an earlier one when the table is rebuilt.
struct KeyTable {
  std::vector<KeyPair> pairs;
  std::vector<KeyEntry> entries;
};

// Takes a key table image apart. Refuses (nullopt, reason in *error) an
// image whose counts, key codes, key types, offsets or lengths are missing
// or not hexadecimal, or whose heads or data lie outside the image or are
// not hexadecimal. Characters past the last byte reached are ignored (the
// remote pads its image with zero characters).
std::optional<KeyTable> ReadKeyTable(std::string_view image,
                                     std::string* error = nullptr);

// True when the remote can hold `image` (at most kRemoteImageChars
// characters). A rebuilt image can outgrow it; check before writing.
bool ImageFitsRemote(std::string_view image) noexcept;

// The deletion records the delete and clear-all workflows store: "0001",
// the key code, then 14 (one key) or 16 (clear-all) zeros. Both read as
// head length 0 and data length 0.
std::string OneKeyDeletionRecord(std::string_view key_code);
std::string ClearAllDeletionRecord(std::string_view key_code);

// ---------------------------------------------------------------------------
// Rebuilding the image.

// The working record of one key code while an image is rebuilt.
struct CodeInfo {
  std::string KeyCode;  // two hexadecimal digits as found
  std::string KeyType;  // two hexadecimal digits
  int32_t HeadLen = 0;  // bytes
  int32_t DataLen = 0;  // bytes
  std::string Head;     // hexadecimal digits, up to 510 (255 bytes)
  std::string Data;     // hexadecimal digits, up to 510 (255 bytes)
  int32_t HeadOffset = 0;
  int32_t DataOffset = 0;  // assigned while writing
  bool Used = false;       // the key has a code in the image being built
};

// One working record per key code value 0 to 255.
using ArrCodeInfo = std::array<CodeInfo, 256>;

// Places the heads of the used records from byte `start` on and returns the
// offset after the last head. Heads of 4 bytes or more come first, in
// ascending key code order; then heads of 1 to 3 bytes, likewise. A record
// whose head equals (as text) that of a lower key code in the same group
// gets that offset and an emptied Head, so the head is written once. A
// record with an empty head keeps offset 0.
int32_t PlaceHeads(ArrCodeInfo& records, int32_t start);

// Stores `record` for its key in `image` and returns the rebuilt image:
// remaining pairs in their order, one entry per key with a code in
// ascending key code order (stored keys typed "CF"), the heads once each,
// then every key's data. A record with head or data length zero removes the
// key's code. A record for either key of a pair removes the other key's
// code and the pair.
//
// Refuses (nullopt, reason in *error) a malformed image (see ReadKeyTable),
// a record shorter than 20 characters or whose key code, lengths, head or
// data are missing or not hexadecimal, and a result that cannot be written
// (more than 255 entries, or an offset beyond 16 bits). A result longer
// than the remote holds is returned; see ImageFitsRemote.
std::optional<std::string> PutKeyRecord(std::string_view image,
                                        std::string_view record,
                                        std::string* error = nullptr);

// ---------------------------------------------------------------------------
// The key state list.

// Entries "CC|S" in ascending key code order. The operations keep that
// order: MarkKeyLearned inserts in place.
struct KeyStateList {
  std::vector<std::string> entries;

  // The key code text of an entry (the part before "|") and its state
  // character ('\0' when the entry has none).
  static std::string_view EntryCode(std::string_view entry) noexcept;
  static char EntryState(std::string_view entry) noexcept;

  // Makes `code` state "3": replaces the first entry with the same numeric
  // key code, or inserts before the first numerically greater one, or
  // appends. Returns false, changing nothing, when `code` is not a
  // hexadecimal key code.
  bool MarkKeyLearned(std::string_view code);

  // Deletes the first entry whose key code text equals `code`.
  void RemoveKeyState(std::string_view code);

  // The first entry whose key code text equals `code` and whose state is
  // not "3"; empty when there is none.
  std::string FindKeyState(std::string_view code) const;

  // True when some entry has state "2" or "3".
  bool HasLearnedKeys() const noexcept;

  // Every state "3" entry becomes state "2".
  void CommitLearnedKeys();

  bool operator==(const KeyStateList&) const = default;
};

// The key state list of an image: every entry gives its key code with "|2"
// when its key type has bit 0x40 (the code written as two upper-case
// digits), else with "|1" (the code as found); exact duplicates once. Entries
// "CC|1" of keys that are the second key of a pair are left out: such a key
// shows no downloaded code of its own. Refuses what ReadKeyTable refuses.
std::optional<KeyStateList> ParseKeyStates(std::string_view image,
                                           std::string* error = nullptr);

}  // namespace tvq31

// The code-style library: one binary file of infrared code styles, each
// describing one protocol (carrier, symbol groups, frame patterns, frame
// sequence). Records are read in file order; nothing here writes the file
// except the library compiler's writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvq31 {

inline constexpr int kMaxGroups = 4;
inline constexpr int kMaxGroupElements = 6;
inline constexpr int kMaxFrames = 6;
inline constexpr int kMaxFrameElements = 32;
inline constexpr int kMaxSequence = 8;
inline constexpr int kMaxTrailer = 4;
inline constexpr int kNameSize = 21;
inline constexpr int kBodySize = 1012;
inline constexpr int kRecordSize = kNameSize + kBodySize;  // 1033
inline constexpr char kLibraryHeader[] = "Vexor ZorizIrevorOruzavuduv CodeInfo";
inline constexpr char kLibraryFileName[] = "QD01.csl";

struct SymbolGroup {
  uint8_t Count = 0;
  std::array<uint32_t, kMaxGroupElements> Elements{};

  bool operator==(const SymbolGroup&) const = default;
};

struct FramePattern {
  uint8_t Count = 0;
  std::array<uint32_t, kMaxFrameElements> Elements{};

  bool operator==(const FramePattern&) const = default;
};

// One code style as stored: the name block and the body fields. Counts are
// taken as stored; users check them against the limits above.
struct CodeStyleNode {
  std::string Name;  // up to the first zero byte of the 21-byte name block
  uint8_t NoCarrier = 0;
  int32_t CarrierFreq = 0;
  uint8_t CarrierSel = 0;
  uint8_t UnitDivisor = 0;
  uint8_t GroupCount = 0;
  std::array<SymbolGroup, kMaxGroups> Groups{};
  uint8_t FreeSymbolMode = 0;
  uint8_t FreeSymbolHigh = 0;
  uint8_t FreeSymbolLow = 0;
  uint8_t FrameCount = 0;
  std::array<FramePattern, kMaxFrames> Frames{};
  uint8_t SequenceCount = 0;
  std::array<uint32_t, kMaxSequence> Sequence{};
  uint8_t RepeatCount = 0;
  uint8_t TrailerCount = 0;
  std::array<uint32_t, kMaxTrailer> Trailer{};
  uint8_t ModeHigh = 0;
  uint8_t ModeByte = 0;
  uint8_t ModeLow = 0;

  bool operator==(const CodeStyleNode&) const = default;
};

using ArrCodeStyleNode = std::vector<CodeStyleNode>;

// Tagged timing element helpers: tag in bits 24..31, value in bits 0..23.
constexpr uint32_t MakeElement(uint32_t tag, uint32_t value) {
  return (tag << 24) | (value & 0xFFFFFFu);
}
constexpr uint32_t ElementTag(uint32_t element) { return element >> 24; }
constexpr uint32_t ElementV(uint32_t element) { return element & 0xFFFFFFu; }

}  // namespace tvq31

namespace tvq31 {

// Reads the library file at `path` into `nodes` (replaced only on success).
// True when the file exists and its header text matches, whatever the
// number of records (zero included). False when the file is missing, the
// header differs, or the file cannot be opened or read; then `nodes` is left
// as it was and `error` (when given) says which, in one line naming the file.
// The file is opened read-only. A file over 64 MiB (or an endless stream)
// is refused like a read error.
bool LoadCodeStyleFile(const std::string& path, ArrCodeStyleNode& nodes,
                       std::string* error = nullptr);

// Parses library file bytes already in memory; same rules as
// LoadCodeStyleFile.
bool ParseCodeStyleBytes(std::string_view bytes, ArrCodeStyleNode& nodes,
                         std::string* error = nullptr);

// The stored form of a library: the header, then every record (1033 bytes).
// Reserved bytes are written as zero; a name longer than the 21-byte name
// block is cut to fit (a name of exactly 21 characters has no terminator).
std::string WriteCodeStyleBytes(const ArrCodeStyleNode& nodes);

// The header text at `pos` of `bytes`: a length byte and that many
// characters. Empty when the length byte is missing or 0, or when fewer
// characters than it announces are there. The text ends at its first zero
// byte, if it holds one. `pos` moves past what was read.
std::string ReadHeaderText(std::string_view bytes, size_t& pos);

// True when every count of `style` is within the record's slots (4 groups of
// 6 elements, 6 patterns of 32, 8 sequence entries, 4 trailer entries) and
// the repeating tail is no longer than the sequence.
// Counts beyond them are outside the format; a style that breaks them can
// never match and is skipped by the recogniser.
bool CountsWithinLimits(const CodeStyleNode& style);

}  // namespace tvq31

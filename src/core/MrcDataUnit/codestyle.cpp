#include "MrcDataUnit/codestyle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tvq31 {

namespace {

constexpr size_t kHeaderLength = sizeof(kLibraryHeader) - 1;  // 36
// Some 65000 records; a path that names an endless stream (a device, a pipe)
// must not read forever.
constexpr size_t kMaxLibraryFileSize = size_t{64} << 20;

// Body offsets of the stored record.
constexpr size_t kOffNoCarrier = 0;
constexpr size_t kOffCarrierFreq = 4;
constexpr size_t kOffCarrierSel = 8;
constexpr size_t kOffUnitDivisor = 9;
constexpr size_t kOffGroupCount = 12;
constexpr size_t kOffGroups = 16;
constexpr size_t kGroupSize = 4 + 4 * kMaxGroupElements;  // 28
constexpr size_t kOffFreeSymbolMode = 128;
constexpr size_t kOffFreeSymbolHigh = 129;
constexpr size_t kOffFreeSymbolLow = 131;
constexpr size_t kOffFrameCount = 140;
constexpr size_t kOffFrames = 144;
constexpr size_t kFrameSize = 4 + 4 * kMaxFrameElements;  // 132
constexpr size_t kOffSequenceCount = 936;
constexpr size_t kOffSequence = 940;
constexpr size_t kOffRepeatCount = 972;
constexpr size_t kOffTrailerCount = 976;
constexpr size_t kOffTrailer = 980;
constexpr size_t kOffModeHigh = 997;
constexpr size_t kOffModeByte = 998;
constexpr size_t kOffModeLow = 999;

static_assert(kOffGroups + kMaxGroups * kGroupSize == kOffFreeSymbolMode);
static_assert(kOffFrames + kMaxFrames * kFrameSize == kOffSequenceCount);
static_assert(kOffSequence + 4 * kMaxSequence == kOffRepeatCount);
static_assert(kOffTrailer + 4 * kMaxTrailer == 996);

uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Decodes one record from its name block and a full-size body (a short body
// has already been padded with zeros) into a fresh `node`.
void DecodeRecord(std::string_view name_block, const uint8_t* body, CodeStyleNode& node) {
  const size_t zero = name_block.find('\0');
  node.Name = std::string(name_block.substr(0, zero));
  node.NoCarrier = body[kOffNoCarrier];
  node.CarrierFreq = static_cast<int32_t>(GetU32(body + kOffCarrierFreq));
  node.CarrierSel = body[kOffCarrierSel];
  node.UnitDivisor = body[kOffUnitDivisor];
  node.GroupCount = body[kOffGroupCount];
  for (int g = 0; g < kMaxGroups; ++g) {
    const uint8_t* p = body + kOffGroups + static_cast<size_t>(g) * kGroupSize;
    node.Groups[g].Count = p[0];
    for (int i = 0; i < kMaxGroupElements; ++i) node.Groups[g].Elements[i] = GetU32(p + 4 + 4 * i);
  }
  node.FreeSymbolMode = body[kOffFreeSymbolMode];
  node.FreeSymbolHigh = body[kOffFreeSymbolHigh];
  node.FreeSymbolLow = body[kOffFreeSymbolLow];
  node.FrameCount = body[kOffFrameCount];
  for (int f = 0; f < kMaxFrames; ++f) {
    const uint8_t* p = body + kOffFrames + static_cast<size_t>(f) * kFrameSize;
    node.Frames[f].Count = p[0];
    for (int i = 0; i < kMaxFrameElements; ++i) node.Frames[f].Elements[i] = GetU32(p + 4 + 4 * i);
  }
  node.SequenceCount = body[kOffSequenceCount];
  for (int i = 0; i < kMaxSequence; ++i) node.Sequence[i] = GetU32(body + kOffSequence + 4 * i);
  node.RepeatCount = body[kOffRepeatCount];
  node.TrailerCount = body[kOffTrailerCount];
  for (int i = 0; i < kMaxTrailer; ++i) node.Trailer[i] = GetU32(body + kOffTrailer + 4 * i);
  node.ModeHigh = body[kOffModeHigh];
  node.ModeByte = body[kOffModeByte];
  node.ModeLow = body[kOffModeLow];
}

void EncodeRecord(const CodeStyleNode& node, uint8_t* record) {
  std::memset(record, 0, kRecordSize);
  std::memcpy(record, node.Name.data(), std::min(node.Name.size(), static_cast<size_t>(kNameSize)));
  uint8_t* body = record + kNameSize;
  body[kOffNoCarrier] = node.NoCarrier;
  PutU32(body + kOffCarrierFreq, static_cast<uint32_t>(node.CarrierFreq));
  body[kOffCarrierSel] = node.CarrierSel;
  body[kOffUnitDivisor] = node.UnitDivisor;
  body[kOffGroupCount] = node.GroupCount;
  for (int g = 0; g < kMaxGroups; ++g) {
    uint8_t* p = body + kOffGroups + static_cast<size_t>(g) * kGroupSize;
    p[0] = node.Groups[g].Count;
    for (int i = 0; i < kMaxGroupElements; ++i) PutU32(p + 4 + 4 * i, node.Groups[g].Elements[i]);
  }
  body[kOffFreeSymbolMode] = node.FreeSymbolMode;
  body[kOffFreeSymbolHigh] = node.FreeSymbolHigh;
  body[kOffFreeSymbolLow] = node.FreeSymbolLow;
  body[kOffFrameCount] = node.FrameCount;
  for (int f = 0; f < kMaxFrames; ++f) {
    uint8_t* p = body + kOffFrames + static_cast<size_t>(f) * kFrameSize;
    p[0] = node.Frames[f].Count;
    for (int i = 0; i < kMaxFrameElements; ++i) PutU32(p + 4 + 4 * i, node.Frames[f].Elements[i]);
  }
  body[kOffSequenceCount] = node.SequenceCount;
  for (int i = 0; i < kMaxSequence; ++i) PutU32(body + kOffSequence + 4 * i, node.Sequence[i]);
  body[kOffRepeatCount] = node.RepeatCount;
  body[kOffTrailerCount] = node.TrailerCount;
  for (int i = 0; i < kMaxTrailer; ++i) PutU32(body + kOffTrailer + 4 * i, node.Trailer[i]);
  body[kOffModeHigh] = node.ModeHigh;
  body[kOffModeByte] = node.ModeByte;
  body[kOffModeLow] = node.ModeLow;
}

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

}  // namespace

std::string ReadHeaderText(std::string_view bytes, size_t& pos) {
  if (pos >= bytes.size()) return {};
  const size_t length = static_cast<uint8_t>(bytes[pos]);
  ++pos;
  if (length == 0) return {};
  if (bytes.size() - pos < length) {
    pos = bytes.size();
    return {};
  }
  std::string_view text = bytes.substr(pos, length);
  pos += length;
  return std::string(text.substr(0, text.find('\0')));
}

bool ParseCodeStyleBytes(std::string_view bytes, ArrCodeStyleNode& nodes, std::string* error) {
  size_t pos = 0;
  if (ReadHeaderText(bytes, pos) != std::string_view(kLibraryHeader, kHeaderLength)) {
    SetError(error, "not a code-style library (header text differs)");
    return false;
  }
  ArrCodeStyleNode loaded;
  loaded.reserve((bytes.size() - pos) / kRecordSize + 1);
  uint8_t body[kBodySize];
  while (pos < bytes.size()) {
    const size_t name_len = std::min(bytes.size() - pos, static_cast<size_t>(kNameSize));
    const std::string_view name_block = bytes.substr(pos, name_len);
    pos += name_len;
    const size_t body_len = std::min(bytes.size() - pos, static_cast<size_t>(kBodySize));
    // A record cut inside its name block delivers no body: the load ends
    // without it. A record cut inside its body is kept; the bytes the file
    // did not supply read as zero.
    if (body_len == 0) break;
    const auto* from = reinterpret_cast<const uint8_t*>(bytes.data() + pos);
    if (body_len < kBodySize) {
      std::memset(body, 0, sizeof body);
      std::memcpy(body, from, body_len);
      from = body;
    }
    pos += body_len;
    DecodeRecord(name_block, from, loaded.emplace_back());
  }
  nodes = std::move(loaded);
  return true;
}

bool LoadCodeStyleFile(const std::string& path, ArrCodeStyleNode& nodes, std::string* error) {
  // Read-only: the reader never writes, and an installed library is often
  // not writable by the user.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    SetError(error, path + ": " + (err == ENOENT ? "no such file" : std::strerror(err)));
    return false;
  }
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    bytes.reserve(static_cast<size_t>(st.st_size));
  }
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      bytes.append(buf, static_cast<size_t>(n));
      if (bytes.size() > kMaxLibraryFileSize) {
        ::close(fd);
        SetError(error, path + ": larger than any code-style library (over 64 MiB)");
        return false;
      }
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      const int err = errno;
      ::close(fd);
      SetError(error, path + ": read error: " + std::strerror(err));
      return false;
    }
  }
  ::close(fd);
  std::string parse_error;
  if (!ParseCodeStyleBytes(bytes, nodes, &parse_error)) {
    SetError(error, path + ": " + parse_error);
    return false;
  }
  return true;
}

std::string WriteCodeStyleBytes(const ArrCodeStyleNode& nodes) {
  std::string out;
  out.reserve(1 + kHeaderLength + nodes.size() * kRecordSize);
  out.push_back(static_cast<char>(kHeaderLength));
  out.append(kLibraryHeader, kHeaderLength);
  uint8_t record[kRecordSize];
  for (const CodeStyleNode& node : nodes) {
    EncodeRecord(node, record);
    out.append(reinterpret_cast<const char*>(record), kRecordSize);
  }
  return out;
}

bool CountsWithinLimits(const CodeStyleNode& style) {
  if (style.GroupCount > kMaxGroups || style.FrameCount > kMaxFrames ||
      style.SequenceCount > kMaxSequence || style.TrailerCount > kMaxTrailer ||
      style.RepeatCount > style.SequenceCount) {
    return false;
  }
  for (int g = 0; g < style.GroupCount; ++g) {
    if (style.Groups[g].Count > kMaxGroupElements) return false;
  }
  for (int f = 0; f < style.FrameCount; ++f) {
    if (style.Frames[f].Count > kMaxFrameElements) return false;
  }
  return true;
}

}  // namespace tvq31

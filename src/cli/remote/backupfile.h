// The backup file of `tvq31ctl remote backup`: what identifies the remote
// and the whole key table image, as text with a CRC-32 over everything
// before it, so that a damaged or edited file is noticed before it is
// written back. docs/remote-cli.md describes the format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvq31::cli {

inline constexpr char kBackupMagic[] = "TVQ31 remote backup, format 1";

struct RemoteBackup {
  std::string identity;  // the 30 identity characters, blanks included
  std::string version1;  // the two characters of the first version pair
  std::string version2;
  std::string type;      // the four characters of the type code
  std::string image;     // the key table image (hexadecimal text)
  std::string written;   // when the backup was made (UTC, ISO 8601); not checked
  std::string comment;   // '#' lines written before the image; not read back
};

// CRC-32 (IEEE 802.3, the zlib/PNG one) of `data`.
uint32_t Crc32(std::string_view data) noexcept;

// The file's text, ending with its "crc32:" line.
std::string FormatBackup(const RemoteBackup& backup);

// Reads a backup file. nullopt with a reason when the checksum line is
// missing or does not match (the file is damaged), or when a field is
// missing, repeated, unknown or malformed. The image is returned as
// written; whether it is a key table is the caller's check.
std::optional<RemoteBackup> ParseBackup(std::string_view text, std::string* error);

// `text` as a double-quoted string: printable ASCII as it is, '"' and '\'
// escaped with '\', every other byte as \xHH. UnquoteText reads it back.
std::string QuoteText(std::string_view text);
std::optional<std::string> UnquoteText(std::string_view quoted);

// Writes `content` to `path` so that a crash leaves the old file or the new
// one, never a part: a temporary file beside it, fsync, rename, fsync of
// the folder. False with a reason; the temporary file is removed then.
bool WriteFileDurably(const std::string& path, std::string_view content, std::string* error);

}  // namespace tvq31::cli

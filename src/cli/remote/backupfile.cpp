#include "remote/backupfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "hextext/hextext.h"

namespace tvq31::cli {

namespace {

constexpr size_t kImageLineChars = 64;

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    if (nl == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    lines.push_back(text.substr(0, nl));
    text.remove_prefix(nl + 1);
  }
  return lines;
}

bool Fail(std::string* error, std::string reason) {
  *error = std::move(reason);
  return false;
}

}  // namespace

uint32_t Crc32(std::string_view data) noexcept {
  static const std::array<uint32_t, 256> kTable = MakeCrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (const char ch : data) c = kTable[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string QuoteText(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      out += "\\x" + ByteHex(c);
    }
  }
  return out + "\"";
}

std::optional<std::string> UnquoteText(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::nullopt;
  quoted = quoted.substr(1, quoted.size() - 2);
  std::string out;
  for (size_t i = 0; i < quoted.size(); ++i) {
    const char c = quoted[i];
    if (c == '"') return std::nullopt;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 1 >= quoted.size()) return std::nullopt;
    const char next = quoted[++i];
    if (next == '"' || next == '\\') {
      out += next;
    } else if (next == 'x' && i + 2 < quoted.size()) {
      const auto value = ReadHexNumber(quoted.substr(i + 1, 2));
      if (!value) return std::nullopt;
      out += static_cast<char>(*value);
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string FormatBackup(const RemoteBackup& b) {
  std::string text = std::string(kBackupMagic) + "\n";
  text += "written: " + b.written + "\n";
  text += "identity: " + QuoteText(b.identity) + "\n";
  text += "version-pairs: " + QuoteText(b.version1) + " " + QuoteText(b.version2) + "\n";
  text += "type: " + QuoteText(b.type) + "\n";
  for (std::string_view rest = b.comment; !rest.empty();) {
    const size_t nl = rest.find('\n');
    text += "# " + std::string(rest.substr(0, nl)) + "\n";
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
  }
  text += "image-chars: " + std::to_string(b.image.size()) + "\n";
  text += "image:\n";
  for (size_t at = 0; at < b.image.size(); at += kImageLineChars) {
    text += b.image.substr(at, kImageLineChars) + "\n";
  }
  text += "end-image\n";
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08X", Crc32(text));
  return text + "crc32: " + crc + "\n";
}

std::optional<RemoteBackup> ParseBackup(std::string_view text, std::string* error) {
  // The checksum line is the last line; it covers every byte before it.
  std::string_view body = text;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
  const size_t last_nl = body.rfind('\n');
  const std::string_view crc_line =
      last_nl == std::string_view::npos ? body : body.substr(last_nl + 1);
  if (text.substr(0, std::strlen(kBackupMagic)) != kBackupMagic) {
    *error = "not a tvq31 remote backup (its first line is not \"" + std::string(kBackupMagic) +
             "\")";
    return std::nullopt;
  }
  if (crc_line.substr(0, 7) != "crc32: " || crc_line.size() != 15 ||
      !IsHexText(crc_line.substr(7))) {
    *error = "the backup is damaged: its last line is not its checksum";
    return std::nullopt;
  }
  const std::string_view covered = body.substr(0, last_nl + 1);
  char expected[16];
  std::snprintf(expected, sizeof expected, "%08X", Crc32(covered));
  std::string written_crc(crc_line.substr(7));
  for (char& c : written_crc) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (written_crc != expected) {
    *error = "the backup is damaged: its checksum is " + written_crc + ", its content gives " +
             expected;
    return std::nullopt;
  }

  RemoteBackup backup;
  bool have_written = false, have_identity = false, have_versions = false, have_type = false,
       have_chars = false, have_image = false;
  size_t image_chars = 0;
  const std::vector<std::string_view> lines = SplitLines(covered);
  auto malformed = [&](size_t i, const std::string& what) {
    *error = "backup line " + std::to_string(i + 1) + ": " + what;
    return std::optional<RemoteBackup>();
  };
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    auto field = [&](std::string_view name, bool& seen) -> std::optional<std::string_view> {
      if (line.substr(0, name.size()) != name) return std::nullopt;
      if (seen) return std::nullopt;
      seen = true;
      return line.substr(name.size());
    };
    if (auto v = field("written: ", have_written)) {
      backup.written = std::string(*v);
    } else if (auto v = field("identity: ", have_identity)) {
      auto q = UnquoteText(*v);
      if (!q || q->size() != 30) return malformed(i, "the identity must be 30 quoted characters");
      backup.identity = std::move(*q);
    } else if (auto v = field("version-pairs: ", have_versions)) {
      const size_t space = v->find("\" \"");
      if (space == std::string_view::npos) return malformed(i, "expected two quoted version pairs");
      auto a = UnquoteText(v->substr(0, space + 1));
      auto b = UnquoteText(v->substr(space + 2));
      if (!a || !b || a->size() != 2 || b->size() != 2) {
        return malformed(i, "each version pair must be two quoted characters");
      }
      backup.version1 = std::move(*a);
      backup.version2 = std::move(*b);
    } else if (auto v = field("type: ", have_type)) {
      auto q = UnquoteText(*v);
      if (!q || q->size() != 4) return malformed(i, "the type code must be four quoted characters");
      backup.type = std::move(*q);
    } else if (auto v = field("image-chars: ", have_chars)) {
      const std::string digits(*v);
      if (digits.empty() || digits.size() > 6 ||
          digits.find_first_not_of("0123456789") != std::string::npos) {
        return malformed(i, "image-chars must be a number");
      }
      image_chars = std::stoul(digits);
    } else if (line == "image:" && !have_image) {
      have_image = true;
      size_t j = i + 1;
      for (; j < lines.size(); ++j) {
        std::string_view part = lines[j];
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        if (part == "end-image") break;
        if (!IsHexText(part)) return malformed(j, "the image holds characters that are not hexadecimal");
        backup.image += part;
      }
      if (j == lines.size()) return malformed(i, "the image has no end-image line");
      i = j;
    } else {
      return malformed(i, "unknown or repeated line \"" + std::string(line.substr(0, 40)) + "\"");
    }
  }
  if (!have_identity || !have_versions || !have_type || !have_chars || !have_image) {
    *error = "the backup lacks its identity, version pairs, type, image-chars or image";
    return std::nullopt;
  }
  if (backup.image.size() != image_chars) {
    *error = "the backup's image has " + std::to_string(backup.image.size()) +
             " characters, image-chars says " + std::to_string(image_chars);
    return std::nullopt;
  }
  return backup;
}

bool WriteFileDurably(const std::string& path, std::string_view content, std::string* error) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string tmp = path + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return Fail(error, path + ": cannot create a temporary file: " + std::strerror(errno));
  auto give_up = [&](const std::string& what) {
    const int saved = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    return Fail(error, path + ": " + what + ": " + std::strerror(saved));
  };
  // A normal file's mode, as the user's umask makes it.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0666 & ~mask) != 0) return give_up("cannot set the mode");
  for (size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return give_up("cannot write");
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return give_up("cannot sync");
  if (::close(fd) != 0) {
    const int saved = errno;
    ::unlink(tmp.c_str());
    errno = saved;
    return Fail(error, path + ": cannot close: " + std::strerror(saved));
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(tmp.c_str());
    return Fail(error, path + ": cannot rename the temporary file: " + std::strerror(saved));
  }
  const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
  return true;
}

}  // namespace tvq31::cli

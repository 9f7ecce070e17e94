#include "store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace tvq31::remote {

namespace {

constexpr const char* kStateFile = "remote-state";
constexpr const char* kLockFile = "lock";
constexpr const char* kTempMark = ".tmp.";
constexpr size_t kMaxFileSize = 64 * 1024;

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool SyncDir(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// Reads a small regular file. Nothing when it is missing (`missing` set),
// unreadable or too large.
std::optional<std::string> ReadSmallFile(const std::string& path, bool* missing) {
  *missing = false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    *missing = errno == ENOENT;
    return std::nullopt;
  }
  std::string data;
  char buf[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof(buf));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || data.size() + static_cast<size_t>(n) > kMaxFileSize) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

// Temporary files of writes that a crash interrupted.
void RemoveLeftovers(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.find(kTempMark) != std::string::npos) names.push_back(name);
  }
  ::closedir(d);
  for (const auto& name : names) ::unlink((dir + "/" + name).c_str());
}

bool MakeDirs(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  std::stringstream parts(path);
  std::string part;
  if (path[0] == '/') partial = "/";
  while (std::getline(parts, part, '/')) {
    if (part.empty()) continue;
    partial += part;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    partial += "/";
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string TrimLineEnd(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

bool WriteFileAtomic(const std::string& dir, const std::string& name, const std::string& content) {
  const std::string final_path = dir + "/" + name;
  const std::string temp_path = final_path + kTempMark + std::to_string(::getpid());
  const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                        0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp_path.c_str(), final_path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_path.c_str());
    return false;
  }
  // The rename is durable only once the directory is.
  return SyncDir(dir);
}

std::string FormatState(const RemoteState& state) {
  return "identity=" + state.identity + "\nversion1=" + state.version1 +
         "\nversion2=" + state.version2 + "\ntype=" + state.type_code +
         "\ntable=" + state.table + "\n";
}

bool ParseState(const std::string& text, RemoteState* state, std::string* error) {
  std::optional<std::string> identity, version1, version2, type, table;
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = TrimLineEnd(line);
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) {
      *error = "line without '=': " + line.substr(0, 40);
      return false;
    }
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "identity") identity = value;
    else if (key == "version1") version1 = value;
    else if (key == "version2") version2 = value;
    else if (key == "type") type = value;
    else if (key == "table") table = value;
  }
  if (!identity || !ValidIdentity(*identity)) {
    *error = "identity missing or not 1 to 30 printable characters";
  } else if (!version1 || !ValidField(*version1, 2) || !version2 || !ValidField(*version2, 2)) {
    *error = "version1/version2 missing or not two printable characters";
  } else if (!type || !ValidField(*type, 4)) {
    *error = "type missing or not four printable characters";
  } else if (!table || table->empty() || !ValidTable(*table)) {
    *error = "table missing or not a key table image (hexadecimal digit pairs, at most 12288)";
  } else {
    *state = RemoteState{*identity, *version1, *version2, *type, *table};
    return true;
  }
  return false;
}

std::optional<FileStore> FileStore::Open(const std::string& dir, RemoteState* state,
                                         std::string* error) {
  if (!MakeDirs(dir)) {
    *error = dir + ": cannot create the state directory";
    return std::nullopt;
  }
  const std::string lock_path = dir + "/" + kLockFile;
  const int lock_fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd < 0) {
    *error = lock_path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  if (::flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_fd);
    *error = dir + ": another tvq31-remote serves this state";
    return std::nullopt;
  }
  FileStore store(dir, lock_fd);
  RemoveLeftovers(dir);

  bool missing = false;
  const auto text = ReadSmallFile(dir + "/" + kStateFile, &missing);
  if (missing) {
    *state = FactoryState(NewIdentity());
    if (!store.Save(*state)) {
      *error = dir + ": cannot write the new remote's state";
      return std::nullopt;
    }
    return store;
  }
  std::string reason;
  if (!text) {
    reason = "unreadable or too large";
  } else if (ParseState(*text, state, &reason)) {
    return store;
  }
  *error = dir + "/" + kStateFile + ": " + reason;
  return std::nullopt;
}

FileStore::FileStore(FileStore&& other) noexcept
    : dir_(std::move(other.dir_)), lock_fd_(other.lock_fd_) {
  other.lock_fd_ = -1;
}

FileStore::~FileStore() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool FileStore::Save(const RemoteState& state) {
  return WriteFileAtomic(dir_, kStateFile, FormatState(state));
}

std::string DefaultStateDir() {
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/') {
    return std::string(xdg) + "/tvq31-remote";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/tvq31-remote";
}

}  // namespace tvq31::remote

#include "wire.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace tvq31::wire {

namespace {

constexpr char kMagic0 = 'T';
constexpr char kMagic1 = 'V';
constexpr const char* kSocketName = "tvq31-remote.sock";

uint32_t ReadLe32(const char* p) noexcept {
  return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(p[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(p[3])) << 24;
}

class Fd {
 public:
  explicit Fd(int fd) noexcept : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const noexcept { return fd_; }

 private:
  int fd_;
};

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, at least 0.
int MsLeft(Clock::time_point deadline) noexcept {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on `fd` until the deadline. False on timeout or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) noexcept {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, MsLeft(deadline));
    if (n > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
    if (n == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool FillAddress(const std::string& path, sockaddr_un* addr) noexcept {
  if (path.empty() || path.size() >= sizeof(addr->sun_path)) return false;
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

std::string FallbackDir() { return "/tmp/tvq31-" + std::to_string(::getuid()); }

}  // namespace

bool IsDeviceOp(uint8_t op) noexcept { return op >= 0x01 && op <= 0x06; }

bool IsKnownOp(uint8_t op) noexcept { return IsDeviceOp(op) || (op >= 0x40 && op <= 0x49); }

std::string EncodeFrame(uint8_t code, std::string_view payload) {
  std::string out;
  out.reserve(kHeaderSize + payload.size());
  const auto n = static_cast<uint32_t>(payload.size());
  out += kMagic0;
  out += kMagic1;
  out += static_cast<char>(code);
  out += static_cast<char>(kVersion);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
  out.append(payload);
  return out;
}

FrameReader::State FrameReader::Feed(std::string_view data, size_t* used) {
  size_t taken = 0;
  while (state_ == State::kNeedMore && taken < data.size()) {
    if (header_.size() < kHeaderSize) {
      const size_t n = std::min(kHeaderSize - header_.size(), data.size() - taken);
      header_.append(data.substr(taken, n));
      taken += n;
      if (header_.size() < kHeaderSize) break;
      const uint32_t length = ReadLe32(header_.data() + 4);
      if (header_[0] != kMagic0 || header_[1] != kMagic1 ||
          static_cast<uint8_t>(header_[3]) != kVersion || length > max_payload_) {
        state_ = State::kBad;
        break;
      }
      frame_.code = static_cast<uint8_t>(header_[2]);
      want_ = length;
      frame_.payload.reserve(want_);
    } else {
      const size_t n = std::min(want_ - frame_.payload.size(), data.size() - taken);
      frame_.payload.append(data.substr(taken, n));
      taken += n;
    }
    if (header_.size() == kHeaderSize && frame_.payload.size() == want_) state_ = State::kDone;
  }
  if (used) *used = taken;
  return state_;
}

std::string DefaultSocketPath() {
  std::string path;
  if (const char* env = std::getenv("TVQ31_REMOTE"); env && *env) {
    path = env;
  } else if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/') {
    path = std::string(run) + "/" + kSocketName;
  } else {
    path = FallbackDir() + "/" + kSocketName;
  }
  sockaddr_un addr{};
  return FillAddress(path, &addr) ? path : std::string();
}

bool PrepareSocketDir(const std::string& socket_path, std::string* error) {
  const std::string dir = FallbackDir();
  if (socket_path.compare(0, dir.size() + 1, dir + "/") != 0) return true;
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    if (error) *error = dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 0077) != 0) {
    if (error) *error = dir + ": not a private directory of this user";
    return false;
  }
  return true;
}

std::optional<Frame> Exchange(const std::string& socket_path, Op op, std::string_view payload,
                              int timeout_ms) noexcept {
  try {
    if (payload.size() > kMaxPayload) return std::nullopt;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    sockaddr_un addr{};
    if (!FillAddress(socket_path, &addr)) return std::nullopt;
    Fd sock(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (sock.get() < 0) return std::nullopt;
    if (::connect(sock.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
      // A full backlog (EAGAIN) means the remote is not keeping up: no answer.
      if (errno != EINPROGRESS) return std::nullopt;
      if (!WaitFor(sock.get(), POLLOUT, deadline)) return std::nullopt;
      int err = 0;
      socklen_t len = sizeof(err);
      if (::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
        return std::nullopt;
      }
    }

    const std::string out = EncodeFrame(static_cast<uint8_t>(op), payload);
    size_t sent = 0;
    while (sent < out.size()) {
      const ssize_t n = ::send(sock.get(), out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
      if (n > 0) {
        sent += static_cast<size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!WaitFor(sock.get(), POLLOUT, deadline)) return std::nullopt;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return std::nullopt;
      }
    }

    FrameReader reader;
    char buf[16384];
    while (reader.state() == FrameReader::State::kNeedMore) {
      const ssize_t n = ::recv(sock.get(), buf, sizeof(buf), 0);
      if (n > 0) {
        size_t used = 0;
        reader.Feed(std::string_view(buf, static_cast<size_t>(n)), &used);
        // Bytes after the one answer frame: a confused peer.
        if (reader.state() == FrameReader::State::kDone && used != static_cast<size_t>(n)) {
          return std::nullopt;
        }
      } else if (n == 0) {
        return std::nullopt;  // closed without (a whole) answer: not attached
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        if (!WaitFor(sock.get(), POLLIN, deadline)) return std::nullopt;
      } else if (errno != EINTR) {
        return std::nullopt;
      }
    }
    if (reader.state() != FrameReader::State::kDone) return std::nullopt;
    return reader.frame();
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace tvq31::wire

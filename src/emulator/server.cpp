#include "server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <list>
#include <vector>

namespace tvq31::remote {

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Connection {
  enum class Phase { kReading, kParked, kWriting };
  int fd = -1;
  Phase phase = Phase::kReading;
  wire::FrameReader reader;
  std::string out;
  size_t sent = 0;
  int64_t io_deadline = 0;    // reading or writing must be done by then
  int64_t park_deadline = 0;  // a parked capture poll answers false then
  bool done = false;          // close and forget
};

void StartAnswer(Connection& c, const wire::Frame& frame, int64_t now, int timeout_ms) {
  c.out = wire::EncodeFrame(frame.code, frame.payload);
  c.sent = 0;
  c.phase = Connection::Phase::kWriting;
  c.io_deadline = now + timeout_ms;
}

void ReadRequest(Connection& c, RemoteCore& core, int64_t now, int timeout_ms) {
  char buf[16384];
  for (;;) {
    const ssize_t n = ::recv(c.fd, buf, sizeof(buf), 0);
    if (n == 0) {
      c.done = true;  // the client went away
      return;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) c.done = true;
      return;
    }
    if (c.phase != Connection::Phase::kReading) {
      c.done = true;  // one request per connection; more is a confused client
      return;
    }
    size_t used = 0;
    const auto state = c.reader.Feed(std::string_view(buf, static_cast<size_t>(n)), &used);
    if (state == wire::FrameReader::State::kBad ||
        (state == wire::FrameReader::State::kDone && used != static_cast<size_t>(n))) {
      c.done = true;
      return;
    }
    if (state == wire::FrameReader::State::kDone) {
      auto reply = core.Handle(c.reader.frame(), now);
      switch (reply.kind) {
        case RemoteCore::Reply::Kind::kAnswer:
          StartAnswer(c, reply.frame, now, timeout_ms);
          return;
        case RemoteCore::Reply::Kind::kPark:
          c.phase = Connection::Phase::kParked;
          c.park_deadline = now + RemoteCore::kCollectWaitMs;
          break;  // keep reading: a hang-up of the client ends the wait
        case RemoteCore::Reply::Kind::kDrop:
          c.done = true;
          return;
      }
    }
  }
}

void WriteAnswer(Connection& c) {
  while (c.sent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
    if (n > 0) {
      c.sent += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      c.done = true;
      return;
    }
  }
  c.done = true;  // answered: the connection has served its purpose
}

int Listen(const std::string& path, std::string* error) {
  std::string reason;
  if (!wire::PrepareSocketDir(path, &reason)) {
    *error = reason;
    return -1;
  }
  sockaddr_un addr{};
  if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
    *error = "socket path empty or too long: " + path;
    return -1;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.data(), path.size());

  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      *error = path + ": exists and is not a socket";
      return -1;
    }
    if (wire::Exchange(path, wire::Op::kStatus, {}, 300)) {
      *error = path + ": another tvq31-remote is listening there";
      return -1;
    }
    ::unlink(path.c_str());  // left behind by a remote that died
  }

  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  // Only this user may talk to the remote: the socket is created 0600.
  const mode_t old_mask = ::umask(0177);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr));
  ::umask(old_mask);
  if (bound != 0 || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 64) != 0) {
    *error = path + ": " + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

bool Serve(RemoteCore& core, const std::string& socket_path, const ServerLimits& limits,
           std::string* error) {
  const int listener = Listen(socket_path, error);
  if (listener < 0) return false;
  struct stat bound_st {};
  ::stat(socket_path.c_str(), &bound_st);

  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  std::list<Connection> conns;
  std::vector<pollfd> fds;
  std::vector<Connection*> order;
  while (!g_stop) {
    int64_t now = NowMs();
    int64_t wake = now + 500;
    const int64_t tick = core.Tick(now);
    if (tick >= 0) wake = std::min(wake, tick);
    fds.clear();
    order.clear();
    fds.push_back({listener, POLLIN, 0});
    for (auto& c : conns) {
      const short events = c.phase == Connection::Phase::kWriting ? POLLOUT : POLLIN;
      fds.push_back({c.fd, events, 0});
      order.push_back(&c);
      wake = std::min(wake, c.phase == Connection::Phase::kParked ? c.park_deadline
                                                                  : c.io_deadline);
    }
    const int timeout = static_cast<int>(std::max<int64_t>(0, wake - now));
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR) break;
    now = NowMs();

    if (ready > 0) {
      for (size_t i = 0; i < order.size(); ++i) {
        Connection& c = *order[i];
        const short re = fds[i + 1].revents;
        if (re == 0) continue;
        if (c.phase == Connection::Phase::kWriting) {
          if (re & (POLLERR | POLLHUP)) c.done = true;
          else WriteAnswer(c);
        } else {
          ReadRequest(c, core, now, limits.io_timeout_ms);
          if (!c.done && c.phase == Connection::Phase::kWriting) WriteAnswer(c);
        }
      }
      if (fds[0].revents & POLLIN) {
        for (;;) {
          const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
          if (fd < 0) break;
          if (conns.size() >= limits.max_connections) {
            ::close(fd);  // overloaded: the caller sees no answer at once
            continue;
          }
          Connection c;
          c.fd = fd;
          c.io_deadline = now + limits.io_timeout_ms;
          conns.push_back(std::move(c));
        }
      }
    }

    core.Tick(now);
    for (auto& c : conns) {
      if (c.done) continue;
      if (c.phase == Connection::Phase::kParked) {
        if (!core.plugged()) {
          c.done = true;  // unplugged while waiting: the poll gets no answer
        } else if (auto capture = core.TryCollect()) {
          StartAnswer(c, *capture, now, limits.io_timeout_ms);
          WriteAnswer(c);
        } else if (now >= c.park_deadline) {
          StartAnswer(c, RemoteCore::NoCapture(), now, limits.io_timeout_ms);
          WriteAnswer(c);
        }
      } else if (now >= c.io_deadline) {
        c.done = true;  // too slow to send its request or take its answer
      }
    }
    for (auto it = conns.begin(); it != conns.end();) {
      if (it->done) {
        ::close(it->fd);
        it = conns.erase(it);
      } else {
        ++it;
      }
    }
  }

  for (auto& c : conns) ::close(c.fd);
  ::close(listener);
  // Remove the socket file only if it is still ours.
  struct stat now_st {};
  if (::stat(socket_path.c_str(), &now_st) == 0 && now_st.st_ino == bound_st.st_ino &&
      now_st.st_dev == bound_st.st_dev) {
    ::unlink(socket_path.c_str());
  }
  return true;
}

}  // namespace tvq31::remote

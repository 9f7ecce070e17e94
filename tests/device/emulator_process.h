// A real tvq31-remote in a temporary directory, reached by the device
// library through TVQ31_REMOTE.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "wire.h"

namespace tvq31::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq31-dev-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class EmulatorProcess {
 public:
  explicit EmulatorProcess(const std::string& dir, bool demo = false)
      : state_(dir + "/state"), socket_(dir + "/remote.sock"), demo_(demo) {
    ::setenv("TVQ31_REMOTE", socket_.c_str(), 1);
  }
  ~EmulatorProcess() { Stop(SIGKILL); }

  // Starts the remote and waits until it answers. False when it does not
  // answer within 5 s.
  bool Start() {
    // Everything the child needs is built before fork: only exec follows.
    const std::string exe = std::string(TVQ31_BIN_DIR) + "/tvq31-remote";
    std::vector<const char*> argv{exe.c_str(), "serve", "--state", state_.c_str(),
                                  "--socket", socket_.c_str()};
    if (demo_) argv.push_back("--demo");
    argv.push_back(nullptr);
    const std::string log = state_ + ".log";
    const int log_fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid_ = ::fork();
    if (pid_ == 0) {
      if (log_fd >= 0) ::dup2(log_fd, 2);
      ::execv(exe.c_str(), const_cast<char* const*>(argv.data()));
      ::_exit(127);
    }
    if (log_fd >= 0) ::close(log_fd);
    for (int i = 0; i < 500; ++i) {
      if (wire::Exchange(socket_, wire::Op::kStatus, {}, 200)) return true;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  void Stop(int sig = SIGTERM) {
    if (pid_ <= 0) return;
    ::kill(pid_, sig);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  void Signal(int sig) const {
    if (pid_ > 0) ::kill(pid_, sig);
  }

  // A control command; the answer's payload, or nothing on failure.
  std::optional<std::string> Control(wire::Op op, std::string_view payload = {}) const {
    auto answer = wire::Exchange(socket_, op, payload, 2000);
    if (!answer || answer->code != static_cast<uint8_t>(wire::Status::kOk)) return std::nullopt;
    return answer->payload;
  }

  const std::string& socket() const { return socket_; }
  const std::string& state_dir() const { return state_; }

 private:
  std::string state_;
  std::string socket_;
  bool demo_;
  pid_t pid_ = -1;
};

}  // namespace tvq31::testing

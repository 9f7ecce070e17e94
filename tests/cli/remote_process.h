// A real tvq31-remote serving a fresh state folder on its own socket, for
// tests that drive it with its control commands and tvq31ctl; and a way to
// run a program that asks a question and answer it later.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "run_tool.h"

namespace tvq31::clitest {

class RemoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socket_ = tmp_.path() + "/remote.sock";
    ::setenv("TVQ31_REMOTE", socket_.c_str(), 1);
    const std::string exe = std::string(TVQ31_BIN_DIR) + "/tvq31-remote";
    const std::string state = tmp_.path() + "/state";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int null_fd = ::open("/dev/null", O_WRONLY);
      if (null_fd >= 0) ::dup2(null_fd, 2);
      ::execl(exe.c_str(), exe.c_str(), "serve", "--state", state.c_str(), "--socket",
              socket_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 200; ++i) {
      if (Remote({"status"}).status == 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FAIL() << "the remote did not start";
  }
  void TearDown() override { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  static RunResult Remote(const std::vector<std::string>& args, const std::string& input = {}) {
    return RunTool("tvq31-remote", args, input);
  }
  // The image the remote stores, as `tvq31-remote table` prints it.
  static std::string StoredTable() {
    const RunResult r = Remote({"table"});
    EXPECT_EQ(r.status, 0) << r.err;
    return Line(r);
  }

  TempDir tmp_;
  std::string socket_;
  pid_t pid_ = -1;
};

// Runs tvq31ctl with `args`, waits until its standard error shows
// `question`, calls `meanwhile`, then answers `answer` on its standard input
// and waits for it to end. Gives up waiting for the question after 60 s.
template <typename Meanwhile>
RunResult CtlAnswering(const std::vector<std::string>& args, const std::string& question,
                       Meanwhile meanwhile, const std::string& answer) {
  TempDir io;
  const std::string out_path = io.path() + "/out";
  int in_pipe[2], err_pipe[2];
  RunResult result;
  if (::pipe(in_pipe) != 0 || ::pipe(err_pipe) != 0) return result;
  const std::string exe = std::string(TVQ31_BIN_DIR) + "/tvq31ctl";
  std::vector<const char*> argv{exe.c_str()};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::dup2(out_fd, 1);
    ::dup2(err_pipe[1], 2);
    ::close(in_pipe[1]);
    ::close(err_pipe[0]);
    ::execv(exe.c_str(), const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(err_pipe[1]);
  ::close(out_fd);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool asked = false;
  char buf[4096];
  while (!asked && std::chrono::steady_clock::now() < deadline) {
    pollfd p{err_pipe[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = ::read(err_pipe[0], buf, sizeof buf);
    if (n <= 0) break;
    result.err.append(buf, static_cast<size_t>(n));
    asked = result.err.find(question) != std::string::npos;
  }
  if (asked) meanwhile();
  const std::string line = answer + "\n";
  if (asked) {
    const ssize_t ignored = ::write(in_pipe[1], line.data(), line.size());
    (void)ignored;
  }
  ::close(in_pipe[1]);
  for (ssize_t n; (n = ::read(err_pipe[0], buf, sizeof buf)) > 0;) {
    result.err.append(buf, static_cast<size_t>(n));
  }
  ::close(err_pipe[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = ReadFile(out_path);
  if (!asked) result.status = -2;  // the question never came
  return result;
}

}  // namespace tvq31::clitest

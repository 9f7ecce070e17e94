// tvq31-remote's control commands against a running remote, and its key
// table read by tvq31ctl.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>

#include "run_tool.h"

namespace tvq31::clitest {
namespace {

class RemoteCli : public ::testing::Test {
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

  TempDir tmp_;
  std::string socket_;
  pid_t pid_ = -1;
};

TEST_F(RemoteCli, FactoryKeysShowAndPlay) {
  const RunResult table = Remote({"table"});
  ASSERT_EQ(table.status, 0) << table.err;
  const RunResult states = Ctl({"table", "states"}, table.out);
  ASSERT_EQ(states.status, 0) << states.err;
  EXPECT_EQ(states.out,
            "01|1\n03|1\n05|1\n06|1\n07|1\n08|1\n09|1\n0A|1\n0C|1\n0E|1\n10|1\n12|1\n");
  const RunResult power = Remote({"transmit", "06"});
  ASSERT_EQ(power.status, 0) << power.err;
  EXPECT_NE(power.out.find("name: KEY_06"), std::string::npos) << power.out;
}

TEST_F(RemoteCli, ExitStatuses) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"press", "--protocol", "NEC", "--address", "0x04", "--command", "0x08"}, 0},
      {{"transmit", "30"}, 1},  // no code on that key
      {{"transmit", "ZZ"}, 1},
      {{"press", "--protocol", "Nope", "--address", "1", "--command", "1"}, 1},
      {{"set-type", "12345"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const RunResult r = Remote(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 1) {
      EXPECT_FALSE(r.err.empty());
    }
  }
  Stop();
  const RunResult gone = Remote({"status"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_FALSE(gone.err.empty());
}

}  // namespace
}  // namespace tvq31::clitest

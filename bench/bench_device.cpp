// Round trips through libtolvio.so to a real tvq31-remote started in a
// temporary directory.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tolvio.h"

namespace {

class Remote {
 public:
  Remote() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq31-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    dir_ = pattern;
    const std::string socket = dir_ + "/remote.sock", state = dir_ + "/state";
    const std::string exe = std::string(TVQ31_BIN_DIR) + "/tvq31-remote";
    ::setenv("TVQ31_REMOTE", socket.c_str(), 1);
    std::vector<const char*> argv{exe.c_str(), "serve", "--state", state.c_str(),
                                  "--socket", socket.c_str(), nullptr};
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execv(exe.c_str(), const_cast<char* const*>(argv.data()));
      ::_exit(127);
    }
    for (int i = 0; i < 300 && !link_state(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~Remote() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

 private:
  std::string dir_;
  pid_t pid_ = -1;
};

Remote& TheRemote() {
  static Remote remote;
  return remote;
}

void BM_LinkState(benchmark::State& state) {
  TheRemote();
  for (auto _ : state) {
    if (!link_state()) state.SkipWithError("remote not answering");
  }
}
BENCHMARK(BM_LinkState)->Unit(benchmark::kMicrosecond);

void BM_ReadKeyTable(benchmark::State& state) {
  TheRemote();
  std::vector<uint8_t> buf(TOLVIO_KEY_TABLE_SIZE);
  for (auto _ : state) {
    if (!RCodeTypeData(buf.data())) state.SkipWithError("remote not answering");
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(state.iterations() * TOLVIO_KEY_TABLE_SIZE);
}
BENCHMARK(BM_ReadKeyTable)->Unit(benchmark::kMicrosecond);

}  // namespace

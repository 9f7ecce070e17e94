// Runs one of the built programs the way a shell would: arguments, text on
// standard input, standard output and error captured, the exit status.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tvq31::clitest {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tvq31-cli-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  // Writes `content` to a file in the folder and gives its path.
  std::string Write(const std::string& name, const std::string& content) const {
    const std::string file = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct RunResult {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs TVQ31_BIN_DIR/`program` with `args`, feeding `input` on standard
// input. Output goes through files, so large outputs cannot block the pipe.
inline RunResult RunTool(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = {}) {
  TempDir io;
  const std::string in_path = io.Write("in", input);
  const std::string out_path = io.path() + "/out", err_path = io.path() + "/err";
  const std::string exe = std::string(TVQ31_BIN_DIR) + "/" + program;
  std::vector<const char*> argv{exe.c_str()};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const int in_fd = ::open(in_path.c_str(), O_RDONLY | O_CLOEXEC);
  const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int err_fd = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  RunResult result;
  if (in_fd < 0 || out_fd < 0 || err_fd < 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in_fd, 0);
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    ::execv(exe.c_str(), const_cast<char* const*>(argv.data()));
    ::_exit(127);
  }
  ::close(in_fd);
  ::close(out_fd);
  ::close(err_fd);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  }
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

inline RunResult Ctl(const std::vector<std::string>& args, const std::string& input = {}) {
  return RunTool("tvq31ctl", args, input);
}

// The output without its final line end.
inline std::string Line(const RunResult& r) {
  std::string s = r.out;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace tvq31::clitest

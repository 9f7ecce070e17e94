#include "cli.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

namespace tvq31::cli {

namespace {

std::vector<std::pair<int, CommandSetup>>& Registry() {
  static std::vector<std::pair<int, CommandSetup>> registry;
  return registry;
}

// Thrown by Fail/UsageError; carries the exit status out of a callback.
struct CommandExit {
  int status;
};

}  // namespace

CommandRegistrar::CommandRegistrar(int order, CommandSetup setup) {
  Registry().emplace_back(order, std::move(setup));
}

std::string ReadBinaryInput(const std::string& path) {
  std::string data;
  if (path.empty() || path == "-") {
    data.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) Fail("cannot read standard input");
    return data;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path + ": " + std::strerror(errno));
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) Fail(path + ": read error");
  return data;
}

std::string ReadTextInput(const std::string& path) {
  std::string text = ReadBinaryInput(path);
  while (!text.empty()) {
    const char c = text.back();
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') {
      text.pop_back();
    } else {
      break;
    }
  }
  return text;
}

void Fail(std::string_view reason) {
  std::cerr << "tvq31ctl: " << reason << '\n';
  throw CommandExit{1};
}

void UsageError(std::string_view reason) {
  std::cerr << "tvq31ctl: " << reason << '\n';
  throw CommandExit{2};
}

std::string ExeDir() {
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace tvq31::cli

int main(int argc, char** argv) {
  using namespace tvq31::cli;
  CLI::App app{"tvq31ctl: the TVQ31Ⅱ learning remote's engine on the command line"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show the help of every command");

  auto& registry = Registry();
  std::stable_sort(registry.begin(), registry.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [order, setup] : registry) setup(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // One line, like every other failure, so scripts can show it as is.
    std::cerr << "tvq31ctl: " << e.what() << " (run with --help for more information)\n";
    return 2;
  } catch (const CommandExit& e) {
    return e.status;
  }
  return 0;
}

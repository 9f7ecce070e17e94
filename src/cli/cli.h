// tvq31ctl: the command-line face of the engine. Each command lives in its
// own cmd_*.cpp and registers itself with TVQ31_COMMAND, so commands are
// added without touching main.cpp.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace tvq31::cli {

using CommandSetup = std::function<void(CLI::App& root)>;

struct CommandRegistrar {
  CommandRegistrar(int order, CommandSetup setup);
};

// Reads FILE (or standard input for "" or "-") as text. Trailing CR, LF,
// blanks and tabs are dropped; zero characters are data and kept.
// A file that cannot be read ends the command through Fail.
std::string ReadTextInput(const std::string& path);

// Reads FILE (or standard input for "" or "-") as bytes, unchanged.
std::string ReadBinaryInput(const std::string& path);

// Writes a one-line reason to standard error and ends the command with
// exit status 1.
[[noreturn]] void Fail(std::string_view reason);

// Ends the command with a usage error (exit status 2).
[[noreturn]] void UsageError(std::string_view reason);

// The directory of the running executable, with a trailing '/'.
std::string ExeDir();

}  // namespace tvq31::cli

#define TVQ31_CLI_CAT2(a, b) a##b
#define TVQ31_CLI_CAT(a, b) TVQ31_CLI_CAT2(a, b)
// TVQ31_COMMAND(order) { ... root.add_subcommand(...) ... }
// `order` sorts the commands in the help text.
#define TVQ31_COMMAND(order)                                                   \
  static void TVQ31_CLI_CAT(tvq31_command_setup_, __LINE__)(CLI::App & root); \
  static const ::tvq31::cli::CommandRegistrar TVQ31_CLI_CAT(                  \
      tvq31_command_registrar_, __LINE__)(order,                              \
                                          &TVQ31_CLI_CAT(tvq31_command_setup_, __LINE__)); \
  static void TVQ31_CLI_CAT(tvq31_command_setup_, __LINE__)(CLI::App & root)

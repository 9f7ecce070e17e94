// tvq31-remote: the remote control, emulated. `serve` is the remote itself;
// every other command talks to a running remote over its socket.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "press.h"
#include "remote.h"
#include "server.h"
#include "store.h"
#include "transmit.h"
#include "wire.h"

namespace {

using tvq31::wire::Op;
using tvq31::wire::Status;

constexpr int kControlTimeoutMs = 2000;

int Fail(const std::string& reason) {
  std::cerr << "tvq31-remote: " << reason << '\n';
  return 1;
}

// Sends one control command; prints the answer's text. Exit status.
int Control(const std::string& socket, Op op, const std::string& payload) {
  const std::string path = socket.empty() ? tvq31::wire::DefaultSocketPath() : socket;
  if (path.empty()) return Fail("no usable socket path");
  const auto answer = tvq31::wire::Exchange(path, op, payload, kControlTimeoutMs);
  if (!answer) return Fail("no remote answers at " + path);
  if (answer->code == static_cast<uint8_t>(Status::kError)) return Fail(answer->payload);
  if (answer->code != static_cast<uint8_t>(Status::kOk)) return Fail("the remote refused");
  if (!answer->payload.empty()) {
    std::cout << answer->payload;
    if (answer->payload.back() != '\n') std::cout << '\n';
  }
  return 0;
}

int RunServe(const std::string& state_dir, const std::string& socket, bool demo) {
  const std::string dir = state_dir.empty() ? tvq31::remote::DefaultStateDir() : state_dir;
  const std::string path = socket.empty() ? tvq31::wire::DefaultSocketPath() : socket;
  if (path.empty()) return Fail("no usable socket path");
  tvq31::remote::RemoteState state;
  std::string error;
  auto store = tvq31::remote::FileStore::Open(dir, &state, &error);
  if (!store) return Fail(error);
  tvq31::remote::RemoteCore core(state, &*store, demo);
  core.set_transmit_hook(tvq31::remote::TransmitStoredKey);
  std::cerr << "tvq31-remote: serving " << state.identity << " on " << path << " (state " << dir
            << (demo ? ", demo" : "") << ")\n";
  if (!tvq31::remote::Serve(core, path, {}, &error)) return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"tvq31-remote: the TVQ31 remote control, emulated"};
  app.require_subcommand(1);
  std::string socket;
  app.add_option("--socket", socket, "socket of the remote (default: $TVQ31_REMOTE, then the "
                                     "runtime directory)");

  int status = 0;

  auto* serve = app.add_subcommand("serve", "be the remote");
  std::string state_dir;
  bool demo = false;
  serve->add_option("--state", state_dir, "state directory (default: $XDG_STATE_HOME/tvq31-remote)");
  serve->add_option("--socket", socket, "socket to listen on");
  serve->add_flag("--demo", demo, "press a sample signal about a second after capture starts");
  serve->callback([&] { status = RunServe(state_dir, socket, demo); });

  auto* press = app.add_subcommand("press", "queue a press for the next capture");
  tvq31::remote::PressOptions press_options;
  press->add_option("capture", press_options.capture_file, "capture text file ('-': stdin)");
  press->add_option("--protocol", press_options.protocol, "IR protocol (with --address, --command)");
  press->add_option("--address", press_options.address, "address: decimal, 0x-hexadecimal or .ir bytes");
  press->add_option("--command", press_options.command, "command, written like the address");
  press->add_option("--ir", press_options.ir_file, "Flipper .ir file (with --name)");
  press->add_option("--name", press_options.name, "signal name inside the .ir file");
  press->add_option("--socket", socket, "socket of the remote");
  press->callback([&] {
    std::string error;
    const auto capture = tvq31::remote::BuildPressCapture(press_options, &error);
    status = capture ? Control(socket, Op::kPress, *capture) : Fail(error);
  });

  auto simple = [&](const char* name, const char* help, Op op) {
    auto* cmd = app.add_subcommand(name, help);
    cmd->add_option("--socket", socket, "socket of the remote");
    cmd->callback([&, op] { status = Control(socket, op, ""); });
  };
  simple("unplug", "stop answering device operations, as if the cable were pulled", Op::kUnplug);
  simple("plug", "answer device operations again", Op::kPlug);
  simple("table", "print the stored key table image", Op::kGetTable);
  simple("status", "print the remote's state", Op::kStatus);

  auto one_arg = [&](const char* name, const char* help, const char* arg, Op op) {
    auto* cmd = app.add_subcommand(name, help);
    auto value = std::make_shared<std::string>();
    cmd->add_option(arg, *value, arg)->required();
    cmd->add_option("--socket", socket, "socket of the remote");
    cmd->callback([&, op, value] { status = Control(socket, op, *value); });
  };
  one_arg("identity", "set the remote's identity (1 to 30 characters)", "ID", Op::kSetIdentity);
  one_arg("set-type", "set the type code (4 characters)", "CODE", Op::kSetType);
  one_arg("refuse-writes", "refuse key table writes: on or off", "on|off", Op::kRefuseWrites);
  one_arg("transmit", "the stored key's signal as a Flipper raw entry", "KEYCODE", Op::kTransmit);

  auto* set_version = app.add_subcommand("set-version", "set the two version pairs");
  std::string pair1, pair2;
  set_version->add_option("PAIR1", pair1, "first version pair")->required();
  set_version->add_option("PAIR2", pair2, "second version pair")->required();
  set_version->add_option("--socket", socket, "socket of the remote");
  set_version->callback([&] {
    if (pair1.size() != 2 || pair2.size() != 2) {
      status = Fail("version pairs are two characters each");
    } else {
      status = Control(socket, Op::kSetVersion, pair1 + pair2);
    }
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return status;
}

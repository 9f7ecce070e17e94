// tvq31ctl synth: the capture the remote would deliver for a key of a known
// protocol, held for a while.
//   synth --protocol P --address A --command C [--hold-ms 2000] [--seed N] [--signal]
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "capture/capturewriter.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"

namespace tvq31::cli {

TVQ31_COMMAND(40) {
  struct Options {
    std::string protocol, address, command;
    uint32_t hold_ms = kDefaultHoldMs;
    std::optional<uint64_t> seed;
    bool signal = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* synth = root.add_subcommand(
      "synth", "Write the capture of a key press of a known infrared protocol");
  std::string protocols;
  for (const std::string& p : SupportedProtocols()) protocols += (protocols.empty() ? "" : ", ") + p;
  synth->add_option("--protocol", o->protocol, "Protocol: " + protocols)->required();
  synth->add_option("--address", o->address,
                    "Address: decimal, 0x-hexadecimal or .ir bytes (\"04 00 00 00\")")
      ->required();
  synth->add_option("--command", o->command, "Command, written like the address")->required();
  synth->add_option("--hold-ms", o->hold_ms, "How long the key is held (default 2000)");
  synth->add_option("--seed", o->seed, "Add a receiver's distortion, seeded with N");
  synth->add_flag("--signal", o->signal, "Print the signal in readable form instead");
  synth->callback([o] {
    const std::optional<uint32_t> address = ParseIrNumber(o->address);
    if (!address) UsageError("bad address \"" + o->address + "\"");
    const std::optional<uint32_t> command = ParseIrNumber(o->command);
    if (!command) UsageError("bad command \"" + o->command + "\"");
    std::string error;
    std::optional<Signal> signal = EncodeProtocol(o->protocol, *address, *command, o->hold_ms, &error);
    if (!signal) Fail(error);
    if (o->seed) signal = DistortSignal(*signal, *o->seed);
    if (o->signal) {
      std::cout << DescribeSignal(*signal);
    } else {
      std::cout << WriteCapture(*signal) << '\n';
    }
  });
}

}  // namespace tvq31::cli

// tvq31ctl transmit: a stored key record -> the signal the remote sends for
// it, as a Flipper raw entry or as Pronto hex.
//   transmit [--format flipper|pronto] [--hold-ms N] RECORD_FILE
#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <string>

#include "cli.h"
#include "transmitter/signalformat.h"
#include "transmitter/transmitter.h"

namespace tvq31::cli {

TVQ31_COMMAND(70) {
  struct Options {
    std::string file;
    std::string format = "flipper";
    uint32_t hold_ms = kDefaultHoldMs;
  };
  auto opt = std::make_shared<Options>();
  CLI::App* cmd = root.add_subcommand(
      "transmit", "Play a key record through the transmitter model: the signal the remote sends");
  cmd->add_option("--format", opt->format, "Output form: flipper (raw .ir entry) or pronto (hex)")
      ->check(CLI::IsMember({"flipper", "pronto"}));
  cmd->add_option("--hold-ms", opt->hold_ms, "How long the key is held, in milliseconds")
      ->check(CLI::Range(0u, kMaxHoldMs));
  cmd->add_option("RECORD_FILE", opt->file, "Key record as hexadecimal text (\"-\": standard input)")
      ->required();
  cmd->callback([opt] {
    std::string record = ReadTextInput(opt->file);
    // A record may be wrapped over several lines.
    record.erase(std::remove_if(record.begin(), record.end(),
                                [](unsigned char c) { return std::isspace(c) != 0; }),
                 record.end());
    std::string error;
    const std::optional<Signal> signal = TransmitKeyRecord(record, opt->hold_ms, &error);
    if (!signal) Fail(opt->file + ": " + error);
    if (opt->format == "pronto") {
      std::cout << ProntoHex(*signal) << '\n';
    } else {
      std::cout << FlipperRawFile(*signal, "transmitted");
    }
  });
}

}  // namespace tvq31::cli

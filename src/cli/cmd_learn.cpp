// tvq31ctl learn: the receive step for one capture, as the app runs it when
// the remote delivers a capture: convert, recognise against the code-style
// library, and when no style matches, ask the transfer library.
//   learn --key HH [--library FILE] [--transfer LIB] [--json] [CAPTURE]
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "MrcDataUnit/codestyle.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "hextext/jsontext.h"
#include "receive/receivechain.h"

namespace tvq31::cli {

// The transfer library file for --transfer: a file, or a folder holding
// libtransfercode.so. A bare name would make dlopen search the system's
// library path, so it is taken relative to the current folder.
std::string TransferLibraryPath(const std::string& given) {
  if (given.empty()) return ExeDir() + kTransferLibraryName;
  std::string path = given;
  if (path.back() == '/') path += kTransferLibraryName;
  if (path.find('/') == std::string::npos) path = "./" + path;
  return path;
}

TVQ31_COMMAND(35) {
  struct Options {
    std::string key;
    std::string library;
    std::string transfer;
    std::string file;
    bool json = false;
  };
  auto opt = std::make_shared<Options>();
  CLI::App* cmd = root.add_subcommand(
      "learn", "Run the receive step on a capture: print the key record it stores");
  cmd->add_option("--key", opt->key, "Key code of the key being learned, two hex digits (e.g. 0A)")
      ->required();
  cmd->add_option("--library", opt->library, "Code-style library (default: QD01.csl beside tvq31ctl)");
  cmd->add_option("--transfer", opt->transfer,
                  "Transfer library file, or a folder ending in / that holds libtransfercode.so "
                  "(default: beside tvq31ctl)");
  cmd->add_flag("--json", opt->json,
                "Print {\"record\", \"source\"} (and \"style\", \"index\" from the library) as JSON");
  cmd->add_option("CAPTURE", opt->file, "Capture text as the remote delivers it (default: standard input)");
  cmd->callback([opt] {
    const std::optional<int32_t> key = ReadHexNumber(opt->key);
    if (opt->key.empty() || opt->key.size() > 2 || !key) {
      UsageError("--key needs one or two hexadecimal digits");
    }
    ReceiveOptions options;
    options.library_path = opt->library.empty() ? ExeDir() + kLibraryFileName : opt->library;
    options.transfer_path = TransferLibraryPath(opt->transfer);
    ReceiveChain chain(std::move(options));
    const ReceiveResult result = chain.Receive(ReadTextInput(opt->file), *key);
    if (!result.ok()) Fail(result.error);
    if (!opt->json) {
      std::cout << result.record << '\n';
      return;
    }
    std::cout << "{\"record\":" << JsonString(result.record)
              << ",\"source\":" << JsonString(ReceiveSourceName(result.source));
    if (result.source == ReceiveSource::kLibrary) {
      std::cout << ",\"style\":" << JsonString(result.style) << ",\"index\":" << result.index;
    }
    std::cout << "}\n";
  });
}

}  // namespace tvq31::cli

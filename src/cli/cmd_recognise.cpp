// tvq31ctl recognise: a learned-code text (as `convert` prints it) run
// against the code-style library; prints the key record of the first style
// that matches.
//   recognise --key HH [--library FILE] [--json] [FILE]
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "ValidatePro/recognise.h"
#include "capture/convert.h"
#include "cli.h"
#include "hextext/hextext.h"
#include "hextext/jsontext.h"

namespace tvq31::cli {

namespace {

struct RecogniseOptions {
  std::string key;
  std::string library;
  std::string file;
  bool json = false;
};

}  // namespace

TVQ31_COMMAND(30) {
  auto opt = std::make_shared<RecogniseOptions>();
  CLI::App* cmd = root.add_subcommand(
      "recognise", "Recognise a learned-code text against the code-style library and print its key record");
  cmd->add_option("--key", opt->key, "Key code of the learned key, two hex digits (e.g. 0A)")
      ->required();
  cmd->add_option("--library", opt->library, "Code-style library (default: QD01.csl beside tvq31ctl)");
  cmd->add_flag("--json", opt->json, "Print {\"record\", \"style\", \"index\"} as one JSON object");
  cmd->add_option("FILE", opt->file, "Learned-code text (default: standard input)");
  cmd->callback([opt] {
    const std::optional<int32_t> key = ReadHexNumber(opt->key);
    if (opt->key.size() > 2 || !key) UsageError("--key needs one or two hexadecimal digits");
    const std::string text = ReadTextInput(opt->file);
    // Drop the frame count and the carrier field, whatever the count's width.
    const std::optional<size_t> start = LearnedCodeFramesStart(text);
    if (!start) {
      Fail("not a learned-code text: no frame count followed by a carrier field (\"0000\", or two "
           "hex digits and \"12\")");
    }
    const std::string library =
        opt->library.empty() ? ExeDir() + kLibraryFileName : opt->library;
    Recogniser recogniser;
    const RecognitionResult result =
        recogniser.RecogniseCapture(std::string_view(text).substr(*start), *key, library);
    if (!result.error.empty()) Fail(result.error);
    if (result.record.empty()) Fail("no code style matches");
    if (opt->json) {
      std::cout << "{\"record\":" << JsonString(result.record)
                << ",\"style\":" << JsonString(result.style) << ",\"index\":" << result.index
                << "}\n";
    } else {
      std::cout << result.record << '\n';
    }
  });
}

}  // namespace tvq31::cli

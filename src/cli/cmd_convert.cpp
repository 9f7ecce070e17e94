// tvq31ctl convert: a capture as the remote delivers it -> learned-code text.
//   convert [FILE]
#include <iostream>
#include <memory>
#include <string>

#include "capture/convert.h"
#include "cli.h"

namespace tvq31::cli {

TVQ31_COMMAND(10) {
  auto file = std::make_shared<std::string>();
  CLI::App* convert = root.add_subcommand(
      "convert", "Convert a capture (four-digit hex tokens) into learned-code text");
  convert->add_option("FILE", *file, "Capture text (default: standard input)");
  convert->callback([file] {
    const std::string capture = ReadTextInput(*file);
    if (capture.empty()) Fail("empty capture");
    const std::string text = ConvertCapture(capture);
    if (text.empty()) {
      Fail("not a usable capture: no complete trailer (a run of 20 \"7FFF\" tokens and two "
           "trailer tokens), or a token that is not hexadecimal before it");
    }
    std::cout << text << '\n';
  });
}

}  // namespace tvq31::cli

// tvq31ctl import: signals recorded by other infrared tools as captures.
//   import FILE [--name NAME] [--format flipper|pronto|mode2] [--hold-ms 2000] [--signal]
// One capture per line; a .ir file gives one per key (or the key NAME).
#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "capture/capturewriter.h"
#include "cli.h"
#include "irtoolkit/irtoolkit.h"

namespace tvq31::cli {

namespace {

void Emit(const Signal& signal, const std::string& name, bool readable) {
  if (readable) {
    if (!name.empty()) std::cout << "name: " << name << '\n';
    std::cout << DescribeSignal(signal);
  } else {
    std::cout << WriteCapture(signal) << '\n';
  }
}

}  // namespace

TVQ31_COMMAND(41) {
  struct Options {
    std::string file, name, format;
    uint32_t hold_ms = kDefaultHoldMs;
    bool signal = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* import = root.add_subcommand(
      "import", "Turn a Flipper .ir file, a Pronto hex code or LIRC mode2 text into captures");
  import->add_option("FILE", o->file, "Input file (default: standard input)");
  import->add_option("--name", o->name, "Only the key of this name (.ir files)");
  import->add_option("--format", o->format, "flipper, pronto or mode2 (default: judged from content)")
      ->check(CLI::IsMember({"flipper", "pronto", "mode2"}));
  import->add_option("--hold-ms", o->hold_ms, "How long parsed keys and Pronto codes are held");
  import->add_flag("--signal", o->signal, "Print the signals in readable form instead");
  import->callback([o] {
    const std::string text = ReadTextInput(o->file);
    std::optional<ImportFormat> format;
    static const std::map<std::string, ImportFormat> kNames = {
        {"flipper", ImportFormat::kFlipper}, {"pronto", ImportFormat::kPronto},
        {"mode2", ImportFormat::kMode2}};
    if (!o->format.empty()) {
      format = kNames.at(o->format);
    } else {
      format = GuessImportFormat(text);
      if (!format) Fail("cannot tell the format of the input; give --format");
    }
    if (*format != ImportFormat::kFlipper && !o->name.empty()) {
      UsageError("--name applies to .ir files only");
    }
    std::string error;
    if (*format == ImportFormat::kPronto) {
      const std::optional<Signal> signal = ParsePronto(text, o->hold_ms, &error);
      if (!signal) Fail(error);
      Emit(*signal, "", o->signal);
      return;
    }
    if (*format == ImportFormat::kMode2) {
      const std::optional<Signal> signal = ParseMode2(text, &error);
      if (!signal) Fail(error);
      Emit(*signal, "", o->signal);
      return;
    }
    const std::optional<std::vector<IrEntry>> entries = ParseFlipperIr(text, &error);
    if (!entries) Fail(error);
    size_t written = 0, matched = 0;
    for (const IrEntry& entry : *entries) {
      if (!o->name.empty() && entry.name != o->name) continue;
      ++matched;
      const std::optional<Signal> signal = EntrySignal(entry, o->hold_ms, &error);
      if (!signal) {
        // One unusable key does not stop the others.
        std::cerr << "tvq31ctl: skipped \"" << entry.name << "\": " << error << '\n';
        continue;
      }
      Emit(*signal, entry.name, o->signal);
      ++written;
    }
    if (!o->name.empty() && matched == 0) Fail("no key named \"" + o->name + "\"");
    if (written == 0) Fail("no usable key in the file");
  });
}

}  // namespace tvq31::cli

// Code files people find for a lost remote, read as named signals: Flipper
// .ir files (one entry per button), Pronto hex text and LIRC mode2 text.
//
// Pronto text holds one or more learned codes ("0000 FREQ ONCE REPEAT ...").
// A code's name stands before it: on the same line ending in ':'
// ("Power: 0000 006D ..."), or alone on the line before. mode2 text holds
// one recording, or several each after a "# name: NAME" line. A code
// without a name takes the file's name without its folder and extension.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irtoolkit/irtoolkit.h"
#include "signal/signal.h"

namespace tvq31::cli {

struct NamedSignal {
  std::string name;
  int line = 0;           // where it starts in the file
  std::string protocol;   // parsed .ir entries; "raw" otherwise
  std::optional<Signal> signal;  // the press held for the usual time
  std::string error;      // why there is no signal
};

// The format of a code file judged from its content: Flipper when a line
// starts with "Filetype:", mode2 when one starts with "pulse" or "space",
// Pronto when a "0000" word is followed by hexadecimal words.
std::optional<ImportFormat> GuessCodeFileFormat(std::string_view text);

// The named signals of a code file in file order. nullopt with a reason
// when the text is not a file of that format at all or holds no code; one
// broken code only sets its own `error`. `fallback_name` names a code that
// has no name of its own.
std::optional<std::vector<NamedSignal>> ReadCodeFile(std::string_view text, ImportFormat format,
                                                     const std::string& fallback_name,
                                                     std::string* error);

// "power" for "/some/where/power.pronto".
std::string FileStem(const std::string& path);

}  // namespace tvq31::cli

// Signals written in the forms other infrared tools read.
#pragma once

#include <string>
#include <string_view>

#include "signal/signal.h"

namespace tvq31 {

// A raw entry of a Flipper infrared file: "name:", "type: raw",
// "frequency:", "duty_cycle: 0.330000" and "data:" lines, each ending in a
// line feed. The data are the marks and spaces in microseconds; the gap
// after a frame is the space before the next one, the last gap is left out.
std::string FlipperRawEntry(const Signal& signal, std::string_view name);

// The same as a whole Flipper infrared file (header and the one entry).
std::string FlipperRawFile(const Signal& signal, std::string_view name);

// Pronto hex of the learned kind ("0000", the carrier word, the burst pair
// counts, then the pairs), the whole signal as the once-sent part and the
// last gap as its final space. A signal without carrier is written as
// unmodulated ("0100") with the 38 kHz time base. Counts of carrier cycles
// are at least 1 and at most FFFF. The empty text for a signal without
// frames.
std::string ProntoHex(const Signal& signal);

}  // namespace tvq31

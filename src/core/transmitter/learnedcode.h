// The learned-code text read back into a signal, and a signal written as
// learned-code text: frame count in decimal, the carrier field ("0000", or
// the carrier in kHz as hexadecimal followed by "12"), then the frames as
// four-digit hexadecimal microseconds (a negative duration as eight digits),
// "FEFE", the gap in whole milliseconds and "EDED" after a frame followed by
// another, "EDED" after the last one ("FEFE0014EDED" when it is the only one).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "signal/signal.h"

namespace tvq31 {

struct LearnedCode {
  int frame_count = 0;     // as written in front of the frames
  size_t count_digits = 0;  // how many digits it takes
  int carrier_khz = 0;     // 0: the carrier field was "0000"
  size_t frames_start = 0;  // index of the first frame's first digit
  // Durations in microseconds (a negative one becomes 0). A gap written in
  // whole milliseconds is taken as the middle of that millisecond; the last
  // frame, which carries no gap, gets the gap of the frame before it.
  Signal signal;
};

// Reads a learned-code text. The frame count may have one to three digits
// and the carrier field four to six characters; the split whose frames
// parse into exactly as many "EDED"-closed frames as the count says is
// taken. nullopt with a reason when no split fits.
std::optional<LearnedCode> ParseLearnedCode(std::string_view text, std::string* error = nullptr);

// Writes `signal` as learned-code text (gaps truncated to whole
// milliseconds, the carrier to whole kHz). The empty text for a signal
// without frames.
std::string WriteLearnedCode(const Signal& signal);

}  // namespace tvq31

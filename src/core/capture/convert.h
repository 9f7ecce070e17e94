// Captured signal conversion: the remote's raw capture text (four-character
// hexadecimal tokens in counts of a third of a microsecond) turned into the
// learned-code text that recognition reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tvq31 {

struct ConvertedCapture {
  // Frame count in decimal, the carrier field, then the frames: durations
  // in microseconds as four (negative: eight) hex digits, "FEFE" gap "EDED"
  // between frames, "EDED" at the end. Empty when the capture is not usable.
  std::string text;
  int frame_count = 0;
  // Index in `text` where the first frame begins, after the frame count and
  // the carrier field (0 when `text` is empty).
  size_t frames_start = 0;
};

// Converts a capture. The result is empty when the capture ends before a
// complete trailer (end-of-signal run of 20 run tokens and two trailer
// tokens), or when a token that has to be read as a number is not
// hexadecimal. Never throws on any input.
ConvertedCapture ConvertCaptureFull(std::string_view capture);

// The learned-code text only.
std::string ConvertCapture(std::string_view capture);

// Where only the learned-code text is at hand: the index where its frames
// begin. The frame count is the shortest digit prefix followed by a carrier
// field ("0000", or two hex digits and "12"); where a zero carrier makes
// that ambiguous (frame count 10 with "0000"), the split that leaves the
// frames in whole four-character items wins. nullopt when there is none.
std::optional<size_t> LearnedCodeFramesStart(std::string_view learned_code);

// The carrier figure in kHz for the sum t of the three trailer samples
// (t > 0): 1000 / (t / 9), the quotient taken as a double and the division
// carried out with a 64-bit mantissa, truncated. For t = 5, 10, 15 ... it is
// one less than 9000 / t, as the remote's own tool reports it.
int CarrierFigure(int t) noexcept;

}  // namespace tvq31

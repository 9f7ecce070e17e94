// ConvertCapture on arbitrary bytes: never crashes, and a non-empty result
// is well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "capture/convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view capture(reinterpret_cast<const char*>(data), size);
  const tvq31::ConvertedCapture got = tvq31::ConvertCaptureFull(capture);
  if (got.text.empty()) {
    if (got.frame_count != 0 || got.frames_start != 0) std::abort();
    return 0;
  }
  if (got.frame_count < 1 || got.frames_start > got.text.size()) std::abort();
  // Frames are whole four-character items ending in "EDED".
  const size_t frames = got.text.size() - got.frames_start;
  if (frames % 4 != 0 || got.text.substr(got.text.size() - 4) != "EDED") std::abort();
  // Where the carrier field has its usual four characters, the text alone
  // gives back the same split.
  const size_t field = got.frames_start - std::to_string(got.frame_count).size();
  if (field == 4 && tvq31::LearnedCodeFramesStart(got.text) != got.frames_start) std::abort();
  tvq31::LearnedCodeFramesStart(capture);
  return 0;
}

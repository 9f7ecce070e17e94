// The capture writer: a signal written as the remote's raw capture text,
// the inverse of ConvertCapture.
#pragma once

#include <string>

#include "signal/signal.h"

namespace tvq31 {

inline constexpr size_t kCaptureSize = 10240;

// The capture text of `signal`, zero-padded to kCaptureSize characters.
// A press too long for the buffer keeps the whole frames that fit and always
// ends with a complete trailer.
std::string WriteCapture(const Signal& signal);

}  // namespace tvq31

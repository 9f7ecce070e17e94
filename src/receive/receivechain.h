// The receive step: what happens to a capture once the remote has delivered
// it. The capture is converted to learned-code text, recognised against the
// code-style library and encoded as a key record; when no code style
// matches, the learned code is handed to the transfer library
// (libtransfercode.so, opened afresh each time it is needed), whose answer
// is copied at once. Shared by tvq31ctl and the app.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ValidatePro/recognise.h"

namespace tvq31 {

inline constexpr char kTransferLibraryName[] = "libtransfercode.so";

enum class ReceiveSource { kNone, kLibrary, kTransfer };

// "library", "transfer", or "" for kNone.
const char* ReceiveSourceName(ReceiveSource source) noexcept;

struct ReceiveOptions {
  // The code-style library file (normally QD01.csl beside the executable).
  std::string library_path;
  // The transfer library file; empty: no fallback, an unrecognised capture
  // gives no key record.
  std::string transfer_path;
};

struct ReceiveResult {
  std::string record;  // the key record as hexadecimal text; empty on failure
  ReceiveSource source = ReceiveSource::kNone;
  std::string style;  // name of the matching code style (source kLibrary)
  int index = -1;     // its position in the library, from 0
  std::string learned_code;  // the converted capture, empty when unusable
  // Why the library gave nothing (the library could not be loaded, or no
  // code style matched); kept when the transfer library filled in.
  std::string recognition_note;
  // Why there is no key record; empty when `record` is set.
  std::string error;

  bool ok() const noexcept { return !record.empty(); }
};

// Opens the transfer library at `path`, hands `input` to its Cominput and
// copies the answer. nullopt with a reason when the library cannot be
// opened or has no Cominput (it is released again then). The library stays
// loaded after a successful call, as the receive step leaves it.
std::optional<std::string> CallTransferLibrary(const std::string& path, const std::string& input,
                                               std::string* error = nullptr);

class ReceiveChain {
 public:
  explicit ReceiveChain(ReceiveOptions options) : options_(std::move(options)) {}

  // The receive step for one capture text and the key code (0 to 255) of
  // the key being learned. Never throws on any capture.
  ReceiveResult Receive(std::string_view capture, int key_code);

  // The same from a learned-code text (as ConvertCapture gives it).
  ReceiveResult ReceiveLearnedCode(std::string learned_code, int key_code);

  const ReceiveOptions& options() const noexcept { return options_; }

 private:
  ReceiveOptions options_;
  // One recognition context for every capture, as the app keeps one.
  Recogniser recogniser_;
};

}  // namespace tvq31

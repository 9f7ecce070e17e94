#include "receive/receivechain.h"

#include <dlfcn.h>

#include <exception>

#include "capture/convert.h"
#include "transmitter/transferinput.h"
#include "transmitter/transmitter.h"

namespace tvq31 {

namespace {

using CominputFn = const char* (*)(const char*);

// The longest answer taken from the transfer library: a key record is at
// most a header and two parts of 255 bytes, as hexadecimal text. Anything
// longer is not a key record, and an answer without its terminator is not
// read past this.
constexpr size_t kMaxTransferAnswer = 2 * (10 + 255 + 255);

std::string DlError() {
  const char* e = dlerror();
  return e ? e : "unknown reason";
}

}  // namespace

const char* ReceiveSourceName(ReceiveSource source) noexcept {
  switch (source) {
    case ReceiveSource::kLibrary: return "library";
    case ReceiveSource::kTransfer: return "transfer";
    case ReceiveSource::kNone: break;
  }
  return "";
}

std::optional<std::string> CallTransferLibrary(const std::string& path, const std::string& input,
                                               std::string* error) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error) *error = "transfer library " + path + " cannot be loaded: " + DlError();
    return std::nullopt;
  }
  dlerror();
  void* symbol = dlsym(handle, "Cominput");
  if (symbol == nullptr) {
    dlclose(handle);
    if (error) *error = "transfer library " + path + " has no Cominput";
    return std::nullopt;
  }
  const auto cominput = reinterpret_cast<CominputFn>(symbol);
  const char* answer = cominput(input.c_str());
  // The answer lives only until the library's next call: copy it now.
  std::string copy;
  if (answer != nullptr) {
    size_t n = 0;
    while (n <= kMaxTransferAnswer && answer[n] != '\0') ++n;
    copy.assign(answer, n);
  }
  // The handle is kept: the library stays loaded for the next capture, and
  // opening it again only counts another reference.
  return copy;
}

ReceiveResult ReceiveChain::Receive(std::string_view capture, int key_code) {
  ConvertedCapture converted;
  try {
    converted = ConvertCaptureFull(capture);
  } catch (const std::exception&) {
    converted = {};  // out of memory; reported as an unusable capture below
  }
  if (converted.text.empty()) {
    ReceiveResult result;
    result.error =
        "the capture holds no complete signal (no end-of-signal run and trailer, or a token that "
        "is not hexadecimal)";
    return result;
  }
  return ReceiveLearnedCode(std::move(converted.text), key_code);
}

ReceiveResult ReceiveChain::ReceiveLearnedCode(std::string learned_code, int key_code) {
  ReceiveResult result;
  result.learned_code = std::move(learned_code);
  if (key_code < 0 || key_code > 255) {
    result.error = "key code " + std::to_string(key_code) + " is outside 00 to FF";
    return result;
  }
  // The frames start after the frame count and the carrier field, however
  // many digits the count takes.
  const std::optional<size_t> start = LearnedCodeFramesStart(result.learned_code);
  if (!start) {
    result.error = "not a learned-code text: no frame count followed by a carrier field";
    return result;
  }
  try {
    RecognitionResult recognised = recogniser_.RecogniseCapture(
        std::string_view(result.learned_code).substr(*start), key_code, options_.library_path);
    if (!recognised.record.empty()) {
      result.record = std::move(recognised.record);
      result.source = ReceiveSource::kLibrary;
      result.style = std::move(recognised.style);
      result.index = recognised.index;
      return result;
    }
    result.recognition_note =
        recognised.error.empty() ? "no code style matches" : std::move(recognised.error);
  } catch (const std::exception& e) {
    // A malformed code style or a read error stops the library, not the
    // receive step: the transfer library still gets its chance.
    result.recognition_note = std::string("recognition failed: ") + e.what();
  }

  if (options_.transfer_path.empty()) {
    result.error = result.recognition_note + "; no transfer library to fall back on";
    return result;
  }
  std::string why;
  const std::optional<std::string> answer =
      CallTransferLibrary(options_.transfer_path, BuildTransferInput(key_code, result.learned_code), &why);
  if (!answer) {
    result.error = result.recognition_note + "; " + why;
    return result;
  }
  if (answer->empty()) {
    result.error = result.recognition_note + "; the transfer library gave no key record";
    return result;
  }
  // The library lies outside this program: its answer is checked before
  // anything stores it.
  const std::optional<KeyRecordParts> parts = ParseKeyRecordParts(*answer, &why);
  if (!parts || parts->head.empty() || parts->data.empty() || parts->key_code != key_code) {
    if (parts && why.empty()) {
      why = parts->key_code != key_code ? "it names another key" : "it is a deletion record";
    }
    result.error = result.recognition_note +
                   "; the transfer library's answer is not a key record for this key: " + why;
    return result;
  }
  result.record = *answer;
  result.source = ReceiveSource::kTransfer;
  return result;
}

}  // namespace tvq31

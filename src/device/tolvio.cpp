// The six device operations over the remote's socket. Every call opens its
// own connection, so calls from several threads share nothing and need no
// lock; every call has a deadline, so a silent remote costs a bounded wait.
#include "tolvio.h"

#include <cstring>
#include <string>
#include <string_view>

#include "wire.h"

namespace {

using tvq31::wire::Exchange;
using tvq31::wire::Op;
using tvq31::wire::Status;

// The link monitor polls every 200 ms and must learn quickly that the remote
// is gone or hung.
constexpr int kLinkTimeoutMs = 100;
// Every other call: the remote answers at once, except a write (it reaches
// the disk first) and a capture poll (it waits up to 50 ms for a press).
constexpr int kCallTimeoutMs = 900;

std::string SocketPath() {
  std::string path = tvq31::wire::DefaultSocketPath();
  if (!path.empty() && !tvq31::wire::PrepareSocketDir(path, nullptr)) path.clear();
  return path;
}

// One device operation; true when the remote answered true with exactly
// `expect` bytes (which go to `buffer`).
bool Call(Op op, std::string_view payload, int timeout_ms, uint8_t* buffer, size_t expect) {
  const std::string path = SocketPath();
  if (path.empty()) return false;
  const auto answer = Exchange(path, op, payload, timeout_ms);
  if (!answer || answer->code != static_cast<uint8_t>(Status::kOk)) return false;
  if (answer->payload.size() != expect) return false;
  if (expect > 0) {
    if (buffer == nullptr) return false;
    std::memcpy(buffer, answer->payload.data(), expect);
  }
  return true;
}

uint8_t Guarded(Op op, std::string_view payload, int timeout_ms, uint8_t* buffer,
                size_t expect) noexcept {
  try {
    return Call(op, payload, timeout_ms, buffer, expect) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

#define TOLVIO_EXPORT __attribute__((visibility("default")))

extern "C" {

TOLVIO_EXPORT uint8_t link_state(void) {
  return Guarded(Op::kLinkState, {}, kLinkTimeoutMs, nullptr, 0);
}

TOLVIO_EXPORT uint8_t RBasicInfo(uint8_t* buffer) {
  if (buffer == nullptr) return 0;
  return Guarded(Op::kBasicInfo, {}, kCallTimeoutMs, buffer, TOLVIO_BASIC_INFO_SIZE);
}

TOLVIO_EXPORT uint8_t RCodeTypeData(uint8_t* buffer) {
  if (buffer == nullptr) return 0;
  return Guarded(Op::kReadTable, {}, kCallTimeoutMs, buffer, TOLVIO_KEY_TABLE_SIZE);
}

TOLVIO_EXPORT uint8_t WCodeTypeData(const char* image) {
  if (image == nullptr) return 0;
  // The remote's memory holds no more than it delivers; a longer image is
  // refused here without being sent. strnlen stops one past the limit.
  const size_t length = ::strnlen(image, TOLVIO_KEY_TABLE_SIZE + 1);
  if (length > TOLVIO_KEY_TABLE_SIZE) return 0;
  return Guarded(Op::kWriteTable, std::string_view(image, length), kCallTimeoutMs, nullptr, 0);
}

TOLVIO_EXPORT uint8_t SetCodeCarrierWave(void) {
  return Guarded(Op::kStartCapture, {}, kCallTimeoutMs, nullptr, 0);
}

TOLVIO_EXPORT uint8_t RCollectCodeInfo(uint8_t* buffer) {
  if (buffer == nullptr) return 0;
  return Guarded(Op::kCollectCapture, {}, kCallTimeoutMs, buffer, TOLVIO_CAPTURE_SIZE);
}

}  // extern "C"

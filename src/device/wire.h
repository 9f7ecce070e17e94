// The link between the device library and the remote: length-prefixed
// binary frames over a Unix-domain stream socket, one request and one answer
// per connection. Shared by libtolvio.so, tvq31-remote and its control
// commands. No Qt, no threads.
//
// Frame: 8-byte header, then the payload.
//   bytes 0-1  magic "TV"
//   byte  2    request: the operation; answer: the status
//   byte  3    protocol version (1)
//   bytes 4-7  payload length, unsigned 32-bit, little-endian
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvq31::wire {

inline constexpr uint8_t kVersion = 1;
inline constexpr size_t kHeaderSize = 8;
// Largest payload either side accepts; anything longer is a broken peer.
inline constexpr size_t kMaxPayload = 65536;

inline constexpr size_t kBasicInfoSize = 1024;
inline constexpr size_t kKeyTableSize = 12288;
inline constexpr size_t kCaptureSize = 10240;

enum class Op : uint8_t {
  // The six device operations.
  kLinkState = 0x01,
  kBasicInfo = 0x02,
  kReadTable = 0x03,
  kWriteTable = 0x04,
  kStartCapture = 0x05,
  kCollectCapture = 0x06,
  // Control of the emulated remote (answered even while unplugged).
  kPress = 0x40,
  kUnplug = 0x41,
  kPlug = 0x42,
  kSetIdentity = 0x43,
  kSetVersion = 0x44,
  kSetType = 0x45,
  kRefuseWrites = 0x46,
  kGetTable = 0x47,
  kTransmit = 0x48,
  kStatus = 0x49,
};

enum class Status : uint8_t {
  kFalse = 0x00,  // the operation's answer is false (or refused)
  kOk = 0x01,     // true; the payload is the operation's data
  kError = 0x02,  // control command failed; the payload is a reason text
};

// True for the six operations that an unplugged remote does not answer.
bool IsDeviceOp(uint8_t op) noexcept;
// True for every operation this protocol version knows.
bool IsKnownOp(uint8_t op) noexcept;

struct Frame {
  uint8_t code = 0;  // Op for requests, Status for answers
  std::string payload;
};

// Header plus payload. The payload must not exceed kMaxPayload.
std::string EncodeFrame(uint8_t code, std::string_view payload);

// Incremental decoder for one frame arriving in pieces.
class FrameReader {
 public:
  enum class State { kNeedMore, kDone, kBad };

  // Takes bytes from `data` up to the end of one frame; `used` receives how
  // many were taken. A wrong magic, version or a length above `max_payload`
  // makes the reader kBad for good.
  State Feed(std::string_view data, size_t* used);
  State state() const noexcept { return state_; }
  // The decoded frame; valid once state() is kDone.
  const Frame& frame() const noexcept { return frame_; }
  void set_max_payload(size_t max) noexcept { max_payload_ = max; }

 private:
  State state_ = State::kNeedMore;
  std::string header_;
  size_t want_ = 0;
  size_t max_payload_ = kMaxPayload;
  Frame frame_;
};

// Where the remote listens: $TVQ31_REMOTE when set and not empty; else
// tvq31-remote.sock in $XDG_RUNTIME_DIR; else in /tmp/tvq31-UID, a private
// directory (0700) of the user. Empty when no usable path exists (too long
// for a socket address).
std::string DefaultSocketPath();

// Creates the private fallback directory of `socket_path` when it is the
// /tmp one (mode 0700), and checks that it belongs to this user and is not
// open to others. Other directories are taken as they are. False with a
// reason in `error` when the directory is unsafe or cannot be made.
bool PrepareSocketDir(const std::string& socket_path, std::string* error);

// One request, one answer, within `timeout_ms` in total (connect, send and
// receive). Nothing when the remote is absent, silent, too slow or answers
// with a malformed or oversized frame. Never raises SIGPIPE.
std::optional<Frame> Exchange(const std::string& socket_path, Op op, std::string_view payload,
                              int timeout_ms) noexcept;

}  // namespace tvq31::wire

#include "remote.h"

#include <array>
#include <random>
#include <utility>
#include <vector>

#include "hextext/hextext.h"

namespace tvq31::remote {

namespace {

using wire::Frame;
using wire::Op;
using wire::Status;

bool Printable(char c) noexcept { return c >= 0x20 && c <= 0x7E; }

Frame Answer(Status status, std::string payload = {}) {
  return Frame{static_cast<uint8_t>(status), std::move(payload)};
}

Frame Error(std::string reason) { return Answer(Status::kError, std::move(reason)); }

// The demo press is a TV key of the same set as the factory codes.
constexpr uint8_t kTvAddress = 0x04;

// --- demo capture --------------------------------------------------------

constexpr uint32_t kRunCounts = 0x7FFF;

// Appends durations in microseconds as capture tokens (counts of a third of
// a microsecond: a mark token carries bit 15, a space token is plain).
class CaptureBuilder {
 public:
  void Mark(uint32_t us) { Token(0x8000 | ((us + 58) * 3)); }
  void Space(uint32_t us) {
    uint32_t counts = (us - 58) * 3;
    while (counts >= kRunCounts) {
      Token(kRunCounts);
      counts -= kRunCounts;
    }
    Token(counts);
  }
  // End of signal: a long run, then the carrier samples (A + B + C = 236
  // counts, 38 kHz).
  std::string Finish() {
    for (int i = 0; i < 24; ++i) Token(kRunCounts);
    text_ += "4F4F4E00";
    return text_;
  }

 private:
  void Token(uint32_t value) { text_ += WriteHex(value, 4); }
  std::string text_;
};

}  // namespace

bool ValidIdentity(std::string_view text) noexcept {
  if (text.empty() || text.size() > 30) return false;
  for (char c : text) {
    if (!Printable(c)) return false;
  }
  return true;
}

bool ValidField(std::string_view text, size_t length) noexcept {
  if (text.size() != length) return false;
  for (char c : text) {
    if (!Printable(c)) return false;
  }
  return true;
}

bool ValidTable(std::string_view image) noexcept {
  return image.size() <= wire::kKeyTableSize && image.size() % 2 == 0 && IsHexText(image);
}

bool ValidCapture(std::string_view capture) noexcept {
  return capture.size() <= wire::kCaptureSize && IsHexText(capture);
}

std::string BasicInfo(const RemoteState& state) {
  std::string info(wire::kBasicInfoSize, '\0');
  std::string identity = state.identity.substr(0, 30);
  identity.resize(30, ' ');
  info.replace(0, 30, identity);
  info.replace(64, 2, state.version1.substr(0, 2));
  info.replace(66, 2, state.version2.substr(0, 2));
  info.replace(70, 4, state.type_code.substr(0, 4));
  info.resize(wire::kBasicInfoSize, '\0');
  return info;
}

std::string NewIdentity() {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
  std::string id = "TVQ31II-EMU-";
  static constexpr char kDigits[] = "0123456789ABCDEF";
  while (id.size() < 30) id += kDigits[gen() % 16];
  return id;
}

std::string DemoCapture() {
  CaptureBuilder b;
  const uint8_t address = kTvAddress;
  const uint8_t command = 0x08;
  const std::array<uint8_t, 4> bytes{address, static_cast<uint8_t>(~address), command,
                                     static_cast<uint8_t>(~command)};
  b.Mark(9000);
  b.Space(4500);
  for (uint8_t byte : bytes) {
    for (int bit = 0; bit < 8; ++bit) {
      b.Mark(560);
      b.Space(((byte >> bit) & 1) ? 1690 : 560);
    }
  }
  b.Mark(560);
  b.Space(40000);
  // The repeat frame a held key sends.
  b.Mark(9000);
  b.Space(2250);
  b.Mark(560);
  return b.Finish();
}

// --- request handling ------------------------------------------------------

RemoteCore::RemoteCore(RemoteState state, Store* store, bool demo)
    : state_(std::move(state)), store_(store), demo_(demo) {}

Frame RemoteCore::NoCapture() { return Answer(Status::kFalse); }

RemoteCore::Reply RemoteCore::Handle(const Frame& request, int64_t now_ms) {
  if (!wire::IsKnownOp(request.code)) return {Reply::Kind::kAnswer, Error("unknown operation")};
  const auto op = static_cast<Op>(request.code);
  if (wire::IsDeviceOp(request.code)) {
    if (!plugged_) return {Reply::Kind::kDrop, {}};
    return DeviceOp(op, request.payload, now_ms);
  }
  return {Reply::Kind::kAnswer, ControlOp(op, request.payload)};
}

RemoteCore::Reply RemoteCore::DeviceOp(Op op, const std::string& payload, int64_t now_ms) {
  const bool no_payload = payload.empty();
  switch (op) {
    case Op::kLinkState:
      return {Reply::Kind::kAnswer, Answer(no_payload ? Status::kOk : Status::kFalse)};
    case Op::kBasicInfo:
      if (!no_payload) break;
      return {Reply::Kind::kAnswer, Answer(Status::kOk, BasicInfo(state_))};
    case Op::kReadTable: {
      if (!no_payload) break;
      std::string image = state_.table;
      image.resize(wire::kKeyTableSize, '\0');
      return {Reply::Kind::kAnswer, Answer(Status::kOk, std::move(image))};
    }
    case Op::kWriteTable:
      if (refuse_writes_ || payload.empty() || !ValidTable(payload)) break;
      // Acknowledged only once the table is on disk; a failed save leaves the
      // old table in force.
      {
        RemoteState next = state_;
        next.table = payload;
        if (!store_->Save(next)) break;
        state_ = std::move(next);
      }
      return {Reply::Kind::kAnswer, Answer(Status::kOk)};
    case Op::kStartCapture:
      if (!no_payload) break;
      capturing_ = true;
      if (demo_ && presses_.empty()) demo_due_ms_ = now_ms + kDemoDelayMs;
      return {Reply::Kind::kAnswer, Answer(Status::kOk)};
    case Op::kCollectCapture:
      if (!no_payload) break;
      if (auto capture = TryCollect()) return {Reply::Kind::kAnswer, std::move(*capture)};
      return {Reply::Kind::kPark, {}};
    default:
      break;
  }
  return {Reply::Kind::kAnswer, Answer(Status::kFalse)};
}

std::optional<Frame> RemoteCore::TryCollect() {
  if (!plugged_ || !capturing_ || presses_.empty()) return std::nullopt;
  std::string capture = std::move(presses_.front());
  presses_.pop_front();
  capturing_ = false;
  demo_due_ms_ = -1;
  capture.resize(wire::kCaptureSize, '\0');
  return Answer(Status::kOk, std::move(capture));
}

int64_t RemoteCore::Tick(int64_t now_ms) {
  if (demo_due_ms_ < 0) return -1;
  if (now_ms < demo_due_ms_) return demo_due_ms_;
  demo_due_ms_ = -1;
  if (plugged_ && capturing_ && presses_.empty()) presses_.push_back(DemoCapture());
  return -1;
}

Frame RemoteCore::ControlOp(Op op, const std::string& payload) {
  switch (op) {
    case Op::kPress: {
      std::string capture = payload;
      // A capture saved from a poll carries its zero filler; drop it.
      while (!capture.empty() && capture.back() == '\0') capture.pop_back();
      if (capture.empty() || !ValidCapture(capture)) {
        return Error("a capture is 1 to 10240 hexadecimal digits");
      }
      if (presses_.size() >= kMaxQueuedPresses) return Error("too many presses queued");
      presses_.push_back(std::move(capture));
      return Answer(Status::kOk);
    }
    case Op::kUnplug:
      plugged_ = false;
      // Power is gone: capture mode ends with it.
      capturing_ = false;
      demo_due_ms_ = -1;
      return Answer(Status::kOk);
    case Op::kPlug:
      plugged_ = true;
      return Answer(Status::kOk);
    case Op::kSetIdentity:
    case Op::kSetVersion:
    case Op::kSetType: {
      RemoteState next = state_;
      if (op == Op::kSetIdentity) {
        if (!ValidIdentity(payload)) return Error("an identity is 1 to 30 printable characters");
        next.identity = payload;
      } else if (op == Op::kSetVersion) {
        if (!ValidField(payload, 4)) {
          return Error("version pairs are two printable characters each");
        }
        next.version1 = payload.substr(0, 2);
        next.version2 = payload.substr(2, 2);
      } else {
        if (!ValidField(payload, 4)) return Error("a type code is four printable characters");
        next.type_code = payload;
      }
      if (!store_->Save(next)) return Error("cannot save the remote's state");
      state_ = std::move(next);
      return Answer(Status::kOk);
    }
    case Op::kRefuseWrites:
      if (payload != "on" && payload != "off") return Error("refuse-writes takes on or off");
      refuse_writes_ = payload == "on";
      return Answer(Status::kOk);
    case Op::kGetTable:
      return Answer(Status::kOk, state_.table);
    case Op::kTransmit: {
      const auto code = payload.size() == 2 ? ReadHexNumber(payload) : std::nullopt;
      if (!code) return Error("a key code is two hexadecimal digits");
      if (transmit_hook_ == nullptr) return Error("this remote has no transmitter model");
      std::string error;
      auto signal = transmit_hook_(state_.table, *code, &error);
      if (!signal) return Error(error.empty() ? "nothing to transmit" : error);
      return Answer(Status::kOk, std::move(*signal));
    }
    case Op::kStatus:
      return Answer(Status::kOk, StatusText());
    default:
      return Error("unknown operation");
  }
}

std::string RemoteCore::StatusText() const {
  std::string out;
  out += "plugged: " + std::string(plugged_ ? "yes" : "no") + "\n";
  out += "identity: " + state_.identity + "\n";
  out += "version: " + state_.version1 + " " + state_.version2 + "\n";
  out += "type: " + state_.type_code + "\n";
  out += "capture mode: " + std::string(capturing_ ? "on" : "off") + "\n";
  out += "queued presses: " + std::to_string(presses_.size()) + "\n";
  out += "refuse writes: " + std::string(refuse_writes_ ? "on" : "off") + "\n";
  out += "table: " + std::to_string(state_.table.size()) + " characters\n";
  return out;
}

}  // namespace tvq31::remote

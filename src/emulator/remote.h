// The emulated remote: its stored state and how it answers requests. No
// sockets and no clock of its own (the server passes the time in), so the
// whole request handling is testable and fuzzable in memory.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "wire.h"

namespace tvq31::remote {

// What the remote keeps across power cycles.
struct RemoteState {
  std::string identity;   // 1 to 30 printable ASCII characters
  std::string version1;   // first version pair, 2 printable characters
  std::string version2;   // second version pair
  std::string type_code;  // 4 printable characters
  std::string table;      // key table image, hexadecimal text

  bool operator==(const RemoteState&) const = default;
};

bool ValidIdentity(std::string_view text) noexcept;
// A version pair (2 characters) or a type code (4 characters): printable
// ASCII of exactly `length` characters.
bool ValidField(std::string_view text, size_t length) noexcept;
// An image the remote's memory can hold: 1 to 12288 hexadecimal digits, an
// even number of them.
bool ValidTable(std::string_view image) noexcept;
// A capture as the remote measures it: 1 to 10240 hexadecimal digits.
bool ValidCapture(std::string_view capture) noexcept;

// The 1024 bytes of the basic information: identity at bytes 0-29 (padded
// with blanks), the version pairs at 64-67, the type code at 70-73, zero
// bytes elsewhere.
std::string BasicInfo(const RemoteState& state);

// A remote as it leaves the factory: type "0002", versions "01" and "02",
// the given identity and downloaded codes on the TV keys (DefaultTable()).
RemoteState FactoryState(const std::string& identity);
// A fresh 30-character identity ("TVQ31II-EMU-" and 18 random digits).
std::string NewIdentity();

// Factory key table: one key pair (TV/Vol+ drives AMP/Vol+) and downloaded
// codes (key type 0x8F, the learned bit clear) on the power key and eleven
// TV keys, in the rebuilt-image form. The codes are those of an NEC TV
// remote (address 0x04), each made the way a learned key is made: the
// two-second press as the remote captures it, converted, recognised against
// the code-style library at `library_path` and encoded; keys the library
// does not recognise (or every key, when it cannot be read) get raw key
// records. Every key can be played by the transmitter model.
std::string DefaultTable(const std::string& library_path);
// The same with the library beside the running executable, built once per
// process.
std::string DefaultTable();
// QD01.csl in the directory of the running executable.
std::string LibraryBesideExecutable();

// Where the remote's state is kept between runs.
class Store {
 public:
  virtual ~Store() = default;
  // True only once the new state is durable.
  virtual bool Save(const RemoteState& state) = 0;
};

// A store that keeps nothing (tests, fuzzing).
class NullStore : public Store {
 public:
  bool Save(const RemoteState&) override { return true; }
};

// The built-in sample press of demo mode: an NEC frame with its repeat.
std::string DemoCapture();

// Produces the transmitted signal of a stored key; set by whoever provides
// the transmitter model. Gets the key table image and the key code; gives
// the signal as a Flipper raw entry, or nothing with a reason.
using TransmitHook = std::optional<std::string> (*)(std::string_view image, int key_code,
                                                    std::string* error);

class RemoteCore {
 public:
  static constexpr size_t kMaxQueuedPresses = 16;
  // A capture poll waits this long for a press before it answers false.
  static constexpr int64_t kCollectWaitMs = 50;
  // Demo mode presses the sample this long after capture mode starts.
  static constexpr int64_t kDemoDelayMs = 1000;

  RemoteCore(RemoteState state, Store* store, bool demo);

  struct Reply {
    enum class Kind {
      kAnswer,  // send `frame`
      kPark,    // a capture poll: ask TryCollect until the deadline, then answer false
      kDrop,    // unplugged: close without an answer
    } kind = Kind::kAnswer;
    wire::Frame frame;
  };

  Reply Handle(const wire::Frame& request, int64_t now_ms);
  // A parked capture poll: the capture if one is ready now (capture mode on
  // and a press queued); it is delivered once and ends capture mode.
  std::optional<wire::Frame> TryCollect();
  // The answer of a parked poll whose wait ran out.
  static wire::Frame NoCapture();
  // Fires the demo press when it is due. Returns the next time it wants to
  // be called, or -1.
  int64_t Tick(int64_t now_ms);

  bool plugged() const noexcept { return plugged_; }
  const RemoteState& state() const noexcept { return state_; }
  void set_transmit_hook(TransmitHook hook) noexcept { transmit_hook_ = hook; }

 private:
  Reply DeviceOp(wire::Op op, const std::string& payload, int64_t now_ms);
  wire::Frame ControlOp(wire::Op op, const std::string& payload);
  std::string StatusText() const;

  RemoteState state_;
  Store* store_;
  bool demo_;
  bool plugged_ = true;
  bool capturing_ = false;
  bool refuse_writes_ = false;
  int64_t demo_due_ms_ = -1;
  std::deque<std::string> presses_;
  TransmitHook transmit_hook_ = nullptr;
};

}  // namespace tvq31::remote

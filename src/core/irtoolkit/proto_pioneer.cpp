// Pioneer: NEC's frame at 40 kHz on a unit of about 533 µs (NEC's carrier
// cycle count at 40 kHz: 16 / 8 units of header, 1-unit marks, 1 / 3-unit
// spaces): address, inverted address (or a second address byte), command,
// inverted command, least significant bit first, a stop mark. The whole
// frame is sent again while the key is held, about 25 ms apart (a period
// of about 90 ms, where NEC's is 108 ms). Keys of two codes send frame A,
// frame B, A, B, ... The encoder leaves 26.5 ms between frames.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 40000;
constexpr uint32_t kUnit = 533;
constexpr uint32_t kHeaderMark = 16 * kUnit;
constexpr uint32_t kHeaderSpace = 8 * kUnit;
constexpr uint32_t kGap = 26500;
// A Pioneer frame with its gap lasts 85 to 95 ms; an NEC frame with its gap
// 108 ms (a frame of NECext's 32 ones 86 ms, then the 22 ms up to 108).
constexpr uint32_t kPeriodSplit = 99000;
// A longer silence ends the press: no next frame to time.
constexpr uint32_t kLongestRepeatGap = 80000;
// Without a next frame (a short press's last frame) the leader tells: a
// Pioneer leader is within 200 us of 8533 + 4166 us (the window of the
// Pioneer tap style), an NEC one is not. Recorded Pioneer remotes measure
// 8.5 to 8.6 ms and 4.1 to 4.3 ms, NEC remotes 8.3 to 9.4 ms and 4.3 to 4.5.
constexpr uint32_t kTapLeaderMark = 8533;
constexpr uint32_t kTapLeaderSpace = 4166;
constexpr uint32_t kTapWindow = 200;
constexpr DistanceCode kBits{kUnit, kUnit, 3 * kUnit, 300, 420};
}  // namespace

bool IsPioneerShaped(std::span<const uint32_t> d, uint32_t gap_after) {
  constexpr size_t kFrame = 67;  // leader, 32 bits, stop mark
  if (d.size() < kFrame || BitsToStop(d, 2, 3000) != 32) return false;
  // The silence up to the next frame: a space joined into this frame by the
  // receiver, else the frame's gap when another frame follows.
  const uint32_t next = d.size() > kFrame ? d[kFrame] : gap_after;
  if (next > 0 && next < kLongestRepeatGap) {
    uint64_t period = next;
    for (size_t i = 0; i < kFrame; ++i) period += d[i];
    return period < kPeriodSplit;
  }
  auto inside = [](uint32_t x, uint32_t nominal) {
    return x > nominal - kTapWindow && x < nominal + kTapWindow;
  };
  return inside(d[0], kTapLeaderMark) && inside(d[1], kTapLeaderSpace);
}

std::optional<Press> EncodePioneer(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 16, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint64_t second = address > 0xFF ? 0 : (~address & 0xFFu) << 8;
  const uint64_t data = address | second | (command << 16) | ((~command & 0xFFu) << 24);
  FrameBuilder frame;
  frame.Mark(kHeaderMark);
  frame.Space(kHeaderSpace);
  frame.DistanceBits(data, 32, true, kUnit, kUnit, 3 * kUnit);
  frame.Mark(kUnit);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {frame.Finish(kGap)};
  return press;
}

std::optional<DecodedFrame> DecodePioneer(std::span<const uint32_t> d, uint32_t gap_after,
                                          uint32_t) {
  if (d.size() < 67 || !Near(d[0], kHeaderMark, 900) || !Near(d[1], kHeaderSpace, 500) ||
      !IsPioneerShaped(d, gap_after)) {
    return std::nullopt;
  }
  size_t pos = 2;
  const std::optional<uint64_t> data = ReadDistanceBits(d, pos, 32, true, kBits);
  if (!data || !Near(d[pos], kUnit, kBits.mark_slack)) return std::nullopt;
  if (pos + 1 < d.size() && d[pos + 1] < 3000) return std::nullopt;  // more bits follow
  const uint64_t v = *data;
  if ((((v >> 16) ^ (v >> 24)) & 0xFFu) != 0xFFu) return std::nullopt;
  DecodedFrame out;
  out.protocol = "Pioneer";
  const uint64_t a = v & 0xFFu, s = (v >> 8) & 0xFFu;
  // A second address byte that is not the inverse makes a 16-bit address.
  out.address = (a ^ s) == 0xFFu ? a : (v & 0xFFFFu);
  out.command = (v >> 16) & 0xFFu;
  out.used = pos + 1;
  return out;
}

}  // namespace tvq31::ir

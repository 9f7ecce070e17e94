// Elite Screens (motorised projection screens): no leader, 32 bits most
// significant first at a constant bit time of about 1684 µs: a one is a
// short mark and a long space (470 / 1214 µs), a zero the long mark and the
// short space. No stop mark: the last bit's space runs into the 29.2 ms of
// silence before the frame comes again, so the last bit is told by its mark
// alone. A press sends the frame at least twice. The family has no
// address: it is 0; the command is the 32 bits.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kShort = 470;
constexpr uint32_t kLong = 1214;
constexpr uint32_t kGap = 29200;
constexpr int kBits = 32;
constexpr int kCopies = 2;
// Receivers stretch marks and shorten spaces by up to ~150 µs; the short
// and long halves stay 744 µs apart, so a third of that either way.
constexpr uint32_t kSlack = 300;
constexpr uint32_t kMinTrailer = 10000;
}  // namespace

std::optional<Press> EncodeEliteScreens(std::string_view protocol, uint32_t address,
                                        uint32_t command, std::string* error) {
  if (!FitsBits(address, 0, protocol, "address", error)) return std::nullopt;
  FrameBuilder frame;
  for (int i = kBits - 1; i >= 0; --i) {
    const bool one = (command >> i) & 1u;
    frame.Mark(one ? kShort : kLong);
    frame.Space(one ? kLong : kShort);
  }
  // The last bit's space runs into the gap that follows it.
  const SignalFrame one = frame.Finish(kGap + ((command & 1u) ? kLong : kShort));
  Press press;
  press.carrier_hz = kCarrier;
  press.first.assign(kCopies, one);
  press.repeat = {one};
  return press;
}

std::optional<DecodedFrame> DecodeEliteScreens(std::span<const uint32_t> d, uint32_t gap_after,
                                               uint32_t /*carrier_hz*/) {
  constexpr size_t kMarks = 2 * kBits - 1;  // the last bit's space is the gap
  if (d.size() < kMarks) return std::nullopt;
  uint32_t command = 0;
  for (size_t i = 0; i < kMarks; i += 2) {
    bool one = false;
    if (Near(d[i], kShort, kSlack)) {
      one = true;
    } else if (!Near(d[i], kLong, kSlack)) {
      return std::nullopt;
    }
    if (i + 1 < kMarks && !Near(d[i + 1], one ? kLong : kShort, kSlack)) return std::nullopt;
    command = (command << 1) | (one ? 1u : 0u);
  }
  // Silence must follow: the frame's end, or a space far beyond a bit's.
  const uint32_t trailer = d.size() > kMarks ? d[kMarks] : gap_after;
  if (trailer < kMinTrailer) return std::nullopt;
  DecodedFrame out;
  out.protocol = "EliteScreens";
  out.command = command;
  out.used = kMarks;
  return out;
}

}  // namespace tvq31::ir

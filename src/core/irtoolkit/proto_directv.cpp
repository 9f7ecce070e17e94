// DirecTV (satellite receivers): a 600 µs unit, 8 symbols of two bits each,
// most significant first: a mark of 1 or 2 units (the first bit) and a
// space of 1 or 2 units (the second); the 4-bit address, the 8-bit command
// and a 4-bit check (7, 5, 3 and 1 times the command's bit pairs from the
// top, added modulo 16), a stop mark and 50 units (30 ms) of silence. The
// first frame has a 10-unit leader mark, the frames repeated while the key
// is held a 5-unit one, both followed by 2 units of space. 38 kHz.
#include "irtoolkit/encoding.h"

namespace tvq31::ir {

namespace {
constexpr uint32_t kCarrier = 38000;
constexpr uint32_t kUnit = 600;
constexpr uint32_t kFirstLeader = 10 * kUnit;
constexpr uint32_t kRepeatLeader = 5 * kUnit;
constexpr uint32_t kLeaderSpace = 2 * kUnit;
constexpr uint32_t kGap = 50 * kUnit;

constexpr uint32_t kShortSlack = 250;
constexpr uint32_t kLongSlack = 300;
constexpr size_t kFrameLength = 19;  // leader, 8 symbols, stop mark
constexpr uint32_t kMinTrailer = 5000;

uint32_t Check(uint32_t command) {
  return (7 * ((command >> 6) & 3u) + 5 * ((command >> 4) & 3u) + 3 * ((command >> 2) & 3u) +
          (command & 3u)) &
         0xFu;
}

SignalFrame Frame(uint32_t leader, uint32_t data) {
  FrameBuilder frame;
  frame.Mark(leader);
  frame.Space(kLeaderSpace);
  for (int symbol = 7; symbol >= 0; --symbol) {
    const uint32_t pair = (data >> (2 * symbol)) & 3u;
    frame.Mark(pair & 2u ? 2 * kUnit : kUnit);
    frame.Space(pair & 1u ? 2 * kUnit : kUnit);
  }
  frame.Mark(kUnit);
  return frame.Finish(kGap);
}

// 1 or 2 units; 0 when the duration is neither.
uint32_t Units(uint32_t d) {
  if (Near(d, kUnit, kShortSlack)) return 1;
  if (Near(d, 2 * kUnit, kLongSlack)) return 2;
  return 0;
}
}  // namespace

std::optional<Press> EncodeDirecTv(std::string_view protocol, uint32_t address, uint32_t command,
                                   std::string* error) {
  if (!FitsBits(address, 4, protocol, "address", error) ||
      !FitsBits(command, 8, protocol, "command", error)) {
    return std::nullopt;
  }
  const uint32_t data = (address << 12) | (command << 4) | Check(command);
  Press press;
  press.carrier_hz = kCarrier;
  press.first = {Frame(kFirstLeader, data)};
  press.repeat = {Frame(kRepeatLeader, data)};
  return press;
}

std::optional<DecodedFrame> DecodeDirecTv(std::span<const uint32_t> d, uint32_t /*gap_after*/,
                                          uint32_t /*carrier_hz*/) {
  if (d.size() < kFrameLength || !Near(d[1], kLeaderSpace, kLongSlack) ||
      !(Near(d[0], kFirstLeader, 1000) || Near(d[0], kRepeatLeader, 600))) {
    return std::nullopt;
  }
  uint32_t data = 0;
  for (size_t i = 2; i < 18; i += 2) {
    const uint32_t mark = Units(d[i]);
    const uint32_t space = Units(d[i + 1]);
    if (mark == 0 || space == 0) return std::nullopt;
    data = (data << 2) | ((mark - 1) << 1) | (space - 1);
  }
  if (!Near(d[18], kUnit, kShortSlack) || (d.size() > 19 && d[19] < kMinTrailer)) {
    return std::nullopt;
  }
  const uint32_t command = (data >> 4) & 0xFFu;
  if ((data & 0xFu) != Check(command)) return std::nullopt;
  DecodedFrame out;
  out.protocol = "DirecTV";
  out.address = data >> 12;
  out.command = command;
  out.used = 19;
  return out;
}

}  // namespace tvq31::ir

#include "irtoolkit/encoding.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"

namespace tvq31::ir {

void SetError(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
}

void FrameBuilder::Mark(uint32_t us) {
  if (us == 0) return;
  if (!d_.empty() && last_is_mark_) {
    d_.back() += us;
  } else {
    d_.push_back(us);
  }
  last_is_mark_ = true;
}

void FrameBuilder::Space(uint32_t us) {
  if (us == 0) return;
  if (d_.empty()) return;  // a frame starts with a mark; leading silence is the previous gap
  if (!last_is_mark_) {
    d_.back() += us;
  } else {
    d_.push_back(us);
  }
  last_is_mark_ = false;
}

void FrameBuilder::DistanceBit(bool one, uint32_t mark, uint32_t space0, uint32_t space1) {
  Mark(mark);
  Space(one ? space1 : space0);
}

void FrameBuilder::WidthBit(bool one, uint32_t mark0, uint32_t mark1, uint32_t space) {
  Mark(one ? mark1 : mark0);
  Space(space);
}

void FrameBuilder::DistanceBits(uint64_t value, int count, bool lsb_first, uint32_t mark,
                                uint32_t space0, uint32_t space1) {
  for (int i = 0; i < count; ++i) {
    const int bit = lsb_first ? i : count - 1 - i;
    DistanceBit(((value >> bit) & 1U) != 0, mark, space0, space1);
  }
}

uint64_t FrameBuilder::Length() const {
  uint64_t total = 0;
  for (uint32_t d : d_) total += d;
  if (!last_is_mark_ && !d_.empty()) total -= d_.back();
  return total;
}

SignalFrame FrameBuilder::Finish(uint32_t gap) const {
  SignalFrame frame;
  frame.durations = d_;
  uint64_t trailing = 0;
  if (!last_is_mark_ && !frame.durations.empty()) {
    trailing = frame.durations.back();
    frame.durations.pop_back();
  }
  frame.gap = static_cast<uint32_t>(std::min<uint64_t>(gap + trailing, UINT32_MAX));
  return frame;
}

SignalFrame FrameBuilder::FinishPeriod(uint32_t period, uint32_t min_gap) const {
  const uint64_t length = Length();
  const uint64_t gap = length + min_gap <= period ? period - length : min_gap;
  SignalFrame frame = Finish(0);
  frame.gap = static_cast<uint32_t>(std::min<uint64_t>(gap, UINT32_MAX));
  return frame;
}

bool FitsBits(uint32_t value, int bits, std::string_view protocol, std::string_view field,
              std::string* error) {
  if (bits >= 32 || (value >> bits) == 0) return true;
  SetError(error, std::string(protocol) + " " + std::string(field) + " 0x" + WriteHex(value, 2) +
                      " does not fit " + std::to_string(bits) + " bits");
  return false;
}

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

uint64_t UnitLength(const std::vector<SignalFrame>& frames) {
  uint64_t total = 0;
  for (const SignalFrame& f : frames) {
    total += std::accumulate(f.durations.begin(), f.durations.end(), uint64_t{0});
    total += f.gap;
  }
  return total;
}

}  // namespace

}  // namespace tvq31::ir

namespace tvq31 {

std::vector<std::string> SupportedProtocols() {
  std::vector<std::string> names;
  for (const IrFamily& f : IrFamilies()) {
    if (f.encode == nullptr) continue;
    for (std::string_view p : f.protocols) names.emplace_back(p);
  }
  return names;
}

std::optional<Signal> EncodeProtocol(std::string_view protocol, uint32_t address, uint32_t command,
                                     uint32_t hold_ms, std::string* error) {
  if (hold_ms > kMaxHoldMs) {
    ir::SetError(error, "hold time " + std::to_string(hold_ms) + " ms is longer than " +
                            std::to_string(kMaxHoldMs) + " ms");
    return std::nullopt;
  }
  for (const IrFamily& f : IrFamilies()) {
    if (f.encode == nullptr) continue;
    const auto name = std::find_if(f.protocols.begin(), f.protocols.end(),
                                   [&](std::string_view p) { return ir::SameName(protocol, p); });
    if (name == f.protocols.end()) continue;
    std::optional<ir::Press> press = f.encode(*name, address, command, error);
    if (!press) return std::nullopt;
    Signal signal;
    signal.carrier_hz = press->carrier_hz;
    signal.frames = press->first;
    const std::vector<SignalFrame>& unit = press->repeat.empty() ? press->first : press->repeat;
    const uint64_t hold_us = uint64_t{hold_ms} * 1000;
    const uint64_t unit_length = ir::UnitLength(unit);
    uint64_t start = ir::UnitLength(press->first);
    // A unit of zero length would never use up the hold time.
    if (unit_length != 0) {
      while (start < hold_us) {
        signal.frames.insert(signal.frames.end(), unit.begin(), unit.end());
        start += unit_length;
      }
    }
    signal.frames.insert(signal.frames.end(), press->last.begin(), press->last.end());
    return signal;
  }
  ir::SetError(error, "unknown protocol \"" + std::string(protocol) + "\"");
  return std::nullopt;
}

}  // namespace tvq31

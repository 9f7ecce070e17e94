// What the evaluation asks of our own decoders and encoders: what a press
// says, which family it is judged to be, and a recording made into the
// press of a key held down.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "irtoolkit/encoding.h"
#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"

namespace tvq31 {

namespace {

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ProtocolFamily(std::string_view name) { return FamilyOfName(name); }

std::vector<DecodedFrame> DecodePress(const Signal& signal) {
  return PressValues(DecodeSignal(signal));
}

std::string JudgedFamily(const std::vector<DecodedFrame>& values) {
  if (values.empty() || values.front().protocol.empty()) return "unknown";
  const std::string family = FamilyOfName(values.front().protocol);
  return family.empty() ? values.front().protocol : family;
}

bool FullyDecoded(const std::vector<DecodedFrame>& values) {
  if (values.empty()) return false;
  for (const DecodedFrame& v : values) {
    if (v.protocol.empty()) return false;
  }
  return true;
}

std::string DescribeValues(const std::vector<DecodedFrame>& values) {
  if (values.empty()) return "nothing";
  std::string out;
  for (const DecodedFrame& v : values) {
    if (!out.empty()) out += ", ";
    if (v.protocol.empty()) {
      out += "an unread frame";
      continue;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, " 0x%llX/0x%llX", static_cast<unsigned long long>(v.address),
                  static_cast<unsigned long long>(v.command));
    out += v.protocol + buf;
  }
  return out;
}

namespace {

// The press our encoder of `value`'s protocol sends for its values.
std::optional<ir::Press> DocumentedPress(const DecodedFrame& value) {
  if (value.protocol.empty() || value.repeat) return std::nullopt;
  if (value.address > UINT32_MAX || value.command > UINT32_MAX) return std::nullopt;
  for (const IrFamily& f : IrFamilies()) {
    if (f.encode == nullptr) continue;
    for (std::string_view p : f.protocols) {
      if (!SameNameNoCase(p, value.protocol)) continue;
      return f.encode(p, static_cast<uint32_t>(value.address),
                      static_cast<uint32_t>(value.command), nullptr);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint32_t> DocumentedGap(const DecodedFrame& value) {
  const std::optional<ir::Press> press = DocumentedPress(value);
  if (!press || press->first.empty() || press->first.front().gap == 0) return std::nullopt;
  return press->first.front().gap;
}

std::optional<uint32_t> DocumentedRepeatGap(const DecodedFrame& value) {
  const std::optional<ir::Press> press = DocumentedPress(value);
  if (!press) return std::nullopt;
  const std::vector<SignalFrame>& unit = press->repeat.empty() ? press->first : press->repeat;
  if (unit.empty() || unit.back().gap == 0) return std::nullopt;
  return unit.back().gap;
}

Signal HeldPress(const Signal& recording, std::optional<uint32_t> one_frame_gap, uint32_t hold_ms,
                 bool* extended, std::optional<uint32_t> repeat_gap) {
  if (extended) *extended = false;
  const std::vector<SignalFrame>& frames = recording.frames;
  if (frames.empty() || (frames.size() == 1 && !one_frame_gap)) return recording;
  Signal held = recording;
  std::vector<SignalFrame> cycle(frames.begin() + 1, frames.end());
  // A recording that ends on a mark does not hold the silence after its
  // last frame: the reader copies the gap of the frame before it. Where
  // that frame is of another kind (a NEC frame before its one repeat
  // code), the copy would repeat the repeat code at the frame's gap, so
  // the protocol's own repeat gap stands in for it.
  if (cycle.size() >= 1 && repeat_gap) {
    const SignalFrame& before = frames[frames.size() - 2];
    SignalFrame& last = cycle.back();
    if (last.gap == before.gap && last.durations.size() != before.durations.size()) {
      last.gap = *repeat_gap;
      held.frames.back().gap = *repeat_gap;
    }
  }
  if (cycle.empty()) {
    held.frames.front().gap = *one_frame_gap;
    cycle.push_back(held.frames.front());
  }
  uint64_t cycle_length = 0;
  for (const SignalFrame& f : cycle) {
    for (uint32_t d : f.durations) cycle_length += d;
    cycle_length += f.gap;
  }
  if (cycle_length == 0) return recording;
  const uint64_t hold_us = uint64_t{std::min(hold_ms, kMaxHoldMs)} * 1000;
  uint64_t start = SignalLength(held);  // where the next frame would start
  for (size_t k = 0; start < hold_us; k = (k + 1) % cycle.size()) {
    held.frames.push_back(cycle[k]);
    for (uint32_t d : cycle[k].durations) start += d;
    start += cycle[k].gap;
    if (extended) *extended = true;
  }
  return held;
}

}  // namespace tvq31

// Checks shared by the tests of the pulse-distance families (Sharp, Denon,
// Mitsubishi, Mitsubishi2, GI Cable, RCA): a press through the receive path
// and back, held and as a tap, and edited frames for the negative cases.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "family_rig.h"

namespace tvq31::familytest {

// What a press says (PressValues), as text: "Sharp 1/197", "GICable
// repeat", "?" for a frame no decoder reads; frames separated by ", ".
inline std::string Said(const Signal& s) {
  std::string out;
  for (const DecodedFrame& f : Says(s)) {
    if (!out.empty()) out += ", ";
    if (f.protocol.empty()) {
      out += "?";
    } else if (f.repeat) {
      out += f.protocol + " repeat";
    } else {
      out += f.protocol + " " + std::to_string(f.address) + "/" + std::to_string(f.command);
    }
  }
  return out;
}

inline std::string Values(const char* protocol, uint64_t address, uint64_t command) {
  return std::string(protocol) + " " + std::to_string(address) + "/" + std::to_string(command);
}

// How long a key is held to send `s` again: up to the end of its last mark.
inline uint32_t HoldFor(const Signal& s) {
  uint64_t us = 0;
  for (size_t f = 0; f < s.frames.size(); ++f) {
    for (uint32_t d : s.frames[f].durations) us += d;
    if (f + 1 < s.frames.size()) us += s.frames[f].gap;
  }
  return static_cast<uint32_t>((us + 999) / 1000);
}

// `press` is recognised by the style `style`, and the record, played back
// for as long as the press lasted (at least `min_hold_ms`), says what the
// press says. Returns the played-back signal.
inline Signal ExpectRecognised(const Signal& press, const std::string& style,
                               uint32_t min_hold_ms = 0) {
  const RecognitionResult r = RecogniseSignal(press);
  EXPECT_EQ(r.style, style);
  if (r.record.empty()) return {};
  const Signal back = PlayBack(r.record, std::max(HoldFor(press), min_hold_ms));
  EXPECT_FALSE(back.frames.empty());
  EXPECT_EQ(Said(back), Said(press));
  return back;
}

// The gaps between the frames of a played-back press: each within 10 % of
// `gap_us` (the last frame's gap is the silence after the key).
inline void ExpectGaps(const Signal& back, uint32_t gap_us) {
  for (size_t f = 0; f + 1 < back.frames.size(); ++f) {
    EXPECT_NEAR(back.frames[f].gap, gap_us, gap_us / 10) << "after frame " << f;
  }
}

// The same change in every frame.
inline Signal EveryFrame(Signal s, const std::function<void(std::vector<uint32_t>&)>& change) {
  for (SignalFrame& f : s.frames) change(f.durations);
  return s;
}

// Whether any frame of `s` is read as `protocol`.
inline bool ReadAs(const Signal& s, const std::string& protocol) {
  for (const DecodedFrame& f : DecodeSignal(s)) {
    if (f.protocol == protocol) return true;
  }
  return false;
}

// The frames of `s` read by `decode` alone, as "address/command" (or "-").
inline std::vector<std::string> ReadEach(const Signal& s, DecodeFrameFn decode) {
  std::vector<std::string> out;
  for (const SignalFrame& f : s.frames) {
    const std::optional<DecodedFrame> d = decode(f.durations, f.gap, s.carrier_hz);
    out.push_back(d ? d->protocol + " " + std::to_string(d->address) + "/" +
                          std::to_string(d->command)
                    : "-");
  }
  return out;
}

// A bit (mark and space) at `index` removed, or repeated.
inline void DropBit(std::vector<uint32_t>& d, size_t index) {
  if (index + 1 < d.size()) d.erase(d.begin() + index, d.begin() + index + 2);
}
inline void RepeatBit(std::vector<uint32_t>& d, size_t index) {
  if (index + 1 < d.size()) d.insert(d.begin() + index, {d[index], d[index + 1]});
}

}  // namespace tvq31::familytest

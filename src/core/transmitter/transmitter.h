// The transmitter model: what the remote sends when a key that holds a key
// record is pressed. It closes the loop the hardware would close: a signal
// learned, stored and transmitted comes out as the signal that went in.
//
// Two layouts live inside the key record format. Records made by recognition
// describe a protocol (timing part: unit, carrier, entry list, symbol groups;
// data part: frame blocks of durations and packed symbols). Records made by
// the transfer library hold the raw durations of a capture no code style
// recognised (see rawrecord.h). The first byte of the timing part tells them
// apart: a protocol record's starts with the group table position, at least
// 10; a raw record's is 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signal/signal.h"

namespace tvq31 {

inline constexpr size_t kMaxTransmitFrames = 4096;

// A key record taken apart by its header (10 bytes: pairs, entries, key
// code, key type, head offset, head length, data offset, data length), the
// way the key table reads it: the head follows the header, the data follows
// the head.
struct KeyRecordParts {
  int key_code = 0;
  int key_type = 0;
  std::vector<uint8_t> head;  // the timing part
  std::vector<uint8_t> data;  // the data part
};

// Reads a key record text (hexadecimal, either case). nullopt with a reason
// when the text is not hexadecimal, shorter than its header, or not exactly
// as long as the header says. A deletion record (head or data length 0)
// parses with an empty head or data.
std::optional<KeyRecordParts> ParseKeyRecordParts(std::string_view record,
                                                  std::string* error = nullptr);

// The signal the remote sends for `record` when its key is held for
// `hold_ms` milliseconds: the frame sequence once, then the repeat part
// entry by entry for as long as the next frame would start before the key
// is released, then the trailer entries. A hold above kMaxHoldMs counts as
// kMaxHoldMs, and at most kMaxTransmitFrames frames are sent. nullopt with
// a reason for a deletion record and for any record that cannot be played
// (bytes out of their ranges, offsets or counts beyond the record).
std::optional<Signal> TransmitKeyRecord(std::string_view record, uint32_t hold_ms = kDefaultHoldMs,
                                        std::string* error = nullptr);

// True when the record is in the raw layout (see rawrecord.h).
bool IsRawKeyRecord(const KeyRecordParts& parts) noexcept;

}  // namespace tvq31

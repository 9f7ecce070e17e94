// The raw key record: our layout inside the key record format for captures
// that no code style recognises. It keeps the durations themselves, so any
// signal can be stored and played back faithfully.
//
// Timing part (head): 00 52 01, the carrier in hundreds of hertz (two bytes,
// low first, 0 for none), the number n of table durations (1 to 64), then n
// durations in microseconds as variable-length numbers (seven bits a byte,
// low bits first, bit 7 set on every byte but the last). The leading 00
// cannot start a protocol record, whose first byte is at least 10.
//
// Data part: the number F of distinct frames, then each frame as its number
// of durations (variable-length) and the table index of every duration,
// packed into b bits each (b the fewest bits that hold n - 1, at least 1),
// the first index in the top bits, the last byte padded with zero bits.
// Then the count I of once-only entries and the count M of repeat entries,
// then I + M entries: a frame number (one byte) and the silence after that
// frame in units of 100 microseconds (variable-length). Each frame starts
// with a mark and alternates.
//
// Presses too long for that (a held key whose repeats each came back with
// their own jitter, or that the receiver merged into one long frame) use
// layout 2 (version byte 02): a table whose values carry a gap flag, then
// one stream of table indices for every mark, space and gap, predicted by a
// template one period long; only the symbols that differ cost more than a
// run length. The stream fills the data part and starts in the timing part
// when it does not fit there. docs/raw-key-record.md has the full account.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "signal/signal.h"
#include "transmitter/transmitter.h"

namespace tvq31 {

inline constexpr uint8_t kRawLayoutMark = 0x52;
inline constexpr uint8_t kRawLayoutVersion = 1;
inline constexpr uint8_t kRawStreamLayoutVersion = 2;
inline constexpr size_t kMaxRawTable = 64;
inline constexpr size_t kMaxRecordPartBytes = 255;

// The raw key record of `signal` for key code `key_code` (0 to 255), as
// upper-case hexadecimal text. Durations are grouped into at most 64 table
// values (each within max(4.5 %, 50 us) of every duration it stands for),
// frames that play the same within that tolerance are stored once, and a
// tail of repeated frames becomes the repeat part, replayed while the key
// is held; when that does not fit, the stream layout. The empty text, with
// a reason, when the signal has no frame, the key code is out of range, or
// neither layout fits the one-byte head and data lengths; the record is
// never cut short.
std::string BuildRawKeyRecord(const Signal& signal, int key_code, std::string* error = nullptr);

// The silence a record of a one-frame capture keeps after its frame.
inline constexpr uint32_t kLoneFrameSilenceUs = 100000;

// The raw key record of a learned-code text (ParseLearnedCode), or the
// empty text with a reason. A capture of one frame has no measured gap
// (the remote writes a fixed 20 ms): its frame is followed by
// kLoneFrameSilenceUs.
std::string RawKeyRecordFromLearnedCode(std::string_view learned_code, int key_code,
                                        std::string* error = nullptr);

namespace transmit_detail {
// Plays a raw record (IsRawKeyRecord true).
std::optional<Signal> PlayRawRecord(const KeyRecordParts& parts, uint32_t hold_ms, std::string* error);
}  // namespace transmit_detail

}  // namespace tvq31

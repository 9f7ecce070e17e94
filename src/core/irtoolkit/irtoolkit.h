// The infrared toolkit: signals of known protocols made from an address and a
// command, signals read from the files other infrared tools write (Flipper
// .ir files, Pronto hex, LIRC mode2 text), and the distortion a real receiver
// adds to what it measures.
//
// Every parser here reads untrusted text: it never throws and never crashes;
// problems come back as nullopt plus an error text that names the line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signal/signal.h"

namespace tvq31 {

// Spaces longer than this separate frames in raw recordings.
inline constexpr uint32_t kFrameSplitUs = 10000;

// The silence after the last frame of a raw recording that ends on a mark
// and has no earlier gap to copy.
inline constexpr uint32_t kDefaultEndGapUs = 100000;

// ---------------------------------------------------------------------------
// Protocol encoders

// The protocol names EncodeProtocol knows, in the spelling of Flipper .ir
// files ("NEC", "NECext", "Samsung32", "SIRC20", "RC6", ...).
std::vector<std::string> SupportedProtocols();

// An address or command as users and .ir files write it: "0x1F", "31", or
// the four little-endian bytes of a .ir file ("1F 00 00 00"). nullopt for
// anything else, or a value beyond 32 bits.
std::optional<uint32_t> ParseIrNumber(std::string_view text);

// The signal of a key press held for `hold_ms`: the first frame, then the
// repeat frames (or repeated frames) the protocol sends while the key is
// down, each starting at its frame period. Every frame that starts within
// the hold time is sent; at least one frame is always sent. `address` and
// `command` are the numbers of Flipper .ir files (their four bytes read
// little-endian). The protocol name is matched case-insensitively.
// nullopt and `error` for an unknown protocol, a value that does not fit
// the protocol's fields or a hold longer than kMaxHoldMs.
std::optional<Signal> EncodeProtocol(std::string_view protocol, uint32_t address, uint32_t command,
                                     uint32_t hold_ms = kDefaultHoldMs,
                                     std::string* error = nullptr);

// ---------------------------------------------------------------------------
// Raw durations

// Frames out of a raw list of durations (mark first, alternating): a space
// longer than `split_us` ends a frame and becomes its gap. A list that ends
// on a space gives that space as the last gap; one that ends on a mark
// repeats the previous frame's gap, or kDefaultEndGapUs for a single frame.
// Zero durations are dropped by merging their neighbours.
Signal SignalFromDurations(uint32_t carrier_hz, const std::vector<uint32_t>& durations,
                           uint32_t split_us = kFrameSplitUs);

// ---------------------------------------------------------------------------
// Flipper .ir files

struct IrEntry {
  std::string name;
  int line = 0;               // line of the entry's "name:"
  bool parsed = false;        // "type: parsed" (else raw)
  std::string protocol;       // parsed entries
  uint32_t address = 0;       // parsed entries
  uint32_t command = 0;       // parsed entries
  uint32_t frequency = 0;     // raw entries, Hz
  double duty_cycle = 0.0;    // raw entries
  std::vector<uint32_t> raw;  // raw entries, microseconds
  // Empty when the entry is usable; otherwise why not, naming the line.
  std::string error;
};

// Reads a Flipper "IR signals file". nullopt and `error` only when the text
// is not such a file at all; a broken entry is kept with its `error` set so
// that one bad key does not hide the others.
std::optional<std::vector<IrEntry>> ParseFlipperIr(std::string_view text,
                                                   std::string* error = nullptr);

// The signal of one entry: parsed entries through the encoders (held for
// `hold_ms`), raw entries as recorded.
std::optional<Signal> EntrySignal(const IrEntry& entry, uint32_t hold_ms = kDefaultHoldMs,
                                  std::string* error = nullptr);

// ---------------------------------------------------------------------------
// Pronto hex and LIRC mode2

// A learned Pronto code ("0000 FREQ ONCE REPEAT pairs..."): the once
// sequence, then the repeat sequence again and again while the key is held
// (at least once when there is no once sequence).
std::optional<Signal> ParsePronto(std::string_view text, uint32_t hold_ms = kDefaultHoldMs,
                                  std::string* error = nullptr);

// LIRC mode2 text: "pulse N", "space N", "timeout N" and "carrier N" lines
// ('#' comments). Leading spaces are dropped, neighbours of one kind merged;
// without a carrier line the carrier is 38 kHz, LIRC's own default.
std::optional<Signal> ParseMode2(std::string_view text, std::string* error = nullptr);

enum class ImportFormat { kFlipper, kPronto, kMode2 };

// The format `text` is written in, judged from its content.
std::optional<ImportFormat> GuessImportFormat(std::string_view text);

// ---------------------------------------------------------------------------
// Receiver distortion

// What a real receiver makes of `signal`: each mark up to 100 µs longer,
// each space and gap up to 100 µs shorter, and every duration scaled by a
// jitter of up to ±5 %. Repeatable: the same seed gives the same result on
// every platform and standard library. No duration drops below 1 µs.
Signal DistortSignal(const Signal& signal, uint64_t seed);

// ---------------------------------------------------------------------------
// A readable form of a signal, for debugging: the carrier, then one line per
// frame with its durations and gap.
std::string DescribeSignal(const Signal& signal);

}  // namespace tvq31

// Building blocks shared by the protocol encoders. Internal to irtoolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "irtoolkit/family.h"
#include "signal/signal.h"

namespace tvq31::ir {

// What one key press consists of: frames sent once at the start, then the
// repeat unit sent again and again while the key is held. Gaps are set.
struct Press {
  uint32_t carrier_hz = 0;
  std::vector<SignalFrame> first;
  std::vector<SignalFrame> repeat;  // empty: `first` is repeated
  std::vector<SignalFrame> last;    // sent once when the key is released
};

// A frame under construction: alternating mark and space durations, merging
// neighbours of the same kind (needed by bi-phase codes).
class FrameBuilder {
 public:
  void Mark(uint32_t us);
  void Space(uint32_t us);
  // Pulse-distance bit: a fixed mark, the space tells the value.
  void DistanceBit(bool one, uint32_t mark, uint32_t space0, uint32_t space1);
  // Pulse-width bit: the mark tells the value, a fixed space follows.
  void WidthBit(bool one, uint32_t mark0, uint32_t mark1, uint32_t space);
  // `count` bits of `value`, least significant first (or most).
  void DistanceBits(uint64_t value, int count, bool lsb_first, uint32_t mark, uint32_t space0,
                    uint32_t space1);
  // The frame: trailing spaces are dropped (they belong to the gap).
  // The gap is `gap`.
  SignalFrame Finish(uint32_t gap) const;
  // The frame with the gap that makes the frame start `period` after the
  // previous one (at least `min_gap`).
  SignalFrame FinishPeriod(uint32_t period, uint32_t min_gap) const;
  uint64_t Length() const;

 private:
  std::vector<uint32_t> d_;
  bool last_is_mark_ = false;
};

// Value range check used by every encoder: true when `value` fits `bits`;
// otherwise sets `error` ("NEC address 0x1FF does not fit 8 bits").
bool FitsBits(uint32_t value, int bits, std::string_view protocol, std::string_view field,
              std::string* error);

// Each family's file (proto_<family>.cpp) defines its encoder and decoder;
// the registry (families.cpp) names them.
std::optional<Press> EncodeNec(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeSamsung(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeSirc(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeRc5(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeRc6(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeKaseikyo(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeRca(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodePioneer(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeJvc(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeSharp(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeMitsubishi(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeMitsubishi2(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeGiCable(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeBose(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeDirecTv(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeThomson(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeDish(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeEpson(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeEliteScreens(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeKelon(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeGrundig16(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeRecs80(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeBlaupunkt(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeNrc17(std::string_view, uint32_t, uint32_t, std::string*);

// A frame of a one-unit mark, `leader_space` of silence and `count` bi-phase
// bits of `unit` halves, first sent in bit 0 (a one is mark then space):
// the frames of Blaupunkt and NRC17, whose bits start after such a leader.
SignalFrame LeaderBiPhaseFrame(uint32_t unit, uint32_t leader_space, uint32_t bits, int count,
                               uint32_t gap);
std::optional<Press> EncodeEmerson(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeTdc(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<Press> EncodeXiaomi(std::string_view, uint32_t, uint32_t, std::string*);

// Pulse-distance codes without their own reader: a bit is a mark and a
// space, the space tells the value. Each duration is taken when it lies
// within its slack of the nominal value (distance_bits.cpp).
struct DistanceCode {
  uint32_t mark;
  uint32_t zero_space;
  uint32_t one_space;
  uint32_t mark_slack;
  uint32_t space_slack;
};
bool Near(uint32_t duration, uint32_t nominal, uint32_t slack);
// `count` bits from durations[pos] on, least significant first or most;
// every bit's space must be inside the frame (a stop mark follows). `pos`
// moves past the bits read. nullopt when a duration fits no bit.
std::optional<uint64_t> ReadDistanceBits(std::span<const uint32_t> durations, size_t& pos,
                                         int count, bool lsb_first, const DistanceCode& code);

std::optional<DecodedFrame> DecodeRca(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeSharp(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeMitsubishi(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeMitsubishi2(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeGiCable(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeBose(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeDirecTv(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeThomson(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeDish(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeEpson(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeEliteScreens(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeKelon(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeGrundig16(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeRecs80(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeBlaupunkt(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeNrc17(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeEmerson(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeTdc(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeXiaomi(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeZenith(std::span<const uint32_t>, uint32_t, uint32_t);

void SetError(std::string* error, std::string message);

// How many pulse-distance bits precede the stop mark, from durations[pos]
// (a bit mark) on: the stop mark is the mark followed by the end of the
// durations or by a space of at least `end_space`.
int BitsToStop(std::span<const uint32_t> durations, size_t pos, uint32_t end_space);

// Pioneer sends NEC's frame with a shorter leader and period (about 90 ms
// against 108): the one test that both decoders use, so that a frame is read
// by exactly one of them.
bool IsPioneerShaped(std::span<const uint32_t> durations, uint32_t gap_after);

std::optional<DecodedFrame> DecodeNec(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeSamsung(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeKaseikyo(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodePanasonicOld(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodePioneer(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeJvc(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<Press> EncodePanasonicOld(std::string_view, uint32_t, uint32_t, std::string*);

// Decoders of the families (same files as their encoders).
std::optional<DecodedFrame> DecodeSirc(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeRc5(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<DecodedFrame> DecodeRc6(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<Press> EncodeXmp(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<DecodedFrame> DecodeXmp(std::span<const uint32_t>, uint32_t, uint32_t);
std::optional<Press> EncodeRcmm(std::string_view, uint32_t, uint32_t, std::string*);
std::optional<DecodedFrame> DecodeRcmm(std::span<const uint32_t>, uint32_t, uint32_t);

// A bi-phase frame read as half bits (proto_rc5.cpp; RC5, RC6 and TDC use it).
struct HalfBitRun {
  std::vector<uint8_t> levels;  // 1 for a half bit of carrier, 0 for silence
  size_t used = 0;              // durations read, up to the frame's last mark
};
// Reads `wanted` half bits of `unit` µs from durations[first] (a mark) on;
// a duration may span 1 to `max_units` halves. The frame must end there:
// with a mark followed by silence longer than any run of the frame, or
// with silence as the last half bit. nullopt otherwise.
std::optional<HalfBitRun> HalfBits(std::span<const uint32_t> durations, size_t first,
                                   uint32_t unit, int max_units, size_t wanted);
// The same with a duration of n half bits taken within `slack` µs of n
// halves (the form above: 40 % of a half bit).
std::optional<HalfBitRun> HalfBits(std::span<const uint32_t> durations, size_t first,
                                   uint32_t unit, int max_units, size_t wanted, uint32_t slack);

}  // namespace tvq31::ir

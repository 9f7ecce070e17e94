// Protocol families: one place per family. A family's file
// (src/core/irtoolkit/proto_<family>.cpp) holds its encoder and its decoder
// side by side; the registry (families.cpp) lists every family once, with
// the protocol names its encoder knows. Code styles of data/codestyles/ are
// named after the family they describe, so a style's name tells its family.
//
// The decoders are written from the protocols' public documentation and are
// independent of the code-style recogniser: they are how the evaluation
// checks that a recognised key plays back as what the original remote sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "signal/signal.h"

namespace tvq31 {

// What a decoder reads out of one frame.
struct DecodedFrame {
  // The protocol, spelled as Flipper .ir files spell it where they know it
  // ("NEC", "NECext", "Samsung32", "SIRC15"), else as the protocol's
  // documentation names it ("Samsung36", "XMP"). Empty: no decoder read
  // the frame.
  std::string protocol;
  // The values, in the conventions of EncodeProtocol (so that a parsed .ir
  // entry encoded and decoded again gives its own address and command).
  uint64_t address = 0;
  uint64_t command = 0;
  // A repeat code that carries no values of its own (NEC's 9 ms / 2.25 ms
  // ditto): only `protocol` is set.
  bool repeat = false;
  // How many durations of the frame the decoder read. When a receiver joins
  // frames separated by less than its frame split (RCA's 8 ms), the rest of
  // the frame is read as the next frame.
  size_t used = 0;

  // Same protocol and values; `used` does not count.
  bool SameAs(const DecodedFrame& other) const {
    return protocol == other.protocol && address == other.address && command == other.command &&
           repeat == other.repeat;
  }
};

// Reads the frame's durations from `first` on (mark first). nullopt when the
// frame does not start with a frame of this family. `gap_after` is the
// silence after the frame (0 when unknown), for protocols whose frames are
// told apart by it.
using DecodeFrameFn = std::optional<DecodedFrame> (*)(std::span<const uint32_t> durations,
                                                      uint32_t gap_after, uint32_t carrier_hz);

namespace ir {
struct Press;
}  // namespace ir

// The encoder of a family: the press of `protocol` (one of the family's
// protocol names) for an address and a command; nullopt and `error` for
// values that do not fit.
using EncodeFn = std::optional<ir::Press> (*)(std::string_view protocol, uint32_t address,
                                              uint32_t command, std::string* error);

// One line of the registry (families.cpp).
struct IrFamily {
  std::string_view name;  // the family, and the prefix of its code styles' names
  // Protocol names the encoder takes (Flipper's spelling), and other name
  // prefixes that belong to the family (code styles or files named after a
  // maker: "Panasonic" is Kaseikyo, "Sony" is SIRC).
  std::initializer_list<std::string_view> protocols;
  std::initializer_list<std::string_view> aliases;
  EncodeFn encode;        // nullptr: decode only
  DecodeFrameFn decode;   // nullptr: encode only
};

// Every registered family, in registry order.
std::span<const IrFamily> IrFamilies();

// The family of a protocol or code-style name: the family whose name, or
// one of whose protocol names or name prefixes, is the longest prefix of
// `name` (compared case-insensitively). The empty text for a name of no
// family.
std::string FamilyOfName(std::string_view name);

// Every frame of `signal` read by the family decoders in registry order
// (the first that reads it wins). A frame no decoder reads gives an entry
// with an empty protocol. A frame that holds several frames joined by a
// receiver gives one entry each.
std::vector<DecodedFrame> DecodeSignal(const Signal& signal);

// What a press "says", for comparing two presses of one key: the decoded
// frames that carry values, each distinct one once, in the order they first
// appear (repeat codes and repeated frames fold away, a Pioneer key's two
// codes stay two). A frame no decoder reads ends the list with an entry of
// empty protocol.
std::vector<DecodedFrame> PressValues(const std::vector<DecodedFrame>& frames);

}  // namespace tvq31

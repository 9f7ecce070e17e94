// The registry of protocol families: one line per family. Adding a family
// means its proto_<family>.cpp file (encoder and decoder), its code styles
// in data/codestyles/, its test file, and one line here.
#include <algorithm>
#include <cctype>

#include "irtoolkit/encoding.h"
#include "irtoolkit/family.h"

namespace tvq31 {

namespace {

// Decoders are tried in this order; each is strict (leader, bit count,
// stop mark and checks of its protocol), so the order only matters where
// two protocols send the same frames.
const IrFamily kFamilies[] = {
    {"NEC", {"NEC", "NECext", "NEC42", "NEC48", "Aiwa", "Epson", "Kelon"}, {"Sanyo"},
     ir::EncodeNec, ir::DecodeNec},
    {"Samsung32", {"Samsung32", "Samsung36"}, {"Samsung"}, ir::EncodeSamsung, ir::DecodeSamsung},
    {"SIRC", {"SIRC", "SIRC8", "SIRC15", "SIRC20"}, {"Sony"}, ir::EncodeSirc, ir::DecodeSirc},
    {"RC5", {"RC5", "RC5X", "RC5-20", "RC5-7F"}, {}, ir::EncodeRc5, ir::DecodeRc5},
    {"RC6", {"RC6", "RC6-6-20", "RC6-6-24", "RC6-6-32", "MCE"}, {}, ir::EncodeRc6, ir::DecodeRc6},
    {"XMP", {"XMP"}, {}, ir::EncodeXmp, ir::DecodeXmp},
    // Leaderless bi-phase on a 315 (213) µs half bit, 36 half bits: before
    // RC-MM, which reads a TDC frame of ones (35 even durations) as a
    // leader and 2-bit symbols. TDC reads no RC-MM frame: that frame's
    // mean half bit is below the split between TDC-38 and TDC-56, and its
    // 417 µs leader is two of TDC-56's half bits, no start bit.
    {"TDC", {"TDC-38", "TDC-56"}, {}, ir::EncodeTdc, ir::DecodeTdc},
    {"RCMM", {"RCMM12", "RCMM24", "RCMM32"}, {"RC-MM"}, ir::EncodeRcmm, ir::DecodeRcmm},
    {"Kaseikyo", {"Kaseikyo", "Kaseikyo48", "SharpDVD"}, {"Panasonic"}, ir::EncodeKaseikyo,
     ir::DecodeKaseikyo},
    {"PanasonicOld", {"PanasonicOld"}, {"Panasonic_Old"}, ir::EncodePanasonicOld,
     ir::DecodePanasonicOld},
    {"Emerson", {"Emerson"}, {}, ir::EncodeEmerson, ir::DecodeEmerson},
    {"RCA", {"RCA"}, {}, ir::EncodeRca, ir::DecodeRca},
    {"Pioneer", {"Pioneer"}, {}, ir::EncodePioneer, ir::DecodePioneer},
    {"JVC", {"JVC"}, {}, ir::EncodeJvc, ir::DecodeJvc},
    {"Sharp", {"Sharp", "Denon"}, {}, ir::EncodeSharp, ir::DecodeSharp},
    {"Mitsubishi", {"Mitsubishi"}, {}, ir::EncodeMitsubishi, ir::DecodeMitsubishi},
    {"Mitsubishi2", {"Mitsubishi2"}, {"Proton"}, ir::EncodeMitsubishi2, ir::DecodeMitsubishi2},
    {"GICable", {"GICable"}, {"GI Cable", "G.I.Cable"}, ir::EncodeGiCable, ir::DecodeGiCable},
    {"Bose", {"Bose"}, {}, ir::EncodeBose, ir::DecodeBose},
    {"DirecTV", {"DirecTV"}, {}, ir::EncodeDirecTv, ir::DecodeDirecTv},
    {"Thomson", {"Thomson"}, {}, ir::EncodeThomson, ir::DecodeThomson},
    {"Dish", {"Dish"}, {"Dish Network"}, ir::EncodeDish, ir::DecodeDish},
    {"EliteScreens", {"EliteScreens"}, {"Elite Screens"}, ir::EncodeEliteScreens,
     ir::DecodeEliteScreens},
    {"Grundig16", {"Grundig16", "Grundig16-30"}, {}, ir::EncodeGrundig16, ir::DecodeGrundig16},
    {"RECS80", {"RECS80", "RECS80-0068"}, {}, ir::EncodeRecs80, ir::DecodeRecs80},
    {"Blaupunkt", {"Blaupunkt"}, {}, ir::EncodeBlaupunkt, ir::DecodeBlaupunkt},
    {"NRC17", {"NRC17", "NRC16"}, {}, ir::EncodeNrc17, ir::DecodeNrc17},
    {"Xiaomi", {"Xiaomi"}, {}, ir::EncodeXiaomi, ir::DecodeXiaomi},
    // Decode only: no code style can describe its frames (docs/codestyles.md).
    {"Zenith", {}, {}, nullptr, ir::DecodeZenith},
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::span<const IrFamily> IrFamilies() { return kFamilies; }

std::string FamilyOfName(std::string_view name) {
  const IrFamily* best = nullptr;
  size_t best_length = 0;
  auto consider = [&](const IrFamily& f, std::string_view prefix) {
    if (prefix.size() > best_length && StartsWithNoCase(name, prefix)) {
      best = &f;
      best_length = prefix.size();
    }
  };
  for (const IrFamily& f : kFamilies) {
    consider(f, f.name);
    for (std::string_view p : f.protocols) consider(f, p);
    for (std::string_view p : f.aliases) consider(f, p);
  }
  return best == nullptr ? std::string() : std::string(best->name);
}

std::vector<DecodedFrame> DecodeSignal(const Signal& signal) {
  std::vector<DecodedFrame> out;
  for (const SignalFrame& frame : signal.frames) {
    std::span<const uint32_t> rest(frame.durations);
    while (!rest.empty()) {
      std::optional<DecodedFrame> decoded;
      for (const IrFamily& f : kFamilies) {
        if (f.decode == nullptr) continue;
        decoded = f.decode(rest, frame.gap, signal.carrier_hz);
        if (decoded && decoded->used > 0 && decoded->used <= rest.size()) break;
        decoded.reset();
      }
      if (!decoded) {
        out.push_back(DecodedFrame{});
        break;
      }
      size_t used = decoded->used;
      out.push_back(std::move(*decoded));
      // Skip the space that joined the next frame to this one.
      if (used < rest.size() && used % 2 == 1) ++used;
      rest = rest.subspan(std::min(used, rest.size()));
    }
  }
  return out;
}

std::vector<DecodedFrame> PressValues(const std::vector<DecodedFrame>& frames) {
  std::vector<DecodedFrame> out;
  for (const DecodedFrame& f : frames) {
    if (f.protocol.empty()) {
      out.push_back(f);
      break;
    }
    if (f.repeat) continue;
    const bool seen = std::any_of(out.begin(), out.end(),
                                  [&](const DecodedFrame& o) { return o.SameAs(f); });
    if (!seen) out.push_back(f);
  }
  return out;
}

}  // namespace tvq31

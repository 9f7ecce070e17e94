// Playback of protocol records, the layout recognition writes.
//
// Timing part: G (group table position), LT, base unit - 1 (device ticks),
// carrier byte, mark and space multipliers - 1, two mode bytes, frame and
// sequence counts, repeat and trailer counts, the entry list (four bytes per
// sequence entry after the first, then per trailer entry), the group table.
// Data part: one offset byte per frame pattern, then the frame blocks.
// docs/transmitter.md gives the reading of every byte and its assumptions.
#include "transmitter/transmitter.h"

#include <algorithm>
#include <array>

#include "hextext/hextext.h"
#include "transmitter/playback.h"
#include "transmitter/rawrecord.h"

namespace tvq31 {

using transmit_detail::Piece;
using transmit_detail::PieceList;
using transmit_detail::PiecesLength;
using transmit_detail::Transmission;

namespace {

// Silence after the last frame when the record says nothing about it: the
// same fixed gap the learned-code text gives a lone frame.
constexpr int64_t kDefaultGapTicks = 20 * 1000 * transmit_detail::kTicksPerUs;

bool SetError(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

struct Entry {
  bool period = false;  // "h": time from frame start to frame start
  int64_t ticks = 0;    // "t": silence after the frame before it
  int pattern = 0;
};

struct ProtocolRecord {
  int base = 1;         // device ticks per base unit
  int mark_mult = 1;
  int space_mult = 1;
  uint32_t carrier_hz = 0;
  int frame_count = 0;
  int sequence_count = 0;
  int repeat_count = 0;
  int trailer_count = 0;
  std::vector<Entry> sequence;  // entries 1 .. sequence_count - 1
  std::vector<Entry> trailer;
  std::vector<PieceList> groups;  // one symbol per group
};

class Reader {
 public:
  Reader(const std::vector<uint8_t>& data, std::string* error) : d_(data), error_(error) {}

  // Parses the timing part.
  bool ReadTiming(ProtocolRecord& r) {
    const auto& t = d_;
    if (t.size() < 10) return SetError(error_, "timing part shorter than 10 bytes");
    const size_t g = t[0];
    const size_t lt = t[1];
    if (g < 10 || g > t.size()) {
      return SetError(error_, "group table position " + std::to_string(g) + " outside the timing part");
    }
    if (lt != t.size()) {
      return SetError(error_, "timing part length byte " + std::to_string(lt) + " differs from the head length " +
                                  std::to_string(t.size()));
    }
    r.base = t[2] + 1;
    r.mark_mult = t[4] + 1;
    r.space_mult = t[5] + 1;
    const int carrier = t[3];
    if (carrier == 0x80) {
      r.carrier_hz = 0;
    } else if (carrier == 0) {
      return SetError(error_, "carrier byte 00 names no unit divisor");
    } else {
      // Carrier byte = selector * 7 + divisor, divisor 1 to 7; the base
      // unit is the carrier period divided by the divisor.
      const int divisor = (carrier - 1) % 7 + 1;
      const double period_ticks = static_cast<double>(r.base) * divisor;
      r.carrier_hz = static_cast<uint32_t>(6000000.0 / period_ticks + 0.5);
    }
    r.frame_count = t[8] >> 4;
    r.sequence_count = t[8] & 15;
    r.repeat_count = t[9] >> 4;
    r.trailer_count = t[9] & 15;
    if (r.sequence_count == 0) return SetError(error_, "the frame sequence is empty");
    if (r.frame_count == 0) return SetError(error_, "no frame patterns");
    const size_t entries = static_cast<size_t>(r.sequence_count - 1 + r.trailer_count);
    if (10 + 4 * entries != g) {
      return SetError(error_, "entry list of " + std::to_string(g - 10) + " bytes does not hold " +
                                  std::to_string(entries) + " entries");
    }
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* e = &t[10 + 4 * i];
      if (!(e[2] & 0x80)) return SetError(error_, "entry " + std::to_string(i) + " has no kind bit");
      Entry entry;
      entry.period = (e[2] & 0x40) == 0;
      const int64_t units = e[0] | (e[1] << 8) | (static_cast<int64_t>(e[2] & 0x3F) << 20);
      entry.ticks = units * r.base;
      entry.pattern = e[3];
      if (entry.pattern >= r.frame_count) {
        return SetError(error_, "entry " + std::to_string(i) + " names frame pattern " +
                                    std::to_string(entry.pattern) + " of " + std::to_string(r.frame_count));
      }
      (i + 1 < static_cast<size_t>(r.sequence_count) ? r.sequence : r.trailer).push_back(entry);
    }
    return ReadGroups(r, g);
  }

 private:
  bool ReadGroups(ProtocolRecord& r, size_t g) {
    const auto& t = d_;
    if (g == t.size()) return true;  // no symbol groups
    const size_t table = t.size() - g;
    const size_t count = t[g];
    if (count == 0 || count > table) return SetError(error_, "group offset table runs past the timing part");
    for (size_t k = 0; k < count; ++k) {
      size_t pos = t[g + k];
      if (pos < count || pos >= table) {
        return SetError(error_, "group " + std::to_string(k) + " block outside the group table");
      }
      pos += g;
      const size_t n = t[pos];
      if (pos + 1 + n > t.size()) return SetError(error_, "group " + std::to_string(k) + " block runs past the timing part");
      PieceList symbol;
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = t[pos + 1 + i];
        if (b < 0x80) {
          return SetError(error_, "group " + std::to_string(k) + " element byte " + ByteHex(b) + " is no duration");
        }
        const bool mark = b >= 0xC0;
        const int64_t units = (b & 0x3F) + 1;
        symbol.push_back({mark, units * r.base * (mark ? r.mark_mult : r.space_mult)});
      }
      r.groups.push_back(std::move(symbol));
    }
    return true;
  }

  const std::vector<uint8_t>& d_;
  std::string* error_;
};

// Frame blocks of the data part: an offset table (its length is the first
// offset, since the first block follows it), then the blocks.
class FrameBlocks {
 public:
  FrameBlocks(const ProtocolRecord& r, const std::vector<uint8_t>& data, std::string* error)
      : r_(r), d_(data), error_(error) {}

  size_t Count() const { return d_.empty() ? 0 : d_[0]; }

  bool Read(size_t block, PieceList& out) {
    const size_t blocks = Count();
    if (blocks == 0 || blocks > d_.size()) return SetError(error_, "frame block offset table outside the data part");
    if (block >= blocks) return SetError(error_, "frame block " + std::to_string(block) + " missing from the data part");
    const size_t start = d_[block];
    if (start < blocks || start >= d_.size()) {
      return SetError(error_, "frame block " + std::to_string(block) + " offset outside the data part");
    }
    // A block ends where the next one begins (the blocks are laid out in
    // offset order) or at the end of the data part.
    size_t end = d_.size();
    for (size_t k = 0; k < blocks; ++k) {
      const size_t o = d_[k];
      if (o > start && o < end) end = o;
    }
    size_t count = d_[start];
    size_t pos = start + 1;
    out.clear();
    const std::string where = "frame block " + std::to_string(block);
    // The count byte also counts elements that were written as nothing, so
    // the block's end bounds it as well.
    while (count > 0 && pos < end) {
      const uint8_t b = d_[pos++];
      --count;
      if (b >= 0x80) {
        const bool mark = b >= 0xC0;
        out.push_back({mark, static_cast<int64_t>((b & 0x3F) + 1) * r_.base * r_.mark_mult});
        continue;
      }
      if (b == 0x70) {
        // The two-symbol free symbol, one byte: its first value, "u".
        if (!AddSymbol(0, out, where)) return false;
        continue;
      }
      if (pos >= end) return SetError(error_, where + ": byte " + ByteHex(b) + " lacks its second byte");
      const uint8_t v = d_[pos++];
      if (b >= 0x50 && b <= 0x53) {
        const int letters = b - 0x4F;
        for (int k = 0; k < letters; ++k) {
          if (!AddSymbol((v >> (6 - 2 * k)) & 3, out, where)) return false;
        }
      } else if (b >= 0x40 && b <= 0x47) {
        const int letters = b - 0x3F;
        for (int k = 0; k < letters; ++k) {
          if (!AddSymbol((v >> (7 - k)) & 1, out, where)) return false;
        }
      } else if (b == 0x74) {
        // The free symbol sends its first value on this press.
        if (!AddSymbol(v >> 6, out, where)) return false;
      } else if (b == 0x3F || b == 0x4F) {
        // A field of no letters.
      } else {
        return SetError(error_, where + ": unknown byte " + ByteHex(b));
      }
    }
    return true;
  }

 private:
  bool AddSymbol(int symbol, PieceList& out, const std::string& where) {
    if (symbol >= static_cast<int>(r_.groups.size())) {
      return SetError(error_, where + ": symbol " + std::to_string(symbol) + " has no group");
    }
    const PieceList& s = r_.groups[symbol];
    out.insert(out.end(), s.begin(), s.end());
    return true;
  }

  const ProtocolRecord& r_;
  const std::vector<uint8_t>& d_;
  std::string* error_;
};

// Silence between the end of `frame` and the start of the next one.
int64_t GapFor(const Entry& mark, const PieceList& frame, int64_t floor_ticks) {
  if (!mark.period) return std::max(mark.ticks, floor_ticks);
  return std::max(mark.ticks - PiecesLength(frame), floor_ticks);
}

std::optional<Signal> PlayProtocolRecord(const KeyRecordParts& parts, uint32_t hold_ms, std::string* error) {
  ProtocolRecord r;
  Reader reader(parts.head, error);
  if (!reader.ReadTiming(r)) return std::nullopt;
  FrameBlocks blocks(r, parts.data, error);

  // The sequence: entry 0 is frame pattern 0 (its entry is not stored),
  // every later entry brings the mark before its frame.
  struct Step {
    int pattern = 0;
    std::optional<Entry> mark;
  };
  std::vector<Step> steps;
  steps.push_back({0, std::nullopt});
  for (const Entry& e : r.sequence) steps.push_back({e.pattern, e});

  const int seq = r.sequence_count;
  const int repeat = std::min(r.repeat_count, seq);
  const int64_t floor_ticks = static_cast<int64_t>(r.base) * r.mark_mult;
  // The mark before the first repeated entry when the repeat starts over:
  // its own, or for entry 0 (whose mark is not stored) that of entry 1.
  std::optional<Entry> restart_mark;
  if (repeat > 0) {
    const int first = seq - repeat;
    if (steps[first].mark) {
      restart_mark = steps[first].mark;
    } else if (seq > 1) {
      restart_mark = steps[1].mark;
    }
  }

  // Which block holds which pattern: the sequence writes a block for each
  // pattern that comes later in it than every pattern before (when the
  // style has two symbol groups or more); a style with trailer entries
  // adds the closing block, its last pattern built from the pattern alone.
  std::vector<int> sequence_block(r.frame_count, -1);
  int next_block = 0;
  if (r.groups.size() >= 2) {
    int last = -1;
    for (const Step& s : steps) {
      if (s.pattern > last) {
        sequence_block[s.pattern] = next_block++;
        last = s.pattern;
      }
    }
  }
  const int closing_block = r.trailer_count > 0 ? next_block++ : -1;

  std::vector<PieceList> cache(next_block);
  std::vector<bool> cached(next_block, false);
  auto block_of = [&](int pattern, bool trailer) -> const PieceList* {
    int block = sequence_block[pattern];
    if (trailer && pattern == r.frame_count - 1) block = closing_block;
    if (block < 0) {
      SetError(error, "frame pattern " + std::to_string(pattern) + " has no block in the data part");
      return nullptr;
    }
    if (!cached[block]) {
      if (!blocks.Read(static_cast<size_t>(block), cache[block])) return nullptr;
      cached[block] = true;
    }
    return &cache[block];
  };

  Transmission tx;
  const PieceList* previous = nullptr;
  int64_t clock = 0;  // start of the previous frame, in ticks
  int64_t last_gap = kDefaultGapTicks;  // the gap before the latest frame
  auto play = [&](int pattern, const std::optional<Entry>& mark, bool trailer = false) -> bool {
    const PieceList* frame = block_of(pattern, trailer);
    if (!frame) return false;
    if (previous) {
      const int64_t gap = mark ? GapFor(*mark, *previous, floor_ticks) : kDefaultGapTicks;
      tx.SetLastGap(gap);
      clock += PiecesLength(*previous) + gap;
      last_gap = gap;
    }
    tx.AddFrame(*frame, kDefaultGapTicks);
    previous = frame;
    return true;
  };

  for (const Step& s : steps) {
    if (!play(s.pattern, s.mark)) return std::nullopt;
  }
  const int64_t hold_ticks =
      static_cast<int64_t>(std::min(hold_ms, kMaxHoldMs)) * 1000 * transmit_detail::kTicksPerUs;
  if (repeat > 0) {
    // The repeat part goes on entry by entry while the key is held: a
    // frame starts only if the key is still down, so a press can end in
    // the middle of a cycle (a Sharp or Denon pair ends after its first
    // frame when the key is released before the second is due).
    const int first = seq - repeat;
    auto mark_of = [&](int j) -> const std::optional<Entry>& {
      return j == first ? restart_mark : steps[j].mark;
    };
    auto gap_before = [&](int j) {
      const std::optional<Entry>& mark = mark_of(j);
      return mark ? GapFor(*mark, *previous, floor_ticks) : kDefaultGapTicks;
    };
    int next = first;
    while (clock + PiecesLength(*previous) + gap_before(next) < hold_ticks &&
           tx.FrameCount() < kMaxTransmitFrames) {
      if (!play(steps[next].pattern, mark_of(next))) return std::nullopt;
      next = next + 1 < seq ? next + 1 : first;
    }
    // Silence after the last repeat: what the next entry would have left.
    tx.SetLastGap(gap_before(next));
  }
  if (!r.trailer.empty()) {
    for (const Entry& e : r.trailer) {
      if (!play(e.pattern, e, true)) return std::nullopt;
    }
  }
  // Silence after the last frame: for a key that ends in its repeat part
  // what the next cycle would have left, otherwise the gap before it.
  if (!r.trailer.empty() || repeat == 0) tx.SetLastGap(last_gap);
  return tx.Finish(r.carrier_hz);
}

}  // namespace

std::optional<KeyRecordParts> ParseKeyRecordParts(std::string_view record, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<KeyRecordParts> {
    SetError(error, std::move(reason));
    return std::nullopt;
  };
  if (record.size() < 20) return fail("key record shorter than its 10-byte header");
  if (record.size() % 2 != 0) return fail("key record has an odd number of digits");
  if (!IsHexText(record)) return fail("key record is not hexadecimal");
  auto byte = [&](size_t i) { return HexDigitValue(record[2 * i]) * 16 + HexDigitValue(record[2 * i + 1]); };
  KeyRecordParts parts;
  parts.key_code = byte(2);
  parts.key_type = byte(3);
  const size_t h = byte(6);
  const size_t d = byte(9);
  const size_t need = 10 + h + d;
  if (record.size() / 2 != need) {
    return fail("key record holds " + std::to_string(record.size() / 2) + " bytes, its header says " +
                std::to_string(need));
  }
  for (size_t i = 0; i < h; ++i) parts.head.push_back(static_cast<uint8_t>(byte(10 + i)));
  for (size_t i = 0; i < d; ++i) parts.data.push_back(static_cast<uint8_t>(byte(10 + h + i)));
  return parts;
}

bool IsRawKeyRecord(const KeyRecordParts& parts) noexcept {
  return parts.head.size() >= 2 && parts.head[0] == 0x00 && parts.head[1] == kRawLayoutMark;
}

std::optional<Signal> TransmitKeyRecord(std::string_view record, uint32_t hold_ms, std::string* error) {
  std::optional<KeyRecordParts> parts = ParseKeyRecordParts(record, error);
  if (!parts) return std::nullopt;
  if (parts->head.empty() || parts->data.empty()) {
    SetError(error, "deletion record: the key holds no code");
    return std::nullopt;
  }
  std::optional<Signal> signal =
      IsRawKeyRecord(*parts) ? transmit_detail::PlayRawRecord(*parts, hold_ms, error)
                             : PlayProtocolRecord(*parts, hold_ms, error);
  if (signal && signal->frames.empty()) {
    SetError(error, "the record sends no mark");
    return std::nullopt;
  }
  return signal;
}

}  // namespace tvq31

#include "transmitter/rawrecord.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "hextext/hextext.h"
#include "transmitter/learnedcode.h"
#include "transmitter/playback.h"

namespace tvq31 {

namespace {

bool SetError(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

void PutVarint(std::vector<uint8_t>& out, uint32_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<uint8_t>(v & 0x7F) | 0x80);
    v >>= 7;
  }
  out.push_back(static_cast<uint8_t>(v));
}

// Half-width of a duration table cluster, and the widest distance a played
// duration may stand from the one it replays. Both stay inside the
// faithfulness bound max(5 %, 60 us) with room for the capture's own error.
double ClusterRadius(double v, int level) { return level == 0 ? std::max(v * 0.025, 25.0) : std::max(v * 0.045, 50.0); }
double PlayRadius(double v) { return std::max(v * 0.045, 50.0); }

struct Table {
  std::vector<uint32_t> lo;   // smallest duration of each cluster, ascending
  std::vector<uint32_t> rep;  // the value played for the cluster

  size_t Index(uint32_t v) const {
    const auto it = std::upper_bound(lo.begin(), lo.end(), v);
    return static_cast<size_t>(it - lo.begin()) - 1;
  }
};

Table Cluster(std::vector<uint32_t> values, int level) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  Table t;
  size_t i = 0;
  while (i < values.size()) {
    const uint32_t v0 = values[i];
    const double limit = v0 + 2 * ClusterRadius(v0, level);
    size_t j = i;
    while (j + 1 < values.size() && values[j + 1] <= limit) ++j;
    t.lo.push_back(v0);
    t.rep.push_back(static_cast<uint32_t>((static_cast<uint64_t>(v0) + values[j] + 1) / 2));
    i = j + 1;
  }
  return t;
}

int IndexBits(size_t n) {
  int b = 1;
  while ((size_t{1} << b) < n) ++b;
  return b;
}

struct Entry {
  size_t frame = 0;
  uint32_t gap = 0;  // microseconds
};

bool SameGap(uint32_t a, uint32_t b) {
  const double hi = std::max(a, b);
  return std::abs(static_cast<double>(a) - b) <= std::max(hi * 0.05, 600.0);
}

// The longest tail made of k >= 2 copies of one block of m entries; the
// gap of the very last entry is not compared (nothing followed it).
// Returns {m, k}, or {0, 0} when the tail does not repeat.
std::pair<size_t, size_t> FindRepeat(const std::vector<Entry>& e) {
  const size_t n = e.size();
  size_t best_m = 0, best_k = 0;
  for (size_t m = 1; m <= n / 2 && m <= 16; ++m) {
    size_t k = 1;
    while ((k + 1) * m <= n) {
      const size_t a0 = n - (k + 1) * m;  // block before the run found so far
      const size_t b0 = n - k * m;
      bool same = true;
      for (size_t t = 0; t < m && same; ++t) {
        const Entry& a = e[a0 + t];
        const Entry& b = e[b0 + t];
        same = a.frame == b.frame && (b0 + t == n - 1 || SameGap(a.gap, b.gap));
      }
      if (!same) break;
      ++k;
    }
    if (k >= 2 && k * m > best_k * best_m) {
      best_m = m;
      best_k = k;
    }
  }
  return {best_m, best_k};
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) AppendByteHex(out, b);
  return out;
}

}  // namespace

std::string BuildRawKeyRecord(const Signal& input, int key_code, std::string* error) {
  if (key_code < 0 || key_code > 255) {
    SetError(error, "key code " + std::to_string(key_code) + " out of range");
    return {};
  }
  // Frames without durations only lengthen the gap they stand in.
  std::vector<SignalFrame> frames;
  for (const SignalFrame& f : input.frames) {
    if (f.durations.empty()) {
      if (!frames.empty()) frames.back().gap += f.gap;
      continue;
    }
    frames.push_back(f);
    for (uint32_t& d : frames.back().durations) d = std::max<uint32_t>(d, 1);
  }
  if (frames.empty()) {
    SetError(error, "the signal has no frame");
    return {};
  }

  std::vector<uint32_t> all;
  for (const SignalFrame& f : frames) all.insert(all.end(), f.durations.begin(), f.durations.end());
  Table table = Cluster(all, 0);
  if (table.rep.size() > kMaxRawTable) table = Cluster(all, 1);
  if (table.rep.size() > kMaxRawTable) {
    SetError(error, "the signal has more than " + std::to_string(kMaxRawTable) + " distinct durations");
    return {};
  }

  // Distinct frames, as table indices; a frame that plays within tolerance
  // as one already stored is not stored again.
  std::vector<std::vector<uint8_t>> stored;
  std::vector<Entry> entries;
  for (const SignalFrame& f : frames) {
    std::vector<uint8_t> idx;
    idx.reserve(f.durations.size());
    for (uint32_t d : f.durations) idx.push_back(static_cast<uint8_t>(table.Index(d)));
    size_t which = stored.size();
    for (size_t s = 0; s < stored.size() && which == stored.size(); ++s) {
      if (stored[s].size() != idx.size()) continue;
      bool close = true;
      for (size_t k = 0; k < idx.size() && close; ++k) {
        close = std::abs(static_cast<double>(table.rep[stored[s][k]]) - f.durations[k]) <= PlayRadius(f.durations[k]);
      }
      if (close) which = s;
    }
    if (which == stored.size()) stored.push_back(std::move(idx));
    entries.push_back({which, f.gap});
  }
  if (stored.size() > 255) {
    SetError(error, "the signal has more than 255 distinct frames");
    return {};
  }

  const auto [m, k] = FindRepeat(entries);
  std::vector<Entry> once, repeat;
  if (k >= 2) {
    const size_t start = entries.size() - k * m;
    once.assign(entries.begin(), entries.begin() + static_cast<long>(start));
    repeat.assign(entries.begin() + static_cast<long>(start), entries.begin() + static_cast<long>(start + m));
  } else {
    once = entries;
  }
  if (once.size() > 255 || repeat.size() > 255) {
    SetError(error, "the frame sequence has more than 255 entries");
    return {};
  }

  std::vector<uint8_t> head = {0x00, kRawLayoutMark, kRawLayoutVersion};
  const uint32_t carrier = std::min<uint32_t>((input.carrier_hz + 50) / 100, 0xFFFF);
  head.push_back(static_cast<uint8_t>(carrier & 0xFF));
  head.push_back(static_cast<uint8_t>(carrier >> 8));
  head.push_back(static_cast<uint8_t>(table.rep.size()));
  for (uint32_t v : table.rep) PutVarint(head, v);

  std::vector<uint8_t> data = {static_cast<uint8_t>(stored.size())};
  const int bits = IndexBits(table.rep.size());
  for (const auto& idx : stored) {
    PutVarint(data, static_cast<uint32_t>(idx.size()));
    uint32_t acc = 0;
    int filled = 0;
    for (uint8_t i : idx) {
      acc = (acc << bits) | i;
      filled += bits;
      while (filled >= 8) {
        data.push_back(static_cast<uint8_t>(acc >> (filled - 8)));
        filled -= 8;
        acc &= (1u << filled) - 1;
      }
    }
    if (filled > 0) data.push_back(static_cast<uint8_t>(acc << (8 - filled)));
    if (data.size() > kMaxRecordPartBytes) break;
  }
  data.push_back(static_cast<uint8_t>(once.size()));
  data.push_back(static_cast<uint8_t>(repeat.size()));
  for (const auto* list : {&once, &repeat}) {
    for (const Entry& e : *list) {
      data.push_back(static_cast<uint8_t>(e.frame));
      PutVarint(data, (e.gap + 50) / 100);
    }
  }

  if (head.size() > kMaxRecordPartBytes || data.size() > kMaxRecordPartBytes) {
    SetError(error, "the signal needs " + std::to_string(head.size()) + " timing and " +
                        std::to_string(data.size()) + " data bytes, more than 255");
    return {};
  }
  const size_t lt = head.size();
  const size_t data_offset = lt + 10;
  std::vector<uint8_t> header = {0x00,
                                 0x01,
                                 static_cast<uint8_t>(key_code),
                                 0xC7,
                                 0x0A,
                                 0x00,
                                 static_cast<uint8_t>(lt),
                                 static_cast<uint8_t>(data_offset & 0xFF),
                                 static_cast<uint8_t>(data_offset >> 8),
                                 static_cast<uint8_t>(data.size())};
  return Hex(header) + Hex(head) + Hex(data);
}

std::string RawKeyRecordFromLearnedCode(std::string_view learned_code, int key_code, std::string* error) {
  std::optional<LearnedCode> code = ParseLearnedCode(learned_code, error);
  if (!code) return {};
  return BuildRawKeyRecord(code->signal, key_code, error);
}

namespace transmit_detail {

namespace {

class ByteReader {
 public:
  explicit ByteReader(const std::vector<uint8_t>& d) : d_(d) {}
  bool Byte(uint8_t& v) {
    if (p_ >= d_.size()) return false;
    v = d_[p_++];
    return true;
  }
  bool Varint(uint32_t& v) {
    uint64_t acc = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      uint8_t b;
      if (!Byte(b)) return false;
      acc |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) {
        if (acc > UINT32_MAX) return false;
        v = static_cast<uint32_t>(acc);
        return true;
      }
    }
    return false;
  }
  size_t Left() const { return d_.size() - p_; }

 private:
  const std::vector<uint8_t>& d_;
  size_t p_ = 0;
};

}  // namespace

std::optional<Signal> PlayRawRecord(const KeyRecordParts& parts, uint32_t hold_ms, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<Signal> {
    SetError(error, "raw record: " + std::move(reason));
    return std::nullopt;
  };
  ByteReader h(parts.head);
  uint8_t b0, b1, version, c_lo, c_hi, n;
  if (!h.Byte(b0) || !h.Byte(b1) || !h.Byte(version)) return fail("timing part too short");
  if (version != kRawLayoutVersion) return fail("unknown layout version " + std::to_string(version));
  if (!h.Byte(c_lo) || !h.Byte(c_hi) || !h.Byte(n)) return fail("timing part too short");
  if (n == 0 || n > kMaxRawTable) return fail("duration table of " + std::to_string(n) + " values");
  std::vector<uint32_t> table(n);
  for (uint32_t& v : table) {
    if (!h.Varint(v)) return fail("duration table runs past the timing part");
  }
  if (h.Left() != 0) return fail("bytes after the duration table");
  const uint32_t carrier_hz = (c_lo | (c_hi << 8)) * 100u;

  ByteReader d(parts.data);
  uint8_t frame_count;
  if (!d.Byte(frame_count) || frame_count == 0) return fail("no frames");
  const int bits = IndexBits(n);
  std::vector<PieceList> frames(frame_count);
  for (PieceList& frame : frames) {
    uint32_t len;
    if (!d.Varint(len) || len == 0) return fail("frame length missing");
    const uint64_t bytes = (static_cast<uint64_t>(len) * bits + 7) / 8;
    if (bytes > d.Left()) return fail("frame runs past the data part");
    uint32_t acc = 0;
    int filled = 0;
    for (uint32_t i = 0; i < len; ++i) {
      while (filled < bits) {
        uint8_t byte = 0;
        if (!d.Byte(byte)) return fail("frame runs past the data part");
        acc = (acc << 8) | byte;
        filled += 8;
      }
      const uint32_t index = (acc >> (filled - bits)) & ((1u << bits) - 1);
      filled -= bits;
      acc &= (1u << filled) - 1;
      if (index >= n) return fail("duration index " + std::to_string(index) + " beyond the table");
      frame.push_back({i % 2 == 0, static_cast<int64_t>(table[index]) * kTicksPerUs});
    }
  }
  uint8_t once_count, repeat_count;
  if (!d.Byte(once_count) || !d.Byte(repeat_count)) return fail("frame sequence missing");
  if (once_count + repeat_count == 0) return fail("empty frame sequence");
  struct Step {
    size_t frame;
    int64_t gap_ticks;
  };
  std::vector<Step> steps(once_count + repeat_count);
  for (Step& s : steps) {
    uint8_t f;
    uint32_t gap;
    if (!d.Byte(f) || !d.Varint(gap)) return fail("frame sequence runs past the data part");
    if (f >= frame_count) return fail("sequence names frame " + std::to_string(f) + " of " + std::to_string(frame_count));
    s = {f, static_cast<int64_t>(gap) * 100 * kTicksPerUs};
  }
  if (d.Left() != 0) return fail("bytes after the frame sequence");

  Transmission tx;
  int64_t elapsed = 0;  // start of the next frame
  auto play = [&](const Step& s) {
    tx.AddFrame(frames[s.frame], s.gap_ticks);
    elapsed += PiecesLength(frames[s.frame]) + s.gap_ticks;
  };
  for (size_t i = 0; i < once_count; ++i) play(steps[i]);
  const int64_t hold_ticks = static_cast<int64_t>(std::min(hold_ms, kMaxHoldMs)) * 1000 * kTicksPerUs;
  bool first = true;
  while (repeat_count > 0 && (first || elapsed < hold_ticks) &&
         tx.FrameCount() + repeat_count <= kMaxTransmitFrames) {
    for (size_t i = once_count; i < steps.size(); ++i) play(steps[i]);
    first = false;
  }
  return tx.Finish(carrier_hz);
}

}  // namespace transmit_detail

}  // namespace tvq31

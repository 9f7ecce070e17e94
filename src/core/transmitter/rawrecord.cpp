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

// Two neighbouring learned durations further apart than this are taken as
// different symbols of the protocol, never as one symbol measured twice:
// a receiver measures one remote's symbol within a few tens of
// microseconds, while protocols that code values in the length of a space
// (XMP's nibbles, 137 us apart) need each length kept apart from the next.
double SymbolBreak(double v) { return std::max(v * 0.015, 20.0); }

struct Table {
  std::vector<uint32_t> lo;   // smallest duration of each cluster, ascending
  std::vector<uint32_t> rep;  // the value played for the cluster
  // Clusters of one symbol share a number: they were split only because
  // the symbol's durations spread wider than a cluster may.
  std::vector<size_t> symbol;

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
  size_t symbol = 0;
  while (i < values.size()) {
    const uint32_t v0 = values[i];
    if (i > 0 && values[i] - values[i - 1] > SymbolBreak(values[i - 1])) ++symbol;
    const double limit = v0 + 2 * ClusterRadius(v0, level);
    size_t j = i;
    while (j + 1 < values.size() && values[j + 1] <= limit &&
           values[j + 1] - values[j] <= SymbolBreak(values[j])) {
      ++j;
    }
    t.lo.push_back(v0);
    t.rep.push_back(static_cast<uint32_t>((static_cast<uint64_t>(v0) + values[j] + 1) / 2));
    t.symbol.push_back(symbol);
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

namespace {

struct RecordParts {
  std::vector<uint8_t> head;
  std::vector<uint8_t> data;
};

// Layout 1: a table of durations, the distinct frames, and the sequence of
// frames with the tail that repeats while the key is held.
std::optional<RecordParts> BuildFrameLayout(const std::vector<SignalFrame>& frames, uint32_t carrier_hz,
                                            std::string* error) {
  std::vector<uint32_t> all;
  for (const SignalFrame& f : frames) all.insert(all.end(), f.durations.begin(), f.durations.end());
  Table table = Cluster(all, 0);
  if (table.rep.size() > kMaxRawTable) table = Cluster(all, 1);
  if (table.rep.size() > kMaxRawTable) {
    SetError(error, "the signal has more than " + std::to_string(kMaxRawTable) + " distinct durations");
    return std::nullopt;
  }

  // Distinct frames, as table indices; a frame that plays within tolerance
  // as one already stored, symbol for symbol, is not stored again.
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
        close = table.symbol[stored[s][k]] == table.symbol[idx[k]] &&
                std::abs(static_cast<double>(table.rep[stored[s][k]]) - f.durations[k]) <=
                    PlayRadius(f.durations[k]);
      }
      if (close) which = s;
    }
    if (which == stored.size()) stored.push_back(std::move(idx));
    entries.push_back({which, f.gap});
  }
  if (stored.size() > 255) {
    SetError(error, "the signal has more than 255 distinct frames");
    return std::nullopt;
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
    return std::nullopt;
  }

  RecordParts out;
  std::vector<uint8_t>& head = out.head;
  head = {0x00, kRawLayoutMark, kRawLayoutVersion};
  const uint32_t carrier = std::min<uint32_t>((carrier_hz + 50) / 100, 0xFFFF);
  head.push_back(static_cast<uint8_t>(carrier & 0xFF));
  head.push_back(static_cast<uint8_t>(carrier >> 8));
  head.push_back(static_cast<uint8_t>(table.rep.size()));
  for (uint32_t v : table.rep) PutVarint(head, v);

  std::vector<uint8_t>& data = out.data;
  data = {static_cast<uint8_t>(stored.size())};
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
    return std::nullopt;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Layout 2: the symbol stream.
//
// A held key sends the same frame again and again, but the receiver measures
// every copy with its own jitter, so copies rarely play the same within the
// tolerance and the frame layout has to store each one. Here the whole press
// is one stream of table indices (marks, spaces and frame gaps in the order
// sent), most of it predicted by a template of one period: only where a
// duration falls into another table value than the template's does the
// stream spend more than a few bits.

enum class Kind : uint8_t { kMark, kSpace, kGap };

// How far a played duration may stand from the learned one. Marks and
// spaces: inside max(5 %, 60 us) with a little room for rounding. Gaps come
// from the capture in whole milliseconds (up to 500 us off the real one),
// so they keep a narrow margin until 5 % of them outgrows that error.
double StreamTolerance(Kind kind, double v) {
  if (kind == Kind::kGap) return std::max(50.0, 0.045 * v - 500.0);
  return std::max(0.048 * v, 58.0);
}

struct Bin {
  uint32_t lo = 0;    // smallest learned value it stands for
  uint32_t play = 0;  // the value played
};

// One played value for the values [a, b] of `v` (sorted), if there is one
// within tolerance of each.
std::optional<uint32_t> PlayFor(const std::vector<uint32_t>& v, size_t a, size_t b, Kind kind) {
  const double lo = std::ceil(v[b] - StreamTolerance(kind, v[b]));
  const double hi = std::floor(v[a] + StreamTolerance(kind, v[a]));
  if (lo > hi) return std::nullopt;
  const double mid = std::floor((std::max(lo, 0.0) + hi) / 2);
  return static_cast<uint32_t>(std::clamp(mid, std::max(lo, 0.0), hi));
}

// Table values for the durations of one kind: the window that holds the
// most durations first, then the values on either side of it the same way,
// so the common length of a noisy duration gets one value of its own and
// only its outliers need another. False when more than `limit` are needed.
bool CoverKind(std::vector<uint32_t> all, Kind kind, size_t limit, std::vector<Bin>& bins) {
  std::sort(all.begin(), all.end());
  std::vector<uint32_t> v;
  std::vector<size_t> prefix = {0};  // durations before value i
  for (size_t i = 0; i < all.size(); ++i) {
    if (v.empty() || v.back() != all[i]) {
      v.push_back(all[i]);
      prefix.push_back(prefix.back());
    }
    ++prefix.back();
  }
  // One value never stands for two symbols: windows of marks and spaces
  // stay inside the runs of values no wider apart than a symbol's own
  // spread. Gaps come in whole milliseconds and code no values.
  std::vector<std::pair<size_t, size_t>> todo;
  for (size_t s = 0, e = 1; e <= v.size(); ++e) {
    if (e == v.size() || (kind != Kind::kGap && v[e] - v[e - 1] > SymbolBreak(v[e - 1]))) {
      todo.push_back({s, e});
      s = e;
    }
  }
  while (!todo.empty()) {
    const auto [s, e] = todo.back();
    todo.pop_back();
    size_t best_a = s, best_b = s, best = 0;
    size_t b = s;
    for (size_t a = s; a < e; ++a) {
      b = std::max(b, a);
      while (b + 1 < e && PlayFor(v, a, b + 1, kind)) ++b;
      if (prefix[b + 1] - prefix[a] > best) {
        best = prefix[b + 1] - prefix[a];
        best_a = a;
        best_b = b;
      }
    }
    if (bins.size() >= limit) return false;
    bins.push_back({v[best_a], PlayFor(v, best_a, best_b, kind).value_or(v[best_a])});
    if (best_a > s) todo.push_back({s, best_a});
    if (best_b + 1 < e) todo.push_back({best_b + 1, e});
  }
  std::sort(bins.begin(), bins.end(), [](const Bin& x, const Bin& y) { return x.lo < y.lo; });
  return true;
}

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Bit((value >> i) & 1);
  }
  void Bit(uint32_t bit) {
    if (used_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
    ++used_;
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// The plan of a stream: `l0` symbols written out, then `lp` symbols
// predicted by a template of `p` symbols, the misses coded with run
// lengths in Rice code of parameter `k`.
struct StreamPlan {
  size_t l0 = 0, p = 0, lp = 0;
  int k = 0;
  size_t bytes = SIZE_MAX;
  std::vector<uint8_t> tmpl;
};

size_t VarintSize(size_t v) {
  size_t n = 1;
  while (v >= 0x80) {
    v >>= 7;
    ++n;
  }
  return n;
}

// A miss costs two bits when it is a neighbour of the template's value (the
// common case: a duration just across the edge of its table value), else a
// flag and the index.
int MissBits(uint8_t got, uint8_t want, int b) {
  return (got == want + 1 || got + 1 == want) ? 2 : 1 + b;
}

// The template of period p from l0 on (the most common index at each
// phase) and what the stream costs with it, the best Rice parameter picked.
StreamPlan PlanStream(const std::vector<uint8_t>& sym, size_t n, size_t l0, size_t p) {
  const int b = IndexBits(n);
  StreamPlan plan;
  plan.l0 = l0;
  plan.p = p;
  plan.lp = sym.size() - l0;
  std::vector<uint32_t> counts(p * n, 0);
  for (size_t i = l0; i < sym.size(); ++i) ++counts[((i - l0) % p) * n + sym[i]];
  plan.tmpl.resize(p);
  for (size_t j = 0; j < p; ++j) {
    const auto first = counts.begin() + static_cast<long>(j * n);
    plan.tmpl[j] = static_cast<uint8_t>(std::max_element(first, first + static_cast<long>(n)) - first);
  }
  std::vector<size_t> runs;
  size_t miss_bits = 0, run = 0;
  for (size_t i = l0; i < sym.size(); ++i) {
    const uint8_t want = plan.tmpl[(i - l0) % p];
    if (sym[i] == want) {
      ++run;
      continue;
    }
    runs.push_back(run);
    miss_bits += MissBits(sym[i], want, b);
    run = 0;
  }
  if (run > 0) runs.push_back(run);
  size_t best_bits = SIZE_MAX;
  for (int k = 0; k <= 12; ++k) {
    size_t bits = miss_bits;
    for (size_t r : runs) bits += (r >> k) + 1 + static_cast<size_t>(k);
    if (bits < best_bits) {
      best_bits = bits;
      plan.k = k;
    }
  }
  const size_t total_bits = (l0 + p) * static_cast<size_t>(b) + best_bits;
  plan.bytes = VarintSize(l0) + VarintSize(p) + VarintSize(plan.lp) + 1 + (total_bits + 7) / 8;
  return plan;
}

constexpr size_t kMaxStreamSymbols = 1 << 16;
constexpr size_t kMaxStreamPeriod = 1024;
constexpr uint32_t kMaxStreamDuration = 0x7FFFFFFF;

std::optional<RecordParts> BuildStreamLayout(const std::vector<SignalFrame>& frames, uint32_t carrier_hz,
                                             std::string* error) {
  // The stream: each frame's marks and spaces, then its gap. A frame that
  // ends on a space gives that space to its gap.
  std::vector<uint32_t> values;
  std::vector<Kind> kinds;
  for (const SignalFrame& f : frames) {
    size_t len = f.durations.size();
    uint64_t gap = f.gap;
    if (len % 2 == 0) gap += f.durations[--len];
    for (size_t k = 0; k < len; ++k) {
      values.push_back(f.durations[k]);
      kinds.push_back(k % 2 == 0 ? Kind::kMark : Kind::kSpace);
    }
    values.push_back(static_cast<uint32_t>(std::min<uint64_t>(gap, UINT32_MAX)));
    kinds.push_back(Kind::kGap);
  }
  if (values.size() > kMaxStreamSymbols) {
    SetError(error, "the signal has more than " + std::to_string(kMaxStreamSymbols) + " durations");
    return std::nullopt;
  }
  if (*std::max_element(values.begin(), values.end()) > kMaxStreamDuration) {
    SetError(error, "the signal has a duration longer than " + std::to_string(kMaxStreamDuration) + " us");
    return std::nullopt;
  }

  // The table: marks, then spaces, then gaps, each kind covered on its own.
  std::vector<Bin> bins[3];
  size_t used = 0;
  for (int kind = 0; kind < 3; ++kind) {
    std::vector<uint32_t> of_kind;
    for (size_t i = 0; i < values.size(); ++i) {
      if (kinds[i] == static_cast<Kind>(kind)) of_kind.push_back(values[i]);
    }
    if (!CoverKind(std::move(of_kind), static_cast<Kind>(kind), kMaxRawTable - used, bins[kind])) {
      SetError(error, "the signal has more than " + std::to_string(kMaxRawTable) + " distinct durations");
      return std::nullopt;
    }
    used += bins[kind].size();
  }
  const size_t n = used;
  std::vector<uint8_t> sym(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const int kind = static_cast<int>(kinds[i]);
    const std::vector<Bin>& kb = bins[kind];
    const auto it = std::upper_bound(kb.begin(), kb.end(), values[i], [](uint32_t v, const Bin& bin) { return v < bin.lo; });
    size_t offset = 0;
    for (int k = 0; k < kind; ++k) offset += bins[k].size();
    sym[i] = static_cast<uint8_t>(offset + static_cast<size_t>(it - kb.begin()) - 1);
  }

  // Periods worth a closer look: those under which most symbols equal the
  // one a period earlier. Even only, so a period keeps marks on marks.
  const size_t total = sym.size();
  std::vector<std::pair<double, size_t>> ranked;
  for (size_t p = 2; p <= std::min(kMaxStreamPeriod, total / 2); p += 2) {
    size_t same = 0;
    for (size_t i = p; i < total; ++i) same += sym[i] == sym[i - p];
    ranked.push_back({-static_cast<double>(same) / static_cast<double>(total - p), p});
  }
  std::sort(ranked.begin(), ranked.end());
  if (ranked.size() > 10) ranked.resize(10);
  // Where the periodic part may start: the first frame or one of the next
  // few (a first frame unlike its repeats, as NEC's).
  std::vector<size_t> starts = {0};
  for (size_t i = 0; i + 1 < total && starts.size() < 9; ++i) {
    if (kinds[i] == Kind::kGap) starts.push_back(i + 1);
  }
  StreamPlan best;
  best.l0 = total;
  best.bytes = VarintSize(total) + 3 + (total * static_cast<size_t>(IndexBits(n)) + 7) / 8;
  for (const auto& [score, p] : ranked) {
    for (size_t l0 : starts) {
      if (l0 + p > total) continue;
      StreamPlan plan = PlanStream(sym, n, l0, p);
      if (plan.bytes < best.bytes) best = std::move(plan);
    }
  }

  RecordParts out;
  out.head = {0x00, kRawLayoutMark, kRawStreamLayoutVersion};
  const uint32_t carrier = std::min<uint32_t>((carrier_hz + 50) / 100, 0xFFFF);
  out.head.push_back(static_cast<uint8_t>(carrier & 0xFF));
  out.head.push_back(static_cast<uint8_t>(carrier >> 8));
  out.head.push_back(static_cast<uint8_t>(n));
  for (int kind = 0; kind < 3; ++kind) {
    for (const Bin& bin : bins[kind]) PutVarint(out.head, (bin.play << 1) | (kind == 2 ? 1u : 0u));
  }

  // The stream fills the data part; what does not fit there starts in the
  // timing part, right after the table.
  if (out.head.size() + best.bytes > 2 * kMaxRecordPartBytes) {
    SetError(error, "the signal needs " + std::to_string(out.head.size() + best.bytes) +
                        " bytes, more than the 255 timing and 255 data bytes of a record");
    return std::nullopt;
  }
  std::vector<uint8_t> body;
  const int b = IndexBits(n);
  PutVarint(body, static_cast<uint32_t>(best.l0));
  PutVarint(body, static_cast<uint32_t>(best.p));
  PutVarint(body, static_cast<uint32_t>(best.l0 == total ? 0 : best.lp));
  body.push_back(static_cast<uint8_t>(best.k));
  BitWriter w;
  for (size_t i = 0; i < best.l0; ++i) w.Put(sym[i], b);
  for (uint8_t t : best.tmpl) w.Put(t, b);
  size_t run = 0;
  auto put_run = [&](size_t r) {
    for (size_t q = r >> best.k; q > 0; --q) w.Bit(1);
    w.Bit(0);
    w.Put(static_cast<uint32_t>(r & ((size_t{1} << best.k) - 1)), best.k);
  };
  for (size_t i = best.l0; i < total; ++i) {
    const uint8_t want = best.tmpl[(i - best.l0) % best.p];
    if (sym[i] == want) {
      ++run;
      continue;
    }
    put_run(run);
    run = 0;
    if (sym[i] == want + 1) {
      w.Put(0b00, 2);
    } else if (sym[i] + 1 == want) {
      w.Put(0b01, 2);
    } else {
      w.Bit(1);
      w.Put(sym[i], b);
    }
  }
  if (run > 0) put_run(run);
  body.insert(body.end(), w.Bytes().begin(), w.Bytes().end());
  const size_t to_head = body.size() > kMaxRecordPartBytes ? body.size() - kMaxRecordPartBytes : 0;
  out.head.insert(out.head.end(), body.begin(), body.begin() + static_cast<long>(to_head));
  out.data.assign(body.begin() + static_cast<long>(to_head), body.end());
  if (out.head.size() > kMaxRecordPartBytes || out.data.size() > kMaxRecordPartBytes) {
    SetError(error, "the signal needs " + std::to_string(out.head.size()) + " timing and " +
                        std::to_string(out.data.size()) + " data bytes, more than 255");
    return std::nullopt;
  }
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

  // The frame layout first: records of short presses stay as they always
  // were, and keys with the same durations share their timing part. A press
  // too long for it (a held key whose frames the receiver merged, or whose
  // every repeat came back with its own jitter) goes to the stream layout.
  std::string frame_error;
  std::optional<RecordParts> parts = BuildFrameLayout(frames, input.carrier_hz, &frame_error);
  if (!parts) parts = BuildStreamLayout(frames, input.carrier_hz, error);
  if (!parts) return {};

  const size_t lt = parts->head.size();
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
                                 static_cast<uint8_t>(parts->data.size())};
  return Hex(header) + Hex(parts->head) + Hex(parts->data);
}

std::string RawKeyRecordFromLearnedCode(std::string_view learned_code, int key_code, std::string* error) {
  std::optional<LearnedCode> code = ParseLearnedCode(learned_code, error);
  if (!code) return {};
  // The remote closes a capture of one frame with a fixed 20 ms, which is
  // no measurement: the press was over. Played back as 20 ms, the frame
  // would seem followed by another at a period that tells protocols apart
  // (an NEC frame 20 ms before the next reads as Pioneer's), so the record
  // keeps the silence of a press that has ended.
  if (code->signal.frames.size() == 1) {
    code->signal.frames.front().gap =
        std::max(code->signal.frames.front().gap, kLoneFrameSilenceUs);
  }
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


class BitReader {
 public:
  BitReader(const std::vector<uint8_t>& d, size_t from) : d_(d), bit_(from * 8) {}
  bool Get(int bits, uint32_t& v) {
    if (bits > 0 && static_cast<size_t>(bits) > Left()) return false;
    v = 0;
    for (int i = 0; i < bits; ++i, ++bit_) v = (v << 1) | ((d_[bit_ / 8] >> (7 - bit_ % 8)) & 1);
    return true;
  }
  size_t Left() const { return d_.size() * 8 - bit_; }
  // True when only zero padding of the last byte is left.
  bool AtPadding() {
    uint32_t pad = 0;
    return Left() < 8 && Get(static_cast<int>(Left()), pad) && pad == 0;
  }

 private:
  const std::vector<uint8_t>& d_;
  size_t bit_;
};

constexpr size_t kMaxStreamPieces = 1 << 18;

struct StreamEntry {
  int64_t ticks = 0;
  bool gap = false;
};

std::optional<Signal> PlayStreamRecord(const KeyRecordParts& parts, uint32_t hold_ms, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<Signal> {
    SetError(error, "raw record: " + std::move(reason));
    return std::nullopt;
  };
  ByteReader h(parts.head);
  uint8_t skip, c_lo, c_hi, n;
  if (!h.Byte(skip) || !h.Byte(skip) || !h.Byte(skip) || !h.Byte(c_lo) || !h.Byte(c_hi) || !h.Byte(n)) {
    return fail("timing part too short");
  }
  if (n == 0 || n > kMaxRawTable) return fail("duration table of " + std::to_string(n) + " values");
  std::vector<StreamEntry> table(n);
  for (StreamEntry& e : table) {
    uint32_t v;
    if (!h.Varint(v)) return fail("duration table runs past the timing part");
    e = {static_cast<int64_t>(v >> 1) * kTicksPerUs, (v & 1) != 0};
  }
  const uint32_t carrier_hz = (c_lo | (c_hi << 8)) * 100u;
  // The stream begins after the table, in the timing part when it did not
  // fit the data part, and goes on in the data part.
  std::vector<uint8_t> body(parts.head.end() - static_cast<long>(h.Left()), parts.head.end());
  body.insert(body.end(), parts.data.begin(), parts.data.end());

  ByteReader d(body);
  uint32_t l0, p, lp;
  uint8_t k;
  if (!d.Varint(l0) || !d.Varint(p) || !d.Varint(lp) || !d.Byte(k)) return fail("stream header missing");
  if (k > 24) return fail("run parameter " + std::to_string(k));
  if ((lp == 0) != (p == 0) || p % 2 != 0) return fail("template of " + std::to_string(p) + " for " + std::to_string(lp) + " symbols");
  if (static_cast<uint64_t>(l0) + lp == 0 || static_cast<uint64_t>(l0) + lp > kMaxStreamPieces) {
    return fail("stream of " + std::to_string(static_cast<uint64_t>(l0) + lp) + " symbols");
  }
  const int b = IndexBits(n);
  BitReader bits(body, body.size() - d.Left());
  if ((static_cast<uint64_t>(l0) + p) * static_cast<uint64_t>(b) > bits.Left()) return fail("stream runs past the data part");
  auto index = [&](uint8_t& out) {
    uint32_t v;
    if (!bits.Get(b, v) || v >= n) return false;
    out = static_cast<uint8_t>(v);
    return true;
  };
  std::vector<uint8_t> sym(l0);
  for (uint8_t& s : sym) {
    if (!index(s)) return fail("stream index beyond the table");
  }
  std::vector<uint8_t> tmpl(p);
  for (uint8_t& t : tmpl) {
    if (!index(t)) return fail("template index beyond the table");
  }
  sym.reserve(sym.size() + lp);
  for (uint32_t pos = 0; pos < lp;) {
    uint64_t run = 0;
    for (uint32_t bit = 1; bit == 1;) {
      if (!bits.Get(1, bit)) return fail("stream runs past the data part");
      if (bit == 1 && ++run > lp) return fail("run beyond the stream");
    }
    uint32_t low = 0;
    if (!bits.Get(k, low)) return fail("stream runs past the data part");
    run = (run << k) | low;
    if (run > lp - pos) return fail("run beyond the stream");
    for (uint64_t i = 0; i < run; ++i, ++pos) sym.push_back(tmpl[pos % p]);
    if (pos == lp) break;
    const uint8_t want = tmpl[pos % p];
    uint32_t flag, v;
    if (!bits.Get(1, flag)) return fail("stream runs past the data part");
    if (flag == 0) {
      if (!bits.Get(1, v)) return fail("stream runs past the data part");
      v = v == 0 ? want + 1u : want - 1u;  // wraps out of range below 0
      if (v >= n) return fail("stream index beyond the table");
    } else if (!bits.Get(b, v) || v >= n) {
      return fail("stream index beyond the table");
    }
    sym.push_back(static_cast<uint8_t>(v));
    ++pos;
  }
  if (!bits.AtPadding()) return fail("bytes after the stream");

  // Marks stand where a frame has sent an even number of durations; a gap
  // value may only stand where a silence does, and it ends the frame.
  auto valid = [&](const std::vector<uint8_t>& s, bool must_end_with_gap) {
    size_t in_frame = 0;
    for (uint8_t i : s) {
      if (in_frame % 2 == 0 && table[i].gap) return false;
      in_frame = table[i].gap ? 0 : in_frame + 1;
    }
    return !must_end_with_gap || in_frame == 0;
  };
  if (!valid(sym, true)) return fail("stream is not marks and silences ending in a gap");
  const bool cycles = lp > 0 && lp % p == 0;
  if (cycles && !valid(tmpl, false)) return fail("template puts a gap where a mark belongs");

  Transmission tx;
  PieceList pieces;
  int64_t elapsed = 0;
  size_t played = 0;
  auto play = [&](uint8_t i) {
    const StreamEntry& e = table[i];
    elapsed += e.ticks;
    ++played;
    if (e.gap) {
      tx.AddFrame(pieces, e.ticks);
      pieces.clear();
    } else {
      pieces.push_back({pieces.size() % 2 == 0, e.ticks});
    }
  };
  for (uint8_t i : sym) play(i);
  // Held on, the template period goes on as long as a new cycle would start
  // before the key is released.
  const int64_t hold_ticks = static_cast<int64_t>(std::min(hold_ms, kMaxHoldMs)) * 1000 * kTicksPerUs;
  const size_t gaps_per_cycle = static_cast<size_t>(std::count_if(tmpl.begin(), tmpl.end(), [&](uint8_t i) { return table[i].gap; }));
  while (cycles && elapsed < hold_ticks && tx.FrameCount() + gaps_per_cycle <= kMaxTransmitFrames &&
         played + p <= kMaxStreamPieces) {
    for (uint8_t i : tmpl) play(i);
  }
  if (!pieces.empty()) tx.AddFrame(pieces, 0);
  return tx.Finish(carrier_hz);
}

}  // namespace

std::optional<Signal> PlayRawRecord(const KeyRecordParts& parts, uint32_t hold_ms, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<Signal> {
    SetError(error, "raw record: " + std::move(reason));
    return std::nullopt;
  };
  ByteReader h(parts.head);
  uint8_t b0, b1, version, c_lo, c_hi, n;
  if (!h.Byte(b0) || !h.Byte(b1) || !h.Byte(version)) return fail("timing part too short");
  if (version == kRawStreamLayoutVersion) return PlayStreamRecord(parts, hold_ms, error);
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

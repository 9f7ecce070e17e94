#include "capture/capturewriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "capture/convert.h"
#include "hextext/hextext.h"

// What the remote records, and so what this writer can say:
//
// - Durations are counts of a third of a microsecond. A mark of D us is
//   written as 3 * (D + 58) counts, a silence of S us as 3 * (S - 58), so the
//   conversion's "counts / 3 -/+ 58" gives D and S back exactly.
// - A silence shorter than 58 us cannot be written (counts are not
//   negative); it comes back as 58 us.
// - A mark longer than one token (10864 us) is a run token merged into the
//   mark token after it; only one run token can be merged, so marks are
//   capped at 21786 us.
// - A silence is a plain space while it fits one token (up to 10980 us);
//   longer ones are written as a run of 0x7FFF-count tokens and a
//   remainder, which the conversion reads as a frame gap in whole
//   milliseconds. So the frames of the capture are set by the silences, as
//   the remote's receiver sets them: a gap of 10980 us or less between two
//   frames makes them one frame, and a space longer than 10980 us inside a
//   frame splits it. A frame that ends in a space has that space added to
//   its gap.
// - Twenty run tokens end the signal, so frame gaps are capped at 19 run
//   tokens and a remainder: 218504 us (218 ms). The last frame's gap is not
//   recorded at all: the end-of-signal run stands for it.
// - The carrier is three period samples whose sum t gives the conversion's
//   figure 1000 / (t / 9) kHz; t is picked so that figure is the one
//   nearest the signal's carrier. Whole kilohertz only; between about
//   95 kHz and the top not every figure exists.
// - The buffer holds 2560 tokens. A press that does not fit keeps the whole
//   frames that fit together with the 22 tokens of the end run and the
//   trailer; a single frame too long on its own is cut after the last mark
//   that fits.
// - A signal without a mark has nothing to record: the result is the
//   zero-filled buffer, which converts to the empty text.

namespace tvq31 {

namespace {

constexpr uint64_t kRunCounts = 0x7FFF;
constexpr uint64_t kSkew = 58;
constexpr uint64_t kMaxMark = (2 * kRunCounts) / 3 - kSkew;         // 21786
constexpr size_t kMaxGapRuns = 19;
constexpr uint64_t kMaxGapCounts = kMaxGapRuns * kRunCounts + (kRunCounts - 1);
constexpr size_t kEndRunTokens = 20;
constexpr size_t kTrailerTokens = 2;
constexpr size_t kTokenCapacity = kCaptureSize / 4;
constexpr int kMaxSampleSum = 3 * 0xFF;

constexpr char kDigits[] = "0123456789ABCDEF";

struct CapturedFrame {
  std::vector<uint16_t> gap_before;  // run tokens and remainder; empty for the first
  std::vector<uint16_t> body;        // marks and spaces, ending with a mark
};

void AppendToken(std::string& out, uint16_t token) {
  out.push_back(kDigits[(token >> 12) & 0xF]);
  out.push_back(kDigits[(token >> 8) & 0xF]);
  out.push_back(kDigits[(token >> 4) & 0xF]);
  out.push_back(kDigits[token & 0xF]);
}

class FrameBuilder {
 public:
  void Mark(uint64_t us) {
    if (!frames_.empty()) Silence(pending_silence_);
    if (frames_.empty()) frames_.emplace_back();
    pending_silence_ = 0;
    const uint64_t counts = 3 * (std::min(us, kMaxMark) + kSkew);
    std::vector<uint16_t>& body = frames_.back().body;
    if (counts <= kRunCounts) {
      body.push_back(static_cast<uint16_t>(0x8000 | counts));
    } else {
      body.push_back(static_cast<uint16_t>(kRunCounts));
      body.push_back(static_cast<uint16_t>(0x8000 | (counts - kRunCounts)));
    }
  }

  void AddSilence(uint64_t us) { pending_silence_ += us; }

  std::vector<CapturedFrame> Take() { return std::move(frames_); }

 private:
  void Silence(uint64_t us) {
    uint64_t counts = us > kSkew ? 3 * (us - kSkew) : 0;
    if (counts < kRunCounts) {
      frames_.back().body.push_back(static_cast<uint16_t>(counts));
      return;
    }
    counts = std::min(counts, kMaxGapCounts);
    CapturedFrame next;
    next.gap_before.assign(counts / kRunCounts, static_cast<uint16_t>(kRunCounts));
    next.gap_before.push_back(static_cast<uint16_t>(counts % kRunCounts));
    frames_.push_back(std::move(next));
  }

  std::vector<CapturedFrame> frames_;
  uint64_t pending_silence_ = 0;
};

// The sample sum whose carrier figure is nearest to `carrier_hz`.
int SampleSumFor(uint32_t carrier_hz) {
  static const std::array<int, kMaxSampleSum + 1> figures = [] {
    std::array<int, kMaxSampleSum + 1> table{};
    for (int t = 1; t <= kMaxSampleSum; ++t) table[t] = CarrierFigure(t);
    return table;
  }();
  int best = 1;
  uint64_t best_error = UINT64_MAX;
  for (int t = 1; t <= kMaxSampleSum; ++t) {
    const int64_t diff = int64_t{figures[t]} * 1000 - carrier_hz;
    const uint64_t error = static_cast<uint64_t>(diff < 0 ? -diff : diff);
    if (error < best_error) {
      best_error = error;
      best = t;
    }
  }
  return best;
}

}  // namespace

std::string WriteCapture(const Signal& signal) {
  FrameBuilder builder;
  for (const SignalFrame& frame : signal.frames) {
    for (size_t j = 0; j < frame.durations.size(); ++j) {
      if (j % 2 == 0) {
        builder.Mark(frame.durations[j]);
      } else {
        builder.AddSilence(frame.durations[j]);
      }
    }
    builder.AddSilence(frame.gap);
  }
  std::vector<CapturedFrame> frames = builder.Take();

  std::string out;
  out.reserve(kCaptureSize);
  if (frames.empty()) {
    out.resize(kCaptureSize, '\0');
    return out;
  }

  // Whole frames while they leave room for the end run and the trailer.
  const size_t budget = kTokenCapacity - kEndRunTokens - kTrailerTokens;
  std::vector<uint16_t>& first = frames.front().body;
  if (first.size() > budget) {
    first.resize(budget);
    while (!first.empty() && (first.back() & 0x8000) == 0) first.pop_back();
  }
  size_t used = 0;
  for (const CapturedFrame& frame : frames) {
    const size_t need = frame.gap_before.size() + frame.body.size();
    if (used + need > budget) break;
    for (uint16_t token : frame.gap_before) AppendToken(out, token);
    for (uint16_t token : frame.body) AppendToken(out, token);
    used += need;
  }

  for (size_t k = 0; k < kEndRunTokens; ++k) AppendToken(out, static_cast<uint16_t>(kRunCounts));
  // Three samples of about the same period, as the receiver measures them;
  // an even split also keeps the first trailer token from reading "7FFF".
  const int t = signal.carrier_hz == 0 ? 0 : SampleSumFor(signal.carrier_hz);
  const int a = t / 3 + (t % 3 >= 1 ? 1 : 0);
  const int b = t / 3 + (t % 3 == 2 ? 1 : 0);
  const int c = t / 3;
  AppendByteHex(out, a);
  AppendByteHex(out, b);
  AppendByteHex(out, c);
  AppendByteHex(out, 0);
  out.resize(kCaptureSize, '\0');
  return out;
}

}  // namespace tvq31

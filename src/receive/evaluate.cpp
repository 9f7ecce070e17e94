#include "receive/evaluate.h"

#include <algorithm>
#include <ctime>
#include <cmath>
#include <map>
#include <tuple>

#include "MrcDataUnit/codestyle.h"
#include "capture/capturewriter.h"
#include "receive/receivechain.h"
#include "transmitter/learnedcode.h"
#include "transmitter/transmitter.h"

namespace tvq31 {

namespace {

enum class Level { kMark, kSpace, kGap };

struct Element {
  Level level;
  uint64_t us;
};

// A signal as one alternating list, mark first. A frame's trailing space
// and the gap after it are one silence; zero durations vanish into their
// neighbours. The silence after the last frame is left out.
struct FlatSignal {
  std::vector<Element> elements;
  std::vector<size_t> frame_starts;  // index of each frame's first mark
};

FlatSignal Flatten(const Signal& signal) {
  FlatSignal flat;
  auto push = [&](bool mark, uint64_t us, bool gap) {
    if (us == 0 && !gap) return;
    std::vector<Element>& e = flat.elements;
    if (e.empty() && !mark) return;  // silence before the first mark
    if (!e.empty() && (e.back().level == Level::kMark) == mark) {
      e.back().us += us;
      if (gap) e.back().level = Level::kGap;
      return;
    }
    if (mark && (e.empty() || e.back().level == Level::kGap)) flat.frame_starts.push_back(e.size());
    e.push_back({mark ? Level::kMark : (gap ? Level::kGap : Level::kSpace), us});
  };
  for (const SignalFrame& frame : signal.frames) {
    for (size_t j = 0; j < frame.durations.size(); ++j) push(j % 2 == 0, frame.durations[j], false);
    push(false, frame.gap, true);
  }
  if (!flat.elements.empty() && flat.elements.back().level != Level::kMark) {
    flat.elements.pop_back();
  }
  return flat;
}

const char* LevelName(Level level) {
  switch (level) {
    case Level::kMark: return "mark";
    case Level::kSpace: return "space";
    case Level::kGap: return "gap";
  }
  return "";
}

bool Close(const Element& reference, uint64_t sent) {
  const double ref = static_cast<double>(reference.us);
  const double diff = std::abs(ref - static_cast<double>(sent));
  if (reference.level == Level::kGap) return diff <= 0.10 * ref;
  return diff <= std::max(0.05 * ref, 60.0);
}

// Compares sent[from..from+count) with reference elements picked by `ref_at`.
template <typename RefAt>
bool CompareRange(const std::vector<Element>& sent, size_t from, size_t count, RefAt ref_at,
                  std::string* why) {
  for (size_t k = 0; k < count; ++k) {
    const Element& ref = ref_at(k);
    const Element& got = sent[from + k];
    if ((got.level == Level::kMark) != (ref.level == Level::kMark) || !Close(ref, got.us)) {
      if (why) {
        *why = "element " + std::to_string(from + k + 1) + " (" + LevelName(ref.level) +
               "): " + std::to_string(got.us) + " us sent for " + std::to_string(ref.us) + " us";
      }
      return false;
    }
  }
  return true;
}

// CPU time of this thread: other work on a shared machine does not count
// against the receive step.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

size_t MarkCount(const Signal& signal) {
  size_t n = 0;
  for (const SignalFrame& frame : signal.frames) n += (frame.durations.size() + 1) / 2;
  return n;
}

uint32_t HoldForSignal(const Signal& reference) {
  const FlatSignal flat = Flatten(reference);
  uint64_t us = 0;
  for (const Element& e : flat.elements) us += e.us;
  const uint64_t ms = (us + 999) / 1000;
  return static_cast<uint32_t>(std::clamp<uint64_t>(ms, 1, kMaxHoldMs));
}

bool TransmissionFaithful(const Signal& reference, const Signal& sent, std::string* why) {
  const FlatSignal r = Flatten(reference);
  const FlatSignal x = Flatten(sent);
  const std::vector<Element>& re = r.elements;
  const std::vector<Element>& xe = x.elements;
  if (re.empty() || xe.empty()) {
    if (why) *why = re.empty() ? "nothing to compare with" : "nothing sent";
    return false;
  }
  auto at = [&](size_t k) -> const Element& { return re[k]; };
  if (xe.size() == re.size()) return CompareRange(xe, 0, xe.size(), at, why);
  if (r.frame_starts.size() >= 2) {
    const size_t last = r.frame_starts.back();  // the reference's last frame
    const size_t last_len = re.size() - last;
    if (xe.size() == last - 1) {
      // The last repeat frame was not sent.
      return CompareRange(xe, 0, xe.size(), at, why);
    }
    if (xe.size() == re.size() + 1 + last_len) {
      // One more repeat frame, which must be the reference's last frame
      // after the reference's last gap.
      if (!CompareRange(xe, 0, re.size(), at, why)) return false;
      return CompareRange(xe, re.size(), 1 + last_len,
                          [&](size_t k) -> const Element& { return re[last - 1 + k]; }, why);
    }
  }
  if (why) {
    *why = std::to_string(x.frame_starts.size()) + " frames of " + std::to_string(xe.size()) +
           " marks and spaces sent for " + std::to_string(r.frame_starts.size()) + " frames of " +
           std::to_string(re.size());
  }
  return false;
}

double EvalRow::SignalsPerSecond() const {
  const size_t timed = signals - too_long;
  return seconds > 0.0 ? static_cast<double>(timed) / seconds : 0.0;
}

void EvalRow::Add(const EvalRow& o) {
  signals += o.signals;
  too_long += o.too_long;
  decoded += o.decoded;
  recognised += o.recognised;
  right_family += o.right_family;
  wrong_family += o.wrong_family;
  unrecognised += o.unrecognised;
  as_original += o.as_original;
  transfer += o.transfer;
  transfer_faithful += o.transfer_faithful;
  transfer_as_original += o.transfer_as_original;
  failed += o.failed;
  one_frame += o.one_frame;
  one_frame_recognised += o.one_frame_recognised;
  seconds += o.seconds;
}

const char* EvalFormName(EvalForm form) {
  switch (form) {
    case EvalForm::kParsed: return "parsed";
    case EvalForm::kTap: return "tap";
    case EvalForm::kHeld: return "held";
  }
  return "";
}

namespace {

// What the playback says against what the original says. A frame of the
// original that no decoder reads after values that were read (a recording
// with a receiver glitch in a repeat) ends what the original says: a
// receiver of the protocol reads the key from the frames before it, and no
// record can send the glitch again.
bool SameValues(const std::vector<DecodedFrame>& said, std::vector<DecodedFrame> original) {
  auto same = [&] {
    return said.size() == original.size() &&
           std::equal(said.begin(), said.end(), original.begin(),
                      [](const DecodedFrame& x, const DecodedFrame& y) { return x.SameAs(y); });
  };
  if (same()) return true;
  if (original.size() < 2 || !original.back().protocol.empty()) return false;
  original.pop_back();
  return same();
}

// One signal through the receive step and back, counted into its row.
class Evaluator {
 public:
  Evaluator(const EvalOptions& options, EvalReport& report)
      : options_(options),
        report_(report),
        chain_(ReceiveOptions{options.library_path,
                              options.chain ? options.transfer_path : std::string()}) {}

  // `received` goes to the receiver; `original` is what the remote sent,
  // `values` what our decoders read in it; `family` the family the
  // recognising style must be of (empty: none can be right).
  void Run(size_t index, const EvalCase& c, EvalForm form, const Signal& received,
           const Signal& original, const std::vector<DecodedFrame>& values,
           const std::string& family, EvalRow& row) {
    EvalOutcome out;
    out.case_index = index;
    out.form = form;
    out.family = family.empty() && !c.parsed ? std::string("unknown") : family;
    ++row.signals;
    const bool one_frame = !c.parsed && c.signal.frames.size() == 1;
    if (one_frame) ++row.one_frame;
    out.decoded = FullyDecoded(values);
    if (out.decoded) ++row.decoded;
    // Values worth comparing with: the first frame at least was read.
    const bool judged = !values.empty() && !values.front().protocol.empty();

    const std::string capture = WriteCapture(received);
    const double t0 = ThreadSeconds();
    const ReceiveResult result = chain_.Receive(capture, options_.key_code);
    const double t1 = ThreadSeconds();

    // Whatever the buffer could not hold is lost before recognition starts;
    // such a signal cannot come back whole and is counted apart.
    const std::optional<LearnedCode> learned = ParseLearnedCode(result.learned_code);
    if (learned && MarkCount(learned->signal) < MarkCount(received)) {
      ++row.too_long;
      out.too_long = true;
      Keep(std::move(out));
      return;
    }
    row.seconds += t1 - t0;

    const std::string tag = c.protocol + "|" + EvalFormName(form) + "|";
    if (result.source == ReceiveSource::kLibrary) {
      ++row.recognised;
      if (one_frame) ++row.one_frame_recognised;
      out.recognised = true;
      out.style = result.style;
      const std::string style_family = FamilyOfName(result.style);
      if (c.parsed || judged) {
        if (!family.empty() && family == style_family) {
          ++row.right_family;
        } else {
          ++row.wrong_family;
          Example(c, form, tag + result.style,
                  "recognised as \"" + result.style + "\", a style of " +
                      (style_family.empty() ? std::string("no family") : style_family) +
                      " for a press of " + (family.empty() ? std::string("no family") : family));
        }
      } else {
        Example(c, form, tag + result.style + "|unread",
                "recognised as \"" + result.style + "\", but our decoders do not read it");
      }
    } else {
      ++row.unrecognised;
      if (result.source == ReceiveSource::kNone && options_.chain) {
        ++row.failed;
        Example(c, form, tag + "none", "no key record: " + result.error);
      }
    }
    if (!result.ok()) {
      Keep(std::move(out));
      return;
    }

    // A record made by a code style plays the protocol back from its
    // description: it must say what the original remote said, to our
    // decoders. The transfer library keeps the durations as measured, so
    // its record is also held to the timing the receiver measured.
    const bool by_library = result.source == ReceiveSource::kLibrary;
    const Signal& timing_reference = by_library ? original : received;
    const std::string who =
        by_library ? "style \"" + result.style + "\"" : std::string("transfer");
    std::string why;
    const std::optional<Signal> sent =
        TransmitKeyRecord(result.record, HoldForSignal(timing_reference), &why);
    if (!by_library) {
      ++row.transfer;
      out.transfer = true;
      if (sent && TransmissionFaithful(received, *sent, &why)) {
        ++row.transfer_faithful;
      } else {
        Example(c, form, tag + "transfer", "transfer record not faithful: " + why);
      }
    }
    if (judged) {
      const std::vector<DecodedFrame> said =
          sent ? options_.decode(*sent) : std::vector<DecodedFrame>{};
      out.as_original = sent && SameValues(said, values);
      if (*out.as_original) {
        ++(by_library ? row.as_original : row.transfer_as_original);
      } else {
        out.why = sent ? who + " record plays back as " + DescribeValues(said) + " for " +
                             DescribeValues(values)
                       : who + " record cannot be played: " + why;
        Example(c, form, tag + who + "|values", out.why);
      }
    }
    Keep(std::move(out));
  }

 private:
  void Keep(EvalOutcome&& out) {
    if (options_.keep_outcomes) report_.outcomes.push_back(std::move(out));
  }

  // A broken style fails the same way on hundreds of signals; two lines of
  // each kind leave room for the other kinds.
  void Example(const EvalCase& c, EvalForm form, const std::string& kind, const std::string& line) {
    if (report_.examples.size() >= options_.max_examples) return;
    if (++example_kinds_[kind] > 2) return;
    const std::string how = c.parsed ? "" : std::string(", ") + EvalFormName(form);
    report_.examples.push_back(c.file + ": \"" + c.name + "\" (" + c.protocol + how + "): " + line);
  }

  const EvalOptions& options_;
  EvalReport& report_;
  ReceiveChain chain_;
  std::map<std::string, size_t> example_kinds_;
};

}  // namespace

EvalReport Evaluate(const std::vector<EvalCase>& cases, const EvalOptions& options) {
  EvalReport report;
  report.chain = options.chain;
  {
    ArrCodeStyleNode probe;
    std::string error;
    if (!LoadCodeStyleFile(options.library_path, probe, &error)) {
      report.library_error = error.empty() ? options.library_path + ": cannot be loaded" : error;
    }
  }
  Evaluator evaluator(options, report);
  // Real recordings first: taps, then held presses, then the parsed
  // entries; within each by name, "unknown" after the families.
  using RowKey = std::tuple<int, bool, std::string>;
  std::map<RowKey, EvalRow> rows;
  auto row_of = [&](EvalForm form, const std::string& name) -> EvalRow& {
    const int order = form == EvalForm::kTap ? 0 : form == EvalForm::kHeld ? 1 : 2;
    EvalRow& row = rows[RowKey{order, name == "unknown", name}];
    row.form = form;
    row.protocol = name;
    return row;
  };

  for (size_t i = 0; i < cases.size(); ++i) {
    const EvalCase& c = cases[i];
    const std::vector<DecodedFrame> values = options.decode(c.signal);
    if (c.parsed) {
      evaluator.Run(i, c, EvalForm::kParsed, ReceivedSignal(c, options.seed, i), c.signal, values,
                    FamilyOfName(c.protocol), row_of(EvalForm::kParsed, c.protocol));
      continue;
    }
    const std::string family = JudgedFamily(values);
    const std::string expected = family == "unknown" ? std::string() : family;
    evaluator.Run(i, c, EvalForm::kTap, c.signal, c.signal, values, expected,
                  row_of(EvalForm::kTap, family));
    std::optional<uint32_t> gap;
    std::optional<uint32_t> repeat_gap;
    if (!values.empty()) {
      if (c.signal.frames.size() == 1) gap = DocumentedGap(values.front());
      if (c.signal.frames.size() >= 2) repeat_gap = DocumentedRepeatGap(values.front());
    }
    const Signal held = HeldPress(c.signal, gap, kDefaultHoldMs, nullptr, repeat_gap);
    const std::vector<DecodedFrame> held_values = held == c.signal ? values : options.decode(held);
    evaluator.Run(i, c, EvalForm::kHeld, held, held, held_values, expected,
                  row_of(EvalForm::kHeld, family));
  }

  report.parsed_total.protocol = "parsed";
  report.tap_total.protocol = "raw tap";
  report.tap_total.form = EvalForm::kTap;
  report.held_total.protocol = "raw held";
  report.held_total.form = EvalForm::kHeld;
  report.total.protocol = "total";
  for (auto& [key, row] : rows) {
    report.rows.push_back(row);
    EvalRow& sum = row.form == EvalForm::kParsed ? report.parsed_total
                   : row.form == EvalForm::kTap  ? report.tap_total
                                                 : report.held_total;
    sum.Add(row);
    report.total.Add(row);
  }
  return report;
}

}  // namespace tvq31

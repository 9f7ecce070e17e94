#include "receive/evaluate.h"

#include <algorithm>
#include <ctime>
#include <cmath>
#include <map>

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

std::string Describe(const EvalCase& c) {
  return c.file + ": \"" + c.name + "\" (" + c.protocol + ")";
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
  ReceiveChain chain(ReceiveOptions{options.library_path,
                                    options.chain ? options.transfer_path : std::string()});
  std::map<std::string, EvalRow> rows;
  // A broken style fails the same way on hundreds of signals; two lines of
  // each kind leave room for the other kinds.
  std::map<std::string, size_t> example_kinds;
  auto example = [&](const EvalCase& c, const std::string& kind, std::string line) {
    if (report.examples.size() >= options.max_examples) return;
    if (++example_kinds[c.protocol + "|" + kind] > 2) return;
    report.examples.push_back(Describe(c) + ": " + std::move(line));
  };

  for (size_t i = 0; i < cases.size(); ++i) {
    const EvalCase& c = cases[i];
    EvalRow& row = rows[c.protocol];
    row.protocol = c.protocol;
    ++row.signals;

    const Signal received = ReceivedSignal(c, options.seed, i);
    const std::string capture = WriteCapture(received);
    const double t0 = ThreadSeconds();
    const ReceiveResult result = chain.Receive(capture, options.key_code);
    const double t1 = ThreadSeconds();

    // Whatever the buffer could not hold is lost before recognition starts;
    // such a signal cannot come back whole and is counted apart.
    const std::optional<LearnedCode> learned = ParseLearnedCode(result.learned_code);
    if (learned && MarkCount(learned->signal) < MarkCount(received)) {
      ++row.too_long;
      continue;
    }
    row.seconds += t1 - t0;

    if (result.source == ReceiveSource::kLibrary) {
      ++row.recognised;
      if (c.parsed) {
        const std::string family = ProtocolFamily(c.protocol);
        if (!family.empty() && family == ProtocolFamily(result.style)) {
          ++row.right_family;
        } else {
          ++row.wrong_family;
          example(c, result.style, "recognised as \"" + result.style + "\", another family");
        }
      }
    } else {
      ++row.unrecognised;
      if (result.source == ReceiveSource::kNone && options.chain) {
        ++row.failed;
        example(c, "none", "no key record: " + result.error);
      }
    }
    if (!result.ok()) continue;

    // A record made by a code style plays the protocol back from its
    // description, so it must give what the original remote sent. The
    // transfer library keeps the durations as measured, so its record is
    // held to what the receiver measured.
    const bool by_library = result.source == ReceiveSource::kLibrary;
    const Signal& reference = by_library ? c.signal : received;
    if (!by_library) ++row.transfer;
    std::string why;
    const std::optional<Signal> sent =
        TransmitKeyRecord(result.record, HoldForSignal(reference), &why);
    if (sent && TransmissionFaithful(reference, *sent, &why)) {
      ++(by_library ? row.faithful : row.transfer_faithful);
    } else {
      example(c, by_library ? result.style : "transfer",
              (by_library ? "style \"" + result.style + "\"" : std::string("transfer")) +
                  " record not faithful: " + why);
    }
  }

  for (auto& [name, row] : rows) {
    if (name != "raw") report.rows.push_back(row);
  }
  if (auto it = rows.find("raw"); it != rows.end()) report.rows.push_back(it->second);
  EvalRow& t = report.total;
  t.protocol = "total";
  for (const EvalRow& row : report.rows) {
    t.signals += row.signals;
    t.too_long += row.too_long;
    t.recognised += row.recognised;
    t.right_family += row.right_family;
    t.wrong_family += row.wrong_family;
    t.unrecognised += row.unrecognised;
    t.faithful += row.faithful;
    t.transfer += row.transfer;
    t.transfer_faithful += row.transfer_faithful;
    t.failed += row.failed;
    t.seconds += row.seconds;
  }
  return report;
}

}  // namespace tvq31

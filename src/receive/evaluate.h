// The evaluation: recorded infrared signals (Flipper .ir files) run through
// the receive step as if a user had pressed each key in front of the
// remote, the learned key record played back through the transmitter
// model, and the result compared with what the original remote sent.
// docs/evaluation.md describes every rule used here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "signal/signal.h"

namespace tvq31 {

// One signal to evaluate.
struct EvalCase {
  std::string file;      // the .ir file it came from
  std::string name;      // the entry's name
  std::string protocol;  // the entry's protocol as written, or "raw"
  bool parsed = false;   // made by the encoders (else recorded)
  Signal signal;         // what the original remote sends
};

struct EvalInputs {
  std::vector<EvalCase> cases;
  // Files that could not be read or are not .ir files, entries that cannot
  // be turned into a signal: one line each, naming file and entry.
  std::vector<std::string> problems;
};

// Reads .ir files and folders of them (recursively; files ending in ".ir",
// any case). Files are taken in sorted path order and entries in file order,
// so the same paths give the same cases. Parsed entries become the signal of
// a key held for 2 s; raw entries stay as recorded.
EvalInputs CollectEvalCases(const std::vector<std::string>& paths);

// What the remote's receiver makes of a case's signal: parsed signals get
// the receiver's distortion (seeded from `seed` and the case's position,
// so every run is repeatable); recorded ones already went through a real
// receiver and are kept as they are.
Signal ReceivedSignal(const EvalCase& c, uint64_t seed, size_t position);

// The protocol family of a protocol or code-style name: the known family
// name it starts with (case-insensitive), e.g. "NECext" and "NEC42"
// are "NEC", "SIRC20" is "SIRC", "RC5X" is "RC5", "Samsung32" is "Samsung".
// The empty text for a name of no known family.
std::string ProtocolFamily(std::string_view name);

// Compares a transmission with the signal it should reproduce. Both are
// read as one alternating list of marks and spaces, the silence after each
// frame being the space before the next; the silence after the last frame
// is not compared. Element by element, marks and spaces within max(5 %,
// 60 us) of the reference, a reference frame gap within 10 %. The lists
// must be equally long, except that the transmission may lack the
// reference's last frame or add one more copy of it (a repeat frame that
// starts near the moment the key is released). False with a reason
// otherwise.
bool TransmissionFaithful(const Signal& reference, const Signal& sent, std::string* why = nullptr);

// How long the key is held when a learned record is played back: until the
// end of the reference's last mark, in whole milliseconds rounded up.
uint32_t HoldForSignal(const Signal& reference);

// The number of marks of a signal.
size_t MarkCount(const Signal& signal);

struct EvalOptions {
  std::string library_path;   // the code-style library
  std::string transfer_path;  // the transfer library (used with `chain`)
  bool chain = false;         // the whole receive step, transfer fallback included
  uint64_t seed = 1;
  int key_code = 0x0A;        // the key the signals are learned onto
  size_t max_examples = 20;   // failures listed by name
};

struct EvalRow {
  std::string protocol;  // "raw" for recorded entries, "total" for the sum
  size_t signals = 0;
  size_t too_long = 0;        // the capture buffer could not hold them
  size_t recognised = 0;      // by a code style
  size_t right_family = 0;    // parsed entries only
  size_t wrong_family = 0;    // parsed entries only
  size_t unrecognised = 0;
  size_t faithful = 0;        // recognised, and played back faithfully
  size_t transfer = 0;        // stored through the transfer library
  size_t transfer_faithful = 0;
  size_t failed = 0;          // no key record at all (chain only)
  double seconds = 0.0;       // CPU time spent in the receive step

  double SignalsPerSecond() const;
};

struct EvalReport {
  bool chain = false;
  std::vector<EvalRow> rows;  // sorted by protocol, "raw" last
  EvalRow total;
  std::vector<std::string> examples;  // failures, one line each
  std::vector<std::string> problems;  // from CollectEvalCases
  std::string library_error;          // the code-style library could not be read
};

EvalReport Evaluate(const std::vector<EvalCase>& cases, const EvalOptions& options);

// The report as an aligned text table (with the examples and problems
// below it) and as one JSON object.
std::string FormatEvalTable(const EvalReport& report);
std::string FormatEvalJson(const EvalReport& report);

}  // namespace tvq31

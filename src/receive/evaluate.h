// The evaluation: recorded infrared signals (Flipper .ir files) run through
// the receive step as if a user had pressed each key in front of the
// remote, the learned key record played back through the transmitter
// model, and the result compared with what the original remote sent.
// docs/evaluation.md describes every rule used here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irtoolkit/family.h"
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

// The protocol family of a protocol or code-style name (FamilyOfName of the
// family registry): "NECext" and "NEC42" are "NEC", "SIRC20" is "SIRC",
// "RC5X" is "RC5". The empty text for a name of no known family.
std::string ProtocolFamily(std::string_view name);

// What our own decoders read in a signal: PressValues of DecodeSignal.
using PressDecoder = std::function<std::vector<DecodedFrame>(const Signal&)>;
std::vector<DecodedFrame> DecodePress(const Signal& signal);

// The family a press is judged to be of: the family of its first decoded
// value, or "unknown" when its first frame is read by no decoder.
std::string JudgedFamily(const std::vector<DecodedFrame>& values);

// True when every frame of the press was read and it carries a value.
bool FullyDecoded(const std::vector<DecodedFrame>& values);

// The values as one line of text ("NEC 0x4/0x8, NEC 0x4/0x9"), for reports.
std::string DescribeValues(const std::vector<DecodedFrame>& values);

// The silence after the first frame of `value`'s press as our encoder of its
// protocol sends it; nullopt when no encoder takes that protocol and those
// values.
std::optional<uint32_t> DocumentedGap(const DecodedFrame& value);

// The silence after the repeat unit (the repeat code, or the repeated
// frame) of `value`'s press as our encoder sends it; nullopt as above.
std::optional<uint32_t> DocumentedRepeatGap(const DecodedFrame& value);

// A recording as a held press: the frames that followed its first frame
// sent again and again, with the gaps recorded after them, for as long as
// each frame starts within `hold_ms` (never shorter than the recording). A
// one-frame recording repeats its frame after `one_frame_gap`; without one
// it stays as recorded. `extended` tells whether anything was added.
// `repeat_gap` stands for the silence after the last frame when the
// recording did not hold it (its gap is a copy of the gap of the frame
// before, a frame of another length).
Signal HeldPress(const Signal& recording, std::optional<uint32_t> one_frame_gap,
                 uint32_t hold_ms = kDefaultHoldMs, bool* extended = nullptr,
                 std::optional<uint32_t> repeat_gap = std::nullopt);

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
  bool keep_outcomes = false; // fill EvalReport::outcomes
  PressDecoder decode = DecodePress;  // what a press says
};

// How a signal is put to the receiver.
enum class EvalForm {
  kParsed,  // the encoder's press of a parsed entry, held 2 s, distorted
  kTap,     // a raw recording as recorded
  kHeld,    // a raw recording extended to a press held 2 s (HeldPress)
};

const char* EvalFormName(EvalForm form);

struct EvalRow {
  EvalForm form = EvalForm::kParsed;
  // The entry's protocol (parsed), the judged family or "unknown" (raw),
  // or the name of a sum row.
  std::string protocol;
  size_t signals = 0;
  size_t too_long = 0;        // the capture buffer could not hold them
  size_t decoded = 0;         // our decoders read every frame of the original
  size_t recognised = 0;      // by a code style
  size_t right_family = 0;    // the style's family is the protocol's / judged family
  size_t wrong_family = 0;    // another family's style took it
  size_t unrecognised = 0;
  size_t as_original = 0;     // recognised, and the record plays back decoding as the original
  size_t transfer = 0;        // stored through the transfer library
  size_t transfer_faithful = 0;    // its playback within the timing bounds
  size_t transfer_as_original = 0; // its playback decoding as the original
  size_t failed = 0;          // no key record at all (chain only)
  size_t one_frame = 0;       // raw: recordings of one frame
  size_t one_frame_recognised = 0;
  double seconds = 0.0;       // CPU time spent in the receive step

  double SignalsPerSecond() const;
  void Add(const EvalRow& other);
};

// What became of one signal (EvalOptions::keep_outcomes).
struct EvalOutcome {
  size_t case_index = 0;
  EvalForm form = EvalForm::kParsed;
  std::string family;   // the judged family ("unknown"), or the protocol's
  std::string style;    // the style that recognised it, if any
  bool too_long = false;
  bool decoded = false;
  bool recognised = false;
  bool transfer = false;
  // The record's playback decodes as the original; nullopt when no record
  // was played or the original says nothing our decoders read.
  std::optional<bool> as_original;
  std::string why;      // why not, when as_original is false
};

struct EvalReport {
  bool chain = false;
  // Tap rows and held rows by judged family ("unknown" last in each), then
  // parsed rows by protocol.
  std::vector<EvalRow> rows;
  EvalRow parsed_total, tap_total, held_total;
  EvalRow total;  // every row
  std::vector<std::string> examples;  // failures, one line each
  std::vector<std::string> problems;  // from CollectEvalCases
  std::string library_error;          // the code-style library could not be read
  std::vector<EvalOutcome> outcomes;  // with keep_outcomes
};

EvalReport Evaluate(const std::vector<EvalCase>& cases, const EvalOptions& options);

// The report as an aligned text table (with the examples and problems
// below it) and as one JSON object.
std::string FormatEvalTable(const EvalReport& report);
std::string FormatEvalJson(const EvalReport& report);

}  // namespace tvq31

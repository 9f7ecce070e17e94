// What the family tests share: a signal through the receive path as the
// remote would take it (capture, conversion, recognition with the shipped
// library), the record played back, and both read by the family decoders.
#pragma once

#include <string>
#include <vector>

#include "ValidatePro/recognise.h"
#include "irtoolkit/family.h"
#include "irtoolkit/irtoolkit.h"
#include "signal/signal.h"

namespace tvq31::familytest {

// The shipped code-style library beside the executables.
std::string LibraryPath();

// `signal` written as the remote's capture, converted and recognised for
// key 0x1A. An empty result when the capture cannot be written or nothing
// matched.
RecognitionResult RecogniseSignal(const Signal& signal);

// The record played back for a key held `hold_ms`; an empty signal when the
// record cannot be played.
Signal PlayBack(const std::string& record, uint32_t hold_ms = kDefaultHoldMs);

// True when the recordings of ../shared/ir-corpus are beside the checkout
// (a clean clone elsewhere has none: tests of real recordings then skip).
bool CorpusAvailable();

// Skips the running test when the corpus is not there.
#define TVQ31_SKIP_WITHOUT_CORPUS()                                            \
  do {                                                                         \
    if (!::tvq31::familytest::CorpusAvailable()) GTEST_SKIP() << "no corpus"; \
  } while (false)

// The raw entries named `name` in a corpus .ir file (path below the corpus's
// flipper-irdb folder), as recorded. Fails the test when there is none
// (call TVQ31_SKIP_WITHOUT_CORPUS() first).
std::vector<Signal> CorpusSignals(const std::string& file, const std::string& name);

// The first frame of `signal` alone, as a short press released after one
// frame (a tap).
Signal FirstFrame(const Signal& signal);

// PressValues of the decoded signal.
std::vector<DecodedFrame> Says(const Signal& signal);

}  // namespace tvq31::familytest

// The receive step's throughput: capture text -> learned code -> code-style
// library (read from its file every time, as the app reads it) ->
// recognition -> key record. One signal is one capture delivered by the
// remote.
//
// Besides the shipped library, a library three times its size: every
// shipped style is preceded by two copies with shifted timings (durations
// and frame marks times 0.75 and 1.3, on the edges of the comparison
// windows), so that every capture walks two thirds more styles before its
// own, and the captures no style takes walk all of them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/core/ValidatePro/test_styles.h"
#include "ValidatePro/recognise.h"
#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"
#include "receive/receivechain.h"

namespace tvq31 {
namespace {

// The library beside the executables, or the one TVQ31_BENCH_LIBRARY names.
const std::string kLibrary = [] {
  const char* other = std::getenv("TVQ31_BENCH_LIBRARY");
  return other != nullptr && *other != '\0' ? std::string(other)
                                             : std::string(TVQ31_BIN_DIR) + "/QD01.csl";
}();

std::vector<std::string> NecCaptures() {
  std::vector<std::string> captures;
  for (uint32_t command = 0; command < 64; ++command) {
    const std::optional<Signal> signal = EncodeProtocol("NEC", 0x04, command);
    if (signal) captures.push_back(WriteCapture(DistortSignal(*signal, command)));
  }
  return captures;
}

// Every signal of the corpus as the receiver would deliver it.
const std::vector<std::string>& CorpusCaptures() {
  static const std::vector<std::string> captures = [] {
    const EvalInputs in = CollectEvalCases({TVQ31_CORPUS_DIR});
    std::vector<std::string> out;
    out.reserve(in.cases.size());
    for (size_t i = 0; i < in.cases.size(); ++i) {
      out.push_back(WriteCapture(ReceivedSignal(in.cases[i], 1, i)));
    }
    return out;
  }();
  return captures;
}

// The tripled library, written once to a file of this process.
const std::string& TripledLibrary() {
  static const std::string path = [] {
    ArrCodeStyleNode shipped;
    std::string error;
    if (!LoadCodeStyleFile(kLibrary, shipped, &error)) return std::string();
    ArrCodeStyleNode tripled;
    for (const CodeStyleNode& s : shipped) {
      tripled.push_back(testing_styles::ScaledStyle(s, 0.75));
      tripled.push_back(testing_styles::ScaledStyle(s, 1.3));
      tripled.push_back(s);
    }
    const std::string file = "/tmp/tvq31-bench-chain-" + std::to_string(getpid()) + ".csl";
    std::ofstream(file, std::ios::binary) << WriteCodeStyleBytes(tripled);
    std::atexit([] { std::remove(TripledLibrary().c_str()); });
    return file;
  }();
  return path;
}

size_t StyleCount(const std::string& path) {
  ArrCodeStyleNode styles;
  return LoadCodeStyleFile(path, styles) ? styles.size() : 0;
}

void Run(benchmark::State& state, const std::vector<std::string>& captures,
         const std::string& library) {
  if (captures.empty() || library.empty()) {
    state.SkipWithError("no captures or no library");
    return;
  }
  ReceiveChain chain({library, ""});
  size_t i = 0;
  size_t recognised = 0;
  for (auto _ : state) {
    const ReceiveResult r = chain.Receive(captures[i], 0x0A);
    recognised += r.source == ReceiveSource::kLibrary;
    benchmark::DoNotOptimize(r.record.data());
    if (++i == captures.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["recognised"] =
      benchmark::Counter(static_cast<double>(recognised) / static_cast<double>(state.iterations()));
  state.counters["styles"] = static_cast<double>(StyleCount(library));
}

void BM_ReceiveNec(benchmark::State& state) {
  static const std::vector<std::string> captures = NecCaptures();
  Run(state, captures, kLibrary);
}
BENCHMARK(BM_ReceiveNec);

void BM_ReceiveCorpus(benchmark::State& state) { Run(state, CorpusCaptures(), kLibrary); }
BENCHMARK(BM_ReceiveCorpus);

void BM_ReceiveCorpusTripled(benchmark::State& state) {
  Run(state, CorpusCaptures(), TripledLibrary());
}
BENCHMARK(BM_ReceiveCorpusTripled);

// Conversion and recognition alone (no transfer library, no checks of the
// chain), with styles passed over on the capture's first frame (arg 1) or
// every style tried (arg 0); the shipped library (first arg 0) or the
// tripled one (1).
void BM_RecogniseCorpus(benchmark::State& state) {
  const std::string& library = state.range(0) == 0 ? kLibrary : TripledLibrary();
  const std::vector<std::string>& captures = CorpusCaptures();
  if (captures.empty() || library.empty()) {
    state.SkipWithError("no captures or no library");
    return;
  }
  Recogniser recogniser;
  recogniser.prefilter = state.range(1) != 0;
  size_t i = 0;
  for (auto _ : state) {
    const ConvertedCapture conv = ConvertCaptureFull(captures[i]);
    if (!conv.text.empty()) {
      const RecognitionResult r = recogniser.RecogniseCapture(
          std::string_view(conv.text).substr(conv.frames_start), 0x0A, library);
      benchmark::DoNotOptimize(r.record.data());
    }
    if (++i == captures.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["styles"] = static_cast<double>(StyleCount(library));
}
BENCHMARK(BM_RecogniseCorpus)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1});

// The conversion alone: what every signal costs before recognition starts.
void BM_ConvertCorpus(benchmark::State& state) {
  const std::vector<std::string>& captures = CorpusCaptures();
  size_t i = 0;
  for (auto _ : state) {
    const ConvertedCapture conv = ConvertCaptureFull(captures[i]);
    benchmark::DoNotOptimize(conv.text.data());
    if (++i == captures.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ConvertCorpus);

}  // namespace
}  // namespace tvq31

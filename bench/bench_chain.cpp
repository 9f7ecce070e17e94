// The receive step's throughput: capture text -> learned code -> code-style
// library (read from its file every time, as the app reads it) ->
// recognition -> key record. One signal is one capture delivered by the
// remote.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "capture/capturewriter.h"
#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"
#include "receive/receivechain.h"

namespace tvq31 {
namespace {

const std::string kLibrary = std::string(TVQ31_BIN_DIR) + "/QD01.csl";

std::vector<std::string> NecCaptures() {
  std::vector<std::string> captures;
  for (uint32_t command = 0; command < 64; ++command) {
    const std::optional<Signal> signal = EncodeProtocol("NEC", 0x04, command);
    if (signal) captures.push_back(WriteCapture(DistortSignal(*signal, command)));
  }
  return captures;
}

// Every signal of the corpus as the receiver would deliver it.
std::vector<std::string> CorpusCaptures() {
  const EvalInputs in = CollectEvalCases({TVQ31_CORPUS_DIR});
  std::vector<std::string> captures;
  captures.reserve(in.cases.size());
  for (size_t i = 0; i < in.cases.size(); ++i) {
    captures.push_back(WriteCapture(ReceivedSignal(in.cases[i], 1, i)));
  }
  return captures;
}

void Run(benchmark::State& state, const std::vector<std::string>& captures) {
  if (captures.empty()) {
    state.SkipWithError("no captures");
    return;
  }
  ReceiveChain chain({kLibrary, ""});
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
}

void BM_ReceiveNec(benchmark::State& state) {
  static const std::vector<std::string> captures = NecCaptures();
  Run(state, captures);
}
BENCHMARK(BM_ReceiveNec);

void BM_ReceiveCorpus(benchmark::State& state) {
  static const std::vector<std::string> captures = CorpusCaptures();
  Run(state, captures);
}
BENCHMARK(BM_ReceiveCorpus);

}  // namespace
}  // namespace tvq31

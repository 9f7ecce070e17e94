// The transmitter model and the transfer library's work per key.
#include <benchmark/benchmark.h>

#include <string>

#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transferinput.h"
#include "transmitter/transmitter.h"

namespace {

// NEC held 2 s as a protocol record (one full frame, repeat every 108 ms).
const char kNecRecord[] =
    "00011AC70A00162000130E169D0114140000221005108001020502C08002C082020E07CF87472047DF471047EFC003CF834000";

tvq31::Signal NecHeld() {
  tvq31::Signal s;
  s.carrier_hz = 38000;
  tvq31::SignalFrame full;
  full.durations = {9000, 4500};
  for (int i = 0; i < 32; ++i) {
    full.durations.push_back(560);
    full.durations.push_back(i % 3 ? 560 : 1690);
  }
  full.durations.push_back(560);
  full.gap = 40000;
  s.frames.push_back(full);
  for (int i = 0; i < 18; ++i) s.frames.push_back({{9000, 2250, 560}, 96000});
  return s;
}

void BM_TransmitProtocolRecord(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tvq31::TransmitKeyRecord(kNecRecord, 2000));
}
BENCHMARK(BM_TransmitProtocolRecord);

void BM_TransferKeyRecord(benchmark::State& state) {
  const std::string input = tvq31::BuildTransferInput(0x1A, tvq31::WriteLearnedCode(NecHeld()));
  for (auto _ : state) benchmark::DoNotOptimize(tvq31::TransferKeyRecord(input));
}
BENCHMARK(BM_TransferKeyRecord);

void BM_TransmitRawRecord(benchmark::State& state) {
  const std::string record = tvq31::BuildRawKeyRecord(NecHeld(), 0x1A);
  for (auto _ : state) benchmark::DoNotOptimize(tvq31::TransmitKeyRecord(record, 2000));
}
BENCHMARK(BM_TransmitRawRecord);

}  // namespace

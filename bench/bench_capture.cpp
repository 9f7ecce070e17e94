// Capture conversion and writing on a two-frame NEC-like press.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "capture/capturewriter.h"
#include "capture/convert.h"

namespace tvq31 {
namespace {

Signal NecTwoFrames() {
  std::vector<uint32_t> d = {9000, 4500};
  const uint8_t bytes[] = {0x04, 0xFB, 0x08, 0xF7};
  for (uint8_t byte : bytes) {
    for (int bit = 0; bit < 8; ++bit) {
      d.push_back(560);
      d.push_back((byte >> bit) & 1 ? 1690 : 560);
    }
  }
  d.push_back(560);
  Signal s;
  s.carrier_hz = 38000;
  s.frames.push_back({d, 40500});
  s.frames.push_back({{9000, 2250, 560}, 96190});
  return s;
}

void BM_ConvertCapture(benchmark::State& state) {
  const std::string capture = WriteCapture(NecTwoFrames());
  for (auto _ : state) {
    std::string text = ConvertCapture(capture);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ConvertCapture);

void BM_WriteCapture(benchmark::State& state) {
  const Signal signal = NecTwoFrames();
  for (auto _ : state) {
    std::string capture = WriteCapture(signal);
    benchmark::DoNotOptimize(capture);
  }
}
BENCHMARK(BM_WriteCapture);

}  // namespace
}  // namespace tvq31

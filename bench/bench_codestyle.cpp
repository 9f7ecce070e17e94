// The library file is read afresh on every recognition run, and every style
// tried may need its time unit: both sit inside the recogniser's budget.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "MrcDataUnit/codestyle.h"
#include "MrcDataUnit/stylesource.h"
#include "MrcDataUnit/timing.h"

using namespace tvq31;

namespace {

constexpr char kNec[] = R"(style NEC
carrier 38000
unit-divisor 1
u = +560 -560
v = +560 -1690
frame 0 = +9000 -4500 A0:8 A1:8 A2:8 A3:8 +560
sequence = h108:0
repeat 1
)";

ArrCodeStyleNode TwentyStyles() {
  ArrCodeStyleNode one;
  ParseStyleSource(kNec, "bench", one);
  return ArrCodeStyleNode(20, one.front());
}

void BM_ParseLibraryBytes20(benchmark::State& state) {
  const std::string bytes = WriteCodeStyleBytes(TwentyStyles());
  for (auto _ : state) {
    ArrCodeStyleNode nodes;
    benchmark::DoNotOptimize(ParseCodeStyleBytes(bytes, nodes));
  }
}
BENCHMARK(BM_ParseLibraryBytes20);

void BM_LoadLibraryFile20(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("tvq31-bench-" + std::to_string(::getpid()) + ".csl");
  std::ofstream(path, std::ios::binary) << WriteCodeStyleBytes(TwentyStyles());
  for (auto _ : state) {
    ArrCodeStyleNode nodes;
    benchmark::DoNotOptimize(LoadCodeStyleFile(path.string(), nodes));
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadLibraryFile20);

void BM_UnitAndMultiplierNec(benchmark::State& state) {
  const CodeStyleNode nec = TwentyStyles().front();
  for (auto _ : state) {
    std::vector<int32_t> values = CollectDurations(nec);
    const auto unit = FindTimeUnit(values, nec, kTickRate);
    benchmark::DoNotOptimize(DeviceUnit(*unit));
    benchmark::DoNotOptimize(FindMultiplier(values));
  }
}
BENCHMARK(BM_UnitAndMultiplierNec);

void BM_DumpAndBuild20(benchmark::State& state) {
  const ArrCodeStyleNode nodes = TwentyStyles();
  for (auto _ : state) {
    ArrCodeStyleNode back;
    benchmark::DoNotOptimize(ParseStyleSource(FormatLibrarySource(nodes), "bench", back));
  }
}
BENCHMARK(BM_DumpAndBuild20);

}  // namespace

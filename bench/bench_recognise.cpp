// RecogniseCapture on an NEC press against a library whose last style is the
// one that matches: the library file is read on every call, as in the
// learning flow.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "MrcDataUnit/codestyle.h"
#include "ValidatePro/recognise.h"
#include "hextext/hextext.h"

namespace tvq31 {
namespace {

constexpr uint32_t Mark(uint32_t us) { return MakeElement(0x04, us * 100); }
constexpr uint32_t Space(uint32_t us) { return MakeElement(0x00, us * 100); }

CodeStyleNode Nec(uint32_t lead_mark) {
  CodeStyleNode s;
  s.Name = "NEC";
  s.CarrierFreq = 38000;
  s.UnitDivisor = 1;
  s.GroupCount = 2;
  s.Groups[0].Count = 2;
  s.Groups[0].Elements = {Mark(560), Space(560)};
  s.Groups[1].Count = 2;
  s.Groups[1].Elements = {Mark(560), Space(1690)};
  s.FrameCount = 1;
  s.Frames[0].Count = 7;
  s.Frames[0].Elements = {Mark(lead_mark), Space(4500), MakeElement(8, 8), MakeElement(8, 24),
                          MakeElement(8, 40),   MakeElement(8, 56), Mark(560)};
  s.SequenceCount = 1;
  s.Sequence[0] = MakeElement(0x19, 10800);
  s.RepeatCount = 1;
  return s;
}

// An NEC press: one data frame and 18 repeat frames, as a two-second hold
// sends them (without the frame count and carrier field).
std::string NecPress() {
  const std::string bits = "vuuuuuuvuvuvuvuvvvvvuuuuuuuuvvvv";
  std::string f = WriteHex(8942, 4) + WriteHex(4558, 4);
  for (char c : bits) f += WriteHex(502, 4) + WriteHex(c == 'v' ? 1690 : 620, 4);
  f += WriteHex(502, 4) + "FEFE" + WriteHex(42, 4) + "EDED";
  for (int i = 0; i < 18; ++i) {
    f += WriteHex(8942, 4) + WriteHex(2250, 4) + WriteHex(502, 4);
    f += i < 17 ? "FEFE" + WriteHex(96, 4) + "EDED" : std::string("EDED");
  }
  return f;
}

// `misses` styles that fail on the first frame's lead, then the NEC style.
ArrCodeStyleNode Library(int misses) {
  ArrCodeStyleNode lib;
  for (int i = 0; i < misses; ++i) lib.push_back(Nec(static_cast<uint32_t>(3000 + 400 * i)));
  lib.push_back(Nec(9000));
  return lib;
}

void BM_RecogniseFile(benchmark::State& state) {
  const std::string path = "/tmp/tvq31-bench-recognise-" + std::to_string(getpid()) + ".csl";
  std::ofstream(path, std::ios::binary) << WriteCodeStyleBytes(Library(static_cast<int>(state.range(0))));
  const std::string press = NecPress();
  Recogniser r;
  for (auto _ : state) {
    RecognitionResult result = r.RecogniseCapture(press, 5, path);
    if (result.record.empty()) state.SkipWithError("no match");
    benchmark::DoNotOptimize(result);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_RecogniseFile)->Arg(0)->Arg(19)->Unit(benchmark::kMicrosecond);

void BM_RecogniseInMemory(benchmark::State& state) {
  const ArrCodeStyleNode lib = Library(static_cast<int>(state.range(0)));
  const std::string press = NecPress();
  Recogniser r;
  for (auto _ : state) {
    RecognitionResult result = r.RecogniseCapture(press, 5, lib);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_RecogniseInMemory)->Arg(0)->Arg(19)->Unit(benchmark::kMicrosecond);

// The same library prepared once, with the styles whose leader the capture's
// first frame does not fit passed over (second arg 1) or tried (0).
void BM_RecognisePrepared(benchmark::State& state) {
  const PreparedLibrary lib(Library(static_cast<int>(state.range(0))));
  const std::string press = NecPress();
  Recogniser r;
  r.prefilter = state.range(1) != 0;
  for (auto _ : state) {
    RecognitionResult result = r.RecogniseCapture(press, 5, lib);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_RecognisePrepared)
    ->Args({0, 1})
    ->Args({19, 0})
    ->Args({19, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tvq31

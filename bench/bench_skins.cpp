// LoadSkins' work: open the five skin containers, write the movie file,
// decode 512 GIF key pictures and 7 JPEG pictures into pixmaps. Target:
// under 30 ms. Also the movie reader on the generated capture animation and
// the player drawing one frame.
#include "skins/skins.h"
#include "swf/shockwaveflash.h"
#include "swf/swf_movie.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_LoadSkins(benchmark::State& state) {
  QTemporaryDir dir;
  const QString movie = dir.filePath(QStringLiteral("888.swf"));
  for (auto _ : state) {
    tvq31::SkinPictures pictures;
    if (!tvq31::LoadSkinFiles(QStringLiteral(TVQ31_BIN_DIR), movie, pictures)) {
      state.SkipWithError("skin containers missing: build skin_containers first");
      break;
    }
    benchmark::DoNotOptimize(pictures);
  }
  state.counters["pictures"] = 519;
}
BENCHMARK(BM_LoadSkins)->Unit(benchmark::kMillisecond);

QByteArray MovieBytes() {
  QFile f(QStringLiteral(TVQ31_BIN_DIR "/../artwork/btq0002/flash1.swf"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void BM_ReadCaptureMovie(benchmark::State& state) {
  const QByteArray bytes = MovieBytes();
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size()));
  for (auto _ : state) benchmark::DoNotOptimize(tvq31::swf::ReadMovie(data));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}
BENCHMARK(BM_ReadCaptureMovie)->Unit(benchmark::kMicrosecond);

void BM_RenderMovieFrame(benchmark::State& state) {
  tvq31::TShockwaveFlash player;
  player.SetMovie(QStringLiteral(TVQ31_BIN_DIR "/../artwork/btq0002/flash1.swf"));
  int frame = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(player.RenderFrame(frame, {413, 72}));
    frame = (frame + 1) % std::max(1, player.FrameCount());
  }
}
BENCHMARK(BM_RenderMovieFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// Storing one key record in a full key pad's table (77 keys) is what every
// learned key costs; the image is rebuilt whole each time.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "hextext/hextext.h"
#include "keytable/keytable.h"

namespace {

std::string Hex(std::mt19937& rng, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) tvq31::AppendByteHex(out, static_cast<int>(rng() & 0xFF));
  return out;
}

std::string Record(const std::string& code, const std::string& head, const std::string& data) {
  return "0001" + code + "C70A00" + tvq31::ByteHex(static_cast<int>(head.size() / 2)) + "0000" +
         tvq31::ByteHex(static_cast<int>(data.size() / 2)) + head + data;
}

// 77 keys (codes 00 to 4C), a few pairs, heads shared by groups of keys as
// remotes of one maker share them, data of 8 to 24 bytes, padded to the
// remote's 12288 characters.
std::string KeyPadImage() {
  std::mt19937 rng(77);
  const std::string heads[] = {Hex(rng, 6), Hex(rng, 8), Hex(rng, 5), Hex(rng, 12)};
  std::string image = "03" "5051" "5253" "5455" "00";  // pairs of keys without codes
  for (int code = 0; code < 77; ++code) {
    const std::string data = Hex(rng, 8 + static_cast<int>(rng() % 17));
    image = *tvq31::PutKeyRecord(image, Record(tvq31::ByteHex(code), heads[code % 4], data));
  }
  image.resize(tvq31::kRemoteImageChars, '\0');
  return image;
}

void BM_PutKeyRecord77Keys(benchmark::State& state) {
  const std::string image = KeyPadImage();
  std::mt19937 rng(1);
  const std::string record = Record("1A", Hex(rng, 6), Hex(rng, 16));
  for (auto _ : state) {
    auto out = tvq31::PutKeyRecord(image, record);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_PutKeyRecord77Keys)->Unit(benchmark::kMicrosecond);

void BM_ParseKeyStates77Keys(benchmark::State& state) {
  const std::string image = KeyPadImage();
  for (auto _ : state) {
    auto states = tvq31::ParseKeyStates(image);
    benchmark::DoNotOptimize(states);
  }
}
BENCHMARK(BM_ParseKeyStates77Keys)->Unit(benchmark::kMicrosecond);

}  // namespace

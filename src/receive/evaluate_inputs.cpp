// Reading the signals to evaluate and what the receiver makes of them.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"

namespace tvq31 {

namespace {

namespace fs = std::filesystem;

// .ir files of real remotes are a few kilobytes; anything this large is not
// one and is not read into memory.
constexpr std::uintmax_t kMaxIrFileBytes = 16u << 20;

bool HasIrExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".ir";
}

// The files a path stands for: itself, or the .ir files below it, sorted.
std::vector<fs::path> ExpandPath(const std::string& path, std::vector<std::string>& problems) {
  std::vector<fs::path> files;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    problems.push_back(path + ": no such file or folder");
    return files;
  }
  if (!fs::is_directory(status)) {
    files.emplace_back(path);
    return files;
  }
  fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
  const fs::recursive_directory_iterator end;
  while (!ec && it != end) {
    std::error_code file_ec;
    if (it->is_regular_file(file_ec) && HasIrExtension(it->path())) files.push_back(it->path());
    it.increment(ec);
  }
  if (ec) problems.push_back(path + ": " + ec.message());
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<std::string> ReadFile(const fs::path& path, std::string& why) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    why = ec.message();
    return std::nullopt;
  }
  if (size > kMaxIrFileBytes) {
    why = "larger than " + std::to_string(kMaxIrFileBytes >> 20) + " MiB, not an .ir file";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    why = "read error";
    return std::nullopt;
  }
  return text;
}

uint64_t SplitMix64(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

EvalInputs CollectEvalCases(const std::vector<std::string>& paths) {
  EvalInputs inputs;
  for (const std::string& path : paths) {
    for (const fs::path& file : ExpandPath(path, inputs.problems)) {
      const std::string name = file.string();
      std::string why;
      const std::optional<std::string> text = ReadFile(file, why);
      if (!text) {
        inputs.problems.push_back(name + ": " + why);
        continue;
      }
      std::optional<std::vector<IrEntry>> entries = ParseFlipperIr(*text, &why);
      if (!entries) {
        inputs.problems.push_back(name + ": " + why);
        continue;
      }
      for (const IrEntry& entry : *entries) {
        if (!entry.error.empty()) {
          inputs.problems.push_back(name + ": " + entry.error);
          continue;
        }
        std::optional<Signal> signal = EntrySignal(entry, kDefaultHoldMs, &why);
        if (!signal || MarkCount(*signal) == 0) {
          inputs.problems.push_back(name + ": entry \"" + entry.name + "\" (line " +
                                    std::to_string(entry.line) +
                                    "): " + (signal ? "no mark" : why));
          continue;
        }
        EvalCase c;
        c.file = name;
        c.name = entry.name;
        c.parsed = entry.parsed;
        c.protocol = entry.parsed ? entry.protocol : "raw";
        c.signal = std::move(*signal);
        inputs.cases.push_back(std::move(c));
      }
    }
  }
  return inputs;
}

Signal ReceivedSignal(const EvalCase& c, uint64_t seed, size_t position) {
  if (!c.parsed) return c.signal;
  return DistortSignal(c.signal, SplitMix64(seed ^ SplitMix64(position)));
}

}  // namespace tvq31

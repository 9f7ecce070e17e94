#include "family_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "transmitter/transmitter.h"

namespace tvq31::familytest {

std::string LibraryPath() { return std::string(TVQ31_BIN_DIR) + "/QD01.csl"; }

RecognitionResult RecogniseSignal(const Signal& signal) {
  const ConvertedCapture conv = ConvertCaptureFull(WriteCapture(signal));
  if (conv.text.empty()) return {};
  Recogniser recogniser;
  return recogniser.RecogniseCapture(std::string_view(conv.text).substr(conv.frames_start), 0x1A,
                                     LibraryPath());
}

Signal PlayBack(const std::string& record, uint32_t hold_ms) {
  std::optional<Signal> s = TransmitKeyRecord(record, hold_ms);
  return s ? *s : Signal{};
}

bool CorpusAvailable() {
  return std::filesystem::is_directory(std::string(TVQ31_CORPUS_DIR) + "/flipper-irdb");
}

std::vector<Signal> CorpusSignals(const std::string& file, const std::string& name) {
  const std::string path = std::string(TVQ31_CORPUS_DIR) + "/flipper-irdb/" + file;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<Signal> out;
  std::optional<std::vector<IrEntry>> entries = ParseFlipperIr(text.str());
  if (entries) {
    for (const IrEntry& e : *entries) {
      if (e.name != name || e.parsed || !e.error.empty()) continue;
      if (std::optional<Signal> s = EntrySignal(e)) out.push_back(*s);
    }
  }
  EXPECT_FALSE(out.empty()) << "no raw entry \"" << name << "\" in " << path;
  return out;
}

Signal FirstFrame(const Signal& signal) {
  Signal out;
  out.carrier_hz = signal.carrier_hz;
  if (!signal.frames.empty()) out.frames.push_back(signal.frames.front());
  return out;
}

std::vector<DecodedFrame> Says(const Signal& signal) { return PressValues(DecodeSignal(signal)); }

}  // namespace tvq31::familytest

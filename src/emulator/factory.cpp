// The remote as it leaves the factory. Its TV keys carry downloaded codes of
// an NEC TV remote; they are made here the way a learned key is made (press,
// capture, conversion, recognition, key record), so the emulated remote can
// play every one of them like a real remote plays its factory codes.
#include <unistd.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "MrcDataUnit/codestyle.h"
#include "ValidatePro/recognise.h"
#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"
#include "keytable/keytable.h"
#include "remote.h"
#include "transmitter/rawrecord.h"
#include "transmitter/transmitter.h"

namespace tvq31::remote {

namespace {

// NEC codes of a TV (address 0x04); the commands follow the usual layout of
// such sets.
constexpr uint32_t kTvAddress = 0x04;
constexpr std::array<std::pair<int, uint32_t>, 12> kFactoryKeys{{
    {0x01, 0x02},  // TV/Vol+
    {0x03, 0x13},  // TV/3
    {0x05, 0x12},  // TV/2
    {0x06, 0x08},  // POWER/TV
    {0x07, 0x11},  // TV/1
    {0x08, 0x03},  // TV/Vol-
    {0x09, 0x00},  // TV/Channel+
    {0x0A, 0x16},  // TV/6
    {0x0C, 0x15},  // TV/5
    {0x0E, 0x14},  // TV/4
    {0x10, 0x01},  // TV/Channel-
    {0x12, 0x09},  // TV/Mute
}};

// Downloaded codes keep the learned bit (0x40) clear.
constexpr int kDownloadedKeyType = 0x8F;

// The key pair: storing a code on either key dissolves it.
constexpr std::pair<int, int> kFactoryPair{0x01, 0x49};  // TV/Vol+, AMP/Vol+

// The key record of one factory key: the press captured and converted, then
// recognised with `library` (when loaded) or kept as a raw record. Empty
// when neither gives a record.
std::string FactoryKeyRecord(int key_code, uint32_t command, const ArrCodeStyleNode* library,
                             Recogniser& recogniser) {
  const auto signal = EncodeProtocol("NEC", kTvAddress, command, kDefaultHoldMs);
  if (!signal) return {};
  const ConvertedCapture converted = ConvertCaptureFull(WriteCapture(*signal));
  if (converted.text.empty()) return {};
  if (library != nullptr) {
    const std::string_view frames = std::string_view(converted.text).substr(converted.frames_start);
    RecognitionResult result = recogniser.RecogniseCapture(frames, key_code, *library);
    if (!result.record.empty() && TransmitKeyRecord(result.record)) return result.record;
  }
  return RawKeyRecordFromLearnedCode(converted.text, key_code);
}

}  // namespace

std::string LibraryBesideExecutable() {
  std::vector<char> buf(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  std::string dir = "./";
  if (n > 0) {
    const std::string path(buf.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) dir = path.substr(0, slash + 1);
  }
  return dir + kLibraryFileName;
}

std::string DefaultTable(const std::string& library_path) {
  ArrCodeStyleNode library;
  const bool have_library = LoadCodeStyleFile(library_path, library);
  Recogniser recogniser;

  struct Part {
    int code;
    std::string head, data;  // hexadecimal digits
  };
  std::vector<Part> parts;
  for (const auto& [code, command] : kFactoryKeys) {
    const std::string record =
        FactoryKeyRecord(code, command, have_library ? &library : nullptr, recogniser);
    const auto taken = ParseKeyRecordParts(record);
    if (!taken || taken->head.empty() || taken->data.empty()) continue;
    std::string head, data;
    for (uint8_t b : taken->head) AppendByteHex(head, b);
    for (uint8_t b : taken->data) AppendByteHex(data, b);
    parts.push_back({code, std::move(head), std::move(data)});
  }

  // A plain image first (every key's head and data side by side), then
  // rebuilt by the key table code itself, which shares equal heads and puts
  // everything in key code order. The rebuild stores a deletion record for
  // key FF, which no key pad key uses and the factory never fills.
  std::string image;
  AppendByteHex(image, 1);
  AppendByteHex(image, kFactoryPair.first);
  AppendByteHex(image, kFactoryPair.second);
  AppendByteHex(image, static_cast<int>(parts.size()));
  size_t offset = 2 + 2 + 8 * parts.size();
  std::string area;
  for (const Part& p : parts) {
    const size_t head_len = p.head.size() / 2, data_len = p.data.size() / 2;
    AppendByteHex(image, p.code);
    AppendByteHex(image, kDownloadedKeyType);
    AppendByteHex(image, static_cast<int>(offset & 0xFF));
    AppendByteHex(image, static_cast<int>(offset >> 8));
    AppendByteHex(image, static_cast<int>(head_len));
    AppendByteHex(image, static_cast<int>((offset + head_len) & 0xFF));
    AppendByteHex(image, static_cast<int>((offset + head_len) >> 8));
    AppendByteHex(image, static_cast<int>(data_len));
    offset += head_len + data_len;
    area += p.head + p.data;
  }
  image += area;
  const auto rebuilt = PutKeyRecord(image, OneKeyDeletionRecord("FF"));
  return rebuilt ? *rebuilt : image;
}

std::string DefaultTable() {
  static const std::string table = DefaultTable(LibraryBesideExecutable());
  return table;
}

RemoteState FactoryState(const std::string& identity) {
  return RemoteState{identity, "01", "02", "0002", DefaultTable()};
}

}  // namespace tvq31::remote

#include "transmit.h"

#include "hextext/hextext.h"
#include "transmitter/signalformat.h"
#include "transmitter/transmitter.h"

namespace tvq31::remote {

namespace {

// Byte `index` of the image, or -1 when it lies outside or is not hex.
int ByteAt(std::string_view image, size_t index) {
  if (index * 2 + 2 > image.size()) return -1;
  const auto v = ReadHexNumber(image.substr(index * 2, 2));
  return v ? *v : -1;
}

}  // namespace

std::optional<StoredKey> FindStoredKey(std::string_view image, int key_code) {
  const int pairs = ByteAt(image, 0);
  if (pairs < 0) return std::nullopt;
  const size_t dir_count_at = 1 + 2 * static_cast<size_t>(pairs);
  const int entries = ByteAt(image, dir_count_at);
  if (entries < 0) return std::nullopt;
  std::optional<StoredKey> found;
  for (int i = 0; i < entries; ++i) {
    const size_t at = dir_count_at + 1 + 8 * static_cast<size_t>(i);
    int b[8];
    for (int k = 0; k < 8; ++k) {
      b[k] = ByteAt(image, at + k);
      if (b[k] < 0) return std::nullopt;
    }
    if (b[0] != key_code) continue;
    const size_t head_offset = static_cast<size_t>(b[2] | b[3] << 8);
    const size_t head_length = static_cast<size_t>(b[4]);
    const size_t data_offset = static_cast<size_t>(b[5] | b[6] << 8);
    const size_t data_length = static_cast<size_t>(b[7]);
    if ((head_offset + head_length) * 2 > image.size() ||
        (data_offset + data_length) * 2 > image.size()) {
      return std::nullopt;
    }
    found = StoredKey{b[1], std::string(image.substr(head_offset * 2, head_length * 2)),
                      std::string(image.substr(data_offset * 2, data_length * 2))};
  }
  return found;
}

std::optional<std::string> TransmitStoredKey(std::string_view image, int key_code,
                                             std::string* error) {
  const auto key = FindStoredKey(image, key_code);
  if (!key || key->head.empty() || key->data.empty()) {
    *error = "key " + ByteHex(key_code) + " has no code";
    return std::nullopt;
  }
  // The key as a one-key record, the form the transmitter model plays.
  const size_t head_length = key->head.size() / 2, data_length = key->data.size() / 2;
  std::string record = "0001";
  AppendByteHex(record, key_code);
  AppendByteHex(record, key->key_type);
  record += "0A00";
  AppendByteHex(record, static_cast<int>(head_length));
  AppendByteHex(record, static_cast<int>((10 + head_length) & 0xFF));
  AppendByteHex(record, static_cast<int>((10 + head_length) >> 8));
  AppendByteHex(record, static_cast<int>(data_length));
  record += key->head + key->data;
  std::string reason;
  const auto signal = TransmitKeyRecord(record, kDefaultHoldMs, &reason);
  if (!signal) {
    *error = "key " + ByteHex(key_code) + " cannot be played: " + reason;
    return std::nullopt;
  }
  return FlipperRawEntry(*signal, "KEY_" + ByteHex(key_code));
}

}  // namespace tvq31::remote

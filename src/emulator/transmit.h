// `tvq31-remote transmit KEYCODE`: what the remote would send for a stored
// key. The key is found in the key table image here; turning its record into
// a signal is the transmitter model's work.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvq31::remote {

struct StoredKey {
  int key_type = 0;
  std::string head;  // hexadecimal digits
  std::string data;
};

// The key's head and data as the remote would read them: the last directory
// entry with this key code, its head and data located by offset and length.
// Nothing when the image is malformed, the key has no entry, or an offset
// points outside the image.
std::optional<StoredKey> FindStoredKey(std::string_view image, int key_code);

// The transmit hook of the remote (RemoteCore::set_transmit_hook).
std::optional<std::string> TransmitStoredKey(std::string_view image, int key_code,
                                             std::string* error);

}  // namespace tvq31::remote

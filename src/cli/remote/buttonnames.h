// Button names as other remotes' code files spell them ("Power", "Vol_up",
// "VOL+", "KEY_VOLUMEUP", "Ch_next", "OK" ...) matched to the keys of one
// device section of the key pad. Names are compared after NormalizeButtonName,
// so case and separators do not matter. A map file can override the table.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keypad/keypad.h"

namespace tvq31::cli {

// The four device sections whose keys `remote program` fills.
enum class Device { kTV, kDVD, kCBL, kAMP };

// "TV", "DVD", "CBL", "AMP" (case-insensitive).
std::optional<Device> ParseDevice(std::string_view name);
const char* DeviceName(Device device);

// Lower case, letters and digits only: "+" reads "plus", a "-" that ends the
// name reads "minus" ("VOL-" is "volminus"), every other character is a
// separator and dropped. A name without any letter or digit ("--", "-/--")
// reads "dash"; an empty one stays empty and matches nothing.
std::string NormalizeButtonName(std::string_view name);

// The key of `device` that the name table gives `name`, or nullptr.
// A name of a kind the device has no key for (Mute on AMP) gives nullptr.
const KeySpec* MatchButtonName(std::string_view name, Device device);

// The kinds of button the table knows, each with the key it takes on every
// device (empty where the device has none) and its names in normalized form.
// For the documentation and its check.
struct ButtonKind {
  const char* kind;
  const char* tv;
  const char* dvd;
  const char* cbl;
  const char* amp;
  std::vector<const char*> names;
};
const std::vector<ButtonKind>& ButtonNameTable();

// A key named on the command line or in a map file: a key code ("1A"), a
// key name ("TV/Vol+", "POWER/TV"), or for `device` the name of one of its
// keys without the section ("Vol+", "Power"). Two hexadecimal digits are a
// key code when a key has that code ("CD" is otherwise AMP's CD key).
// nullptr with a reason when no key or more than one key (the OptionalKey
// keys) has that name.
const KeySpec* FindKeyByName(std::string_view text, std::optional<Device> device,
                             std::string* error);

// A map file: one "NAME = KEY" a line ('#' starts a comment), KEY as
// FindKeyByName reads it, or "-" to leave the button out. Later lines win.
struct ButtonMapEntry {
  std::string normalized_name;
  const KeySpec* key = nullptr;  // nullptr: leave the button out
};
std::optional<std::vector<ButtonMapEntry>> ParseButtonMap(std::string_view text, Device device,
                                                         std::string* error);

// How a button name finds its key: the map first (its last line for the
// name), then the table.
struct ButtonMatch {
  const KeySpec* key = nullptr;
  bool from_map = false;
  bool left_out = false;  // the map says "-"
};
ButtonMatch MatchButton(std::string_view name, Device device,
                        const std::vector<ButtonMapEntry>& map);

}  // namespace tvq31::cli

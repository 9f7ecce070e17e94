// The on-screen remote: the 77 keys of the key pad with their names, key
// codes and places on the remote panel, in the order of their numbers
// (IBtn1 ... IBtn77). Later keys lie on top of earlier ones where they
// overlap, so a press there reaches the later key.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tvq31 {

struct KeySpec {
  int number;        // n of IBtn<n>
  const char* path;  // section, "/", key name: shown in messages
  const char* code;  // key code: slot in the key table, index of its pictures
  int left, top, width, height;  // on the remote panel
};

inline constexpr int kKeyCount = 77;
extern const std::array<KeySpec, kKeyCount> kKeyPad;

// The remote panel `ykqbox` on the main window.
inline constexpr int kPanelLeft = 146;
inline constexpr int kPanelTop = 0;
inline constexpr int kPanelWidth = 197;
inline constexpr int kPanelHeight = 731;

// The key with this key code ("00" ... "56"), if any.
const KeySpec* FindKeyByCode(std::string_view code);

// A short legend for the key's picture ("VOL+", "OK", "▲" ...).
const char* KeyLegend(const KeySpec& key);

}  // namespace tvq31

#include "keypad/keypad.h"

#include <cstring>

namespace tvq31 {

const std::array<KeySpec, kKeyCount> kKeyPad = {{
    {1, "POWER/TV", "06", 26, 63, 34, 26},
    {2, "POWER/DVD", "04", 62, 63, 34, 26},
    {3, "POWER/CBL", "02", 104, 63, 34, 26},
    {4, "POWER/AMP", "00", 142, 64, 30, 25},
    {5, "TV/1", "07", 27, 96, 34, 22},
    {6, "TV/2", "05", 62, 96, 34, 22},
    {7, "TV/3", "03", 104, 96, 34, 21},
    {8, "TV/Vol+", "01", 143, 96, 34, 21},
    {9, "TV/4", "0E", 27, 124, 32, 20},
    {10, "TV/5", "0C", 62, 124, 34, 21},
    {11, "TV/6", "0A", 105, 124, 31, 22},
    {12, "TV/Vol-", "08", 143, 124, 31, 21},
    {13, "TV/7", "0F", 27, 149, 31, 21},
    {14, "TV/8", "0D", 62, 149, 32, 19},
    {15, "TV/9", "0B", 105, 149, 34, 21},
    {16, "TV/Channel+", "09", 143, 148, 31, 21},
    {17, "TV/--", "16", 27, 175, 32, 21},
    {18, "TV/0", "14", 62, 176, 34, 26},
    {19, "TV/Mute", "12", 105, 176, 32, 19},
    {20, "TV/Channel-", "10", 143, 176, 33, 19},
    {21, "TV/Menu", "17", 26, 200, 34, 20},
    {22, "TV/AV/TV", "15", 63, 200, 34, 19},
    {23, "TV/OptionalKey", "13", 105, 199, 34, 19},
    {24, "TV/OptionalKey", "11", 143, 198, 30, 20},
    {25, "DVD/1", "1E", 26, 234, 31, 19},
    {26, "DVD/2", "1C", 63, 234, 34, 22},
    {27, "DVD/3", "1A", 105, 234, 34, 21},
    {28, "DVD/4", "18", 144, 234, 33, 20},
    {29, "DVD/5", "1F", 26, 258, 31, 21},
    {30, "DVD/6", "1D", 63, 258, 33, 22},
    {31, "DVD/7", "1B", 106, 258, 32, 22},
    {32, "DVD/8", "19", 144, 258, 34, 26},
    {33, "DVD/9", "26", 26, 285, 31, 20},
    {34, "DVD/0", "24", 63, 285, 33, 21},
    {35, "DVD/--", "22", 106, 285, 34, 26},
    {36, "DVD/Menu", "20", 144, 284, 32, 21},
    {37, "DVD/OptionalKey", "27", 26, 311, 28, 21},
    {38, "DVD/Up", "23", 82, 307, 40, 23},
    {39, "DVD/Right", "2A", 115, 324, 22, 37},
    {40, "DVD/OptionalKey", "21", 143, 310, 29, 19},
    {41, "DVD/Left", "2E", 64, 324, 20, 39},
    {42, "DVD/Enter", "2C", 82, 325, 32, 28},
    {43, "AMP/Vol+", "49", 142, 572, 34, 21},
    {44, "DVD/OptionalKey", "29", 143, 359, 30, 21},
    {45, "CBL/Guide", "3E", 26, 441, 30, 22},
    {46, "DVD/Down", "2B", 83, 359, 42, 21},
    {47, "AMP/OptionalKey", "54", 63, 601, 34, 16},
    {48, "DVD/OptionalKey", "2F", 26, 359, 28, 22},
    {49, "DVD/StepBackward", "36", 26, 387, 30, 19},
    {50, "DVD/Rewind", "34", 63, 387, 31, 17},
    {51, "DVD/Pause", "33", 105, 412, 33, 18},
    {52, "DVD/Forward", "32", 105, 387, 31, 19},
    {53, "DVD/Record", "37", 26, 411, 26, 16},
    {54, "DVD/Stop", "35", 63, 412, 31, 17},
    {55, "DVD/Play", "31", 144, 412, 30, 16},
    {56, "DVD/StepForward", "30", 145, 387, 32, 18},
    {57, "AMP/DSP", "56", 26, 599, 30, 16},
    {58, "AMP/VCD", "4D", 63, 573, 34, 26},
    {59, "CBL/Up", "3C", 82, 440, 39, 21},
    {60, "CBL/Quit", "38", 143, 441, 28, 21},
    {61, "CBL/Left", "3F", 63, 458, 20, 43},
    {62, "CBL/OptionalKey", "40", 143, 492, 30, 23},
    {63, "AMP/OptionalKey", "52", 104, 600, 34, 17},
    {64, "CBL/Right", "3B", 116, 459, 22, 39},
    {65, "CBL/Menu", "46", 26, 491, 28, 21},
    {66, "CBL/StepBackward", "47", 26, 520, 30, 18},
    {67, "AMP/Vol-", "50", 142, 601, 32, 18},
    {68, "CBL/Enter", "3D", 82, 459, 33, 34},
    {69, "CBL/Rewind", "45", 63, 520, 35, 19},
    {70, "CBL/Forward", "43", 98, 520, 35, 19},
    {71, "CBL/Down", "44", 82, 495, 39, 19},
    {72, "CBL/StepForward", "41", 143, 520, 32, 18},
    {73, "CBL/Stop", "4E", 26, 544, 30, 18},
    {74, "AMP/CD", "4B", 104, 574, 34, 21},
    {75, "CBL/Play", "4A", 63, 543, 71, 18},
    {76, "CBL/Pause", "48", 143, 543, 31, 19},
    {77, "AMP/DVD", "4F", 26, 573, 29, 15},
}};

const KeySpec* FindKeyByCode(std::string_view code) {
  for (const KeySpec& key : kKeyPad) {
    if (code == key.code) return &key;
  }
  return nullptr;
}

const char* KeyLegend(const KeySpec& key) {
  struct Legend {
    const char* name;
    const char* legend;
  };
  static constexpr Legend kLegends[] = {
      {"Vol+", "VOL+"},        {"Vol-", "VOL-"},     {"Channel+", "CH+"},
      {"Channel-", "CH-"},     {"Mute", "MUTE"},     {"Menu", "MENU"},
      {"AV/TV", "AV/TV"},      {"OptionalKey", "•"}, {"Up", "▲"},
      {"Down", "▼"},           {"Left", "◀"},        {"Right", "▶"},
      {"Enter", "OK"},         {"StepBackward", "|◀◀"}, {"Rewind", "◀◀"},
      {"Pause", "❚❚"},         {"Forward", "▶▶"},    {"Record", "●"},
      {"Stop", "■"},           {"Play", "▶"},        {"StepForward", "▶▶|"},
      {"Guide", "GUIDE"},      {"Quit", "EXIT"},
  };
  const char* slash = std::strchr(key.path, '/');
  const char* name = slash ? slash + 1 : key.path;
  for (const Legend& l : kLegends) {
    if (std::strcmp(l.name, name) == 0) return l.legend;
  }
  return name;  // digits, "--", device names of the power keys, DSP, CD ...
}

}  // namespace tvq31

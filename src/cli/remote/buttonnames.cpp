#include "remote/buttonnames.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tvq31::cli {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// Prefixes that code files put before a button's own name ("KEY_POWER",
// "BTN_OK", "Num_1"); tried when the whole name is not in the table.
constexpr const char* kPrefixes[] = {"key", "button", "btn", "number", "num", "digit"};

// The key name of `kind` on `device` ("" when it has none).
const char* KeyOf(const ButtonKind& kind, Device device) {
  switch (device) {
    case Device::kTV: return kind.tv;
    case Device::kDVD: return kind.dvd;
    case Device::kCBL: return kind.cbl;
    case Device::kAMP: return kind.amp;
  }
  return "";
}

const ButtonKind* FindKind(const std::string& normalized) {
  for (const ButtonKind& kind : ButtonNameTable()) {
    for (const char* name : kind.names) {
      if (normalized == name) return &kind;
    }
  }
  return nullptr;
}

}  // namespace

std::optional<Device> ParseDevice(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "tv") return Device::kTV;
  if (lower == "dvd") return Device::kDVD;
  if (lower == "cbl") return Device::kCBL;
  if (lower == "amp") return Device::kAMP;
  return std::nullopt;
}

const char* DeviceName(Device device) {
  switch (device) {
    case Device::kTV: return "TV";
    case Device::kDVD: return "DVD";
    case Device::kCBL: return "CBL";
    case Device::kAMP: return "AMP";
  }
  return "";
}

std::string NormalizeButtonName(std::string_view name) {
  name = Trim(name);
  // Where the name's last letter or digit stands: a '-' after it ends the
  // name and means "minus".
  size_t last_alnum = std::string_view::npos;
  for (size_t i = 0; i < name.size(); ++i) {
    if (std::isalnum(static_cast<unsigned char>(name[i]))) last_alnum = i;
  }
  if (name.empty()) return "";
  if (last_alnum == std::string_view::npos) return "dash";
  std::string out;
  bool minus_done = false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (std::isalnum(c)) {
      out += static_cast<char>(std::tolower(c));
    } else if (c == '+') {
      out += "plus";
    } else if (c == '-' && i > last_alnum && !minus_done) {
      out += "minus";
      minus_done = true;
    }
  }
  return out;
}

const std::vector<ButtonKind>& ButtonNameTable() {
  // Key names as the key pad writes them; "POWER" is the device's power key.
  static const std::vector<ButtonKind> kTable = {
      {"power", "POWER", "POWER", "POWER", "POWER",
       {"power", "pwr", "onoff", "poweronoff", "powertoggle", "togglepower", "standby"}},
      {"1", "1", "1", "", "", {"1", "one"}},
      {"2", "2", "2", "", "", {"2", "two"}},
      {"3", "3", "3", "", "", {"3", "three"}},
      {"4", "4", "4", "", "", {"4", "four"}},
      {"5", "5", "5", "", "", {"5", "five"}},
      {"6", "6", "6", "", "", {"6", "six"}},
      {"7", "7", "7", "", "", {"7", "seven"}},
      {"8", "8", "8", "", "", {"8", "eight"}},
      {"9", "9", "9", "", "", {"9", "nine"}},
      {"0", "0", "0", "", "", {"0", "zero"}},
      {"--", "--", "--", "", "", {"dash", "digits", "hyphen", "10plus"}},
      {"volume up", "Vol+", "", "", "Vol+",
       {"volup", "volumeup", "volplus", "volumeplus", "vplus", "vup", "volinc", "volumeinc",
        "louder"}},
      {"volume down", "Vol-", "", "", "Vol-",
       {"voldn", "voldown", "volumedown", "volumedn", "volminus", "volumeminus", "vminus", "vdown",
        "vdn", "voldec", "volumedec", "quieter"}},
      {"channel up", "Channel+", "", "", "",
       {"chup", "channelup", "chplus", "channelplus", "chnext", "channelnext", "chanup",
        "chanplus", "cplus", "pplus", "prplus", "progplus", "progup", "programup",
        "programplus"}},
      {"channel down", "Channel-", "", "", "",
       {"chdn", "chdown", "channeldown", "channeldn", "chminus", "channelminus", "chprev",
        "channelprev", "chandown", "chanminus", "cminus", "pminus", "prminus", "progminus",
        "progdown", "programdown", "programminus"}},
      {"mute", "Mute", "", "", "", {"mute", "muting", "audiomute"}},
      {"menu", "Menu", "Menu", "Menu", "",
       {"menu", "mainmenu", "setupmenu", "dvdmenu", "discmenu", "rootmenu"}},
      {"input", "AV/TV", "", "", "",
       {"input", "source", "src", "avtv", "tvav", "av", "inputselect", "selectinput",
        "inputsource", "tvvideo"}},
      {"up", "", "Up", "Up", "", {"up", "arrowup", "uparrow", "navup", "cursorup", "dirup"}},
      {"down", "", "Down", "Down", "",
       {"down", "dn", "arrowdown", "downarrow", "navdown", "cursordown", "dirdown"}},
      {"left", "", "Left", "Left", "",
       {"left", "arrowleft", "leftarrow", "navleft", "cursorleft", "dirleft"}},
      {"right", "", "Right", "Right", "",
       {"right", "arrowright", "rightarrow", "navright", "cursorright", "dirright"}},
      {"ok", "", "Enter", "Enter", "", {"ok", "enter", "select", "confirm", "okay", "okenter"}},
      {"play", "", "Play", "Play", "", {"play"}},
      {"pause", "", "Pause", "Pause", "", {"pause"}},
      {"stop", "", "Stop", "Stop", "", {"stop"}},
      {"rewind", "", "Rewind", "Rewind", "",
       {"rewind", "rew", "rw", "fastrewind", "fastbackward", "backward", "fr", "scanback"}},
      {"forward", "", "Forward", "Forward", "",
       {"forward", "fastforward", "ff", "fwd", "ffwd", "fastfwd", "scanforward"}},
      {"record", "", "Record", "", "", {"record", "rec"}},
      {"next", "", "StepForward", "StepForward", "",
       {"next", "skipforward", "skipnext", "skipfwd", "nexttrack", "nextchapter", "chapternext",
        "stepforward", "stepfwd"}},
      {"previous", "", "StepBackward", "StepBackward", "",
       {"prev", "previous", "skipback", "skipbackward", "skipprev", "prevtrack", "previoustrack",
        "prevchapter", "chapterprev", "stepback", "stepbackward", "replay"}},
      {"guide", "", "", "Guide", "", {"guide", "epg", "tvguide", "programguide"}},
      {"exit", "", "", "Quit", "", {"exit", "quit", "back", "return"}},
      {"dsp", "", "", "", "DSP", {"dsp", "soundmode", "soundfield", "surround"}},
      {"cd", "", "", "", "CD", {"cd"}},
      {"vcd", "", "", "", "VCD", {"vcd"}},
      {"dvd", "", "", "", "DVD", {"dvd"}},
  };
  return kTable;
}

const KeySpec* MatchButtonName(std::string_view name, Device device) {
  const std::string normalized = NormalizeButtonName(name);
  const ButtonKind* kind = FindKind(normalized);
  for (const char* prefix : kPrefixes) {
    if (kind) break;
    const size_t len = std::strlen(prefix);
    if (normalized.size() > len && normalized.compare(0, len, prefix) == 0) {
      kind = FindKind(normalized.substr(len));
    }
  }
  if (!kind) return nullptr;
  const char* key_name = KeyOf(*kind, device);
  if (*key_name == '\0') return nullptr;
  const std::string path = std::strcmp(key_name, "POWER") == 0
                               ? std::string("POWER/") + DeviceName(device)
                               : std::string(DeviceName(device)) + "/" + key_name;
  for (const KeySpec& key : kKeyPad) {
    if (path == key.path) return &key;
  }
  return nullptr;
}

const KeySpec* FindKeyByName(std::string_view text, std::optional<Device> device,
                             std::string* error) {
  text = Trim(text);
  if (text.size() == 2 && std::isxdigit(static_cast<unsigned char>(text[0])) &&
      std::isxdigit(static_cast<unsigned char>(text[1]))) {
    std::string code(text);
    for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (const KeySpec* key = FindKeyByCode(code)) return key;
    // Not a key code; it may still be a name ("CD" of AMP).
  }
  const std::string lower = Lower(text);
  std::vector<const KeySpec*> found;
  for (const KeySpec& key : kKeyPad) {
    const std::string path = Lower(key.path);
    bool match = path == lower;
    if (!match && device) {
      // Within the device's section: "Vol+" is "TV/Vol+", "Power" its power key.
      const std::string section = Lower(DeviceName(*device));
      match = path == section + "/" + lower ||
              (lower == "power" && path == "power/" + section);
    }
    if (match) found.push_back(&key);
  }
  if (found.size() == 1) return found.front();
  if (found.empty()) {
    *error = "no key has the code or name \"" + std::string(text) + "\"";
    return nullptr;
  }
  std::string codes;
  for (const KeySpec* key : found) codes += std::string(codes.empty() ? "" : ", ") + key->code;
  *error = std::string(text);
  error->insert(error->begin(), '"');
  *error += "\" names several keys (" + codes + "); give the key code";
  return nullptr;
}

std::optional<std::vector<ButtonMapEntry>> ParseButtonMap(std::string_view text, Device device,
                                                         std::string* error) {
  std::vector<ButtonMapEntry> map;
  int line_no = 0;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++line_no;
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
      line = line.substr(0, hash);
    }
    line = Trim(line);
    if (line.empty()) continue;
    const size_t eq = line.rfind('=');
    if (eq == std::string_view::npos) {
      *error = "map line " + std::to_string(line_no) + ": expected NAME = KEY";
      return std::nullopt;
    }
    const std::string_view name = Trim(line.substr(0, eq));
    const std::string_view target = Trim(line.substr(eq + 1));
    if (name.empty() || target.empty()) {
      *error = "map line " + std::to_string(line_no) + ": expected NAME = KEY";
      return std::nullopt;
    }
    ButtonMapEntry entry;
    entry.normalized_name = NormalizeButtonName(name);
    if (target != "-") {
      std::string reason;
      entry.key = FindKeyByName(target, device, &reason);
      if (!entry.key) {
        *error = "map line " + std::to_string(line_no) + ": " + reason;
        return std::nullopt;
      }
    }
    map.push_back(std::move(entry));
  }
  return map;
}

ButtonMatch MatchButton(std::string_view name, Device device,
                        const std::vector<ButtonMapEntry>& map) {
  const std::string normalized = NormalizeButtonName(name);
  for (auto it = map.rbegin(); it != map.rend(); ++it) {
    if (it->normalized_name != normalized) continue;
    ButtonMatch match;
    match.from_map = true;
    match.key = it->key;
    match.left_out = it->key == nullptr;
    return match;
  }
  ButtonMatch match;
  match.key = MatchButtonName(name, device);
  return match;
}

}  // namespace tvq31::cli

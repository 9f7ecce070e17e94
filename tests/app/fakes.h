// A scripted remote and display for the window tests.
#pragma once

#include "devicelink/device_access.h"
#include "display/display_modes.h"

#include <deque>
#include <string>
#include <string_view>

namespace tvq31::testing {

// Basic information as the remote delivers it: 1024 characters, the
// identity at 1-30, the version pairs at 65-68, the type code at 71-74.
inline std::string BasicInfo(std::string_view type, std::string_view pair1,
                             std::string_view pair2,
                             std::string_view identity = "REMOTE-0001") {
  std::string info(kBasicInfoSize, '\0');
  info.replace(0, identity.size(), identity);
  info.replace(64, 2, pair1);
  info.replace(66, 2, pair2);
  info.replace(70, 4, type);
  return info;
}

// A key table image padded with zero characters to the remote's size.
inline std::string KeyTableImage(std::string_view content) {
  std::string image(content);
  image.resize(kKeyTableSize, '\0');
  return image;
}

// Key 1A holds a learned code (type CF), key 07 a downloaded one (type 8F).
inline constexpr std::string_view kLearnedKey1A = "00011ACF0A00050F00020102030405AABB";
inline constexpr std::string_view kDownloadedKey07 = "0001078F0A00050F00020102030405AABB";

class FakeDevice : public DeviceAccess {
 public:
  // Answers of link_state in turn; the last one repeats.
  std::deque<bool> link = {true};
  std::string basic_info = BasicInfo("0002", "01", "02");
  std::string key_table = KeyTableImage("0000");
  int basic_info_reads = 0;
  int link_calls = 0;

  bool LinkState() override {
    ++link_calls;
    bool answer = link.front();
    if (link.size() > 1) link.pop_front();
    return answer;
  }
  std::string ReadBasicInfo() override {
    ++basic_info_reads;
    return basic_info;
  }
  std::string ReadCodeTypeData() override { return key_table; }
  bool WriteCodeTypeData(const std::string&) override { return false; }
  bool SetCodeCarrierWave() override { return false; }
  std::string ReadCollectCodeInfo() override { return {}; }
};

class FakeDisplay : public DisplayModes {
 public:
  QSize size{1280, 1024};
  // The size the screen has after the warning was shown (the user may have
  // changed it meanwhile); empty: unchanged.
  QSize size_after_warning;
  // The switch takes: the screen has the new size afterwards.
  bool switch_takes = false;
  int switches = 0;
  QSize switched_to;
  mutable int size_reads = 0;

  QSize ScreenSize() const override {
    ++size_reads;
    if (size_reads > 1 && size_after_warning.isValid()) return size_after_warning;
    return size;
  }
  bool SetSessionMode(int width, int height) override {
    ++switches;
    switched_to = QSize(width, height);
    if (!switch_takes) return false;
    size = size_after_warning = switched_to;
    return true;
  }
};

}  // namespace tvq31::testing

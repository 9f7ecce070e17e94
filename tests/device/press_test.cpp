// What `tvq31-remote press` queues.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "capture/convert.h"
#include "emulator_process.h"
#include "press.h"
#include "remote.h"

namespace tvq31::remote {
namespace {

PressOptions Options(std::string capture_file, std::string protocol, std::string address,
                     std::string command, std::string ir_file = {}, std::string name = {}) {
  PressOptions o;
  o.capture_file = std::move(capture_file);
  o.protocol = std::move(protocol);
  o.address = std::move(address);
  o.command = std::move(command);
  o.ir_file = std::move(ir_file);
  o.name = std::move(name);
  return o;
}

TEST(Press, EverySourceGivesACaptureTheProgramCanConvert) {
  testing::TempDir tmp;
  const std::string ir = tmp.path() + "/remote.ir";
  std::ofstream(ir) << "Filetype: IR signals file\nVersion: 1\n#\nname: Power\ntype: parsed\n"
                       "protocol: NEC\naddress: 04 00 00 00\ncommand: 08 00 00 00\n#\n"
                       "name: Raw\ntype: raw\nfrequency: 38000\nduty_cycle: 0.330000\n"
                       "data: 9000 4500 560 560 560 1690 560\n";
  const std::string capture_file = tmp.path() + "/capture.txt";
  std::ofstream(capture_file) << DemoCapture() << std::string(100, '\0') << "\n";
  struct Case {
    const char* name;
    PressOptions options;
  } cases[] = {
      {"protocol", Options("", "NEC", "0x04", "8")},
      {".ir bytes", Options("", "NECext", "04 F1 00 00", "08 00 00 00")},
      {"parsed entry", Options("", "", "", "", ir, "Power")},
      {"raw entry", Options("", "", "", "", ir, "Raw")},
      {"capture file", Options(capture_file, "", "", "")},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto capture = BuildPressCapture(c.options, &error);
    ASSERT_TRUE(capture) << c.name << ": " << error;
    EXPECT_TRUE(ValidCapture(*capture)) << c.name;
    EXPECT_FALSE(ConvertCapture(*capture).empty()) << c.name;
  }
}

TEST(Press, RefusesWhatIsNoPress) {
  testing::TempDir tmp;
  const std::string junk = tmp.path() + "/junk.txt";
  std::ofstream(junk) << "not a capture\n";
  struct Case {
    const char* name;
    PressOptions options;
  } cases[] = {
      {"nothing", Options("", "", "", "")},
      {"two sources", Options(junk, "NEC", "1", "2")},
      {"unknown protocol", Options("", "Morse", "1", "2")},
      {"no command", Options("", "NEC", "1", "")},
      {"bad address", Options("", "NEC", "0xZZ", "2")},
      {"missing file", Options("", "", "", "", tmp.path() + "/none.ir", "Power")},
      {"no name", Options("", "", "", "", junk)},
      {"not an .ir file", Options("", "", "", "", junk, "Power")},
      {"not a capture", Options(junk, "", "", "")},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(BuildPressCapture(c.options, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

}  // namespace
}  // namespace tvq31::remote

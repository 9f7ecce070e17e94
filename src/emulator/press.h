// What `tvq31-remote press` queues: a capture text, built from whichever
// source the user named.
#pragma once

#include <optional>
#include <string>

namespace tvq31::remote {

struct PressOptions {
  std::string capture_file;  // capture text as the remote measures it ("-": stdin)
  std::string protocol;      // with address and command: a synthesised press
  std::string address;
  std::string command;
  std::string ir_file;  // with name: a signal of a Flipper .ir file
  std::string name;
};

// The capture text (at most 10240 hexadecimal digits, no filler), or nothing
// with a reason. Exactly one source must be named.
std::optional<std::string> BuildPressCapture(const PressOptions& options, std::string* error);

// A capture text from a file's content: trailing line ends, blanks and the
// zero filler of a saved poll are dropped; the rest must be a capture.
std::optional<std::string> CaptureFromText(std::string text, std::string* error);

}  // namespace tvq31::remote

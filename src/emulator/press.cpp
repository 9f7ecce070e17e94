#include "press.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "remote.h"

namespace tvq31::remote {

namespace {

std::optional<std::string> ReadFile(const std::string& path, std::string* error) {
  std::string data;
  if (path == "-") {
    data.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return data;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read";
    return std::nullopt;
  }
  // A capture is at most 10240 characters; a much larger file is not one.
  data.resize(64 * 1024);
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  if (in.good() && in.peek() != std::char_traits<char>::eof()) {
    *error = path + ": too large for a capture";
    return std::nullopt;
  }
  return data;
}

}  // namespace

std::optional<std::string> CaptureFromText(std::string text, std::string* error) {
  while (!text.empty()) {
    const char c = text.back();
    if (c == '\0' || c == '\n' || c == '\r' || c == ' ' || c == '\t') {
      text.pop_back();
    } else {
      break;
    }
  }
  if (text.empty() || !ValidCapture(text)) {
    *error = "a capture is 1 to 10240 hexadecimal digits";
    return std::nullopt;
  }
  return text;
}

std::optional<std::string> BuildPressCapture(const PressOptions& o, std::string* error) {
  const int sources = !o.capture_file.empty() + !o.protocol.empty() + !o.ir_file.empty();
  if (sources != 1) {
    *error = "name one press: a capture file, --protocol with --address and --command, or --ir "
             "with --name";
    return std::nullopt;
  }
  if (!o.capture_file.empty()) {
    auto text = ReadFile(o.capture_file, error);
    if (!text) return std::nullopt;
    return CaptureFromText(std::move(*text), error);
  }
  *error = "this build of tvq31-remote synthesises no presses yet; give a capture file";
  return std::nullopt;
}

}  // namespace tvq31::remote

#include "press.h"

#include <fstream>
#include <iostream>
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "capture/capturewriter.h"
#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"
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


// The capture the remote measures for `signal`, without its zero filler.
std::optional<std::string> CaptureOf(const Signal& signal, std::string* error) {
  return CaptureFromText(WriteCapture(signal), error);
}

std::optional<std::string> ProtocolPress(const PressOptions& o, std::string* error) {
  if (o.address.empty() || o.command.empty()) {
    *error = "--protocol needs --address and --command";
    return std::nullopt;
  }
  const auto address = ParseIrNumber(o.address);
  const auto command = ParseIrNumber(o.command);
  if (!address || !command) {
    *error = "address and command are decimal, 0x-hexadecimal or .ir bytes (\"04 00 00 00\")";
    return std::nullopt;
  }
  const auto signal = EncodeProtocol(o.protocol, *address, *command, kDefaultHoldMs, error);
  if (!signal) return std::nullopt;
  return CaptureOf(*signal, error);
}

std::optional<std::string> IrFilePress(const PressOptions& o, std::string* error) {
  if (o.name.empty()) {
    *error = "--ir needs --name";
    return std::nullopt;
  }
  std::ifstream in(o.ir_file, std::ios::binary);
  if (!in) {
    *error = o.ir_file + ": cannot read";
    return std::nullopt;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string reason;
  const auto entries = ParseFlipperIr(text, &reason);
  if (!entries) {
    *error = o.ir_file + ": " + reason;
    return std::nullopt;
  }
  for (const IrEntry& entry : *entries) {
    if (entry.name != o.name) continue;
    if (!entry.error.empty()) {
      *error = o.ir_file + ": " + entry.error;
      return std::nullopt;
    }
    const auto signal = EntrySignal(entry, kDefaultHoldMs, &reason);
    if (!signal) {
      *error = o.ir_file + ": " + o.name + ": " + reason;
      return std::nullopt;
    }
    return CaptureOf(*signal, error);
  }
  *error = o.ir_file + ": no signal named \"" + o.name + "\"";
  return std::nullopt;
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
  if (!o.protocol.empty()) return ProtocolPress(o, error);
  return IrFilePress(o, error);
}

}  // namespace tvq31::remote

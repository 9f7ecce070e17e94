// The remote emulator's request handling: a byte stream cut into frames the
// way its connections receive them, every decoded request handed to one
// remote whose state carries over. Nothing may crash, and the remote's
// answers and stored table must stay well formed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "remote.h"
#include "wire.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void CheckAnswer(uint8_t op, const tvq31::remote::RemoteCore::Reply& reply) {
  using tvq31::wire::Op;
  using Kind = tvq31::remote::RemoteCore::Reply::Kind;
  if (reply.kind != Kind::kAnswer) return;
  Check(reply.frame.payload.size() <= tvq31::wire::kMaxPayload);
  if (reply.frame.code != static_cast<uint8_t>(tvq31::wire::Status::kOk)) return;
  const size_t n = reply.frame.payload.size();
  switch (static_cast<Op>(op)) {
    case Op::kBasicInfo: Check(n == tvq31::wire::kBasicInfoSize); break;
    case Op::kReadTable: Check(n == tvq31::wire::kKeyTableSize); break;
    case Op::kCollectCapture: Check(n == tvq31::wire::kCaptureSize); break;
    case Op::kLinkState:
    case Op::kWriteTable:
    case Op::kStartCapture: Check(n == 0); break;
    default: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks how the stream arrives: in pieces of 1 to 256 bytes.
  const size_t piece = static_cast<size_t>(data[0]) + 1;
  std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  tvq31::remote::NullStore store;
  tvq31::remote::RemoteCore core(tvq31::remote::FactoryState("FUZZ"), &store, true);
  int64_t now = 0;
  tvq31::wire::FrameReader reader;
  while (!stream.empty()) {
    size_t used = 0;
    const auto state = reader.Feed(stream.substr(0, piece), &used);
    stream.remove_prefix(used);
    if (state == tvq31::wire::FrameReader::State::kNeedMore) continue;
    if (state == tvq31::wire::FrameReader::State::kDone) {
      const auto reply = core.Handle(reader.frame(), now);
      CheckAnswer(reader.frame().code, reply);
      if (reply.kind == tvq31::remote::RemoteCore::Reply::Kind::kPark) core.TryCollect();
    } else if (used == 0) {
      stream.remove_prefix(1);  // a broken connection; the next one starts here
    }
    reader = tvq31::wire::FrameReader();
    now += 400;
    core.Tick(now);
    Check(tvq31::remote::ValidTable(core.state().table));
  }
  return 0;
}

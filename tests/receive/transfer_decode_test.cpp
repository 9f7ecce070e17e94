// Records of the transfer library decode as what the remote sent, for
// every protocol our encoders and decoders know: the raw record must keep
// every length a protocol codes values in (XMP's nibbles lie 137 us
// apart), taps and held presses alike.
#include <gtest/gtest.h>

#include <random>

#include "capture/capturewriter.h"
#include "irtoolkit/irtoolkit.h"
#include "receive/evaluate.h"
#include "receive/receivechain.h"
#include "transmitter/transmitter.h"

namespace tvq31 {
namespace {

// What a good receiver measures: each duration within `jitter` us. (The
// evaluation's receiver model, up to 5 % and 100 us, is rougher than the
// step of the finest protocols, which real receivers of them are not.)
Signal Measured(const Signal& s, int jitter, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> off(-jitter, jitter);
  Signal out = s;
  for (SignalFrame& f : out.frames) {
    for (uint32_t& d : f.durations) d = static_cast<uint32_t>(std::max(1, static_cast<int>(d) + off(rng)));
  }
  return out;
}

TEST(TransferDecode, RecordsOfEveryDecodedProtocolSayWhatTheRemoteSaid) {
  ReceiveChain chain(ReceiveOptions{"/nonexistent/QD01.csl",
                                    std::string(TVQ31_BIN_DIR) + "/libtransfercode.so"});
  const std::vector<std::pair<uint32_t, uint32_t>> values = {
      {0x00, 0x01}, {0x05, 0x3C}, {0x1A, 0x7F}, {0x2B, 0xA5}};
  size_t judged = 0;
  std::vector<std::string> failures;
  for (const std::string& protocol : SupportedProtocols()) {
    for (const auto& [address, command] : values) {
      for (uint32_t hold : {1u, 600u}) {
        std::optional<Signal> press = EncodeProtocol(protocol, address, command, hold);
        if (!press) press = EncodeProtocol(protocol, 0, command, hold);
        if (!press) continue;
        const std::vector<DecodedFrame> said = DecodePress(*press);
        if (!FullyDecoded(said)) continue;  // a protocol without a decoder yet
        const Signal measured = Measured(*press, 30, address * 131 + command + hold);
        const ReceiveResult r = chain.Receive(WriteCapture(measured), 0x0A);
        if (!r.ok()) {
          failures.push_back(protocol + ": no record: " + r.error);
          continue;
        }
        ++judged;
        const std::optional<Signal> sent = TransmitKeyRecord(r.record, HoldForSignal(measured));
        const std::vector<DecodedFrame> played = sent ? DecodePress(*sent) : std::vector<DecodedFrame>{};
        if (DescribeValues(played) != DescribeValues(said)) {
          failures.push_back(protocol + " held " + std::to_string(hold) + " ms: plays back as " +
                             DescribeValues(played) + " for " + DescribeValues(said));
        }
      }
    }
  }
  EXPECT_GT(judged, 40u);
  std::string listed;
  for (size_t i = 0; i < failures.size() && i < 20; ++i) listed += "  " + failures[i] + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << judged << ":\n" << listed;
}

}  // namespace
}  // namespace tvq31

// The receive step: a capture through the code-style library or the
// transfer library, and every way it can fail.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "capture/capturewriter.h"
#include "capture/convert.h"
#include "irtoolkit/irtoolkit.h"
#include "receive/receivechain.h"

namespace tvq31 {
namespace {

const std::string kLibrary = std::string(TVQ31_BIN_DIR) + "/QD01.csl";
const std::string kTransfer = std::string(TVQ31_BIN_DIR) + "/libtransfercode.so";

std::string CaptureOf(std::string_view protocol, uint32_t address, uint32_t command) {
  std::optional<Signal> signal = EncodeProtocol(protocol, address, command);
  EXPECT_TRUE(signal.has_value()) << protocol;
  return signal ? WriteCapture(*signal) : std::string();
}

// A signal no code style describes: three frames of odd marks and spaces.
std::string UnknownCapture() {
  Signal s;
  s.carrier_hz = 38000;
  for (int f = 0; f < 3; ++f) s.frames.push_back({{3000, 1000, 700, 2100, 700}, 40000});
  return WriteCapture(s);
}

TEST(ReceiveChain, NecGoesThroughTheLibrary) {
  ReceiveChain chain({kLibrary, kTransfer});
  const ReceiveResult r = chain.Receive(CaptureOf("NEC", 0x04, 0x08), 0x0A);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.source, ReceiveSource::kLibrary);
  EXPECT_EQ(std::string(ReceiveSourceName(r.source)), "library");
  EXPECT_EQ(r.style, "NEC");
  EXPECT_GE(r.index, 0);
  EXPECT_TRUE(r.error.empty());
  EXPECT_FALSE(r.learned_code.empty());
}

TEST(ReceiveChain, UnrecognisedCaptureGoesToTheTransferLibrary) {
  ReceiveChain chain({kLibrary, kTransfer});
  const ReceiveResult r = chain.Receive(UnknownCapture(), 0x21);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.source, ReceiveSource::kTransfer);
  EXPECT_EQ(r.recognition_note, "no code style matches");
  EXPECT_EQ(r.record.substr(4, 2), "21");  // the record is for the learned key
  EXPECT_TRUE(r.style.empty());
  EXPECT_EQ(r.index, -1);
}

TEST(ReceiveChain, MissingLibraryStillFallsBackToTransfer) {
  ReceiveChain chain({"/nonexistent/QD01.csl", kTransfer});
  const ReceiveResult r = chain.Receive(CaptureOf("NEC", 0x04, 0x08), 0x0A);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.source, ReceiveSource::kTransfer);
  EXPECT_NE(r.recognition_note.find("/nonexistent/QD01.csl"), std::string::npos) << r.recognition_note;
}

TEST(ReceiveChain, FailuresSayWhy) {
  struct Case {
    const char* what;
    std::string library;
    std::string transfer;
    std::string capture;
    int key;
    std::vector<std::string> expected;  // parts of the error text
  };
  const std::string fake = TVQ31_FAKE_TRANSFER;
  const std::vector<Case> cases = {
      {"empty capture", kLibrary, kTransfer, "", 0x0A, {"no complete signal"}},
      {"garbage capture", kLibrary, kTransfer, std::string(10240, 'Z'), 0x0A, {"no complete signal"}},
      {"key out of range", kLibrary, kTransfer, UnknownCapture(), 0x100, {"key code 256"}},
      {"no library, no transfer", "/nonexistent/QD01.csl", "", UnknownCapture(), 0x0A,
       {"/nonexistent/QD01.csl", "no transfer library"}},
      {"nothing matched, no transfer", kLibrary, "", UnknownCapture(), 0x0A,
       {"no code style matches", "no transfer library"}},
      {"transfer missing", kLibrary, "/nonexistent/libtransfercode.so", UnknownCapture(), 0x0A,
       {"no code style matches", "/nonexistent/libtransfercode.so", "cannot be loaded"}},
      {"transfer without Cominput", kLibrary, TVQ31_NO_COMINPUT, UnknownCapture(), 0x0A,
       {"has no Cominput"}},
      {"transfer gives nothing", kLibrary, fake, UnknownCapture(), 0x01, {"gave no key record"}},
      {"transfer gives text", kLibrary, fake, UnknownCapture(), 0x02, {"not a key record"}},
      {"record for another key", kLibrary, fake, UnknownCapture(), 0x03, {"another key"}},
      {"endless answer", kLibrary, fake, UnknownCapture(), 0x04, {"not a key record"}},
  };
  for (const Case& c : cases) {
    ReceiveChain chain({c.library, c.transfer});
    const ReceiveResult r = chain.Receive(c.capture, c.key);
    EXPECT_FALSE(r.ok()) << c.what;
    EXPECT_EQ(r.source, ReceiveSource::kNone) << c.what;
    for (const std::string& part : c.expected) {
      EXPECT_NE(r.error.find(part), std::string::npos) << c.what << ": " << r.error;
    }
  }
  // The well-behaved answer of the same stand-in is taken.
  ReceiveChain chain({kLibrary, fake});
  EXPECT_EQ(chain.Receive(UnknownCapture(), 0x05).source, ReceiveSource::kTransfer);
}

std::string LastFakeInput() {
  void* handle = dlopen(TVQ31_FAKE_TRANSFER, RTLD_NOW | RTLD_NOLOAD);
  if (!handle) return "<not loaded>";
  auto last = reinterpret_cast<const char* (*)()>(dlsym(handle, "FakeLastInput"));
  std::string text = last ? last() : "<no FakeLastInput>";
  dlclose(handle);
  return text;
}

// The transfer input drops a short wake-up flash in front of the code and
// lowers the frame count as a number, also when it has two digits.
TEST(ReceiveChain, TransferInputDropsAShortFirstFrame) {
  // n frames of one made-up code, the last without a gap.
  auto frames = [](int n) {
    std::string out;
    for (int i = 1; i < n; ++i) out += "0BB803E802BC0834FEFE0028EDED";
    return out + "0BB803E802BC0834EDED";
  };
  struct Case {
    std::string learned;
    std::string handed_over;
  };
  const std::vector<Case> cases = {
      // Ten frames, the first a 20 us flash: nine remain.
      {"102612" "0014FEFE0005EDED" + frames(9), "92612" + frames(9)},
      // Eleven frames and a 40 us first mark, which is part of the code:
      // unchanged.
      {"112612" "0028FEFE0005EDED" + frames(10), "112612" "0028FEFE0005EDED" + frames(10)},
      // Two frames, a flash first.
      {"22612" "0010FEFE0005EDED" "0BB803E802BC0834EDED", "12612" "0BB803E802BC0834EDED"},
  };
  for (const Case& c : cases) {
    ReceiveChain chain({kLibrary, TVQ31_FAKE_TRANSFER});
    const ReceiveResult r = chain.ReceiveLearnedCode(c.learned, 0x33);
    EXPECT_EQ(r.source, ReceiveSource::kTransfer) << r.error;
    EXPECT_EQ(LastFakeInput(),
              "#99|0133\r\n0:\xB0\xB4\xC5\xA5" "0:{X=310,Y=120}|" + c.handed_over + "\r\n")
        << c.learned;
  }
}

// Every protocol the encoders know ends as a key record when the transfer
// library is there: recognised or stored raw. RCA's 8 ms gaps are too short
// for the receiver to split its frames, so a 2 s press is one frame of
// about 1400 durations; the raw record's stream layout holds it.
TEST(ReceiveChain, EveryProtocolIsStored) {
  ReceiveChain chain({kLibrary, kTransfer});
  for (const std::string& protocol : SupportedProtocols()) {
    // Protocols without an address field take address 0 only.
    const uint32_t address = EncodeProtocol(protocol, 0x01, 0x02) ? 0x01 : 0x00;
    const ReceiveResult r = chain.Receive(CaptureOf(protocol, address, 0x02), 0x0A);
    EXPECT_TRUE(r.ok()) << protocol << ": " << r.error;
  }
}

}  // namespace
}  // namespace tvq31

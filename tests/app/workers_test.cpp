// The capture thread and the worker thread base over a scripted remote that
// answers from any thread.
#include "Collect_code/Collect_code.h"
#include "devicelink/device_access.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tvq31 {
namespace {

using namespace std::chrono_literals;

class PollingRemote : public DeviceAccess {
 public:
  std::atomic<bool> carrier{true};
  std::atomic<bool> link{true};
  std::atomic<int> polls{0};
  std::atomic<int> capture_at_poll{-1};  // this poll delivers a capture
  std::atomic<bool> zeros{false};        // the capture is all zero bytes

  bool LinkState() override { return link; }
  std::string ReadBasicInfo() override { return {}; }
  std::string ReadCodeTypeData() override { return {}; }
  bool WriteCodeTypeData(const std::string&) override { return false; }
  bool SetCodeCarrierWave() override { return carrier; }
  std::string ReadCollectCodeInfo() override {
    std::this_thread::sleep_for(2ms);  // the remote holds each poll a while
    const int n = ++polls;
    if (n != capture_at_poll) return {};
    std::string capture(kCaptureSize, '\0');
    if (!zeros) capture.replace(0, 4, "8100");
    return capture;
  }
};

struct Outcome {
  bool ended = false;
  std::string capture = "untouched";
  qint64 ms = 0;
  int polls = 0;
};

Outcome RunCapture(PollingRemote& remote, std::chrono::milliseconds limit,
                   int stop_after_ms = -1) {
  Outcome out;
  QElapsedTimer clock;
  clock.start();
  auto* thread = new TCollectCode(remote, out.capture, [&] { out.ended = true; }, limit);
  thread->start();
  if (stop_after_ms >= 0) {
    QTest::qWait(stop_after_ms);
    if (!out.ended) thread->Terminate();
  }
  for (int i = 0; i < 1000 && !out.ended; ++i) QTest::qWait(5);
  out.ms = clock.elapsed();
  out.polls = remote.polls;
  return out;
}

TEST(CaptureThread, EndsOnceForEveryOutcome) {
  struct Case {
    const char* name;
    bool carrier, link;
    int capture_at_poll;
    bool zeros;
    int stop_after_ms;
    bool captured;
    int max_ms;
  } cases[] = {
      {"capture arrives", true, true, 3, false, -1, true, 1000},
      {"all zero bytes still a capture", true, true, 1, true, -1, true, 1000},
      {"capture mode refused", false, true, 1, false, -1, false, 1000},
      {"link lost", true, false, -1, false, -1, false, 1000},
      {"stop request", true, true, -1, false, 50, false, 1000},
      {"time limit", true, true, -1, false, -1, false, 1500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PollingRemote remote;
    remote.carrier = c.carrier;
    remote.link = c.link;
    remote.capture_at_poll = c.capture_at_poll;
    remote.zeros = c.zeros;
    const Outcome out = RunCapture(remote, 300ms, c.stop_after_ms);
    ASSERT_TRUE(out.ended);
    EXPECT_EQ(!out.capture.empty(), c.captured);
    if (c.captured) {
      EXPECT_EQ(out.capture.size(), kCaptureSize);
    }
    EXPECT_LT(out.ms, c.max_ms);
    if (!c.carrier) {
      EXPECT_EQ(out.polls, 0);
    }
  }
}

TEST(CaptureThread, TimeLimitIsElapsedTime) {
  // Whatever the time of day: the capture gets its whole time, no more.
  PollingRemote remote;
  const Outcome out = RunCapture(remote, 400ms);
  ASSERT_TRUE(out.ended);
  EXPECT_TRUE(out.capture.empty());
  EXPECT_GE(out.ms, 400);
  EXPECT_LT(out.ms, 1400);
  EXPECT_GT(out.polls, 10);
}

}  // namespace
}  // namespace tvq31

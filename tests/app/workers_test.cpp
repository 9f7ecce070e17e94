// The capture thread and the worker thread base over a scripted remote that
// answers from any thread.
#include "Collect_code/Collect_code.h"
#include "devicelink/device_access.h"
#include "workerthread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
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

// A worker that waits for a reply from the UI thread: the reply arrives in
// the UI thread's own time, and an owner that goes away while the worker
// still waits releases it (the program's end never hangs on an open
// question), dropping the late reply.
class WaitingWorker : public TWorkerThread {
 public:
  explicit WaitingWorker(std::function<void(std::function<void(int)>)> ask)
      : TWorkerThread(nullptr), ask_(std::move(ask)) {}
  std::atomic<int> result{-1};

 protected:
  void Execute() override { result = UiAwait<int>(ask_); }

 private:
  std::function<void(std::function<void(int)>)> ask_;
};

TEST(WorkerThread, UiAwaitWaitsForTheReplyOrTheOwnersEnd) {
  struct Case {
    const char* name;
    bool reply;
  } cases[] = {{"reply", true}, {"abandoned unanswered", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::function<void(int)> reply;
    auto* worker = new WaitingWorker([&](std::function<void(int)> r) { reply = std::move(r); });
    worker->start();
    for (int i = 0; i < 400 && !reply; ++i) QTest::qWait(5);
    ASSERT_TRUE(reply);  // asked on the UI thread, which runs on meanwhile
    QTest::qWait(30);
    EXPECT_FALSE(worker->isFinished());  // still waiting
    if (c.reply) {
      reply(7);
      ASSERT_TRUE(worker->wait(2000));
      EXPECT_EQ(worker->result, 7);
      worker->Abandon();
    } else {
      QElapsedTimer clock;
      clock.start();
      worker->Abandon();
      EXPECT_LT(clock.elapsed(), 1000);
      reply(7);  // after the worker is gone: dropped
    }
  }
}

}  // namespace
}  // namespace tvq31

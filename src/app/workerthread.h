// TWorkerThread: the base of the program's two worker threads, the link
// monitor and the code capture thread.
//
// A worker runs its Execute once. Its terminate flag is only a request: the
// worker tests it at the top of its loop, so a device call or a wait in
// progress always finishes first. When Execute has returned, the end
// handler runs on the UI thread (queued), whatever the outcome, and then the
// worker frees itself. Everything a worker wants done to the window is
// handed to the UI thread as well (UiCall); no worker touches a widget.
//
// Workers are created and owned by the UI thread: create one with new, keep
// the pointer until its end handler has run (the handler is where the owner
// forgets it), and never delete it yourself; an owner that goes away first
// calls Abandon instead.
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace tvq31 {

class TWorkerThread : public QThread {
  Q_OBJECT

 public:
  using EndHandler = std::function<void()>;

  // Not started yet: call start() once the pointer is stored, so that the
  // end handler always finds it.
  explicit TWorkerThread(EndHandler on_end);
  ~TWorkerThread() override;

  // Asks the worker to stop at its next loop test. Any thread.
  void Terminate() noexcept;
  // Also true after QThread::requestInterruption.
  bool Terminated() const noexcept;

  // UI thread, for an owner that goes away while the worker may still run:
  // stops it without its end handler, waits until Execute has returned
  // (calls it is waiting for on the UI thread are dropped and return their
  // default value) and frees it.
  void Abandon();

 protected:
  // The worker's work, on its own thread.
  virtual void Execute() = 0;

  // Runs `call` on the UI thread and waits for its result. Once the worker is
  // terminated or abandoned, the call is not made and the result is the
  // default value.
  template <typename Call>
  auto UiCall(Call call) -> std::invoke_result_t<Call> {
    using Result = std::invoke_result_t<Call>;
    if constexpr (std::is_void_v<Result>) {
      if (abandoned_.load()) return;
      QMetaObject::invokeMethod(this, std::move(call), Qt::BlockingQueuedConnection);
    } else {
      Result result{};
      if (abandoned_.load()) return result;
      QMetaObject::invokeMethod(this, std::move(call), Qt::BlockingQueuedConnection, &result);
      return result;
    }
  }

  // Hands `start` to the UI thread with a reply function and waits until the
  // reply comes, while the UI thread goes on with its own work (a question
  // the user answers in their own time). `start` runs on the UI thread and
  // may call the reply then or later, on the UI thread. Once the worker is
  // abandoned the wait ends and the result is the default value; a reply
  // that comes after that is dropped.
  template <typename Result>
  Result UiAwait(std::function<void(std::function<void(Result)>)> start) {
    auto slot = std::make_shared<std::optional<Result>>();
    if (abandoned_.load()) return Result{};
    UiPost([this, slot, start = std::move(start)] {
      // Made and read on the UI thread, where the worker is freed.
      QPointer<TWorkerThread> self(this);
      start([self, slot](Result result) {
        if (!self) return;
        {
          std::lock_guard<std::mutex> lock(self->await_mutex_);
          *slot = std::move(result);
        }
        self->await_answered_.notify_all();
      });
    });
    std::unique_lock<std::mutex> lock(await_mutex_);
    await_answered_.wait(lock, [&] { return slot->has_value() || abandoned_.load(); });
    return slot->has_value() ? std::move(**slot) : Result{};
  }

  // Runs `call` on the UI thread without waiting.
  template <typename Call>
  void UiPost(Call call) {
    if (abandoned_.load()) return;
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
  }

 private:
  void run() final;
  // UI thread, after Execute has returned.
  void Finish();

  EndHandler on_end_;
  std::atomic<bool> terminate_{false};
  std::atomic<bool> abandoned_{false};
  // The reply UiAwait waits for.
  std::mutex await_mutex_;
  std::condition_variable await_answered_;
};

}  // namespace tvq31

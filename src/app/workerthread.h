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
#include <QThread>

#include <atomic>
#include <functional>
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
};

}  // namespace tvq31

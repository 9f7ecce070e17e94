#include "workerthread.h"

#include <QCoreApplication>
#include <QEvent>

namespace tvq31 {

TWorkerThread::TWorkerThread(EndHandler on_end) : on_end_(std::move(on_end)) {}

TWorkerThread::~TWorkerThread() = default;

void TWorkerThread::Terminate() noexcept {
  terminate_.store(true);
  requestInterruption();
}

bool TWorkerThread::Terminated() const noexcept {
  return terminate_.load() || isInterruptionRequested();
}

void TWorkerThread::run() {
  Execute();
  // The handler goes to the UI thread, where this object lives.
  QMetaObject::invokeMethod(this, [this] { Finish(); }, Qt::QueuedConnection);
}

void TWorkerThread::Finish() {
  // run() posts this as its last act; wait() returns as soon as the thread
  // is really gone, so the object can be freed safely afterwards.
  wait();
  EndHandler handler = std::move(on_end_);
  on_end_ = nullptr;
  if (handler) handler();
  deleteLater();
}

void TWorkerThread::Abandon() {
  abandoned_.store(true);
  {
    // Under the lock, so a worker about to wait for a reply sees the flag.
    std::lock_guard<std::mutex> lock(await_mutex_);
  }
  await_answered_.notify_all();
  on_end_ = nullptr;
  Terminate();
  // A worker blocked on a call to the UI thread is released by dropping the
  // call; it sees the flag before it can post another.
  while (!wait(5)) QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
  // The queued Finish, if any, goes with the object.
  delete this;
}

}  // namespace tvq31

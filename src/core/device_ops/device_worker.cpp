#include "core/device_ops/device_worker.h"

#include <exception>

namespace strandline {

DeviceWorker::DeviceWorker() : thread_([this] { run(); }) {}

DeviceWorker::~DeviceWorker() {
  close();
}

void DeviceWorker::close() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

DeviceWorker::Ticket DeviceWorker::submit(Job job) {
  Ticket ticket;
  std::lock_guard lock(mutex_);
  if (busy_ || stopping_) {
    ticket.refusal = kDeviceOperationRunning;
    return ticket;
  }
  busy_ = true;
  job_ = std::move(job);
  promise_ = std::promise<int>();
  ticket.accepted = true;
  ticket.result = promise_.get_future().share();
  wake_.notify_all();
  return ticket;
}

bool DeviceWorker::busy() {
  std::lock_guard lock(mutex_);
  return busy_;
}

void DeviceWorker::run() {
  for (;;) {
    Job job;
    std::promise<int> promise;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || job_; });
      if (!job_) return;  // stopping with nothing to run
      job = std::move(job_);
      job_ = nullptr;
      promise = std::move(promise_);
    }
    int result = 0;
    std::exception_ptr failure;
    try {
      result = job();
    } catch (...) {
      failure = std::current_exception();
    }
    // Free for the next request before the caller learns the result, so a
    // caller that waits for it may submit again at once.
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    if (failure)
      promise.set_exception(failure);
    else
      promise.set_value(result);
  }
}

}  // namespace strandline

// The device-operation worker: one thread, apart from the window's and the
// scan engine's, that runs one device operation at a time. A request that
// comes while one runs is refused, not queued: the caller gets the refusal as
// a notice and may try again once the running operation has finished.
#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "platform/prompter.h"

namespace strandline {

inline const Notice kDeviceOperationRunning{
    "Another device operation is running. Try again when it has finished.", "Attention",
    MessageIcon::Exclamation};

class DeviceWorker {
 public:
  using Job = std::function<int()>;

  struct Ticket {
    bool accepted = false;
    Notice refusal;                  // when not accepted
    std::shared_future<int> result;  // when accepted: the job's result
  };

  DeviceWorker();
  // Closes the worker.
  ~DeviceWorker();
  DeviceWorker(const DeviceWorker&) = delete;
  DeviceWorker& operator=(const DeviceWorker&) = delete;

  // Starts the job on the worker, or refuses it while another is running.
  Ticket submit(Job job);
  bool busy();
  // Refuses every later job, lets the running one finish and ends the thread.
  // The worker object stays, so a caller on another thread that still holds
  // it gets a refusal, never a destroyed worker.
  void close();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  Job job_;
  std::promise<int> promise_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once the rest is built
};

}  // namespace strandline

#pragma once
// Worker threads on the standard library's threads, for every platform: each platform only
// says how the waiting interpreter thread is woken.
#include <functional>
#include <memory>

#include "platform/platform.h"

namespace kx {

class StdThreads : public Threads {
 public:
  explicit StdThreads(std::function<void()> wakeWaitingThread)
      : wake_(std::move(wakeWaitingThread)) {}
  std::unique_ptr<WorkerThread> startWorker(std::function<void()> work) override;

 private:
  std::function<void()> wake_;
};

}  // namespace kx

#include "platform/std_threads.h"

#include <thread>

namespace kx {
namespace {

class StdWorkerThread : public WorkerThread {
 public:
  explicit StdWorkerThread(std::thread thread) : thread_(std::move(thread)) {}
  ~StdWorkerThread() override { join(); }
  void join() override {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace

std::unique_ptr<WorkerThread> StdThreads::startWorker(std::function<void()> work) {
  return std::make_unique<StdWorkerThread>(std::thread([work = std::move(work), wake = wake_] {
    work();
    if (wake) wake();
  }));
}

}  // namespace kx

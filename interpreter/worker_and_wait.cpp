#include "interpreter/worker_and_wait.h"

#include <chrono>
#include <memory>
#include <thread>

namespace kx {
namespace {

// Raised while a worker runs, so the dialog host's timer refreshes the progress display.
class LongOperation {
 public:
  explicit LongOperation(Engine& engine) : engine_(engine) { engine_.longOperation = true; }
  ~LongOperation() { engine_.longOperation = false; }
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

 private:
  Engine& engine_;
};

}  // namespace

void runWorkerAndWait(Engine& engine, std::atomic<bool>& cancel, const std::function<void()>& work,
                      const std::function<void()>& publish) {
  std::atomic<bool> done = false;
  cancel = false;
  const LongOperation running(engine);
  const std::unique_ptr<WorkerThread> worker = engine.platform.threads->startWorker([&] {
    work();
    done = true;
  });
  while (!done) {
    publish();
    if (engine.silent()) {
      worker->join();
    } else {
      engine.platform.ui->handleOneMessage();
      // Platforms without a blocking message loop would spin without this pause.
      if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (engine.cancelRequested) cancel = true;
  }
  worker->join();
}

}  // namespace kx

#include "interpreter/worker_and_wait.h"

#include <chrono>
#include <thread>

namespace kx {

void runWorkerAndWait(Engine& engine, std::atomic<bool>& cancel, const std::function<void()>& work,
                      const std::function<void()>& publish) {
  std::atomic<bool> done = false;
  cancel = false;
  engine.longOperation = true;
  std::thread worker([&] {
    work();
    done = true;
    engine.platform.ui->wakeMessageLoop();
  });
  while (!done) {
    publish();
    if (engine.silent()) {
      worker.join();
    } else {
      engine.platform.ui->handleOneMessage();
      // Platforms without a blocking message loop would spin without this pause.
      if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (engine.cancelRequested) cancel = true;
  }
  if (worker.joinable()) worker.join();
  engine.longOperation = false;
}

}  // namespace kx

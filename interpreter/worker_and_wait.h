#pragma once
// The worker-and-wait pattern: a long operation runs on a worker thread while the interpreter
// keeps the windows alive and passes the user's cancel request on.
#include <atomic>
#include <functional>

#include "interpreter/engine.h"

namespace kx {

// Runs `work` on a worker thread of the platform's Threads, which wakes the message loop when
// the work returns, with the long-operation flag raised. Until the worker is done, each round
// calls `publish`, handles one window message (in silent mode it waits for the worker instead)
// and copies the user's cancel request into `cancel`, which starts cleared.
void runWorkerAndWait(Engine& engine, std::atomic<bool>& cancel, const std::function<void()>& work,
                      const std::function<void()>& publish);

}  // namespace kx

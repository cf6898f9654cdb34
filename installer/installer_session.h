#pragma once
// What the installer subsystem keeps from one statement to the next for the whole run.
#include "installer/installer_messages.h"

namespace kx {

struct Engine;

struct InstallerSession {
  // The message handler's settings, progress counters and last error.
  InstallerMessages messages;
  // "Transform Instance" turned the run into a new instance: the next apply gives the run-time
  // package new component codes, the revision code as package code and the new product code.
  bool newInstanceRequested = false;
  // The run-time package now belongs to the new instance: the product cache keeps it.
  bool newInstanceWritten = false;
};

// The run's session, made on first use.
InstallerSession& installerSession(Engine& engine);

}  // namespace kx

#pragma once
// The installer's messages while it runs without a window of its own: errors, warnings and
// questions become message boxes (none in a silent run), action and progress messages a status
// text and a position for the progress display, and the user's cancel request the answer that
// makes the installer roll back.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "base/message_table.h"
#include "platform/platform.h"

namespace kx {

// Message kinds: the top byte of a message's type.
namespace installer_messages {
inline constexpr uint32_t kFatalExit = 0x00;
inline constexpr uint32_t kError = 0x01;
inline constexpr uint32_t kWarning = 0x02;
inline constexpr uint32_t kUser = 0x03;
inline constexpr uint32_t kInfo = 0x04;
inline constexpr uint32_t kFilesInUse = 0x05;
inline constexpr uint32_t kResolveSource = 0x06;
inline constexpr uint32_t kOutOfDiskSpace = 0x07;
inline constexpr uint32_t kActionStart = 0x08;
inline constexpr uint32_t kActionData = 0x09;
inline constexpr uint32_t kProgress = 0x0A;
inline constexpr uint32_t kCommonData = 0x0B;
inline constexpr uint32_t kInitialize = 0x0C;
inline constexpr uint32_t kTerminate = 0x0D;
inline constexpr uint32_t kShowDialog = 0x0E;
}  // namespace installer_messages

class InstallerMessages {
 public:
  // Set before each installation, kept until the next.
  struct Settings {
    bool silent = false;
    std::string caption;
    WindowHandle owner = 0;
  };
  // Called after every message with (action text, minimum, maximum, position); false once the
  // user has asked to cancel.
  using ProgressContext = std::function<bool(const std::string& text, int64_t minimum,
                                             int64_t maximum, int64_t position)>;

  Settings settings;

  // Handles one message on the installer's thread and gives the installer its answer.
  int32_t handle(UserInterface& ui, const MessageTable& messages, uint32_t type,
                 const std::string& text, const ProgressContext& context);

  // The text of the most recent fatal-exit or error message.
  std::string lastError() const;
  void clearLastError();

 private:
  // The action, action-data and progress messages' effect on the counters.
  void advance(uint32_t kind, const std::string& text);

  mutable std::mutex lock_;
  std::string lastError_;
  // Kept for the life of the process, not reset between installations.
  std::string actionText_;
  int64_t total_ = 0;
  int64_t position_ = 0;
  int32_t step_ = 0;
  int32_t direction_ = 0;
};

}  // namespace kx

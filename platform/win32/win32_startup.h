#pragma once
// The start-up's services on Windows: command line, processor binding, the common controls
// version and the start-up windows ("TSetupSplash" and "TSetupInit").
#include <windows.h>

#include "platform/platform.h"

namespace kx {

class Win32Startup : public StartupServices {
 public:
  Win32Startup();
  ~Win32Startup() override;
  Win32Startup(const Win32Startup&) = delete;
  Win32Startup& operator=(const Win32Startup&) = delete;

  std::string commandLine() override;
  std::vector<std::string> arguments() override;
  void bindToFirstProcessor() override;
  std::optional<FileVersion> commonControlsVersion() override;
  void showStartWindows(const std::string& splashPicture, const std::string& caption,
                        const std::string& text) override;
  WindowHandle preparingWindow() override { return reinterpret_cast<WindowHandle>(preparing_); }
  void setPreparingProgress(int minimum, int maximum, int position) override;
  void closeStartWindows() override;

 private:
  HWND createSplash(const std::string& picture);
  HWND createPreparing(HWND splash, const std::string& caption, const std::string& text);

  HMODULE commonControls_ = nullptr;  // loaded from the system folder for the progress bar
  HBITMAP splashPicture_ = nullptr;
  HFONT font_ = nullptr;
  HWND splash_ = nullptr;
  HWND preparing_ = nullptr;
  HWND progressBar_ = nullptr;
};

}  // namespace kx

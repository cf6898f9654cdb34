#include "platform/win32/win32_startup.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/start_window_layout.h"
#include "platform/win32/version_resource.h"
#include "platform/win32/win32_system_info.h"

namespace kx {
namespace {

constexpr char kPreparingClass[] = "TSetupInit";
constexpr char kSplashClass[] = "TSetupSplash";

std::string ansiText(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.pop_back();  // the terminating NUL
  return result;
}

LRESULT CALLBACK startWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Controls of the preparing window draw on its white background.
  if (message == WM_CTLCOLORSTATIC) {
    SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void registerClass(const char* name) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = startWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
}

HWND createChild(HWND parent, const char* windowClass, const char* text, DWORD style,
                 const ScreenRect& rect, HFONT font) {
  HWND child =
      CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                      rect.width, rect.height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

Win32Startup::Win32Startup() {
  commonControls_ = LoadLibraryExA("comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

Win32Startup::~Win32Startup() {
  closeStartWindows();
  if (commonControls_) FreeLibrary(commonControls_);
}

std::string Win32Startup::commandLine() {
  return GetCommandLineA();
}

std::vector<std::string> Win32Startup::arguments() {
  std::vector<std::string> result;
  int count = 0;
  LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!split) return result;
  for (int i = 1; i < count; ++i) result.push_back(ansiText(split[i]));
  LocalFree(split);
  return result;
}

void Win32Startup::bindToFirstProcessor() {
  SetProcessAffinityMask(GetCurrentProcess(), 1);
}

std::optional<FileVersion> Win32Startup::commonControlsVersion() {
  const auto information = readVersionResource(Win32SystemInfo().systemFolder() + "\\comctl32.dll");
  if (!information) return std::nullopt;
  return information->fileVersion;
}

HWND Win32Startup::createSplash(const std::string& picture) {
  splashPicture_ = static_cast<HBITMAP>(
      LoadImageA(nullptr, picture.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  BITMAP size = {};
  if (!splashPicture_ || !GetObjectA(splashPicture_, sizeof size, &size)) return nullptr;
  registerClass(kSplashClass);
  const ScreenRect place = centred(size.bmWidth, size.bmHeight, GetSystemMetrics(SM_CXSCREEN),
                                   GetSystemMetrics(SM_CYSCREEN));
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kSplashClass, "", WS_POPUP, place.left, place.top,
                                place.width, place.height, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  HWND image =
      createChild(window, "STATIC", "", SS_BITMAP, {0, 0, place.width, place.height}, nullptr);
  SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(splashPicture_));
  return window;
}

HWND Win32Startup::createPreparing(HWND splash, const std::string& caption,
                                   const std::string& text) {
  registerClass(kPreparingClass);
  const DWORD style = WS_POPUP | WS_CAPTION;  // a caption without the system menu's buttons
  RECT frame = {0, 0, kPreparingClient.width, kPreparingClient.height};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  std::optional<ScreenRect> splashRect;
  RECT splashBounds;
  if (splash && GetWindowRect(splash, &splashBounds))
    splashRect =
        ScreenRect{splashBounds.left, splashBounds.top, splashBounds.right - splashBounds.left,
                   splashBounds.bottom - splashBounds.top};
  const ScreenRect place =
      preparingWindowPlacement(splashRect, frame.right - frame.left, frame.bottom - frame.top,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  HWND window = CreateWindowExA(0, kPreparingClass, caption.c_str(), style, place.left, place.top,
                                place.width, place.height, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HWND icon = createChild(window, "STATIC", "", SS_ICON, {16, 16, 32, 32}, font_);
  SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_APPLICATION)), 0);
  createChild(window, "STATIC", text.c_str(), SS_LEFT, kPreparingText, font_);
  progressBar_ = createChild(window, PROGRESS_CLASSA, "", 0, kPreparingProgressBar, font_);
  return window;
}

void Win32Startup::showStartWindows(const std::string& splashPicture, const std::string& caption,
                                    const std::string& text) {
  if (!splashPicture.empty()) splash_ = createSplash(splashPicture);
  preparing_ = createPreparing(splash_, caption, text);
  for (HWND window : {splash_, preparing_}) {
    if (!window) continue;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
}

void Win32Startup::setPreparingProgress(int minimum, int maximum, int position) {
  if (!progressBar_) return;
  SendMessageA(progressBar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
  SendMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  UpdateWindow(preparing_);
}

void Win32Startup::closeStartWindows() {
  for (HWND* window : {&preparing_, &splash_}) {
    if (*window) DestroyWindow(*window);
    *window = nullptr;
  }
  progressBar_ = nullptr;
  if (splashPicture_) DeleteObject(splashPicture_);
  splashPicture_ = nullptr;
}

}  // namespace kx

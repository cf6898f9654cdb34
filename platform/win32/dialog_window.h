#pragma once
// One loaded dialog as a real window of class "TPoolTemplate": its controls are made from the
// form model in creation order, update() mirrors the model into them, and what the user does
// goes into the model first and to the host's DialogEvents after.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/forms/form_model.h"
#include "platform/platform.h"
#include "platform/win32/drawn_controls.h"
#include "platform/win32/form_drawing.h"
#include "platform/win32/system_controls.h"

namespace kx {

inline constexpr char kDialogWindowClass[] = "TPoolTemplate";
// The window property holding a global atom with the component's name, for the UI driver.
inline constexpr char kControlNameProperty[] = "KxControlName";
// Control windows are numbered from here in the form's creation order.
inline constexpr int kFirstControlId = 1000;

// The common controls library, bound from the system folder at run time so that a copy placed
// beside the setup is never loaded. Null functions where it can't be loaded.
struct CommonControlFunctions {
  BOOL(WINAPI* initCommonControlsEx)(const INITCOMMONCONTROLSEX*) = nullptr;
  BOOL(WINAPI* setWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
  LRESULT(WINAPI* defSubclassProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};
const CommonControlFunctions& commonControls();

class Win32DialogWindow : public DialogWindow {
 public:
  Win32DialogWindow(DialogForm& form, DialogEvents& events, PictureCodecs& pictures);
  ~Win32DialogWindow() override;
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  WindowHandle handle() const override;
  void update() override;
  ScreenRect bounds() const override;
  void moveTo(int left, int top) override;
  void bringToFront() override;
  void hide() override;
  void setRedraw(bool on) override;
  void focusControl(std::string_view control) override;
  void startPageRefreshTimer(int milliseconds) override;
  void stopPageRefreshTimer() override;

  static void registerClass(HINSTANCE instance);

 private:
  struct ControlWindow {
    Control* control = nullptr;
    SystemControlClass type{};
    HWND window = nullptr;
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    COLORREF background = 0;
    // The property texts last put into the window, parallel to the kind's properties.
    std::vector<std::string> shown;
    std::unique_ptr<DrawnControlState> drawn;
    std::optional<PictureBitmap> glyph;
    // Full paths of the items of file, folder, drive and shell controls, by item.
    std::vector<std::string> paths;
    ATOM nameAtom = 0;
  };

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void createWindow();
  void resizeClient();
  void createControls();
  void createControl(size_t index);
  void orderControls();
  HWND parentWindow(const Control& control) const;
  const PropertyHolder& fontHolder(const Control& control) const;
  COLORREF backgroundOf(int index) const;
  void applyFonts();
  void applyColours();
  void layout();
  void mirror(ControlWindow& entry, bool initial);
  void fillContents(ControlWindow& entry);
  void showGlyph(ControlWindow& entry);
  void drawButton(ControlWindow& entry, const DRAWITEMSTRUCT& item);
  void setTextIfDifferent(HWND window, const std::string& text);
  void record(ControlWindow& entry, std::string_view property);
  void setModel(ControlWindow& entry, std::string_view property, const std::string& text);
  void report(ControlWindow& entry, ControlEvent event, std::string_view detail = {});
  void onCommand(ControlWindow& entry, WORD code);
  void onNotify(ControlWindow& entry, const NMHDR& header);
  void onScroll(ControlWindow& entry);
  void addShellFolder(ControlWindow& entry, HTREEITEM parent, const std::string& text,
                      const std::string& path);
  void expandShellFolder(ControlWindow& entry, HTREEITEM item);
  void selectShellPath(ControlWindow& entry);
  ControlWindow* entryOf(HWND control);
  ControlWindow* entryById(int id);
  ControlWindow* findEntry(std::string_view name);
  HBRUSH colourControl(HDC dc, HWND control);
  void rescale(int dpi, const RECT* suggested);
  int monitorDpi() const;
  void prepareSystemMenu();
  // Gives the focus back to the control that last had it, or to the first tab stop.
  void restoreFocus();

  DialogForm& form_;
  DialogEvents& events_;
  PictureCodecs& pictures_;
  HWND window_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
  FormScale scale_;
  HFONT font_ = nullptr;
  HBRUSH brush_ = nullptr;
  std::vector<ControlWindow> controls_;  // in the form's creation order
  bool updating_ = false;
  std::vector<std::string> hostShown_;  // the form's property texts last shown
  // The form's client size at the current scale, before the user resized it.
  SIZE designClient_{};
};

}  // namespace kx

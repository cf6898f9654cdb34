#pragma once
// The control kinds the system has no control for, drawn by the engine from the form model:
// shapes, bevels, panels, images, gauges and check lists. Each is a child window of a class of
// its own that paints from its Control's properties and answers screen readers with its role,
// name, state and value.
#include <windows.h>

#include <string_view>
#include <vector>

#include "dialogs/forms/form_model.h"
#include "platform/platform.h"
#include "platform/win32/form_drawing.h"

namespace kx {

// What a drawn control reads while it lives; passed as CreateWindowEx's creation parameter and
// owned by the dialog window, which outlives the control.
struct DrawnControlState {
  Control* control = nullptr;
  FormScale scale;
  PictureCodecs* pictures = nullptr;
  // Check lists: the check state of each item (the form model keeps no per-item checks).
  std::vector<bool> checks;
};

// Shapes, bevels, images and gauges show their parent's background around what they draw: the
// brush that the parent answers to WM_CTLCOLORSTATIC. A panel passes its children's
// notifications (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR..., scrolling, owner drawing) on to its own
// parent.
//
// Notifications a drawn control sends its parent as WM_COMMAND (control id, code, window):
// BN_CLICKED for a left-button release over images, shapes and panels, LBN_SELCHANGE when a
// check list's selection changes (ItemIndex is updated first), and this one when the user
// toggles a check list item's check box (the item is the new ItemIndex).
inline constexpr WORD kCheckListCheckChanged = 0x4001;

// Screen readers receive a control's object through COM (WM_GETOBJECT), so the thread that owns
// the dialog windows has COM initialised, apartment-threaded.
//
// Registers the window classes; once per process, before the first dialog is made.
void registerDrawnControlClasses(HINSTANCE instance);
// The window class for a control kind drawn by the engine; nullptr for every other kind.
const char* drawnControlClass(std::string_view kindClassName);
// After the form model changed: repaint, and tell screen readers when a gauge's value or a
// control's name changed.
void refreshDrawnControl(HWND control);

}  // namespace kx

// Dialog windows made from text definitions: the real controls they hold, the model mirrored
// into them, and what a user does reaching the model and the host's events.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "dialogs/forms/tree_nodes.h"
#include "platform/win32/drawn_controls.h"
#include "platform/win32/wic_picture_codecs.h"
#include "platform/win32/win32_dialog_windows.h"

namespace kx {
namespace {

struct RecordedEvent {
  std::string control;
  ControlEvent event;
  std::string detail;
  bool operator==(const RecordedEvent&) const = default;
};

void PrintTo(const RecordedEvent& event, std::ostream* out) {
  *out << event.control << "/" << static_cast<int>(event.event) << "/" << event.detail;
}

class RecordingEvents : public DialogEvents {
 public:
  void controlEvent(std::string_view control, ControlEvent event,
                    std::string_view detail) override {
    events.push_back({std::string(control), event, std::string(detail)});
  }
  bool closeRequested() override {
    ++closeRequests;
    return allowClose;
  }
  void refreshTimer() override { ++refreshes; }
  void pageRefreshTimer() override { ++pageRefreshes; }
  void decide(int32_t, std::string_view) override {}

  std::vector<RecordedEvent> events;
  bool allowClose = false;
  int closeRequests = 0;
  int refreshes = 0;
  int pageRefreshes = 0;
};

std::string hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string className(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string windowText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The rectangle of a control in its parent's client coordinates.
RECT placeOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string nameProperty(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<uintptr_t>(GetPropA(window, "KxControlName")));
  char name[128] = {};
  GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

int fontHeight(HWND window) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

// Sends a key through the message dispatch the engine's loops use, as if the user pressed it.
void press(HWND focus, UINT key, UINT down = WM_KEYDOWN, UINT up = WM_KEYUP) {
  MSG message{focus, down, key, 1, 0, {}};
  dispatchWindowMessage(message);
  message.message = up;
  message.lParam = static_cast<LPARAM>(0xC0000001);
  dispatchWindowMessage(message);
}

const std::string kTree = treeNodesToBlock(
    {{"Program", -1, -1, -1, -1, {{"Help", -1, -1, -1, -1, {}}}}, {"Samples", -1, -1, -1, -1, {}}});

const std::string kEveryKind = R"(object Page: TPoolTemplate
  Caption = 'Every kind'
  ClientWidth = 600
  ClientHeight = 420
  object Title: TLabel
    Left = 8
    Top = 8
    Width = 120
    Height = 13
    Caption = '&Your name:'
    FocusControl = NameEdit
  end
  object NameEdit: TEdit
    Left = 8
    Top = 24
    Width = 150
    Height = 21
    Text = 'Ada'
    TabOrder = 1
  end
  object Notes: TMemo
    Left = 8
    Top = 50
    Width = 150
    Height = 60
    Lines.Strings = ('one' 'two')
    TabOrder = 2
  end
  object Next: TButton
    Left = 500
    Top = 380
    Width = 75
    Height = 25
    Caption = '&Next >'
    Default = True
    TabOrder = 0
  end
  object Accept: TRzCheckBox
    Left = 8
    Top = 120
    Width = 150
    Height = 17
    Caption = 'I accept'
    TabOrder = 3
  end
  object Choices: TGroupBox
    Left = 170
    Top = 8
    Width = 150
    Height = 80
    Caption = 'Kind'
    TabOrder = 4
    object Full: TRzRadioButton
      Left = 8
      Top = 20
      Width = 100
      Height = 17
      Caption = 'Full'
      Checked = True
      TabOrder = 0
    end
    object Light: TRzRadioButton
      Left = 8
      Top = 44
      Width = 100
      Height = 17
      Caption = 'Light'
      TabOrder = 1
    end
  end
  object Languages: TListBox
    Left = 170
    Top = 100
    Width = 150
    Height = 60
    Items.Strings = ('English' 'French')
    TabOrder = 5
  end
  object Sizes: TComboBox
    Left = 330
    Top = 8
    Width = 120
    Height = 21
    Items.Strings = ('Small' 'Large')
    TabOrder = 6
  end
  object Done: TProgressBar
    Left = 330
    Top = 40
    Width = 200
    Height = 17
    Position = 30
  end
  object Speed: TTrackBar
    Left = 330
    Top = 64
    Width = 200
    Height = 30
    Max = 20
    Position = 4
    TabOrder = 7
  end
  object Parts: TTreeView
    Left = 330
    Top = 100
    Width = 200
    Height = 100
    Items.Data = {)" + hex(kTree) +
                               R"(}
    TabOrder = 8
  end
  object Story: TRichEdit
    Left = 8
    Top = 170
    Width = 150
    Height = 60
    Lines.Strings = ('plain')
    TabOrder = 9
  end
  object Count: TEdit
    Left = 170
    Top = 170
    Width = 60
    Height = 21
    TabOrder = 10
  end
  object Spin: TUpDown
    Left = 230
    Top = 170
    Width = 16
    Height = 21
    Associate = Count
    Position = 3
  end
  object Viewer: THTMLViewer
    Left = 8
    Top = 240
    Width = 150
    Height = 60
  end
end
)";

struct KindCase {
  const char* control;
  std::vector<std::string> classes;  // any of these
  RECT place;                        // in the parent's client area
  const char* text;
};

class DialogWindowsTest : public ::testing::Test {
 protected:
  std::unique_ptr<DialogWindow> open(const std::string& definition) {
    forms.push_back(DialogForm::fromDefinition(dfm::objectFromText(definition)));
    form = forms.back().get();
    return windows.create(*form, events);
  }
  static HWND findById(const DialogWindow& window, int index) {
    struct Search {
      int id;
      HWND found;
    } search{1000 + index, nullptr};
    EnumChildWindows(
        reinterpret_cast<HWND>(window.handle()),
        [](HWND child, LPARAM data) -> BOOL {
          auto* search = reinterpret_cast<Search*>(data);
          if (GetDlgCtrlID(child) != search->id) return TRUE;
          search->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  WicPictureCodecs codecs;
  Win32DialogWindows windows{codecs};
  RecordingEvents events;
  // Each window's form outlives it.
  std::vector<std::unique_ptr<DialogForm>> forms;
  DialogForm* form = nullptr;
};

TEST_F(DialogWindowsTest, MakesEachControlFromTheDefinition) {
  auto window = open(kEveryKind);
  HWND dialog = reinterpret_cast<HWND>(window->handle());
  EXPECT_EQ(className(dialog), "TPoolTemplate");
  EXPECT_EQ(windowText(dialog), "Every kind");
  EXPECT_EQ(nameProperty(dialog), "Page");
  EXPECT_FALSE(IsWindowVisible(dialog));
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 420);
  const KindCase cases[] = {
      {"Title", {"Static"}, {8, 8, 128, 21}, "&Your name:"},
      {"NameEdit", {"Edit"}, {8, 24, 158, 45}, "Ada"},
      {"Notes", {"Edit"}, {8, 50, 158, 110}, "one\r\ntwo"},
      {"Next", {"Button"}, {500, 380, 575, 405}, "&Next >"},
      {"Accept", {"Button"}, {8, 120, 158, 137}, "I accept"},
      {"Choices", {"Button"}, {170, 8, 320, 88}, "Kind"},
      {"Light", {"Button"}, {8, 44, 108, 61}, "Light"},
      {"Languages", {"ListBox"}, {170, 100, 320, 160}, ""},
      {"Done", {"msctls_progress32"}, {330, 40, 530, 57}, ""},
      {"Speed", {"msctls_trackbar32"}, {330, 64, 530, 94}, ""},
      {"Parts", {"SysTreeView32"}, {330, 100, 530, 200}, ""},
      {"Story", {"RICHEDIT50W", "RichEdit20A", "RichEdit20W"}, {8, 170, 158, 230}, "plain"},
      {"Viewer", {"Static"}, {8, 240, 158, 300}, ""},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.control);
    const Control* model = form->findControl(c.control);
    ASSERT_NE(model, nullptr);
    HWND child = findById(*window, static_cast<int>(model - form->controls().data()));
    ASSERT_NE(child, nullptr);
    bool known = false;
    for (const std::string& name : c.classes)
      known = known || lstrcmpiA(name.c_str(), className(child).c_str()) == 0;
    EXPECT_TRUE(known) << className(child);
    const RECT place = placeOf(child);
    EXPECT_EQ(std::tie(place.left, place.top, place.right, place.bottom),
              std::tie(c.place.left, c.place.top, c.place.right, c.place.bottom));
    EXPECT_EQ(windowText(child), c.text);
    EXPECT_EQ(nameProperty(child), c.control);
  }
  HWND choices = findById(*window, 5);
  EXPECT_EQ(GetParent(findById(*window, 6)), choices) << "the radio button sits in its group box";
  HWND sizes = findById(*window, 9);
  EXPECT_EQ(SendMessageA(sizes, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(findById(*window, 8), LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(findById(*window, 10), PBM_GETPOS, 0, 0), 30);
  EXPECT_EQ(SendMessageA(findById(*window, 11), TBM_GETPOS, 0, 0), 4);
  EXPECT_EQ(SendMessageA(findById(*window, 12), TVM_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(findById(*window, 6), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(windowText(findById(*window, 14)), "3") << "the up-down writes into its edit";
  EXPECT_EQ(GetWindowLongA(findById(*window, 3), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(events.events.empty());
}

TEST_F(DialogWindowsTest, UpdateMirrorsTheModelWithoutEvents) {
  auto window = open(kEveryKind);
  const std::tuple<const char*, const char*, const char*> changes[] = {
      {"Title", "Caption", "Full &name:"},
      {"NameEdit", "Text", "Grace"},
      {"Notes", "Lines", "three\r\n"},
      {"Accept", "Checked", "True"},
      {"Light", "Checked", "True"},
      {"Full", "Checked", "False"},
      {"Languages", "ItemIndex", "1"},
      {"Sizes", "Items", "A\r\nB\r\nC\r\n"},
      {"Sizes", "ItemIndex", "2"},
      {"Done", "Position", "75"},
      {"Speed", "Position", "12"},
      {"Next", "Enabled", "False"},
      {"Story", "Lines", "{\\rtf1 bold {\\b text}}\r\n"},
      {"Viewer", "Visible", "False"},
  };
  for (const auto& [name, property, text] : changes) form->setPropertyText(name, property, text);
  form->host.setPropertyText("Caption", "Changed");
  form->host.setPropertyText("ClientWidth", "640");
  form->host.setPropertyText("Font.Height", "-20");
  // Screen readers hear of the changes to a progress page's tag-1 text and bar.
  static std::vector<std::pair<DWORD, HWND>> announced;
  announced.clear();
  HWINEVENTHOOK hook = SetWinEventHook(
      EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
      [](HWINEVENTHOOK, DWORD event, HWND changed, LONG, LONG, DWORD, DWORD) {
        announced.emplace_back(event, changed);
      },
      GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
  form->setPropertyText("Title", "Tag", "1");
  form->setPropertyText("Done", "Tag", "1");
  window->update();
  windows.processPendingMessages();
  UnhookWinEvent(hook);
  auto at = [&](int index) { return findById(*window, index); };
  EXPECT_EQ(windowText(reinterpret_cast<HWND>(window->handle())), "Changed");
  EXPECT_EQ(windowText(at(0)), "Full &name:");
  EXPECT_EQ(windowText(at(1)), "Grace");
  EXPECT_EQ(windowText(at(2)), "three");
  EXPECT_EQ(SendMessageA(at(4), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(at(6), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(at(7), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(at(8), LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(at(9), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(at(9), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageA(at(10), PBM_GETPOS, 0, 0), 75);
  EXPECT_EQ(SendMessageA(at(11), TBM_GETPOS, 0, 0), 12);
  EXPECT_FALSE(IsWindowEnabled(at(3)));
  EXPECT_EQ(windowText(at(13)), "bold text") << "rich text is read as RTF";
  EXPECT_FALSE(GetWindowLongA(at(16), GWL_STYLE) & WS_VISIBLE);
  RECT client;
  GetClientRect(reinterpret_cast<HWND>(window->handle()), &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(fontHeight(at(1)), 20) << "the edit takes the form's new font";
  auto heard = [&](DWORD event, HWND changed) {
    return std::find(announced.begin(), announced.end(), std::pair{event, changed}) !=
           announced.end();
  };
  EXPECT_TRUE(heard(EVENT_OBJECT_NAMECHANGE, at(0)));
  EXPECT_TRUE(heard(EVENT_OBJECT_VALUECHANGE, at(10)));
  EXPECT_TRUE(events.events.empty());
  EXPECT_EQ(form->propertyText("Notes", "Lines"), "three\r\n") << "the model is left as set";
}

TEST_F(DialogWindowsTest, UserInputGoesToTheModelThenToTheHost) {
  auto window = open(kEveryKind);
  HWND dialog = reinterpret_cast<HWND>(window->handle());
  auto at = [&](int index) { return findById(*window, index); };
  auto command = [&](int index, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1000 + index, code),
                 reinterpret_cast<LPARAM>(at(index)));
  };
  SetWindowTextA(at(1), "Linus");
  // Typed: a multi-line edit reports no change for text set as a whole.
  SendMessageA(at(2), EM_SETSEL, 0, -1);
  SendMessageA(at(2), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("a\r\nb"));
  SendMessageA(at(4), BM_CLICK, 0, 0);
  SendMessageA(at(7), BM_CLICK, 0, 0);
  SendMessageA(at(8), LB_SETCURSEL, 1, 0);
  command(8, LBN_SELCHANGE);
  SendMessageA(at(9), CB_SETCURSEL, 1, 0);
  command(9, CBN_SELCHANGE);
  SendMessageA(at(11), TBM_SETPOS, TRUE, 9);
  SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(at(11)));
  HTREEITEM program =
      reinterpret_cast<HTREEITEM>(SendMessageA(at(12), TVM_GETNEXTITEM, TVGN_ROOT, 0));
  HTREEITEM help = reinterpret_cast<HTREEITEM>(
      SendMessageA(at(12), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(program)));
  SendMessageA(at(12), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(help));
  SendMessageA(at(3), BM_CLICK, 0, 0);

  EXPECT_EQ(form->propertyText("NameEdit", "Text"), "Linus");
  EXPECT_EQ(form->propertyText("Notes", "Lines"), "a\r\nb\r\n");
  EXPECT_EQ(form->propertyText("Accept", "Checked"), "True");
  EXPECT_EQ(form->propertyText("Light", "Checked"), "True");
  EXPECT_EQ(form->propertyText("Full", "Checked"), "False");
  EXPECT_EQ(form->propertyText("Languages", "ItemIndex"), "1");
  EXPECT_EQ(form->propertyText("Sizes", "ItemIndex"), "1");
  EXPECT_EQ(form->propertyText("Sizes", "Text"), "Large");
  EXPECT_EQ(form->propertyText("Speed", "Position"), "9");
  const std::vector<RecordedEvent> expected = {
      {"NameEdit", ControlEvent::Change, ""},
      {"Notes", ControlEvent::Change, ""},
      {"Accept", ControlEvent::Click, ""},
      {"Light", ControlEvent::Click, ""},
      {"Languages", ControlEvent::Click, ""},
      {"Sizes", ControlEvent::Change, ""},
      {"Sizes", ControlEvent::Click, ""},
      {"Speed", ControlEvent::Change, ""},
      {"Parts", ControlEvent::Change, "Program\\Help"},
      {"Next", ControlEvent::Click, ""},
  };
  EXPECT_EQ(events.events, expected);
  // Mirroring what the user typed back into the window changes nothing and reports nothing.
  events.events.clear();
  window->update();
  EXPECT_EQ(windowText(at(1)), "Linus");
  EXPECT_TRUE(events.events.empty());
}

TEST_F(DialogWindowsTest, KeyboardFollowsTabOrderAndPressesTheDefaultButton) {
  auto window = open(kEveryKind);
  window->bringToFront();
  auto at = [&](int index) { return findById(*window, index); };
  // Tab order: Next (0), NameEdit (1), Notes (2), Accept (3), then the group box's checked radio.
  SetFocus(at(3));
  const HWND forward[] = {at(1), at(2), at(4), at(6)};
  for (HWND expected : forward) {
    press(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), expected) << className(GetFocus()) << " " << windowText(GetFocus());
  }
  SetFocus(at(2));
  MSG shiftTab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
  // Shift+Tab: the dialog manager reads the shift key's state.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  dispatchWindowMessage(shiftTab);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(GetFocus(), at(1));

  // Space toggles the focused check box; Enter in the edit presses the default button.
  SetFocus(at(4));
  press(at(4), VK_SPACE);
  EXPECT_EQ(form->propertyText("Accept", "Checked"), "True");
  SetFocus(at(1));
  press(at(1), VK_RETURN);
  ASSERT_FALSE(events.events.empty());
  EXPECT_EQ(events.events.back(), (RecordedEvent{"Next", ControlEvent::Click, ""}));
  // Alt+Y moves to the control the label names.
  SetFocus(at(4));
  press(at(4), 'y', WM_SYSCHAR, WM_SYSKEYUP);
  EXPECT_EQ(GetFocus(), at(1));
}

TEST_F(DialogWindowsTest, CloseAsksTheHost) {
  auto window = open(kEveryKind);
  window->bringToFront();
  HWND dialog = reinterpret_cast<HWND>(window->handle());
  SendMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(events.closeRequests, 1);
  EXPECT_TRUE(IsWindowVisible(dialog));
  HMENU menu = GetSystemMenu(dialog, FALSE);
  EXPECT_TRUE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
  char about[32] = {};
  GetMenuStringA(menu, GetMenuItemCount(menu) - 1, about, sizeof about, MF_BYPOSITION);
  EXPECT_STREQ(about, "About");
  events.allowClose = true;
  SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(events.closeRequests, 2);
  EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(DialogWindowsTest, TimersReachTheHost) {
  auto window = open(kEveryKind);
  window->startPageRefreshTimer(20);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 1300) {
    windows.processPendingMessages();
    Sleep(10);
  }
  EXPECT_EQ(events.pageRefreshes, 1) << "the page refresh fires once";
  EXPECT_GE(events.refreshes, 1);
}

// The kinds the engine draws get their own window classes; a panel's controls report to the
// dialog as if the panel were not there.
TEST_F(DialogWindowsTest, DrawnKindsAndPanelContents) {
  auto window = open(R"(object Drawn: TPoolTemplate
  ClientWidth = 400
  ClientHeight = 300
  object Box: TPanel
    Left = 10
    Top = 10
    Width = 200
    Height = 100
    Caption = 'Panel'
    object Inside: TButton
      Left = 20
      Top = 30
      Width = 80
      Height = 25
      Caption = 'Inside'
      TabOrder = 0
    end
  end
  object Dot: TShape
    Left = 220
    Top = 10
    Width = 40
    Height = 40
    Shape = stCircle
  end
  object Line: TBevel
    Left = 10
    Top = 120
    Width = 380
    Height = 2
  end
  object Logo: TImage
    Left = 270
    Top = 10
    Width = 32
    Height = 32
  end
  object Meter: TGauge
    Left = 10
    Top = 130
    Width = 200
    Height = 20
    Progress = 40
  end
  object Parts: TCheckListBox
    Left = 10
    Top = 160
    Width = 200
    Height = 80
    Items.Strings = ('Program' 'Help')
  end
end
)");
  const std::pair<int, const char*> kinds[] = {{0, "TPanel"}, {2, "TShape"}, {3, "TBevel"},
                                               {4, "TImage"}, {5, "TGauge"}, {6, "TCheckListBox"}};
  for (const auto& [index, kind] : kinds) {
    SCOPED_TRACE(kind);
    HWND child = findById(*window, index);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(className(child), drawnControlClass(kind));
    EXPECT_EQ(GetParent(child), reinterpret_cast<HWND>(window->handle()));
  }
  HWND inside = findById(*window, 1);
  EXPECT_EQ(GetParent(inside), findById(*window, 0));
  const RECT place = placeOf(inside);
  EXPECT_EQ(std::tie(place.left, place.top, place.right, place.bottom),
            std::tuple(20, 30, 100, 55));
  SendMessageA(inside, BM_CLICK, 0, 0);
  HWND dot = findById(*window, 2);
  SendMessageA(dot, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  SendMessageA(dot, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  const std::vector<RecordedEvent> expected = {{"Inside", ControlEvent::Click, ""},
                                               {"Dot", ControlEvent::MouseUp, ""}};
  EXPECT_EQ(events.events, expected);
}

std::vector<std::string> listItems(HWND list, UINT countMessage, UINT textMessage) {
  std::vector<std::string> items;
  const auto count = SendMessageA(list, countMessage, 0, 0);
  for (LRESULT item = 0; item < count; ++item) {
    char text[MAX_PATH] = {};
    SendMessageA(list, textMessage, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

// File, folder, drive and shell controls show the real file system around the current folder,
// and report what the user picks with its full path.
TEST_F(DialogWindowsTest, FileSystemControlsShowTheFolder) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "kx dialog files";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\Docs").c_str(), nullptr);
  for (const char* name : {"\\b.txt", "\\a.txt", "\\c.log"}) {
    HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
  }
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  std::string definition =
      "object Files: TPoolTemplate\n  ClientWidth = 500\n  ClientHeight = 400\n";
  const char* kinds[] = {"TFileListBox", "TDirectoryListBox", "TDriveComboBox", "TFilterComboBox",
                         "TPTShellTree", "TPTShellList",      "TPTShellCombo"};
  int top = 0;
  for (const char* kind : kinds) {
    definition += std::string("  object ") + (kind + 1) + ": " + kind +
                  "\n    Top = " + std::to_string(top += 50) +
                  "\n    Width = 200\n    Height = 45\n";
    if (kind == std::string("TFileListBox")) definition += "    Mask = '*.txt'\n";
    if (kind == std::string("TFilterComboBox")) {
      definition += "    Filter = 'Text (*.txt)|*.txt|Logs|*.log'\n";
    }
    definition += "  end\n";
  }
  auto window = open(definition + "end\n");
  HWND dialog = reinterpret_cast<HWND>(window->handle());
  auto at = [&](int index) { return findById(*window, index); };
  auto command = [&](int index, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1000 + index, code),
                 reinterpret_cast<LPARAM>(at(index)));
  };
  EXPECT_EQ(listItems(at(0), LB_GETCOUNT, LB_GETTEXT),
            (std::vector<std::string>{"a.txt", "b.txt"}));
  SendMessageA(at(0), LB_SETCURSEL, 1, 0);
  command(0, LBN_SELCHANGE);
  const std::vector<std::string> folders = listItems(at(1), LB_GETCOUNT, LB_GETTEXT);
  ASSERT_GE(folders.size(), 2u);
  EXPECT_EQ(folders.back().substr(folders.back().find_first_not_of(' ')), "Docs");
  SendMessageA(at(1), LB_SETCURSEL, folders.size() - 1, 0);
  command(1, LBN_SELCHANGE);
  const std::vector<std::string> drives = listItems(at(2), CB_GETCOUNT, CB_GETLBTEXT);
  EXPECT_NE(std::find(drives.begin(), drives.end(), "c:"), drives.end());
  SendMessageA(at(2), CB_SETCURSEL,
               static_cast<WPARAM>(std::find(drives.begin(), drives.end(), "c:") - drives.begin()),
               0);
  command(2, CBN_SELCHANGE);
  EXPECT_EQ(listItems(at(3), CB_GETCOUNT, CB_GETLBTEXT),
            (std::vector<std::string>{"Text (*.txt)", "Logs"}));
  SendMessageA(at(3), CB_SETCURSEL, 1, 0);
  command(3, CBN_SELCHANGE);
  EXPECT_GE(SendMessageA(at(4), TVM_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(at(5), LVM_GETITEMCOUNT, 0, 0), 4) << "Docs and the three files";
  const std::vector<RecordedEvent> expected = {
      {"FileListBox", ControlEvent::Change, folder + "\\b.txt"},
      {"DirectoryListBox", ControlEvent::Change, folder + "\\Docs"},
      {"DriveComboBox", ControlEvent::Change, "C:\\"},
      {"FilterComboBox", ControlEvent::Change, "*.log"},
  };
  EXPECT_EQ(events.events, expected);
  SetCurrentDirectoryA(previous);
  for (const char* name : {"\\b.txt", "\\a.txt", "\\c.log"}) DeleteFileA((folder + name).c_str());
  RemoveDirectoryA((folder + "\\Docs").c_str());
  RemoveDirectoryA(folder.c_str());
}

// A 4 by 2 bitmap of two glyphs side by side, red then blue, as a glyph block stores it.
std::string twoGlyphs() {
  std::string bmp = "BM";
  auto put32 = [&](uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bmp += static_cast<char>(value >> shift & 0xFF);
  };
  auto put16 = [&](uint16_t value) {
    bmp += static_cast<char>(value & 0xFF);
    bmp += static_cast<char>(value >> 8);
  };
  put32(14 + 40 + 24);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(4);
  put32(2);
  put16(1);
  put16(24);
  for (int field = 0; field < 6; ++field) put32(0);
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 4; ++column)
      bmp += column < 2 ? std::string("\0\0\xFF", 3) : std::string("\xFF\0\0", 3);
  }
  std::string block;
  const auto size = static_cast<uint32_t>(bmp.size());
  for (int shift = 0; shift < 32; shift += 8) block += static_cast<char>(size >> shift & 0xFF);
  return block + bmp;
}

// A bitmap button shows the first of its glyphs; Escape presses the cancel button.
TEST_F(DialogWindowsTest, BitmapButtonGlyphAndCancel) {
  auto window = open(R"(object Glyphs: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 100
  object Ok: TBitBtn
    Left = 10
    Top = 10
    Width = 80
    Height = 25
    Caption = 'OK'
    NumGlyphs = 2
    Glyph.Data = {)" +
                     hex(twoGlyphs()) + R"(}
    TabOrder = 0
  end
  object Stop: TButton
    Left = 100
    Top = 10
    Width = 80
    Height = 25
    Caption = 'Cancel'
    Cancel = True
    TabOrder = 1
  end
end
)");
  window->bringToFront();
  HWND button = findById(*window, 0);
  // What the button paints: red pixels of the first glyph, none of the second's blue.
  RECT client;
  GetClientRect(button, &client);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, canvas);
  SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  int red = 0, blue = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      red += GetPixel(dc, x, y) == RGB(255, 0, 0);
      blue += GetPixel(dc, x, y) == RGB(0, 0, 255);
    }
  }
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  EXPECT_EQ(red, 4) << "a glyph of 2 by 2 pixels";
  EXPECT_EQ(blue, 0);
  SetFocus(button);
  press(button, VK_ESCAPE);
  EXPECT_EQ(events.events, (std::vector<RecordedEvent>{{"Stop", ControlEvent::Click, ""}}));
}

// A form designed at 64 pixels per inch shows at one and a half times its size on a screen of
// 96, fonts included.
TEST_F(DialogWindowsTest, ScalesFromTheDesignPixelsPerInch) {
  const std::string small = R"(object Small: TPoolTemplate
  ClientWidth = 200
  ClientHeight = 100
  PixelsPerInch = )";
  const std::string controls = R"(
  Font.Height = -12
  object Name: TEdit
    Left = 10
    Top = 20
    Width = 100
    Height = 22
  end
end
)";
  auto design = open(small + "96" + controls);
  const int designFont = fontHeight(findById(*design, 0));
  auto scaled = open(small + "64" + controls);
  RECT client;
  GetClientRect(reinterpret_cast<HWND>(scaled->handle()), &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 150);
  const RECT place = placeOf(findById(*scaled, 0));
  EXPECT_EQ(std::tie(place.left, place.top, place.right, place.bottom),
            std::tuple(15, 30, 165, 63));
  EXPECT_NEAR(fontHeight(findById(*scaled, 0)), designFont * 3 / 2, 1);

  // Moved to a monitor of 144 dots per inch, the form designed at 96 grows by half as well.
  HWND moved = reinterpret_cast<HWND>(design->handle());
  RECT suggested{0, 0, 400, 300};
  SendMessageA(moved, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  const RECT rescaled = placeOf(findById(*design, 0));
  EXPECT_EQ(std::tie(rescaled.left, rescaled.top, rescaled.right, rescaled.bottom),
            std::tuple(15, 30, 165, 63));
  EXPECT_NEAR(fontHeight(findById(*design, 0)), designFont * 3 / 2, 1);
}

// Controls anchored to the right and bottom follow a sizeable form's edges; one anchored to both
// sides grows.
TEST_F(DialogWindowsTest, AnchorsFollowTheFormsSize) {
  auto window = open(R"(object Sizeable: TPoolTemplate
  BorderStyle = bsSizeable
  ClientWidth = 300
  ClientHeight = 200
  object Corner: TButton
    Left = 200
    Top = 160
    Width = 80
    Height = 25
    Anchors = [akRight, akBottom]
  end
  object Wide: TEdit
    Left = 10
    Top = 10
    Width = 280
    Height = 21
    Anchors = [akLeft, akTop, akRight]
  end
  object Still: TLabel
    Left = 10
    Top = 40
    Width = 50
    Height = 13
  end
end
)");
  HWND dialog = reinterpret_cast<HWND>(window->handle());
  RECT frame;
  GetWindowRect(dialog, &frame);
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + 40, frame.bottom - frame.top + 30,
               SWP_NOMOVE | SWP_NOZORDER);
  const std::tuple<int, RECT> cases[] = {
      {0, {240, 190, 320, 215}}, {1, {10, 10, 330, 31}}, {2, {10, 40, 60, 53}}};
  for (const auto& [index, expected] : cases) {
    SCOPED_TRACE(index);
    const RECT place = placeOf(findById(*window, index));
    EXPECT_EQ(std::tie(place.left, place.top, place.right, place.bottom),
              std::tie(expected.left, expected.top, expected.right, expected.bottom));
  }
}

}  // namespace
}  // namespace kx

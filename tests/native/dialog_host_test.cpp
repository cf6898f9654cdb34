// The dialog host over the fake dialog windows: what preparation puts into the controls, what
// the user's changes write into the variables, the click actions, browse results, placement,
// progress pages and silent runs.
#include <gtest/gtest.h>

#include "dialogs/dialog_session.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

using Window = FakeDialogWindows::Window;

std::string page(const std::string& name, const std::string& controls, int width = 400) {
  return "object " + name + ": TPoolTemplate\n  ClientWidth = " + std::to_string(width) +
         "\n  ClientHeight = 300\n" + controls + "end\n";
}

Statement modal(const std::string& name, const std::string& result = "R") {
  return {"Display Dialog", {name, result, "TRUE", "", "", ""}};
}
Statement modeless(const std::string& name) {
  return {"Display Dialog", {name, "R", "FALSE", "", "", ""}};
}
Statement setVariable(const std::string& name, const std::string& value) {
  return {"Set Variable", {name, value}};
}

class DialogHostTest : public EngineTest {
 protected:
  DialogForm& form(const std::string& name) {
    Window* window = fake.dialogWindows.window(name);
    if (!window) throw std::runtime_error("no window " + name);
    return window->form;
  }
  // At each handled message the user does `act` on the page in front, then presses Next.
  void userDoes(std::function<void(Window&)> act) {
    fake.dialogWindows.user = [act](Window& window) {
      act(window);
      window.events.decide(6, "");
    };
  }
};

struct PrepareCase {
  const char* name;
  std::vector<Statement> setup;
  std::string control;  // the definition of a control named C
  std::string property;
  std::string expected;
};

class PreparationTest : public DialogHostTest, public ::testing::WithParamInterface<PrepareCase> {};

TEST_P(PreparationTest, FillsTheControlFromVariablesAndRoles) {
  const PrepareCase& c = GetParam();
  definitions["page"] = page("Page", c.control);
  std::vector<Statement> script = c.setup;
  script.push_back(modal("page"));
  const RunResult result = run(script);
  ASSERT_NE(result.end, RunEnd::Error);
  EXPECT_EQ(form("Page").propertyText("C", c.property), c.expected);
}

const std::string kReadmeFallback =
    "Add a readme..txt or readme.txt file to your project as a support file/creative to display "
    "it here.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, PreparationTest,
    ::testing::Values(
        PrepareCase{"LabelCaptionExpanded",
                    {setVariable("NAME", "World")},
                    "object C: TLabel\n Caption = 'Hello $NAME$'\nend\n",
                    "Caption",
                    "Hello World"},
        PrepareCase{"CheckBoxDollarHintReadsTheVariableInside",
                    {setVariable("FLAG", "TRUE")},
                    "object C: TRzCheckBox\n Hint = '$FLAG$'\nend\n",
                    "Checked",
                    "True"},
        PrepareCase{"CheckBoxMinusOneIsTrue",
                    {setVariable("FLAG", "-1")},
                    "object C: TRzCheckBox\n Hint = 'flag'\nend\n",
                    "Checked",
                    "True"},
        PrepareCase{"TrackBarUndefinedKeepsDesignPosition",
                    {},
                    "object C: TTrackBar\n Hint = 'NOSUCH'\n Position = 4\nend\n",
                    "Position",
                    "4"},
        PrepareCase{"TrackBarBound",
                    {setVariable("LEVEL", "7")},
                    "object C: TTrackBar\n Hint = 'LEVEL'\n Position = 4\nend\n",
                    "Position",
                    "7"},
        PrepareCase{"ProgressBarAboveHundredShowsHundred",
                    {setVariable("PROGRESS", "150")},
                    "object C: TProgressBar\n Tag = 1\n Position = 30\nend\n",
                    "Position",
                    "100"},
        PrepareCase{"ProgressBarBelowZeroShowsZero",
                    {setVariable("PROGRESS", "-5")},
                    "object C: TProgressBar\n Tag = 1\n Position = 30\nend\n",
                    "Position",
                    "0"},
        PrepareCase{"ProgressBarEmptyKeepsDesignPosition",
                    {setVariable("PROGRESS", "")},
                    "object C: TProgressBar\n Tag = 1\n Position = 30\nend\n",
                    "Position",
                    "30"},
        PrepareCase{"ProgressBarWithoutTagKeepsDesignPosition",
                    {setVariable("PROGRESS", "60")},
                    "object C: TProgressBar\n Position = 30\nend\n",
                    "Position",
                    "30"},
        PrepareCase{"GaugeEmptyShowsHundred",
                    {setVariable("PROGRESS", "")},
                    "object C: TGauge\n Tag = 1\n Progress = 30\nend\n",
                    "Progress",
                    "100"},
        PrepareCase{"EditTargetKeepsTheNetworkPathStart",
                    {setVariable("TARGETDIR", "\\\\server\\\\apps\\\\tool")},
                    "object C: TEdit\n Tag = 2\nend\n",
                    "Text",
                    "\\\\server\\apps\\tool"},
        PrepareCase{"EditBoundCollapsesDoubledBackslashes",
                    {setVariable("TARGETDIR", "C:\\\\Apps\\\\Tool")},
                    "object C: TEdit\n Hint = 'TARGETDIR'\nend\n",
                    "Text",
                    "C:\\Apps\\Tool"},
        PrepareCase{"EditDesignTextShownUnexpanded",
                    {setVariable("COMPANY", "Acme")},
                    "object C: TEdit\n Tag = 4\n Text = 'by $COMPANY$'\nend\n",
                    "Text",
                    "by $COMPANY$"},
        PrepareCase{"EditEmptyStartsWithTheTagsText",
                    {setVariable("COMPANY", "Acme")},
                    "object C: TEdit\n Tag = 4\nend\n",
                    "Text",
                    "Acme"},
        PrepareCase{"EditTagThreeShowsTheUserReferenceWhenUndefined",
                    {},
                    "object C: TEdit\n Tag = 3\nend\n",
                    "Text",
                    "$USER$"},
        PrepareCase{"MaskEditKeepsDoubledBackslashes",
                    {setVariable("P", "C:\\\\x")},
                    "object C: TMaskEdit\n Hint = 'P'\nend\n",
                    "Text",
                    "C:\\\\x"},
        PrepareCase{"MemoBoundTurnsNewLineMarkers",
                    {setVariable("NOTE", "a$NEWLINE$b")},
                    "object C: TMemo\n Hint = 'NOTE'\nend\n",
                    "Lines",
                    "a\r\nb\r\n"},
        PrepareCase{"MemoWithoutHintIsReadOnly", {}, "object C: TMemo\nend\n", "ReadOnly", "True"},
        PrepareCase{"MemoReadmeMissingExplains",
                    {},
                    "object C: TMemo\n Tag = 1\n Lines.Strings = ('design')\nend\n",
                    "Lines",
                    kReadmeFallback},
        PrepareCase{
            "RichEditHasBothScrollBars", {}, "object C: TRichEdit\nend\n", "ScrollBars", "ssBoth"},
        PrepareCase{"ListBoxSelectsTheValueIgnoringCase",
                    {setVariable("PICK", "two")},
                    "object C: TListBox\n Hint = 'PICK'\n Items.Strings = ('One' 'Two')\nend\n",
                    "ItemIndex",
                    "1"},
        PrepareCase{"ListBoxItemsExpanded",
                    {setVariable("NAME", "Ann")},
                    "object C: TListBox\n Items.Strings = ('$NAME$' 'Two')\nend\n",
                    "Items",
                    "Ann\r\nTwo\r\n"},
        PrepareCase{"StaticTextWithTagOneShowsTheProgressText",
                    {setVariable("PROGRESSTEXT", "Copying")},
                    "object C: TStaticText\n Tag = 1\n Caption = 'x'\nend\n",
                    "Caption",
                    "Copying"},
        PrepareCase{"ComboBoxBoundText",
                    {setVariable("COLOUR", "Blue")},
                    "object C: TComboBox\n Hint = 'COLOUR'\nend\n",
                    "Text",
                    "Blue"},
        PrepareCase{"TreeIsReadOnly", {}, "object C: TTreeView\nend\n", "ReadOnly", "True"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogHostTest, TrackBarBoundToLettersFailsTheStatement) {
  definitions["page"] = page("Page", "object C: TTrackBar\n Hint = 'LEVEL'\nend\n");
  const RunResult result = run({setVariable("LEVEL", "abc"), modal("page")});
  EXPECT_EQ(result.end, RunEnd::Error);
  EXPECT_FALSE(engine.store.isDefined("R"));
}

TEST_F(DialogHostTest, ReadmeFileIsLoadedIntoTheMemo) {
  fake.files[upperAscii(engine.options.supportFolder + "readme.txt")] = "first\r\nsecond";
  definitions["page"] = page("Page", "object C: TMemo\n Tag = 1\nend\n");
  run({modal("page")});
  EXPECT_EQ(form("Page").propertyText("C", "Lines"), "first\r\nsecond\r\n");
}

struct HandlerCase {
  const char* name;
  std::string control;  // a control named C
  std::string property;
  std::string value;
  ControlEvent event;
  std::string detail;
  std::string variable;
  std::string expected;
};

class HandlerTest : public DialogHostTest, public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(HandlerTest, TheUsersChangeReachesTheBoundVariable) {
  const HandlerCase& c = GetParam();
  definitions["page"] = page("Page", c.control);
  userDoes([&c](Window& window) { window.act("C", c.property, c.value, c.event, c.detail); });
  ASSERT_NE(run({modal("page")}).end, RunEnd::Error);
  ASSERT_TRUE(engine.store.isDefined(c.variable));
  EXPECT_EQ(var(c.variable), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, HandlerTest,
    ::testing::Values(
        HandlerCase{"EditWritesTheUpperCasedHint", "object C: TEdit\n Hint = 'name'\nend\n", "Text",
                    "Ann", ControlEvent::Change, "", "NAME", "Ann"},
        HandlerCase{"CheckBoxDollarHintWritesTheWholeHint",
                    "object C: TRzCheckBox\n Hint = '$flag$'\nend\n", "Checked", "True",
                    ControlEvent::Click, "", "$FLAG$", "TRUE"},
        HandlerCase{"MemoLineBreaksBecomeMarkers", "object C: TMemo\n Hint = 'NOTE'\nend\n",
                    "Lines", "a\r\nb", ControlEvent::Change, "", "NOTE", "a$NEWLINE$b"},
        HandlerCase{"TrackBarPosition", "object C: TTrackBar\n Hint = 'LEVEL'\nend\n", "Position",
                    "9", ControlEvent::Change, "", "LEVEL", "9"},
        HandlerCase{"ListBoxSelectedItem",
                    "object C: TListBox\n Hint = 'PICK'\n Items.Strings = ('One' 'Two')\nend\n",
                    "ItemIndex", "1", ControlEvent::Click, "", "PICK", "Two"},
        HandlerCase{"ComboBoxText", "object C: TComboBox\n Hint = 'COLOUR'\nend\n", "Text", "Red",
                    ControlEvent::Change, "", "COLOUR", "Red"},
        HandlerCase{"DriveListWritesTheRoot", "object C: TDriveComboBox\n Hint = 'DRIVE'\nend\n",
                    "", "", ControlEvent::Change, "d", "DRIVE", "d:\\"},
        HandlerCase{"TreeWritesTheNodesText", "object C: TTreeView\n Hint = 'NODE'\nend\n", "", "",
                    ControlEvent::Change, "Program\\Docs", "NODE", "Docs"},
        HandlerCase{"FileListWritesTheFullName", "object C: TFileListBox\n Hint = 'FILE'\nend\n",
                    "", "", ControlEvent::Change, "C:\\Data\\a.txt", "FILE", "C:\\Data\\a.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogHostTest, RadioButtonClickWritesEveryRadioOfTheDialog) {
  definitions["page"] = page("Page",
                             "object G1: TGroupBox\n"
                             " object R1: TRzRadioButton\n  Hint = 'A'\n  Checked = True\n end\n"
                             "end\n"
                             "object G2: TGroupBox\n"
                             " object R2: TRzRadioButton\n  Hint = 'B'\n end\n"
                             " object R3: TRzRadioButton\n end\n"
                             "end\n");
  userDoes([](Window& window) { window.act("R2", "Checked", "True", ControlEvent::Click); });
  run({modal("page")});
  EXPECT_EQ(var("A"), "TRUE");
  EXPECT_EQ(var("B"), "TRUE");
}

TEST_F(DialogHostTest, RulesRunAfterEveryChange) {
  definitions["page"] = page("Page",
                             "object Name: TEdit\n Hint = 'NAME'\n Text = 'x'\nend\n"
                             "object Next: TButton\n Tag = 1\nend\n");
  rules["page"] = {"IF (Name.Text = )  THEN  Next.Enabled := False;",
                   "IF (Name.Text <> )  THEN  Next.Enabled := True;"};
  std::vector<std::string> enabled;
  fake.dialogWindows.user = [&](Window& window) {
    const int updates = window.updates;
    window.act("Name", "Text", "", ControlEvent::Change);
    enabled.push_back(window.form.propertyText("Next", "Enabled"));
    window.act("Name", "Text", "Ann", ControlEvent::Change);
    enabled.push_back(window.form.propertyText("Next", "Enabled"));
    EXPECT_GT(window.updates, updates);
    window.act("Next", "", "", ControlEvent::Click);
  };
  run({modal("page")});
  EXPECT_EQ(enabled, (std::vector<std::string>{"False", "True"}));
  EXPECT_EQ(var("NAME"), "Ann");
  EXPECT_EQ(var("R"), "NEXT");
}

struct BrowseCase {
  const char* name;
  std::string target;  // as the script sets it
  std::vector<std::string> folders;
  std::string picked;
  std::string expected;  // TARGETDIR afterwards
};

class BrowseTest : public DialogHostTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(BrowseTest, PickedFolderMergesWithTheTarget) {
  const BrowseCase& c = GetParam();
  for (const std::string& folder : c.folders) fake.folders.insert(upperAscii(folder));
  fake.dialogWindows.folders.push_back(c.picked);
  definitions["page"] = page("Page",
                             "object Target: TEdit\n Hint = 'TARGETDIR'\n Tag = 2\nend\n"
                             "object Browse: TButton\n Tag = 4\nend\n");
  userDoes([](Window& window) { window.act("Browse", "", "", ControlEvent::Click); });
  run({setVariable("TARGETDIR", c.target), modal("page")});
  EXPECT_EQ(var("TARGETDIR"), c.expected);
  EXPECT_EQ(form("Page").propertyText("Target", "Text"), c.expected);
  ASSERT_EQ(fake.dialogWindows.pickers.size(), 1u);
  EXPECT_EQ(fake.dialogWindows.pickers[0], (std::pair<WindowHandle, bool>{4242, true}));
}

INSTANTIATE_TEST_SUITE_P(
    Results, BrowseTest,
    ::testing::Values(
        BrowseCase{"StartOfTheTargetLeavesItUnchanged",
                   "C:\\Apps\\Tool\\Sub",
                   {"C:\\Apps"},
                   "c:\\",
                   "C:\\Apps\\Tool\\Sub"},
        BrowseCase{"OtherDriveKeepsTheFoldersStillToMake",
                   "C:\\Apps\\Tool\\Sub",
                   {"C:\\Apps"},
                   "D:\\Work",
                   "D:\\Work\\Tool\\Sub"},
        BrowseCase{"NothingExistingKeepsNoTail", "Q:\\Apps\\Tool", {}, "D:\\Work", "D:\\Work\\"},
        BrowseCase{
            "NetworkTarget", "\\\\srv\\\\share\\\\App", {"\\\\srv\\share"}, "E:\\", "E:\\App"},
        BrowseCase{"CancelledPickerChangesNothing", "C:\\Apps", {"C:\\Apps"}, "", "C:\\Apps"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogHostTest, CancelAsksAndOnlyYesEndsThePage) {
  definitions["page"] = page("Page", "object Cancel: TButton\n Tag = 3\nend\n");
  fake.answers = {MessageAnswer::No, MessageAnswer::Yes};
  std::vector<int32_t> codes;
  fake.dialogWindows.user = [&](Window& window) {
    if (window.form.name != "Page") return window.events.decide(6, "");
    window.act("Cancel", "", "", ControlEvent::Click);
    codes.push_back(engine.dialogs->find("0")->resultCode);
  };
  run({modal("page"), setVariable("AFTER", "1"), modal("other"), setVariable("LAST", "1")});
  EXPECT_EQ(codes, (std::vector<int32_t>{-1, 2}));
  ASSERT_GE(fake.boxes.size(), 2u);
  const MessageBoxRequest& box = fake.boxes[0];
  EXPECT_EQ(box.text, "Are you sure you want to cancel?");
  EXPECT_EQ(box.caption, "Kestrix");
  EXPECT_EQ(box.icon, MessageIcon::Question);
  EXPECT_EQ(box.buttons, MessageButtons::YesNo);
  EXPECT_EQ(box.defaultButton, 2);
  EXPECT_EQ(box.owner, 4242u);
  EXPECT_EQ(form("Page").propertyText("Cancel", "Enabled"), "False");
  // The second page's Next: the cancel flag was cleared when it was shown.
  EXPECT_EQ(var("R"), "NEXT");
  EXPECT_EQ(var("ABORT"), "FALSE");
}

TEST_F(DialogHostTest, ConfirmedCancelLeavesAbortTrueForTheStatementsThatFollow) {
  definitions["page"] = page("Page", "object Cancel: TButton\n Tag = 3\nend\n");
  fake.answers = {MessageAnswer::Yes};
  fake.dialogWindows.user = [](Window& window) {
    window.act("Cancel", "", "", ControlEvent::Click);
  };
  run({modal("page"), setVariable("AFTER", "1"), setVariable("LAST", "1")});
  EXPECT_EQ(var("R"), "CANCEL");
  EXPECT_EQ(var("ABORT"), "TRUE");
}

TEST_F(DialogHostTest, PageShownAgainIsResetAndShowsTheNewValues) {
  definitions["page"] = page("Page", "object Greeting: TLabel\n Caption = 'Hello $NAME$'\nend\n");
  std::vector<std::string> captions;
  std::deque<int32_t> answers = {7, 6};
  fake.dialogWindows.user = [&](Window& window) {
    captions.push_back(window.form.propertyText("Greeting", "Caption"));
    window.events.decide(answers.front(), "");
    answers.pop_front();
  };
  run({setVariable("NAME", "Ann"),
       {"Label", {"Again"}},
       modal("page"),
       setVariable("NAME", "Bob"),
       {"If", {"R", "0", "BACK", "FALSE"}},
       {"GoTo Label", {"Again"}},
       {"End", {}}});
  EXPECT_EQ(captions, (std::vector<std::string>{"Hello Ann", "Hello Bob"}));
}

TEST_F(DialogHostTest, ResetGivesTheDesignTextsBack) {
  definitions["first"] = page("First",
                              "object Greeting: TLabel\n Caption = 'Hello $NAME$'\nend\n"
                              "object Name: TEdit\n Hint = 'NAME'\nend\n");
  run({setVariable("NAME", "Ann"), modal("first"), modal("second")});
  EXPECT_EQ(form("First").propertyText("Greeting", "Caption"), "Hello $NAME$");
  EXPECT_EQ(form("First").propertyText("Name", "Text"), "");
  // The reset page is hidden once the next one is on screen, not before.
  const auto& log = fake.dialogWindows.log;
  const auto front = std::find(log.begin(), log.end(), "front second");
  const auto hidden = std::find(log.begin(), log.end(), "hide First");
  EXPECT_LT(front, hidden);
  EXPECT_NE(hidden, log.end());
}

TEST_F(DialogHostTest, PlacementRemembersWhereTheUserLeftASameSizedPage) {
  definitions["a"] = page("A", "");
  definitions["b"] = page("B", "");
  definitions["c"] = page("C", "", 450);
  std::vector<ScreenRect> placed;
  fake.dialogWindows.user = [&](Window& window) {
    placed.push_back(window.rect);
    window.moveTo(10, 20);  // the user drags the page
    window.events.decide(6, "");
  };
  run({modal("a"), modal("b"), modal("c")});
  EXPECT_EQ(placed, (std::vector<ScreenRect>{
                        {312, 234, 400, 300}, {10, 20, 400, 300}, {287, 234, 450, 300}}));
}

TEST_F(DialogHostTest, ModelessPageAndHideDialog) {
  definitions["progress"] = page("Progress", "");
  run({modeless("progress"), setVariable("SHOWN", "$WINDOWHANDLE$"), {"Hide Dialog", {}}});
  EXPECT_EQ(var("SHOWN"), "4242");
  EXPECT_EQ(var("R"), "NOTMODAL");
  EXPECT_EQ(var("WINDOWHANDLE"), "0");
  EXPECT_FALSE(fake.dialogWindows.window("Progress")->visible);
  EXPECT_EQ(fake.dialogWindows.messages, 0);
}

TEST_F(DialogHostTest, ModalPageStaysVisibleAfterHideDialog) {
  run({modal("page"), {"Hide Dialog", {}}});
  EXPECT_TRUE(fake.dialogWindows.window("page")->visible);
  EXPECT_EQ(var("WINDOWHANDLE"), "0");
  EXPECT_EQ(var("R"), "NEXT");
}

TEST_F(DialogHostTest, ProgressPageFollowsTheVariablesBeforeEachStatement) {
  definitions["progress"] = page("Progress",
                                 "object Text: TStaticText\n Tag = 1\nend\n"
                                 "object Bar: TProgressBar\n Tag = 1\nend\n"
                                 "object Gauge: TGauge\n Tag = 1\nend\n");
  run({modeless("progress"), setVariable("PROGRESSTEXT", "Copying"), setVariable("PROGRESS", "40"),
       setVariable("DONE", "1")});
  DialogForm& f = form("Progress");
  EXPECT_EQ(f.propertyText("Text", "Caption"), "Copying");
  EXPECT_EQ(f.propertyText("Bar", "Position"), "40");
  EXPECT_EQ(f.propertyText("Gauge", "Progress"), "40");
}

TEST_F(DialogHostTest, TimerRefreshesFromTheProgressStateDuringLongOperations) {
  definitions["progress"] = page("Progress",
                                 "object Text: TStaticText\n Tag = 1\nend\n"
                                 "object Bar: TProgressBar\n Tag = 1\nend\n");
  run({modeless("progress")});
  DialogHost& host = *engine.dialogs->find("0");
  engine.progress = {"Extracting", 0, int64_t{1} << 32, int64_t{1} << 31};
  host.refreshTimer();  // no long operation: nothing changes
  EXPECT_EQ(form("Progress").propertyText("Text", "Caption"), "");
  engine.longOperation = true;
  host.refreshTimer();
  DialogForm& f = form("Progress");
  EXPECT_EQ(f.propertyText("Text", "Caption"), "Extracting");
  EXPECT_EQ(f.propertyText("Bar", "Max"), "4194304");
  EXPECT_EQ(f.propertyText("Bar", "Position"), "2097152");
  engine.progress = {"Almost", 0, 200, 150};
  host.refreshTimer();
  EXPECT_EQ(f.propertyText("Bar", "Max"), "200");
  EXPECT_EQ(f.propertyText("Bar", "Position"), "150");
}

TEST_F(DialogHostTest, SilentRunCreatesNoWindowAndNeverWaits) {
  engine.options.silent = true;
  definitions["page"] = page("Page", "object C: TEdit\n Hint = 'NAME'\nend\n");
  fake.dialogWindows.outcomes.push_back({7, ""});
  run({modal("page", "R1"), modeless("page"), {"Hide Dialog", {}}});
  EXPECT_TRUE(fake.dialogWindows.windows.empty());
  EXPECT_EQ(fake.dialogWindows.messages, 0);
  EXPECT_EQ(var("R1"), "NEXT");
  EXPECT_EQ(var("R"), "NOTMODAL");
  EXPECT_EQ(var("WINDOWHANDLE"), "0");
  EXPECT_FALSE(engine.store.isDefined("NAME"));
}

TEST_F(DialogHostTest, CloseRequestAnsweredWithTheCanCloseFlag) {
  std::vector<bool> answers;
  fake.dialogWindows.user = [&](Window& window) {
    answers.push_back(window.events.closeRequested());
    window.events.decide(6, "");
  };
  run({modal("a"), modal("b")});
  EXPECT_EQ(answers, (std::vector<bool>{false, false}));
  // The first page was replaced by the second: it may close now; the second, still shown, not.
  EXPECT_TRUE(fake.dialogWindows.window("a")->events.closeRequested());
  EXPECT_FALSE(fake.dialogWindows.window("b")->events.closeRequested());
}

TEST_F(DialogHostTest, CustomButtonEndsWithItsName) {
  definitions["page"] = page("Page", "object Help: TButton\n Tag = 5\nend\n");
  fake.dialogWindows.user = [](Window& window) { window.act("Help", "", "", ControlEvent::Click); };
  run({modal("page")});
  EXPECT_EQ(var("R"), "HELP");
}

TEST_F(DialogHostTest, FullEditMovesTheFocusToTheNextInTabOrder) {
  definitions["page"] =
      page("Page",
           "object Code: TEdit\n Hint = 'CODE'\n MaxLength = 3\n TabOrder = 0\nend\n"
           "object Other: TEdit\n TabOrder = 1\nend\n");
  std::vector<std::string> focused;
  userDoes([&](Window& window) {
    window.act("Code", "Text", "ab", ControlEvent::Change);
    focused.push_back(window.focused);
    window.act("Code", "Text", "abc", ControlEvent::Change);
    focused.push_back(window.focused);
  });
  run({modal("page")});
  EXPECT_EQ(focused, (std::vector<std::string>{"", "Other"}));
  EXPECT_EQ(var("CODE"), "abc");
}

TEST_F(DialogHostTest, ShownProgressPageIsNotRepaintedWhileTheNextPageIsPrepared) {
  definitions["progress"] = page("Progress", "");
  run({modeless("progress"), modal("page")});
  const auto& log = fake.dialogWindows.log;
  const auto off = std::find(log.begin(), log.end(), "redraw off Progress");
  const auto on = std::find(log.begin(), log.end(), "redraw on Progress");
  ASSERT_NE(on, log.end());
  EXPECT_LT(off, on);
  EXPECT_LT(on, std::find(log.begin(), log.end(), "front page"));
}

TEST_F(DialogHostTest, HandlerErrorIsShownAndThePageGoesOn) {
  definitions["page"] = page("Page",
                             "object Name: TEdit\n Hint = 'NAME'\nend\n"
                             "object Level: TTrackBar\nend\n"
                             "object Next: TButton\n Tag = 1\nend\n");
  rules["page"] = {"IF (Name.Text = x)  THEN  Level.Position := abc;"};
  fake.dialogWindows.user = [](Window& window) {
    window.act("Name", "Text", "x", ControlEvent::Change);
    window.act("Next", "", "", ControlEvent::Click);
  };
  ASSERT_NE(run({modal("page")}).end, RunEnd::Error);
  // The typing and the rules pass after Next each meet the refused value.
  ASSERT_EQ(fake.boxes.size(), 2u);
  for (const MessageBoxRequest& box : fake.boxes) {
    EXPECT_EQ(box.icon, MessageIcon::Error);
    EXPECT_EQ(box.owner, 4242u);
  }
  EXPECT_EQ(var("NAME"), "x");
  EXPECT_EQ(var("R"), "NEXT");
}

TEST_F(DialogHostTest, ViewerAndMovieFrameWithTagOneGetTheSupportFoldersContent) {
  fake.files[upperAscii(engine.options.supportFolder + "index.htm")] = "<html></html>";
  definitions["page"] = page("Page",
                             "object Html: THTMLViewer\n Tag = 1\nend\n"
                             "object Movie: TFlashFrame\n Tag = 1\nend\n"
                             "object Plain: THTMLViewer\nend\n");
  run({modal("page")});
  const DialogHost& host = *engine.dialogs->find("0");
  ASSERT_NE(host.viewerContent("html"), nullptr);
  EXPECT_EQ(host.viewerContent("html")->file, engine.options.supportFolder + "index.htm");
  ASSERT_NE(host.viewerContent("Movie"), nullptr);
  EXPECT_EQ(host.viewerContent("Movie")->fallback,
            "Add a movie.swf file to your project to display it here.");
  EXPECT_EQ(host.viewerContent("Plain"), nullptr);
}

TEST_F(DialogHostTest, CheckListWritesItsEntryOnceItsPageIsPrepared) {
  definitions["page"] = page("Page",
                             "object List: TCheckListBox\n Hint = 'EDITION'\n Tag = 1\n"
                             " Items.Strings = ('Basic' 'Full')\n ItemIndex = 1\nend\n"
                             "object Tree: TTreeView\n Hint = 'NODE'\nend\n");
  std::string writtenWhileShown;
  userDoes([&](Window&) { writtenWhileShown = var("EDITION"); });
  run({modal("page")});
  EXPECT_EQ(writtenWhileShown, "Full");
  EXPECT_EQ(engine.dialogs->find("0")->selectedComponent, "Full");
  // No node is selected in the tree: it writes nothing.
  EXPECT_FALSE(engine.store.isDefined("NODE"));
}

}  // namespace
}  // namespace kx::test

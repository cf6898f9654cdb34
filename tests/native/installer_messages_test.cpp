#include "installer/installer_messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <future>
#include <vector>

namespace kx {
namespace {

using namespace installer_messages;

constexpr uint32_t typeOf(uint32_t kind, uint32_t style = 0) {
  return kind << 24 | style;
}

struct FakeUserInterface : UserInterface {
  std::vector<MessageBoxRequest> boxes;
  std::deque<MessageAnswer> answers;
  std::function<void()> whileShown;

  MessageAnswer messageBox(const MessageBoxRequest& request) override {
    boxes.push_back(request);
    if (whileShown) whileShown();
    if (answers.empty()) return MessageAnswer::Ok;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void processPendingMessages() override {}
  void handleOneMessage() override {}
};

struct Reported {
  std::string text;
  int64_t minimum = -1;
  int64_t maximum = -1;
  int64_t position = -1;
};

class InstallerMessagesTest : public ::testing::Test {
 protected:
  int32_t send(uint32_t type, const std::string& text) {
    return messages.handle(
        ui, table, type, text,
        [&](const std::string& t, int64_t minimum, int64_t maximum, int64_t position) {
          reported = {t, minimum, maximum, position};
          ++reports;
          return !cancelled;
        });
  }

  FakeUserInterface ui;
  MessageTable table;
  InstallerMessages messages;
  Reported reported;
  int reports = 0;
  bool cancelled = false;
};

TEST_F(InstallerMessagesTest, EveryKindShownAndSilent) {
  struct Case {
    uint32_t kind;
    const char* boxText;  // nullptr: no box
    int32_t shown;        // the user presses Ignore in every box
    int32_t silent;
    bool lastError;
  };
  const Case cases[] = {
      {kFatalExit, "Fatal Error\r\rDisk C:. broken", 5, 0, true},
      {kError, "Error\r\rDisk C:. broken", 5, 1, true},
      {kWarning, "Warning\r\rDisk C:. broken", 5, 1, false},
      {kUser, "Disk C:. broken", 5, 1, false},
      {kInfo, nullptr, 1, 1, false},
      {kFilesInUse, "Files in Use\r\rDisk C:. broken", 5, 0, false},
      {kResolveSource, nullptr, 0, 0, false},
      {kOutOfDiskSpace, "Out of Disk Space\r\rDisk C:. broken", 5, 1, false},
      {kActionStart, nullptr, 1, 1, false},
      {kActionData, nullptr, 1, 1, false},
      {kProgress, nullptr, 1, 1, false},
      {kCommonData, nullptr, 1, 1, false},
      {kInitialize, nullptr, 1, 1, false},
      {kTerminate, nullptr, 1, 1, false},
      {kShowDialog, nullptr, 1, 1, false},
      {0x0F, nullptr, 0, 0, false},
      {0xFF, nullptr, 0, 0, false},
  };
  for (const bool silent : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "kind " << c.kind << (silent ? " silent" : " shown"));
      messages.settings = {silent, "Setup", 0x1234};
      messages.clearLastError();
      ui.boxes.clear();
      ui.answers = {MessageAnswer::Ignore};
      EXPECT_EQ(send(typeOf(c.kind), "Disk C:. broken"), silent ? c.silent : c.shown);
      if (c.boxText && !silent) {
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, c.boxText);
        EXPECT_EQ(ui.boxes[0].caption, "Setup");
        EXPECT_EQ(ui.boxes[0].owner, WindowHandle{0x1234});
      } else {
        EXPECT_TRUE(ui.boxes.empty());
      }
      EXPECT_EQ(messages.lastError(), c.lastError ? "Disk C:. broken" : "");
    }
  }
}

TEST_F(InstallerMessagesTest, BoxStyleAndAnswer) {
  struct Case {
    uint32_t kind;
    uint32_t style;
    MessageAnswer pressed;
    MessageIcon icon;
    MessageButtons buttons;
    int defaultButton;
    int32_t answer;
  };
  const Case cases[] = {
      {kFatalExit, 0x000, MessageAnswer::Ok, MessageIcon::Error, MessageButtons::Ok, 1, 1},
      {kError, 0x102, MessageAnswer::Retry, MessageIcon::Error, MessageButtons::AbortRetryIgnore, 2,
       4},
      {kError, 0x202, MessageAnswer::Abort, MessageIcon::Error, MessageButtons::AbortRetryIgnore, 3,
       3},
      {kWarning, 0x001, MessageAnswer::Cancel, MessageIcon::Warning, MessageButtons::OkCancel, 1,
       2},
      {kWarning, 0x010, MessageAnswer::Ok, MessageIcon::Warning, MessageButtons::Ok, 1, 1},
      {kUser, 0x104, MessageAnswer::No, MessageIcon::Question, MessageButtons::YesNo, 2, 7},
      {kUser, 0x040, MessageAnswer::Ok, MessageIcon::Question, MessageButtons::Ok, 1, 1},
      {kFilesInUse, 0x005, MessageAnswer::Retry, MessageIcon::Warning, MessageButtons::RetryCancel,
       1, 4},
      {kFilesInUse, 0x042, MessageAnswer::Ignore, MessageIcon::Warning,
       MessageButtons::AbortRetryIgnore, 1, 5},
      {kOutOfDiskSpace, 0x303, MessageAnswer::Yes, MessageIcon::Error, MessageButtons::YesNoCancel,
       4, 6},
      {kOutOfDiskSpace, 0x406, MessageAnswer::Ok, MessageIcon::Error, MessageButtons::Ok, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " style " << c.style);
    ui.boxes.clear();
    ui.answers = {c.pressed};
    EXPECT_EQ(send(typeOf(c.kind, c.style), "text"), c.answer);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, c.icon);
    EXPECT_EQ(ui.boxes[0].buttons, c.buttons);
    EXPECT_EQ(ui.boxes[0].defaultButton, c.defaultButton);
  }
}

TEST_F(InstallerMessagesTest, HeadingsAreTheEngineTexts) {
  std::string language;
  for (int n = 1; n <= 115; ++n) language += (n == 44 ? "Fehler" : "line") + std::string("\r\n");
  table.loadMessages(language);
  send(typeOf(kError), "Datei fehlt");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Fehler\r\rDatei fehlt");
}

TEST_F(InstallerMessagesTest, ActionStartKeepsTheDescription) {
  const std::pair<const char*, const char*> cases[] = {
      {"Action 12:34:56: InstallFiles. Copying new files", "Copying new files"},
      {"First. Second. Third", "Second. Third"},
      {"A.B.C", ".C"},
      {"NoPeriod", "oPeriod"},
      {"Ends.", ""},
      {"X", ""},
      {"", ""},
  };
  for (const auto& [text, description] : cases) {
    EXPECT_EQ(send(typeOf(kActionStart), text), 1);
    EXPECT_EQ(reported.text, description) << text;
  }
}

TEST_F(InstallerMessagesTest, ProgressArithmetic) {
  struct Step {
    uint32_t kind;
    const char* text;
    const char* actionText;
    int64_t total;
    int64_t position;
  };
  // One run through: the counters carry over from step to step.
  const Step steps[] = {
      // No movement before the first reset.
      {kProgress, "1: 2 2: 500", "", 0, 0},
      {kProgress, "1: 0 2: 10000 3: 1 4: 0", "", 10000, 0},
      {kProgress, "1: 2 2: 5000", "", 10000, -5000},
      // Field 2 = 0 keeps the total; field 3 = 0 turns forward.
      {kProgress, "1: 0 2: 0 3: 0", "", 10000, 0},
      {kProgress, "1: 2 2: 300", "", 10000, 300},
      // Field 3 other than 0 or 1 keeps the direction.
      {kProgress, "1: 0 2: -800 3: 7", "", 800, 0},
      {kProgress, "1: 2 2: 40", "", 800, 40},
      {kProgress, "1: 3 2: -200", "", 1000, 40},
      {kProgress, "1: 3 2: 50", "", 1050, 40},
      {kActionData, "File: a.txt", "File: a.txt", 1050, 40},
      {kProgress, "1: 1 2: 25 3: 1", "File: a.txt", 1050, 40},
      {kActionData, "File: b.txt", "File: b.txt", 1050, 65},
      {kProgress, "1: 1 2: 99 3: 2", "File: b.txt", 1050, 65},
      {kActionData, "File: c.txt", "File: c.txt", 1050, 90},
      {kProgress, "1: 1 2: 99 3: 0", "File: c.txt", 1050, 90},
      {kActionData, "", "", 1050, 90},
      {kProgress, "", "", 1050, 90},
      {kProgress, "1: 4 2: 70", "", 1050, 90},
      {kProgress, "1: 0 2: 600 3: 1", "", 600, 0},
      // An invalid field reads as a reset with all fields 0: the 3: 1 after it is not read,
      // so the direction becomes forward.
      {kProgress, "1: 3 2: 4294967296 3: 1", "", 600, 0},
      {kProgress, "1: 2 2: 10", "", 600, 10},
      {kProgress, "1: 3 2: 12x", "", 600, 0},
      {kProgress, "1: 2 2: $10", "", 600, 16},
      {kProgress, "1:", "", 600, 0},
      {kProgress, "1: 2 2: 2147483647", "", 600, 2147483647},
      {kProgress, "1: 2 2: 2147483647", "", 600, 4294967294},
      {kProgress, "1: 0 2: -2147483648 3: 0", "", 2147483648, 0},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.text);
    EXPECT_EQ(send(typeOf(s.kind), s.text), 1);
    EXPECT_EQ(reported.text, s.actionText);
    EXPECT_EQ(reported.minimum, 0);
    EXPECT_EQ(reported.maximum, s.total);
    EXPECT_EQ(reported.position, s.position);
  }
  EXPECT_EQ(reports, static_cast<int>(std::size(steps)));
}

TEST_F(InstallerMessagesTest, CancelAnswersTwoAfterTheBox) {
  send(typeOf(kActionStart), "Action 1: Copy. Copying files");
  send(typeOf(kProgress), "1: 0 2: 100 3: 0");
  send(typeOf(kProgress), "1: 2 2: 30");
  cancelled = true;
  ui.answers = {MessageAnswer::Retry};
  reports = 0;
  EXPECT_EQ(send(typeOf(kError, 0x2), "Disk full"), 2);
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(reported.text, "Copying files");
  EXPECT_EQ(reported.maximum, 100);
  EXPECT_EQ(reported.position, 30);
  for (const uint32_t kind : {kFatalExit, kInfo, kResolveSource, kProgress, uint32_t{0x20}}) {
    messages.settings.silent = kind == kFatalExit;
    EXPECT_EQ(send(typeOf(kind), ""), 2) << kind;
  }
}

TEST_F(InstallerMessagesTest, LastErrorIsReadableWhileTheBoxIsShown) {
  std::string seen;
  ui.whileShown = [&] {
    auto read = std::async(std::launch::async, [&] { return messages.lastError(); });
    ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    seen = read.get();
  };
  send(typeOf(kError), "Access denied");
  EXPECT_EQ(seen, "Access denied");
}

}  // namespace
}  // namespace kx

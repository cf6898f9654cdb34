#include "installer/installer_messages.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "base/values.h"

namespace kx {

namespace {

// A message the user sees in a box, unless the run is silent.
struct BoxKind {
  uint32_t kind;
  int heading;     // engine message entry; 0: the installer's text alone
  uint32_t style;  // icon style bits added to the installer's own
  int32_t silentAnswer;
  bool isError;  // kept as the last installer error
};

constexpr BoxKind kBoxKinds[] = {
    {installer_messages::kFatalExit, message_ids::kFatalErrorHeading, 0x10, 0, true},
    {installer_messages::kError, message_ids::kErrorHeading, 0x10, 1, true},
    {installer_messages::kWarning, message_ids::kWarningHeading, 0x30, 1, false},
    {installer_messages::kUser, 0, 0x20, 1, false},
    {installer_messages::kFilesInUse, message_ids::kFilesInUseHeading, 0x30, 0, false},
    {installer_messages::kOutOfDiskSpace, message_ids::kOutOfDiskSpaceHeading, 0x10, 1, false},
};

const BoxKind* boxKind(uint32_t kind) {
  for (const auto& box : kBoxKinds) {
    if (box.kind == kind) return &box;
  }
  return nullptr;
}

constexpr int32_t kIdCancel = 2;

MessageButtons buttonsOf(uint32_t style) {
  switch (style & 0x0F) {
    case 0x1:
      return MessageButtons::OkCancel;
    case 0x2:
      return MessageButtons::AbortRetryIgnore;
    case 0x3:
      return MessageButtons::YesNoCancel;
    case 0x4:
      return MessageButtons::YesNo;
    case 0x5:
      return MessageButtons::RetryCancel;
    default:
      return MessageButtons::Ok;
  }
}

std::optional<MessageIcon> iconOf(uint32_t style) {
  switch (style & 0xF0) {
    case 0x10:
      return MessageIcon::Error;
    case 0x20:
      return MessageIcon::Question;
    case 0x30:
      return MessageIcon::Warning;
    case 0x40:
      return MessageIcon::Information;
    default:
      return std::nullopt;
  }
}

int defaultButtonOf(uint32_t style) {
  const uint32_t index = (style >> 8) & 0x0F;
  return index <= 3 ? static_cast<int>(index) + 1 : 1;
}

// The Windows dialog command ids the installer expects back.
int32_t commandId(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok:
      return 1;
    case MessageAnswer::Cancel:
      return 2;
    case MessageAnswer::Abort:
      return 3;
    case MessageAnswer::Retry:
      return 4;
    case MessageAnswer::Ignore:
      return 5;
    case MessageAnswer::Yes:
      return 6;
    case MessageAnswer::No:
      return 7;
  }
  return 1;
}

// The description after "Action <time>: <name>. "; without a period only the first character
// goes.
std::string actionDescription(std::string_view text) {
  const size_t period = text.find('.');
  const size_t start = period == std::string_view::npos ? 1 : period + 2;
  return start < text.size() ? std::string(text.substr(start)) : std::string();
}

// Up to four "<n>: <integer>" fields; one that is not a 32-bit integer makes them all 0.
std::array<int32_t, 4> progressFields(std::string_view text) {
  std::array<int32_t, 4> fields{};
  for (auto& field : fields) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) break;
    text.remove_prefix(std::min(colon + 2, text.size()));
    const auto value = tryParseInteger(text.substr(0, text.find(' ')));
    if (!value) return {};
    field = *value;
  }
  return fields;
}

int64_t magnitude(int32_t value) {
  return value < 0 ? -static_cast<int64_t>(value) : value;
}

}  // namespace

int32_t InstallerMessages::handle(UserInterface& ui, const MessageTable& messages, uint32_t type,
                                  const std::string& text, const ProgressContext& context) {
  using namespace installer_messages;
  const uint32_t kind = type >> 24;
  const uint32_t style = type & 0x00FFFFFF;
  int32_t answer = 0;
  if (const BoxKind* box = boxKind(kind)) {
    if (box->isError) {
      std::lock_guard guard(lock_);
      lastError_ = text;
    }
    if (settings.silent) {
      answer = box->silentAnswer;
    } else {
      const uint32_t boxStyle = style | box->style;
      MessageBoxRequest request;
      request.owner = settings.owner;
      request.caption = settings.caption;
      request.text = box->heading ? messages.message(box->heading) + "\r\r" + text : text;
      // A mixture of icon bits names no icon of its own: the one this kind asks for stands.
      request.icon = iconOf(boxStyle).value_or(*iconOf(box->style));
      request.buttons = buttonsOf(boxStyle);
      request.defaultButton = defaultButtonOf(boxStyle);
      answer = commandId(ui.messageBox(request));
    }
  } else {
    switch (kind) {
      case kInfo:
      case kCommonData:
      case kInitialize:
      case kTerminate:
      case kShowDialog:
        answer = 1;
        break;
      case kActionStart:
      case kActionData:
      case kProgress:
        answer = 1;
        advance(kind, text);
        break;
      default:  // resolve source and kinds the installer may add later
        break;
    }
  }
  std::string actionText;
  int64_t total;
  int64_t position;
  {
    std::lock_guard guard(lock_);
    actionText = actionText_;
    total = total_;
    position = position_;
  }
  // The cancel request is seen only now, after any box has closed.
  return context(actionText, 0, total, position) ? answer : kIdCancel;
}

void InstallerMessages::advance(uint32_t kind, const std::string& text) {
  std::lock_guard guard(lock_);
  if (kind == installer_messages::kActionStart) {
    actionText_ = actionDescription(text);
  } else if (kind == installer_messages::kActionData) {
    actionText_ = text;
    position_ += step_;
  } else if (!text.empty()) {
    const auto fields = progressFields(text);
    const int32_t action = fields[0];
    const int32_t amount = fields[1];
    const int32_t mode = fields[2];
    switch (action) {
      case 0:  // reset
        if (amount != 0) total_ = magnitude(amount);
        position_ = 0;
        if (mode == 0) direction_ = 1;
        if (mode == 1) direction_ = -1;
        break;
      case 1:  // action information
        if (mode == 0) step_ = 0;
        if (mode == 1) step_ = amount;
        break;
      case 2:  // progress report
        position_ += static_cast<int64_t>(direction_) * amount;
        break;
      case 3:  // add to total
        total_ += magnitude(amount);
        break;
      default:
        break;
    }
  }
}

std::string InstallerMessages::lastError() const {
  std::lock_guard guard(lock_);
  return lastError_;
}

void InstallerMessages::clearLastError() {
  std::lock_guard guard(lock_);
  lastError_.clear();
}

}  // namespace kx

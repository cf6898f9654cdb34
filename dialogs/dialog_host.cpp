#include "dialogs/dialog_host.h"

#include <algorithm>
#include <array>

#include "base/message_table.h"
#include "base/values.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/dialog_session.h"
#include "dialogs/forms/tree_nodes.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

using namespace dialog_results;

constexpr std::string_view kNewLine = "$NEWLINE$";
constexpr std::string_view kCrLf = "\r\n";
constexpr int kCancelQuestion = 40;
// What an empty edit with tag 1 to 4 starts with.
constexpr std::array<std::string_view, 4> kEditStartTexts = {"$STARTMENU$", "$TARGETDIR$", "$USER$",
                                                             "$COMPANY$"};
// Handlers that end a dialog or pick a folder by the control's tag.
constexpr std::array<std::string_view, 6> kClickActions = {"Label1Click",  "Button1Click",
                                                           "BitBtn1Click", "SpeedButton1Click",
                                                           "Image1Click",  "Shape1MouseUp"};

// Raised while the host fills controls itself, so the handlers write nothing back.
class Suppression {
 public:
  explicit Suppression(DialogSession& session) : session_(session) {
    session_.suppressEvents = true;
  }
  ~Suppression() { session_.suppressEvents = false; }
  Suppression(const Suppression&) = delete;
  Suppression& operator=(const Suppression&) = delete;

 private:
  DialogSession& session_;
};

bool isClickAction(std::string_view handler) {
  return std::find(kClickActions.begin(), kClickActions.end(), handler) != kClickActions.end();
}

bool isAnyKind(const Control& control, std::initializer_list<std::string_view> classNames) {
  return std::any_of(classNames.begin(), classNames.end(),
                     [&](std::string_view name) { return control.isKind(name); });
}

// Lines as one text, CR LF between them.
std::string plainText(const Control& control, std::string_view property) {
  const Lines lines = control.lines(property);
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += kCrLf;
    text += lines[i];
  }
  return text;
}

// A bound value as a memo shows it.
std::string memoText(const std::string& value) {
  return replaceAll(collapseDoubledBackslashes(value), kNewLine, kCrLf, true);
}

// A progress variable's value as a position: out-of-range and non-numbers hit the ends.
int32_t progressPosition(std::string_view value) {
  const std::optional<int32_t> number = tryParseInteger(value);
  if (!number) return 100;
  return std::clamp(*number, 0, 100);
}

std::string hexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

void expandNodes(std::vector<TreeNode>& nodes, const VariableStore& store) {
  for (TreeNode& node : nodes) {
    node.text = store.expand(node.text);
    expandNodes(node.children, store);
  }
}

std::string_view buttonHandler(const Control& control) {
  if (control.isKind("TBitBtn")) return "BitBtn1Click";
  if (control.isKind("TSpeedButton")) return "SpeedButton1Click";
  return "Button1Click";
}

std::string_view folderChooserHandler(const Control& control) {
  static constexpr std::pair<std::string_view, std::string_view> kHandlers[] = {
      {"TFileListBox", "FileListBox1Change"},           {"TPTShellList", "PTShellList1Change"},
      {"TDirectoryListBox", "DirectoryListBox1Change"}, {"TPTShellTree", "PTShellTree1Change"},
      {"TDriveComboBox", "DriveComboBox1Change"},       {"TPTShellCombo", "PTShellCombo1Change"}};
  for (const auto& [kind, handler] : kHandlers)
    if (control.isKind(kind)) return handler;
  return {};
}

}  // namespace

std::string translatedDialogText(const Engine&, std::string_view, std::string_view,
                                 const std::string& designText) {
  return designText;
}

std::string informationText(const DialogHost&, int32_t) {
  return {};
}

DialogHost::DialogHost(Engine& engine, DialogSession& session, LoadedDialog& dialog)
    : engine_(engine),
      session_(session),
      dialog_(dialog),
      handlers_(dialog.form->controls().size()) {
  if (!engine.options.silent && engine.platform.dialogWindows)
    window_ = engine.platform.dialogWindows->create(*dialog.form, *this);
}

std::string DialogHost::language() const {
  return engine_.store.isDefined("LANGUAGE") ? engine_.store.get("LANGUAGE") : std::string();
}

void DialogHost::recordDesignText(std::string_view name, const std::string& text) {
  const std::string key = upperAscii(name);
  for (const auto& entry : session_.designTexts)
    if (entry.first == key) return;
  session_.designTexts.emplace_back(key, text);
}

std::optional<std::string> DialogHost::designText(std::string_view name) const {
  const std::string key = upperAscii(name);
  for (const auto& [recorded, text] : session_.designTexts)
    if (recorded == key) return text;
  return std::nullopt;
}

std::string DialogHost::throughPipeline(std::string_view name, const std::string& text) {
  recordDesignText(name, text);
  std::string shown = text;
  if (!language().empty()) shown = translatedDialogText(engine_, form().host.hint(), name, text);
  return engine_.store.expand(shown);
}

std::optional<std::string> DialogHost::boundValue(const Control& control) const {
  const std::string hint = control.hint();
  if (hint.empty()) return std::nullopt;
  const std::string name = namedVariable(hint);
  if (!engine_.store.isDefined(name)) return std::nullopt;
  return engine_.store.expand(engine_.store.get(name));
}

void DialogHost::writeBound(const Control& control, std::string_view value,
                            std::string_view handler) {
  const std::string hint = control.hint();
  if (hint.empty()) return;
  engine_.store.defineAndSet(upperAscii(hint), value, handler);
}

DialogHost::Handlers& DialogHost::handlersOf(const Control& control) {
  return handlers_[static_cast<size_t>(&control - form().controls().data())];
}

const DefaultContent* DialogHost::viewerContent(std::string_view control) const {
  const auto found = viewerContent_.find(upperAscii(control));
  return found == viewerContent_.end() ? nullptr : &found->second;
}

void DialogHost::prepare() {
  if (engine_.silent()) return;
  session_.designTexts.clear();
  session_.target = splitTargetFolder(engine_);
  std::vector<size_t> remembered;
  {
    Suppression suppressed(session_);
    viewerContent_.clear();
    for (size_t i = 0; i < form().controls().size(); ++i) {
      Control& control = form().controls()[i];
      if (equalsIgnoringAsciiCase(control.name(), "cmpFormDesigner")) continue;
      prepareControl(control, i, remembered);
    }
    const std::string dialogName = form().host.hint();
    form().host.setPropertyText("Caption",
                                throughPipeline(dialogName, form().host.text("Caption")));
    refreshInformationTexts();
    applyRules();
  }
  // Trees and check lists write their current entry once, as if the user had picked it.
  for (size_t i : remembered) {
    Control& control = form().controls()[i];
    const Handlers handlers = handlers_[i];
    if (control.isKind("TTreeView")) {
      runHandler(handlers.change, control, {});
    } else {
      runHandler(handlers.click, control, {});
      if (!handlers.clickCheck.empty()) runHandler(handlers.clickCheck, control, {});
    }
  }
  updateWindow();
}

void DialogHost::prepareControl(Control& control, size_t index, std::vector<size_t>& remembered) {
  Handlers& handlers = handlers_[index];
  const int32_t tag = control.tag();
  const std::string_view chooser = folderChooserHandler(control);
  if (!chooser.empty()) {
    handlers.change = chooser;
    if (control.findProperty("HideSelection")) control.setPropertyText("HideSelection", "False");
    prepareFolderControl(control);
  }
  if (isAnyKind(control, {"TLabel", "TGroupBox", "TStaticText", "TButton", "TSpeedButton",
                          "TRzCheckBox", "TRzRadioButton"}))
    control.setPropertyText("Caption", throughPipeline(control.name(), control.text("Caption")));
  if (control.isKind("TLabel")) handlers.click = "Label1Click";
  if (control.isKind("TStaticText") && tag == 1) {
    const std::string text =
        engine_.store.isDefined("PROGRESSTEXT") ? engine_.store.get("PROGRESSTEXT") : "";
    control.setPropertyText("Caption", text);
  }
  const bool progressDefined = engine_.store.isDefined("PROGRESS");
  const std::string progress =
      progressDefined ? engine_.store.expand(engine_.store.get("PROGRESS")) : std::string();
  if (control.isKind("TProgressBar") && tag == 1 && !progress.empty())
    control.setPropertyText("Position", std::to_string(progressPosition(progress)));
  if (control.isKind("TGauge") && tag == 1 && progressDefined)
    control.setPropertyText("Progress", std::to_string(progressPosition(progress)));
  if (control.isKind("TTrackBar")) {
    handlers.change = "TrackBar1Change";
    if (const auto value = boundValue(control))
      control.setPropertyText("Position", std::to_string(parseInteger(*value)));
  }
  if (isAnyKind(control, {"TButton", "TSpeedButton"})) handlers.click = buttonHandler(control);
  if (control.isKind("TImage")) handlers.click = "Image1Click";
  if (control.isKind("TShape")) handlers.mouseUp = "Shape1MouseUp";
  if (control.isKind("TMemo")) prepareDocument(control, false);
  if (control.isKind("TRichEdit")) prepareDocument(control, true);
  if (isAnyKind(control, {"TRzCheckBox", "TRzRadioButton"})) {
    handlers.click = control.isKind("TRzCheckBox") ? "CheckBox1Click" : "RadioButton1Click";
    if (const auto value = boundValue(control))
      control.setPropertyText("Checked", isTrue(*value) ? "True" : "False");
  }
  if (isAnyKind(control, {"TListBox", "TCheckListBox", "TComboBox"}))
    control.setPropertyText("Items", throughPipeline(control.name(), control.text("Items")));
  if (control.isKind("TListBox")) {
    handlers.click = "ListBox1Click";
    selectBoundItem(control);
  }
  if (control.isKind("THTMLViewer") && tag == 1)
    viewerContent_[upperAscii(control.name())] =
        htmlContent(*engine_.platform.files, engine_.options.supportFolder);
  if (control.isKind("TFlashFrame") && tag == 1)
    viewerContent_[upperAscii(control.name())] =
        movieContent(*engine_.platform.files, engine_.options.supportFolder);
  if (control.isKind("TTreeView")) {
    control.setPropertyText("HideSelection", "False");
    control.setPropertyText("ReadOnly", "True");
    handlers.change = "TreeView1Change";
    if (auto nodes = treeNodesFromBlock(control.dataBytes("Items"))) {
      expandNodes(*nodes, engine_.store);
      control.setPropertyText("Items", hexText(treeNodesToBlock(*nodes)));
    }
    remembered.push_back(index);
  }
  if (control.isKind("TCheckListBox")) {
    handlers.click = "CheckListBox1Click";
    selectBoundItem(control);
    if (tag == 1) handlers.clickCheck = "CheckListBox1ClickCheck";
    remembered.push_back(index);
  }
  if (control.isKind("TComboBox")) {
    handlers.change = "ComboBox1Change";
    if (!control.hint().empty()) handlers.click = "ComboBox1Click";
    if (const auto value = boundValue(control)) control.setPropertyText("Text", *value);
  }
  if (control.isKind("TEdit")) {
    handlers.change = "Edit1Change";
    prepareEdit(control, true);
  }
  if (control.isKind("TMaskEdit")) {
    handlers.change = "MaskEdit1Change";
    prepareEdit(control, false);
  }
}

void DialogHost::prepareEdit(Control& control, bool collapse) {
  const std::string design = control.text("Text");
  recordDesignText(control.name(), design);
  std::string text = design;
  if (!language().empty())
    text = translatedDialogText(engine_, form().host.hint(), control.name(), design);
  if (const auto value = boundValue(control))
    text = collapse ? collapseDoubledBackslashes(*value) : *value;
  const int32_t tag = control.tag();
  if (text.empty() && tag >= 1 && tag <= static_cast<int32_t>(kEditStartTexts.size())) {
    text = engine_.store.expand(kEditStartTexts[static_cast<size_t>(tag - 1)]);
    if (collapse) text = collapseDoubledBackslashes(text);
  }
  control.setPropertyText("Text", text);
}

void DialogHost::prepareDocument(Control& control, bool richEdit) {
  recordDesignText(control.name(), control.text("Lines"));
  const bool bound = !control.hint().empty();
  if (!bound) control.setPropertyText("ReadOnly", "True");
  if (richEdit) control.setPropertyText("ScrollBars", "ssBoth");
  if (bound) handlersOf(control).change = richEdit ? "RichEdit1Change" : "Memo1Change";
  if (const auto value = boundValue(control)) control.setPropertyText("Lines", memoText(*value));
  const int32_t tag = control.tag();
  if (tag != 1 && tag != 2) return;
  FileSystem& files = *engine_.platform.files;
  const DocumentRole role = tag == 1 ? DocumentRole::Readme : DocumentRole::Licence;
  const DefaultContent content =
      richEdit ? richEditContent(files, engine_.options.supportFolder, language(), role)
               : memoContent(files, engine_.options.supportFolder, language(), role);
  if (content.file.empty()) {
    control.setPropertyText("Lines", content.fallback);
  } else {
    control.setPropertyText("Lines", files.readFile(content.file).value_or(std::string()));
  }
}

void DialogHost::selectBoundItem(Control& control) {
  const auto value = boundValue(control);
  if (!value) return;
  const Lines items = control.lines("Items");
  for (size_t i = 0; i < items.size(); ++i) {
    if (equalsIgnoringAsciiCase(items[i], *value)) {
      control.setPropertyText("ItemIndex", std::to_string(i));
      return;
    }
  }
}

// Where a file, folder, drive or shell control starts: at the bound variable's folder, and a
// folder chooser (tag 1) at the part of the target folder that exists already.
void DialogHost::prepareFolderControl(Control& control) {
  FileSystem& files = *engine_.platform.files;
  const std::optional<std::string> value = boundValue(control);
  const std::string& base = session_.target.existingBase;
  const bool chooser = control.tag() == 1;
  auto show = [&](std::string_view property, const std::optional<std::string>& shown) {
    if (shown) control.setPropertyText(property, *shown);
  };
  if (isAnyKind(control, {"TFileListBox", "TPTShellList"})) {
    const std::string_view property = control.isKind("TFileListBox") ? "Directory" : "Path";
    if (value) show(property, existingFolder(files, folderPart(*value)));
    if (chooser) show(property, existingFolder(files, base));
  } else if (isAnyKind(control, {"TDirectoryListBox", "TPTShellTree"})) {
    const std::string_view property = control.isKind("TDirectoryListBox") ? "Directory" : "Path";
    if (value) show(property, existingFolder(files, *value));
    if (chooser) {
      const std::optional<std::string> folder = existingFolder(files, base);
      show(property, folder ? folder : existingFolder(files, folderPart(base)));
    }
  } else if (control.isKind("TDriveComboBox")) {
    const auto drive = [](std::string_view path) { return upperAscii(path.substr(0, 1)); };
    if (value && !value->empty() && existingFolder(files, drive(*value) + ":\\"))
      control.setPropertyText("Drive", drive(*value));
    if (chooser && existingFolder(files, base)) control.setPropertyText("Drive", drive(base));
  } else if (control.isKind("TPTShellCombo")) {
    if (value) show("Path", existingFolder(files, *value));
    if (chooser && existingFolder(files, base))
      control.setPropertyText("Path", base.substr(0, 1) + ":\\");
  }
}

void DialogHost::reset() {
  if (engine_.silent()) return;
  {
    Suppression suppressed(session_);
    for (size_t i = 0; i < form().controls().size(); ++i) {
      Control& control = form().controls()[i];
      handlers_[i] = {};
      if (control.isKind("TTreeView")) control.setPropertyText("ReadOnly", "True");
      std::string_view property;
      if (isAnyKind(control, {"TLabel", "TGroupBox", "TStaticText", "TButton", "TSpeedButton",
                              "TRzCheckBox", "TRzRadioButton"}))
        property = "Caption";
      if (isAnyKind(control, {"TListBox", "TCheckListBox", "TComboBox"})) property = "Items";
      if (isAnyKind(control, {"TEdit", "TMaskEdit"})) property = "Text";
      if (isAnyKind(control, {"TMemo", "TRichEdit"})) property = "Lines";
      if (property.empty()) continue;
      if (const auto text = designText(control.name())) control.setPropertyText(property, *text);
    }
    viewerContent_.clear();
    refreshInformationTexts();
    applyRules();
  }
  session_.lastReset = this;
  updateWindow();
}

void DialogHost::refreshInformationTexts() {
  for (Control& control : form().controls()) {
    const int32_t tag = control.tag();
    if (control.isKind("TStaticText") && tag >= 2 && tag <= 6)
      control.setPropertyText("Caption", informationText(*this, tag));
  }
}

void DialogHost::refreshProgress() {
  if (engine_.silent()) return;
  std::lock_guard guard(engine_.generalLock);
  const ProgressState progress = engine_.progress;
  for (size_t i = 0; i < form().controls().size(); ++i) {
    Control& control = form().controls()[i];
    const int32_t tag = control.tag();
    if (isAnyKind(control, {"TLabel", "TButton"})) {
      handlers_[i].click = control.isKind("TLabel") ? "Label1Click" : buttonHandler(control);
      control.setPropertyText("Caption", engine_.store.expand(control.text("Caption")));
    }
    if (control.isKind("TStaticText")) {
      control.setPropertyText(
          "Caption", tag == 1 ? progress.text : engine_.store.expand(control.text("Caption")));
    }
    if (tag != 1) continue;
    if (control.isKind("TProgressBar")) {
      // The bar counts in 32 bits: large ranges are shown in units of 1024.
      const int64_t divisor = progress.maximum >= (int64_t{1} << 31) ? 1024 : 1;
      try {
        control.setPropertyText("Max", std::to_string(progress.maximum / divisor));
        control.setPropertyText("Min", std::to_string(progress.minimum / divisor));
        control.setPropertyText("Position", std::to_string(progress.position / divisor));
      } catch (const PropertyError&) {
        control.setPropertyText("Position", control.text("Max"));
      }
    }
    if (control.isKind("TGauge")) {
      try {
        control.setPropertyText("MaxValue", std::to_string(progress.maximum));
        control.setPropertyText("MinValue", std::to_string(progress.minimum));
        control.setPropertyText("Progress", std::to_string(progress.position));
      } catch (const PropertyError&) {
        control.setPropertyText("Progress", control.text("MaxValue"));
      }
    }
  }
  applyRules();
  updateWindow();
}

void DialogHost::refreshTimer() {
  if (!engine_.longOperation) return;
  if (DialogHost* current = session_.current(engine_)) current->refreshProgress();
}

void DialogHost::pageRefreshTimer() {
  if (window_) window_->stopPageRefreshTimer();
}

void DialogHost::decide(int32_t code, std::string_view name) {
  if (code == kCancel) engine_.cancelRequested = true;
  resultCode = code;
  customName = std::string(name);
}

void DialogHost::controlEvent(std::string_view name, ControlEvent event, std::string_view detail) {
  Control* control = form().findControl(name);
  if (!control) return;
  const Handlers& handlers = handlersOf(*control);
  // A window reports from inside its message handling: what a handler raises is shown there,
  // and the page stays up.
  try {
    switch (event) {
      case ControlEvent::Click:
        runHandler(handlers.click, *control, detail);
        break;
      case ControlEvent::Change:
        runHandler(handlers.change, *control, detail);
        break;
      case ControlEvent::ClickCheck:
        runHandler(handlers.clickCheck, *control, detail);
        break;
      case ControlEvent::MouseUp:
        runHandler(handlers.mouseUp, *control, detail);
        break;
    }
  } catch (const std::exception& error) {
    MessageBoxRequest box;
    box.owner = handle();
    box.caption = "Kestrix";
    box.text = error.what();
    box.icon = MessageIcon::Error;
    engine_.showMessage(box);
  }
  updateWindow();
}

void DialogHost::runHandler(std::string_view handler, Control& control, std::string_view detail) {
  if (handler.empty()) return;
  if (isClickAction(handler)) {
    clickAction(handler, control);
  } else {
    runValueHandler(handler, control, detail);
  }
}

void DialogHost::runValueHandler(std::string_view handler, Control& control,
                                 std::string_view detail) {
  if (session_.suppressEvents) return;
  const int32_t tag = control.tag();
  bool info = false;
  std::optional<std::string> browse;
  if (handler == "Edit1Change" || handler == "MaskEdit1Change") {
    writeBound(control, control.text("Text"), handler);
    info = true;
  } else if (handler == "Memo1Change" || handler == "RichEdit1Change") {
    writeBound(control, replaceAll(plainText(control, "Lines"), kCrLf, kNewLine, false), handler);
    info = true;
  } else if (handler == "CheckBox1Click") {
    writeBound(control, truthText(control.checked()), handler);
  } else if (handler == "RadioButton1Click") {
    for (const Control& radio : form().controls()) {
      if (radio.isKind("TRzRadioButton")) writeBound(radio, truthText(radio.checked()), handler);
    }
  } else if (handler == "ListBox1Click" || handler == "CheckListBox1Click") {
    const Lines items = control.lines("Items");
    const int32_t index = control.itemIndex();
    const bool selected = index >= 0 && static_cast<size_t>(index) < items.size();
    if (selected) writeBound(control, items[static_cast<size_t>(index)], handler);
    if (!selected && handler == "ListBox1Click") writeBound(control, "", handler);
    if (handler == "CheckListBox1Click" && tag == 1 && selected) {
      selectedComponent = items[static_cast<size_t>(index)];
      info = true;
    }
  } else if (handler == "CheckListBox1ClickCheck") {
    info = true;
  } else if (handler == "ComboBox1Change" || handler == "ComboBox1Click") {
    writeBound(control, control.text("Text"), handler);
  } else if (handler == "TrackBar1Change") {
    writeBound(control, std::to_string(control.position()), handler);
  } else if (handler == "TreeView1Change") {
    // `detail` is the selected node's path, its levels separated by backslashes.
    if (!detail.empty()) {
      const size_t cut = detail.rfind('\\');
      writeBound(control, cut == std::string_view::npos ? detail : detail.substr(cut + 1), handler);
      if (tag == 1) {
        selectedComponent = std::string(detail);
        info = true;
      }
    }
  } else if (handler == "FileListBox1Change") {
    writeBound(control, detail, handler);
    if (tag == 1) browse = std::string(folderPart(detail));
  } else if (handler == "DriveComboBox1Change") {
    const std::string drive = detail.empty() ? std::string() : std::string(1, detail[0]) + ":\\";
    writeBound(control, drive, handler);
    if (tag == 1) browse = drive;
  } else if (handler == "PTShellList1Change") {
    if (detail.empty()) return;
    writeBound(control, detail, handler);
    if (tag == 1) browse = std::string(detail);
  } else {
    // The folder controls: the shown or selected folder.
    writeBound(control, detail, handler);
    if (tag == 1) browse = std::string(detail);
  }
  if (browse) applyBrowseResult(*browse);
  if (info) refreshInformationTexts();
  applyRules();
  if (handler == "Edit1Change" || handler == "MaskEdit1Change") advanceFocus(control);
}

void DialogHost::advanceFocus(const Control& control) {
  const int32_t maxLength = control.maxLength();
  if (maxLength == 0 || control.text("Text").size() != static_cast<size_t>(maxLength)) return;
  for (const Control& next : form().controls()) {
    if (next.parent() == -1 && next.findProperty("TabOrder") &&
        next.tabOrder() == control.tabOrder() + 1) {
      if (window_) window_->focusControl(next.name());
      return;
    }
  }
}

void DialogHost::clickAction(std::string_view handler, Control& control) {
  resultCode = kUndecided;
  if (session_.suppressEvents) return;
  switch (control.tag()) {
    case 1:
      resultCode = kNext;
      break;
    case 2:
      resultCode = kBack;
      break;
    case 3:
      if (askToCancel()) {
        engine_.cancelRequested = true;
        control.setPropertyText("Enabled", "False");
        resultCode = kCancel;
      }
      break;
    case 4:
      if (DialogWindows* windows = engine_.platform.dialogWindows) {
        // Push buttons own the picker and offer a new folder; the others leave it to the
        // application window.
        const bool ownPicker = handler == "Button1Click";
        const std::string folder = windows->pickFolder(ownPicker ? handle() : 0, ownPicker, {});
        if (!ownPicker || !folder.empty()) applyBrowseResult(folder);
      }
      break;
    case 5:
      resultCode = kCustom;
      customName = control.name();
      break;
    default:
      break;
  }
  applyRules();
}

bool DialogHost::askToCancel() {
  MessageBoxRequest box;
  box.owner = handle();
  box.caption = "Kestrix";
  box.text = engine_.messages.message(kCancelQuestion);
  box.icon = MessageIcon::Question;
  box.buttons = MessageButtons::YesNo;
  box.defaultButton = 2;
  return engine_.showMessage(box) == MessageAnswer::Yes;
}

void DialogHost::applyBrowseResult(const std::string& folder) {
  const TargetSplit& split = session_.target;
  const std::string start = split.target.empty() ? folder : split.target;
  std::string result;
  if (!folder.empty()) {
    const bool covered = start.size() >= folder.size() &&
                         equalsIgnoringAsciiCase(start.substr(0, folder.size()), folder);
    result = covered ? start : withTrailingBackslash(folder) + split.newTail;
  }
  for (Control& control : form().controls()) {
    if (control.isKind("TEdit") && control.tag() == 2) {
      control.setPropertyText("Text", result);
      runHandler(handlersOf(control).change, control, {});
    }
  }
  refreshInformationTexts();
  applyRules();
}

void DialogHost::applyRules() {
  kx::applyRules(form(), [this](Control& control) {
    const Handlers& handlers = handlersOf(control);
    const std::string_view handler = handlers.change.empty() ? handlers.click : handlers.change;
    if (!handler.empty() && !isClickAction(handler)) runValueHandler(handler, control, {});
  });
}

void DialogHost::updateWindow() {
  if (window_) window_->update();
}

}  // namespace kx

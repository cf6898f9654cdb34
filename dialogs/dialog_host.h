#pragma once
// The host of one loaded dialog: it fills the dialog's controls from the script's variables
// before a show, writes what the user changes back into the variables, answers the clicks of
// the controls whose tag gives them a role, and keeps a progress page up to date. The form model
// is the truth: the host changes it and then brings the window in line.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_loader.h"
#include "platform/platform.h"

namespace kx {

struct Engine;
struct DialogSession;

// Result codes of a dialog, as its controls give them back.
namespace dialog_results {
inline constexpr int32_t kUndecided = -1;
inline constexpr int32_t kNotModal = 0;
inline constexpr int32_t kCancel = 2;
inline constexpr int32_t kNext = 6;
inline constexpr int32_t kBack = 7;
inline constexpr int32_t kCustom = 8;  // a control of the author's own; the custom name names it
}  // namespace dialog_results

// A dialog text in the current language; the design text while no translation is loaded.
std::string translatedDialogText(const Engine& engine, std::string_view dialog,
                                 std::string_view control, const std::string& designText);

class DialogHost;
// The information text of a static text with tag 2 to 6 (the selected component's description
// and size, the space the selection needs and finds); empty until components have values.
std::string informationText(const DialogHost& host, int32_t tag);

class DialogHost : public DialogEvents {
 public:
  DialogHost(Engine& engine, DialogSession& session, LoadedDialog& dialog);
  DialogHost(const DialogHost&) = delete;
  DialogHost& operator=(const DialogHost&) = delete;

  DialogForm& form() { return *dialog_.form; }
  // None in silent runs and on platforms without dialog windows.
  DialogWindow* window() { return window_.get(); }
  WindowHandle handle() const { return window_ ? window_->handle() : 0; }

  int32_t resultCode = dialog_results::kUndecided;
  std::string customName;
  bool canClose = true;
  std::string selectedComponent;

  // Fills the controls before a show: texts through the text pipeline, bound variables, roles.
  void prepare();
  // Gives back the design texts and detaches the handlers after a modal show.
  void reset();
  // The progress controls from the engine's progress state.
  void refreshProgress();
  // A folder the user picked, merged with the target folder into the tag-2 edits.
  void applyBrowseResult(const std::string& folder);
  void refreshInformationTexts();
  // The content a viewer or movie frame with tag 1 shows; none for other controls.
  const DefaultContent* viewerContent(std::string_view control) const;

  void controlEvent(std::string_view control, ControlEvent event, std::string_view detail) override;
  bool closeRequested() override { return canClose; }
  void refreshTimer() override;
  void pageRefreshTimer() override;
  void decide(int32_t resultCode, std::string_view customName) override;

 private:
  // The handlers preparation attached to a control, by event.
  struct Handlers {
    std::string_view click;
    std::string_view change;
    std::string_view clickCheck;
    std::string_view mouseUp;
  };

  void prepareControl(Control& control, size_t index, std::vector<size_t>& remembered);
  void prepareEdit(Control& control, bool collapse);
  void prepareDocument(Control& control, bool richEdit);
  void selectBoundItem(Control& control);
  std::string throughPipeline(std::string_view name, const std::string& text);
  void recordDesignText(std::string_view name, const std::string& text);
  std::optional<std::string> designText(std::string_view name) const;
  std::string language() const;
  std::optional<std::string> boundValue(const Control& control) const;
  void writeBound(const Control& control, std::string_view value, std::string_view handler);

  void runHandler(std::string_view handler, Control& control, std::string_view detail);
  void runValueHandler(std::string_view handler, Control& control, std::string_view detail);
  void clickAction(std::string_view handler, Control& control);
  bool askToCancel();
  void advanceFocus(const Control& control);
  void applyRules();
  void updateWindow();
  Handlers& handlersOf(const Control& control);

  Engine& engine_;
  DialogSession& session_;
  LoadedDialog& dialog_;
  std::unique_ptr<DialogWindow> window_;
  std::vector<Handlers> handlers_;                       // parallel to the form's controls
  std::map<std::string, DefaultContent> viewerContent_;  // by upper-case control name
};

}  // namespace kx

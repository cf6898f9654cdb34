#include "dialogs/dialog_loader.h"

#include "base/values.h"
#include "dialogs/forms/component_stream.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

constexpr std::string_view kDisplayDialog = "Display Dialog";
constexpr std::string_view kRuleFileSuffix = ".zelf";

std::string readRequired(FileSystem& files, const std::string& path) {
  auto bytes = files.readFile(path);
  if (!bytes) throw DialogLoadError("Cannot open file \"" + path + "\"");
  return std::move(*bytes);
}

DefaultContent firstExisting(FileSystem& files, const std::string& supportFolder,
                             const std::vector<std::string>& names, std::string fallback) {
  for (const std::string& name : names) {
    if (files.fileExists(supportFolder + name)) return {supportFolder + name, {}};
  }
  return {{}, std::move(fallback)};
}

std::string documentStem(DocumentRole role) {
  return role == DocumentRole::Readme ? "readme" : "license";
}

}  // namespace

LoadedDialog& DialogTable::load(const std::string& key, const std::string& path,
                                FileSystem& files) {
  std::unique_ptr<DialogForm> form;
  try {
    form = DialogForm::fromDefinition(dfm::readDefinition(readRequired(files, path)));
  } catch (const dfm::DefinitionError& e) {
    throw DialogLoadError(e.what());
  }
  form->host.setPropertyText("Hint", std::string(fileNamePart(path)));
  form->rules = linesOfText(readRequired(files, path + std::string(kRuleFileSuffix)));
  return add(key, std::move(form));
}

LoadedDialog& DialogTable::add(const std::string& key, std::unique_ptr<DialogForm> form) {
  auto dialog = std::make_unique<LoadedDialog>();
  dialog->form = std::move(form);
  for (auto& [existing, entry] : entries_) {
    if (equalsIgnoringAsciiCase(existing, key)) {
      entry = std::move(dialog);
      return *entry;
    }
  }
  entries_.emplace_back(key, std::move(dialog));
  return *entries_.back().second;
}

std::vector<std::string> DialogTable::keys() const {
  std::vector<std::string> keys;
  for (const auto& entry : entries_) keys.push_back(entry.first);
  return keys;
}

LoadedDialog* DialogTable::find(std::string_view key) {
  for (auto& [existing, entry] : entries_) {
    if (equalsIgnoringAsciiCase(existing, key)) return entry.get();
  }
  return nullptr;
}

void loadScriptDialogs(Engine& engine, DialogTable& table, const LoadProgress& progress) {
  const Script& script = engine.script;
  std::vector<size_t> statements;
  for (size_t k = 1; k <= script.statementCount(); ++k) {
    if (script.command(k) == kDisplayDialog && !script.isDisabled(k)) statements.push_back(k);
  }
  if (progress) progress(1, statements.size());
  table.clear();
  engine.run.currentDialogKey.clear();
  engine.cancelRequested = false;
  size_t position = 1;
  for (size_t k : statements) {
    const std::string path =
        engine.options.supportFolder + script.parameter(script.id(k), 1) + ".dfm";
    table.load(std::to_string(k - 1), path, *engine.platform.files);
    if (progress) progress(++position, statements.size());
  }
}

DefaultContent memoContent(FileSystem& files, const std::string& supportFolder,
                           const std::string& language, DocumentRole role) {
  const std::string stem = documentStem(role);
  const std::string languageName = stem + "." + language + ".txt";
  return firstExisting(files, supportFolder, {languageName, stem + ".txt"},
                       "Add a " + languageName + " or " + stem +
                           ".txt file to your project as a support file/creative to display it "
                           "here.");
}

DefaultContent richEditContent(FileSystem& files, const std::string& supportFolder,
                               const std::string& language, DocumentRole role) {
  const std::string stem = documentStem(role);
  const std::string formatted = stem + "." + language + ".rtf";
  const std::string plain = stem + "." + language + ".txt";
  return firstExisting(files, supportFolder, {formatted, stem + ".rtf", plain, stem + ".txt"},
                       "Add a " + formatted + " or " + stem + ".rtf, or " + plain + " or " + stem +
                           ".txt file to your project as a support file/creative to display it "
                           "here.");
}

DefaultContent htmlContent(FileSystem& files, const std::string& supportFolder) {
  return firstExisting(files, supportFolder, {"index.htm"},
                       "Add an index.htm file to your project to display it here, along with any "
                       "other additional support/linked files.");
}

DefaultContent movieContent(FileSystem& files, const std::string& supportFolder) {
  return firstExisting(files, supportFolder, {"movie.swf"},
                       "Add a movie.swf file to your project to display it here.");
}

}  // namespace kx

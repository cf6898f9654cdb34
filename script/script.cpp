#include "script/script.h"

#include "base/script_error.h"
#include "base/values.h"

namespace kx {
namespace {

constexpr std::string_view kTerminator = "$";

}  // namespace

std::string scriptIndexOutOfBounds(size_t index) {
  return "List index out of bounds (" + std::to_string(index) + ")";
}

void Script::rebuildIndexes() {
  firstParameterLine_.clear();
  firstHeaderLine_.clear();
  // emplace keeps the first occurrence, which is the one the lookup rule names.
  for (size_t i = 0; i < parameterSection.size(); ++i)
    firstParameterLine_.emplace(parameterSection[i], i);
  for (size_t i = 0; i < commandHeaders.size(); ++i) firstHeaderLine_.emplace(commandHeaders[i], i);
  // Every statement's block is looked up here once, so a pass over the statements reads its
  // parameters without hashing ids.
  statementBlock_.assign(statementCount(), kNoBlock);
  for (size_t k = 1; k <= statementCount(); ++k) {
    const auto found = firstParameterLine_.find(id(k));
    if (found != firstParameterLine_.end()) statementBlock_[k - 1] = found->second;
  }
}

std::string Script::parameterAt(size_t first, size_t n) const {
  if (first == kNoBlock) return {};
  const size_t index = first + n;
  if (index >= parameterSection.size()) throw ScriptError(scriptIndexOutOfBounds(index));
  return parameterSection[index];
}

std::string Script::parameter(std::string_view statementId, size_t n) const {
  const auto found = firstParameterLine_.find(statementId);
  return parameterAt(found == firstParameterLine_.end() ? kNoBlock : found->second, n);
}

std::string Script::statementParameter(size_t k, size_t n) const {
  if (k < 1 || k > statementBlock_.size()) return parameter(id(k), n);
  return parameterAt(statementBlock_[k - 1], n);
}

std::string Script::commandHeader(size_t k, bool tolerant) const {
  const auto found = firstHeaderLine_.find(std::to_string(static_cast<int64_t>(k) - 1));
  if (found != firstHeaderLine_.end() && found->second > 0)
    return commandHeaders[found->second - 1];
  if (tolerant) return {};
  throw ScriptError("Unable to obtain command headers. Please rebuild your project.");
}

ScriptReadResult readScript(std::string_view bytes, Script& script) {
  script = Script{};
  ScriptReadResult result;
  Lines lines = splitLines(bytes);
  size_t nextLine = 0;
  const auto atEnd = [&] { return nextLine >= lines.size(); };
  const auto next = [&] { return std::move(lines[nextLine++]); };
  auto missing = [&](const char* field) {
    if (result.complete) result.problem = std::string("the script ends before ") + field;
    result.complete = false;
  };
  auto list = [&](Lines& out, const char* field) {
    while (true) {
      if (atEnd()) return missing(field);
      std::string line = next();
      if (line == kTerminator) return;
      out.push_back(std::move(line));
    }
  };
  auto line = [&](std::string& out, const char* field) {
    if (atEnd()) return missing(field);
    out = next();
  };
  list(script.commands, "the end of the command list");
  list(script.ids, "the end of the statement id list");
  list(script.parameterSection, "the end of the parameter block section");
  list(script.marks, "the end of the statement mark list");
  line(script.productCode, "the product code");
  line(script.title, "the title");
  list(script.plugins, "the end of the plug-in list");
  line(script.company, "the company");
  line(script.contact, "the contact");
  line(script.helpLink, "the help link");
  line(script.updateLink, "the update information link");
  line(script.comments, "the comments");
  list(script.mediaBlocks, "the end of the media block list");
  std::string sourceMode;
  line(sourceMode, "the source mode");
  if (result.complete) {
    if (auto value = tryParseInteger(sourceMode);
        value && sourceMode.find_first_of("$xX") == std::string::npos) {
      script.sourceMode = *value;
    } else {
      result.complete = false;
      result.problem = "the source mode '" + sourceMode + "' is not a decimal integer";
    }
  }
  list(script.componentSizes, "the end of the component size table");
  line(script.revisionCode, "the revision code");
  list(script.mediaFileMap, "the end of the media file map");
  line(script.languageDialogFlag, "the language dialog flag");
  line(script.defaultLanguage, "the default language");
  list(script.commandHeaders, "the end of the command header table");
  script.rebuildIndexes();
  return result;
}

std::string writeScript(const Script& script) {
  std::string out;
  auto line = [&](std::string_view text) {
    out.append(text);
    out.append("\r\n");
  };
  auto list = [&](const Lines& lines) {
    for (const auto& l : lines) line(l);
    line(kTerminator);
  };
  list(script.commands);
  list(script.ids);
  list(script.parameterSection);
  list(script.marks);
  line(script.productCode);
  line(script.title);
  list(script.plugins);
  line(script.company);
  line(script.contact);
  line(script.helpLink);
  line(script.updateLink);
  line(script.comments);
  list(script.mediaBlocks);
  line(std::to_string(script.sourceMode));
  list(script.componentSizes);
  line(script.revisionCode);
  list(script.mediaFileMap);
  line(script.languageDialogFlag);
  line(script.defaultLanguage);
  list(script.commandHeaders);
  return out;
}

}  // namespace kx

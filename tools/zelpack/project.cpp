#include "tools/zelpack/project.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tools/zelpack/script_text.h"

namespace kx {
namespace {

using nlohmann::json;

// The project's texts in the script's code page.
class ScriptTexts {
 public:
  explicit ScriptTexts(unsigned codePage) : codePage_(codePage) {}
  std::string operator()(const json& value) const {
    return scriptTextFromUtf8(value.get<std::string>(), codePage_);
  }

 private:
  unsigned codePage_;
};

std::string text(const json& project, const char* key, const ScriptTexts& texts,
                 const char* fallback = "") {
  if (!project.contains(key)) return fallback;
  const json& value = project.at(key);
  if (value.is_string()) return texts(value);
  if (value.is_number_integer()) return std::to_string(value.get<long long>());
  if (value.is_boolean()) return value.get<bool>() ? "TRUE" : "FALSE";
  throw std::runtime_error(std::string("\"") + key + "\" must be a text");
}

// Lists of lines; tables of pairs or triples may also be written as arrays of arrays.
Lines lines(const json& project, const char* key, const ScriptTexts& texts) {
  Lines out;
  if (!project.contains(key)) return out;
  for (const json& item : project.at(key)) {
    if (item.is_array()) {
      for (const json& cell : item) out.push_back(cell.is_string() ? texts(cell) : cell.dump());
    } else {
      out.push_back(item.is_string() ? texts(item) : item.dump());
    }
  }
  return out;
}

std::string derivedId(const std::string& title, uint64_t number) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : title) hash = (hash ^ c) * 1099511628211ull;
  char id[40];
  std::snprintf(id, sizeof id, "{%08X-%04X-4%03X-8%03X-%012llX}", static_cast<unsigned>(hash >> 32),
                static_cast<unsigned>((hash >> 16) & 0xFFFF), static_cast<unsigned>(hash & 0xFFF),
                static_cast<unsigned>((number >> 48) & 0xFFF),
                static_cast<unsigned long long>(number & 0xFFFFFFFFFFFFull));
  return id;
}

json parsed(const std::string& jsonText) {
  json project;
  try {
    project = json::parse(jsonText);
  } catch (const json::parse_error& e) {
    throw std::runtime_error(std::string("the project is not valid JSON: ") + e.what());
  }
  if (!project.is_object()) throw std::runtime_error("the project must be a JSON object");
  return project;
}

}  // namespace

Script scriptFromProject(const std::string& jsonText) {
  const json project = parsed(jsonText);
  Script script;
  try {
    const ScriptTexts texts(project.value("codePage", kDefaultScriptCodePage));
    script.productCode = text(project, "productCode", texts);
    script.title = text(project, "title", texts);
    script.plugins = lines(project, "plugins", texts);
    script.company = text(project, "company", texts);
    script.contact = text(project, "contact", texts);
    script.helpLink = text(project, "helpLink", texts);
    script.updateLink = text(project, "updateLink", texts);
    script.comments = text(project, "comments", texts);
    script.sourceMode = project.value("sourceMode", 0);
    script.componentSizes = lines(project, "componentSizes", texts);
    script.revisionCode = text(project, "revisionCode", texts);
    script.mediaFileMap = lines(project, "mediaFileMap", texts);
    script.languageDialogFlag = text(project, "languageDialog", texts, "FALSE");
    script.defaultLanguage = text(project, "defaultLanguage", texts, "English");
    script.commandHeaders = lines(project, "commandHeaders", texts);
    const json statements = project.value("statements", json::array());
    for (size_t i = 0; i < statements.size(); ++i) {
      const json& s = statements[i];
      if (!s.is_object() || !s.contains("command"))
        throw std::runtime_error("statement " + std::to_string(i + 1) + " has no \"command\"");
      const std::string id = s.contains("id") ? texts(s.at("id")) : derivedId(script.title, i + 1);
      script.commands.push_back(texts(s.at("command")));
      script.ids.push_back(id);
      script.marks.push_back(s.value("disabled", false) ? "C" : "");
      script.mediaBlocks.push_back(s.contains("mediaBlock") ? texts(s.at("mediaBlock")) : "");
      const Lines parameters = lines(s, "parameters", texts);
      if (!parameters.empty()) {
        script.parameterSection.push_back(id);
        script.parameterSection.insert(script.parameterSection.end(), parameters.begin(),
                                       parameters.end());
      }
    }
  } catch (const json::exception& e) {
    throw std::runtime_error(std::string("malformed project: ") + e.what());
  }
  for (const auto* list : {&script.commands, &script.parameterSection, &script.plugins})
    for (const auto& line : *list)
      if (line == "$" || line.find_first_of("\r\n") != std::string::npos)
        throw std::runtime_error("a line may not be \"$\" nor hold a line break: " + line);
  script.rebuildIndexes();
  return script;
}

SetupSources setupSourcesFromProject(const std::string& jsonText) {
  const json project = parsed(jsonText);
  // File names stay as the host spells them.
  const ScriptTexts texts(65001);
  SetupSources sources;
  sources.supportFiles = text(project, "supportFiles", texts);
  sources.dialogs = text(project, "dialogs", texts);
  sources.msi = text(project, "msi", texts);
  sources.msp = text(project, "msp", texts);
  sources.wxs = text(project, "wxs", texts);
  sources.splash = text(project, "splash", texts);
  sources.data = text(project, "data", texts);
  sources.messageFile = text(project, "messageFile", texts);
  return sources;
}

}  // namespace kx

#pragma once
// Builds scripts in memory for tests: statements as command name, parameter lines, disabled.
#include <string>
#include <vector>

#include "script/script.h"

namespace kx::test {

struct Statement {
  std::string command;
  std::vector<std::string> parameters;
  bool disabled = false;
};

inline std::string statementIdFor(size_t number) {
  char id[64];
  std::snprintf(id, sizeof id, "{%08zX-0000-4000-8000-000000000000}", number);
  return id;
}

inline Script buildScript(const std::vector<Statement>& statements, std::string title = "Test") {
  Script script;
  script.title = std::move(title);
  script.productCode = "{D476A5F2-B52A-464F-82D1-2B29B76326B2}";
  script.revisionCode = "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}";
  script.defaultLanguage = "English";
  for (size_t i = 0; i < statements.size(); ++i) {
    const Statement& s = statements[i];
    script.commands.push_back(s.command);
    script.ids.push_back(statementIdFor(i + 1));
    script.marks.push_back(s.disabled ? "C" : "");
    script.mediaBlocks.emplace_back();
    if (!s.parameters.empty()) {
      script.parameterSection.push_back(statementIdFor(i + 1));
      for (const auto& p : s.parameters) script.parameterSection.push_back(p);
    }
  }
  script.rebuildIndexes();
  return script;
}

}  // namespace kx::test

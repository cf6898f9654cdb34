#include "bundlefiles/rx_runtime.h"

namespace rx {
namespace {

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upper(c);
  return out;
}

// Every occurrence of `from`, found ignoring case, replaced by `to`; replaced text is not
// searched again.
std::string replaceIgnoringCase(const std::string& text, const std::string& from,
                                const std::string& to) {
  const std::string upperText_ = upperText(text);
  const std::string upperFrom = upperText(from);
  std::string out;
  size_t start = 0;
  for (size_t found; (found = upperText_.find(upperFrom, start)) != std::string::npos;
       start = found + from.size()) {
    out.append(text, start, found - start);
    out += to;
  }
  out.append(text, start, std::string::npos);
  return out;
}

}  // namespace

bool sameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

std::string variableValue(const VariableList& variables, std::string_view name) {
  for (size_t i = 0; i + 1 < variables.size(); i += 2)
    if (sameAsciiText(variables[i], name)) return variables[i + 1];
  return {};
}

void setVariable(VariableList& variables, std::string_view name, std::string_view value) {
  for (size_t i = 0; i < variables.size(); i += 2) {
    if (!sameAsciiText(variables[i], name)) continue;
    if (i + 1 == variables.size()) variables.emplace_back();
    variables[i + 1] = value;
    return;
  }
  throw BundleError("Attempting to set value of undefined variable " + std::string(name));
}

std::string expandVariables(std::string text, const VariableList& variables) {
  for (int pass = 0; pass < kMaxExpansionPasses; ++pass) {
    const std::string before = text;
    for (size_t i = 0; i + 1 < variables.size() && text.size() <= kMaxExpansionLength; i += 2)
      if (!variables[i].empty())
        text = replaceIgnoringCase(text, "$" + variables[i] + "$", variables[i + 1]);
    if (text == before || text.find('$') == std::string::npos) break;
  }
  return text;
}

}  // namespace rx

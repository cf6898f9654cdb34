#include "interpreter/variable_store.h"

#include <cstdint>

#include "base/comma_text.h"
#include "base/message_table.h"
#include "base/script_error.h"
#include "base/values.h"

namespace kx {

namespace {
constexpr std::string_view kNewline = "$NEWLINE$";
}

std::string encodeLineBreaks(std::string_view text) {
  return replaceAll(text, "\r\n", kNewline, false);
}

std::string decodeLineBreaks(std::string_view text) {
  if (text.find('$') == std::string_view::npos) return std::string(text);
  return replaceAll(text, kNewline, "\r\n", true);
}

size_t VariableStore::NameHash::operator()(std::string_view name) const {
  // FNV-1a over the upper-case bytes.
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(upperAscii(c));
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

bool VariableStore::NameEqual::operator()(std::string_view a, std::string_view b) const {
  return equalsIgnoringAsciiCase(a, b);
}

const Variable* VariableStore::find(std::string_view name) const {
  const auto found = indexByUpperName_.find(name);
  return found == indexByUpperName_.end() ? nullptr : &variables_[found->second];
}

bool VariableStore::isDefined(std::string_view name) const {
  std::lock_guard guard(lock_);
  return find(name) != nullptr;
}

std::string VariableStore::get(std::string_view name) const {
  std::lock_guard guard(lock_);
  if (const Variable* v = find(name)) return v->value;
  throw ScriptError(messages_.message(message_ids::kGetUndefinedVariable) + std::string(name));
}

bool VariableStore::protectedByOverride(std::string_view name, std::string_view context) const {
  if (!silent_ || context == kOverrideContext) return false;
  for (const auto& [overrideName, value] : overrides_)
    if (equalsIgnoringAsciiCase(overrideName, name)) return true;
  return false;
}

void VariableStore::set(std::string_view name, std::string_view value, std::string_view context) {
  std::lock_guard guard(lock_);
  if (protectedByOverride(name, context)) return;
  const auto found = indexByUpperName_.find(name);
  if (found == indexByUpperName_.end())
    throw ScriptError(messages_.message(message_ids::kSetUndefinedVariable) + std::string(name));
  variables_[found->second].value.assign(value);
}

void VariableStore::defineAndSet(std::string_view name, std::string_view value,
                                 std::string_view context) {
  if (name.empty()) return;
  std::lock_guard guard(lock_);
  if (!indexByUpperName_.contains(name)) {
    indexByUpperName_.emplace(upperAscii(name), variables_.size());
    variables_.push_back({std::string(name), {}});
    if (name.find('$') != std::string_view::npos) ++namesWithDollar_;
  }
  set(name, value, context);
}

void VariableStore::writeResult(std::string_view name, std::string_view value,
                                std::string_view context) {
  std::lock_guard guard(lock_);
  if (!isDefined(name)) defineAndSet(upperAscii(name), "", context);
  set(name, value, context);
}

void VariableStore::clear() {
  std::lock_guard guard(lock_);
  variables_.clear();
  indexByUpperName_.clear();
  namesWithDollar_ = 0;
}

std::vector<Variable> VariableStore::snapshot() const {
  std::lock_guard guard(lock_);
  return variables_;
}

std::string VariableStore::exportList() const {
  std::lock_guard guard(lock_);
  std::vector<std::string> items;
  items.reserve(variables_.size() * 2);
  for (const auto& v : variables_) {
    items.push_back(v.name);
    items.push_back(v.value);
  }
  return writeCommaText(items);
}

void VariableStore::importList(std::string_view text) {
  const std::vector<std::string> items = readCommaText(text);
  std::lock_guard guard(lock_);
  clear();
  for (size_t i = 0; i < items.size(); i += 2) {
    const std::string& name = items[i];
    const std::string value = i + 1 < items.size() ? items[i + 1] : std::string();
    // A repeated name is the variable of its first entry, as a list lookup by name finds it.
    if (indexByUpperName_.contains(name)) continue;
    indexByUpperName_.emplace(upperAscii(name), variables_.size());
    variables_.push_back({name, value});
    if (name.find('$') != std::string::npos) ++namesWithDollar_;
  }
}

void VariableStore::setOverrides(NameValueList overrides) {
  std::lock_guard guard(lock_);
  overrides_ = std::move(overrides);
}

void VariableStore::setSilent(bool silent) {
  std::lock_guard guard(lock_);
  silent_ = silent;
}

bool VariableStore::silent() const {
  std::lock_guard guard(lock_);
  return silent_;
}

// One pass: every variable in store order replaces its references in the text left by the
// variables before it. A reference "$NAME$" whose name holds no "$" sits between two
// neighbouring dollar signs, so only those names need looking up; the pass visits them in
// store order, which gives the same text as trying every variable in turn.
std::string VariableStore::expandOnePass(std::string_view input) const {
  std::string text = decodeLineBreaks(input);
  if (namesWithDollar_ > 0) {
    for (const auto& v : variables_) text = replaceAll(text, "$" + v.name + "$", v.value, true);
    return text;
  }
  size_t nextIndex = 0;
  while (text.find('$') != std::string::npos) {
    size_t best = variables_.size();
    size_t open = text.find('$');
    while (open != std::string::npos) {
      const size_t close = text.find('$', open + 1);
      if (close == std::string::npos) break;
      // "$$" too: a plug-in may hand back a variable with an empty name.
      const auto found =
          indexByUpperName_.find(std::string_view(text).substr(open + 1, close - open - 1));
      if (found != indexByUpperName_.end() && found->second >= nextIndex && found->second < best)
        best = found->second;
      open = close;
    }
    if (best == variables_.size()) break;
    const Variable& v = variables_[best];
    text = replaceAll(text, "$" + v.name + "$", v.value, true);
    nextIndex = best + 1;
  }
  return text;
}

void VariableStore::referencesIn(std::string_view text, std::vector<size_t>& found) const {
  for (size_t open = text.find('$'); open != std::string_view::npos;) {
    const size_t close = text.find('$', open + 1);
    if (close == std::string_view::npos) break;
    if (const auto at = indexByUpperName_.find(text.substr(open + 1, close - open - 1));
        at != indexByUpperName_.end())
      found.push_back(at->second);
    open = close;
  }
  if (namesWithDollar_ == 0) return;
  const std::string upperText = upperAscii(text);
  for (size_t i = 0; i < variables_.size(); ++i) {
    const std::string& name = variables_[i].name;
    if (name.find('$') != std::string::npos &&
        upperText.find("$" + upperAscii(name) + "$") != std::string::npos)
      found.push_back(i);
  }
}

bool VariableStore::reachesItself(std::string_view text) const {
  // Depth-first over "the value of V refers to W", without recursion: chains may be long.
  enum class Mark : uint8_t { Unvisited, OnPath, Done };
  std::vector<Mark> marks(variables_.size(), Mark::Unvisited);
  struct Frame {
    size_t variable;
    std::vector<size_t> next;
  };
  std::vector<size_t> roots;
  referencesIn(text, roots);
  for (const size_t root : roots) {
    if (marks[root] != Mark::Unvisited) continue;
    std::vector<Frame> path(1, Frame{root, {}});
    marks[root] = Mark::OnPath;
    referencesIn(variables_[root].value, path.back().next);
    while (!path.empty()) {
      Frame& top = path.back();
      if (top.next.empty()) {
        marks[top.variable] = Mark::Done;
        path.pop_back();
        continue;
      }
      const size_t next = top.next.back();
      top.next.pop_back();
      if (marks[next] == Mark::OnPath) return true;
      if (marks[next] == Mark::Done) continue;
      marks[next] = Mark::OnPath;
      path.push_back(Frame{next, {}});
      referencesIn(variables_[next].value, path.back().next);
    }
  }
  return false;
}

std::string VariableStore::expand(std::string_view text) const {
  std::string current(text);
  for (size_t pass = 1;; ++pass) {
    std::string next;
    bool stop = false;
    {
      std::lock_guard guard(lock_);
      next = expandOnePass(current);
      // A chain of references that never comes back to a variable needs at most one pass per
      // variable (pieces of values can form new references, hence the cap); a value that
      // reaches itself again would never settle, so that text stops after a fixed number.
      if (pass >= kMaxExpansionPasses && next.find('$') != std::string::npos && next != current)
        stop = pass > variables_.size() || (pass == kMaxExpansionPasses && reachesItself(next));
    }
    const bool settled = next.find('$') == std::string::npos || next == current;
    // A value that refers to itself among other text grows on every pass; stop once it has
    // grown far beyond anything a script writes and return what the last pass produced.
    if (settled || stop || next.size() > kMaxExpansionGrowth + text.size()) return next;
    current = std::move(next);
  }
}

std::string VariableStore::expandPath(std::string_view text) const {
  return collapseDoubledBackslashes(expand(text));
}

}  // namespace kx

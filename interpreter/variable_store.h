#pragma once
// The one engine-wide store of script variables: an ordered list of name/value texts, names
// compared ignoring the case of A-Z. Every operation takes the store lock.
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kx {

class MessageTable;

struct Variable {
  std::string name;
  std::string value;
};

using NameValueList = std::vector<std::pair<std::string, std::string>>;

inline constexpr std::string_view kOverrideContext = "Inject Override Command Line";

class VariableStore {
 public:
  explicit VariableStore(const MessageTable& messages) : messages_(messages) {}

  bool isDefined(std::string_view name) const;
  // Undefined names raise a script error (message entries 9 and 10).
  std::string get(std::string_view name) const;
  void set(std::string_view name, std::string_view value, std::string_view context);
  // Empty name: nothing. Else appends the variable when missing, then `set`.
  void defineAndSet(std::string_view name, std::string_view value, std::string_view context);
  // Result-variable pattern: defines the upper-case name when missing, then sets it.
  void writeResult(std::string_view name, std::string_view value, std::string_view context);
  void clear();

  std::vector<Variable> snapshot() const;
  // The whole store as a variable list (comma text, names and values alternating) and back.
  std::string exportList() const;
  void importList(std::string_view text);

  std::string expand(std::string_view text) const;
  std::string expandPath(std::string_view text) const;

  // Command-line overrides protect their variables from script writes in silent runs.
  void setOverrides(NameValueList overrides);
  const NameValueList& overrides() const { return overrides_; }
  void setSilent(bool silent);
  bool silent() const;

  std::recursive_mutex& lock() const { return lock_; }

  // Bounds on expansion of values that reach themselves again: the passes of a text that
  // refers to such a value, and the growth of any text.
  static constexpr size_t kMaxExpansionPasses = 32;
  static constexpr size_t kMaxExpansionGrowth = 1u << 20;

 private:
  const Variable* find(std::string_view name) const;
  std::string expandOnePass(std::string_view text) const;
  // Appends the positions of the variables the text refers to.
  void referencesIn(std::string_view text, std::vector<size_t>& found) const;
  // True when a variable the text refers to leads back to itself through the references in
  // the values.
  bool reachesItself(std::string_view text) const;
  bool protectedByOverride(std::string_view name, std::string_view context) const;

  // Names hashed and compared ignoring the case of A-Z, so a lookup takes the name as given
  // without building an upper-case copy.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  const MessageTable& messages_;
  mutable std::recursive_mutex lock_;
  std::vector<Variable> variables_;
  std::unordered_map<std::string, size_t, NameHash, NameEqual> indexByUpperName_;
  size_t namesWithDollar_ = 0;
  NameValueList overrides_;
  bool silent_ = false;
};

std::string encodeLineBreaks(std::string_view text);
std::string decodeLineBreaks(std::string_view text);

}  // namespace kx

#pragma once
// The portable object model of a dialog: the host form and its controls, each of a control kind
// that declares its published properties. Every property is held in its text form, the form in
// which it is read and written by name:
//   Boolean      "True" / "False"
//   Integer      decimal, signed 32-bit
//   Text         the text itself
//   Enumeration  the identifier of the value ("taCenter")
//   Set          "[a,b]" in declaration order, "[]" when empty
//   Symbolic     a named constant ("clBtnFace", "crHandPoint") or a decimal integer
//   Lines        every line followed by CR LF (item and line lists)
//   Data         the block's bytes in upper-case hexadecimal (pictures, glyphs, tree nodes)
//   Event        the name of one of the host's handlers, or empty
//   Reference    the name of another component, or empty
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dialogs/forms/component_stream.h"

namespace kx {

using Lines = std::vector<std::string>;

// A text that a property refuses.
class PropertyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class PropertyType {
  Boolean,
  Integer,
  Text,
  Enumeration,
  Set,
  Symbolic,
  Lines,
  Data,
  Event,
  Reference
};

struct PropertyDef {
  std::string_view name;
  PropertyType type;
  std::string_view defaultText;
  // Enumeration and Set: the allowed identifiers (Set: every identifier when empty);
  // Symbolic: the named constants besides integers.
  std::span<const std::string_view> names = {};
  // The name under which the stream stores it when that differs ("Items.Strings").
  std::string_view streamName = {};
};

struct ControlKind {
  std::string_view className;
  std::string_view ancestor;  // a kind this one descends from ("TButton" for "TBitBtn")
  std::vector<const PropertyDef*> properties;
  // Properties whose change by a rule makes the control run its value-writing handler.
  std::vector<std::string_view> valueProperties;
  bool isFallback = false;  // stands for a class name outside the table
};

// The control kinds a definition may contain, in the order of their table.
std::span<const ControlKind> controlKinds();
// The kind of a class name (compared ignoring case); the fallback kind for any other name.
const ControlKind& controlKindOf(std::string_view className);
// The kind of the host form.
const ControlKind& hostKind();
// The handlers of the host that event properties may name.
std::span<const std::string_view> hostHandlerNames();

// Something with published properties: the host form or one of its controls.
class PropertyHolder {
 public:
  explicit PropertyHolder(const ControlKind& kind);

  const ControlKind& kind() const { return *kind_; }
  const PropertyDef* findProperty(std::string_view name) const;
  // The text of a property; none when the holder has no property of that name.
  std::optional<std::string> propertyText(std::string_view name) const;
  // Parses `text` in the property's form and assigns it; returns whether the value changed.
  // Throws PropertyError for a text the property refuses or a property that does not exist.
  bool setPropertyText(std::string_view name, std::string_view text);
  // Assigns a value read from a definition stream under its stream name.
  void setFromStream(std::string_view streamName, const dfm::Value& value);

  // The properties the engine relies on.
  int32_t integer(std::string_view name) const;
  bool boolean(std::string_view name) const;
  std::string text(std::string_view name) const;
  Lines lines(std::string_view name) const;
  // The bytes of a Data property; empty for any other.
  std::string dataBytes(std::string_view name) const;
  int32_t tag() const { return integer("Tag"); }
  std::string hint() const { return text("Hint"); }
  bool checked() const { return boolean("Checked"); }
  int32_t itemIndex() const { return integer("ItemIndex"); }
  int32_t position() const { return integer("Position"); }
  int32_t maxLength() const { return integer("MaxLength"); }
  int32_t tabOrder() const { return integer("TabOrder"); }

 private:
  size_t indexOf(const PropertyDef* def) const;

  const ControlKind* kind_;
  std::vector<std::string> values_;  // parallel to kind().properties
  // Event properties ("OnClick"), by upper-case name, and the host handlers they name.
  std::unordered_map<std::string, std::string> events_;
};

class Control : public PropertyHolder {
 public:
  Control(const ControlKind& kind, std::string className, std::string name, int parent);

  const std::string& name() const { return name_; }
  const std::string& className() const { return className_; }
  int parent() const { return parent_; }  // index of the containing control, -1 for the form
  // True when the control's kind is `className` or descends from it.
  bool isKind(std::string_view className) const;
  // The visible text: caption, text, items or lines, as the kind shows them.
  std::string visibleText() const;

 private:
  friend class DialogForm;
  std::string className_;
  std::string name_;
  int parent_;
};

// A property the loader skipped, and why.
struct SkippedProperty {
  std::string component;
  std::string property;
  std::string reason;
};

class DialogForm {
 public:
  // Builds the form from a definition's root object: its name and properties go to the host,
  // its children (and theirs) become the controls. A property the control does not have or
  // refuses is skipped; loading goes on.
  static std::unique_ptr<DialogForm> fromDefinition(const dfm::ObjectRecord& root);

  DialogForm();

  std::string name;
  PropertyHolder host;
  std::vector<SkippedProperty> skipped;
  Lines rules;              // the lines of the dialog's rule file
  int rulesDepth = 0;       // rules passes running on this form, nested through handlers
  int ruleHandlerRuns = 0;  // value-writing handlers run by the outermost pass so far

  // The controls in creation order.
  std::span<Control> controls() { return controls_; }
  std::span<const Control> controls() const { return controls_; }
  // A control by name, ignoring letter case; the form itself is not one of them.
  Control* findControl(std::string_view name);
  const Control* findControl(std::string_view name) const;
  // Get and set property text of a control: empty text, and no change, when the control or the
  // property does not exist. Setting returns whether the value changed; a refused text throws
  // PropertyError.
  std::string propertyText(std::string_view component, std::string_view property) const;
  bool setPropertyText(std::string_view component, std::string_view property,
                       std::string_view text);

 private:
  void addObject(const dfm::ObjectRecord& record, int parent);
  std::string uniqueName(const std::string& wanted, std::string_view className);
  void applyProperties(PropertyHolder& holder, const std::string& component,
                       const std::vector<dfm::PropertyRecord>& properties);

  std::vector<Control> controls_;
  std::unordered_map<std::string, size_t> byName_;  // upper-case name -> index in controls_
  // Per upper-case stem ("BUTTON"), the number from which the search for a free one goes on:
  // names are only added while loading, so every lower number stays taken.
  std::unordered_map<std::string, size_t> nextNumber_;
};

}  // namespace kx

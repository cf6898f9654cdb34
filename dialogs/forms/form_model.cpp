#include "dialogs/forms/form_model.h"

#include <algorithm>

#include "base/values.h"

namespace kx {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

[[noreturn]] void refuse(const PropertyDef& def, std::string_view text) {
  throw PropertyError("Invalid property value '" + std::string(text) + "' for " +
                      std::string(def.name));
}

std::optional<std::string_view> knownName(std::span<const std::string_view> names,
                                          std::string_view text) {
  for (std::string_view name : names) {
    if (equalsIgnoringAsciiCase(name, text)) return name;
  }
  return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string setText(const PropertyDef& def, std::string_view text) {
  std::string_view body = trimmed(text);
  if (body.starts_with('[') && body.ends_with(']')) body = body.substr(1, body.size() - 2);
  std::vector<std::string> members;
  size_t start = 0;
  while (!trimmed(body).empty() && start <= body.size()) {
    const size_t comma = std::min(body.find(',', start), body.size());
    const std::string_view member = trimmed(body.substr(start, comma - start));
    if (member.empty()) refuse(def, text);
    if (def.names.empty()) {
      members.emplace_back(member);
    } else {
      const auto name = knownName(def.names, member);
      if (!name) refuse(def, text);
      members.emplace_back(*name);
    }
    start = comma + 1;
  }
  if (!def.names.empty()) {
    // Members in declaration order, each once.
    std::vector<std::string> ordered;
    for (std::string_view name : def.names) {
      if (std::find(members.begin(), members.end(), name) != members.end()) {
        ordered.emplace_back(name);
      }
    }
    members = std::move(ordered);
  }
  std::string result = "[";
  for (size_t i = 0; i < members.size(); ++i) result += (i ? "," : "") + members[i];
  return result + "]";
}

std::string dataText(const PropertyDef& def, std::string_view text) {
  std::string result;
  if (text.size() % 2 != 0) refuse(def, text);
  for (char c : text) {
    const char upper = upperAscii(c);
    if (kHexDigits.find(upper) == std::string_view::npos) refuse(def, text);
    result.push_back(upper);
  }
  return result;
}

std::string hexOf(std::string_view bytes) {
  std::string result;
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    result.push_back(kHexDigits[b >> 4]);
    result.push_back(kHexDigits[b & 15]);
  }
  return result;
}

// The canonical text of `text` in the property's form; throws PropertyError when refused.
std::string canonicalText(const PropertyDef& def, std::string_view text) {
  switch (def.type) {
    case PropertyType::Boolean:
      if (equalsIgnoringAsciiCase(text, "True")) return "True";
      if (equalsIgnoringAsciiCase(text, "False")) return "False";
      refuse(def, text);
    case PropertyType::Integer:
      if (const auto value = tryParseInteger(text)) return std::to_string(*value);
      refuse(def, text);
    case PropertyType::Text:
    case PropertyType::Reference:
      return std::string(text);
    case PropertyType::Lines:
      return joinLines(linesOfText(text));
    case PropertyType::Enumeration:
      if (const auto name = knownName(def.names, text)) return std::string(*name);
      refuse(def, text);
    case PropertyType::Symbolic:
      if (const auto name = knownName(def.names, text)) return std::string(*name);
      if (const auto value = tryParseInteger(text)) return std::to_string(*value);
      refuse(def, text);
    case PropertyType::Set:
      return setText(def, text);
    case PropertyType::Data:
      return dataText(def, text);
    case PropertyType::Event:
      if (text.empty()) return {};
      if (const auto name = knownName(hostHandlerNames(), text)) return std::string(*name);
      throw PropertyError("The dialog has no handler named '" + std::string(text) + "'");
  }
  refuse(def, text);
}

// The text form of a value read from a stream for a property of `def`'s type.
std::string streamText(const PropertyDef& def, const dfm::Value& value) {
  using dfm::ValueType;
  const auto wrongType = [&]() -> std::string {
    throw PropertyError(def.name.empty() ? std::string("Invalid property value")
                                         : "Invalid property value for " + std::string(def.name));
  };
  switch (def.type) {
    case PropertyType::Boolean:
      if (value.type == ValueType::True) return "True";
      if (value.type == ValueType::False) return "False";
      return wrongType();
    case PropertyType::Integer:
      if (!value.isInteger() || value.integer < INT32_MIN || value.integer > INT32_MAX) {
        return wrongType();
      }
      return std::to_string(value.integer);
    case PropertyType::Text:
      if (!value.isString()) return wrongType();
      return dfm::stringText(value);
    case PropertyType::Lines: {
      if (value.type != ValueType::List) return wrongType();
      Lines lines;
      for (const dfm::Value& item : value.items) {
        if (!item.isString()) return wrongType();
        lines.push_back(dfm::stringText(item));
      }
      // An item holding a line break becomes several lines, as its text reads back.
      return canonicalText(def, joinLines(lines));
    }
    case PropertyType::Enumeration:
    case PropertyType::Event:
    case PropertyType::Reference:
      if (value.type == ValueType::Nil && def.type != PropertyType::Enumeration) return {};
      if (value.type != ValueType::Ident) return wrongType();
      return canonicalText(def, value.bytes);
    case PropertyType::Symbolic:
      if (value.isInteger()) return canonicalText(def, std::to_string(value.integer));
      if (value.type != ValueType::Ident) return wrongType();
      return canonicalText(def, value.bytes);
    case PropertyType::Set: {
      if (value.type != ValueType::Set) return wrongType();
      std::string text;
      for (const std::string& name : value.names) text += (text.empty() ? "" : ",") + name;
      return canonicalText(def, text);
    }
    case PropertyType::Data:
      if (value.type != ValueType::Binary) return wrongType();
      return hexOf(value.bytes);
  }
  return wrongType();
}

bool isEventName(std::string_view name) {
  return name.size() > 2 && (name[0] == 'O' || name[0] == 'o') &&
         (name[1] == 'N' || name[1] == 'n');
}

constexpr PropertyDef kEventProperty{"", PropertyType::Event, ""};

}  // namespace

PropertyHolder::PropertyHolder(const ControlKind& kind) : kind_(&kind) {
  values_.reserve(kind.properties.size());
  for (const PropertyDef* def : kind.properties) values_.emplace_back(def->defaultText);
}

const PropertyDef* PropertyHolder::findProperty(std::string_view name) const {
  for (const PropertyDef* def : kind_->properties) {
    if (equalsIgnoringAsciiCase(def->name, name)) return def;
  }
  return nullptr;
}

size_t PropertyHolder::indexOf(const PropertyDef* def) const {
  return static_cast<size_t>(std::find(kind_->properties.begin(), kind_->properties.end(), def) -
                             kind_->properties.begin());
}

std::optional<std::string> PropertyHolder::propertyText(std::string_view name) const {
  if (const PropertyDef* def = findProperty(name)) return values_[indexOf(def)];
  if (isEventName(name)) {
    const auto found = events_.find(upperAscii(name));
    return found == events_.end() ? std::string() : found->second;
  }
  return std::nullopt;
}

bool PropertyHolder::setPropertyText(std::string_view name, std::string_view text) {
  if (const PropertyDef* def = findProperty(name)) {
    std::string canonical = canonicalText(*def, text);
    std::string& value = values_[indexOf(def)];
    if (value == canonical) return false;
    value = std::move(canonical);
    return true;
  }
  if (!isEventName(name)) {
    throw PropertyError("No property named '" + std::string(name) + "'");
  }
  std::string handler = canonicalText(kEventProperty, text);
  std::string& current = events_[upperAscii(name)];
  if (current == handler) return false;
  current = std::move(handler);
  return true;
}

void PropertyHolder::setFromStream(std::string_view streamName, const dfm::Value& value) {
  for (const PropertyDef* def : kind_->properties) {
    const std::string_view stored = def->streamName.empty() ? def->name : def->streamName;
    if (equalsIgnoringAsciiCase(stored, streamName)) {
      values_[indexOf(def)] = streamText(*def, value);
      return;
    }
  }
  if (!isEventName(streamName)) {
    throw PropertyError("No property named '" + std::string(streamName) + "'");
  }
  setPropertyText(streamName, streamText(kEventProperty, value));
}

int32_t PropertyHolder::integer(std::string_view name) const {
  const auto text = propertyText(name);
  return text ? tryParseInteger(*text).value_or(0) : 0;
}

bool PropertyHolder::boolean(std::string_view name) const {
  return propertyText(name).value_or("") == "True";
}

std::string PropertyHolder::text(std::string_view name) const {
  return propertyText(name).value_or("");
}

Lines PropertyHolder::lines(std::string_view name) const {
  return linesOfText(text(name));
}

std::string PropertyHolder::dataBytes(std::string_view name) const {
  const PropertyDef* def = findProperty(name);
  if (!def || def->type != PropertyType::Data) return {};
  const std::string& hex = values_[indexOf(def)];
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    const auto digit = [](char c) { return static_cast<int>(kHexDigits.find(c)); };
    bytes.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  }
  return bytes;
}

Control::Control(const ControlKind& kind, std::string className, std::string name, int parent)
    : PropertyHolder(kind),
      className_(std::move(className)),
      name_(std::move(name)),
      parent_(parent) {}

bool Control::isKind(std::string_view className) const {
  for (const ControlKind* k = &kind(); !k->isFallback;) {
    if (equalsIgnoringAsciiCase(k->className, className)) return true;
    if (k->ancestor.empty()) return false;
    k = &controlKindOf(k->ancestor);
  }
  return false;
}

std::string Control::visibleText() const {
  for (std::string_view name : {"Caption", "Text", "Lines", "Items"}) {
    const PropertyDef* def = findProperty(name);
    if (def && def->type != PropertyType::Data) return text(name);
  }
  return {};
}

DialogForm::DialogForm() : host(hostKind()) {}

std::unique_ptr<DialogForm> DialogForm::fromDefinition(const dfm::ObjectRecord& root) {
  auto form = std::make_unique<DialogForm>();
  form->name = root.name;
  form->applyProperties(form->host, root.name, root.properties);
  for (const dfm::ObjectRecord& child : root.children) form->addObject(child, -1);
  return form;
}

void DialogForm::addObject(const dfm::ObjectRecord& record, int parent) {
  std::string name = uniqueName(record.name, record.className);
  if (!name.empty()) byName_.emplace(upperAscii(name), controls_.size());
  controls_.emplace_back(controlKindOf(record.className), record.className, std::move(name),
                         parent);
  const size_t index = controls_.size() - 1;
  applyProperties(controls_[index], controls_[index].name(), record.properties);
  for (const dfm::ObjectRecord& child : record.children) {
    addObject(child, static_cast<int>(index));
  }
}

// A name already taken becomes the class name without its first letter and the first free
// number from 2 ("Button2").
std::string DialogForm::uniqueName(const std::string& wanted, std::string_view className) {
  if (wanted.empty() || !findControl(wanted)) return wanted;
  const std::string stem(className.substr(className.empty() ? 0 : 1));
  size_t& number = nextNumber_.try_emplace(upperAscii(stem), 2).first->second;
  for (;; ++number) {
    std::string candidate = stem + std::to_string(number);
    if (!findControl(candidate)) return candidate;
  }
}

void DialogForm::applyProperties(PropertyHolder& holder, const std::string& component,
                                 const std::vector<dfm::PropertyRecord>& properties) {
  for (const dfm::PropertyRecord& property : properties) {
    try {
      holder.setFromStream(property.name, property.value);
    } catch (const PropertyError& e) {
      skipped.push_back({component, property.name, e.what()});
    }
  }
}

Control* DialogForm::findControl(std::string_view name) {
  const auto found = byName_.find(upperAscii(name));
  return found == byName_.end() ? nullptr : &controls_[found->second];
}

const Control* DialogForm::findControl(std::string_view name) const {
  return const_cast<DialogForm*>(this)->findControl(name);
}

std::string DialogForm::propertyText(std::string_view component, std::string_view property) const {
  const Control* control = findControl(component);
  if (!control) return {};
  if (equalsIgnoringAsciiCase(property, "Name")) return control->name();
  return control->propertyText(property).value_or("");
}

bool DialogForm::setPropertyText(std::string_view component, std::string_view property,
                                 std::string_view text) {
  Control* control = findControl(component);
  if (!control) return false;
  if (equalsIgnoringAsciiCase(property, "Name")) {
    if (text == control->name()) return false;
    const Control* other = findControl(text);
    if (text.empty() || (other && other != control)) {
      throw PropertyError("A component named " + std::string(text) + " already exists");
    }
    byName_.erase(upperAscii(control->name()));
    control->name_ = std::string(text);
    byName_.emplace(upperAscii(text), static_cast<size_t>(control - controls_.data()));
    return true;
  }
  if (!control->propertyText(property)) return false;
  return control->setPropertyText(property, text);
}

}  // namespace kx

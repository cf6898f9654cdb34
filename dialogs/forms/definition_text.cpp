#include "dialogs/forms/definition_text.h"

#include <charconv>
#include <cstdio>

namespace kx::dfm {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr size_t kHexPerLine = 64;

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool isIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentPart(char c) {
  return isIdentStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Words with a meaning of their own in the text form; names and identifiers can't be them.
bool isValueKeyword(std::string_view word) {
  return sameWord(word, "True") || sameWord(word, "False") || sameWord(word, "nil") ||
         sameWord(word, "Null");
}
bool isStructureKeyword(std::string_view word) {
  return sameWord(word, "end") || sameWord(word, "object") || sameWord(word, "inherited") ||
         sameWord(word, "inline") || sameWord(word, "item");
}

// A plain identifier, or with `dotted` a dot-separated path of them.
bool isIdentifier(std::string_view text, bool dotted) {
  bool segmentStart = true;
  for (char c : text) {
    if (segmentStart) {
      if (!isIdentStart(c)) return false;
      segmentStart = false;
    } else if (c == '.' && dotted) {
      segmentStart = true;
    } else if (!isIdentPart(c)) {
      return false;
    }
  }
  return !segmentStart;
}

std::string checkedName(std::string_view name, bool dotted, std::string_view what) {
  if (!isIdentifier(name, dotted) || isValueKeyword(name) || isStructureKeyword(name)) {
    throw DefinitionError("The " + std::string(what) + " '" + std::string(name) +
                          "' can't be written as text");
  }
  return std::string(name);
}

std::string hexOf(std::string_view bytes) {
  std::string result;
  result.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    result.push_back(kHexDigits[b >> 4]);
    result.push_back(kHexDigits[b & 15]);
  }
  return result;
}

// Quoted pieces for printable characters (bytes from 128 are written as they are), #n for
// control characters and for units above 255.
template <typename Unit>
std::string quotedText(const std::basic_string<Unit>& units) {
  if (units.empty()) return "''";
  std::string result;
  bool quoted = false;
  for (Unit unit : units) {
    const auto code = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(unit));
    const bool plain = (code >= 32 && code < 127) || (code >= 128 && code < 256);
    if (plain != quoted) {
      result.push_back('\'');
      quoted = plain;
    }
    if (!plain) {
      result.push_back('#');
      result += std::to_string(code);
    } else {
      if (code == '\'') result.push_back('\'');
      result.push_back(static_cast<char>(code));
    }
  }
  if (quoted) result.push_back('\'');
  return result;
}

std::string currencyText(int64_t scaled) {
  const bool negative = scaled < 0;
  // The magnitude as unsigned so that the most negative value has one too.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : scaled;
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, "%04u", static_cast<unsigned>(magnitude % 10000));
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction + "c";
}

template <typename Number>
std::string shortestText(Number number) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
  std::string text(buffer, end);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string decimalFloatText(const Value& value) {
  switch (value.type) {
    case ValueType::Single:
      return shortestText(static_cast<float>(floatValue(value))) + "s";
    case ValueType::Date:
      return shortestText(static_cast<double>(floatValue(value))) + "d";
    default:
      return shortestText(floatValue(value));
  }
}

std::string floatText(const Value& value) {
  if (value.type == ValueType::Currency) return currencyText(value.integer);
  std::string text = decimalFloatText(value);
  try {
    if (valueFromText(text) == value) return text;
  } catch (const DefinitionError&) {
    // Infinities and NaNs have no decimal form: the raw bytes below stand for them.
  }
  return "~" + hexOf(value.bytes);
}

class TextWriter {
 public:
  std::string take() { return std::move(out_); }
  void object(const ObjectRecord& record, int indent);
  void value(const Value& value, int indent);

 private:
  void line(int indent, std::string_view text) {
    if (!out_.empty()) out_ += "\r\n";
    out_.append(2 * indent, ' ');
    out_ += text;
  }
  void properties(const std::vector<PropertyRecord>& records, int indent);

  std::string out_;
};

void TextWriter::properties(const std::vector<PropertyRecord>& records, int indent) {
  for (const PropertyRecord& record : records) {
    line(indent, checkedName(record.name, true, "property name") + " = ");
    value(record.value, indent + 1);
  }
}

void TextWriter::value(const Value& v, int indent) {
  switch (v.type) {
    case ValueType::Null:
      out_ += "Null";
      break;
    case ValueType::False:
      out_ += "False";
      break;
    case ValueType::True:
      out_ += "True";
      break;
    case ValueType::Nil:
      out_ += "nil";
      break;
    case ValueType::Int8:
    case ValueType::Int16:
    case ValueType::Int32:
    case ValueType::Int64:
      out_ += std::to_string(v.integer);
      break;
    case ValueType::Extended:
    case ValueType::Single:
    case ValueType::Date:
    case ValueType::Currency:
      out_ += floatText(v);
      break;
    case ValueType::String:
    case ValueType::LString:
      out_ += quotedText(v.bytes);
      break;
    case ValueType::WString:
      out_ += quotedText(v.wide);
      break;
    case ValueType::Utf8String:
      out_ += quotedText(utf8ToUtf16(v.bytes));
      break;
    case ValueType::Ident:
      out_ += checkedName(v.bytes, true, "identifier");
      break;
    case ValueType::Set: {
      out_ += "[";
      for (size_t i = 0; i < v.names.size(); ++i) {
        out_ += (i ? ", " : "") + checkedName(v.names[i], false, "set element");
      }
      out_ += "]";
      break;
    }
    case ValueType::List:
      out_ += "(";
      for (const Value& item : v.items) {
        line(indent, "");
        value(item, indent + 1);
      }
      out_ += ")";
      break;
    case ValueType::Binary: {
      out_ += "{";
      const std::string hex = hexOf(v.bytes);
      for (size_t at = 0; at < hex.size(); at += kHexPerLine) {
        line(indent, hex.substr(at, kHexPerLine));
      }
      out_ += "}";
      break;
    }
    case ValueType::Collection:
      out_ += "<";
      for (const CollectionItem& item : v.collection) {
        line(indent, item.order ? "item [" + std::to_string(*item.order) + "]" : "item");
        properties(item.properties, indent + 1);
        line(indent, "end");
      }
      out_ += ">";
      break;
  }
}

void TextWriter::object(const ObjectRecord& record, int indent) {
  std::string header;
  if (record.flags & kFlagInherited) header = "inherited";
  if (record.flags & kFlagInline) header += header.empty() ? "inline" : " inline";
  if (header.empty()) header = "object";
  header += " ";
  if (!record.name.empty()) header += checkedName(record.name, false, "component name") + ": ";
  header += checkedName(record.className, false, "class name");
  if (record.flags & kFlagChildPosition)
    header += " [" + std::to_string(record.childPosition) + "]";
  line(indent, header);
  properties(record.properties, indent + 1);
  for (const ObjectRecord& child : record.children) object(child, indent + 1);
  line(indent, "end");
}

class TextParser {
 public:
  explicit TextParser(std::string_view text) : text_(text) {}

  ObjectRecord document() {
    ObjectRecord root = object(0);
    skipBlanks();
    if (!atEnd()) fail("text after the final end");
    return root;
  }
  Value singleValue() {
    Value result = value(0);
    skipBlanks();
    if (!atEnd()) fail("text after the value");
    return result;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < text_.size(); ++i) line += text_[i] == '\n';
    throw DefinitionError("line " + std::to_string(line) + ": " + what);
  }
  bool atEnd() const { return pos_ >= text_.size(); }
  char current() const { return atEnd() ? '\0' : text_[pos_]; }
  void skipBlanks() {
    while (!atEnd() &&
           (current() == ' ' || current() == '\t' || current() == '\r' || current() == '\n')) {
      ++pos_;
    }
  }
  void enter(int depth) const {
    if (depth > kMaxNesting) fail("nested too deeply");
  }
  void expect(char c) {
    skipBlanks();
    if (current() != c) fail(std::string("'") + c + "' expected");
    ++pos_;
  }
  std::string word(bool dotted) {
    skipBlanks();
    const size_t start = pos_;
    while (!atEnd() && (isIdentPart(current()) || (dotted && current() == '.'))) ++pos_;
    std::string result(text_.substr(start, pos_ - start));
    if (!isIdentifier(result, dotted)) fail("identifier expected");
    return result;
  }
  // The next word with its dots, so that a keyword only matches on its own and a property path
  // that starts with one ("Item.Caption") stays a property.
  std::string peekWord() {
    skipBlanks();
    size_t end = pos_;
    while (end < text_.size() && (isIdentPart(text_[end]) || text_[end] == '.')) ++end;
    return std::string(text_.substr(pos_, end - pos_));
  }
  bool takeKeyword(std::string_view keyword) {
    if (!sameWord(peekWord(), keyword)) return false;
    pos_ += keyword.size();
    return true;
  }
  int64_t integerInBrackets() {
    expect('[');
    skipBlanks();
    const Value position = number();
    if (!position.isInteger()) fail("integer expected");
    expect(']');
    return position.integer;
  }

  ObjectRecord object(int depth);
  std::vector<PropertyRecord> properties(int depth);
  Value value(int depth);
  Value number();
  Value rawFloat();
  Value text();
  Value binary();

  std::string_view text_;
  size_t pos_ = 0;
};

ObjectRecord TextParser::object(int depth) {
  enter(depth);
  ObjectRecord record;
  if (takeKeyword("inherited")) record.flags |= kFlagInherited;
  if (takeKeyword("inline")) record.flags |= kFlagInline;
  if (record.flags == 0 && !takeKeyword("object")) fail("'object' expected");
  std::string first = word(false);
  skipBlanks();
  if (current() == ':') {
    ++pos_;
    record.name = std::move(first);
    record.className = word(false);
  } else {
    record.className = std::move(first);
  }
  skipBlanks();
  if (current() == '[') {
    record.flags |= kFlagChildPosition;
    record.childPosition = integerInBrackets();
  }
  record.properties = properties(depth);
  while (!takeKeyword("end")) {
    if (atEnd()) fail("'end' expected");
    record.children.push_back(object(depth + 1));
  }
  return record;
}

// Property lines up to the keyword that ends them (left for the caller to take).
std::vector<PropertyRecord> TextParser::properties(int depth) {
  std::vector<PropertyRecord> result;
  for (;;) {
    const std::string next = peekWord();
    if (next.empty() || isStructureKeyword(next)) return result;
    PropertyRecord record;
    record.name = word(true);
    expect('=');
    record.value = value(depth + 1);
    result.push_back(std::move(record));
  }
}

Value TextParser::value(int depth) {
  enter(depth);
  skipBlanks();
  const char c = current();
  if (c == '\'' || c == '#') return text();
  if (c == '-' || c == '+' || c == '$' || isDigit(c)) return number();
  if (c == '~') return rawFloat();
  if (c == '{') return binary();
  Value result;
  if (c == '(') {
    ++pos_;
    result.type = ValueType::List;
    for (skipBlanks(); current() != ')'; skipBlanks()) {
      if (atEnd()) fail("')' expected");
      result.items.push_back(value(depth + 1));
    }
    ++pos_;
    return result;
  }
  if (c == '[') {
    ++pos_;
    result.type = ValueType::Set;
    skipBlanks();
    if (current() == ']') {
      ++pos_;
      return result;
    }
    for (;;) {
      result.names.push_back(word(false));
      skipBlanks();
      if (current() == ']') break;
      expect(',');
    }
    ++pos_;
    return result;
  }
  if (c == '<') {
    ++pos_;
    result.type = ValueType::Collection;
    while (takeKeyword("item")) {
      CollectionItem item;
      skipBlanks();
      if (current() == '[') item.order = integerInBrackets();
      item.properties = properties(depth + 1);
      if (!takeKeyword("end")) fail("'end' expected");
      result.collection.push_back(std::move(item));
    }
    expect('>');
    return result;
  }
  std::string name = word(true);
  if (sameWord(name, "True")) return Value::ofBool(true);
  if (sameWord(name, "False")) return Value::ofBool(false);
  if (sameWord(name, "Null")) return result;
  if (sameWord(name, "nil")) {
    result.type = ValueType::Nil;
    return result;
  }
  if (isStructureKeyword(name)) fail("value expected");
  return Value::ofIdent(std::move(name));
}

Value TextParser::number() {
  const size_t start = pos_;
  bool negative = false;
  if (current() == '-' || current() == '+') negative = text_[pos_++] == '-';
  if (current() == '$') {
    ++pos_;
    uint64_t magnitude = 0;
    const size_t digitsStart = pos_;
    for (; hexDigit(current()) >= 0; ++pos_) {
      if (magnitude >> 60) fail("number too large");
      magnitude = magnitude * 16 + static_cast<uint64_t>(hexDigit(current()));
    }
    if (pos_ == digitsStart || isIdentPart(current())) fail("hexadecimal number expected");
    return Value::ofInteger(negative ? static_cast<int64_t>(0 - magnitude)
                                     : static_cast<int64_t>(magnitude));
  }
  const auto skipDigits = [this] {
    const size_t digitsStart = pos_;
    while (isDigit(current())) ++pos_;
    return pos_ > digitsStart;
  };
  if (!skipDigits()) fail("number expected");
  bool isFloat = false;
  if (current() == '.') {
    ++pos_;
    isFloat = true;
    if (!skipDigits()) fail("digits expected after the point");
  }
  if (current() == 'e' || current() == 'E') {
    ++pos_;
    isFloat = true;
    if (current() == '-' || current() == '+') ++pos_;
    if (!skipDigits()) fail("digits expected in the exponent");
  }
  const std::string_view digits = text_.substr(start, pos_ - start);
  const char suffix = lower(current());
  const bool hasSuffix = suffix == 's' || suffix == 'c' || suffix == 'd';
  if (hasSuffix) ++pos_;
  if (isIdentPart(current()) || current() == '.') fail("bad number");
  const char* first = digits.data() + (digits[0] == '+');
  const char* last = digits.data() + digits.size();
  if (!isFloat && !hasSuffix) {
    int64_t integer = 0;
    const auto parsed = std::from_chars(first, last, integer);
    if (parsed.ec != std::errc() || parsed.ptr != last) fail("integer out of range");
    return Value::ofInteger(integer);
  }
  if (suffix == 'c') {
    // Currency is exact: at most four decimals, scaled by 10000.
    const std::string_view body(first, static_cast<size_t>(last - first));
    if (body.find_first_of("eE") != std::string_view::npos)
      fail("currency without exponent expected");
    const size_t point = body.find('.');
    std::string scaled(body.substr(0, point));
    std::string decimals =
        point == std::string_view::npos ? "" : std::string(body.substr(point + 1));
    if (decimals.size() > 4) fail("currency has at most four decimals");
    scaled += decimals + std::string(4 - decimals.size(), '0');
    Value result;
    result.type = ValueType::Currency;
    const auto parsed =
        std::from_chars(scaled.data(), scaled.data() + scaled.size(), result.integer);
    if (parsed.ec != std::errc()) fail("currency out of range");
    return result;
  }
  const auto parse = [&](auto number) {
    const auto parsed = std::from_chars(first, last, number);
    if (parsed.ec != std::errc() || parsed.ptr != last) fail("floating-point number out of range");
    return number;
  };
  if (suffix == 's') return floatOf(ValueType::Single, parse(0.0f));
  if (suffix == 'd') return floatOf(ValueType::Date, parse(0.0));
  // Extended values keep all 64 bits of their mantissa, as a form designer writes them.
  return floatOf(ValueType::Extended, parse(0.0L));
}

Value TextParser::rawFloat() {
  ++pos_;
  std::string bytes;
  while (hexDigit(current()) >= 0 && pos_ + 1 < text_.size() && hexDigit(text_[pos_ + 1]) >= 0) {
    bytes.push_back(static_cast<char>(hexDigit(text_[pos_]) * 16 + hexDigit(text_[pos_ + 1])));
    pos_ += 2;
  }
  if (isIdentPart(current())) fail("raw floating-point bytes expected");
  Value result;
  switch (bytes.size()) {
    case 4:
      result.type = ValueType::Single;
      break;
    case 8:
      result.type = ValueType::Date;
      break;
    case 10:
      result.type = ValueType::Extended;
      break;
    default:
      fail("raw floating-point value of 4, 8 or 10 bytes expected");
  }
  result.bytes = std::move(bytes);
  return result;
}

Value TextParser::text() {
  std::u16string units;
  for (;;) {
    if (current() == '\'') {
      for (++pos_;; ++pos_) {
        if (atEnd() || current() == '\n' || current() == '\r') fail("unterminated string");
        if (current() == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            ++pos_;
          } else {
            break;
          }
        }
        units.push_back(static_cast<uint8_t>(current()));
      }
      ++pos_;
    } else if (current() == '#') {
      ++pos_;
      const Value code = number();
      if (!code.isInteger() || code.integer < 0 || code.integer > 0xFFFF)
        fail("bad character code");
      units.push_back(static_cast<char16_t>(code.integer));
    } else {
      // A "+" joins the pieces of a text written over several lines.
      const size_t before = pos_;
      skipBlanks();
      if (current() != '+') {
        pos_ = before;
        break;
      }
      ++pos_;
      skipBlanks();
      if (current() != '\'' && current() != '#') fail("text expected after '+'");
    }
  }
  for (char16_t unit : units) {
    if (unit > 255) {
      Value wide;
      wide.type = ValueType::WString;
      wide.wide = std::move(units);
      return wide;
    }
  }
  return Value::ofString(narrowText(units));
}

Value TextParser::binary() {
  ++pos_;
  Value result;
  result.type = ValueType::Binary;
  for (skipBlanks(); current() != '}'; skipBlanks()) {
    const int high = hexDigit(current());
    const int low = pos_ + 1 < text_.size() ? hexDigit(text_[pos_ + 1]) : -1;
    if (high < 0 || low < 0) fail("hexadecimal bytes expected");
    result.bytes.push_back(static_cast<char>(high * 16 + low));
    pos_ += 2;
  }
  ++pos_;
  return result;
}

}  // namespace

std::string objectToText(const ObjectRecord& root) {
  TextWriter writer;
  writer.object(root, 0);
  return writer.take() + "\r\n";
}

ObjectRecord objectFromText(std::string_view text) {
  return TextParser(text).document();
}

std::string valueToText(const Value& value) {
  TextWriter writer;
  writer.value(value, 1);
  return writer.take();
}

Value valueFromText(std::string_view text) {
  return TextParser(text).singleValue();
}

}  // namespace kx::dfm

#pragma once
// The component stream of dialog definition files: a tree of object records whose properties
// carry typed values. Reading keeps every value's type as it stands in the stream; writing emits
// exactly what the records hold.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kx::dfm {

// A definition that can't be read; the message is the one the loader reports.
class DefinitionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kInvalidStreamFormat = "Invalid stream format";

enum class ValueType : uint8_t {
  Null = 0,
  List = 1,
  Int8 = 2,
  Int16 = 3,
  Int32 = 4,
  Extended = 5,
  String = 6,
  Ident = 7,
  False = 8,
  True = 9,
  Binary = 10,
  Set = 11,
  LString = 12,
  Nil = 13,
  Collection = 14,
  Single = 15,
  Currency = 16,
  Date = 17,
  WString = 18,
  Int64 = 19,
  Utf8String = 20,
};
inline constexpr uint8_t kLastValueType = 20;
// Objects, lists and collections nested deeper than this are rejected: no real dialog comes
// near it, and it keeps hostile input from exhausting the stack.
inline constexpr int kMaxNesting = 64;

struct PropertyRecord;

struct CollectionItem {
  std::optional<int64_t> order;  // the optional order value written before the item
  std::vector<PropertyRecord> properties;
  bool operator==(const CollectionItem&) const = default;
};

struct Value {
  ValueType type = ValueType::Null;
  int64_t integer = 0;  // Int8 to Int64; Currency as its 64-bit count of 1/10000
  // String, Ident, LString, Utf8String: the bytes; Binary: the block; Extended, Single, Date:
  // the raw little-endian bytes of the floating-point number (10, 4 or 8 bytes).
  std::string bytes;
  std::u16string wide;             // WString
  std::vector<Value> items;        // List
  std::vector<std::string> names;  // Set
  std::vector<CollectionItem> collection;

  bool operator==(const Value&) const = default;

  static Value ofInteger(int64_t value);    // the smallest integer type that holds it
  static Value ofString(std::string text);  // short string when it fits, long otherwise
  static Value ofIdent(std::string name);
  static Value ofBool(bool value);
  bool isInteger() const;
  bool isString() const;  // any of the four string types
};

struct PropertyRecord {
  std::string name;  // a dotted path for nested properties ("Font.Name")
  Value value;
  bool operator==(const PropertyRecord&) const = default;
};

// Bits of an object record's flags byte (stored in its lower four bits).
inline constexpr uint8_t kFlagInherited = 1;
inline constexpr uint8_t kFlagChildPosition = 2;
inline constexpr uint8_t kFlagInline = 4;

struct ObjectRecord {
  uint8_t flags = 0;          // 0: no flags byte
  int64_t childPosition = 0;  // meaningful with kFlagChildPosition
  std::string className;
  std::string name;
  std::vector<PropertyRecord> properties;
  std::vector<ObjectRecord> children;
  bool operator==(const ObjectRecord&) const = default;
};

// A definition file: the resource header (only its first byte and type are checked), then the
// component stream. Throws DefinitionError.
ObjectRecord readDefinition(std::string_view file);
// The component stream alone, starting with "TPF0".
ObjectRecord readComponentStream(std::string_view stream);

std::string writeComponentStream(const ObjectRecord& root);
// Resource header (named after the root's class, upper-cased) followed by the stream.
std::string writeDefinition(const ObjectRecord& root);

// Floating-point values to and from their raw stream bytes. Extended values use the 80-bit
// format of the x86 `long double`.
long double floatValue(const Value& value);
Value floatOf(ValueType type, long double number);

// UTF-16 code units and 8-bit text: units below 256 map to the byte of that value.
std::string narrowText(std::u16string_view wide);
// The text of any string value (wide strings and UTF-8 strings narrowed).
std::string stringText(const Value& value);
std::u16string utf8ToUtf16(std::string_view utf8);

}  // namespace kx::dfm

#include "dialogs/forms/component_stream.h"

#include <bit>
#include <cstring>
#include <limits>

namespace kx::dfm {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "extended values need the 80-bit long double");
static_assert(std::endian::native == std::endian::little);

constexpr std::string_view kSignature = "TPF0";
constexpr uint8_t kResourceMarker = 0xFF;
constexpr uint16_t kResourceType = 10;
constexpr uint16_t kResourceFlags = 0x1030;
// Every record read counts against a budget, so that memory stays a small multiple of what
// a real dialog needs however the input is shaped.
constexpr size_t kMaxRecords = 200000;

size_t floatSize(ValueType type) {
  switch (type) {
    case ValueType::Extended:
      return 10;
    case ValueType::Single:
      return 4;
    case ValueType::Date:
      return 8;
    default:
      return 0;
  }
}

class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}

  bool atEnd() const { return offset_ == data_.size(); }
  size_t offset() const { return offset_; }

  uint8_t byte() {
    need(1);
    return static_cast<uint8_t>(data_[offset_++]);
  }
  uint8_t peek() {
    need(1);
    return static_cast<uint8_t>(data_[offset_]);
  }
  uint64_t unsignedInt(size_t size) {
    need(size);
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i) {
      value |= uint64_t{static_cast<uint8_t>(data_[offset_ + i])} << (8 * i);
    }
    offset_ += size;
    return value;
  }
  int64_t signedInt(size_t size) {
    const uint64_t value = unsignedInt(size);
    const unsigned shift = 64 - 8 * static_cast<unsigned>(size);
    return static_cast<int64_t>(value << shift) >> shift;
  }
  std::string bytes(uint64_t count) {
    need(count);
    std::string result(data_.substr(offset_, count));
    offset_ += count;
    return result;
  }
  std::string shortString() { return bytes(byte()); }
  std::string longBytes() { return bytes(unsignedInt(4)); }
  std::string zeroTerminated() {
    const size_t end = data_.find('\0', offset_);
    if (end == std::string_view::npos) throw DefinitionError(std::string(kInvalidStreamFormat));
    std::string result(data_.substr(offset_, end - offset_));
    offset_ = end + 1;
    return result;
  }
  void skip(uint64_t count) {
    need(count);
    offset_ += count;
  }

  ObjectRecord object(int depth);

 private:
  // Every length is checked against the bytes left before anything is allocated.
  void need(uint64_t count) const {
    if (count > data_.size() - offset_) throw DefinitionError("Stream read error");
  }
  void enter(int depth) {
    if (depth > kMaxNesting) throw DefinitionError("Definition nested too deeply");
    if (++records_ > kMaxRecords) throw DefinitionError("Definition too large");
  }
  std::vector<PropertyRecord> properties(int depth);
  Value value(int depth);
  int64_t integerValue();

  std::string_view data_;
  size_t offset_ = 0;
  size_t records_ = 0;
};

int64_t Reader::integerValue() {
  switch (static_cast<ValueType>(byte())) {
    case ValueType::Int8:
      return signedInt(1);
    case ValueType::Int16:
      return signedInt(2);
    case ValueType::Int32:
      return signedInt(4);
    case ValueType::Int64:
      return signedInt(8);
    default:
      throw DefinitionError("Invalid property value");
  }
}

Value Reader::value(int depth) {
  enter(depth);
  Value result;
  const uint8_t type = byte();
  if (type > kLastValueType) throw DefinitionError("Invalid property value");
  result.type = static_cast<ValueType>(type);
  switch (result.type) {
    case ValueType::Null:
    case ValueType::False:
    case ValueType::True:
    case ValueType::Nil:
      break;
    case ValueType::List:
      while (peek() != 0) result.items.push_back(value(depth + 1));
      byte();
      break;
    case ValueType::Int8:
      result.integer = signedInt(1);
      break;
    case ValueType::Int16:
      result.integer = signedInt(2);
      break;
    case ValueType::Int32:
      result.integer = signedInt(4);
      break;
    case ValueType::Int64:
    case ValueType::Currency:
      result.integer = signedInt(8);
      break;
    case ValueType::Extended:
    case ValueType::Single:
    case ValueType::Date:
      result.bytes = bytes(floatSize(result.type));
      break;
    case ValueType::String:
    case ValueType::Ident:
      result.bytes = shortString();
      break;
    case ValueType::Binary:
    case ValueType::LString:
    case ValueType::Utf8String:
      result.bytes = longBytes();
      break;
    case ValueType::Set:
      for (std::string name = shortString(); !name.empty(); name = shortString()) {
        result.names.push_back(std::move(name));
      }
      break;
    case ValueType::Collection:
      while (peek() != 0) {
        CollectionItem item;
        const auto next = static_cast<ValueType>(peek());
        if (next == ValueType::Int8 || next == ValueType::Int16 || next == ValueType::Int32 ||
            next == ValueType::Int64) {
          item.order = integerValue();
        }
        if (byte() != static_cast<uint8_t>(ValueType::List)) {
          throw DefinitionError("Invalid property value");
        }
        item.properties = properties(depth + 1);
        result.collection.push_back(std::move(item));
      }
      byte();
      break;
    case ValueType::WString: {
      const uint64_t count = unsignedInt(4);
      need(count * 2);
      result.wide.reserve(count);
      for (uint64_t i = 0; i < count; ++i) {
        result.wide.push_back(static_cast<char16_t>(unsignedInt(2)));
      }
      break;
    }
  }
  return result;
}

std::vector<PropertyRecord> Reader::properties(int depth) {
  std::vector<PropertyRecord> result;
  while (peek() != 0) {
    PropertyRecord property;
    property.name = shortString();
    property.value = value(depth + 1);
    result.push_back(std::move(property));
  }
  byte();
  return result;
}

ObjectRecord Reader::object(int depth) {
  enter(depth);
  ObjectRecord result;
  if ((peek() & 0xF0) == 0xF0) {
    result.flags = byte() & 0x0F;
    if (result.flags & kFlagChildPosition) result.childPosition = integerValue();
  }
  result.className = shortString();
  result.name = shortString();
  result.properties = properties(depth);
  while (peek() != 0) result.children.push_back(object(depth + 1));
  byte();
  return result;
}

class Writer {
 public:
  std::string take() { return std::move(out_); }
  void byte(uint8_t value) { out_.push_back(static_cast<char>(value)); }
  void integer(uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) byte(static_cast<uint8_t>(value >> (8 * i)));
  }
  void raw(std::string_view bytes) { out_.append(bytes); }
  void shortString(std::string_view text) {
    if (text.size() > 255)
      throw DefinitionError("Name too long for the stream: " + std::string(text));
    byte(static_cast<uint8_t>(text.size()));
    raw(text);
  }
  void longBytes(std::string_view bytes) {
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
      throw DefinitionError("Value too long for the stream");
    }
    integer(bytes.size(), 4);
    raw(bytes);
  }
  void typedInteger(ValueType type, int64_t value) {
    byte(static_cast<uint8_t>(type));
    switch (type) {
      case ValueType::Int8:
        integer(static_cast<uint64_t>(value), 1);
        break;
      case ValueType::Int16:
        integer(static_cast<uint64_t>(value), 2);
        break;
      case ValueType::Int32:
        integer(static_cast<uint64_t>(value), 4);
        break;
      default:
        integer(static_cast<uint64_t>(value), 8);
        break;
    }
  }
  void value(const Value& v);
  void properties(const std::vector<PropertyRecord>& records);
  void object(const ObjectRecord& record);

 private:
  std::string out_;
};

void Writer::value(const Value& v) {
  switch (v.type) {
    case ValueType::Int8:
    case ValueType::Int16:
    case ValueType::Int32:
    case ValueType::Int64:
    case ValueType::Currency:
      typedInteger(v.type, v.integer);
      return;
    default:
      break;
  }
  byte(static_cast<uint8_t>(v.type));
  switch (v.type) {
    case ValueType::List:
      for (const Value& item : v.items) {
        // The type byte of Null is the byte that ends a list.
        if (item.type == ValueType::Null) throw DefinitionError("A list can't hold Null");
        value(item);
      }
      byte(0);
      break;
    case ValueType::Extended:
    case ValueType::Single:
    case ValueType::Date:
      if (v.bytes.size() != floatSize(v.type)) throw DefinitionError("Bad floating-point value");
      raw(v.bytes);
      break;
    case ValueType::String:
    case ValueType::Ident:
      shortString(v.bytes);
      break;
    case ValueType::Binary:
    case ValueType::LString:
    case ValueType::Utf8String:
      longBytes(v.bytes);
      break;
    case ValueType::Set:
      for (const std::string& name : v.names) shortString(name);
      byte(0);
      break;
    case ValueType::Collection:
      for (const CollectionItem& item : v.collection) {
        if (item.order) value(Value::ofInteger(*item.order));
        byte(static_cast<uint8_t>(ValueType::List));
        properties(item.properties);
      }
      byte(0);
      break;
    case ValueType::WString:
      integer(v.wide.size(), 4);
      for (char16_t unit : v.wide) integer(unit, 2);
      break;
    default:
      break;
  }
}

void Writer::properties(const std::vector<PropertyRecord>& records) {
  for (const PropertyRecord& record : records) {
    shortString(record.name);
    value(record.value);
  }
  byte(0);
}

void Writer::object(const ObjectRecord& record) {
  if (record.flags != 0) {
    byte(static_cast<uint8_t>(0xF0 | record.flags));
    if (record.flags & kFlagChildPosition) value(Value::ofInteger(record.childPosition));
  }
  shortString(record.className);
  shortString(record.name);
  properties(record.properties);
  for (const ObjectRecord& child : record.children) object(child);
  byte(0);
}

}  // namespace

Value Value::ofInteger(int64_t value) {
  Value result;
  result.integer = value;
  if (value >= INT8_MIN && value <= INT8_MAX) {
    result.type = ValueType::Int8;
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    result.type = ValueType::Int16;
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    result.type = ValueType::Int32;
  } else {
    result.type = ValueType::Int64;
  }
  return result;
}

Value Value::ofString(std::string text) {
  Value result;
  result.type = text.size() <= 255 ? ValueType::String : ValueType::LString;
  result.bytes = std::move(text);
  return result;
}

Value Value::ofIdent(std::string name) {
  Value result;
  result.type = ValueType::Ident;
  result.bytes = std::move(name);
  return result;
}

Value Value::ofBool(bool value) {
  Value result;
  result.type = value ? ValueType::True : ValueType::False;
  return result;
}

bool Value::isInteger() const {
  return type == ValueType::Int8 || type == ValueType::Int16 || type == ValueType::Int32 ||
         type == ValueType::Int64;
}

bool Value::isString() const {
  return type == ValueType::String || type == ValueType::LString || type == ValueType::WString ||
         type == ValueType::Utf8String;
}

ObjectRecord readComponentStream(std::string_view stream) {
  if (!stream.starts_with(kSignature)) throw DefinitionError(std::string(kInvalidStreamFormat));
  Reader reader(stream.substr(kSignature.size()));
  return reader.object(0);
}

ObjectRecord readDefinition(std::string_view file) {
  Reader header(file);
  try {
    if (header.byte() != kResourceMarker || header.unsignedInt(2) != kResourceType) {
      throw DefinitionError(std::string(kInvalidStreamFormat));
    }
    header.zeroTerminated();
    header.skip(2 + 4);  // flags word, data size
  } catch (const DefinitionError&) {
    throw DefinitionError(std::string(kInvalidStreamFormat));
  }
  return readComponentStream(file.substr(header.offset()));
}

std::string writeComponentStream(const ObjectRecord& root) {
  Writer writer;
  writer.raw(kSignature);
  writer.object(root);
  return writer.take();
}

std::string writeDefinition(const ObjectRecord& root) {
  const std::string stream = writeComponentStream(root);
  std::string resourceName;
  for (char c : root.className) {
    if (c != '\0') resourceName.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  }
  Writer writer;
  writer.byte(kResourceMarker);
  writer.integer(kResourceType, 2);
  writer.raw(resourceName);
  writer.byte(0);
  writer.integer(kResourceFlags, 2);
  writer.integer(stream.size(), 4);
  writer.raw(stream);
  return writer.take();
}

long double floatValue(const Value& value) {
  const size_t size = floatSize(value.type);
  if (size == 0 || value.bytes.size() != size) {
    return value.type == ValueType::Currency ? static_cast<long double>(value.integer) / 10000
                                             : 0.0L;
  }
  if (value.type == ValueType::Single) {
    float number;
    std::memcpy(&number, value.bytes.data(), size);
    return number;
  }
  if (value.type == ValueType::Date) {
    double number;
    std::memcpy(&number, value.bytes.data(), size);
    return number;
  }
  long double number = 0;
  std::memcpy(&number, value.bytes.data(), size);
  return number;
}

Value floatOf(ValueType type, long double number) {
  Value result;
  result.type = type;
  if (type == ValueType::Single) {
    const float narrow = static_cast<float>(number);
    result.bytes.assign(reinterpret_cast<const char*>(&narrow), sizeof narrow);
  } else if (type == ValueType::Date) {
    const double narrow = static_cast<double>(number);
    result.bytes.assign(reinterpret_cast<const char*>(&narrow), sizeof narrow);
  } else {
    result.bytes.assign(reinterpret_cast<const char*>(&number), 10);
  }
  return result;
}

std::string narrowText(std::u16string_view wide) {
  std::string result;
  result.reserve(wide.size());
  for (char16_t unit : wide) result.push_back(unit < 256 ? static_cast<char>(unit) : '?');
  return result;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string result;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<uint8_t>(utf8[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<uint8_t>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF) {
      result.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      result.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return result;
}

std::string stringText(const Value& value) {
  switch (value.type) {
    case ValueType::WString:
      return narrowText(value.wide);
    case ValueType::Utf8String:
      return narrowText(utf8ToUtf16(value.bytes));
    default:
      return value.bytes;
  }
}

}  // namespace kx::dfm

#include "platform/headless/registry_file.h"

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/values.h"

namespace kx {
namespace {

// The code points of the bytes 0x80-0x9F; every other byte is the code point of its number.
// Converts all of `in` with glibc's iconv; on a fault, nullopt and `faultAt` the offset of the
// input it could not convert.
std::optional<std::string> convertWithIconv(const char* to, const char* from, std::string_view in,
                                            size_t& faultAt) {
  const iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    faultAt = 0;
    return std::nullopt;
  }
  // UTF-8 and UTF-16 need at most twice the bytes of each other.
  std::string out(in.size() * 2 + 4, '\0');
  char* inNext = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outNext = out.data();
  size_t outLeft = out.size();
  const size_t converted = iconv(converter, &inNext, &inLeft, &outNext, &outLeft);
  iconv_close(converter);
  if (converted == static_cast<size_t>(-1)) {
    faultAt = static_cast<size_t>(inNext - in.data());
    return std::nullopt;
  }
  out.resize(out.size() - outLeft);
  return out;
}

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

struct RootName {
  RegistryRoot root;
  std::string_view name, shortName;
};
constexpr RootName kRootNames[] = {
    {RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RegistryRoot::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RegistryRoot::Users, "HKEY_USERS", "HKU"},
    {RegistryRoot::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view withoutLeadingBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  return text;
}

// A line without the blanks around it (and the CR of a CR LF line end).
std::string_view trimmedLine(std::string_view line) {
  while (!line.empty() && (isBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  return withoutLeadingBlanks(line);
}

std::optional<uint32_t> hexNumber(std::string_view digits, size_t maxDigits) {
  if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
  uint32_t number = 0;
  for (const char c : digits) {
    const char upper = upperAscii(c);
    if (upper >= '0' && upper <= '9') {
      number = number << 4 | static_cast<uint32_t>(upper - '0');
    } else if (upper >= 'A' && upper <= 'F') {
      number = number << 4 | static_cast<uint32_t>(upper - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return number;
}

bool isTextType(uint32_t type) {
  return type == registry_types::kString || type == registry_types::kExpandString ||
         type == registry_types::kMultiString;
}

struct Fault {
  size_t line;
  std::string reason;
};

size_t lineOfOffset(std::string_view text, size_t offset) {
  return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

// Applies the lines of a file, decoded to UTF-8 (`utf8`) or taken as 8-bit code page text.
class Reader {
 public:
  Reader(std::string_view text, bool utf8, HeadlessRegistry& registry,
         const TextConversion& conversion)
      : utf8_(utf8), registry_(registry), conversion_(conversion) {
    // A final line break starts no further line.
    for (size_t start = 0; start < text.size();) {
      const size_t end = std::min(text.find('\n', start), text.size());
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  RegistryFileFormat read() {
    const std::string_view header = lines_.empty() ? "" : trimmedLine(lines_.front());
    if (header == kVersion5Header) {
      version5_ = true;
    } else if (header != kRegedit4Header) {
      fail("unknown header");
    }
    for (index_ = 1; index_ < lines_.size(); ++index_) {
      const std::string_view line = trimmedLine(lines_[index_]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        readSection(line);
      } else if (line.front() == '"' || line.front() == '@') {
        readValue(line);
      } else {
        fail("neither a key, a value nor a comment");
      }
    }
    return version5_ ? RegistryFileFormat::Version5 : RegistryFileFormat::Regedit4;
  }

 private:
  [[noreturn]] void fail(std::string reason) const { throw Fault{index_ + 1, std::move(reason)}; }

  void readSection(std::string_view line) {
    if (line.back() != ']') fail("missing ] at the end of the key");
    std::string_view inner = line.substr(1, line.size() - 2);
    const bool deletion = !inner.empty() && inner.front() == '-';
    if (deletion) inner.remove_prefix(1);
    const size_t cut = inner.find('\\');
    const std::string_view rootName = inner.substr(0, cut);
    const auto root = std::find_if(std::begin(kRootNames), std::end(kRootNames), [&](auto& r) {
      return equalsIgnoringAsciiCase(rootName, r.name) ||
             equalsIgnoringAsciiCase(rootName, r.shortName);
    });
    if (root == std::end(kRootNames)) fail("unknown root key \"" + std::string(rootName) + "\"");
    const std::string path =
        cut == std::string_view::npos ? std::string() : codePageText(inner.substr(cut + 1));
    const auto names = HeadlessRegistry::keyNames(path);
    if (!names) fail("empty key name in the path");
    if (names->size() > HeadlessRegistry::kMaxKeyDepth)
      fail("keys nested deeper than " + std::to_string(HeadlessRegistry::kMaxKeyDepth) + " levels");
    section_.reset();
    if (deletion) {
      if (names->empty()) fail("a root key cannot be deleted");
      registry_.deleteKey(root->root, path);
    } else {
      registry_.createKey(root->root, path);
      section_.emplace(root->root, path);
    }
  }

  void readValue(std::string_view line) {
    if (!section_) fail("value outside a key section");
    const auto& [root, key] = *section_;
    std::string name;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      name = codePageText(quoted(rest));
    }
    rest = withoutLeadingBlanks(rest);
    if (rest.empty() || rest.front() != '=') fail("= expected after the value name");
    rest = withoutLeadingBlanks(rest.substr(1));
    if (rest == "-") {
      registry_.deleteValue(root, key, name);
      return;
    }
    RegistryValue value;
    if (!rest.empty() && rest.front() == '"') {
      value.data = codePageText(quoted(rest));
      if (!rest.empty()) fail("text after the value");
    } else if (rest.size() >= 6 && equalsIgnoringAsciiCase(rest.substr(0, 6), "dword:")) {
      const auto number = hexNumber(rest.substr(6), 8);
      if (!number) fail("bad dword value");
      value.type = registry_types::kDword;
      for (int shift = 0; shift < 32; shift += 8)
        value.data += static_cast<char>(*number >> shift & 0xFF);
    } else if (rest.size() >= 3 && equalsIgnoringAsciiCase(rest.substr(0, 3), "hex")) {
      rest.remove_prefix(3);
      value.type = registry_types::kBinary;
      if (!rest.empty() && rest.front() == '(') {
        const size_t close = rest.find(')');
        const auto type = close == std::string_view::npos ? std::nullopt
                                                          : hexNumber(rest.substr(1, close - 1), 8);
        if (!type) fail("bad value type in hex(...)");
        value.type = *type;
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != ':') fail(": expected after hex");
      value.data = hexBytes(rest.substr(1));
      if (isTextType(value.type)) value.data = storedText(value.data);
    } else {
      fail("unknown value type");
    }
    registry_.writeValue(root, key, name, value);
  }

  // The text between the quotes at the start of `rest`, with \\ and \" resolved; `rest` goes on
  // after the closing quote.
  std::string quoted(std::string_view& rest) const {
    std::string text;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] == '"') {
        rest.remove_prefix(i + 1);
        return text;
      }
      if (rest[i] == '\\') {
        if (++i == rest.size()) break;
        if (rest[i] != '\\' && rest[i] != '"')
          fail(std::string("unknown escape \\") + rest[i] + " in a string");
      }
      text += rest[i];
    }
    fail("unterminated string");
  }

  // The bytes "xx,xx,..." of a hex value, over the lines that each end with "\".
  std::string hexBytes(std::string_view first) {
    std::string joined;
    std::vector<std::pair<size_t, size_t>> lineStarts;  // offset in `joined`, line index
    for (std::string_view part = first;;) {
      lineStarts.emplace_back(joined.size(), index_);
      const bool continued = !part.empty() && part.back() == '\\';
      if (continued) part.remove_suffix(1);
      joined += part;
      if (!continued) break;
      if (index_ + 1 == lines_.size()) fail("the value goes on past the end of the file");
      part = trimmedLine(lines_[++index_]);
    }
    std::string bytes;
    if (trimmedLine(joined).empty()) return bytes;
    for (size_t start = 0;;) {
      const size_t end = joined.find(',', start);
      const std::string_view item =
          trimmedLine(std::string_view(joined).substr(start, end - start));
      const auto byte = hexNumber(item, 2);
      if (!byte) {
        const auto line = std::prev(std::upper_bound(lineStarts.begin(), lineStarts.end(),
                                                     std::make_pair(start, lines_.size())));
        index_ = line->second;
        fail("bad hex byte \"" + std::string(item) + "\"");
      }
      bytes += static_cast<char>(*byte);
      if (end == std::string::npos) return bytes;
      start = end + 1;
    }
  }

  // The stored bytes of a text value as the code page text the registry hands out: one final
  // NUL fewer; UTF-16LE in version 5 files.
  std::string storedText(const std::string& bytes) const {
    if (!version5_) return bytes.ends_with('\0') ? bytes.substr(0, bytes.size() - 1) : bytes;
    if (bytes.size() % 2 != 0) fail("odd number of bytes in a UTF-16 text");
    std::u16string units = unitsOfLittleEndian(bytes);
    if (!units.empty() && units.back() == u'\0') units.pop_back();
    return fromUtf16(units);
  }

  std::string codePageText(std::string_view fileText) const {
    if (!utf8_) return std::string(fileText);
    size_t faultAt = 0;
    const auto utf16 = convertWithIconv("UTF-16LE", "UTF-8", fileText, faultAt);
    if (!utf16) fail("not valid UTF-8 text");
    return fromUtf16(unitsOfLittleEndian(*utf16));
  }

  std::string fromUtf16(std::u16string_view units) const {
    auto text = conversion_.fromUtf16(units);
    if (!text) fail("a text that the code page cannot hold");
    return std::move(*text);
  }

  std::vector<std::string_view> lines_;
  size_t index_ = 0;
  const bool utf8_;
  bool version5_ = false;
  HeadlessRegistry& registry_;
  const TextConversion& conversion_;
  std::optional<std::pair<RegistryRoot, std::string>> section_;  // none after a deletion
};

// Raised when a text has no UTF-16 form.
struct NoUtf16Form {};

// Builds a file as UTF-16 code units (Version5) or bytes held one in each unit (Regedit4).
class Writer {
 public:
  Writer(RegistryFileFormat format, const TextConversion& conversion)
      : version5_(format == RegistryFileFormat::Version5), conversion_(conversion) {}

  void write(const HeadlessRegistry& registry) {
    ascii(version5_ ? kVersion5Header : kRegedit4Header);
    newLine();
    newLine();
    for (const RootName& root : kRootNames) {
      const HeadlessRegistry::Key& key = registry.rootKey(root.root);
      if (!key.values.empty()) section(root.name, "", key);
      subkeys(root.name, "", key);
    }
  }

  std::string bytes() const {
    if (version5_) return "\xFF\xFE" + littleEndianOfUnits(units_);
    return std::string(units_.begin(), units_.end());
  }

 private:
  void subkeys(std::string_view rootName, const std::string& path,
               const HeadlessRegistry::Key& key) {
    for (const auto& [upper, subkey] : key.subkeys) {
      const std::string subkeyPath = path + "\\" + subkey.name;
      section(rootName, subkeyPath, subkey);
      subkeys(rootName, subkeyPath, subkey);
    }
  }

  void section(std::string_view rootName, const std::string& path,
               const HeadlessRegistry::Key& key) {
    ascii("[");
    ascii(rootName);
    text(path, false);
    ascii("]");
    newLine();
    for (const auto& [upper, value] : key.values) writeValue(value);
    newLine();
  }

  void writeValue(const HeadlessRegistry::Value& value) {
    if (value.name.empty()) {
      ascii("@=");
    } else {
      ascii("\"");
      text(value.name, true);
      ascii("\"=");
    }
    if (value.type == registry_types::kString &&
        value.data.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos) {
      ascii("\"");
      text(value.data, true);
      ascii("\"");
    } else if (value.type == registry_types::kDword && value.data.size() == 4) {
      uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<uint8_t>(value.data[i]);
      char digits[16];
      std::snprintf(digits, sizeof digits, "dword:%08x", number);
      ascii(digits);
    } else {
      char prefix[16] = "hex:";
      if (value.type != registry_types::kBinary)
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
      ascii(prefix);
      hexBytes(isTextType(value.type) ? storedText(value.data) : value.data);
    }
    newLine();
  }

  // A text value as the registry stores it: with a final NUL, UTF-16LE in version 5 files.
  std::string storedText(const std::string& text) const {
    if (!version5_) return text + '\0';
    return littleEndianOfUnits(utf16(text) + u'\0');
  }

  // Lines break after a "," so that none, with its final "\", is longer than 80 characters.
  void hexBytes(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      const bool last = i + 1 == bytes.size();
      if (units_.size() - lineStart_ + (last ? 2 : 4) > 80) {
        ascii("\\");
        newLine();
        ascii("  ");
      }
      char digits[4];
      std::snprintf(digits, sizeof digits, last ? "%02x" : "%02x,", static_cast<uint8_t>(bytes[i]));
      ascii(digits);
    }
  }

  std::u16string utf16(const std::string& text) const {
    auto units = conversion_.toUtf16(text);
    if (!units) throw NoUtf16Form{};
    return std::move(*units);
  }

  // A code page text, with "\" and '"' escaped inside quotes.
  void text(const std::string& codePage, bool escaped) {
    const std::u16string units =
        version5_ ? utf16(codePage) : std::u16string(codePage.begin(), codePage.end());
    for (const char16_t unit : units) {
      if (escaped && (unit == u'\\' || unit == u'"')) units_ += u'\\';
      units_ += version5_ ? unit : static_cast<char16_t>(static_cast<uint8_t>(unit));
    }
  }

  void ascii(std::string_view text) { units_.append(text.begin(), text.end()); }

  void newLine() {
    ascii("\r\n");
    lineStart_ = units_.size();
  }

  const bool version5_;
  const TextConversion& conversion_;
  std::u16string units_;
  size_t lineStart_ = 0;
};

}  // namespace

TextConversion textConversion(const CodePage& codePage) {
  return {[codePage](std::string_view text) -> std::optional<std::u16string> {
            return codePage.toUtf16(text);
          },
          [codePage](std::u16string_view units) -> std::optional<std::string> {
            // A character the code page cannot hold would come back as another one.
            std::string text = codePage.fromUtf16(units);
            if (codePage.toUtf16(text) != units) return std::nullopt;
            return text;
          }};
}

RegistryFileRead readRegistryFile(std::string_view bytes, HeadlessRegistry& registry,
                                  const TextConversion& conversion) {
  RegistryFileRead read;
  try {
    std::string text;
    bool utf8 = true;
    size_t faultAt = 0;
    if (bytes.starts_with("\xFF\xFE")) {
      bytes.remove_prefix(2);
      const auto decoded = convertWithIconv("UTF-8", "UTF-16LE", bytes, faultAt);
      if (!decoded) {
        const std::u16string units = unitsOfLittleEndian(bytes.substr(0, faultAt));
        throw Fault{1 + static_cast<size_t>(std::count(units.begin(), units.end(), u'\n')),
                    "not valid UTF-16 text"};
      }
      text = *decoded;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
      text = bytes.substr(3);
      if (!convertWithIconv("UTF-16LE", "UTF-8", text, faultAt))
        throw Fault{lineOfOffset(text, faultAt), "not valid UTF-8 text"};
    } else {
      // Without a byte order mark a version 5 file is UTF-8 when it reads as UTF-8, and
      // otherwise, like a REGEDIT4 file, 8-bit text in the code page.
      text = bytes;
      utf8 = trimmedLine(text.substr(0, text.find('\n'))) == kVersion5Header &&
             convertWithIconv("UTF-16LE", "UTF-8", text, faultAt);
    }
    read.format = Reader(text, utf8, registry, conversion).read();
  } catch (Fault& fault) {
    read.error = RegistryFileError{fault.line, std::move(fault.reason)};
  }
  return read;
}

std::optional<std::string> writeRegistryFile(const HeadlessRegistry& registry,
                                             RegistryFileFormat format,
                                             const TextConversion& conversion) {
  Writer writer(format, conversion);
  try {
    writer.write(registry);
  } catch (const NoUtf16Form&) {
    return std::nullopt;
  }
  return writer.bytes();
}

std::string loadRegistryFile(const std::string& path, HeadlessRegistry& registry,
                             RegistryFileFormat& format, const TextConversion& conversion) {
  format = RegistryFileFormat::Version5;
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) return "";
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path, error)) return path + ": cannot be read";
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return path + ": cannot be read";
  const RegistryFileRead read = readRegistryFile(bytes, registry, conversion);
  format = read.format;
  if (read.error) return path + ":" + std::to_string(read.error->line) + ": " + read.error->reason;
  return "";
}

std::string saveRegistryFile(const std::string& path, const HeadlessRegistry& registry,
                             RegistryFileFormat format, const TextConversion& conversion) {
  const auto bytes = writeRegistryFile(registry, format, conversion);
  if (!bytes) return path + ": a text of the registry has no UTF-16 form";
  const std::string temporary = path + ".new";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
  out.close();
  std::error_code error;
  if (out.fail() || (std::filesystem::rename(temporary, path, error), error)) {
    std::filesystem::remove(temporary, error);
    return path + ": cannot be written";
  }
  return "";
}

}  // namespace kx

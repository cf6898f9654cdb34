#include "platform/headless/registry_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/values.h"

namespace kx {
namespace {

using Root = RegistryRoot;
namespace types = registry_types;
const TextConversion kCodePage = textConversion(CodePage(CodePage::kWindowsLatin1));
const std::string kVersion5 = "Windows Registry Editor Version 5.00";

std::string littleEndian(const std::u16string& units) {
  std::string bytes;
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A Windows-1252 text as the registry editor saves it: UTF-16LE after a byte order mark.
std::string utf16File(const std::string& text) {
  return "\xFF\xFE" + littleEndian(*kCodePage.toUtf16(text));
}

// A Windows-1252 text as UTF-8.
std::string utf8Of(const std::string& text) {
  std::string out;
  const std::u16string units = *kCodePage.toUtf16(text);
  for (const char16_t unit : units) {
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | unit >> 6);
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | unit >> 12);
      out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

// A written Version5 file back as Windows-1252 text.
std::string textOfUtf16File(const std::string& bytes) {
  EXPECT_TRUE(bytes.starts_with("\xFF\xFE"));
  std::u16string units;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                   static_cast<uint8_t>(bytes[i + 1]) << 8);
  return kCodePage.fromUtf16(units).value_or("<not Windows-1252>");
}

// The ways a file reaches zelrun: each takes the file's text in Windows-1252.
struct Encoding {
  const char* name;
  std::string header;
  std::string (*encode)(const std::string&);
};
const Encoding kEncodings[] = {
    {"REGEDIT4", "REGEDIT4", [](const std::string& text) { return text; }},
    {"version 5, UTF-16", kVersion5, utf16File},
    {"version 5, UTF-8", kVersion5, utf8Of},
    {"version 5, 8-bit", kVersion5, [](const std::string& text) { return text; }},
};

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int value : values) out += static_cast<char>(value);
  return out;
}

struct ValueCase {
  std::string line;  // under [HKEY_CURRENT_USER\Software\Test]
  std::string name;  // as stored, in its case
  uint32_t type;
  std::string data;
};

void expectValue(const HeadlessRegistry& registry, const ValueCase& c, const std::string& where) {
  const auto& key = registry.rootKey(Root::CurrentUser).subkeys.at("SOFTWARE").subkeys.at("TEST");
  const auto found = key.values.find(upperAscii(c.name));
  ASSERT_NE(found, key.values.end()) << where;
  EXPECT_EQ(found->second.name, c.name) << where;
  EXPECT_EQ(found->second.type, c.type) << where;
  EXPECT_EQ(found->second.data, c.data) << where;
}

TEST(RegistryFile, ReadsEveryValueFormInEveryEncoding) {
  const ValueCase cases[] = {
      {"\"Name\"=\"text\"", "Name", types::kString, "text"},
      {"@=\"default\"", "", types::kString, "default"},
      {"\"\"=\"also default\"", "", types::kString, "also default"},
      {"\"Empty\"=\"\"", "Empty", types::kString, ""},
      {"\"Q\\\" \\\\\"=\"C:\\\\Program Files\\\\ \\\"x\\\"\"", "Q\" \\", types::kString,
       "C:\\Program Files\\ \"x\""},
      {"\"Spaced\" =\t\"x\"  ", "Spaced", types::kString, "x"},
      {"\"Zo\xEB \x80\"=\"Caf\xE9\"", "Zo\xEB \x80", types::kString, "Caf\xE9"},
      {"\"D\"=dword:0000002a", "D", types::kDword, bytes({0x2A, 0, 0, 0})},
      {"\"D\"=DWORD:FFFFFFFE", "D", types::kDword, bytes({0xFE, 0xFF, 0xFF, 0xFF})},
      {"\"D\"=dword:1", "D", types::kDword, bytes({1, 0, 0, 0})},
      {"\"B\"=hex:01,ff,00", "B", types::kBinary, bytes({1, 0xFF, 0})},
      {"\"B\"=hex:", "B", types::kBinary, ""},
      {"\"B\"=HEX:0A, 0b ,C", "B", types::kBinary, bytes({0x0A, 0x0B, 0x0C})},
      {"\"B\"=hex:01,02,\\\r\n  03,\\\r\n\t04", "B", types::kBinary, bytes({1, 2, 3, 4})},
      {"\"B\"=hex:\\\r\n  05", "B", types::kBinary, bytes({5})},
      {"\"Q\"=hex(b):01,00,00,00,00,00,00,80", "Q", types::kQword,
       bytes({1, 0, 0, 0, 0, 0, 0, 0x80})},
      {"\"N\"=hex(0):", "N", 0, ""},
      {"\"Own\"=hex(FFFF0000):01", "Own", 0xFFFF0000, bytes({1})},
      {"\"Short\"=hex(4):01,02", "Short", types::kDword, bytes({1, 2})},
      {"\"B\"=hex(3):ab", "B", types::kBinary, bytes({0xAB})},
  };
  for (const Encoding& encoding : kEncodings) {
    for (const ValueCase& c : cases) {
      const std::string text =
          encoding.header + "\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n" + c.line + "\r\n";
      HeadlessRegistry registry;
      const RegistryFileRead read = readRegistryFile(encoding.encode(text), registry, kCodePage);
      const std::string where = std::string(encoding.name) + ": " + c.line;
      ASSERT_FALSE(read.error) << where << ": " << read.error->line << " " << read.error->reason;
      EXPECT_EQ(read.format, encoding.header == kVersion5 ? RegistryFileFormat::Version5
                                                          : RegistryFileFormat::Regedit4);
      expectValue(registry, c, where);
    }
  }
}

struct TextCase {
  bool version5;
  std::string line;
  uint32_t type;
  std::string data;
};

TEST(RegistryFile, ReadsStoredTextsAsUtf16InVersion5AndAs8BitInRegedit4) {
  const TextCase cases[] = {
      {true, "hex(2):25,00,54,00,4d,00,50,00,25,00,00,00", types::kExpandString, "%TMP%"},
      {true, "hex(2):25,00", types::kExpandString, "%"},  // no final NUL
      {true, "hex(2):", types::kExpandString, ""},
      {true, "hex(2):00,00,00,00", types::kExpandString, std::string(1, '\0')},
      {true, "hex(7):61,00,00,00,62,00,00,00,00,00", types::kMultiString, std::string("a\0b\0", 4)},
      {true, "hex(7):00,00", types::kMultiString, ""},
      {true, "hex(1):e9,00,ac,20,00,00", types::kString, "\xE9\x80"},
      {true, "hex(1):81,00,00,00", types::kString, "\x81"},  // unassigned in Windows-1252
      {false, "hex(2):25,54,4d,50,25,00", types::kExpandString, "%TMP%"},
      {false, "hex(7):61,00,62,00,00", types::kMultiString, std::string("a\0b\0", 4)},
      {false, "hex(7):00", types::kMultiString, ""},
      {false, "hex(1):e9,80,00", types::kString, "\xE9\x80"},
  };
  for (const TextCase& c : cases) {
    const std::string text = (c.version5 ? kVersion5 : "REGEDIT4") +
                             "\r\n\r\n[HKCU\\Software\\Test]\r\n\"T\"=" + c.line + "\r\n";
    for (const std::string& file : {text, utf16File(text)}) {
      HeadlessRegistry registry;
      const RegistryFileRead read = readRegistryFile(file, registry, kCodePage);
      ASSERT_FALSE(read.error) << c.line << ": " << read.error->reason;
      expectValue(registry, {c.line, "T", c.type, c.data}, c.line);
    }
  }
}

TEST(RegistryFile, ReadsRootsSectionsDeletionsAndComments) {
  const std::string file =
      "REGEDIT4\n"
      "; a comment\n"
      "\n"
      "  [HKEY_CLASSES_ROOT\\.kx]\n"
      "@=\"Kestrix.Script\"\n"
      "[hkcu\\Software\\App\\Gone\\Deeper]\n"
      "\"v\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\Software\\App]\n"
      "  ; indented comment\n"
      "\"Keep\"=\"1\"\n"
      "\"Drop\"=\"1\"\n"
      "\"drop\"=-\n"
      "@=\"d\"\n"
      "@=-\n"
      "[-HKEY_CURRENT_USER\\Software\\APP\\gone]\n"
      "[-HKCU\\Software\\Never\\There]\n"
      "[HKLM\\SOFTWARE\\Empty\\]\n"
      "[HKU\\.DEFAULT]\n"
      "\"u\"=dword:00000001\n"
      "[HKCC\\System]\n"
      "\"c\"=\"2\"\n"
      "[HKEY_CURRENT_USER]\n"
      "\"AtRoot\"=\"r\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\empty]\n";
  HeadlessRegistry registry;
  const RegistryFileRead read = readRegistryFile(file, registry, kCodePage);
  ASSERT_FALSE(read.error) << read.error->line << ": " << read.error->reason;
  EXPECT_EQ(read.format, RegistryFileFormat::Regedit4);
  EXPECT_EQ(registry.readString(Root::ClassesRoot, ".kx", ""), "Kestrix.Script");
  EXPECT_EQ(registry.readString(Root::CurrentUser, "Software\\App", "Keep"), "1");
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "Software\\App", "Drop").status,
            RegistryReadStatus::NoValue);
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "Software\\App", "").status,
            RegistryReadStatus::NoValue);
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "Software\\App\\Gone", "").status,
            RegistryReadStatus::NoKey);
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "Software\\Never", "").status,
            RegistryReadStatus::NoKey);
  EXPECT_EQ(registry.readValue(Root::LocalMachine, "SOFTWARE\\Empty", "").status,
            RegistryReadStatus::NoValue);
  EXPECT_EQ(registry.rootKey(Root::LocalMachine).subkeys.at("SOFTWARE").subkeys.at("EMPTY").name,
            "Empty");
  EXPECT_EQ(registry.readValue(Root::Users, ".DEFAULT", "u").value.data, bytes({1, 0, 0, 0}));
  EXPECT_EQ(registry.readString(Root::CurrentConfig, "System", "c"), "2");
  EXPECT_EQ(registry.readString(Root::CurrentUser, "", "AtRoot"), "r");
}

struct ErrorCase {
  std::string file;
  size_t line;
  std::string reason;
};

TEST(RegistryFile, RefusesAMalformedFileWithItsLineAndReason) {
  const std::string r4 = "REGEDIT4\r\n[HKCU\\A]\r\n";
  const std::string v5 = kVersion5 + "\r\n[HKCU\\A]\r\n";
  std::string deep = "REGEDIT4\r\n[HKCU";
  for (size_t i = 0; i <= HeadlessRegistry::kMaxKeyDepth; ++i) deep += "\\k";
  const ErrorCase cases[] = {
      {"", 1, "unknown header"},
      {"REGEDIT5\r\n", 1, "unknown header"},
      {"\r\nREGEDIT4\r\n", 1, "unknown header"},
      {"Windows Registry Editor Version 4.00\r\n", 1, "unknown header"},
      {"REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3, "value outside a key section"},
      {"REGEDIT4\r\n@=\"b\"\r\n", 2, "value outside a key section"},
      {r4 + "[-HKCU\\A]\r\n\"a\"=\"b\"\r\n", 4, "value outside a key section"},
      {r4 + "\"a\"=hex:01,zz\r\n", 3, "bad hex byte \"zz\""},
      {r4 + "\"a\"=hex:01,,02\r\n", 3, "bad hex byte \"\""},
      {r4 + "\"a\"=hex:01,\r\n", 3, "bad hex byte \"\""},
      {r4 + "\"a\"=hex:100\r\n", 3, "bad hex byte \"100\""},
      {r4 + "\"a\"=hex:01,\\\r\n  02,\\\r\n  0g\r\n", 5, "bad hex byte \"0g\""},
      {r4 + "\"a\"=hex:01,\\\r\n", 3, "the value goes on past the end of the file"},
      {r4 + "\"a\"=hex:01,\\", 3, "the value goes on past the end of the file"},
      {r4 + "\"a\"=hex:01,\\\r\n\r\n", 4, "bad hex byte \"\""},
      {r4 + "\"a\"=\"b\r\n", 3, "unterminated string"},
      {r4 + "\"a=\"b\"\r\n", 3, "= expected after the value name"},
      {r4 + "\"a\\\"=1\r\n", 3, "unterminated string"},
      {r4 + "\"a\"=\"b\\\r\n", 3, "unterminated string"},
      {r4 + "\"a\"=\"C:\\Temp\"\r\n", 3, "unknown escape \\T in a string"},
      {r4 + "\"a\"=\"b\" c\r\n", 3, "text after the value"},
      {r4 + "\"a\"=\"b\";c\r\n", 3, "text after the value"},
      {r4 + "\"a\" \"b\"\r\n", 3, "= expected after the value name"},
      {r4 + "@\r\n", 3, "= expected after the value name"},
      {r4 + "\"a\"=\r\n", 3, "unknown value type"},
      {r4 + "\"a\"=word:1\r\n", 3, "unknown value type"},
      {r4 + "\"a\"=dword:\r\n", 3, "bad dword value"},
      {r4 + "\"a\"=dword:123456789\r\n", 3, "bad dword value"},
      {r4 + "\"a\"=dword:-1\r\n", 3, "bad dword value"},
      {r4 + "\"a\"=hex(zz):01\r\n", 3, "bad value type in hex(...)"},
      {r4 + "\"a\"=hex(2:01\r\n", 3, "bad value type in hex(...)"},
      {r4 + "\"a\"=hex(2)01\r\n", 3, ": expected after hex"},
      {r4 + "\"a\"=-1\r\n", 3, "unknown value type"},
      {r4 + "HKEY_CURRENT_USER\\A\r\n", 3, "neither a key, a value nor a comment"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\A]\r\n", 2, "unknown root key \"HKEY_NOWHERE\""},
      {"REGEDIT4\r\n[]\r\n", 2, "unknown root key \"\""},
      {"REGEDIT4\r\n[HKCU\\A\r\n", 2, "missing ] at the end of the key"},
      {"REGEDIT4\r\n[HKCU\\A] ;x\r\n", 2, "missing ] at the end of the key"},
      {"REGEDIT4\r\n[HKCU\\A\\\\B]\r\n", 2, "empty key name in the path"},
      {"REGEDIT4\r\n[HKCU\\\\A]\r\n", 2, "empty key name in the path"},
      {"REGEDIT4\r\n[-HKCU]\r\n", 2, "a root key cannot be deleted"},
      {"REGEDIT4\r\n[-HKLM\\]\r\n", 2, "a root key cannot be deleted"},
      {deep + "]\r\n", 2, "keys nested deeper than 512 levels"},
      {v5 + "\"a\"=hex(2):41\r\n", 3, "odd number of bytes in a UTF-16 text"},
      {v5 + "\"a\"=hex(1):00,30,00,00\r\n", 3, "a text that the code page cannot hold"},
      {utf16File(v5) + littleEndian(u"\"\u3042\"=\"x\"\r\n"), 3,
       "a text that the code page cannot hold"},
      {utf16File(v5) + littleEndian(u"\"a\"=\"\xD800\"\r\n"), 3, "not valid UTF-16 text"},
      {utf16File(v5) + "\"", 3, "not valid UTF-16 text"},
      {"\xEF\xBB\xBF" + v5 + "\"a\"=\"\xE9\"\r\n", 3, "not valid UTF-8 text"},
  };
  for (const ErrorCase& c : cases) {
    HeadlessRegistry registry;
    const RegistryFileRead read = readRegistryFile(c.file, registry, kCodePage);
    ASSERT_TRUE(read.error) << c.reason;
    EXPECT_EQ(read.error->line, c.line) << c.reason;
    EXPECT_EQ(read.error->reason, c.reason) << c.file.substr(0, 80);
  }
}

// A registry with every type, empty values, awkward names, the default value and empty keys.
HeadlessRegistry awkwardRegistry() {
  HeadlessRegistry registry;
  const auto write = [&](Root root, const char* key, const std::string& name, uint32_t type,
                         const std::string& data) {
    EXPECT_TRUE(registry.writeValue(root, key, name, {type, data})) << name;
  };
  write(Root::CurrentUser, "Software\\Kestrix", "", types::kString, "default");
  write(Root::CurrentUser, "Software\\Kestrix", "Quote \" and \\ \\\\", types::kString,
        "C:\\Program Files\\ \"x\"");
  write(Root::CurrentUser, "Software\\Kestrix", "Empty", types::kString, "");
  write(Root::CurrentUser, "Software\\Kestrix", "Lines", types::kString, "one\r\ntwo");
  write(Root::CurrentUser, "Software\\Kestrix", "Nul", types::kString, std::string("a\0b", 3));
  write(Root::CurrentUser, "Software\\Kestrix", "Caf\xE9 \x80\x81", types::kString, "Zo\xEB\x9D");
  write(Root::CurrentUser, "Software\\Kestrix", "Expand", types::kExpandString, "%TEMP%\\k");
  write(Root::CurrentUser, "Software\\Kestrix", "EmptyExpand", types::kExpandString, "");
  write(Root::CurrentUser, "Software\\Kestrix", "Multi", types::kMultiString,
        std::string("a\0\0b\0", 5));
  write(Root::CurrentUser, "Software\\Kestrix", "EmptyMulti", types::kMultiString, "");
  write(Root::CurrentUser, "Software\\Kestrix", "Dword", types::kDword, bytes({0xFF, 0, 0, 0x80}));
  write(Root::CurrentUser, "Software\\Kestrix", "ShortDword", types::kDword, "\x01");
  write(Root::CurrentUser, "Software\\Kestrix", "Qword", types::kQword, std::string(8, '\x7F'));
  write(Root::CurrentUser, "Software\\Kestrix", "EmptyBinary", types::kBinary, "");
  std::string binary;
  for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
  write(Root::CurrentUser, "Software\\Kestrix", std::string(90, 'n'), types::kBinary, binary);
  write(Root::CurrentUser, "Software\\Kestrix", "None", 0, "");
  write(Root::CurrentUser, "Software\\Kestrix", "Own", 0x10000, "\xFE");
  write(Root::CurrentUser, "", "AtRoot", types::kString, "r");
  write(Root::LocalMachine, "SOFTWARE\\Key ] [ with \"odd\" name;", "v", types::kString, "1");
  EXPECT_TRUE(registry.createKey(Root::Users, "Empty\\Nested Empty"));
  EXPECT_TRUE(registry.createKey(Root::CurrentConfig, "Empty"));
  return registry;
}

TEST(RegistryFile, WritesBackEveryValueItRead) {
  const HeadlessRegistry registry = awkwardRegistry();
  for (const auto format : {RegistryFileFormat::Version5, RegistryFileFormat::Regedit4}) {
    const auto written = writeRegistryFile(registry, format, kCodePage);
    ASSERT_TRUE(written);
    HeadlessRegistry reread;
    const RegistryFileRead read = readRegistryFile(*written, reread, kCodePage);
    ASSERT_FALSE(read.error) << read.error->line << ": " << read.error->reason;
    EXPECT_EQ(read.format, format);
    EXPECT_TRUE(reread == registry) << *written;
    EXPECT_EQ(writeRegistryFile(reread, format, kCodePage), written);
    // Long hex values wrap with "\" within 80 columns, as the registry editor writes them.
    const std::string text =
        format == RegistryFileFormat::Version5 ? textOfUtf16File(*written) : *written;
    size_t continued = 0;
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find("\r\n", start);
      ASSERT_NE(end, std::string::npos);
      const std::string line = text.substr(start, end - start);
      if (line.ends_with("\\")) ++continued;
      if (!line.starts_with("\"nnnn")) {
        EXPECT_LE(line.size(), 80u) << line;
      }
      start = end + 2;
    }
    EXPECT_GT(continued, 10u);
  }
}

TEST(RegistryFile, WritesTheRegistryEditorsLayout) {
  HeadlessRegistry registry;
  registry.writeString(Root::LocalMachine, "Software\\B", "x", "1");
  registry.writeString(Root::CurrentUser, "Software\\Zed", "Z", "z");
  registry.writeValue(Root::CurrentUser, "Software\\a", "n",
                      {types::kDword, bytes({0x2A, 0, 0, 0})});
  registry.writeString(Root::CurrentUser, "Software\\a", "Quote\"s", "C:\\");
  registry.writeString(Root::CurrentUser, "Software\\a", "", "d");
  registry.writeValue(Root::CurrentUser, "Software\\a", "E", {types::kExpandString, "%A%"});
  registry.writeValue(Root::CurrentUser, "Software\\a", "M", {types::kMultiString, {"x\0", 2}});
  registry.createKey(Root::CurrentUser, "Software\\a\\Sub");
  registry.writeString(Root::CurrentUser, "", "AtRoot", "r");
  std::string blob;
  for (int i = 0; i < 40; ++i) blob += static_cast<char>(i);
  registry.writeValue(Root::CurrentUser, "Software\\Zed", "Blob", {types::kBinary, blob});

  const std::string layout =
      "[HKEY_CURRENT_USER]\r\n"
      "\"AtRoot\"=\"r\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software]\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\a]\r\n"
      "@=\"d\"\r\n"
      "\"E\"=hex(2):%s\r\n"
      "\"M\"=hex(7):%s\r\n"
      "\"n\"=dword:0000002a\r\n"
      "\"Quote\\\"s\"=\"C:\\\\\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\a\\Sub]\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zed]\r\n"
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\r\n"
      "\"Z\"=\"z\"\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
      "\"x\"=\"1\"\r\n"
      "\r\n";
  const auto filled = [&](const char* expand, const char* multi) {
    std::string text = layout;
    text.replace(text.find("%s"), 2, expand);
    text.replace(text.find("%s"), 2, multi);
    return text;
  };
  EXPECT_EQ(textOfUtf16File(*writeRegistryFile(registry, RegistryFileFormat::Version5, kCodePage)),
            kVersion5 + "\r\n\r\n" + filled("25,00,41,00,25,00,00,00", "78,00,00,00,00,00"));
  EXPECT_EQ(*writeRegistryFile(registry, RegistryFileFormat::Regedit4, kCodePage),
            "REGEDIT4\r\n\r\n" + filled("25,41,25,00", "78,00,00"));
  EXPECT_EQ(textOfUtf16File(
                *writeRegistryFile(HeadlessRegistry(), RegistryFileFormat::Version5, kCodePage)),
            kVersion5 + "\r\n\r\n");
}

TEST(RegistryFile, EveryWindows1252ByteHasAUtf16FormAndComesBack) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  const auto units = kCodePage.toUtf16(all);
  ASSERT_TRUE(units);
  EXPECT_EQ((*units)[0x80], u'\u20AC');
  EXPECT_EQ((*units)[0x9F], u'\u0178');
  EXPECT_EQ((*units)[0xE9], u'\u00E9');
  EXPECT_EQ(kCodePage.fromUtf16(*units), all);
  for (const char16_t outside : {u'\u0080', u'\u0100', u'\u3042', u'\xD800'})
    EXPECT_EQ(kCodePage.fromUtf16(std::u16string(1, outside)), std::nullopt);
}

class RegistryFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kx_registry_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string path(const char* name) const { return (folder_ / name).string(); }
  std::filesystem::path folder_;
};

TEST_F(RegistryFileOnDisk, AMissingFileIsAnEmptyRegistrySavedAsVersion5) {
  HeadlessRegistry registry;
  RegistryFileFormat format = RegistryFileFormat::Regedit4;
  EXPECT_EQ(loadRegistryFile(path("new.reg"), registry, format, kCodePage), "");
  EXPECT_EQ(format, RegistryFileFormat::Version5);
  EXPECT_TRUE(registry == HeadlessRegistry());
  registry.writeString(Root::CurrentUser, "K", "v", "1");
  EXPECT_EQ(saveRegistryFile(path("new.reg"), registry, format, kCodePage), "");
  HeadlessRegistry loaded;
  EXPECT_EQ(loadRegistryFile(path("new.reg"), loaded, format, kCodePage), "");
  EXPECT_TRUE(loaded == registry);
  EXPECT_FALSE(std::filesystem::exists(path("new.reg.new")));
}

TEST_F(RegistryFileOnDisk, ReportsFileLineAndReasonAndKeepsTheFormat) {
  std::ofstream(path("bad.reg"), std::ios::binary) << "REGEDIT4\r\n[HKCU\\A]\r\n\"a\"=hex:1,x\r\n";
  std::ofstream(path("old.reg"), std::ios::binary) << "REGEDIT4\r\n[HKCU\\A]\r\n\"a\"=\"1\"\r\n";
  HeadlessRegistry registry;
  RegistryFileFormat format = RegistryFileFormat::Version5;
  EXPECT_EQ(loadRegistryFile(path("bad.reg"), registry, format, kCodePage),
            path("bad.reg") + ":3: bad hex byte \"x\"");
  EXPECT_EQ(loadRegistryFile(folder_.string(), registry, format, kCodePage),
            folder_.string() + ": cannot be read");
  HeadlessRegistry old;
  EXPECT_EQ(loadRegistryFile(path("old.reg"), old, format, kCodePage), "");
  EXPECT_EQ(format, RegistryFileFormat::Regedit4);
  EXPECT_EQ(saveRegistryFile(path("missing/x.reg"), old, format, kCodePage),
            path("missing/x.reg") + ": cannot be written");
}

}  // namespace
}  // namespace kx

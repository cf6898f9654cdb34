// Definition files: the binary component stream and its text form.
#include <gtest/gtest.h>

#include <functional>

#include "dialogs/forms/component_stream.h"
#include "dialogs/forms/definition_text.h"
#include "tests/fixture_files.h"

namespace kx::dfm {
namespace {

using Bytes = std::string;

Bytes resourceHeader() {
  return Bytes("\xFF\x0A\x00TFORM1\x00\x30\x10\x00\x00\x00\x00", 16);
}

// A definition whose root "TForm1 Form1" has one property P with the given value bytes.
Bytes definitionWithValue(const Bytes& value) {
  return resourceHeader() + "TPF0" +
         Bytes(
             "\x06TForm1\x05"
             "Form1\x01P",
             15) +
         value + Bytes("\x00\x00", 2);
}

Value readValue(const Bytes& valueBytes) {
  const ObjectRecord root = readDefinition(definitionWithValue(valueBytes));
  EXPECT_EQ(root.properties.size(), 1u);
  return root.properties.at(0).value;
}

struct ValueCase {
  const char* name;
  Bytes bytes;
  std::function<void(const Value&)> check;
  const char* text;  // the value's text form
};

TEST(ComponentStream, ReadsEveryValueType) {
  const std::vector<ValueCase> cases = {
      {"null", Bytes("\x00", 1), [](const Value& v) { EXPECT_EQ(v.type, ValueType::Null); },
       "Null"},
      {"list", Bytes("\x01\x02\x05\x09\x00", 5),
       [](const Value& v) {
         ASSERT_EQ(v.items.size(), 2u);
         EXPECT_EQ(v.items[0].integer, 5);
         EXPECT_EQ(v.items[1].type, ValueType::True);
       },
       "(\r\n  5\r\n  True)"},
      {"int8", Bytes("\x02\xFE", 2), [](const Value& v) { EXPECT_EQ(v.integer, -2); }, "-2"},
      {"int16", Bytes("\x03\x00\x80", 3), [](const Value& v) { EXPECT_EQ(v.integer, -32768); },
       "-32768"},
      {"int32", Bytes("\x04\x78\x56\x34\x12", 5),
       [](const Value& v) { EXPECT_EQ(v.integer, 0x12345678); }, "305419896"},
      {"extended 1.5", Bytes("\x05\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x3F", 11),
       [](const Value& v) { EXPECT_EQ(floatValue(v), 1.5L); }, "1.5"},
      {"short string",
       Bytes("\x06\x03"
             "a'b",
             5),
       [](const Value& v) { EXPECT_EQ(v.bytes, "a'b"); }, "'a''b'"},
      {"identifier",
       Bytes("\x07\x09"
             "clBtnFace",
             11),
       [](const Value& v) { EXPECT_EQ(v.bytes, "clBtnFace"); }, "clBtnFace"},
      {"false", Bytes("\x08", 1), [](const Value& v) { EXPECT_EQ(v.type, ValueType::False); },
       "False"},
      {"true", Bytes("\x09", 1), [](const Value& v) { EXPECT_EQ(v.type, ValueType::True); },
       "True"},
      {"byte block", Bytes("\x0A\x03\x00\x00\x00\x01\xAB\xFF", 8),
       [](const Value& v) { EXPECT_EQ(v.bytes, Bytes("\x01\xAB\xFF", 3)); }, "{\r\n  01ABFF}"},
      {"set",
       Bytes("\x0B\x06"
             "akLeft\x05"
             "akTop\x00",
             15),
       [](const Value& v) {
         EXPECT_EQ(v.names, (std::vector<std::string>{"akLeft", "akTop"}));
       },
       "[akLeft, akTop]"},
      {"long string",
       Bytes("\x0C\x02\x00\x00\x00"
             "\r\n",
             7),
       [](const Value& v) { EXPECT_EQ(v.bytes, "\r\n"); }, "#13#10"},
      {"nil", Bytes("\x0D", 1), [](const Value& v) { EXPECT_EQ(v.type, ValueType::Nil); }, "nil"},
      {"collection with order", Bytes("\x0E\x02\x03\x01\x01W\x02\x40\x00\x01\x00\x00", 12),
       [](const Value& v) {
         ASSERT_EQ(v.collection.size(), 2u);
         EXPECT_EQ(v.collection[0].order, 3);
         EXPECT_EQ(v.collection[0].properties.at(0).name, "W");
         EXPECT_EQ(v.collection[0].properties.at(0).value.integer, 64);
         EXPECT_FALSE(v.collection[1].order.has_value());
       },
       "<\r\n  item [3]\r\n    W = 64\r\n  end\r\n  item\r\n  end>"},
      {"single", Bytes("\x0F\x00\x00\x20\x40", 5),
       [](const Value& v) { EXPECT_EQ(floatValue(v), 2.5L); }, "2.5s"},
      {"currency", Bytes("\x10\x39\x30\x00\x00\x00\x00\x00\x00", 9),
       [](const Value& v) { EXPECT_EQ(v.integer, 12345); }, "1.2345c"},
      {"date", Bytes("\x11\x00\x00\x00\x00\x00\x00\xF0\x3F", 9),
       [](const Value& v) { EXPECT_EQ(floatValue(v), 1.0L); }, "1.0d"},
      {"wide string", Bytes("\x12\x02\x00\x00\x00\x41\x00\x3A\x04", 9),
       [](const Value& v) { EXPECT_EQ(v.wide, u"A\u043A"); }, "'A'#1082"},
      {"int64", Bytes("\x13\x00\x00\x00\x00\x01\x00\x00\x00", 9),
       [](const Value& v) { EXPECT_EQ(v.integer, int64_t{1} << 32); }, "4294967296"},
      {"utf-8 string", Bytes("\x14\x03\x00\x00\x00\xC3\xA9z", 8),
       [](const Value& v) { EXPECT_EQ(stringText(v), "\xE9z"); }, "'\xE9z'"},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Value value = readValue(c.bytes);
    EXPECT_EQ(static_cast<int>(value.type), static_cast<uint8_t>(c.bytes[0]));
    c.check(value);
    EXPECT_EQ(valueToText(value), c.text);
  }
}

TEST(ComponentStream, ReadsFlagsBytesAndChildren) {
  const Bytes stream = resourceHeader() + "TPF0" +
                       Bytes(
                           "\x05TForm\x01"
                           "F\x00"  // root, no properties
                           "\xF1\x07TButton\x01"
                           "A\x00\x00"  // inherited
                           "\xF6\x02\x02\x06TPanel\x01"
                           "B\x00"  // inline, child position 2
                           "\x06TLabel\x01"
                           "C\x00\x00"  // child of B
                           "\x00"
                           "\x00",
                           48);
  const ObjectRecord root = readDefinition(stream);
  EXPECT_EQ(root.flags, 0);
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].flags, kFlagInherited);
  EXPECT_EQ(root.children[0].name, "A");
  EXPECT_EQ(root.children[1].flags, kFlagInline | kFlagChildPosition);
  EXPECT_EQ(root.children[1].childPosition, 2);
  ASSERT_EQ(root.children[1].children.size(), 1u);
  EXPECT_EQ(root.children[1].children[0].className, "TLabel");
  EXPECT_EQ(objectToText(root),
            "object F: TForm\r\n  inherited A: TButton\r\n  end\r\n"
            "  inline B: TPanel [2]\r\n    object C: TLabel\r\n    end\r\n  end\r\nend\r\n");
  EXPECT_EQ(readDefinition(writeDefinition(root)), root);
}

TEST(ComponentStream, RejectsFilesWithoutTheResourceHeader) {
  const Bytes stream = Bytes(
      "TPF0\x05TForm\x01"
      "F\x00\x00",
      13);
  for (const Bytes& file : {stream, Bytes("\xFF\x0B\x00X\x00\x30\x10\x00\x00\x00\x00", 11) + stream,
                            Bytes("\xFF\x0A", 2), Bytes(), Bytes("\xFF\x0A\x00NAME", 7)}) {
    try {
      readDefinition(file);
      ADD_FAILURE() << "read a file without a resource header";
    } catch (const DefinitionError& e) {
      EXPECT_EQ(std::string(e.what()), kInvalidStreamFormat);
    }
  }
  EXPECT_THROW(readDefinition(resourceHeader() + "TPF1"), DefinitionError);
}

TEST(ComponentStream, HostileInputFailsCleanly) {
  const std::vector<Bytes> values = {
      Bytes("\x0C\xFF\xFF\xFF\xFF", 5),          // long string longer than the file
      Bytes("\x12\xFF\xFF\xFF\x7F\x41\x00", 7),  // wide string count beyond the file
      Bytes("\x0A\x10\x00\x00\x00\x01", 6),      // truncated byte block
      Bytes("\x15", 1),                          // unknown value type
      Bytes("\x0E\x01\x00\x05", 4),              // collection item without its list marker
      Bytes(1000, '\x01'),                       // lists nested a thousand deep
      Bytes("\x01\x02", 2),                      // unterminated list
  };
  for (const Bytes& value : values) {
    EXPECT_THROW(readValue(value), DefinitionError);
  }
  Bytes deepObjects = resourceHeader() + "TPF0";
  for (int i = 0; i < 500; ++i) deepObjects += Bytes("\x01T\x00\x00", 4);
  EXPECT_THROW(readDefinition(deepObjects), DefinitionError);
}

TEST(DefinitionText, CompilesAndReadsBackTheSameText) {
  const std::string text =
      "object Welcome: TPoolTemplate\r\n"
      "  Left = -4\r\n"
      "  Width = 70000\r\n"
      "  Big = 9223372036854775807\r\n"
      "  Caption = 'It''s '#13#10'here'\r\n"
      "  Wide = 'x'#1082\r\n"
      "  Font.Name = 'Tahoma'\r\n"
      "  Font.Style = [fsBold, fsItalic]\r\n"
      "  Empty = []\r\n"
      "  Ratio = 0.1\r\n"
      "  Scale = 0.3s\r\n"
      "  Price = -12.5000c\r\n"
      "  When = 45000.25d\r\n"
      "  Odd = ~0000000000000080FF7F\r\n"
      "  Color = clBtnFace\r\n"
      "  OnCreate = FormCreate\r\n"
      "  Items.Strings = (\r\n"
      "    'one'\r\n"
      "    ''\r\n"
      "    (\r\n"
      "      False\r\n"
      "      nil))\r\n"
      "  Unset = Null\r\n"
      "  Picture.Data = {\r\n"
      "    0A54504E47496D616765}\r\n"
      "  Panels = <\r\n"
      "    item [0]\r\n"
      "      Width = 64\r\n"
      "    end>\r\n"
      "  Nothing = <>\r\n"
      "  inherited Next: TButton [1]\r\n"
      "    Default = True\r\n"
      "  end\r\n"
      "  object TBevel\r\n"
      "  end\r\n"
      "end\r\n";
  const ObjectRecord root = objectFromText(text);
  EXPECT_EQ(objectToText(root), text);
  const std::string binary = writeDefinition(root);
  EXPECT_EQ(readDefinition(binary), root);
  EXPECT_EQ(objectToText(readDefinition(binary)), text);

  EXPECT_EQ(root.properties[0].value.type, ValueType::Int8);
  EXPECT_EQ(root.properties[1].value.type, ValueType::Int32);
  EXPECT_EQ(root.properties[2].value.type, ValueType::Int64);
  EXPECT_EQ(root.properties[3].value.bytes, "It's \r\nhere");
  EXPECT_EQ(root.properties[4].value.type, ValueType::WString);
  // 0.1 with the whole 64-bit mantissa of an extended value, not a double's 53 bits.
  EXPECT_EQ(root.properties[8].value.bytes,
            std::string("\xCD\xCC\xCC\xCC\xCC\xCC\xCC\xCC\xFB\x3F", 10));
  EXPECT_EQ(root.properties[10].value.integer, -125000);
  EXPECT_EQ(root.children[0].flags, kFlagInherited | kFlagChildPosition);
  EXPECT_EQ(root.children[1].className, "TBevel");
  EXPECT_EQ(root.children[1].name, "");
}

TEST(DefinitionText, AcceptsAuthorsConveniences) {
  const ObjectRecord root = objectFromText(
      "OBJECT f: TForm\n  Tag = $FF\n  Caption = 'a' +\n    'b'\n  Long = 'x'\n END\n");
  EXPECT_EQ(root.properties.at(0).value.integer, 255);
  EXPECT_EQ(root.properties.at(1).value.bytes, "ab");
  const std::string longText(300, 'z');
  EXPECT_EQ(valueFromText("'" + longText + "'").type, ValueType::LString);
  EXPECT_EQ(valueFromText("'" + longText + "'").bytes, longText);
}

TEST(DefinitionText, ReportsTheLineOfAFault) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"object A: TForm\n  X = 'open\nend\n", "line 2: unterminated string"},
      {"object A: TForm\n  X = 1\n", "'end' expected"},
      {"object A: TForm\n  X 1\nend\n", "line 2: '=' expected"},
      {"object A: TForm\n  X = 1.5x\nend\n", "line 2: bad number"},
      {"object A: TForm\n  X = 99999999999999999999\nend\n", "line 2: integer out of range"},
      {"object A: TForm\n\n  X = ~0102\nend\n", "line 3: raw floating-point value"},
      {"object A: TForm\n  X = 1.23456c\nend\n", "line 2: currency has at most four decimals"},
      {"object A: TForm\nend\nend\n", "line 3: text after the final end"},
      {"thing A: TForm\nend\n", "line 1: 'object' expected"},
  };
  for (const auto& [text, message] : cases) {
    try {
      objectFromText(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const DefinitionError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
  std::string deep = "object A: TForm\n  X = ";
  deep += std::string(200, '(') + std::string(200, ')') + "\nend\n";
  EXPECT_THROW(objectFromText(deep), DefinitionError);
}

TEST(DefinitionText, PropertyPathsStartingWithAKeywordReadBack) {
  // Only a whole word is a keyword: "Item.Data" is a property, not the start of an item.
  Value panels;
  panels.type = ValueType::Collection;
  panels.collection.push_back({std::nullopt, {{"End.Width", Value::ofInteger(64)}}});
  ObjectRecord tree;
  tree.className = "TTreeView";
  tree.name = "Tree";
  tree.properties = {{"Item.Data", Value::ofString("x")},
                     {"object.Tag", Value::ofInteger(7)},
                     {"Inherited.Panels", panels}};
  ObjectRecord root;
  root.className = "TForm1";
  root.name = "Form1";
  root.children.push_back(tree);
  const std::string text = objectToText(root);
  EXPECT_EQ(text,
            "object Form1: TForm1\r\n"
            "  object Tree: TTreeView\r\n"
            "    Item.Data = 'x'\r\n"
            "    object.Tag = 7\r\n"
            "    Inherited.Panels = <\r\n"
            "      item\r\n"
            "        End.Width = 64\r\n"
            "      end>\r\n"
            "  end\r\n"
            "end\r\n");
  EXPECT_EQ(objectFromText(text), root);
}

TEST(DefinitionText, FuzzFindingsReadBackThroughTheTextForm) {
  // Definitions that once broke the round trip: a tree view with a byte block under a property
  // path that starts with a keyword ("Item.sData"), followed by bytes past the stream's end.
  for (const char* seed : {"tree_item_block.dfm", "keyword_path.dfm"}) {
    const std::string bytes = test::fixtureFile(std::string("../fuzz/corpus/fuzz_dfm/") + seed);
    ASSERT_FALSE(bytes.empty()) << seed;
    const ObjectRecord root = readDefinition(bytes);
    const std::string text = objectToText(root);
    const std::string compiled = writeDefinition(objectFromText(text));
    EXPECT_EQ(compiled, writeDefinition(root)) << seed;
    EXPECT_EQ(objectToText(readDefinition(compiled)), text) << seed;
  }
}

TEST(DefinitionText, RefusesNamesWithoutATextForm) {
  ObjectRecord root;
  root.className = "TForm";
  root.name = "has blank";
  EXPECT_THROW(objectToText(root), DefinitionError);
  root.name = "F";
  root.properties.push_back({"end", Value::ofInteger(1)});
  EXPECT_THROW(objectToText(root), DefinitionError);
  root.properties[0] = {"P", Value::ofIdent("True")};
  EXPECT_THROW(objectToText(root), DefinitionError);
  // Null is the byte that ends a list, so a list can't carry it.
  EXPECT_THROW(writeDefinition(objectFromText("object F: TForm\n  P = (1 Null)\nend\n")),
               DefinitionError);
}

}  // namespace
}  // namespace kx::dfm

#include "platform/headless/headless_registry.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Root = RegistryRoot;
using Status = RegistryReadStatus;

TEST(HeadlessRegistry, FindsNamesIgnoringCaseAndKeepsTheCaseFirstWritten) {
  HeadlessRegistry registry;
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "Software\\Kestrix", "InstallPath", "C:\\A"));
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "SOFTWARE\\kestrix", "INSTALLPATH", "C:\\B"));
  EXPECT_EQ(registry.readString(Root::CurrentUser, "software\\KESTRIX\\", "installpath"), "C:\\B");
  const auto& software = registry.rootKey(Root::CurrentUser).subkeys.at("SOFTWARE");
  EXPECT_EQ(software.name, "Software");
  EXPECT_EQ(software.subkeys.at("KESTRIX").name, "Kestrix");
  EXPECT_EQ(software.subkeys.at("KESTRIX").values.at("INSTALLPATH").name, "InstallPath");
  // Only A-Z fold: an accented letter is another name.
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "Software", "\xE9", "small"));
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "Software", "\xC9").status, Status::NoValue);
}

struct ReadCase {
  Root root;
  std::string key, value;
  Status status;
};

TEST(HeadlessRegistry, ReadsKeysAndValuesByPath) {
  HeadlessRegistry registry;
  ASSERT_TRUE(registry.writeString(Root::LocalMachine, "A\\B\\C", "v", "1"));
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "", "atRoot", "2"));
  ASSERT_TRUE(registry.createKey(Root::Users, "Empty\\Key"));
  const ReadCase cases[] = {
      {Root::LocalMachine, "A\\B\\C", "v", Status::Found},
      {Root::LocalMachine, "a\\b\\c\\\\", "V", Status::Found},
      {Root::LocalMachine, "A\\B\\C", "", Status::NoValue},
      {Root::LocalMachine, "A\\B", "v", Status::NoValue},  // parents exist, without values
      {Root::LocalMachine, "A", "", Status::NoValue},
      {Root::LocalMachine, "A\\B\\C\\D", "v", Status::NoKey},
      {Root::LocalMachine, "B", "v", Status::NoKey},
      {Root::CurrentUser, "A\\B\\C", "v", Status::NoKey},  // roots are apart
      {Root::CurrentUser, "", "atRoot", Status::Found},
      {Root::Users, "Empty\\Key", "", Status::NoValue},
      {Root::Users, "Empty", "x", Status::NoValue},
      {Root::LocalMachine, "A\\\\B\\C", "v", Status::NoKey},  // an empty name in between
      {Root::LocalMachine, "\\A\\B\\C", "v", Status::NoKey},
  };
  for (const auto& c : cases)
    EXPECT_EQ(registry.readValue(c.root, c.key, c.value).status, c.status)
        << c.key << " " << c.value;
}

TEST(HeadlessRegistry, KeepsEveryTypeAndItsBytes) {
  HeadlessRegistry registry;
  const RegistryValue values[] = {
      {registry_types::kString, ""},
      {registry_types::kExpandString, "%TEMP%\\x"},
      {registry_types::kBinary, std::string("\0\xFF", 2)},
      {registry_types::kDword, std::string("\x2A\0\0\0", 4)},
      {registry_types::kMultiString, std::string("a\0b\0", 4)},
      {registry_types::kQword, std::string(8, '\x01')},
      {0, ""},
      {0x12345678, "odd"},
  };
  for (size_t i = 0; i < std::size(values); ++i)
    ASSERT_TRUE(registry.writeValue(Root::ClassesRoot, "T", std::to_string(i), values[i]));
  for (size_t i = 0; i < std::size(values); ++i) {
    const RegistryRead read = registry.readValue(Root::ClassesRoot, "T", std::to_string(i));
    ASSERT_EQ(read.status, Status::Found);
    EXPECT_EQ(read.value.type, values[i].type) << i;
    EXPECT_EQ(read.value.data, values[i].data) << i;
  }
  // A text read as a text only when it is one.
  EXPECT_EQ(registry.readString(Root::ClassesRoot, "T", "1"), "%TEMP%\\x");
  EXPECT_EQ(registry.readString(Root::ClassesRoot, "T", "2"), std::nullopt);
}

TEST(HeadlessRegistry, DeletesValuesAndKeysWithTheirSubkeys) {
  HeadlessRegistry registry;
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "A\\B\\C", "v", "1"));
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "A", "", "default"));
  ASSERT_TRUE(registry.writeString(Root::CurrentUser, "AB", "v", "kept"));
  EXPECT_TRUE(registry.deleteValue(Root::CurrentUser, "a", ""));
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "A", "").status, Status::NoValue);
  EXPECT_FALSE(registry.deleteValue(Root::CurrentUser, "A", ""));
  EXPECT_FALSE(registry.deleteValue(Root::CurrentUser, "Missing", "v"));
  EXPECT_TRUE(registry.deleteKey(Root::CurrentUser, "a\\b\\"));
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "A\\B\\C", "v").status, Status::NoKey);
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "A\\B", "").status, Status::NoKey);
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "A", "").status, Status::NoValue);
  EXPECT_FALSE(registry.deleteKey(Root::CurrentUser, "A\\B"));
  EXPECT_FALSE(registry.deleteKey(Root::CurrentUser, ""));  // a root stays
  EXPECT_TRUE(registry.deleteKey(Root::CurrentUser, "A"));
  EXPECT_EQ(registry.readString(Root::CurrentUser, "AB", "v"), "kept");
}

TEST(HeadlessRegistry, RefusesNamesNoRegistryFileCouldHold) {
  HeadlessRegistry registry;
  EXPECT_FALSE(registry.writeString(Root::CurrentUser, "A\nB", "v", "1"));
  EXPECT_FALSE(registry.writeString(Root::CurrentUser, "A", "line\nfeed", "1"));
  EXPECT_FALSE(registry.writeString(Root::CurrentUser, "A\\\\B", "v", "1"));
  std::string deep;
  for (size_t i = 0; i < HeadlessRegistry::kMaxKeyDepth; ++i) deep += "k\\";
  EXPECT_TRUE(registry.createKey(Root::CurrentUser, deep));
  EXPECT_FALSE(registry.createKey(Root::CurrentUser, deep + "k"));
  EXPECT_EQ(registry.readValue(Root::CurrentUser, "A", "v").status, Status::NoKey);
}

}  // namespace
}  // namespace kx

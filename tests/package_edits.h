#pragma once
// The edits that the package-editing tests make through either implementation of the installer
// interface, libmsi natively and msi.dll under Wine, to the package that
// tests/data/installer/build_fixture.sh makes. Both leave the tables of
// tests/data/installer/edited/ (as `msiinfo export` prints them) and kEditedPackageCode.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kx::test {

struct PackageEdit {
  std::string sql;
  std::vector<std::string> values;
  bool succeeds;
};

inline const std::vector<PackageEdit>& packageEdits() {
  static const std::string insert =
      "INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( ? , ? )";
  static const std::vector<PackageEdit> edits = {
      {insert, {"KX_QUOTED", "it's here"}, true},
      {insert, {"KX_LINES", "first\r\nsecond"}, true},
      // A question mark inside a value is no marker.
      {"INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( 'KX_ASKED' , 'who?' )", {}, true},
      // A property the package has: the insert fails and the row keeps its value.
      {insert, {"Manufacturer", "Someone Else"}, false},
      {"UPDATE `Property` SET `Value`=? WHERE `Property`=?",
       {"Edited Fixture", "ProductName"},
       true},
      // A value written into the text, without markers.
      {"UPDATE `Property` SET `Value`='{0F0E0D0C-0B0A-0908-0706-050403020100}' WHERE "
       "`Property`='ProductCode'",
       {},
       true},
      {"UPDATE `Shortcut` SET `Name`=? WHERE `Directory_`=?", {"Lies mich", "FixtureMenu"}, true},
      {"UPDATE `Shortcut` SET `Description`=? WHERE `Directory_`=?",
       {"Read me, it's short", "FixtureMenu"},
       true},
      {"UPDATE `ProgId` SET `Description`=? WHERE `ProgId`=?",
       {"Edited document", "Fixture.Document"},
       true},
      // No row matches: nothing changes, and that is no failure.
      {"UPDATE `ProgId` SET `Description`=? WHERE `ProgId`=?",
       {"Never seen", "Fixture.Missing"},
       true},
  };
  return edits;
}

// Renames of a ProgId by its key column, which neither libmsi nor msi.dll (Wine's) makes.
inline const std::vector<PackageEdit>& primaryKeyUpdates() {
  static const std::vector<PackageEdit> updates = {
      {"UPDATE `ProgId` SET `ProgId`=? WHERE `ProgId`=?",
       {"Fixture.Renamed", "Fixture.Document"},
       false},
      {"UPDATE `ProgId` SET `ProgId`='Fixture.Renamed' WHERE `ProgId`='Fixture.Document'",
       {},
       false},
  };
  return updates;
}

// Operations that fail and must leave the package as it was.
struct FailingOperation {
  const char* name;
  std::function<bool(InstallerPackage&)> operation;
};

inline const std::vector<FailingOperation>& failingOperations() {
  static const std::vector<FailingOperation> operations = {
      {"invalid SQL", [](InstallerPackage& p) { return p.execute("UPDATE Property SET", {}); }},
      {"missing table",
       [](InstallerPackage& p) {
         return p.execute("UPDATE `Missing` SET `Value`=? WHERE `Property`=?", {"1", "ALLUSERS"});
       }},
      {"missing column",
       [](InstallerPackage& p) {
         return p.execute("UPDATE `Property` SET `Missing`=? WHERE `Property`=?",
                          {"1", "ALLUSERS"});
       }},
      {"too few values",
       [](InstallerPackage& p) {
         return p.execute("UPDATE `Property` SET `Value`=? WHERE `Property`=?", {"1"});
       }},
      {"markers without values",
       [](InstallerPackage& p) {
         return p.execute("UPDATE `Property` SET `Value`=? WHERE `Property`='ALLUSERS'", {});
       }},
      {"replacing in a missing table",
       [](InstallerPackage& p) {
         return p.replaceColumnValues("Missing", "Value", [] { return "x"; });
       }},
      {"replacing a missing column",
       [](InstallerPackage& p) {
         return p.replaceColumnValues("Component", "Missing", [] { return "x"; });
       }},
  };
  return operations;
}

inline constexpr const char* kEditedPackageCode = "{A1B2C3D4-E5F6-4711-8899-AABBCCDDEEFF}";

// Component codes counted up from {00000000-0000-0000-0000-000000000001}, so that both
// implementations give the rows the same codes.
inline std::string countedComponentCode(int number) {
  char code[40];
  std::snprintf(code, sizeof code, "{00000000-0000-0000-0000-%012d}", number);
  return code;
}

// Makes every edit, gives each component a counted code and sets the package code; commits
// when asked.
inline void editPackage(InstallerPackage& package, bool commit) {
  for (const PackageEdit& edit : packageEdits())
    EXPECT_EQ(package.execute(edit.sql, edit.values), edit.succeeds) << edit.sql;
  int components = 0;
  EXPECT_TRUE(package.replaceColumnValues("Component", "ComponentId",
                                          [&] { return countedComponentCode(++components); }));
  EXPECT_EQ(components, 3);
  EXPECT_TRUE(package.setPackageCode(kEditedPackageCode));
  if (commit) {
    EXPECT_TRUE(package.commit());
  }
}

}  // namespace kx::test

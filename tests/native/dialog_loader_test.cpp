// Loading the dialogs of a run and the default contents of their controls.
#include <gtest/gtest.h>

#include "dialogs/dialog_loader.h"
#include "dialogs/forms/component_stream.h"
#include "dialogs/forms/definition_text.h"
#include "tests/native/engine_fixture.h"

namespace kx::test {
namespace {

const std::string kSupport = "C:\\Temp\\zel1\\";

std::string definition(const std::string& caption) {
  return dfm::writeDefinition(dfm::objectFromText("object Page: TForm\n  Caption = '" + caption +
                                                  "'\n  object Name: TEdit\n  end\nend\n"));
}

class DialogLoading : public EngineTest {
 protected:
  void addDialog(const std::string& name, const std::string& caption,
                 const std::string& rules = "") {
    fake.files[upperAscii(kSupport + name + ".dfm")] = definition(caption);
    fake.files[upperAscii(kSupport + name + ".dfm.zelf")] = rules;
  }
  void load(const std::vector<Statement>& statements) {
    engine.script = buildScript(statements);
    loadScriptDialogs(engine, table, [this](size_t position, size_t count) {
      progress.emplace_back(position, count);
    });
  }
  static Statement display(const std::string& name, bool disabled = false) {
    return {"Display Dialog", {name, "", "TRUE", "", "", ""}, disabled};
  }

  DialogTable table;
  std::vector<std::pair<size_t, size_t>> progress;
};

TEST_F(DialogLoading, LoadsEveryEnabledDisplayDialogUnderItsKey) {
  addDialog("welcome", "Welcome", "IF (Name.Text = a)  THEN  Name.Text := b;\r\nsecond line\r\n");
  addDialog("finish", "Done");
  load({display("welcome"),
        {"Set Variable", {"X", "1"}},
        display("missing", true),
        display("Finish"),
        display("welcome")});
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table.find("1"), nullptr);  // the disabled statement loads nothing
  const LoadedDialog& first = *table.find("0");
  EXPECT_EQ(first.form->host.text("Caption"), "Welcome");
  EXPECT_EQ(first.form->host.hint(), "welcome.dfm");
  EXPECT_EQ(first.form->rules, (Lines{"IF (Name.Text = a)  THEN  Name.Text := b;", "second line"}));
  EXPECT_TRUE(first.refreshTimer.enabled);
  EXPECT_EQ(first.refreshTimer.intervalMs, 1000);
  EXPECT_FALSE(first.pageRefreshTimer.enabled);
  EXPECT_EQ(table.find("3")->form->host.hint(), "Finish.dfm");
  EXPECT_TRUE(table.find("3")->form->rules.empty());
  // The same definition twice gives two separate dialogs.
  LoadedDialog& again = *table.find("4");
  EXPECT_NE(again.form.get(), first.form.get());
  again.form->setPropertyText("Name", "Text", "typed");
  EXPECT_EQ(first.form->propertyText("Name", "Text"), "");
  EXPECT_EQ(progress, (std::vector<std::pair<size_t, size_t>>{{1, 3}, {2, 3}, {3, 3}, {4, 3}}));
}

TEST_F(DialogLoading, ReloadingAKeyReplacesItsDialog) {
  addDialog("one", "One");
  addDialog("two", "Two");
  table.load("7", kSupport + "one.dfm", *engine.platform.files);
  table.load("7", kSupport + "two.dfm", *engine.platform.files);
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(table.find("7")->form->host.text("Caption"), "Two");
}

TEST_F(DialogLoading, MissingOrBadFilesFailTheLoad) {
  addDialog("good", "Good");
  fake.files[upperAscii(kSupport + "norules.dfm")] = definition("x");
  fake.files[upperAscii(kSupport + "bare.dfm")] =
      dfm::writeComponentStream(dfm::objectFromText("object A: TForm\nend\n"));
  fake.files[upperAscii(kSupport + "bare.dfm.zelf")] = "";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"absent", "Cannot open file \"C:\\Temp\\zel1\\absent.dfm\""},
      {"norules", "Cannot open file \"C:\\Temp\\zel1\\norules.dfm.zelf\""},
      {"bare", "Invalid stream format"},
  };
  for (const auto& [name, message] : cases) {
    try {
      load({display("good"), display(name)});
      ADD_FAILURE() << name << " loaded";
    } catch (const DialogLoadError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

class DefaultContents : public EngineTest {
 protected:
  void add(const std::string& name) { fake.files[upperAscii(kSupport + name)] = "text"; }
  FileSystem& files() { return *engine.platform.files; }
};

TEST_F(DefaultContents, MemosTakeTheLanguagesFileFirst) {
  const DefaultContent none = memoContent(files(), kSupport, "German", DocumentRole::Readme);
  EXPECT_EQ(none.file, "");
  EXPECT_EQ(none.fallback,
            "Add a readme.German.txt or readme.txt file to your project as a support "
            "file/creative to display it here.");
  add("readme.txt");
  EXPECT_EQ(memoContent(files(), kSupport, "German", DocumentRole::Readme).file,
            kSupport + "readme.txt");
  add("readme.German.txt");
  EXPECT_EQ(memoContent(files(), kSupport, "German", DocumentRole::Readme).file,
            kSupport + "readme.German.txt");
  // Without a language the names hold two dots in a row.
  EXPECT_EQ(memoContent(files(), kSupport, "", DocumentRole::Licence).fallback,
            "Add a license..txt or license.txt file to your project as a support file/creative "
            "to display it here.");
}

TEST_F(DefaultContents, RichEditsPreferFormattedText) {
  EXPECT_EQ(richEditContent(files(), kSupport, "French", DocumentRole::Licence).fallback,
            "Add a license.French.rtf or license.rtf, or license.French.txt or license.txt file "
            "to your project as a support file/creative to display it here.");
  add("license.txt");
  EXPECT_EQ(richEditContent(files(), kSupport, "French", DocumentRole::Licence).file,
            kSupport + "license.txt");
  add("license.French.txt");
  EXPECT_EQ(richEditContent(files(), kSupport, "French", DocumentRole::Licence).file,
            kSupport + "license.French.txt");
  add("license.rtf");
  EXPECT_EQ(richEditContent(files(), kSupport, "French", DocumentRole::Licence).file,
            kSupport + "license.rtf");
  add("license.French.rtf");
  EXPECT_EQ(richEditContent(files(), kSupport, "French", DocumentRole::Licence).file,
            kSupport + "license.French.rtf");
  EXPECT_EQ(richEditContent(files(), kSupport, "", DocumentRole::Readme).fallback,
            "Add a readme..rtf or readme.rtf, or readme..txt or readme.txt file to your project "
            "as a support file/creative to display it here.");
}

TEST_F(DefaultContents, PagesAndMovies) {
  EXPECT_EQ(htmlContent(files(), kSupport).fallback,
            "Add an index.htm file to your project to display it here, along with any other "
            "additional support/linked files.");
  EXPECT_EQ(movieContent(files(), kSupport).fallback,
            "Add a movie.swf file to your project to display it here.");
  add("index.htm");
  add("movie.swf");
  EXPECT_EQ(htmlContent(files(), kSupport).file, kSupport + "index.htm");
  EXPECT_EQ(movieContent(files(), kSupport).file, kSupport + "movie.swf");
}

}  // namespace
}  // namespace kx::test

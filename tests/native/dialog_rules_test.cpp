// Dialog rules: the line parser and the rules pass over a dialog's controls.
#include <gtest/gtest.h>

#include "dialogs/dialog_rules.h"
#include "dialogs/forms/definition_text.h"

namespace kx {
namespace {

TEST(DialogRules, ParsesLines) {
  const std::vector<std::pair<std::string, DialogRule>> cases = {
      {"IF (Agree.Checked = True)  THEN  Next.Enabled := True;",
       {false, "Agree", "Checked", "True", "Next", "Enabled", "True"}},
      {"IF (Agree.Checked <> True)  THEN  Next.Enabled := False;",
       {true, "Agree", "Checked", "True", "Next", "Enabled", "False"}},
      // The word is found in any letter case; what follows the ";" is ignored.
      {"IF (A.Text = x)  then  B.Caption := y; trailing",
       {false, "A", "Text", "x", "B", "Caption", "y"}},
      // A point in the test value stays in it; the first "." ends the target component.
      {"IF (A.Text = 1.5)  THEN  B.Font.Name := Arial;",
       {false, "A", "Text", "1.5", "B", "Font.Name", "Arial"}},
      // " <> " anywhere, even in the new value, makes the rule negated.
      {"IF (A.Text = x)  THEN  B.Caption := a <> b;",
       {true, "A", "Text = x)  THEN  B.Caption := a", "b;", "", "", ""}},
      // A line without the layout's separators keeps whatever they give.
      {"IF (A.Text = x) THEN B.Caption := y;",
       {false, "A", "Text", "x) THEN B.Caption := y;", "", "", ""}},
      {"IF (", {false, "", "", "", "", "", ""}},
      {"", {false, "", "", "", "", "", ""}},
      {"IF (A.Text = )  THEN  B.Caption := ;", {false, "A", "Text", "", "B", "Caption", ""}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(parseRule(line), expected) << line;
  }
}

class RulesPass : public ::testing::Test {
 protected:
  void SetUp() override {
    dfm::ObjectRecord root = dfm::objectFromText(
        "object Page: TPoolTemplate\n"
        "  object Agree: TRzCheckBox\n    Caption = 'I agree'\n  end\n"
        "  object Next: TButton\n    Caption = 'Next'\n    Enabled = False\n  end\n"
        "  object Name: TEdit\n    Text = 'John'\n  end\n"
        "  object Copy: TEdit\n  end\n"
        "  object Note: TLabel\n    Caption = '1.5'\n  end\n"
        "  object Level: TTrackBar\n  end\n"
        "end\n");
    // The binary form allows names that the text form does not, digits for example.
    root.children.push_back({0, 0, "TLabel", "1", {}, {}});
    form = DialogForm::fromDefinition(root);
  }
  std::string get(const char* component, const char* property) {
    return form->propertyText(component, property);
  }
  void pass(Lines rules) {
    form->rules = std::move(rules);
    applyRules(*form, [this](Control& control) { changed.push_back(control.name()); });
  }

  std::unique_ptr<DialogForm> form;
  std::vector<std::string> changed;
};

TEST_F(RulesPass, EnablesATargetWhileATestHolds) {
  const Lines rules = {"IF (Agree.Checked = True)  THEN  Next.Enabled := True;",
                       "IF (Agree.Checked = False)  THEN  Next.Enabled := False;"};
  pass(rules);
  EXPECT_EQ(get("Next", "Enabled"), "False");
  form->setPropertyText("Agree", "Checked", "True");
  pass(rules);
  EXPECT_EQ(get("Next", "Enabled"), "True");
}

TEST_F(RulesPass, ComparesExactlyWithLetterCaseCounting) {
  pass({"IF (Name.Text = john)  THEN  Note.Caption := lower;",
        "IF (Name.Text = John)  THEN  Copy.Text := upper;",
        "IF (Name.Text <> john)  THEN  Next.Caption := differs;"});
  EXPECT_EQ(get("Note", "Caption"), "1.5");
  EXPECT_EQ(get("Copy", "Text"), "upper");
  EXPECT_EQ(get("Next", "Caption"), "differs");
}

TEST_F(RulesPass, ResolvesValuesNamingControlProperties) {
  // Another control's property as test value and as new value.
  pass({"IF (Copy.Text <> Name.Text)  THEN  Copy.Text := Name.Text;"});
  EXPECT_EQ(get("Copy", "Text"), "John");
  // A dotted number stays literal unless a control named like the digits before the point
  // has a property named like those after it.
  pass({"IF (Note.Caption = 1.5)  THEN  Next.Caption := matched;"});
  EXPECT_EQ(get("Next", "Caption"), "matched");
  form->setPropertyText("1", "Caption", "");
  pass({"IF (Note.Caption = 1.Caption)  THEN  Next.Caption := never;",
        "IF (Agree.Hint = 1.Caption)  THEN  Next.Caption := empty;",
        "IF (Name.Nothing = )  THEN  Note.Caption := Name.Nothing;"});
  EXPECT_EQ(get("Next", "Caption"), "empty");
  EXPECT_EQ(get("Note", "Caption"), "Name.Nothing");
}

TEST_F(RulesPass, LaterRulesSeeEarlierChangesAndWin) {
  pass({"IF (Agree.Checked = False)  THEN  Copy.Text := first;",
        "IF (Copy.Text = first)  THEN  Next.Caption := seen;",
        "IF (Agree.Checked = False)  THEN  Copy.Text := second;",
        "IF (Agree.Checked <> True)  THEN  Copy.Text := third;"});
  EXPECT_EQ(get("Copy", "Text"), "third");
  EXPECT_EQ(get("Next", "Caption"), "seen");
}

TEST_F(RulesPass, EmptyAndMalformedRulesChangeNothing) {
  pass({});
  pass({"", "garbage", "IF (Agree.Checked = False) THEN Next.Enabled := True;",
        "IF (Agree.Checked = False)  THEN  Nobody.Enabled := True;",
        "IF (Agree.Checked = False)  THEN  Next.Sparkle := True;"});
  EXPECT_EQ(get("Next", "Enabled"), "False");
  EXPECT_TRUE(changed.empty());
}

TEST_F(RulesPass, ARefusedTextIsAPropertyError) {
  form->rules = {"IF (Agree.Checked = False)  THEN  Level.Position := high;"};
  EXPECT_THROW(applyRules(*form), PropertyError);
}

TEST_F(RulesPass, ReportsChangedValuePropertiesOnly) {
  pass({"IF (Agree.Checked = False)  THEN  Copy.Text := x;",
        "IF (Agree.Checked = False)  THEN  Copy.Text := x;",  // no change the second time
        "IF (Agree.Checked = False)  THEN  Copy.Hint := y;",  // not a value property
        "IF (Agree.Checked = False)  THEN  Level.Position := 3;"});
  EXPECT_EQ(changed, (std::vector<std::string>{"Copy", "Level"}));
}

TEST_F(RulesPass, HandlersRunAtMostSoOftenPerPass) {
  // Every rule changes a value each time, so every pass would start a nested pass per rule.
  for (int i = 0; i < 8; ++i) {
    form->rules.push_back("IF (Level.Position = 0)  THEN  Level.Position := 1;");
    form->rules.push_back("IF (Level.Position = 1)  THEN  Level.Position := 0;");
  }
  int handlerRuns = 0;
  std::function<void(Control&)> handler = [&](Control&) {
    ++handlerRuns;
    applyRules(*form, handler);
  };
  applyRules(*form, handler);
  EXPECT_EQ(handlerRuns, kMaxRuleHandlerRuns);
  // The next outermost pass has its own allowance.
  handlerRuns = 0;
  applyRules(*form, handler);
  EXPECT_EQ(handlerRuns, kMaxRuleHandlerRuns);
}

TEST_F(RulesPass, NestedPassesStopAtTheirDepthLimit) {
  // Two rules that keep changing each other's values through the value-writing handler.
  form->rules = {"IF (Level.Position = 0)  THEN  Level.Position := 1;",
                 "IF (Level.Position = 1)  THEN  Level.Position := 0;"};
  int handlerRuns = 0;
  int deepest = 0;
  std::function<void(Control&)> handler = [&](Control&) {
    ++handlerRuns;
    deepest = std::max(deepest, form->rulesDepth);
    applyRules(*form, handler);
  };
  applyRules(*form, handler);
  EXPECT_EQ(deepest, kMaxRulesNesting);
  EXPECT_EQ(form->rulesDepth, 0);
  EXPECT_GE(handlerRuns, kMaxRulesNesting);
  EXPECT_LT(handlerRuns, 1 << 20);
}

}  // namespace
}  // namespace kx

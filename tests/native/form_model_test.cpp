// The dialog form model: control kinds, property text forms, loading from definitions.
#include <gtest/gtest.h>

#include "dialogs/forms/definition_text.h"
#include "dialogs/forms/form_model.h"
#include "tests/fixture_files.h"

namespace kx {
namespace {

std::unique_ptr<DialogForm> formFromText(const std::string& text) {
  return DialogForm::fromDefinition(dfm::objectFromText(text));
}

TEST(ControlKinds, TheTableHoldsEveryKind) {
  const std::vector<std::string> expected = {
      "TLabel",         "TEdit",           "TMemo",        "TButton",
      "TRzCheckBox",    "TRzRadioButton",  "TListBox",     "TComboBox",
      "TGroupBox",      "TPanel",          "TBitBtn",      "TSpeedButton",
      "TMaskEdit",      "TImage",          "TShape",       "TBevel",
      "TStaticText",    "TGauge",          "TRichEdit",    "TTrackBar",
      "TProgressBar",   "TUpDown",         "TAnimate",     "TCheckListBox",
      "TTreeView",      "THTMLViewer",     "TFileListBox", "TDirectoryListBox",
      "TDriveComboBox", "TFilterComboBox", "TPTShellTree", "TPTShellList",
      "TPTShellCombo",  "TFlashFrame"};
  ASSERT_EQ(controlKinds().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(controlKinds()[i].className, expected[i]);
    const ControlKind& kind = controlKindOf(expected[i]);
    EXPECT_FALSE(kind.isFallback);
    // Every kind has the properties the engine relies on.
    for (const char* property : {"Tag", "Hint", "Left", "Top", "Width", "Height"}) {
      EXPECT_NE(PropertyHolder(kind).findProperty(property), nullptr) << expected[i] << property;
    }
  }
  EXPECT_EQ(&controlKindOf("tbutton"), &controlKindOf("TButton"));
  EXPECT_TRUE(controlKindOf("TSomethingElse").isFallback);
}

TEST(ControlKinds, FlashFramePublishesItsSwitchesInOrder) {
  const PropertyHolder frame(controlKindOf("TFlashFrame"));
  const std::vector<std::pair<std::string, std::string>> expected = {{"AutoSize", "False"},
                                                                     {"AutoRegisterFlash", "True"},
                                                                     {"AutoScale", "True"},
                                                                     {"Loop", "False"}};
  std::vector<std::pair<std::string, std::string>> actual;
  for (const PropertyDef* def : frame.kind().properties) {
    if (def->name.starts_with("Auto") || def->name == "Loop") {
      actual.emplace_back(def->name, *frame.propertyText(def->name));
    }
  }
  EXPECT_EQ(actual, expected);
}

// A valid text for a property that differs from its default.
std::string otherText(const PropertyDef& def) {
  switch (def.type) {
    case PropertyType::Boolean:
      return def.defaultText == "True" ? "False" : "True";
    case PropertyType::Integer:
      return "42";
    case PropertyType::Text:
      return "some text";
    case PropertyType::Reference:
      return "Other";
    case PropertyType::Lines:
      return "one\r\ntwo\r\n";
    case PropertyType::Enumeration:
      return std::string(def.names[0] == def.defaultText ? def.names[1] : def.names[0]);
    case PropertyType::Set:
      return "[" + std::string(def.names.front()) + "]";
    case PropertyType::Symbolic:
      return "12345";
    case PropertyType::Data:
      return "0A0B0C";
    case PropertyType::Event:
      return "Button1Click";
  }
  return {};
}

// A text the property refuses, or empty when it takes every text.
std::string refusedText(const PropertyDef& def) {
  switch (def.type) {
    case PropertyType::Boolean:
      return "Yes";
    case PropertyType::Integer:
      return "12abc";
    case PropertyType::Enumeration:
      return "xxNothing";
    case PropertyType::Set:
      return "[xxNothing]";
    case PropertyType::Symbolic:
      return "clNothing";
    case PropertyType::Data:
      return "0G";
    default:
      return {};
  }
}

TEST(ControlKinds, EveryPublishedPropertyRoundTripsThroughItsText) {
  std::vector<const ControlKind*> kinds = {&hostKind(), &controlKindOf("TUnknown")};
  for (const ControlKind& kind : controlKinds()) kinds.push_back(&kind);
  for (const ControlKind* kind : kinds) {
    PropertyHolder holder(*kind);
    for (const PropertyDef* def : kind->properties) {
      SCOPED_TRACE(std::string(kind->className) + "." + std::string(def->name));
      const std::string initial = *holder.propertyText(def->name);
      EXPECT_EQ(initial, def->defaultText);
      EXPECT_FALSE(holder.setPropertyText(def->name, initial));
      const std::string other = otherText(*def);
      EXPECT_TRUE(holder.setPropertyText(def->name, other));
      const std::string read = *holder.propertyText(def->name);
      EXPECT_EQ(read, other);
      EXPECT_FALSE(holder.setPropertyText(def->name, read));
      if (const std::string bad = refusedText(*def); !bad.empty()) {
        EXPECT_THROW(holder.setPropertyText(def->name, bad), PropertyError);
        EXPECT_EQ(*holder.propertyText(def->name), read);
      }
    }
  }
}

TEST(ControlKinds, TextFormsAreCanonical) {
  PropertyHolder edit(controlKindOf("TEdit"));
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"Enabled", "false", "False"},
      {"Tag", " $10", "16"},
      {"Tag", "-7", "-7"},
      {"Align", "ALCLIENT", "alClient"},
      {"Anchors", "[akBottom, akLeft]", "[akLeft,akBottom]"},
      {"Anchors", "[]", "[]"},
      {"Font.Style", "fsItalic,fsBold", "[fsBold,fsItalic]"},
      {"Color", "clred", "clRed"},
      {"Color", "$000000FF", "255"},
      {"Cursor", "crHandPoint", "crHandPoint"},
      {"Text", " keeps  blanks ", " keeps  blanks "},
      {"OnChange", "edit1change", "Edit1Change"},
      {"OnChange", "", ""},
  };
  for (const auto& [property, text, expected] : cases) {
    edit.setPropertyText(property, text);
    EXPECT_EQ(edit.propertyText(property), expected) << property << " = " << text;
  }
  EXPECT_THROW(edit.setPropertyText("OnChange", "Button7Click"), PropertyError);
  EXPECT_THROW(edit.setPropertyText("Tag", "4294967296"), PropertyError);
  EXPECT_THROW(edit.setPropertyText("NoSuchThing", "1"), PropertyError);
  EXPECT_EQ(edit.propertyText("NoSuchThing"), std::nullopt);

  PropertyHolder list(controlKindOf("TListBox"));
  list.setPropertyText("Items", "a\nb\r\nc");
  EXPECT_EQ(list.text("Items"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(list.lines("Items"), (Lines{"a", "b", "c"}));
  list.setPropertyText("Items", "\r\n");
  EXPECT_EQ(list.lines("Items"), (Lines{""}));
}

TEST(DialogForm, LoadsADefinition) {
  const auto form = formFromText(test::fixtureFile("dialogs/welcome.txt"));
  EXPECT_EQ(form->skipped.size(), 0u)
      << form->skipped[0].component << "." << form->skipped[0].property << ": "
      << form->skipped[0].reason;
  EXPECT_EQ(form->name, "Welcome");
  EXPECT_EQ(form->host.text("Caption"), "Welcome to $TITLE$");
  EXPECT_EQ(form->host.integer("ClientWidth"), 500);
  EXPECT_EQ(form->host.text("Position"), "poScreenCenter");
  EXPECT_EQ(form->host.text("Font.Name"), "Tahoma");
  std::vector<std::string> names;
  for (const Control& control : form->controls()) names.push_back(control.name());
  EXPECT_EQ(names, (std::vector<std::string>{"Banner", "Title", "Folder", "Agree", "Kind",
                                             "Buttons", "Next"}));
  const Control& folder = *form->findControl("FOLDER");
  EXPECT_EQ(folder.tag(), 2);
  EXPECT_EQ(folder.hint(), "TARGETDIR");
  EXPECT_EQ(folder.maxLength(), 200);
  EXPECT_EQ(folder.tabOrder(), 0);
  EXPECT_EQ(form->findControl("Agree")->tabOrder(), 1);
  EXPECT_FALSE(form->findControl("Agree")->checked());
  EXPECT_EQ(form->findControl("Kind")->lines("Items"), (Lines{"Typical", "Custom"}));
  EXPECT_EQ(form->findControl("Kind")->itemIndex(), -1);
  EXPECT_EQ(form->findControl("Title")->text("Font.Style"), "[fsBold]");
  EXPECT_EQ(form->findControl("Title")->visibleText(), "Welcome");
  EXPECT_EQ(form->findControl("Banner")->text("Picture"), "0A54504E47496D61676589504E470D0A1A0A");
  const Control& next = *form->findControl("Next");
  EXPECT_EQ(form->controls()[static_cast<size_t>(next.parent())].name(), "Buttons");
  EXPECT_FALSE(next.boolean("Enabled"));
  EXPECT_EQ(next.text("OnClick"), "Button1Click");
  EXPECT_TRUE(form->findControl("Agree")->isKind("TRzCheckBox"));
  EXPECT_EQ(form->findControl("Welcome"), nullptr);  // the form is not one of its controls
}

TEST(DialogForm, RenamesDuplicateComponents) {
  const auto form = formFromText(
      "object F: TForm\n"
      "  object A: TButton\n  end\n"
      "  object a: TButton\n  end\n"      // taken: Button2
      "  object Button2: TEdit\n  end\n"  // taken now: Edit2
      "  object P: TPanel\n"
      "    object A: TBitBtn\n    end\n"  // children share the form's names: BitBtn2
      "  end\n"
      "  object A: TButton\n  end\n"  // Button2 is taken: Button3
      "  object F: TLabel\n  end\n"   // the form's own name is no control's
      "  object TLabel\n  end\n"      // unnamed components are never renamed
      "  object TLabel\n  end\n"
      "end\n");
  std::vector<std::string> names;
  for (const Control& control : form->controls()) names.push_back(control.name());
  EXPECT_EQ(names, (std::vector<std::string>{"A", "Button2", "Edit2", "P", "BitBtn2", "Button3",
                                             "F", "", ""}));
}

TEST(DialogForm, RenamesMassesOfDuplicatesQuickly) {
  dfm::ObjectRecord root{0, 0, "TForm", "F", {}, {}};
  constexpr size_t kCount = 20000;
  for (size_t i = 0; i < kCount; ++i) root.children.push_back({0, 0, "TButton", "A", {}, {}});
  const auto form = DialogForm::fromDefinition(root);
  EXPECT_EQ(form->controls().back().name(), "Button" + std::to_string(kCount));
  EXPECT_EQ(&form->controls()[7], form->findControl("button8"));
}

TEST(DialogForm, SkipsABadPropertyAndGoesOn) {
  const auto form = formFromText(
      "object F: TForm\n"
      "  Caption = 'Setup'\n"
      "  Colour = clRed\n"
      "  object Name: TEdit\n"
      "    Width = 'wide'\n"
      "    Align = alSideways\n"
      "    OnChange = SomeoneElsesHandler\n"
      "    Font.Name = 'Arial'\n"
      "    Items.Strings = ('x')\n"
      "    Text = 'John'\n"
      "  end\n"
      "  object Mystery: TThirdPartyWidget\n"
      "    Caption = 'odd'\n"
      "    Sparkle = True\n"
      "    object Inside: TLabel\n"
      "      Caption = 'in'\n"
      "    end\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form->host.text("Caption"), "Setup");
  const Control& edit = *form->findControl("Name");
  EXPECT_EQ(edit.integer("Width"), 0);
  EXPECT_EQ(edit.text("Align"), "alNone");
  EXPECT_EQ(edit.text("OnChange"), "");
  EXPECT_EQ(edit.text("Font.Name"), "Arial");
  EXPECT_EQ(edit.text("Text"), "John");
  std::vector<std::string> skipped;
  for (const SkippedProperty& s : form->skipped) skipped.push_back(s.component + "." + s.property);
  EXPECT_EQ(skipped,
            (std::vector<std::string>{"F.Colour", "Name.Width", "Name.Align", "Name.OnChange",
                                      "Name.Items.Strings", "Mystery.Sparkle"}));
  // A class outside the table still loads, with the properties every control has.
  const Control& mystery = *form->findControl("Mystery");
  EXPECT_TRUE(mystery.kind().isFallback);
  EXPECT_EQ(mystery.className(), "TThirdPartyWidget");
  EXPECT_EQ(mystery.text("Caption"), "odd");
  EXPECT_EQ(form->findControl("Inside")->visibleText(), "in");
}

TEST(DialogForm, GetsAndSetsPropertyTextByName) {
  const auto form = formFromText(test::fixtureFile("dialogs/welcome.txt"));
  EXPECT_EQ(form->propertyText("agree", "CHECKED"), "False");
  EXPECT_TRUE(form->setPropertyText("Agree", "Checked", "true"));
  EXPECT_EQ(form->propertyText("Agree", "Checked"), "True");
  EXPECT_FALSE(form->setPropertyText("Agree", "Checked", "True"));
  EXPECT_EQ(form->propertyText("Nobody", "Caption"), "");
  EXPECT_EQ(form->propertyText("Agree", "Nothing"), "");
  EXPECT_EQ(form->propertyText("Welcome", "Caption"), "");
  EXPECT_FALSE(form->setPropertyText("Nobody", "Caption", "x"));
  EXPECT_FALSE(form->setPropertyText("Agree", "Nothing", "x"));
  EXPECT_THROW(form->setPropertyText("Folder", "MaxLength", "lots"), PropertyError);
  EXPECT_EQ(form->propertyText("Folder", "Name"), "Folder");
  EXPECT_THROW(form->setPropertyText("Folder", "Name", "next"), PropertyError);
  EXPECT_TRUE(form->setPropertyText("Folder", "Name", "Target"));
  EXPECT_NE(form->findControl("Target"), nullptr);
}

}  // namespace
}  // namespace kx

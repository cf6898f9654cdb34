// The control kinds of dialog definitions and their published properties. A kind is made of
// property groups that several kinds share plus the properties of its own.
#include <initializer_list>

#include "base/values.h"
#include "dialogs/forms/form_model.h"

namespace kx {
namespace {

using T = PropertyType;

constexpr std::string_view kAlign[] = {"alNone", "alTop",   "alBottom",
                                       "alLeft", "alRight", "alClient"};
constexpr std::string_view kAnchors[] = {"akLeft", "akTop", "akRight", "akBottom"};
constexpr std::string_view kAlignment[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constexpr std::string_view kTextLayout[] = {"tlTop", "tlCenter", "tlBottom"};
constexpr std::string_view kLeftRight[] = {"taLeftJustify", "taRightJustify"};
constexpr std::string_view kFontStyle[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
constexpr std::string_view kFontPitch[] = {"fpDefault", "fpVariable", "fpFixed"};
constexpr std::string_view kBiDiMode[] = {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                                          "bdRightToLeftReadingOnly"};
constexpr std::string_view kDragKind[] = {"dkDrag", "dkDock"};
constexpr std::string_view kDragMode[] = {"dmManual", "dmAutomatic"};
constexpr std::string_view kHelpType[] = {"htKeyword", "htContext"};
constexpr std::string_view kBorderStyle[] = {"bsNone", "bsSingle"};
constexpr std::string_view kFormBorderStyle[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                                 "bsDialog", "bsToolWindow", "bsSizeToolWin"};
constexpr std::string_view kBorderIcons[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
constexpr std::string_view kPosition[] = {
    "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
constexpr std::string_view kFormStyle[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
constexpr std::string_view kWindowState[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constexpr std::string_view kCharCase[] = {"ecNormal", "ecUpperCase", "ecLowerCase"};
constexpr std::string_view kScrollBars[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
constexpr std::string_view kListStyle[] = {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable",
                                           "lbVirtual", "lbVirtualOwnerDraw"};
constexpr std::string_view kComboStyle[] = {"csDropDown", "csSimple", "csDropDownList",
                                            "csOwnerDrawFixed", "csOwnerDrawVariable"};
constexpr std::string_view kCheckState[] = {"cbUnchecked", "cbChecked", "cbGrayed"};
constexpr std::string_view kBevelCut[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
constexpr std::string_view kBitBtnKind[] = {"bkCustom", "bkOK",     "bkCancel", "bkHelp",
                                            "bkYes",    "bkNo",     "bkClose",  "bkAbort",
                                            "bkRetry",  "bkIgnore", "bkAll"};
constexpr std::string_view kButtonLayout[] = {"blGlyphLeft", "blGlyphRight", "blGlyphTop",
                                              "blGlyphBottom"};
constexpr std::string_view kButtonStyle[] = {"bsAutoDetect", "bsWin31", "bsNew"};
constexpr std::string_view kShapeType[] = {"stRectangle",   "stSquare",  "stRoundRect",
                                           "stRoundSquare", "stEllipse", "stCircle"};
constexpr std::string_view kBrushStyle[] = {"bsSolid",    "bsClear",     "bsHorizontal",
                                            "bsVertical", "bsFDiagonal", "bsBDiagonal",
                                            "bsCross",    "bsDiagCross"};
constexpr std::string_view kPenStyle[] = {"psSolid",      "psDash",  "psDot",        "psDashDot",
                                          "psDashDotDot", "psClear", "psInsideFrame"};
constexpr std::string_view kPenMode[] = {
    "pmBlack",       "pmWhite",      "pmNop",         "pmNot",        "pmCopy",  "pmNotCopy",
    "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge",
    "pmMask",        "pmNotMask",    "pmXor",         "pmNotXor"};
constexpr std::string_view kBevelShape[] = {
    "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"};
constexpr std::string_view kBevelStyle[] = {"bsLowered", "bsRaised"};
constexpr std::string_view kStaticBorder[] = {"sbsNone", "sbsSingle", "sbsSunken"};
constexpr std::string_view kGaugeKind[] = {"gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie",
                                           "gkNeedle"};
constexpr std::string_view kTrackOrientation[] = {"trHorizontal", "trVertical"};
constexpr std::string_view kTickMarks[] = {"tmBottomRight", "tmTopLeft", "tmBoth"};
constexpr std::string_view kTickStyle[] = {"tsNone", "tsAuto", "tsManual"};
constexpr std::string_view kProgressOrientation[] = {"pbHorizontal", "pbVertical"};
constexpr std::string_view kUpDownAlign[] = {"udLeft", "udRight"};
constexpr std::string_view kUpDownOrientation[] = {"udHorizontal", "udVertical"};
constexpr std::string_view kCommonAvi[] = {"aviNone",         "aviFindFolder",   "aviFindFile",
                                           "aviFindComputer", "aviCopyFiles",    "aviCopyFile",
                                           "aviRecycleFile",  "aviEmptyRecycle", "aviDeleteFile"};
constexpr std::string_view kSortType[] = {"stNone", "stData", "stText", "stBoth"};
constexpr std::string_view kFileType[] = {"ftReadOnly",  "ftHidden",  "ftSystem", "ftVolumeID",
                                          "ftDirectory", "ftArchive", "ftNormal"};
constexpr std::string_view kTextCase[] = {"tcLowerCase", "tcUpperCase"};
constexpr std::string_view kColors[] = {"clBlack",
                                        "clMaroon",
                                        "clGreen",
                                        "clOlive",
                                        "clNavy",
                                        "clPurple",
                                        "clTeal",
                                        "clGray",
                                        "clSilver",
                                        "clRed",
                                        "clLime",
                                        "clYellow",
                                        "clBlue",
                                        "clFuchsia",
                                        "clAqua",
                                        "clWhite",
                                        "clLtGray",
                                        "clDkGray",
                                        "clMoneyGreen",
                                        "clSkyBlue",
                                        "clCream",
                                        "clMedGray",
                                        "clScrollBar",
                                        "clBackground",
                                        "clActiveCaption",
                                        "clInactiveCaption",
                                        "clMenu",
                                        "clWindow",
                                        "clWindowFrame",
                                        "clMenuText",
                                        "clWindowText",
                                        "clCaptionText",
                                        "clActiveBorder",
                                        "clInactiveBorder",
                                        "clAppWorkSpace",
                                        "clHighlight",
                                        "clHighlightText",
                                        "clBtnFace",
                                        "clBtnShadow",
                                        "clGrayText",
                                        "clBtnText",
                                        "clInactiveCaptionText",
                                        "clBtnHighlight",
                                        "cl3DDkShadow",
                                        "cl3DLight",
                                        "clInfoText",
                                        "clInfoBk",
                                        "clHotLight",
                                        "clGradientActiveCaption",
                                        "clGradientInactiveCaption",
                                        "clMenuHighlight",
                                        "clMenuBar",
                                        "clNone",
                                        "clDefault"};
constexpr std::string_view kCursors[] = {
    "crDefault",  "crNone",     "crArrow",    "crCross",     "crIBeam",     "crSize",
    "crSizeNESW", "crSizeNS",   "crSizeNWSE", "crSizeWE",    "crUpArrow",   "crHourGlass",
    "crDrag",     "crNoDrop",   "crHSplit",   "crVSplit",    "crMultiDrag", "crSQLWait",
    "crNo",       "crAppStart", "crHelp",     "crHandPoint", "crSizeAll"};
constexpr std::string_view kCharsets[] = {
    "ANSI_CHARSET",        "DEFAULT_CHARSET", "SYMBOL_CHARSET",    "MAC_CHARSET",
    "SHIFTJIS_CHARSET",    "HANGEUL_CHARSET", "JOHAB_CHARSET",     "GB2312_CHARSET",
    "CHINESEBIG5_CHARSET", "GREEK_CHARSET",   "TURKISH_CHARSET",   "HEBREW_CHARSET",
    "ARABIC_CHARSET",      "BALTIC_CHARSET",  "RUSSIAN_CHARSET",   "THAI_CHARSET",
    "EASTEUROPE_CHARSET",  "OEM_CHARSET",     "VIETNAMESE_CHARSET"};

// Every visual component.
constexpr PropertyDef kControlGroup[] = {
    {"Tag", T::Integer, "0"},
    {"Left", T::Integer, "0"},
    {"Top", T::Integer, "0"},
    {"Width", T::Integer, "0"},
    {"Height", T::Integer, "0"},
    {"Hint", T::Text, ""},
    {"Visible", T::Boolean, "True"},
    {"Enabled", T::Boolean, "True"},
    {"ShowHint", T::Boolean, "False"},
    {"ParentShowHint", T::Boolean, "True"},
    {"Cursor", T::Symbolic, "crDefault", kCursors},
    {"Align", T::Enumeration, "alNone", kAlign},
    {"Anchors", T::Set, "[akLeft,akTop]", kAnchors},
    {"BiDiMode", T::Enumeration, "bdLeftToRight", kBiDiMode},
    {"ParentBiDiMode", T::Boolean, "True"},
    {"Constraints.MaxHeight", T::Integer, "0"},
    {"Constraints.MaxWidth", T::Integer, "0"},
    {"Constraints.MinHeight", T::Integer, "0"},
    {"Constraints.MinWidth", T::Integer, "0"},
    {"DragCursor", T::Symbolic, "crDrag", kCursors},
    {"DragKind", T::Enumeration, "dkDrag", kDragKind},
    {"DragMode", T::Enumeration, "dmManual", kDragMode},
    {"HelpContext", T::Integer, "0"},
    {"HelpKeyword", T::Text, ""},
    {"HelpType", T::Enumeration, "htContext", kHelpType},
    {"PopupMenu", T::Reference, ""},
    {"AlignWithMargins", T::Boolean, "False"},
    {"Margins.Left", T::Integer, "3"},
    {"Margins.Top", T::Integer, "3"},
    {"Margins.Right", T::Integer, "3"},
    {"Margins.Bottom", T::Integer, "3"},
    // Where the designer last placed the control; kept for the designer only.
    {"ExplicitLeft", T::Integer, "0"},
    {"ExplicitTop", T::Integer, "0"},
    {"ExplicitWidth", T::Integer, "0"},
    {"ExplicitHeight", T::Integer, "0"},
};

constexpr PropertyDef kFontGroup[] = {
    {"Color", T::Symbolic, "clBtnFace", kColors},
    {"ParentColor", T::Boolean, "True"},
    {"ParentFont", T::Boolean, "True"},
    {"Font.Charset", T::Symbolic, "DEFAULT_CHARSET", kCharsets},
    {"Font.Color", T::Symbolic, "clWindowText", kColors},
    {"Font.Height", T::Integer, "-11"},
    {"Font.Name", T::Text, "MS Sans Serif"},
    {"Font.Pitch", T::Enumeration, "fpDefault", kFontPitch},
    {"Font.Size", T::Integer, "8"},
    {"Font.Style", T::Set, "[]", kFontStyle},
};

// Controls with a window of their own.
constexpr PropertyDef kWindowedGroup[] = {
    {"TabOrder", T::Integer, "-1"},
    {"TabStop", T::Boolean, "False"},
    {"Ctl3D", T::Boolean, "True"},
    {"ParentCtl3D", T::Boolean, "True"},
    {"ImeName", T::Text, ""},
    {"DoubleBuffered", T::Boolean, "False"},
    {"ParentDoubleBuffered", T::Boolean, "True"},
};

constexpr PropertyDef kCaptionGroup[] = {{"Caption", T::Text, ""}};

constexpr PropertyDef kLabelGroup[] = {
    {"Alignment", T::Enumeration, "taLeftJustify", kAlignment},
    {"AutoSize", T::Boolean, "True"},
    {"FocusControl", T::Reference, ""},
    {"Layout", T::Enumeration, "tlTop", kTextLayout},
    {"ShowAccelChar", T::Boolean, "True"},
    {"Transparent", T::Boolean, "False"},
    {"WordWrap", T::Boolean, "False"},
};

constexpr PropertyDef kEditGroup[] = {
    {"Text", T::Text, ""},
    {"MaxLength", T::Integer, "0"},
    {"ReadOnly", T::Boolean, "False"},
    {"AutoSelect", T::Boolean, "True"},
    {"AutoSize", T::Boolean, "True"},
    {"BorderStyle", T::Enumeration, "bsSingle", kBorderStyle},
    {"CharCase", T::Enumeration, "ecNormal", kCharCase},
    {"HideSelection", T::Boolean, "True"},
    {"OEMConvert", T::Boolean, "False"},
    {"PasswordChar", T::Text, ""},
};

constexpr PropertyDef kMaskGroup[] = {{"EditMask", T::Text, ""}};

constexpr PropertyDef kMemoGroup[] = {
    {"Lines", T::Lines, "", {}, "Lines.Strings"},
    {"Alignment", T::Enumeration, "taLeftJustify", kAlignment},
    {"BorderStyle", T::Enumeration, "bsSingle", kBorderStyle},
    {"HideSelection", T::Boolean, "True"},
    {"MaxLength", T::Integer, "0"},
    {"ReadOnly", T::Boolean, "False"},
    {"ScrollBars", T::Enumeration, "ssNone", kScrollBars},
    {"WantReturns", T::Boolean, "True"},
    {"WantTabs", T::Boolean, "False"},
    {"WordWrap", T::Boolean, "True"},
};

constexpr PropertyDef kRichEditGroup[] = {
    {"PlainText", T::Boolean, "False"},
    {"HideScrollBars", T::Boolean, "True"},
};

constexpr PropertyDef kButtonGroup[] = {
    {"Cancel", T::Boolean, "False"},
    {"Default", T::Boolean, "False"},
    {"ModalResult", T::Integer, "0"},
};

constexpr PropertyDef kGlyphGroup[] = {
    {"Glyph", T::Data, "", {}, "Glyph.Data"},
    {"Layout", T::Enumeration, "blGlyphLeft", kButtonLayout},
    {"Margin", T::Integer, "-1"},
    {"NumGlyphs", T::Integer, "1"},
    {"Spacing", T::Integer, "4"},
};

constexpr PropertyDef kBitBtnGroup[] = {
    {"Kind", T::Enumeration, "bkCustom", kBitBtnKind},
    {"Style", T::Enumeration, "bsAutoDetect", kButtonStyle},
};

constexpr PropertyDef kSpeedButtonGroup[] = {
    {"AllowAllUp", T::Boolean, "False"}, {"Down", T::Boolean, "False"},
    {"Flat", T::Boolean, "False"},       {"GroupIndex", T::Integer, "0"},
    {"Transparent", T::Boolean, "True"},
};

constexpr PropertyDef kCheckGroup[] = {
    {"Checked", T::Boolean, "False"},
    {"Alignment", T::Enumeration, "taRightJustify", kLeftRight},
    {"WordWrap", T::Boolean, "False"},
};

// The look of the check and radio controls with the "Rz" prefix.
constexpr PropertyDef kRzGroup[] = {
    {"FrameColor", T::Symbolic, "clBtnShadow", kColors},
    {"HighlightColor", T::Symbolic, "clHighlight", kColors},
    {"HotTrack", T::Boolean, "False"},
    {"Transparent", T::Boolean, "False"},
};

constexpr PropertyDef kCheckBoxGroup[] = {
    {"AllowGrayed", T::Boolean, "False"},
    {"State", T::Enumeration, "cbUnchecked", kCheckState},
};

constexpr PropertyDef kListGroup[] = {
    {"Items", T::Lines, "", {}, "Items.Strings"},
    {"ItemIndex", T::Integer, "-1"},
    {"ItemHeight", T::Integer, "16"},
    {"Sorted", T::Boolean, "False"},
};

constexpr PropertyDef kListBoxGroup[] = {
    {"BorderStyle", T::Enumeration, "bsSingle", kBorderStyle},
    {"Columns", T::Integer, "0"},
    {"ExtendedSelect", T::Boolean, "True"},
    {"IntegralHeight", T::Boolean, "False"},
    {"MultiSelect", T::Boolean, "False"},
    {"Style", T::Enumeration, "lbStandard", kListStyle},
};

constexpr PropertyDef kComboGroup[] = {
    {"Text", T::Text, ""},
    {"CharCase", T::Enumeration, "ecNormal", kCharCase},
    {"DropDownCount", T::Integer, "8"},
    {"MaxLength", T::Integer, "0"},
    {"Style", T::Enumeration, "csDropDown", kComboStyle},
};

constexpr PropertyDef kPanelGroup[] = {
    {"Alignment", T::Enumeration, "taCenter", kAlignment},
    {"BevelInner", T::Enumeration, "bvNone", kBevelCut},
    {"BevelOuter", T::Enumeration, "bvRaised", kBevelCut},
    {"BevelWidth", T::Integer, "1"},
    {"BorderStyle", T::Enumeration, "bsNone", kBorderStyle},
    {"BorderWidth", T::Integer, "0"},
    {"FullRepaint", T::Boolean, "True"},
    {"Locked", T::Boolean, "False"},
};

constexpr PropertyDef kImageGroup[] = {
    {"Picture", T::Data, "", {}, "Picture.Data"},
    {"AutoSize", T::Boolean, "False"},
    {"Center", T::Boolean, "False"},
    {"IncrementalDisplay", T::Boolean, "False"},
    {"Proportional", T::Boolean, "False"},
    {"Stretch", T::Boolean, "False"},
    {"Transparent", T::Boolean, "False"},
};

constexpr PropertyDef kShapeGroup[] = {
    {"Shape", T::Enumeration, "stRectangle", kShapeType},
    {"Brush.Color", T::Symbolic, "clWhite", kColors},
    {"Brush.Style", T::Enumeration, "bsSolid", kBrushStyle},
    {"Pen.Color", T::Symbolic, "clBlack", kColors},
    {"Pen.Mode", T::Enumeration, "pmCopy", kPenMode},
    {"Pen.Style", T::Enumeration, "psSolid", kPenStyle},
    {"Pen.Width", T::Integer, "1"},
};

constexpr PropertyDef kBevelGroup[] = {
    {"Shape", T::Enumeration, "bsBox", kBevelShape},
    {"Style", T::Enumeration, "bsLowered", kBevelStyle},
};

constexpr PropertyDef kStaticTextGroup[] = {
    {"Alignment", T::Enumeration, "taLeftJustify", kAlignment},
    {"AutoSize", T::Boolean, "True"},
    {"BorderStyle", T::Enumeration, "sbsNone", kStaticBorder},
    {"FocusControl", T::Reference, ""},
    {"ShowAccelChar", T::Boolean, "True"},
    {"Transparent", T::Boolean, "True"},
};

constexpr PropertyDef kGaugeGroup[] = {
    {"Progress", T::Integer, "0"},
    {"MinValue", T::Integer, "0"},
    {"MaxValue", T::Integer, "100"},
    {"Kind", T::Enumeration, "gkHorizontalBar", kGaugeKind},
    {"ForeColor", T::Symbolic, "clBlack", kColors},
    {"BackColor", T::Symbolic, "clWhite", kColors},
    {"BorderStyle", T::Enumeration, "bsSingle", kBorderStyle},
    {"ShowText", T::Boolean, "True"},
};

constexpr PropertyDef kTrackBarGroup[] = {
    {"Position", T::Integer, "0"},
    {"Min", T::Integer, "0"},
    {"Max", T::Integer, "10"},
    {"Frequency", T::Integer, "1"},
    {"LineSize", T::Integer, "1"},
    {"Orientation", T::Enumeration, "trHorizontal", kTrackOrientation},
    {"PageSize", T::Integer, "2"},
    {"SelEnd", T::Integer, "0"},
    {"SelStart", T::Integer, "0"},
    {"SliderVisible", T::Boolean, "True"},
    {"ThumbLength", T::Integer, "20"},
    {"TickMarks", T::Enumeration, "tmBottomRight", kTickMarks},
    {"TickStyle", T::Enumeration, "tsAuto", kTickStyle},
};

constexpr PropertyDef kProgressBarGroup[] = {
    {"Position", T::Integer, "0"},
    {"Min", T::Integer, "0"},
    {"Max", T::Integer, "100"},
    {"Orientation", T::Enumeration, "pbHorizontal", kProgressOrientation},
    {"Smooth", T::Boolean, "False"},
    {"Step", T::Integer, "10"},
};

constexpr PropertyDef kUpDownGroup[] = {
    {"Position", T::Integer, "0"},
    {"Min", T::Integer, "0"},
    {"Max", T::Integer, "100"},
    {"Increment", T::Integer, "1"},
    {"Associate", T::Reference, ""},
    {"AlignButton", T::Enumeration, "udRight", kUpDownAlign},
    {"ArrowKeys", T::Boolean, "True"},
    {"Orientation", T::Enumeration, "udVertical", kUpDownOrientation},
    {"Thousands", T::Boolean, "True"},
    {"Wrap", T::Boolean, "False"},
};

constexpr PropertyDef kAnimateGroup[] = {
    {"Active", T::Boolean, "False"}, {"AutoSize", T::Boolean, "True"},
    {"Center", T::Boolean, "True"},  {"CommonAVI", T::Enumeration, "aviNone", kCommonAvi},
    {"FileName", T::Text, ""},       {"Repetitions", T::Integer, "0"},
    {"StartFrame", T::Integer, "1"}, {"StopFrame", T::Integer, "0"},
    {"Timers", T::Boolean, "False"}, {"Transparent", T::Boolean, "True"},
};

constexpr PropertyDef kCheckListGroup[] = {
    {"AllowGrayed", T::Boolean, "False"},
    {"Flat", T::Boolean, "True"},
};

constexpr PropertyDef kTreeViewGroup[] = {
    {"Items", T::Data, "", {}, "Items.Data"},
    {"AutoExpand", T::Boolean, "False"},
    {"BorderStyle", T::Enumeration, "bsSingle", kBorderStyle},
    {"HideSelection", T::Boolean, "True"},
    {"HotTrack", T::Boolean, "False"},
    {"Images", T::Reference, ""},
    {"Indent", T::Integer, "19"},
    {"ReadOnly", T::Boolean, "False"},
    {"RowSelect", T::Boolean, "False"},
    {"ShowButtons", T::Boolean, "True"},
    {"ShowLines", T::Boolean, "True"},
    {"ShowRoot", T::Boolean, "True"},
    {"SortType", T::Enumeration, "stNone", kSortType},
    {"StateImages", T::Reference, ""},
    {"ToolTips", T::Boolean, "True"},
};

constexpr PropertyDef kHtmlViewerGroup[] = {
    {"BorderStyle", T::Text, "htFocused"},
    {"DefBackground", T::Symbolic, "clBtnFace", kColors},
    {"DefFontColor", T::Symbolic, "clBtnText", kColors},
    {"DefFontName", T::Text, "Times New Roman"},
    {"DefFontSize", T::Integer, "12"},
    {"DefHotSpotColor", T::Symbolic, "clBlue", kColors},
    {"HistoryMaxCount", T::Integer, "0"},
    {"MarginHeight", T::Integer, "5"},
    {"MarginWidth", T::Integer, "10"},
    {"ScrollBars", T::Enumeration, "ssBoth", kScrollBars},
    {"ViewImages", T::Boolean, "True"},
};

constexpr PropertyDef kFileListGroup[] = {
    {"FileEdit", T::Reference, ""},
    {"FileType", T::Set, "[ftNormal]", kFileType},
    {"IntegralHeight", T::Boolean, "False"},
    {"ItemHeight", T::Integer, "16"},
    {"Mask", T::Text, "*.*"},
    {"MultiSelect", T::Boolean, "False"},
    {"ShowGlyphs", T::Boolean, "False"},
};

constexpr PropertyDef kDirectoryListGroup[] = {
    {"DirLabel", T::Reference, ""},
    {"FileList", T::Reference, ""},
    {"IntegralHeight", T::Boolean, "False"},
    {"ItemHeight", T::Integer, "16"},
};

constexpr PropertyDef kDriveComboGroup[] = {
    {"DirList", T::Reference, ""},
    {"TextCase", T::Enumeration, "tcLowerCase", kTextCase},
};

// What the file, folder, drive and shell controls show. Set at run time; empty shows the
// process's current folder (or its drive).
constexpr PropertyDef kDirectoryGroup[] = {{"Directory", T::Text, ""}};
constexpr PropertyDef kDriveGroup[] = {{"Drive", T::Text, ""}};
constexpr PropertyDef kPathGroup[] = {{"Path", T::Text, ""}};

constexpr PropertyDef kFilterComboGroup[] = {
    {"FileList", T::Reference, ""},
    {"Filter", T::Text, "All files (*.*)|*.*"},
};

// The frame's own properties, in their published order.
constexpr PropertyDef kFlashFrameGroup[] = {
    {"AutoSize", T::Boolean, "False"},
    {"AutoRegisterFlash", T::Boolean, "True"},
    {"AutoScale", T::Boolean, "True"},
    {"Loop", T::Boolean, "False"},
};

constexpr PropertyDef kHostGroup[] = {
    {"Caption", T::Text, ""},
    {"ClientWidth", T::Integer, "0"},
    {"ClientHeight", T::Integer, "0"},
    {"BorderStyle", T::Enumeration, "bsDialog", kFormBorderStyle},
    {"BorderIcons", T::Set, "[biSystemMenu,biMinimize,biMaximize]", kBorderIcons},
    {"Position", T::Enumeration, "poScreenCenter", kPosition},
    {"FormStyle", T::Enumeration, "fsNormal", kFormStyle},
    {"WindowState", T::Enumeration, "wsNormal", kWindowState},
    {"AutoScroll", T::Boolean, "True"},
    {"KeyPreview", T::Boolean, "False"},
    {"OldCreateOrder", T::Boolean, "False"},
    {"PixelsPerInch", T::Integer, "96"},
    {"Scaled", T::Boolean, "True"},
    {"TextHeight", T::Integer, "13"},
    {"Icon", T::Data, "", {}, "Icon.Data"},
    {"HelpFile", T::Text, ""},
    {"AlphaBlend", T::Boolean, "False"},
    {"AlphaBlendValue", T::Integer, "255"},
};

using Group = std::span<const PropertyDef>;

ControlKind makeKind(std::string_view className, std::string_view ancestor,
                     std::initializer_list<Group> groups,
                     std::initializer_list<std::string_view> valueProperties = {}) {
  ControlKind kind{className, ancestor, {}, valueProperties};
  for (Group group : groups) {
    for (const PropertyDef& def : group) {
      // A later group's property of the same name overrides the earlier one (defaults differ
      // from kind to kind).
      bool replaced = false;
      for (const PropertyDef*& existing : kind.properties) {
        if (existing->name == def.name) {
          existing = &def;
          replaced = true;
        }
      }
      if (!replaced) kind.properties.push_back(&def);
    }
  }
  return kind;
}

std::vector<ControlKind> buildKinds() {
  const Group control = kControlGroup, font = kFontGroup, windowed = kWindowedGroup,
              caption = kCaptionGroup;
  return {
      makeKind("TLabel", "", {control, font, caption, kLabelGroup}),
      makeKind("TEdit", "", {control, font, windowed, kEditGroup}, {"Text"}),
      makeKind("TMemo", "", {control, font, windowed, kMemoGroup}, {"Lines"}),
      makeKind("TButton", "", {control, font, windowed, caption, kButtonGroup}),
      makeKind("TRzCheckBox", "",
               {control, font, windowed, caption, kCheckGroup, kRzGroup, kCheckBoxGroup},
               {"Checked", "State"}),
      makeKind("TRzRadioButton", "", {control, font, windowed, caption, kCheckGroup, kRzGroup},
               {"Checked"}),
      makeKind("TListBox", "", {control, font, windowed, kListGroup, kListBoxGroup}, {"ItemIndex"}),
      makeKind("TComboBox", "", {control, font, windowed, kListGroup, kComboGroup},
               {"Text", "ItemIndex"}),
      makeKind("TGroupBox", "", {control, font, windowed, caption}),
      makeKind("TPanel", "", {control, font, windowed, caption, kPanelGroup}),
      makeKind("TBitBtn", "TButton",
               {control, font, windowed, caption, kButtonGroup, kGlyphGroup, kBitBtnGroup}),
      makeKind("TSpeedButton", "", {control, font, caption, kGlyphGroup, kSpeedButtonGroup}),
      makeKind("TMaskEdit", "", {control, font, windowed, kEditGroup, kMaskGroup}, {"Text"}),
      makeKind("TImage", "", {control, kImageGroup}),
      makeKind("TShape", "", {control, kShapeGroup}),
      makeKind("TBevel", "", {control, kBevelGroup}),
      makeKind("TStaticText", "", {control, font, windowed, caption, kStaticTextGroup}),
      makeKind("TGauge", "", {control, font, kGaugeGroup}),
      makeKind("TRichEdit", "", {control, font, windowed, kMemoGroup, kRichEditGroup}, {"Lines"}),
      makeKind("TTrackBar", "", {control, windowed, kTrackBarGroup}, {"Position"}),
      makeKind("TProgressBar", "", {control, windowed, kProgressBarGroup}),
      makeKind("TUpDown", "", {control, windowed, kUpDownGroup}),
      makeKind("TAnimate", "", {control, font, kAnimateGroup}),
      makeKind("TCheckListBox", "",
               {control, font, windowed, kListGroup, kListBoxGroup, kCheckListGroup},
               {"ItemIndex"}),
      makeKind("TTreeView", "", {control, font, windowed, kTreeViewGroup}),
      makeKind("THTMLViewer", "", {control, windowed, kHtmlViewerGroup}),
      makeKind("TFileListBox", "", {control, font, windowed, kFileListGroup, kDirectoryGroup},
               {"ItemIndex"}),
      makeKind("TDirectoryListBox", "",
               {control, font, windowed, kDirectoryListGroup, kDirectoryGroup}),
      makeKind("TDriveComboBox", "", {control, font, windowed, kDriveComboGroup, kDriveGroup}),
      makeKind("TFilterComboBox", "", {control, font, windowed, kFilterComboGroup}),
      makeKind("TPTShellTree", "", {control, font, windowed, kPathGroup}),
      makeKind("TPTShellList", "", {control, font, windowed, kPathGroup}),
      makeKind("TPTShellCombo", "", {control, font, windowed, kPathGroup}),
      makeKind("TFlashFrame", "", {control, font, windowed, kFlashFrameGroup}),
  };
}

}  // namespace

std::span<const ControlKind> controlKinds() {
  static const std::vector<ControlKind> kinds = buildKinds();
  return kinds;
}

const ControlKind& controlKindOf(std::string_view className) {
  for (const ControlKind& kind : controlKinds()) {
    if (equalsIgnoringAsciiCase(kind.className, className)) return kind;
  }
  static const ControlKind fallback = [] {
    ControlKind kind = makeKind("", "", {kControlGroup, kFontGroup, kWindowedGroup, kCaptionGroup});
    kind.isFallback = true;
    return kind;
  }();
  return fallback;
}

const ControlKind& hostKind() {
  static const ControlKind kind =
      makeKind("TPoolTemplate", "", {kControlGroup, kFontGroup, kHostGroup});
  return kind;
}

std::span<const std::string_view> hostHandlerNames() {
  static constexpr std::string_view kHandlers[] = {"FormCreate",
                                                   "Label1Click",
                                                   "Edit1Change",
                                                   "Button1Click",
                                                   "CheckBox1Click",
                                                   "RadioButton1Click",
                                                   "ListBox1Click",
                                                   "ComboBox1Click",
                                                   "ComboBox1Change",
                                                   "BitBtn1Click",
                                                   "SpeedButton1Click",
                                                   "MaskEdit1Change",
                                                   "Image1Click",
                                                   "Shape1MouseUp",
                                                   "TrackBar1Change",
                                                   "CheckListBox1Click",
                                                   "CheckListBox1ClickCheck",
                                                   "TreeView1Change",
                                                   "TreeView1MouseUp",
                                                   "FileListBox1Change",
                                                   "DirectoryListBox1Change",
                                                   "DriveComboBox1Change",
                                                   "PTShellTree1Change",
                                                   "PTShellList1Change",
                                                   "PTShellCombo1Change",
                                                   "Memo1Change",
                                                   "RichEdit1Change",
                                                   "FormDestroy",
                                                   "Timer1Timer",
                                                   "MetaTimerTimer",
                                                   "FormShow",
                                                   "htmlLite1HotSpotClick",
                                                   "htmlLite1MetaRefresh",
                                                   "FormCloseQuery"};
  return kHandlers;
}

}  // namespace kx

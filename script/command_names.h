#pragma once
// Names of the commands that give a script its structure: blocks, labels, wizard loops and the
// statements that may stand inside one. Validation and the interpreter's flow both read them.
#include <string_view>

namespace kx::command_names {

inline constexpr std::string_view kIf = "If";
inline constexpr std::string_view kElseIf = "Else If";
inline constexpr std::string_view kElse = "Else";
inline constexpr std::string_view kEnd = "End";
inline constexpr std::string_view kWizardLoop = "Wizard Loop";
inline constexpr std::string_view kLabel = "Label";
inline constexpr std::string_view kGoToLabel = "GoTo Label";
inline constexpr std::string_view kComment = "Comment";
inline constexpr std::string_view kIgnore = "Ignore";
inline constexpr std::string_view kDisplayDialog = "Display Dialog";

}  // namespace kx::command_names

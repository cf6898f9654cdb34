#pragma once
// Commands that end a run early, and the resume entry that starts the setup again after a
// restart of the computer.
#include <span>
#include <string>
#include <string_view>

#include "interpreter/command_table.h"

namespace kx {

inline constexpr std::string_view kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";

// Characters 2 to 9 of the product code: the first group of the GUID without its brace. Empty
// when the code is too short to have one.
std::string resumeEntryName(const std::string& productCode);
// The launching package (or else the engine program) and the start-up's arguments text.
std::string resumeCommand(const Engine& engine);

std::span<const CommandDescriptor> terminationCommands();

}  // namespace kx

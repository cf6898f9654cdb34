#pragma once
// What HTML viewers and Flash frames do with the content they show: links the user clicks,
// pages that ask to be refreshed to another address, and a movie's stage size.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

enum class LinkAction {
  PlaySound,      // a local ".WAV" file, played without waiting
  RunProgram,     // a local ".EXE" file, started shown with the arguments
  OpenWithShell,  // a mail or web address, opened by its default program
  LeaveToViewer   // anything else: the viewer follows it itself
};

struct LinkClick {
  LinkAction action = LinkAction::LeaveToViewer;
  bool local = false;     // a relative or local name, a drive letter, or a "file:" link
  std::string name;       // local links: the file name, before the viewer completes it
  std::string arguments;  // local links: what followed the first blank (or "?")
};

LinkClick classifyLink(std::string_view link);

// The file a page refresh asks for: percent codes decoded, then for addresses with "/" the
// "file:///" (or "file://") prefix dropped and the separators turned into Windows ones.
std::string refreshTargetFile(std::string_view address);

struct StageSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The client size a Flash frame takes from its movie: the frame rectangle at offset 8 of the
// movie file, in twentieths of a pixel. None when the file is too short to hold it.
std::optional<StageSize> movieStageSize(std::string_view movie);

}  // namespace kx

#pragma once
// The engine's numbered message table: 94 entries (1-90 and 112-115) with English defaults,
// replaced as a whole from a language file. Texts are 8-bit in the ANSI code page.
#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace kx {

// The entries the engine's own code shows, by name; beside each, its English default text.
namespace message_ids {
inline constexpr int kCommonControlsTooOld =
    1;  // "Please install the common controls update from Microsoft before attempting to install
        // this product."
inline constexpr int kSetupResourceNotFound = 2;  // "Setup resource not found"
inline constexpr int kSetupResourceDecompressionFailure =
    3;                                            // "Setup resource decompression failure"
inline constexpr int kSetupDatabaseNotFound = 4;  // "Setup database not found"
inline constexpr int kRuntimeErrorInInstall = 5;  // "Runtime error in install: "
inline constexpr int kGetUndefinedVariable = 9;  // "Attempting to get value of undefined variable "
inline constexpr int kSetUndefinedVariable =
    10;  // "Attempting to set value of undefined variable "
inline constexpr int kLocateSources =
    17;  // "Please locate your original setup sources to continue operation"
inline constexpr int kSourcesNotFound =
    18;  // "Original setup sources required to complete operation, sources not found"
inline constexpr int kGeneralSetupFailure = 19;   // "General setup failure"
inline constexpr int kRuntimeErrorInScript = 20;  // "Runtime error in setup script:"
inline constexpr int kPercentComplete = 21;       // "% complete"
inline constexpr int kPreparingCaption = 23;      // "Kestrix Wizard"
inline constexpr int kPreparingText =
    24;  // "Kestrix(TM) is preparing the Kestrix(TM) Installation Wizard ..."
inline constexpr int kFatalErrorHeading = 43;      // "Fatal Error"
inline constexpr int kErrorHeading = 44;           // "Error"
inline constexpr int kWarningHeading = 45;         // "Warning"
inline constexpr int kFilesInUseHeading = 47;      // "Files in Use"
inline constexpr int kOutOfDiskSpaceHeading = 48;  // "Out of Disk Space"
}  // namespace message_ids

class MessageTable {
 public:
  static constexpr int kLastEntry = 115;
  static constexpr int kLinesRead = 115;

  MessageTable();
  // The current text of an entry; entries outside the table read as empty.
  std::string message(int entry) const;
  // Replaces the table from a language file's text: line n sets entry n for 1-90 and
  // 112-115, lines 91-111 are ignored, missing lines empty their entries.
  void loadMessages(std::string_view fileText);
  static bool isEntry(int entry) {
    return (entry >= 1 && entry <= 90) || (entry >= 112 && entry <= 115);
  }

 private:
  mutable std::mutex lock_;
  std::array<std::string, kLastEntry + 1> texts_;
};

}  // namespace kx

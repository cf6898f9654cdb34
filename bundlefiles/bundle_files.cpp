#include "bundlefiles/bundle_files.h"

#include <cstring>

#include "base/comma_text.h"
#include "bundlefiles/rx_runtime.h"

namespace rx {
namespace {

bool isSilentRun(const VariableList& variables) {
  const std::string silent = variableValue(variables, "SILENT");
  return sameAsciiText(silent, "TRUE") || silent == "-1";
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal number: optional blanks, an optional sign, digits with an optional fraction and
// exponent, optional blanks. Empty when the text is not one; else whether it is non-zero.
std::optional<bool> numberIsNonZero(const std::string& text) {
  size_t p = text.find_first_not_of(' ');
  const size_t end = text.find_last_not_of(' ') + 1;
  if (p == std::string::npos) return std::nullopt;
  if (text[p] == '+' || text[p] == '-') ++p;
  bool digits = false;
  bool nonZero = false;
  for (; p < end && isDigit(text[p]); ++p) digits = true, nonZero = nonZero || text[p] != '0';
  if (p < end && text[p] == '.')
    for (++p; p < end && isDigit(text[p]); ++p) digits = true, nonZero = nonZero || text[p] != '0';
  if (!digits) return std::nullopt;
  if (p < end && (text[p] == 'e' || text[p] == 'E')) {
    ++p;
    if (p < end && (text[p] == '+' || text[p] == '-')) ++p;
    if (p == end || !isDigit(text[p])) return std::nullopt;
    while (p < end && isDigit(text[p])) ++p;
  }
  if (p != end) return std::nullopt;
  return nonZero;
}

struct ManifestEntry {
  std::string source;
  std::string target;
};

}  // namespace

bool parseBoolean(const std::string& text) {
  if (sameAsciiText(text, "True")) return true;
  if (sameAsciiText(text, "False")) return false;
  if (const auto number = numberIsNonZero(text)) return *number;
  throw BundleError("'" + text + "' is not a valid boolean value");
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool staysInside(const std::string& relativePath) {
  if (relativePath.empty() || relativePath.find(':') != std::string::npos) return false;
  if (relativePath[0] == '\\' || relativePath[0] == '/') return false;
  size_t start = 0;
  while (start <= relativePath.size()) {
    const size_t end = std::min(relativePath.find_first_of("\\/", start), relativePath.size());
    const std::string component = relativePath.substr(start, end - start);
    // Windows drops trailing dots and blanks, so "..", "... " and the like all climb.
    if (!component.empty() && component.find_first_not_of(". ") == std::string::npos &&
        component != ".")
      return false;
    start = end + 1;
  }
  return true;
}

int32_t BundleFiles::firstCall(uintptr_t owner, const char* variables, const char* parameters,
                               int32_t* status) {
  VariableList list = kx::readCommaText(variables ? variables : "");
  const std::vector<std::string> params = kx::readCommaText(parameters ? parameters : "");
  Outcome outcome;
  try {
    copyBundle(list, params, outcome);
  } catch (const BundleError& error) {
    // An unattended run must not stop at a message box: the outcome tells the script.
    if (!isSilentRun(list)) machine_.showMessage(owner, error.what());
    // Setting an undefined ReturnVar fails again here, and with it the whole call.
    if (outcome.returnVarRead && !outcome.returnVar.empty())
      setVariable(list, outcome.returnVar, "ERROR");
  }
  if (status) *status = 0;
  result_ = kx::writeCommaText(list);
  return static_cast<int32_t>(result_.size());
}

int32_t BundleFiles::execute(uintptr_t owner, const char* variables, const char* parameters,
                             int32_t* status, char* resultBuffer) {
  try {
    if (!resultBuffer) return firstCall(owner, variables, parameters, status);
    std::memcpy(resultBuffer, result_.c_str(), result_.size() + 1);
    return 0;
  } catch (...) {
    return -1;
  }
}

void BundleFiles::copyBundle(VariableList& variables, const std::vector<std::string>& parameters,
                             Outcome& outcome) {
  const std::string sourceFiles = kx::commaTextValue(parameters, "SourceFiles");
  const std::string sourceId = kx::commaTextValue(parameters, "SourceID");
  // Read for its check only: the manifest alone decides what is copied.
  parseBoolean(kx::commaTextValue(parameters, "DoSubFolders"));
  const std::string targetPath =
      expandVariables(kx::commaTextValue(parameters, "TargetPath"), variables);
  outcome.returnVar = kx::commaTextValue(parameters, "ReturnVar");
  outcome.returnVarRead = true;

  if (!machine_.folderExists(pluginFolder_))
    throw BundleError("Plugin Directory doesn't exist:\r\n\r\n" + pluginFolder_);
  std::vector<ManifestEntry> entries;
  for (const std::string& line : readManifest(sourceId, sourceFiles)) {
    const size_t equals = line.find('=');
    ManifestEntry entry;
    if (equals != std::string::npos) entry = {line.substr(0, equals), line.substr(equals + 1)};
    if (!staysInside(entry.source) || !staysInside(entry.target))
      throw BundleError(
          "Bundle Files: manifest line refused, it must copy inside the plug-in "
          "and target folders: " +
          line);
    entries.push_back(std::move(entry));
  }
  // An empty TargetPath would put the bundle at the root of the current drive.
  if (!entries.empty() && targetPath.empty())
    throw BundleError("Bundle Files: TargetPath is empty.");
  const std::string targetFolder =
      targetPath.empty() || targetPath.back() == '\\' ? targetPath : targetPath + "\\";
  for (const ManifestEntry& entry : entries) {
    const uint32_t error =
        copyFileCreatingFolder(machine_, pluginFolder_ + entry.source, targetFolder + entry.target);
    if (error)
      throw BundleError("System Error.  Code: " + std::to_string(error) + ".\r\n" +
                        machine_.systemErrorText(error));
  }
  if (!outcome.returnVar.empty()) setVariable(variables, outcome.returnVar, "SUCCESS");
}

std::vector<std::string> BundleFiles::readManifest(const std::string& sourceId,
                                                   const std::string& sourceFiles) {
  const std::string path = pluginFolder_ + "manifest-" + sourceId + ".txt";
  if (!machine_.fileExists(path))
    throw BundleError("Bundle Files: manifest file does not exist: " + path);
  std::string systemText;
  const std::optional<std::string> text = machine_.readFile(path, systemText);
  if (!text) throw BundleError("Cannot open file \"" + path + "\". " + systemText);
  std::vector<std::string> lines = splitLines(*text);
  if (lines.empty()) throw BundleError("Bundle Files: Manifest file is empty.");
  if (!machine_.sameText(lines[0], sourceFiles))
    throw BundleError("Bundle Files: internal error with manifest file");
  lines.erase(lines.begin());
  return lines;
}

}  // namespace rx

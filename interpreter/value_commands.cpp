#include "interpreter/value_commands.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/values.h"
#include "interpreter/engine.h"

namespace kx {
namespace {

// First (or last) position of `what` in `text`, optionally ignoring the case of A-Z.
size_t findText(std::string_view text, std::string_view what, bool ignoreCase, bool last) {
  if (!ignoreCase) return last ? text.rfind(what) : text.find(what);
  const std::string upperText = upperAscii(text);
  const std::string upperWhat = upperAscii(what);
  return last ? upperText.rfind(upperWhat) : upperText.find(upperWhat);
}

// Up to `count` characters of `text` from the 1-based `start`; a start below 1 counts as 1.
std::string copyText(std::string_view text, int64_t start, int64_t count) {
  if (start < 1) start = 1;
  if (count <= 0 || start > static_cast<int64_t>(text.size())) return {};
  return std::string(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

std::string trimControls(std::string_view text) {
  const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && isControl(text.back())) text.remove_suffix(1);
  return std::string(text);
}

// Arithmetic on the 32 bits themselves, so every result wraps around modulo 2^32.
int32_t wrapped(uint32_t bits) {
  return static_cast<int32_t>(bits);
}
uint32_t bitsOf(int32_t value) {
  return static_cast<uint32_t>(value);
}

// Remainder with the sign of the dividend; the quotient of INT32_MIN by -1 wraps to itself.
std::optional<int32_t> quotientOf(int32_t a, int32_t b) {
  if (b == 0) return std::nullopt;
  if (b == -1) return wrapped(0u - bitsOf(a));
  return a / b;
}
std::optional<int32_t> remainderOf(int32_t a, int32_t b) {
  if (b == 0) return std::nullopt;
  if (b == -1) return 0;
  return a % b;
}

// The operation codes of "Mathematics", as scripts number them.
enum MathOperation : int32_t {
  kAdd = 0,
  kSubtract = 1,
  kMultiply = 2,
  kDivide = 3,
  kRemainder = 4,
  kAnd = 5,
  kOr = 6,
  kXor = 7,
  kShiftLeft = 8,
  kShiftRight = 9,
  kNot = 10,
  kCharacterCode = 11,  // the code of A's first character; A is text
  kCharacter = 12,      // the character of code A
  kSeedRandom = 13,     // multiplier A, increment B
  kSetRandomState = 14,
  kRandom = 15,  // the next random number, modulo A
};

// The result text of "Mathematics", or nullopt for an operand or operation that fails.
std::optional<std::string> mathematicsResult(Engine& engine) {
  const std::optional<int32_t> code = tryParseInteger(engine.parameter(3));
  if (!code) return std::nullopt;
  int32_t a = 0;
  int32_t b = 0;
  if (*code != kCharacterCode) {
    const auto parsed = tryParseInteger(engine.expanded(1));
    if (!parsed) return std::nullopt;
    a = *parsed;
  }
  if (*code < kNot || *code == kSeedRandom) {
    const auto parsed = tryParseInteger(engine.expanded(2));
    if (!parsed) return std::nullopt;
    b = *parsed;
  }
  RandomGenerator& random = engine.random;
  std::optional<int32_t> result;
  switch (*code) {
    case kAdd:
      result = wrapped(bitsOf(a) + bitsOf(b));
      break;
    case kSubtract:
      result = wrapped(bitsOf(a) - bitsOf(b));
      break;
    case kMultiply:
      result = wrapped(bitsOf(a) * bitsOf(b));
      break;
    case kDivide:
      result = quotientOf(a, b);
      break;
    case kRemainder:
      result = remainderOf(a, b);
      break;
    case kAnd:
      result = wrapped(bitsOf(a) & bitsOf(b));
      break;
    case kOr:
      result = wrapped(bitsOf(a) | bitsOf(b));
      break;
    case kXor:
      result = wrapped(bitsOf(a) ^ bitsOf(b));
      break;
    case kShiftLeft:
      result = wrapped(bitsOf(a) << (bitsOf(b) & 31));
      break;
    case kShiftRight:
      result = wrapped(bitsOf(a) >> (bitsOf(b) & 31));
      break;
    case kNot:
      result = wrapped(~bitsOf(a));
      break;
    case kCharacterCode: {
      const std::string text = engine.expanded(1);
      if (text.empty()) return std::nullopt;
      result = static_cast<unsigned char>(text.front());
      break;
    }
    case kCharacter:
      return std::string(1, static_cast<char>(bitsOf(a) & 0xFF));
    case kSeedRandom:
      random.multiplier = a;
      random.increment = b;
      result = wrapped(bitsOf(a) + bitsOf(b));
      break;
    case kSetRandomState:
      random.state = a;
      result = a;
      break;
    case kRandom: {
      const int32_t next =
          wrapped(bitsOf(random.multiplier) * bitsOf(random.state) + bitsOf(random.increment));
      random.state = next % 32767;
      result = remainderOf(next, a);
      break;
    }
    default:
      return std::nullopt;
  }
  if (!result) return std::nullopt;
  return std::to_string(*result);
}

// Path pieces as the file name functions of the engine cut them: "\" and ":" end a folder.
size_t lastDelimiter(std::string_view path) {
  return path.find_last_of("\\:");
}

std::string fileNameOf(std::string_view path) {
  const size_t at = lastDelimiter(path);
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string folderOf(std::string_view path) {
  const size_t at = lastDelimiter(path);
  return withTrailingBackslash(at == std::string_view::npos ? "" : path.substr(0, at + 1));
}

// The drive letter with its colon, or "\\server\share" of a network path; empty otherwise.
std::string driveOf(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (!path.starts_with("\\\\")) return {};
  const size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string_view::npos) return std::string(path);
  return std::string(path.substr(0, path.find('\\', serverEnd + 1)));
}

// The parts "Extract Path" cuts, as scripts number them.
enum PathPart : int32_t {
  kFileName = 0,
  kFileNameWithoutExtension = 1,
  kExtension = 2,
  kFolder = 3,
  kParentFolder = 4,
  kDrive = 5,
  kDoubleBackslashesRemoved = 6,
};

std::string extractedPart(const std::string& path, int32_t code) {
  const std::string name = fileNameOf(path);
  const size_t dot = name.rfind('.');
  switch (code) {
    case kFileName:
      return name;
    case kFileNameWithoutExtension:
      return dot == std::string::npos ? name : name.substr(0, dot);
    case kExtension:
      return dot == std::string::npos ? std::string() : name.substr(dot + 1);
    case kFolder:
      return folderOf(path);
    case kParentFolder:
      return folderOf(withoutTrailingBackslash(folderOf(path)));
    case kDrive:
      return withTrailingBackslash(driveOf(path));
    case kDoubleBackslashesRemoved:
      return replaceAll(path, "\\\\", "\\", false);
    default:
      return path;
  }
}

MessageIcon messageIcon(int32_t code) {
  return code >= 0 && code <= 3 ? static_cast<MessageIcon>(code) : MessageIcon::Information;
}

MessageButtons messageButtons(int32_t code) {
  return code >= 0 && code <= 5 ? static_cast<MessageButtons>(code) : MessageButtons::Ok;
}

std::string answerWord(MessageAnswer answer) {
  static constexpr std::array<std::string_view, 7> kWords = {"OK",     "CANCEL", "ABORT", "RETRY",
                                                             "IGNORE", "YES",    "NO"};
  const auto index = static_cast<size_t>(answer);
  return std::string(index < kWords.size() ? kWords[index] : "CANCEL");
}

void commandSetVariable(Engine& engine) {
  const std::string value = engine.store.expand(engine.translatable(2));
  engine.writeResult(namedVariable(engine.parameter(1)), value);
}

void commandMathematics(Engine& engine) {
  const std::string name = engine.parameter(4);
  const std::string result = mathematicsResult(engine).value_or("");
  if (!name.empty()) engine.writeResult(name, result);
}

// How "Parse String" splits, as scripts number the modes: at a delimiter, or after a count of
// characters (line 2 holds the delimiter or the count).
enum SplitMode : int32_t {
  kAtFirstDelimiter = 0,
  kAtLastDelimiter = 1,
  kAfterCountFromStart = 2,
  kAfterCountFromEnd = 3,
};

void commandParseString(Engine& engine) {
  const std::string source = engine.expandedPath(1);
  const std::string delimiter = engine.expandedPath(2);
  const std::string firstName = engine.parameter(3);
  const std::string secondName = engine.parameter(4);
  for (const std::string& name : {firstName, secondName})
    if (!name.empty() && !engine.store.isDefined(name))
      engine.store.defineAndSet(upperAscii(name), "", engine.writeContext());
  const bool ignoreCase = isTrue(engine.parameter(7));

  // Split at position `at` (1-based): the first part ends `firstEnd` characters before it, the
  // second starts `skip` characters after it.
  std::optional<int64_t> at;
  int64_t skip = 1;
  int64_t firstEnd = 1;
  const auto length = static_cast<int64_t>(source.size());
  switch (parseInteger(engine.parameter(5))) {
    case kAtFirstDelimiter: {
      const size_t found = findText(source, delimiter, ignoreCase, false);
      skip = static_cast<int64_t>(delimiter.size());
      at = delimiter.empty() || found == std::string::npos ? length + 1
                                                           : static_cast<int64_t>(found) + 1;
      break;
    }
    case kAtLastDelimiter: {
      const size_t found = findText(source, delimiter, ignoreCase, true);
      const bool missing = delimiter.empty() || found == std::string::npos;
      skip = missing ? 0 : static_cast<int64_t>(delimiter.size());
      at = missing ? 1 : static_cast<int64_t>(found) + 1;
      break;
    }
    case kAfterCountFromStart:
      firstEnd = 0;
      if (const auto count = tryParseInteger(delimiter)) {
        at = *count;
        if (*count == 0) {
          at = 1;
          firstEnd = 1;
          skip = -1;
        }
      }
      break;
    case kAfterCountFromEnd:
      firstEnd = 0;
      // A count of the whole length splits before the first character, like any longer count.
      if (const auto count = tryParseInteger(delimiter)) at = length - *count;
      break;
    default:
      break;
  }

  std::string first;
  std::string second;
  if (at) {
    first = copyText(source, 1, *at - firstEnd);
    second = copyText(source, *at + skip, length);
  }
  if (isTrue(engine.parameter(6))) {
    first = trimControls(first);
    second = trimControls(second);
  }
  engine.store.defineAndSet(upperAscii(firstName), first, engine.writeContext());
  engine.store.defineAndSet(upperAscii(secondName), second, engine.writeContext());
}

void commandReplaceString(Engine& engine) {
  const std::string name = namedVariable(engine.parameter(1));
  std::string text = engine.store.get(name);
  const std::string find = engine.expanded(2);
  const std::string replacement = engine.expanded(3);
  const bool ignoreCase = isTrue(engine.parameter(4));
  if (!find.empty() && find.size() <= text.size()) {
    if (isTrue(engine.parameter(5))) {
      text = replaceAll(text, find, replacement, ignoreCase);
    } else if (const size_t at = findText(text, find, ignoreCase, false); at != std::string::npos) {
      text.replace(at, find.size(), replacement);
    }
  }
  engine.store.defineAndSet(upperAscii(name), text, engine.writeContext());
}

void commandConvertPath(Engine& engine) {
  const std::string name = engine.parameter(1);
  const std::string path = engine.store.expandPath(engine.store.get(name));
  FileSystem& files = *engine.platform.files;
  const std::optional<std::string> converted =
      isTrue(engine.parameter(2)) ? files.shortPathName(path)
                                  : files.longPathName(withoutTrailingBackslash(path));
  engine.store.set(name, converted.value_or(""), engine.writeContext());
}

void commandExtractPath(Engine& engine) {
  const std::string name = engine.parameter(1);
  const std::string path = engine.store.expandPath(engine.store.get(name));
  engine.store.set(name, extractedPart(path, parseInteger(engine.parameter(2))),
                   engine.writeContext());
}

void commandGetTemporaryFile(Engine& engine) {
  const std::string name = namedVariable(engine.parameter(1));
  const std::optional<std::string> file =
      engine.platform.files->createTemporaryFile(engine.platform.system->temporaryFolder(), "zel");
  engine.store.defineAndSet(upperAscii(name), file.value_or(""), engine.writeContext());
}

void commandMessageBox(Engine& engine) {
  MessageBoxRequest box;
  box.caption = engine.store.expand(engine.translatable(1));
  box.text = engine.store.expand(engine.translatable(2));
  box.icon = messageIcon(parseInteger(engine.parameter(3)));
  box.buttons = messageButtons(parseInteger(engine.parameter(4)));
  if (engine.silent()) return;
  const MessageAnswer answer = engine.showMessage(box);
  const std::string name = engine.parameter(5);
  if (!name.empty()) engine.writeResult(name, answerWord(answer));
}

}  // namespace

// Commands that compute texts and numbers: a descriptor per command, beside its function.
constexpr CommandDescriptor kValueCommands[] = {
    {"Set Variable", commandSetVariable, {.resultLines = {1}}, {{{2, 1}}}},
    {"Mathematics", commandMathematics, {.resultLines = {4}}},
    {"Parse String", commandParseString, {.resultLines = {3, 4}}},
    {"Replace String", commandReplaceString, {.check = requireNamedVariable}},
    {"Convert Path", commandConvertPath, {.check = requireNamedVariable}},
    {"Extract Path", commandExtractPath, {.check = requireNamedVariable}},
    {"Get Temporary File", commandGetTemporaryFile, {.resultLines = {1}}},
    {"MessageBox", commandMessageBox, {.resultLines = {5}}, {{{1, 1}, {2, 2}}}},
};

std::span<const CommandDescriptor> valueCommands() {
  return kValueCommands;
}

}  // namespace kx

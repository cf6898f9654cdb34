#include "dialogs/viewer_content.h"

#include "base/values.h"

namespace kx {
namespace {

constexpr size_t kMaxLocalLink = 255;

bool containsIgnoringCase(std::string_view text, std::string_view part) {
  return upperAscii(text).find(upperAscii(part)) != std::string::npos;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

LinkClick classifyLink(std::string_view link) {
  LinkClick click;
  const size_t colon = link.find(':');
  click.local =
      colon == std::string_view::npos || colon <= 1 || containsIgnoringCase(link, "FILE:");
  if (click.local) {
    const std::string_view text = link.substr(0, kMaxLocalLink);
    size_t cut = text.find(' ');
    if (cut == std::string_view::npos) cut = text.find('?');
    click.name = std::string(text.substr(0, cut));
    if (cut != std::string_view::npos) click.arguments = std::string(text.substr(cut + 1));
    if (endsWithIgnoringAsciiCase(click.name, ".WAV")) click.action = LinkAction::PlaySound;
    if (endsWithIgnoringAsciiCase(click.name, ".EXE")) click.action = LinkAction::RunProgram;
  } else if (containsIgnoringCase(link, "MAILTO:") || containsIgnoringCase(link, "HTTP:")) {
    click.action = LinkAction::OpenWithShell;
  }
  return click;
}

std::string refreshTargetFile(std::string_view address) {
  std::string target(address);
  // Each pass decodes the first "%", which may be one that the pass before produced.
  for (;;) {
    const size_t percent = target.find('%');
    if (percent == std::string::npos || percent == 0 || target.size() - percent < 3) break;
    const int high = hexValue(target[percent + 1]);
    const int low = hexValue(target[percent + 2]);
    if (high < 0 || low < 0) break;
    target.replace(percent, 3, 1, static_cast<char>(high * 16 + low));
  }
  if (target.find('/') == std::string::npos) return target;
  const std::string upper = upperAscii(target);
  size_t prefix = upper.find("FILE:///");
  size_t prefixLength = 8;
  if (prefix == std::string::npos) {
    prefix = upper.find("FILE://");
    prefixLength = 7;
  }
  if (prefix != std::string::npos) target.erase(prefix, prefixLength);
  for (char& c : target) {
    if (c == '|') c = ':';
    if (c == '/') c = '\\';
  }
  return target;
}

std::optional<StageSize> movieStageSize(std::string_view movie) {
  constexpr size_t kRectangleOffset = 8;
  size_t bit = kRectangleOffset * 8;
  const auto take = [&](unsigned count) -> std::optional<uint32_t> {
    if (bit + count > movie.size() * 8) return std::nullopt;
    uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i, ++bit) {
      const auto byte = static_cast<uint8_t>(movie[bit / 8]);
      value = value << 1 | ((byte >> (7 - bit % 8)) & 1);
    }
    return value;
  };
  const auto bits = take(5);
  if (!bits) return std::nullopt;
  uint32_t fields[4] = {};  // Xmin, Xmax, Ymin, Ymax
  for (uint32_t& field : fields) {
    const auto value = take(*bits);
    if (!value) return std::nullopt;
    field = *value;
  }
  return StageSize{fields[1] / 20, fields[3] / 20};
}

}  // namespace kx

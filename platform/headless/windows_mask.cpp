#include "platform/headless/windows_mask.h"

#include <vector>

#include "platform/headless/code_page.h"

namespace kx {
namespace {

// Tokens beyond the characters of Unicode.
constexpr char32_t kAny = 0x110000;          // "*": any run
constexpr char32_t kUpToLastDot = 0x110001;  // "*" ending "*.": a run up to the last dot
constexpr char32_t kOneOrNone = 0x110002;    // "?": one character, or none at a dot or the end
constexpr char32_t kDotOrEnd = 0x110003;     // "." before a wildcard: a dot, or the end

bool isBlankOrDot(char32_t c) {
  return c == U'.' || c == U' ';
}

}  // namespace

WindowsMask::WindowsMask(std::u16string_view mask) {
  size_t length = mask.size();
  while (length > 0 && isBlankOrDot(mask[length - 1])) --length;
  const bool wildcards = mask.find_first_of(u"*?") != std::u16string_view::npos;
  const bool namesWithoutDot = wildcards && !mask.empty() && mask.back() == U'.';
  for (size_t i = 0; i < length; ++i) {
    const char32_t c = mask[i];
    const char32_t next = i + 1 < length ? mask[i + 1] : U'\0';
    if (wildcards && c == U'.' && (next == U'*' || next == U'?'))
      tokens_ += kDotOrEnd;
    else if (wildcards && c == U'?')
      tokens_ += kOneOrNone;
    else if (wildcards && c == U'*')
      tokens_ += kAny;
    else
      tokens_ += upperCase(c);
  }
  if (namesWithoutDot && !tokens_.empty() && tokens_.back() == kAny) tokens_.back() = kUpToLastDot;
}

bool WindowsMask::matches(std::u16string_view name) const {
  if (tokens_.empty()) return false;
  const size_t m = tokens_.size();
  const size_t lastDot = name.rfind(u'.');
  // The set of mask positions reached so far, closed over the tokens that can match nothing at
  // name position i.
  std::vector<char> reached(m + 1, 0), following(m + 1, 0);
  const auto close = [&](std::vector<char>& set, size_t i) {
    for (size_t p = 0; p < m; ++p) {
      if (!set[p]) continue;
      const char32_t token = tokens_[p];
      if (token == kAny || token == kUpToLastDot ||
          (token == kOneOrNone && (i == name.size() || name[i] == U'.')) ||
          (token == kDotOrEnd && i == name.size()))
        set[p + 1] = 1;
    }
  };
  reached[0] = 1;
  close(reached, 0);
  for (size_t i = 0; i < name.size(); ++i) {
    const char32_t c = name[i];
    std::fill(following.begin(), following.end(), 0);
    bool any = false;
    for (size_t p = 0; p < m; ++p) {
      if (!reached[p]) continue;
      const char32_t token = tokens_[p];
      size_t to = m + 1;  // none
      if (token == kAny || (token == kUpToLastDot && i <= lastDot))
        to = p;
      else if ((token == kOneOrNone && c != U'.') || (token == kDotOrEnd && c == U'.') ||
               token == upperCase(c))
        to = p + 1;
      if (to <= m) {
        following[to] = 1;
        any = true;
      }
    }
    if (!any) return false;
    close(following, i + 1);
    reached.swap(following);
  }
  return reached[m] != 0;
}

}  // namespace kx

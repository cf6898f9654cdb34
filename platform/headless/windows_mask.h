#pragma once
// A file-name mask as the system's find-first function matches it. Case is ignored; "*" stands
// for any run of characters and "?" for one, with the rules the function keeps for masks
// written for 8.3 names: "?" also matches nothing before a dot and at the end ("ab?" finds
// "ab" and "ab.txt" no), a dot before a wildcard also matches the end ("*.*" finds "README"),
// and a mask ending in a dot finds names without anything after their last dot ("*." finds
// "README" and ".", not "a.txt"). Trailing dots and blanks are not part of a mask; one without
// wildcards names one entry.
#include <string>
#include <string_view>

namespace kx {

class WindowsMask {
 public:
  explicit WindowsMask(std::u16string_view mask);
  bool matches(std::u16string_view name) const;

 private:
  std::u32string tokens_;  // upper-cased characters and the wildcard tokens
};

}  // namespace kx

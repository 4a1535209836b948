#include "platform/posix/pattern.h"

#include <cstring>

namespace hoard::platform {
namespace {

unsigned char FoldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Plain wildcard match of the first `patternLength` bytes of the pattern,
// backtracking to the last '*' only.
bool MatchWild(const char* pattern, size_t patternLength, const char* name) {
  size_t p = 0, n = 0;
  size_t starP = 0, starN = 0;
  bool haveStar = false;
  size_t nameLength = std::strlen(name);
  while (n < nameLength) {
    if (p < patternLength && pattern[p] == '*') {
      haveStar = true;
      starP = ++p;
      starN = n;
    } else if (p < patternLength &&
               (pattern[p] == '?' || FoldAscii(static_cast<unsigned char>(pattern[p])) ==
                                         FoldAscii(static_cast<unsigned char>(name[n])))) {
      ++p;
      ++n;
    } else if (haveStar) {
      p = starP;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < patternLength && pattern[p] == '*') ++p;
  return p == patternLength;
}

}  // namespace

bool MatchesWindowsPattern(const char* pattern, const char* name) {
  size_t length = std::strlen(pattern);
  if (MatchWild(pattern, length, name)) return true;
  if (length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*') {
    return MatchWild(pattern, length - 2, name);
  }
  if (length >= 1 && pattern[length - 1] == '.' && std::strchr(name, '.') == nullptr) {
    return MatchWild(pattern, length - 1, name);
  }
  return false;
}

}  // namespace hoard::platform

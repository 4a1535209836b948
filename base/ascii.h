// ASCII byte helpers for byte texts that are mostly Shift_JIS: only the 26
// ASCII letters ever fold, every other byte (a Shift_JIS trail byte among
// them) compares exactly. No locale is consulted. A comparison says in its
// name whether it is exact (MatchAt) or folds ASCII case (MatchAtNoCase).
#pragma once

#include <cstddef>
#include <string_view>

namespace hoard {

constexpr bool IsLowerAscii(unsigned char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsUpperAscii(unsigned char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsDigitAscii(unsigned char c) { return c >= '0' && c <= '9'; }

// The first position in `text` of any byte of a small `set`, npos when
// none: a plain loop (the library's find_first_of calls memchr on the set
// once a byte, which costs more than the links it looks at).
constexpr size_t FindAnyOf(std::string_view text, std::string_view set) {
  for (size_t i = 0; i < text.size(); ++i) {
    for (const char c : set) {
      if (text[i] == c) return i;
    }
  }
  return std::string_view::npos;
}

// An ASCII letter in upper case; every other byte as it is.
constexpr unsigned char FoldAscii(unsigned char c) {
  return IsLowerAscii(c) ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// `pattern` at `pos` of `text`, exactly; false when the text is too short.
constexpr bool MatchAt(std::string_view text, size_t pos, std::string_view pattern) {
  return pos <= text.size() && text.size() - pos >= pattern.size() &&
         text.substr(pos, pattern.size()) == pattern;
}

// The same over the n bytes of a buffer.
inline bool MatchAt(const unsigned char* bytes, size_t n, size_t pos, std::string_view pattern) {
  return MatchAt(std::string_view(reinterpret_cast<const char*>(bytes), n), pos, pattern);
}

// `pattern` at `pos` of `text` with ASCII letters folded; false when the text
// is too short.
constexpr bool MatchAtNoCase(std::string_view text, size_t pos, std::string_view pattern) {
  if (pos > text.size() || text.size() - pos < pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(text[pos + i])) !=
        FoldAscii(static_cast<unsigned char>(pattern[i]))) {
      return false;
    }
  }
  return true;
}

// `pattern` at the start of the NUL-terminated `text`, exactly or with ASCII
// letters folded. A text that ends first does not match; nothing past its NUL
// is read.
constexpr bool MatchAt(const char* text, std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (text[i] == '\0' || text[i] != pattern[i]) return false;
  }
  return true;
}
constexpr bool MatchAtNoCase(const char* text, std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (text[i] == '\0' || FoldAscii(static_cast<unsigned char>(text[i])) !=
                               FoldAscii(static_cast<unsigned char>(pattern[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace hoard

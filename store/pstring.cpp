#include "store/pstring.h"

#include <cstring>

namespace hoard {

PString CToPString(const char* text) {
  PString out;
  size_t length = 0;
  while (length < kMaxPathBytes && text[length] != '\0') ++length;
  out.Assign(std::string_view(text, length));
  return out;
}

bool PToCString(std::string_view pstring, char* out, size_t capacity) {
  if (pstring.size() + 1 > capacity) return false;
  std::memcpy(out, pstring.data(), pstring.size());
  out[pstring.size()] = '\0';
  return true;
}

namespace {
unsigned char FoldAsciiUpper(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
}  // namespace

bool PStringEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAsciiUpper(static_cast<unsigned char>(a[i])) !=
        FoldAsciiUpper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace hoard

#include "store/pstring.h"

#include <cstring>

#include "base/ascii.h"

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

bool PStringEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(a[i])) !=
        FoldAscii(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace hoard

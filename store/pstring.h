// Length-prefixed byte strings of fixed capacity: one length byte, then the
// bytes, no terminator. Paths and folder texts hold 255 bytes, file names 63.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hoard {

inline constexpr size_t kMaxPathBytes = 255;
inline constexpr size_t kMaxNameBytes = 63;

template <size_t Capacity>
struct PStr {
  static_assert(Capacity <= 255, "the length is one byte");
  static constexpr size_t kCapacity = Capacity;
  uint8_t length = 0;
  std::array<char, Capacity> bytes{};

  std::string_view View() const { return {bytes.data(), length}; }
  bool Empty() const { return length == 0; }
  // Replaces the content; false (and the string left as it was) when the text
  // does not fit. Nothing is ever cut silently here.
  bool Assign(std::string_view text) {
    if (text.size() > Capacity) return false;
    for (size_t i = 0; i < text.size(); ++i) bytes[i] = text[i];
    length = static_cast<uint8_t>(text.size());
    return true;
  }
  // Appends; false (and nothing appended) when it does not fit.
  bool Append(std::string_view text) {
    if (length + text.size() > Capacity) return false;
    for (size_t i = 0; i < text.size(); ++i) bytes[length + i] = text[i];
    length = static_cast<uint8_t>(length + text.size());
    return true;
  }
};

using PString = PStr<kMaxPathBytes>;
using PName = PStr<kMaxNameBytes>;

// The bytes of a NUL-terminated text up to its NUL, cut at 255 bytes.
PString CToPString(const char* text);
// Copies the bytes and a NUL into `out`; false when they do not fit.
bool PToCString(std::string_view pstring, char* out, size_t capacity);
// Equal lengths and equal bytes once ASCII a..z are taken as A..Z; every other
// byte (Shift_JIS included) compares exactly.
bool PStringEqualNoCase(std::string_view a, std::string_view b);

}  // namespace hoard

// Byte texts in test messages: hexadecimal dumps and the first differing
// offset, so that a failure names the byte that is wrong.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hoard::test {

// "A4 A2 0A": each byte as two hexadecimal digits, separated by spaces.
std::string Hex(std::string_view bytes);
// The first offset where the texts differ; npos when they are equal.
size_t FirstDifference(std::string_view a, std::string_view b);

}  // namespace hoard::test

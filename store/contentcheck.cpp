#include "store/contentcheck.h"

namespace hoard {

bool FindStoredHttpHeader(const unsigned char* /*bytes*/, size_t /*n*/, uint32_t& skip,
                          uint32_t& length) {
  // Stored response headers are not recognised yet: every file keeps its
  // bytes as they are.
  skip = 0;
  length = 0;
  return false;
}

bool IsMacBinaryHeader(const unsigned char* bytes, uint64_t fileSize, uint32_t& dataLength) {
  constexpr uint64_t kHeaderBytes = 128;
  if (fileSize < kHeaderBytes) return false;
  if (bytes[0] != 0 || bytes[74] != 0) return false;
  auto allZero = [bytes](int from, int to) {
    for (int i = from; i <= to; ++i) {
      if (bytes[i] != 0) return false;
    }
    return true;
  };
  auto noneZero = [bytes](int from, int to) {
    for (int i = from; i <= to; ++i) {
      if (bytes[i] == 0) return false;
    }
    return true;
  };
  const int nameLength = bytes[1];
  if (nameLength >= 1 && nameLength <= 31) {
    if (!noneZero(2, nameLength + 1) || !allZero(nameLength + 2, 64)) return false;
  } else if (nameLength == 0 || nameLength >= 128) {
    if (!allZero(2, 64)) return false;
  }
  // Type and creator.
  if (!noneZero(65, 72)) return false;
  const uint32_t length = (static_cast<uint32_t>(bytes[83]) << 24) |
                          (static_cast<uint32_t>(bytes[84]) << 16) |
                          (static_cast<uint32_t>(bytes[85]) << 8) | bytes[86];
  if (length > fileSize - kHeaderBytes) return false;
  dataLength = length;
  return true;
}

}  // namespace hoard

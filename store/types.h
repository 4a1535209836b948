// Small shared types of the file layer: result codes, type codes, dates.
#pragma once

#include <cstdint>

namespace hoard {

// Result of a file operation: 0 success, the codes below, or the platform's
// own error number passed through.
using ResultCode = int;
inline constexpr ResultCode kNoError = 0;
inline constexpr ResultCode kGeneralFailure = -1;
inline constexpr ResultCode kVolumeFull = -34;
// A path, folder text or name that does not fit a file reference.
inline constexpr ResultCode kBadName = -37;
inline constexpr ResultCode kNoSuchFile = -43;
inline constexpr ResultCode kNameExists = -48;

// Four characters in one number, the first in the most significant byte.
using TypeCode = uint32_t;
constexpr TypeCode MakeTypeCode(char a, char b, char c, char d) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(d));
}
inline constexpr TypeCode kTypeNone = 0;
inline constexpr TypeCode kTypeText = MakeTypeCode('T', 'E', 'X', 'T');
inline constexpr TypeCode kTypeGif = MakeTypeCode('G', 'I', 'F', 'f');
inline constexpr TypeCode kTypeJpeg = MakeTypeCode('J', 'P', 'E', 'G');
inline constexpr TypeCode kTypeMidi = MakeTypeCode('M', 'i', 'd', 'i');
inline constexpr TypeCode kTypePnra = MakeTypeCode('P', 'N', 'R', 'A');

// The Windows 64-bit file time: 100 ns ticks since 1601-01-01, UTC.
using FileTime = uint64_t;

struct DateRec {
  int16_t year = 0;
  int16_t month = 0;    // 1..12
  int16_t day = 0;      // 1..31
  int16_t hour = 0;
  int16_t minute = 0;
  int16_t second = 0;
  int16_t weekday = 0;  // 1 = Sunday .. 7 = Saturday
};

}  // namespace hoard

// Byte tests that tell EUC-JP from Shift_JIS at one position, and the
// conversion of one EUC-JP character to Shift_JIS in place.
//
// A pair of bytes 0xA1..0xDF reads either as one EUC-JP kanji or as two
// Shift_JIS half-width katakana; the word lists below settle the common
// ambiguous cases. The callers (the page encoding pass, the URL scanner) walk
// a text left to right and decide what to convert; these functions only
// answer for one position.
//
// Contract of every function taking `p`: up to kTextConvLookAhead bytes from p
// are read, so the caller keeps that many bytes readable (a NUL-terminated
// text suffices: no test matches a NUL). Nothing allocates.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace hoard {

inline constexpr size_t kTextConvLookAhead = 6;

constexpr bool IsHalfWidthKanaByte(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
// The lower of the two Shift_JIS lead-byte ranges.
constexpr bool IsSjisLeadLow(unsigned char b) { return b >= 0x81 && b <= 0x9F; }

// A Shift_JIS two-byte character at p, or one of the half-width katakana
// pairs of kSjisKanaBigrams.
bool IsSjisPair(const unsigned char* p);

// A whole word of kKanaWordTable at p.
bool MatchKanaWord(const unsigned char* p);

// What EucPairClass finds at a position.
using EucClass = int;
inline constexpr EucClass kEucNone = 0;          // plain byte or Shift_JIS
inline constexpr EucClass kEucChar = 1;          // an EUC-JP two-byte character
inline constexpr EucClass kEucHalfWidthKana = 2; // 0x8E and a half-width katakana code
inline constexpr EucClass kEucRunSpace = 3;      // a space inside an EUC-JP run

// The class at p given the class found at the previous position (kEucNone at
// the start of a text). JIS X 0212 (0x8F) is never classed as EUC-JP.
EucClass EucPairClass(const unsigned char* p, EucClass previous);

// Converts the two bytes at p from EUC-JP to Shift_JIS in place: a JIS X 0208
// character by row arithmetic, 0x8E + half-width katakana to the full-width
// character (sound marks stay separate marks). 0x8E followed by a byte outside
// 0xA1..0xDF is left as it is.
void EucToSjisPair(unsigned char* p);

// The tables, exposed for their checks. Every entry is a byte sequence written
// with hex escapes; the text it spells is in the comment beside it.
inline constexpr size_t kKanaWordCount = 33;
inline constexpr size_t kSjisKanaBigramCount = 33;
inline constexpr size_t kSjisKanaFragmentCount = 180;
inline constexpr size_t kEucWordCount = 20;
inline constexpr size_t kEucKanaPairCount = 51;
inline constexpr size_t kHalfWidthKanaCount = 0xDF - 0xA1 + 1;

// Half-width katakana words in Shift_JIS, matched over their whole length.
extern const std::array<std::string_view, kKanaWordCount> kKanaWordTable;
// Half-width katakana pairs that IsSjisPair accepts besides the lead ranges.
extern const std::array<std::string_view, kSjisKanaBigramCount> kSjisKanaBigrams;
// Shift_JIS katakana fragments that keep a position from being read as
// EUC-JP; each matches as a prefix of the bytes at a position.
extern const std::array<std::string_view, kSjisKanaFragmentCount> kSjisKanaFragments;

// When an EucWords entry applies beyond its bytes.
enum class EucWordCondition : unsigned char {
  kAlways,
  // Not when the two bytes after the entry are 82 E0: E5 AB 82 E0 is the
  // Shift_JIS text 雖も.
  kNotBeforeSjisMo,
  // Only when the byte after the entry is 0xE9..0xED: ra, ri, ru, re or ro.
  kBeforeRaRow,
};

struct EucWord {
  std::string_view bytes;
  EucWordCondition condition;
};

// Byte sequences typical of EUC-JP text, each matching as a prefix.
extern const std::array<EucWord, kEucWordCount> kEucWords;
// EUC-JP half-width katakana sequences, each matching as a prefix.
extern const std::array<std::string_view, kEucKanaPairCount> kEucKanaPairs;
// The full-width Shift_JIS character of each half-width katakana code
// 0xA1..0xDF, in code order.
extern const std::array<std::array<unsigned char, 2>, kHalfWidthKanaCount> kHalfWidthToFullWidth;

}  // namespace hoard

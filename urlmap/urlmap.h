// URL to local path: the one scanner that turns a URL into the name of its
// mirrored copy (mode 1, a file name) and a link in a mirrored page into the
// reference to that same copy (mode 0, in place). Once a browser has decoded
// a mode 0 link's percent escapes (and the page's "&amp;"), it names exactly
// the folders and file that the output folders and mode 1 make for the URL.
//
// Every name the scan makes is safe to create on both platforms and in both
// modes alike: a component is never ".", "..", a name ending in '.' or ' ',
// a reserved device name (CON, NUL, COM1...), and never holds a bare '\' or
// a control byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hoard {

struct DomainTable;

// The name under which a page stored for an address that ends in a folder
// is kept, and that a link to such an address is given.
inline constexpr std::string_view kFolderPageName = "index.html";

inline constexpr int kMapLink = 0;
inline constexpr int kMapFileName = 1;

// The HTML rewriter's link buffer: 2047 bytes and the NUL.
inline constexpr size_t kLinkBufferBytes = 2048;
// The per-file pipeline's local-name buffer: 387 bytes and the NUL.
inline constexpr size_t kLocalNameBufferBytes = 388;

// Mode 1: `source` is what is left of the URL after the output folders took
// the host and folders (the file-name component with its query); the name is
// written to `output`. Mode 0: `output` and `source` are the same buffer (the
// link); it is rewritten in place. Both texts are NUL-terminated; the
// capacities count the NUL. The preparing rules may rewrite the source in
// place.
//
// At the buffer's limit: nothing is ever written past `outputCapacity`. When a
// write would not fit, the unread rest of the source is dropped and the name
// ends with what was made so far (in mode 0 the link is cut there); the
// result is always NUL-terminated.
//
// Returns the changed flag: 1 when the text was rewritten beyond a plain copy.
int16_t MapUrlToLocalPath(char* output, size_t outputCapacity, char* source,
                          size_t sourceCapacity, int mode);

inline int16_t MapLinkInPlace(char* link, size_t capacity) {
  return MapUrlToLocalPath(link, capacity, link, capacity, kMapLink);
}

// The name the scan gives one folder component of a URL, as it stands on
// disk: what a mode 0 link calls that folder once decoded. Written to `out`
// with a NUL; returns its length (0 for an empty component).
size_t MapFolderName(std::string_view component, char* out, size_t capacity);

// 7 for "http://" (ASCII case ignored), 8 for "https://", 6 for "ftp://"
// (both exact), else 0.
size_t SchemeLength(const char* url);
// 7 for "http://" (case ignored) or 8 for "https://", else 0. For a portal's
// counting wrapper the result also covers the wrapper, so that what follows
// is the wrapped URL after its scheme.
size_t LinkSchemeLength(const char* url);

// Writes the host of `url` (after the scheme as `LinkSchemeLength` counts
// it, up to the first '/', '\\', '?' or '#') in lower case: a host names one
// place whatever its case, and its folder must be one folder on a file
// system that tells case.
void FoldHostCase(char* url);

// Replaces the host of `url` (after its scheme, up to the first '/') by the
// value of the first domain-table entry whose key begins the text after the
// scheme (exact bytes). The process's table when `table` is null; nothing
// without a loaded table. 1 when it replaced; 0 otherwise, also when the
// result would not fit `capacity` bytes with its NUL.
int ApplyDomainConversion(char* url, size_t capacity, const DomainTable* table = nullptr);

constexpr bool IsHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
constexpr int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}
// A "%XX" escape at `at` of `text` (its two digits inside the text), and the
// byte it stands for.
constexpr bool IsEscapeAt(std::string_view text, size_t at) {
  return at + 2 < text.size() && text[at] == '%' &&
         IsHexDigit(static_cast<unsigned char>(text[at + 1])) &&
         IsHexDigit(static_cast<unsigned char>(text[at + 2]));
}
constexpr unsigned char EscapedByteAt(std::string_view text, size_t at) {
  return static_cast<unsigned char>(HexValue(static_cast<unsigned char>(text[at + 1])) * 16 +
                                    HexValue(static_cast<unsigned char>(text[at + 2])));
}
constexpr bool IsPathSeparator(unsigned char c) { return c == '/' || c == ':' || c == '\\'; }

// A full-width character is written as one number, lead byte first.
constexpr uint16_t SjisCode(unsigned char lead, unsigned char trail) {
  return static_cast<uint16_t>((lead << 8) | trail);
}
// A full-width character of the word tests, with its text for the checks.
struct SjisChar {
  uint16_t code;
  std::string_view utf8;
};
// The full-width characters that separate search words.
extern const std::array<SjisChar, 8> kWordSeparatorChars;
// Katakana after which a following katakana word begins (besides ド).
extern const std::array<SjisChar, 7> kKatakanaWordEnds;
// Kanji that end a place or institution name before another kanji word.
extern const std::array<SjisChar, 7> kKanjiWordEnds;

bool IsWordSeparatorChar(uint16_t pair);
// A word boundary after the character `pair` when the next character begins
// with `nextLead`.
bool IsWordBoundary(uint16_t pair, unsigned char nextLead);

}  // namespace hoard

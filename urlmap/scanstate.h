// The working state of one MapUrlToLocalPath call, and the small set of
// operations through which the scan and its rule modules (query rules, site
// rules, infoseek rules) read the source and write the name.
//
// Output model. Every byte of the name as it will stand on disk is one *unit*.
// The scan keeps the units in `disk` (NUL-terminated, so the Japanese tests may
// look ahead) and writes their text form into the caller's output buffer: in
// mode 1 the text is the unit itself; in mode 0 (a link) a unit may be written
// as a percent escape ("%7E") or as an HTML entity ("&amp;"). Every decision
// of the scan and the rules reads `disk`, never the text form, so that a link
// and a file name made from the same URL can only differ in how their units
// are written: once a browser has decoded the link, the two are equal.
//
// Positions in the name (component start, cut mark, query start) are unit
// indexes. The component length is a counter of its own that the rules may set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "store/textconv.h"

namespace hoard {

// The largest buffer the scan works in: the HTML rewriter's link buffer,
// 2047 bytes and the NUL.
inline constexpr size_t kMaxScanBytes = 2048;
// A mapped name component: at most 31 bytes (the file layer's name limit);
// the length limit starts working when a component has grown past 27.
inline constexpr int16_t kComponentMaxBytes = 31;
inline constexpr int16_t kComponentLimitStart = 28;

inline constexpr ptrdiff_t kNoMark = -1;

// Rule modes: flags and states set by the naming rules, all 0 at the start of
// a call. Only the scan's own reactions to them live in the scanner.
struct ScanModes {
  int16_t image = 0;        // the name gets an image extension; counter rules, "cimages" names
  int16_t mapImage = 0;     // a short name gets ".jpg"; the map site rules
  int16_t nameFlat = 0;     // separators become '_'; the link-counter rules
  int16_t newSearch = 0;    // "oq=" is skipped to the next '&'; a new-search collection
  int16_t refine = 0;       // "oq=" is written as '<'; the refine-results rules
  int16_t key = 0;          // "&key=" becomes '_'; the board script rule
  int16_t searchCount = 0;  // "query=" restarts the name as "r_"; the count script rules
  int16_t tagF = 0;         // 1: "?kw=" searches; 2: the go-wrapper, where '&' ends the name
  int16_t robo = 0;         // unit numbers become tags; the robot script reordering
  int16_t ntt = 0;          // links keep words decoded, ".htm" added; the directory rule
  int16_t keywords = 0;     // links keep words decoded; the keyword script reordering
  int16_t bookmark = 0;     // a smaller budget for the extension; the bookmark rule
  int16_t engineKey = 0;    // ".htm" added; the removal of an engine key
  int16_t para = 0;         // page-size and page-change rules; the paged script reordering
  int16_t directory = 0;    // "from=" and an engine name are skipped; the directory rules
  int16_t related = 0;      // '.' and separators cut the name; related-page searches
  int16_t shop = 0;         // catalogue keys become tags; the shop catalogue rules
  int16_t s97 = 0;          // ".htm" added; the filter search reordering
  int16_t seek = 0;         // engine defaults skipped; the portal search rules
  int16_t pursuit = 0;      // 1..3: result-list forms of the pursuit portal
  int16_t queryP = 0;       // hit counts are skipped; "query?p=" searches
  int16_t tagM = 0;         // form defaults skipped; "results.asp?FORM=" searches
  int16_t infoseek = 0;     // 0 none, 1..21: the search service's page kinds
  int16_t from = 0;         // a folder's page is "index.html"; a leading "from=" query
  int16_t jiji = 0;         // ".htm" added; a '-' in a "jiji" news name
  int16_t boad = 0;         // a "boad.exe" name is being built: '&' ends it
  int16_t resultsDest = 0;  // a "results_ct.asp" destination is being built: '&' ends it
  int16_t resultsJaOpen = 0;  // a "results-ja" name before its ';': words stay decoded
  int16_t quoteScript = 0;  // the length limit is off inside a quoted script URL
  int16_t hostingCounter = 0;  // the hosting counter's finishing step; the music-site rule
  int16_t portalWrapper = 0;   // 1: a counting wrapper, 2: an outbound-link wrapper
  int16_t infoseekUrl = 0;     // the URL is one of the search service's own
  int16_t resultOffset = 0;  // the number after "&st=" in an infoseek state
  ptrdiff_t articleMark = kNoMark;
  // The '_' written for a board's message-number key, which a later
  // expression parameter replaces.
  ptrdiff_t boardMark = kNoMark;
};

// The query as it stood when the scan met its '?' (after any reordering):
// the page-number suffix reads its last parameters, which a link rewritten in
// place may already have overwritten.
inline constexpr size_t kQueryCopyBytes = kMaxScanBytes;
struct QueryCopy {
  std::array<char, kQueryCopyBytes> text;
  size_t length = 0;
};

struct ScanState {
  int mode = 1;  // 0: a link, rewritten in place; 1: a file name
  bool inPlace = false;

  // The source: NUL-terminated. In place, it lies in the output buffer right
  // of what has been written, and moves right when the text form grows.
  char* source = nullptr;
  char* sourceBase = nullptr;
  size_t sourceCapacity = 0;  // bytes from sourceBase
  unsigned char previousSourceByte = 0;
  size_t consumed = 0;  // source bytes passed so far (moves of the rest aside)

  // The text form.
  char* output = nullptr;
  size_t outputCapacity = 0;
  size_t outputLength = 0;
  // In place, when the text form needs room that the buffer does not have,
  // the unread source loses its last bytes (sourceCut). When even that is
  // not enough, the write fails and the scan ends (full).
  bool sourceCut = false;
  bool full = false;

  // The units. disk[units] is always 0; unitStart[i] is where unit i begins
  // in the text form, unitStart[units] == outputLength.
  std::array<unsigned char, kMaxScanBytes + 8> disk;
  std::array<uint16_t, kMaxScanBytes + 1> unitStart;
  size_t units = 0;
  size_t initialisedUnits = 0;

  int16_t componentLength = 0;
  size_t componentStart = 0;
  size_t componentConsumed = 0;  // `consumed` when the component began
  ptrdiff_t cutMark = kNoMark;
  ptrdiff_t queryStart = kNoMark;

  // The extension of the name: its bytes (without the '.') once known.
  std::array<char, 4> extension{};
  uint8_t extensionLength = 0;
  bool extensionKnown = false;
  ptrdiff_t extensionDot = kNoMark;  // unit of the '.' recorded in image mode

  int16_t changed = 0;
  bool escapedOutput = false;

  // Japanese text: the pair state of the EUC-JP conversion and the
  // ISO-2022-JP state (0, 1 after ESC, 3 two-byte, 4 holding, -1 ESC in
  // two-byte mode).
  EucClass eucPrevious = kEucNone;
  size_t lastConvertedEnd = 0;  // unit after the last converted pair, 0: none
  int16_t isoState = 0;

  ScanModes modes;
  QueryCopy query;
  // The first two bytes of the URL as the scan began to read it.
  std::array<unsigned char, 2> urlHead{};
};

// What a rule reports to the scan.
enum class RuleOutcome {
  kNotApplied,  // the scan goes on with its next test
  kContinue,    // the rule consumed and wrote; the next iteration starts
  kEnd,         // the name is complete: the scan goes to its finishing steps
};

// --- Reading the source --------------------------------------------------

inline unsigned char SourceByte(const ScanState& s, size_t ahead = 0) {
  return static_cast<unsigned char>(s.source[ahead]);
}
// Exact bytes at the source cursor. Never reads past the source's NUL.
inline bool SourceBeginsWith(const ScanState& s, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (s.source[i] != text[i]) return false;  // the source's NUL never matches
  }
  return true;
}
// Moves the source cursor over n bytes (not past the NUL).
void SkipSource(ScanState& s, size_t n);
// Exact bytes of `pattern` at the source cursor, where every '&' of the
// pattern also matches the "&amp;" of a link taken from a page: the source
// bytes matched, 0 when the pattern does not match. Inline: the rules try
// it at every component.
inline size_t MatchSourceAt(const ScanState& s, std::string_view pattern) {
  size_t used = 0;
  for (char c : pattern) {
    if (s.source[used] != c) return 0;  // the source's NUL never matches
    used += c == '&' && std::strncmp(s.source + used, "&amp;", 5) == 0 ? 5 : 1;
  }
  return used;
}
// Keeps the query that begins `at` bytes after the source cursor, for the
// page-number suffix (a rule that starts a query without the scan's '?').
void KeepQueryCopy(ScanState& s, size_t at);
// "&amp;" counts as one '&' in both modes: 5, or 1 for a plain '&', else 0.
size_t AmpersandLength(const ScanState& s);

// --- Reading the name ----------------------------------------------------

inline std::string_view NameText(const ScanState& s) {
  return {reinterpret_cast<const char*>(s.disk.data()), s.units};
}
inline std::string_view ComponentText(const ScanState& s) {
  return NameText(s).substr(s.componentStart);
}
bool NameEndsWith(const ScanState& s, std::string_view text);
bool ComponentBeginsWith(const ScanState& s, std::string_view text);
inline bool InQuery(const ScanState& s) { return s.queryStart != kNoMark; }

// --- Writing the name ----------------------------------------------------
// Every write is bounded: false (and nothing written) when it does not fit.
// Writes made by rules are plain units and count in the component.

// One unit written as itself (mode 0 still escapes the few bytes that a
// browser would otherwise read as syntax: '%', '?', '#', '"').
bool WriteUnit(ScanState& s, unsigned char value);
bool WriteText(ScanState& s, std::string_view text);
// Copies the next n source bytes as plain units (fewer at the source's end).
bool CopySource(ScanState& s, size_t n);
// A new path component begins at the end of the name: its length, cut mark
// and Japanese run state start afresh.
void BeginComponent(ScanState& s);
// The last n units taken back; the component length shrinks with them and
// marks past the new end are cleared.
void TakeBackUnits(ScanState& s, size_t n);
// Replaces unit i by another byte, keeping how the unit is written (plain or
// as an escape); the text form does not change length.
void ReplaceUnit(ScanState& s, size_t i, unsigned char value);
// Removes n units starting at unit i, moving later units left.
void RemoveUnitsAt(ScanState& s, size_t i, size_t n);

}  // namespace hoard

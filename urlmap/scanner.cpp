// The URL scan: one pass over the source, one iteration per step, the tests
// of an iteration made in a fixed order, the first that applies deciding.
// The rule families (redirects, query rules, site rules, infoseek rules) are
// called at the points where the scan meets them.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "urlmap/redirect.h"
#include "store/textconv.h"
#include "urlmap/infoseek.h"
#include "urlmap/queryrules.h"
#include "urlmap/scanstate.h"
#include "urlmap/scanwrite.h"
#include "urlmap/siterules.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr unsigned char kEsc = 0x1B;
// The words of a portal search cut short keep this many bytes, and room for
// a '_' and an offset of up to three digits.
constexpr size_t kSeekWordsBytes = 24;

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// --- Component prefixes ------------------------------------------------------

// Components whose escapes a link keeps decoded (search words and the like).
constexpr std::string_view kDecodedLinkComponents[] = {
    "cgimat", "odin", "jerky", "navi", "chintai", "NTitles", "GTitles", "oshiete",
    "story.html", "nph-search", "search.cgi", "indexIB.html",
};

// Rule modes read by the scan, as named sets.
using ModeFlag = int16_t ScanModes::*;

// Modes under which a link keeps its escapes decoded (search words).
constexpr ModeFlag kDecodingModes[] = {
    &ScanModes::infoseek, &ScanModes::tagF,  &ScanModes::searchCount, &ScanModes::robo,
    &ScanModes::ntt,      &ScanModes::engineKey, &ScanModes::para,    &ScanModes::directory,
    &ScanModes::seek,     &ScanModes::pursuit, &ScanModes::queryP,    &ScanModes::tagM,
    &ScanModes::keywords, &ScanModes::resultsJaOpen,
};

// Modes whose short names get ".htm".
constexpr ModeFlag kHtmModes[] = {
    &ScanModes::boad,     &ScanModes::searchCount, &ScanModes::shop, &ScanModes::robo,
    &ScanModes::ntt,      &ScanModes::engineKey,   &ScanModes::para, &ScanModes::directory,
    &ScanModes::s97,      &ScanModes::seek,        &ScanModes::pursuit, &ScanModes::queryP,
    &ScanModes::tagM,     &ScanModes::jiji,
};

// Searches whose rule starts the query without a cut mark: words cut in
// the middle still keep the result page's offset.
constexpr ModeFlag kWordCutModes[] = {
    &ScanModes::seek, &ScanModes::robo, &ScanModes::ntt,    &ScanModes::para,
    &ScanModes::tagM, &ScanModes::queryP, &ScanModes::directory,
};

// Modes in which '.' marks a place the name may be cut.
constexpr ModeFlag kDotCutModes[] = {
    &ScanModes::nameFlat, &ScanModes::seek, &ScanModes::pursuit, &ScanModes::related,
};

// Modes in which a path separator is written as '_'.
constexpr ModeFlag kFlatSeparatorModes[] = {
    &ScanModes::nameFlat, &ScanModes::image, &ScanModes::related,
};

template <size_t N>
bool AnyModeSet(const ScanModes& modes, const ModeFlag (&flags)[N]) {
  for (ModeFlag flag : flags) {
    if (modes.*flag != 0) return true;
  }
  return false;
}

// Component prefixes whose short names get ".htm".
constexpr std::string_view kHtmNamePrefixes[] = {"jerky", "GTitles", "_go_"};
constexpr std::string_view kArnPrefix = "_arn=";
constexpr std::string_view kArnCollectionTail = "_col=GN";

// Search-result prefixes that lose their seventh byte before ".htm".
constexpr std::string_view kLetteredSearchPrefixes[] = {
    "searchd_", "searchi_", "searchp_", "searcha_", "searchv_", "searchc_", "searchl_",
};

// Folder names whose leading label is dropped when the name is too long.
struct DroppedPrefix {
  std::string_view text;
  size_t keepMore;  // bytes copied after the prefix is removed
};
constexpr DroppedPrefix kDroppedFolderPrefixes[] = {
    {"www.", 7},
    {"iiinet.", 10},
    {"demura.", 10},
};

// Names the Windows build cannot create, whatever their extension.
constexpr std::string_view kReservedDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$",
                                                      "CONOUT$"};
constexpr std::string_view kNumberedDevices[] = {"COM", "LPT"};

constexpr std::string_view kDefaultPageName = kFolderPageName;

// --- Reading ---------------------------------------------------------------

bool EscapeAt(const char* p) {
  return p[0] == '%' && IsHexDigit(static_cast<unsigned char>(p[1])) &&
         IsHexDigit(static_cast<unsigned char>(p[2]));
}
unsigned char EscapeValue(const char* p) {
  return static_cast<unsigned char>(HexValue(static_cast<unsigned char>(p[1])) * 16 +
                                    HexValue(static_cast<unsigned char>(p[2])));
}

// The byte at `p`, decoded when it is an escape; `length` is its source size.
unsigned char LogicalByte(const char* p, size_t& length) {
  if (EscapeAt(p)) {
    length = 3;
    return EscapeValue(p);
  }
  length = 1;
  return static_cast<unsigned char>(*p);
}

// --- Units and pairs -------------------------------------------------------

// Walks the units from `begin` two at a time over each Shift_JIS pair. True
// when the last unit stands alone (is not the second byte of a pair).
bool LastUnitStandsAlone(const ScanState& s, size_t begin) {
  size_t i = begin;
  bool alone = false;
  while (i < s.units) {
    if (i + 1 < s.units && IsSjisPair(&s.disk[i])) {
      i += 2;
      alone = false;
    } else {
      ++i;
      alone = true;
    }
  }
  return alone;
}

// True when the last unit of the component is the first byte of a two-byte
// character whose second byte is missing.
bool EndsWithDanglingLead(const ScanState& s) {
  return s.units > s.componentStart && LastUnitStandsAlone(s, s.componentStart) &&
         IsSjisLeadByte(s.disk[s.units - 1]);
}

// A '\' right after a first byte 0x81..0x9F of the source is that
// character's second byte. (The pairs of a name are walked again when its
// component is settled, so a bare '\' never reaches the disk.)
bool FollowsLowLeadByte(const ScanState& s) { return IsSjisLeadLow(s.previousSourceByte); }

// --- Mode 0: which escapes a link keeps decoded ------------------------------

bool LinkKeepsDecoded(const ScanState& s) {
  if (AnyModeSet(s.modes, kDecodingModes)) return true;
  for (std::string_view prefix : kDecodedLinkComponents) {
    if (ComponentBeginsWith(s, prefix)) return true;
  }
  return SearchPrefixLength(ComponentText(s)) > 0;
}

// A decoded byte. A link keeps it as the escape it was (so the decoded link
// gives the byte back) unless the component's escapes are read decoded.
bool WriteDecoded(ScanState& s, unsigned char value, std::string_view escapeText) {
  if (s.mode == 0 && !LinkKeepsDecoded(s)) {
    s.escapedOutput = true;
    return PutUnit(s, value, escapeText);
  }
  return WriteUnit(s, value);
}

// A byte copied from the source. After an escape a link goes on writing
// escapes, except for ' ' and '.'.
bool WriteCopied(ScanState& s, unsigned char value) {
  if (s.mode == 0 && s.escapedOutput && value != ' ' && value != '.') {
    return PutEscapedUnit(s, value);
  }
  return WriteUnit(s, value);
}

// A byte that must not stand in a name as itself (a control byte, a '/' or
// ':' decoded from an escape) is written as the three characters of its
// escape: '%' and two hex digits as the source gave them.
bool WriteEscapeAsText(ScanState& s, const char* escape) {
  return WriteUnit(s, '%') && WriteUnit(s, static_cast<unsigned char>(escape[1])) &&
         WriteUnit(s, static_cast<unsigned char>(escape[2]));
}

// --- Japanese text ----------------------------------------------------------

uint16_t PairCodeAt(const ScanState& s, size_t i) { return SjisCode(s.disk[i], s.disk[i + 1]); }

// Converts the EUC-JP pair at unit i to Shift_JIS in place.
void ConvertEucPair(ScanState& s, size_t i, EucClass found) {
  std::array<unsigned char, kTextConvLookAhead + 2> pair{};
  pair[0] = s.disk[i];
  pair[1] = s.disk[i + 1];
  EucToSjisPair(pair.data());
  s.eucPrevious = found;
  s.changed = 1;
  const uint16_t code = SjisCode(pair[0], pair[1]);
  const bool hasCharBefore = i >= s.componentStart + 2 && IsSjisPair(&s.disk[i - 2]);
  const uint16_t before = hasCharBefore ? PairCodeAt(s, i - 2) : 0;
  if (code == 0x8140) {  // the ideographic space between two search words
    ReplaceUnit(s, i, '+');
    RemoveUnitsAt(s, i + 1, 1);
    s.cutMark = static_cast<ptrdiff_t>(i);
    s.lastConvertedEnd = i + 1;
    return;
  }
  ReplaceUnit(s, i, pair[0]);
  ReplaceUnit(s, i + 1, pair[1]);
  s.lastConvertedEnd = i + 2;
  if (IsWordSeparatorChar(code) || (hasCharBefore && IsWordBoundary(before, pair[0]))) {
    s.cutMark = static_cast<ptrdiff_t>(i);
  }
}

// After a decoded byte: an EUC-JP pair is converted; otherwise the byte takes
// part in an ISO-2022-JP two-byte run.
void AfterDecodedByte(ScanState& s) {
  const size_t n = s.units;
  if (n >= s.componentStart + 2 && s.lastConvertedEnd != n - 1) {
    const EucClass found = EucPairClass(&s.disk[n - 2], s.eucPrevious);
    if (found == kEucChar || found == kEucHalfWidthKana) {
      ConvertEucPair(s, n - 2, found);
      return;
    }
    s.eucPrevious = found;
  }
  if (s.isoState == 3) {
    s.isoState = 4;
  } else if (s.isoState == 4) {
    s.isoState = 3;
    const unsigned char first = s.disk[n - 2];
    const unsigned char second = s.disk[n - 1];
    if (n >= s.componentStart + 2 && first >= 0x21 && first <= 0x7E && second >= 0x21 &&
        second <= 0x7E) {
      std::array<unsigned char, kTextConvLookAhead + 2> pair{};
      pair[0] = static_cast<unsigned char>(first | 0x80);
      pair[1] = static_cast<unsigned char>(second | 0x80);
      EucToSjisPair(pair.data());
      ReplaceUnit(s, n - 2, pair[0]);
      ReplaceUnit(s, n - 1, pair[1]);
      s.lastConvertedEnd = n;
      s.changed = 1;
    }
  }
}

// The ISO-2022-JP designations "$B" (after ESC), "(J" and "(B" (after ESC in
// two-byte mode) are dropped, written as they are or as escapes.
bool TakeIsoDesignation(ScanState& s) {
  if (s.isoState != 1 && s.isoState != -1) return false;
  size_t firstLength = 0;
  size_t secondLength = 0;
  const unsigned char first = LogicalByte(s.source, firstLength);
  const unsigned char second = LogicalByte(s.source + firstLength, secondLength);
  if (s.isoState == 1 && first == '$' && second == 'B') {
    s.isoState = 3;
  } else if (s.isoState == -1 && first == '(' && (second == 'J' || second == 'B')) {
    s.isoState = 0;
  } else {
    return false;
  }
  SkipSource(s, firstLength + secondLength);
  s.changed = 1;
  return true;
}

// --- Percent escapes and other bytes ----------------------------------------

void DecodeEscape(ScanState& s) {
  const char* const escape = s.source;
  const unsigned char value = EscapeValue(escape);
  // The escape's text is kept apart: in place its bytes may be overwritten.
  const char text[3] = {escape[0], escape[1], escape[2]};
  // "%2525" is one '%'.
  if (value == '%' && escape[3] == '2' && escape[4] == '5') {
    SkipSource(s, 5);
    WriteDecoded(s, '%', std::string_view(text, 3));
    AfterDecodedByte(s);
    return;
  }
  // '/' and ':' never enter a name: they stay an escape's three characters.
  if (value == '/' || value == ':') {
    SkipSource(s, 3);
    WriteEscapeAsText(s, text);
    s.changed = 1;
    return;
  }
  // An encoded 0x81 followed by '@' (or its escape): the ideographic space
  // between two search words.
  if (value == 0x81 && (escape[3] == '@' || (EscapeAt(escape + 3) && EscapeValue(escape + 3) == '@'))) {
    SkipSource(s, escape[3] == '@' ? 4 : 6);
    s.cutMark = static_cast<ptrdiff_t>(s.units);
    WriteUnit(s, '+');
    s.changed = 1;
    return;
  }
  if (value == kEsc) {
    if (s.isoState == 0) s.isoState = 1;
    if (s.isoState == 3 || s.isoState == 4) s.isoState = -1;
    SkipSource(s, 3);
    s.changed = 1;
    return;
  }
  if (value < 0x20 || value == 0x7F) {
    SkipSource(s, 3);
    WriteEscapeAsText(s, text);
    return;
  }
  SkipSource(s, 3);
  if (s.mode == 1) s.changed = 1;
  WriteDecoded(s, value, std::string_view(text, 3));
  AfterDecodedByte(s);
}

// One step of the ordinary scan: an escape, or a byte copied.
void DecodeOrCopy(ScanState& s) {
  if (TakeIsoDesignation(s)) return;
  const unsigned char c = SourceByte(s);
  if (EscapeAt(s.source)) {
    DecodeEscape(s);
    return;
  }
  if (c < 0x20 || c == 0x7F) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const char text[3] = {'%', kHex[c >> 4], kHex[c & 15]};
    SkipSource(s, 1);
    WriteEscapeAsText(s, text);
    s.changed = 1;
    return;
  }
  // In the later pursuit states a name may be cut where digits begin or end.
  if ((s.modes.pursuit == 2 || s.modes.pursuit == 3) && s.units > s.componentStart &&
      IsDigit(s.disk[s.units - 1]) != IsDigit(c)) {
    s.cutMark = static_cast<ptrdiff_t>(s.units);
  }
  SkipSource(s, 1);
  WriteCopied(s, c);
}

// --- Components ---------------------------------------------------------------

bool IsReservedDeviceName(std::string_view base) {
  for (std::string_view name : kReservedDeviceNames) {
    if (EqualNoCase(base, name)) return true;
  }
  for (std::string_view name : kNumberedDevices) {
    if (base.size() == name.size() + 1 && EqualNoCase(base.substr(0, name.size()), name) &&
        IsDigit(static_cast<unsigned char>(base.back()))) {
      return true;
    }
  }
  return false;
}

// Makes a finished component safe to create on both platforms, the same way
// in both modes: at most 31 bytes, no dangling first byte of a character, no
// bare '\', no '.' or ' ' at its end (so never "." or ".."), and not a device
// name.
void SettleComponent(ScanState& s) {
  const size_t begin = s.componentStart;
  if (s.units <= begin) return;
  const size_t before = s.units;
  // A quoted script address keeps its text in a link, but a file name is
  // never longer than a component may be.
  const bool bounded = !s.modes.quoteScript || s.mode == 1;
  if (bounded && s.units - begin > static_cast<size_t>(kComponentMaxBytes)) {
    TakeBackUnits(s, s.units - begin - kComponentMaxBytes);
  }
  if (EndsWithDanglingLead(s)) TakeBackUnits(s, 1);
  if (s.units <= begin) return;
  for (size_t i = begin; i < s.units;) {
    if (i + 1 < s.units && IsSjisPair(&s.disk[i])) {
      i += 2;
      continue;
    }
    if (s.disk[i] == '\\') {
      ReplaceUnit(s, i, '_');
      s.changed = 1;
    }
    ++i;
  }
  const unsigned char last = s.disk[s.units - 1];
  if (last == '.' || last == ' ') {
    ReplaceUnit(s, s.units - 1, '_');
    s.changed = 1;
  }
  std::string_view base = ComponentText(s);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  if (IsReservedDeviceName(base)) {
    ReplaceUnit(s, begin + base.size() - 1, '_');
    s.changed = 1;
  }
  if (s.units != before) s.changed = 1;
}

// A separator outside a query: the component ends, the separator is written
// ('\' as '/'), and a new component begins.
void TakeSeparator(ScanState& s) {
  const unsigned char c = SourceByte(s);
  const bool hadText = s.consumed > s.componentConsumed;
  SkipSource(s, 1);
  SettleComponent(s);
  // A folder whose every byte fell away (a lone first byte of a character,
  // an ESC) is still a folder: it gets a name, as two separators in a row
  // do not.
  if (hadText && s.units == s.componentStart) {
    WriteUnit(s, '_');
    s.changed = 1;
  }
  WriteUnit(s, c == '\\' ? '/' : c);
  if (c == '\\') s.changed = 1;
  BeginComponent(s);
}

bool StartsComponentHere(const ScanState& s, unsigned char c) {
  if (InQuery(s)) return s.modes.tagF == 2 && (c == '/' || c == ':');
  if (c == '/' || c == ':') return true;
  if (c != '\\') return false;
  const unsigned char next = SourceByte(s, 1);
  return next != 0 && next != '"' && !FollowsLowLeadByte(s);
}

// A counter's name: "Count.cgi", or "Count_" once its value is being written.
bool InCounterComponent(const ScanState& s) {
  return ComponentBeginsWith(s, "Count.cgi") || ComponentBeginsWith(s, "Count_");
}

// --- The length limit ---------------------------------------------------------

// The separator that makes the current component a folder: the next '/',
// ':' or '\' (one that counts as a separator) before the query. The nearest
// one ends the component, so that a port after a long host stays a folder.
const char* FolderSeparatorAhead(const ScanState& s) {
  for (const char* p = s.source; *p != '\0' && *p != '?'; ++p) {
    if (*p == '/' || *p == ':') return p;
    if (*p != '\\' || p[1] == '\0' || p[1] == '"') continue;
    const bool secondByte = p > s.source ? IsSjisLeadLow(static_cast<unsigned char>(p[-1]))
                                         : FollowsLowLeadByte(s);
    if (!secondByte) return p;
  }
  return nullptr;
}

// Copies ordinary steps until `units` more have been written or `remaining`
// source bytes have been passed since `start` (counted by consumption: in
// place the unread source may move while the name is written).
void CopyUnitsBefore(ScanState& s, size_t start, size_t remaining, size_t units) {
  const size_t target = s.units + units;
  while (s.consumed - start < remaining && s.units < target && SourceByte(s) != 0 && !s.full) {
    DecodeOrCopy(s);
  }
}

// A long folder name keeps 31 bytes; a leading "www." (or one of the other
// two prefixes) is dropped only when the name is too long.
void CutFolder(ScanState& s, const char* separator) {
  const size_t remaining = static_cast<size_t>(separator - s.source);
  const size_t start = s.consumed;
  if (remaining < 4) {
    CopyUnitsBefore(s, start, remaining, remaining);
  } else {
    size_t more = 3;
    for (const DroppedPrefix& prefix : kDroppedFolderPrefixes) {
      if (ComponentBeginsWith(s, prefix.text)) {
        RemoveUnitsAt(s, s.componentStart, prefix.text.size());
        more = prefix.keepMore;
        break;
      }
    }
    const int room = kComponentMaxBytes - s.componentLength;
    CopyUnitsBefore(s, start, remaining,
                    std::min<size_t>(more, room > 0 ? static_cast<size_t>(room) : 0));
  }
  s.changed = 1;
  const size_t passed = s.consumed - start;
  if (passed < remaining) SkipSource(s, remaining - passed);
  // The separator itself, unless the end of a cut link came first.
  if (s.consumed - start == remaining && IsPathSeparator(SourceByte(s))) TakeSeparator(s);
}

// The input's extension: the text after the last '.' of its last path
// component (which the current component is), up to the query. It counts
// with 1 to 4 bytes and no escapes.
bool FindInputExtension(const ScanState& s, std::array<char, 4>& ext, size_t& length) {
  const char* end = s.source;
  while (*end != '\0' && *end != '?') ++end;
  const std::string_view unread(s.source, static_cast<size_t>(end - s.source));
  std::string_view before;
  std::string_view after;
  const size_t dot = unread.rfind('.');
  if (dot != std::string_view::npos) {
    after = unread.substr(dot + 1);
  } else {
    const std::string_view written = ComponentText(s);
    const size_t writtenDot = written.rfind('.');
    if (writtenDot == std::string_view::npos) return false;
    before = written.substr(writtenDot + 1);
    after = unread;
  }
  length = before.size() + after.size();
  if (length < 1 || length > 4) return false;
  size_t k = 0;
  for (std::string_view part : {before, after}) {
    for (char c : part) {
      const unsigned char b = static_cast<unsigned char>(c);
      if (b == '%' || b < 0x20 || b == 0x7F) return false;
      ext[k++] = c;
    }
  }
  return true;
}

// The component is the file name: it ends with its extension kept, within
// 31 bytes.
void EndFileName(ScanState& s) {
  std::array<char, 4> ext{};
  size_t length = 0;
  if (!FindInputExtension(s, ext, length)) return;  // the name ends as it is
  const std::string_view extension(ext.data(), length);
  int remove = 0;
  const bool endsHtml = NameEndsWith(s, ".html");
  if (endsHtml || NameEndsWith(s, ".htm")) {
    remove = s.componentLength - (endsHtml ? 29 : 28) - (s.modes.bookmark ? 2 : 0);
    if (remove <= 0) return;
    TakeBackUnits(s, endsHtml ? 5 : 4);
  } else {
    remove = s.componentLength + static_cast<int>(length) - 30;
    if (extension == "html") remove += 2;
    if (extension == "htm") remove += 3;
    // The extension's first bytes may already be written after a '.'.
    for (size_t m = 1; m <= length; ++m) {
      std::array<char, 5> begun{};
      begun[0] = '.';
      std::copy(ext.begin(), ext.begin() + m, begun.begin() + 1);
      if (NameEndsWith(s, std::string_view(begun.data(), m + 1))) {
        TakeBackUnits(s, m + 1);
        remove = std::max(0, remove - static_cast<int>(m));
        break;
      }
    }
  }
  if (remove > 0) TakeBackUnits(s, static_cast<size_t>(remove));
  if (EndsWithDanglingLead(s)) TakeBackUnits(s, 1);
  WriteUnit(s, '.');
  WriteText(s, extension);
  s.changed = 1;
}

// Runs when the component has grown past 27 bytes. True when the name ends.
bool LimitComponent(ScanState& s) {
  if (s.modes.nameFlat) {
    LimitNameFlatComponent(s);
    EndFileName(s);
    return true;
  }
  if (!InQuery(s)) {
    if (const char* separator = FolderSeparatorAhead(s)) {
      CutFolder(s, separator);
      return false;
    }
  }
  if (InCounterComponent(s)) {
    for (int i = 0; i < 3 && SourceByte(s) != 0 && !s.full; ++i) {
      const unsigned char c = SourceByte(s);
      if (c == '-' || (c == '.' && SourceBeginsWith(s, ".dat"))) {
        s.cutMark = static_cast<ptrdiff_t>(s.units);
      }
      DecodeOrCopy(s);
    }
    s.changed = 1;
    return true;
  }
  if (InQuery(s) && !(s.componentLength == kComponentLimitStart && NameEndsWith(s, ".html"))) {
    const unsigned char c = SourceByte(s);
    const bool atEnd = c == 0;
    if (s.cutMark != kNoMark) {
      ApplyPageNumberSuffix(s, static_cast<size_t>(s.cutMark));
    } else if (atEnd || c == '&' || c == '.' || s.modes.pursuit == 2 || s.modes.pursuit == 3) {
      ApplyPageNumberSuffix(s, s.units);
    } else if (AnyModeSet(s.modes, kWordCutModes)) {
      // A search's words cut in the middle: the words give room to the
      // result page's offset, so that its pages keep names of their own.
      ApplyPageNumberSuffix(s, s.componentStart + kSeekWordsBytes);
    }
    s.changed = 1;
    return true;
  }
  EndFileName(s);
  return true;
}

// --- Steps of the scan ------------------------------------------------------

// A '&' inside a query. True when the name ends.
bool TakeQueryAmpersand(ScanState& s) {
  const size_t ampLength = AmpersandLength(s);
  // In an infoseek state the result offset after "st=" is remembered.
  if (s.modes.infoseek != 0 && SourceBeginsWith(s, "&st=")) {
    s.cutMark = static_cast<ptrdiff_t>(s.units);
    int offset = 0;
    for (size_t i = 4; i < 7 && IsDigit(SourceByte(s, i)); ++i) {
      offset = offset * 10 + (SourceByte(s, i) - '0');
    }
    s.modes.resultOffset = static_cast<int16_t>(offset);
  }
  if (s.modes.boad || s.modes.resultsDest || s.modes.tagF == 2) return true;
  const RuleOutcome outcome = ApplyParameterRules(s);
  if (outcome == RuleOutcome::kEnd) return true;
  if (outcome == RuleOutcome::kContinue) return false;
  SkipSource(s, ampLength);
  const bool underscoreAtMark = s.cutMark != kNoMark &&
                                static_cast<size_t>(s.cutMark) + 1 == s.units &&
                                NameEndsWith(s, "_");
  if (!underscoreAtMark) {
    s.cutMark = static_cast<ptrdiff_t>(s.units);
    WriteUnit(s, '_');
  }
  s.changed = 1;
  return false;
}

// A '?': the query begins (the leading-key rules decide what is written).
// True when the name ends.
bool TakeQuestionMark(ScanState& s) {
  const RuleOutcome outcome = ApplyLeadingKeyRules(s);
  if (outcome == RuleOutcome::kEnd) return true;
  if (outcome == RuleOutcome::kContinue) return false;
  SkipSource(s, 1);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  s.cutMark = s.queryStart;
  WriteUnit(s, '_');
  s.changed = 1;
  return false;
}

// '/' or ':' inside a query, written or kept as an escape, so that the name
// stays one component: "%2F" in a file name, "%252F" in a link.
bool TakeQuerySeparator(ScanState& s) {
  const unsigned char c = SourceByte(s);
  if (c == '/' || c == ':') {
    SkipSource(s, 1);
    const char text[3] = {'%', c == '/' ? '2' : '3', c == '/' ? 'F' : 'A'};
    WriteEscapeAsText(s, text);
    s.changed = 1;
    return true;
  }
  if (EscapeAt(s.source) && (EscapeValue(s.source) == '/' || EscapeValue(s.source) == ':')) {
    const char text[3] = {s.source[0], s.source[1], s.source[2]};
    SkipSource(s, 3);
    WriteEscapeAsText(s, text);
    if (s.mode == 0) s.changed = 1;
    return true;
  }
  return false;
}

// A byte at which a name may be cut: '<' in the search service's pages, a
// '-' in a counter or related-page name, a counter's ".dat".
bool IsCutByte(const ScanState& s, unsigned char c) {
  if (c == '<') return s.modes.infoseek != 0;
  if (c == '-') return s.modes.related != 0 || InCounterComponent(s);
  return c == '.' && InCounterComponent(s) && SourceBeginsWith(s, ".dat");
}

// Bytes with a meaning in some components. True when the byte was taken.
bool TakeSpecialByte(ScanState& s, unsigned char c) {
  if (c == '-' && !s.modes.jiji && ComponentBeginsWith(s, "jiji")) s.modes.jiji = 1;
  if ((c == '-' || c == '_') && ComponentBeginsWith(s, "cimages")) s.modes.image = 1;
  if (IsCutByte(s, c)) {
    s.cutMark = static_cast<ptrdiff_t>(s.units);
    DecodeOrCopy(s);
    return true;
  }
  if (c == '|' && ComponentBeginsWith(s, "Count.cgi") && SourceBeginsWith(s, "|df=")) {
    const RuleOutcome outcome = ApplyCounterBar(s);
    if (outcome != RuleOutcome::kNotApplied) return true;
  }
  return false;
}

// '+' and '|', literal or decoded from an escape.
bool TakePlusOrBar(ScanState& s) {
  const unsigned char c = SourceByte(s);
  unsigned char value = 0;
  size_t length = 0;
  if (c == '+' || c == '|') {
    value = c;
    length = 1;
  } else if (EscapeAt(s.source) && (EscapeValue(s.source) == '+' || EscapeValue(s.source) == '|')) {
    value = EscapeValue(s.source);
    length = 3;
  } else {
    return false;
  }
  const char text[3] = {s.source[0], length == 3 ? s.source[1] : '\0',
                        length == 3 ? s.source[2] : '\0'};
  SkipSource(s, length);
  const bool inRun = s.units > s.componentStart &&
                     (s.disk[s.units - 1] == '+' || s.disk[s.units - 1] == '|');
  const size_t at = s.units;
  if (s.modes.tagF != 0) {
    if (NameEndsWith(s, "+|")) {
      TakeBackUnits(s, 1);
      s.changed = 1;
      return true;
    }
  } else if (s.modes.infoseek != 0) {
    if (NameEndsWith(s, "+")) {
      s.changed = 1;
      return true;
    }
    if (value != '+') s.changed = 1;
    value = '+';
    length = 1;
  }
  if (length == 3) {
    WriteDecoded(s, value, std::string_view(text, 3));
  } else {
    WriteUnit(s, value);
  }
  if (!inRun) s.cutMark = static_cast<ptrdiff_t>(at);
  return true;
}

void Scan(ScanState& s) {
  for (;;) {
    if (s.full) return;
    if (s.componentLength >= kComponentLimitStart && !s.modes.quoteScript) {
      if (LimitComponent(s)) return;
      continue;
    }
    const unsigned char c = SourceByte(s);
    if (c == 0) return;

    if (SourceBeginsWith(s, ".htm")) {
      const bool html = SourceBeginsWith(s, ".html");
      CopySource(s, html ? 5 : 4);
      // The search service's Japanese view after a page's name is a default.
      if (const size_t tail = html ? MatchSourceAt(s, "&sv=JP") : 0) {
        SkipSource(s, tail);
        s.changed = 1;
      }
      continue;
    }
    if (s.componentLength == 0) {
      const RuleOutcome outcome = ApplyComponentStartRules(s);
      if (outcome == RuleOutcome::kEnd) return;
      if (outcome == RuleOutcome::kContinue) continue;
    }
    RuleOutcome outcome = ApplyAnyPositionRules(s);
    if (outcome == RuleOutcome::kEnd) return;
    if (outcome == RuleOutcome::kContinue) continue;
    outcome = ApplyArticleNumberRule(s);
    if (outcome == RuleOutcome::kEnd) return;
    if (outcome == RuleOutcome::kContinue) continue;

    if (c == '&' && InQuery(s)) {
      if (TakeQueryAmpersand(s)) return;
      continue;
    }
    if (c == '_' && (s.modes.infoseek == 2 || s.modes.infoseek == 3)) {
      s.modes.articleMark = static_cast<ptrdiff_t>(s.units + 1);
      CopySource(s, 1);
      continue;
    }
    if (c == '.') {
      if (s.modes.image) {
        s.extensionDot = static_cast<ptrdiff_t>(s.units);
        CopySource(s, 1);
        continue;
      }
      if (AnyModeSet(s.modes, kDotCutModes)) {
        s.cutMark = static_cast<ptrdiff_t>(s.units);
        CopySource(s, 1);
        continue;
      }
    }
    if (AnyModeSet(s.modes, kFlatSeparatorModes) && IsPathSeparator(c)) {
      SkipSource(s, 1);
      if (!NameEndsWith(s, "_")) WriteUnit(s, '_');
      s.cutMark = static_cast<ptrdiff_t>(s.units - 1);
      s.changed = 1;
      continue;
    }
    if (StartsComponentHere(s, c)) {
      TakeSeparator(s);
      continue;
    }
    if (InQuery(s) && TakeQuerySeparator(s)) continue;
    if (c == '@' && InQuery(s)) {
      s.cutMark = static_cast<ptrdiff_t>(s.units);
      CopySource(s, 1);
      continue;
    }
    if (c == '?' && !(s.previousSourceByte == '_' && s.componentLength > 0)) {
      if (TakeQuestionMark(s)) return;
      continue;
    }
    if (AmpersandLength(s) == 5) {
      // "&amp;" is one '&'; a link keeps the entity its page needs.
      SkipSource(s, 5);
      if (s.mode == 0) {
        s.escapedOutput = false;
        PutUnit(s, '&', "&amp;");
      } else {
        WriteUnit(s, '&');
      }
      continue;
    }
    if (TakeSpecialByte(s, c)) continue;
    if (TakePlusOrBar(s)) continue;
    DecodeOrCopy(s);
  }
}

// --- Finishing --------------------------------------------------------------

// The next source byte, decoded when it is an escape.
unsigned char NextSourceValue(const ScanState& s) {
  size_t length = 0;
  return LogicalByte(s.source, length);
}

void DropDanglingByte(ScanState& s) {
  if (s.units <= s.componentStart || !LastUnitStandsAlone(s, s.componentStart)) return;
  const unsigned char last = s.disk[s.units - 1];
  if (IsSjisLeadByte(last)) {
    TakeBackUnits(s, 1);
    return;
  }
  std::array<unsigned char, kTextConvLookAhead + 2> pair{};
  pair[0] = last;
  pair[1] = NextSourceValue(s);
  const EucClass found = EucPairClass(pair.data(), s.eucPrevious);
  if (found == kEucChar || found == kEucHalfWidthKana) TakeBackUnits(s, 1);
}

// The name's extension for the image rules: the one recorded at its '.', or
// the last '.' within the final 5 bytes.
void SettleExtension(ScanState& s) {
  if (s.extensionKnown) return;
  size_t dot = s.units;
  if (s.extensionDot != kNoMark) {
    dot = static_cast<size_t>(s.extensionDot);
  } else {
    const size_t from = s.units > 5 ? s.units - 5 : 0;
    for (size_t i = s.units; i > from; --i) {
      if (s.disk[i - 1] == '.') {
        dot = i - 1;
        break;
      }
    }
  }
  if (dot >= s.units || dot < s.componentStart) return;
  const size_t length = std::min<size_t>(s.units - dot - 1, s.extension.size());
  std::copy_n(s.disk.begin() + dot + 1, length, s.extension.begin());
  s.extensionLength = static_cast<uint8_t>(length);
  s.extensionKnown = length > 0;
}

bool AppendHtm(ScanState& s, bool dropPlus) {
  if (dropPlus && NameEndsWith(s, "+")) TakeBackUnits(s, 1);
  WriteText(s, ".htm");
  s.changed = 1;
  return true;
}

// Names of search results, news and the like get ".htm". True when one did.
bool TakeHtmSuffix(ScanState& s) {
  const ScanModes& m = s.modes;
  const std::string_view component = ComponentText(s);
  const size_t searchPrefix = SearchPrefixLength(component);
  bool applies = AnyModeSet(m, kHtmModes) || searchPrefix > 0 || NewsPrefixLength(component) > 0;
  for (std::string_view prefix : kHtmNamePrefixes) {
    if (ComponentBeginsWith(s, prefix)) applies = true;
  }
  const bool arn = ComponentBeginsWith(s, kArnPrefix);
  applies = applies || arn;
  if (applies) {
    if (s.componentLength >= kComponentLimitStart) return false;
    if (searchPrefix > 0) {
      for (std::string_view lettered : kLetteredSearchPrefixes) {
        if (ComponentBeginsWith(s, lettered)) {
          RemoveUnitsAt(s, s.componentStart + 6, 1);
          break;
        }
      }
    }
    if (arn && NameEndsWith(s, kArnCollectionTail)) TakeBackUnits(s, kArnCollectionTail.size());
    return AppendHtm(s, true);
  }
  if (m.tagF == 1 && s.componentLength < kComponentLimitStart) return AppendHtm(s, false);
  if (BeginsWithBoardScript(component) && s.componentLength < kComponentLimitStart) {
    return AppendHtm(s, false);
  }
  return false;
}

void TakeOtherEndings(ScanState& s) {
  if (s.modes.image) {
    const std::string_view ext(s.extension.data(), s.extensionLength);
    if (!s.extensionKnown) {
      if (NameEndsWith(s, "_gif") || NameEndsWith(s, "_jpg")) {
        ReplaceUnit(s, s.units - 4, '.');
        s.changed = 1;
      } else if (s.componentLength < kComponentLimitStart) {
        WriteText(s, ".gif");
        s.changed = 1;
      }
    } else if (ext == "jpg" && NameEndsWith(s, ".jpg")) {
      if (s.componentLength - 4 < 29) {
        ReplaceUnit(s, s.units - 3, 'g');
        ReplaceUnit(s, s.units - 2, 'i');
        ReplaceUnit(s, s.units - 1, 'f');
      } else {
        TakeBackUnits(s, 4);
      }
      s.changed = 1;
    }
  }
  if (s.modes.mapImage && s.componentLength < kComponentLimitStart) {
    WriteText(s, ".jpg");
    s.changed = 1;
  }
  ApplyInfoseekTailRules(s);
  if (ComponentText(s) == "_col=MI") {
    TakeBackUnits(s, 7);
    WriteText(s, "MI.html");
    s.changed = 1;
  }
  if (NameEndsWith(s, ".jp")) {
    const std::string_view component = ComponentText(s);
    const size_t scheme = component.find("http://");
    if (scheme != std::string_view::npos &&
        component.find('/', scheme + 7) == std::string_view::npos) {
      WriteUnit(s, '/');
      s.changed = 1;
    }
  }
  ApplyInfoseekHtmRule(s);
}

// True when the name ends with `tail` right after a separator. A file name
// is a component of its own: its start counts as one.
bool EndsAfterSeparator(const ScanState& s, std::string_view tail) {
  if (!NameEndsWith(s, tail)) return false;
  if (s.units == tail.size()) return s.mode == 1;
  return s.disk[s.units - tail.size() - 1] == '/';
}

void TakeFinalEndings(ScanState& s) {
  if (EndsAfterSeparator(s, "_")) {
    TakeBackUnits(s, 1);
    s.changed = 1;
  } else if (EndsAfterSeparator(s, "i_")) {
    TakeBackUnits(s, 2);
    s.changed = 1;
  }
  const int16_t state = s.modes.infoseek;
  if (state == 4 || state == 6 || s.modes.from) {
    if (EndsAfterSeparator(s, "i")) TakeBackUnits(s, 1);
    if (NameEndsWith(s, "/") && !NameEndsWith(s, "=/")) WriteText(s, kDefaultPageName);
    s.changed = 1;
  }
  if ((state != 0 || s.modes.from) && ComponentText(s) == "_") {
    TakeBackUnits(s, 1);
    WriteText(s, kDefaultPageName);
    s.changed = 1;
  }
}

void Finish(ScanState& s) {
  if (s.modes.hostingCounter) ApplyHostingCounter(s);
  DropDanglingByte(s);
  SettleExtension(s);
  if (s.cutMark != kNoMark && NameEndsWith(s, "_") && LastUnitStandsAlone(s, s.componentStart)) {
    TakeBackUnits(s, 1);
  }
  if (!TakeHtmSuffix(s)) TakeOtherEndings(s);
  TakeFinalEndings(s);
  SettleComponent(s);
  // An empty file name is the folder's page, as a link to the folder means.
  if (s.mode == 1 && s.units == 0) WriteText(s, kDefaultPageName);
}

// --- Set-up -----------------------------------------------------------------

void Begin(ScanState& s, char* output, size_t outputCapacity, char* source, size_t sourceCapacity,
           int mode) {
  s.mode = mode == 0 ? 0 : 1;
  s.output = output;
  s.outputCapacity = std::min(outputCapacity, kMaxScanBytes);
  s.sourceBase = source;
  s.sourceCapacity = sourceCapacity;
  s.source = source;
  s.inPlace = output == source;
  s.unitStart[0] = 0;
  s.disk[0] = 0;
  s.initialisedUnits = 1;
}

void Prepare(ScanState& s) {
  // A file name is made from what the pipeline left of a URL that already
  // went through the whole-URL rules: its text is never rewritten again (a
  // rule that recognised a page name without its host would put a folder
  // into the file name). A link goes through the same chain as the
  // pipeline's URLs, in the same order: the whole-URL rules, and only when
  // none applied, the redirectors, whose target the scan then reads.
  if (s.mode == 1) {
    s.source = s.sourceBase;
    s.previousSourceByte = 0;
    s.urlHead[0] = static_cast<unsigned char>(s.source[0]);
    if (s.urlHead[0] != 0) s.urlHead[1] = static_cast<unsigned char>(s.source[1]);
    return;
  }
  char* const url = s.sourceBase;
  const size_t capacity = s.inPlace ? s.outputCapacity : s.sourceCapacity;
  const WholeUrlRule rule = ApplyWholeUrlRules(url, capacity, url);
  if (rule == WholeUrlRule::kNone && s.inPlace) {
    RedirectCursors cursors;
    cursors.source = s.sourceBase;
    cursors.output = s.output;
    cursors.outputCapacity = s.outputCapacity;
    if (UnwrapRedirect(cursors) != 0) s.changed = 1;
  }
  switch (rule) {
    case WholeUrlRule::kInfoseek: {
      s.modes.infoseekUrl = 1;
      const size_t length = std::strlen(url);
      if (length > 0 && url[length - 1] == '/' && length + kDefaultPageName.size() < capacity) {
        std::memcpy(url + length, kDefaultPageName.data(), kDefaultPageName.size());
        url[length + kDefaultPageName.size()] = '\0';
      }
      s.changed = 1;
      break;
    }
    case WholeUrlRule::kBookmark:
      s.modes.bookmark = 1;
      s.changed = 1;
      break;
    case WholeUrlRule::kDirectoryLookup:
      s.modes.directory = 1;
      s.changed = 1;
      break;
    case WholeUrlRule::kChannelRedirect:
      s.changed = 1;
      break;
    case WholeUrlRule::kNone:
      break;
  }
  s.source = s.sourceBase;
  s.previousSourceByte = 0;
  s.urlHead[0] = static_cast<unsigned char>(s.source[0]);
  if (s.urlHead[0] != 0) s.urlHead[1] = static_cast<unsigned char>(s.source[1]);
}

void Terminate(ScanState& s) { s.output[s.outputLength] = '\0'; }

// A hosting service's counter linked from a member's page by its rooted
// path lives on the service's CGI host: the link names that host.
void PrefixHostingCounter(ScanState& s) {
  if (s.mode != 0 || !s.modes.hostingCounter) return;
  constexpr std::string_view kCgiFolder = "/cgi-bin";
  const std::string_view address = Sites().hostingCgiAddress.text;
  if (std::string_view(s.output, s.outputLength).substr(0, kCgiFolder.size()) != kCgiFolder) return;
  if (s.outputLength + address.size() + 1 > s.outputCapacity) return;
  std::memmove(s.output + address.size(), s.output, s.outputLength + 1);
  std::memcpy(s.output, address.data(), address.size());
  s.outputLength += address.size();
  s.changed = 1;
}

}  // namespace

int16_t MapUrlToLocalPath(char* output, size_t outputCapacity, char* source, size_t sourceCapacity,
                          int mode) {
  if (output == nullptr || outputCapacity == 0) return 0;
  if (source == nullptr) {
    output[0] = '\0';
    return 0;
  }
  ScanState s;
  // A link given in a buffer of its own is first copied into the output,
  // which is then rewritten in place.
  if (mode == 0 && output != source) {
    const size_t length = std::min(std::strlen(source), std::min(outputCapacity, kMaxScanBytes) - 1);
    std::memmove(output, source, length);
    output[length] = '\0';
    source = output;
    sourceCapacity = outputCapacity;
  }
  Begin(s, output, outputCapacity, source, sourceCapacity, mode);
  // The original text, to tell whether anything was rewritten.
  std::array<char, kMaxScanBytes> original;
  size_t originalLength = 0;
  if (s.inPlace) {
    originalLength = std::min(std::strlen(source), original.size());
    std::memcpy(original.data(), source, originalLength);
  }
  Prepare(s);
  Scan(s);
  Finish(s);
  Terminate(s);
  PrefixHostingCounter(s);
  const std::string_view before =
      s.inPlace ? std::string_view(original.data(), originalLength) : std::string_view(source);
  if (before != std::string_view(output, s.outputLength)) s.changed = 1;
  return s.changed;
}

size_t MapFolderName(std::string_view component, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  // The component is scanned as a folder: followed by a separator.
  std::array<char, kMaxScanBytes> source;
  const size_t length = std::min(component.size(), source.size() - 2);
  std::memcpy(source.data(), component.data(), length);
  source[length] = '/';
  source[length + 1] = '\0';
  std::array<char, kMaxScanBytes> name;
  ScanState s;
  Begin(s, name.data(), name.size(), source.data(), source.size(), 1);
  Scan(s);
  size_t end = s.units;
  if (s.componentStart > 0 && s.disk[s.componentStart - 1] == '/') {
    end = s.componentStart - 1;
  } else {
    SettleComponent(s);
    end = s.units;
  }
  const size_t written = std::min(end, capacity - 1);
  std::memcpy(out, s.disk.data(), written);
  out[written] = '\0';
  return written;
}

}  // namespace hoard

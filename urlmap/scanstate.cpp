#include "urlmap/scanstate.h"

#include <algorithm>
#include <cstring>

#include "urlmap/scanwrite.h"

namespace hoard {
namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

// Bytes a browser reads as link syntax: in a link they are always written as
// escapes, so that the decoded link keeps them as name bytes.
constexpr bool IsLinkSyntaxByte(unsigned char b) {
  return b == '%' || b == '?' || b == '#' || b == '"';
}

// The disk bytes from the end up to `target` are given a value before they
// are read: the Japanese tests look a few bytes past the NUL at disk[units].
void InitialiseUnits(ScanState& s, size_t target) {
  target = std::min(target, s.disk.size());
  if (s.initialisedUnits >= target) return;
  std::memset(s.disk.data() + s.initialisedUnits, 0, target - s.initialisedUnits);
  s.initialisedUnits = target;
}

void ClampMark(ptrdiff_t& mark, size_t units) {
  if (mark != kNoMark && static_cast<size_t>(mark) > units) mark = kNoMark;
}

}  // namespace

bool ReserveText(ScanState& s, size_t bytes) {
  if (s.units >= kMaxScanBytes) {
    s.full = true;
    return false;
  }
  const size_t end = s.outputLength + bytes;
  if (end + 1 > s.outputCapacity) {
    s.full = true;
    return false;
  }
  if (!s.inPlace) return true;
  // In place the text form must stay left of the unread source: the rest of
  // the source moves right first.
  char* const writeEnd = s.output + end;
  if (writeEnd <= s.source) return true;
  const size_t shift = static_cast<size_t>(writeEnd - s.source);
  const size_t rest = std::strlen(s.source) + 1;
  const size_t sourceOffset = static_cast<size_t>(s.source - s.output);
  if (sourceOffset + shift + rest <= s.outputCapacity) {
    std::memmove(s.source + shift, s.source, rest);
    s.source += shift;
    return true;
  }
  // No room for the whole unread rest: it loses its last bytes, as many as
  // this write needs, so that a link too long for its buffer is cut at its end.
  const size_t over = sourceOffset + shift + rest - s.outputCapacity;
  s.sourceCut = true;
  if (over < rest) {
    s.source[rest - 1 - over] = '\0';
    std::memmove(s.source + shift, s.source, rest - over);
    s.source += shift;
  } else {
    s.source = writeEnd;
    *s.source = '\0';
  }
  return true;
}

bool PutUnit(ScanState& s, unsigned char value, std::string_view text) {
  if (!ReserveText(s, text.size())) return false;
  std::memcpy(s.output + s.outputLength, text.data(), text.size());
  InitialiseUnits(s, s.units + kTextConvLookAhead + 2);
  s.unitStart[s.units] = static_cast<uint16_t>(s.outputLength);
  s.outputLength += text.size();
  s.disk[s.units++] = value;
  s.disk[s.units] = 0;
  s.unitStart[s.units] = static_cast<uint16_t>(s.outputLength);
  ++s.componentLength;
  return true;
}

bool PutEscapedUnit(ScanState& s, unsigned char value) {
  const char text[3] = {'%', kUpperHex[value >> 4], kUpperHex[value & 15]};
  return PutUnit(s, value, std::string_view(text, 3));
}

bool WriteUnit(ScanState& s, unsigned char value) {
  if (s.mode == 0 && IsLinkSyntaxByte(value)) {
    s.escapedOutput = true;
    return PutEscapedUnit(s, value);
  }
  s.escapedOutput = false;
  const char text = static_cast<char>(value);
  return PutUnit(s, value, std::string_view(&text, 1));
}

bool WriteText(ScanState& s, std::string_view text) {
  for (char c : text) {
    if (!WriteUnit(s, static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool CopySource(ScanState& s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = SourceByte(s);
    if (c == 0) return true;
    SkipSource(s, 1);
    if (!WriteUnit(s, c)) return false;
  }
  return true;
}

void BeginComponent(ScanState& s) {
  s.componentLength = 0;
  s.componentStart = s.units;
  s.componentConsumed = s.consumed;
  s.cutMark = kNoMark;
  // Japanese runs do not cross a separator: each component is read as the
  // file name alone would be.
  s.eucPrevious = kEucNone;
  s.lastConvertedEnd = 0;
  s.isoState = 0;
}

void TakeBackUnits(ScanState& s, size_t n) {
  n = std::min(n, s.units);
  s.units -= n;
  s.outputLength = s.unitStart[s.units];
  s.disk[s.units] = 0;
  s.componentLength = static_cast<int16_t>(std::max<int>(0, s.componentLength - static_cast<int>(n)));
  if (s.componentStart > s.units) s.componentStart = s.units;
  ClampMark(s.cutMark, s.units);
  ClampMark(s.queryStart, s.units);
  ClampMark(s.extensionDot, s.units);
  ClampMark(s.modes.articleMark, s.units);
  ClampMark(s.modes.boardMark, s.units);
  if (s.lastConvertedEnd > s.units) s.lastConvertedEnd = 0;
}

void ReplaceUnit(ScanState& s, size_t i, unsigned char value) {
  if (i >= s.units) return;
  const size_t start = s.unitStart[i];
  const size_t width = s.unitStart[i + 1] - start;
  s.disk[i] = value;
  if (width == 3 && s.output[start] == '%') {
    s.output[start + 1] = kUpperHex[value >> 4];
    s.output[start + 2] = kUpperHex[value & 15];
  } else if (width == 1) {
    s.output[start] = static_cast<char>(value);
  }
}

void RemoveUnitsAt(ScanState& s, size_t i, size_t n) {
  if (i >= s.units) return;
  n = std::min(n, s.units - i);
  if (n == 0) return;
  const size_t from = s.unitStart[i + n];
  const size_t to = s.unitStart[i];
  const size_t width = from - to;
  std::memmove(s.output + to, s.output + from, s.outputLength - from);
  s.outputLength -= width;
  std::memmove(s.disk.data() + i, s.disk.data() + i + n, s.units - i - n);
  for (size_t k = i; k + n <= s.units; ++k) {
    s.unitStart[k] = static_cast<uint16_t>(s.unitStart[k + n] - width);
  }
  s.units -= n;
  s.disk[s.units] = 0;
  s.componentLength = static_cast<int16_t>(std::max<int>(0, s.componentLength - static_cast<int>(n)));
  auto shiftMark = [&](ptrdiff_t& mark) {
    if (mark == kNoMark) return;
    const size_t m = static_cast<size_t>(mark);
    if (m >= i + n) {
      mark = static_cast<ptrdiff_t>(m - n);
    } else if (m > i) {
      mark = static_cast<ptrdiff_t>(i);
    }
  };
  shiftMark(s.cutMark);
  shiftMark(s.queryStart);
  shiftMark(s.extensionDot);
  shiftMark(s.modes.articleMark);
  shiftMark(s.modes.boardMark);
  if (s.componentStart >= i + n) {
    s.componentStart -= n;
  } else if (s.componentStart > i) {
    s.componentStart = i;
  }
  if (s.lastConvertedEnd > i) s.lastConvertedEnd = 0;
}

void SkipSource(ScanState& s, size_t n) {
  while (n-- > 0 && *s.source != '\0') {
    s.previousSourceByte = static_cast<unsigned char>(*s.source);
    ++s.source;
    ++s.consumed;
  }
}


void KeepQueryCopy(ScanState& s, size_t at) {
  const char* from = s.source;
  for (size_t i = 0; i < at && *from != '\0'; ++i) ++from;
  const size_t length = std::min(std::strlen(from), s.query.text.size() - 1);
  std::memcpy(s.query.text.data(), from, length);
  s.query.text[length] = '\0';
  s.query.length = length;
}

size_t AmpersandLength(const ScanState& s) {
  if (SourceByte(s) != '&') return 0;
  return SourceBeginsWith(s, "&amp;") ? 5 : 1;
}

bool NameEndsWith(const ScanState& s, std::string_view text) {
  const std::string_view name = NameText(s);
  return name.size() >= text.size() && name.substr(name.size() - text.size()) == text;
}

bool ComponentBeginsWith(const ScanState& s, std::string_view text) {
  return ComponentText(s).substr(0, text.size()) == text;
}

}  // namespace hoard

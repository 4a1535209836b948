#include "html/scriptforms.h"

#include <string_view>

namespace hoard {
namespace {

struct ScriptPattern {
  std::string_view pattern;
  uint8_t step;
  unsigned char quote;  // the byte that ends the value; 0: space, '"' or '>'
};

// Script code that opens or names a page, in the order tried, exact case.
// The position moves one byte at a time, so "window.open('" is found at its
// first letter before "open('" could match inside it. The rows that name a
// scheme or a leading '/' step only up to it: it belongs to the address.
constexpr ScriptPattern kScriptPatterns[] = {
    {"open('", 6, '\''},
    {"open(\"", 6, '"'},
    {"window.open('", 13, '\''},
    {"window.open(\"", 13, '"'},
    {"setTimeout(\"location='", 22, '\''},
    {"openWin('", 9, '\''},
    {"var urlOfNewPop= \"http://", 18, '"'},
    {"var popupURL = \"http://", 16, '"'},
    {"var popupURL = \"/", 16, '"'},
    {"baseURL = \"http://", 11, '"'},
    {"\"<img src=http://", 10, 0},
    {"<img src=\\\"http://", 11, '"'},
    {"URL = \"/", 7, '"'},
    {"\"http://", 1, '"'},
    {"'http://", 1, '\''},
};

// How far back, and forward, a condition around a '>' is looked for.
constexpr size_t kConditionReach = 128;

// An address value that the mirror holds: a host-relative path or an http
// address. Relative names are left alone.
bool IsAddressStart(const PageScan& scan, size_t at) {
  return MatchExact(scan, at, "/") || MatchToken(scan, at, "http://");
}

bool HasCloseParenWithin(const PageScan& scan, size_t from) {
  const size_t end = scan.size - from > kConditionReach + 1 ? from + kConditionReach + 1 : scan.size;
  for (size_t i = from; i < end; ++i) {
    if (scan.text[i] == ')') return true;
  }
  return false;
}

}  // namespace

size_t MatchScriptPattern(const PageScan& scan, unsigned char& quote) {
  if (scan.position >= scan.size) return 0;
  const char first = static_cast<char>(scan.text[scan.position]);
  for (const ScriptPattern& row : kScriptPatterns) {
    if (row.pattern[0] == first && MatchExact(scan, scan.position, row.pattern)) {
      quote = row.quote;
      return row.step;
    }
  }
  return 0;
}

size_t MatchFormAttribute(PageScan& scan, const Options& options, AttributeKind& kind) {
  const size_t at = scan.position;
  kind = AttributeKind::kNone;
  switch (scan.tagKind) {
    case TagKind::kAnchor: {
      constexpr std::string_view kOpenWin = "HREF=\"javascript:openWin('";
      if (MatchToken(scan, at, kOpenWin)) {
        kind = AttributeKind::kScriptCall;
        scan.quote = '\'';
        return kOpenWin.size();
      }
      // A page named after "?nexthtml=" in a script call: the '=' starts a
      // second value that runs to the same closing quote.
      if (scan.attributeKind == AttributeKind::kScriptCall && MatchToken(scan, at, "nexthtml=")) {
        kind = AttributeKind::kScriptCall;
        return 8;
      }
      return 0;
    }
    case TagKind::kForm:
      if (options.AdjustFormActions && MatchToken(scan, at, "ACTION=\"") &&
          IsAddressStart(scan, at + 8)) {
        kind = AttributeKind::kFrameSrc;
        return 6;
      }
      return 0;
    case TagKind::kOption:
      if (options.AdjustOptionValues && MatchToken(scan, at, "value=\"") &&
          IsAddressStart(scan, at + 7)) {
        kind = AttributeKind::kFrameSrc;
        return 5;
      }
      return 0;
    case TagKind::kButton:
      if (MatchExact(scan, at, "top.location.href")) {
        kind = AttributeKind::kFrameSrc;
        return 17;
      }
      return 0;
    default:
      return 0;
  }
}

bool IsScriptConditionGreater(const PageScan& scan, size_t /*greaterAt*/) {
  const size_t from = scan.position < scan.size ? scan.position : scan.size;
  const size_t limit = from > kConditionReach ? from - kConditionReach : 0;
  for (size_t i = from; i > limit;) {
    --i;
    if (scan.text[i] != '(') continue;
    size_t run = i;  // first byte of the run of '(' and spaces ending at i
    while (run > 0 && (scan.text[run - 1] == '(' || scan.text[run - 1] == ' ')) --run;
    const bool condition = (run >= 2 && (MatchExact(scan, run - 2, "if") ||
                                         MatchExact(scan, run - 2, "||") ||
                                         MatchExact(scan, run - 2, "&&"))) ||
                           (run >= 14 && MatchExact(scan, run - 14, "document.write"));
    if (condition) return HasCloseParenWithin(scan, from);
  }
  return false;
}

}  // namespace hoard

#include "urlmap/redirect.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "urlmap/redirectrows.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";
constexpr std::string_view kHttpWord = "http";
constexpr std::string_view kTransferFolder = "/cb/";
constexpr std::string_view kRedirectMark = "Redirect=";
constexpr std::string_view kParentFolder = "../";

// Exact bytes at the start of `text` (NUL-terminated): a shorter text fails
// at its NUL and is never read past.
bool MatchAt(const char* text, std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (text[i] != pattern[i]) return false;
  }
  return true;
}

bool MatchHostAt(const char* text, const SiteHost& host) {
  return IsSuppliedHost(host) && MatchAt(text, host.text);
}

// The first occurrence of `pattern` at or after `from`, null when none.
const char* FindText(const char* from, std::string_view pattern) {
  for (const char* at = from; *at != '\0'; ++at) {
    if (MatchAt(at, pattern)) return at;
  }
  return nullptr;
}

char* FindText(char* from, std::string_view pattern) {
  const char* at = FindText(static_cast<const char*>(from), pattern);
  return at == nullptr ? nullptr : from + (at - from);
}

// The first '&' after the byte at `at`; an empty text has none.
const char* NextAmpersandAfter(const char* at) {
  if (*at == '\0') return nullptr;
  return std::strchr(at + 1, '&');
}

constexpr bool IsDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// What the prefix analysis finds at the source's start. Every length lies
// inside the source: each counts bytes that were matched.
struct SourcePrefixes {
  size_t scheme = 0;
  size_t portal = 0;    // scheme, portal G's main or search host and '/'
  size_t search = 0;    // scheme and the search service's or partner's host
  size_t transfer = 0;  // where the search-transfer script would stand
  size_t relative = 0;  // a leading "/", "./", "../" or "../../"
};

// Portal G's search host with two digits after its first label.
size_t NumberedSearchHostLength(const char* text) {
  const SiteHost& host = Sites().gSearchHost;
  if (!IsSuppliedHost(host)) return 0;
  const size_t label = host.text.find('.');
  if (label == std::string_view::npos) return 0;
  if (!MatchAt(text, host.text.substr(0, label))) return 0;
  if (!IsDecimalDigit(static_cast<unsigned char>(text[label])) ||
      !IsDecimalDigit(static_cast<unsigned char>(text[label + 1]))) {
    return 0;
  }
  if (!MatchAt(text + label + 2, host.text.substr(label))) return 0;
  return host.length + 2;
}

size_t RelativePrefixLength(const char* text) {
  size_t at = 0;
  while (at < 2 && text[at] == '.') ++at;
  if (text[at] == '/') ++at;
  if (MatchAt(text + at, kParentFolder)) at += kParentFolder.size();
  return at;
}

SourcePrefixes AnalysePrefixes(const char* source) {
  const SiteTable& sites = Sites();
  SourcePrefixes p;
  if (MatchAt(source, kHttp)) {
    p.scheme = kHttp.size();
  } else if (MatchAt(source, kHttps)) {
    p.scheme = kHttps.size();
  } else if (MatchAt(source, kTransferFolder)) {
    p.transfer = kTransferFolder.size();
  }
  const char* host = source + p.scheme;
  size_t numbered = 0;
  if (MatchHostAt(host, sites.gMainHost) && host[sites.gMainHost.length] == '/') {
    p.portal = p.scheme + sites.gMainHost.length + 1;
  } else if (MatchHostAt(host, sites.gSearchHost) && host[sites.gSearchHost.length] == '/') {
    p.portal = p.scheme + sites.gSearchHost.length + 1;
  } else if ((numbered = NumberedSearchHostLength(host)) != 0 && host[numbered] == '/') {
    p.portal = p.scheme + numbered + 1;
  } else if (MatchHostAt(host, sites.iJapaneseHost)) {
    p.search = p.scheme + sites.iJapaneseHost.length;
  } else if (MatchHostAt(host, sites.pMainHost)) {
    p.search = p.scheme + sites.pMainHost.length;
  } else if (MatchHostAt(host, sites.pTranslatorHost) &&
             host[sites.pTranslatorHost.length] == '/') {
    p.transfer = p.scheme + sites.pTranslatorHost.length + 1;
  }
  if (p.scheme == 0 && p.portal == 0 && p.search == 0 && p.transfer == 0) {
    p.relative = RelativePrefixLength(source);
  }
  return p;
}

// The mark that opens a redirector's parameters, in order of preference.
const char* FindMark(const char* source) {
  for (char mark : {'?', ';', '*'}) {
    if (const char* at = std::strchr(source, mark)) return at;
  }
  return FindText(source, kRedirectMark);
}

// The place a row's pattern starts at, null when the row cannot apply.
const char* PlaceOf(RowPlace place, const char* source, const SourcePrefixes& p) {
  switch (place) {
    case RowPlace::kAtStart:
    case RowPlace::kAnywhere:
      return source;
    case RowPlace::kAtStartHttp:
      return MatchAt(source, kHttp) ? source + kHttp.size() : nullptr;
    case RowPlace::kAfterScheme:
      return source + p.scheme;
    case RowPlace::kAfterRelative:
      return source + p.relative;
    case RowPlace::kAfterPortalOrRelative:
      return source + (p.portal != 0 ? p.portal : p.relative);
    case RowPlace::kAfterPortalOrStart:
      return source + p.portal;
    case RowPlace::kAfterSearchPrefix:
      return source + p.search;
    case RowPlace::kAfterSearchPrefixSlash:
      return source + p.search + (source[p.search] == '/' ? 1 : 0);
    case RowPlace::kAtTransferOffset:
      return source + p.transfer;
    case RowPlace::kAfterClickTracking: {
      const size_t offset = FindClickTrackingPath(source);
      return offset != 0 ? source + offset : nullptr;
    }
  }
  return nullptr;
}

// "/cgi-bin/redir", a digit, "/red", the same digit, then the go script:
// the length of that text at `text`, 0 when it is not there.
size_t NumberedScriptLength(const char* text) {
  constexpr std::string_view kFolder = "/cgi-bin/redir";
  constexpr std::string_view kScript = "/red";
  constexpr std::string_view kQuery = ".cgi?from_url=http://";
  if (!MatchAt(text, kFolder)) return 0;
  size_t at = kFolder.size();
  const char digit = text[at];
  if (!IsDecimalDigit(static_cast<unsigned char>(digit))) return 0;
  ++at;
  if (!MatchAt(text + at, kScript)) return 0;
  at += kScript.size();
  if (text[at] != digit) return 0;
  ++at;
  if (!MatchAt(text + at, kQuery)) return 0;
  return at + kQuery.size();
}

// The ';' close after a relocation script, null when there is none.
const char* SemicolonWithin(const char* from) {
  for (size_t i = 0; i < kRelocateWindowBytes && from[i] != '\0'; ++i) {
    if (from[i] == ';') return from + i;
  }
  return nullptr;
}

// A go script named anywhere in the source, unless the source is one of the
// search service's own transfer or redirect scripts.
const char* FindEmbeddedScript(const char* source, const SourcePrefixes& p) {
  if (MatchAt(source + p.transfer, kSearchTransferScript)) return nullptr;
  if (MatchAt(source + p.search, kSearchRedirectScript)) return nullptr;
  for (std::string_view script : kEmbeddedScripts) {
    if (const char* at = FindText(source, script)) return at + script.find(kHttpWord);
  }
  return nullptr;
}

enum class RowMatch { kAbsent, kLaterMissing, kTarget };

struct RowFinding {
  RowMatch match = RowMatch::kAbsent;
  const char* target = nullptr;
};

RowFinding TryRow(const RedirectRow& row, const char* source, size_t sourceLength,
                  const SourcePrefixes& p) {
  RowFinding found;
  if (row.notAtTransfer && MatchAt(source + p.transfer, kSearchTransferScript)) return found;
  if (row.shape == RowShape::kEmbeddedScript) {
    found.target = FindEmbeddedScript(source, p);
    if (found.target != nullptr) found.match = RowMatch::kTarget;
    return found;
  }

  const char* at = PlaceOf(row.place, source, p);
  if (at == nullptr) return found;
  if (row.host != nullptr) {
    const SiteHost& host = Sites().*row.host;
    if (!MatchHostAt(at, host)) return found;
    at += host.length;
  }

  const char* patternEnd = at;
  if (row.shape == RowShape::kNumberedScript) {
    const size_t length = NumberedScriptLength(at);
    if (length == 0) return found;
    patternEnd = at + length;
  } else if (!row.texts[0].text.empty()) {
    const RowText* matched = nullptr;
    for (const RowText& text : row.texts) {
      if (!text.text.empty() && MatchAt(at, text.text)) {
        matched = &text;
        break;
      }
    }
    if (matched == nullptr) return found;
    patternEnd = at + matched->text.size();
    found.target = at + matched->targetAt;
  }

  if (row.shape == RowShape::kSemicolonWithin) {
    const char* semicolon = SemicolonWithin(patternEnd);
    if (semicolon == nullptr) {
      found.match = RowMatch::kLaterMissing;
      return found;
    }
    found.target = semicolon + 1;
  } else if (!row.later[0].text.empty()) {
    const char* from = row.laterFrom == kLaterAfterPattern
                           ? patternEnd
                           : source + std::min<size_t>(row.laterFrom, sourceLength);
    found.target = nullptr;
    for (const RowText& text : row.later) {
      if (text.text.empty()) break;
      if (const char* hit = FindText(from, text.text)) {
        found.target = hit + text.targetAt;
        break;
      }
    }
    if (found.target == nullptr) {
      found.match = RowMatch::kLaterMissing;
      return found;
    }
  }
  found.match = RowMatch::kTarget;
  return found;
}

// Where the target ends: before the end mark, unless the parameter after it
// is one that belongs to the target.
const char* TargetEnd(RowEnd rule, const char* target, const char* endMark,
                      const char* sourceEnd) {
  if (rule == RowEnd::kMark || rule == RowEnd::kMarkUnlessSearch) {
    if (endMark != nullptr && endMark < target) endMark = NextAmpersandAfter(target);
  } else if (rule == RowEnd::kNextAmpersand) {
    endMark = NextAmpersandAfter(target);
  } else if (rule == RowEnd::kToEndWhenQuery) {
    const bool queryFollows = *target != '\0' && std::strchr(target + 1, '?') != nullptr;
    endMark = queryFollows ? nullptr : NextAmpersandAfter(target);
  } else {
    endMark = nullptr;
  }
  if (rule == RowEnd::kMarkUnlessSearch && endMark != nullptr &&
      (MatchAt(endMark + 1, "query=") || MatchAt(endMark + 1, "search"))) {
    endMark = nullptr;
  }
  if (endMark == nullptr || MatchAt(endMark + 1, "sv=") || MatchAt(endMark + 1, "to_url=")) {
    return sourceEnd;
  }
  return endMark;
}

struct Escape {
  std::string_view text;
  char replacement;
};

// Escapes decoded everywhere in a target, in the order they are replaced.
constexpr Escape kTargetEscapes[] = {
    {"%25", '%'}, {"%26", '&'}, {"%2B", '+'}, {"%2D", '-'}, {"%2E", '.'},
    {"%2F", '/'}, {"%3D", '='}, {"%3F", '?'}, {"%2b", '+'}, {"%2d", '-'},
    {"%2e", '.'}, {"%2f", '/'}, {"%3d", '='}, {"%3f", '?'},
};

// Escapes of the ':' decoded only before the target's query.
constexpr Escape kSchemeEscapes[] = {{"%3A", ':'}, {"%3a", ':'}};

// Replaces the escape at `at` by its character, the rest moving left.
void ReplaceEscape(char* at, char replacement) {
  at[0] = replacement;
  std::memmove(at + 1, at + 3, std::strlen(at + 3) + 1);
}

}  // namespace

void DecodeTargetEscapes(char* text) {
  if (text == nullptr) return;
  for (const Escape& escape : kTargetEscapes) {
    // Each search resumes at the character just written, so that an escaped
    // escape is decoded down to its character.
    char* at = text;
    while ((at = FindText(at, escape.text)) != nullptr) {
      ReplaceEscape(at, escape.replacement);
    }
  }
  for (const Escape& escape : kSchemeEscapes) {
    char* from = text;
    while (char* at = FindText(from, escape.text)) {
      if (std::memchr(from, '?', static_cast<size_t>(at - from)) != nullptr) break;
      ReplaceEscape(at, escape.replacement);
      from = at;
    }
  }
}

size_t FindClickTrackingPath(const char* text) {
  // The section words after the portal's domain, in the order they are tried.
  static constexpr std::string_view kSectionWords[] = {
      "M=",       "sr",       "home",        "search",       "results", "goo/",
      "ybb/main/search",      "fc",          "geo",          "cafe",    "visa",
      "bizex",    "event",    "ybbmg",       "quick",        "random",  "remote",
      "address",  "gakusai",  "notepad",     "research",     "shopping",
      "othersearch",          "ybb/main/top",
  };
  static constexpr SiteHost SiteTable::*kCountryLabels[] = {
      &SiteTable::yCountryLabel1, &SiteTable::yCountryLabel2, &SiteTable::yCountryLabel3,
      &SiteTable::yCountryLabel4, &SiteTable::yCountryLabel5,
  };
  static constexpr SiteHost SiteTable::*kRedirectLabels[] = {
      &SiteTable::yRedirectLabel1, &SiteTable::yRedirectLabel2,
  };
  static constexpr SiteHost SiteTable::*kDomains[] = {&SiteTable::yDomain1,
                                                      &SiteTable::yDomain2};

  if (text == nullptr || !MatchAt(text, kHttp)) return 0;
  const SiteTable& sites = Sites();
  size_t at = kHttp.size();
  for (auto label : kCountryLabels) {
    if (MatchHostAt(text + at, sites.*label)) {
      at += (sites.*label).length;
      break;
    }
  }
  for (auto label : kRedirectLabels) {
    if (MatchHostAt(text + at, sites.*label)) {
      at += (sites.*label).length;
      break;
    }
  }
  bool domainFound = false;
  for (auto domain : kDomains) {
    const SiteHost& host = sites.*domain;
    if (MatchHostAt(text + at, host) && text[at + host.length] == '/') {
      at += host.length + 1;
      domainFound = true;
      break;
    }
  }
  if (!domainFound) return 0;
  for (std::string_view word : kSectionWords) {
    if (MatchAt(text + at, word)) return at + word.size();
  }
  const SiteHost& french = sites.frenchPathWord;
  if (MatchHostAt(text + at, french) && text[at + french.length] == '/') {
    return at + french.length + 1;
  }
  return 0;
}

int UnwrapRedirect(RedirectCursors& cursors) {
  char* const source = cursors.source;
  char* const output = cursors.output;
  if (source == nullptr || output == nullptr || cursors.outputCapacity == 0) return 0;

  const char* mark = FindMark(source);
  if (mark == nullptr) return 0;
  const char* endMark = std::strchr(mark + 1, '&');
  const size_t sourceLength = std::strlen(source);
  char* const sourceEnd = source + sourceLength;
  const SourcePrefixes prefixes = AnalysePrefixes(source);

  for (const RedirectRow& row : kRedirectRows) {
    const RowFinding found = TryRow(row, source, sourceLength, prefixes);
    if (found.match == RowMatch::kAbsent) continue;
    if (found.match == RowMatch::kLaterMissing) {
      if (row.fallsThrough) continue;
      return 0;
    }

    const char* target = found.target;
    const char* targetEnd = TargetEnd(row.end, target, endMark, sourceEnd);
    const size_t length = static_cast<size_t>(targetEnd - target);
    // A redirector that names no target is left as it is.
    if (length == 0) return 0;
    const size_t added = row.addsScheme && !MatchAt(target, kHttpWord) ? kHttp.size() : 0;
    // A target that does not fit whole is not written at all.
    if (added + length >= cursors.outputCapacity) return 0;

    // Source and output may be one buffer: the target moves first, the
    // scheme is written in front of it after.
    std::memmove(output + added, target, length);
    std::memcpy(output, kHttp.data(), added);
    output[added + length] = '\0';
    DecodeTargetEscapes(output);

    if (std::strchr(output, '?') != nullptr) {
      cursors.targetStart = nullptr;
      cursors.source = output + added;
      cursors.output = output + added;
    } else {
      const size_t rest = static_cast<size_t>(sourceEnd - target);
      const int grown = cursors.consumed + static_cast<int>(std::min<size_t>(
                                               rest, std::numeric_limits<int16_t>::max()));
      cursors.consumed =
          static_cast<int16_t>(std::min<int>(grown, std::numeric_limits<int16_t>::max()));
      cursors.targetStart = output;
      cursors.output = output + std::strlen(output);
      cursors.source = sourceEnd;
    }
    return 1;
  }
  return 0;
}

}  // namespace hoard

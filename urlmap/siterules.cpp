#include "urlmap/siterules.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "store/textconv.h"
#include "urlmap/infoseek.h"
#include "urlmap/nametables.h"
#include "urlmap/queryrules.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

// What a whole-URL rule leaves behind when it does not apply.
constexpr size_t kWholeUrlCopyBytes = 512;

int CopyUnchanged(char* dest, size_t destCapacity, const char* url) {
  if (dest != url && destCapacity > 0) {
    size_t length = std::min(std::strlen(url), kWholeUrlCopyBytes);
    length = std::min(length, destCapacity - 1);
    std::memmove(dest, url, length);
    dest[length] = '\0';
  }
  return 0;
}

constexpr std::string_view kHttpScheme = "http://";

// An article name with its number stays within this many bytes.
constexpr size_t kArticleNameBytes = 24;

// A whole-URL rewrite is built here, then handed over whole: a result that
// does not fit the destination leaves the rule unapplied.
struct WholeUrl {
  std::array<char, kMaxScanBytes> text;
  size_t length = 0;
  bool overflow = false;

  void Append(std::string_view part) {
    if (overflow || part.size() >= text.size() - length) {
      overflow = true;
      return;
    }
    std::memcpy(text.data() + length, part.data(), part.size());
    length += part.size();
  }
  // dest may be the url the rule read: the new text is complete before it
  // is copied.
  bool Deliver(char* dest, size_t destCapacity, const char* url) {
    if (overflow || length >= destCapacity) {
      CopyUnchanged(dest, destCapacity, url);
      return false;
    }
    std::memcpy(dest, text.data(), length);
    dest[length] = '\0';
    return true;
  }
};

// The channel redirector's two scripts: a "from" page with the target behind
// a later key, or the target straight after the script.
struct ChannelRow {
  std::string_view script;
  std::string_view targetKey;  // empty: the target follows the script
  int result;
};
constexpr ChannelRow kChannelRows[] = {
    {"/cgi-bin/redir.cgi?from_url=/", "&to_url=/", 1},
    {"/cgi-bin/mycom/redir_ch8.cgi?to=", "", 2},
};

// The navigation portal's bookmark pages. The page word is also the rule's
// result.
constexpr std::string_view kBookmarkFolder = "/service/mybookmark/";
constexpr std::string_view kGenreFolder = "/genre";
constexpr std::string_view kDirectoryUserFolder = "/NTTDIRUSR/";
constexpr std::string_view kBookmarkKey = ".html?keyno=";
constexpr std::string_view kKeyNumber = "keyno=";
struct BookmarkPage {
  std::string_view word;
  bool outsideBookmarkFolderOnly;
};
constexpr BookmarkPage kBookmarkPages[] = {
    {"relations", true},
    {"mybookmark", false},
};

// The directory service's lookup scripts, both answered by its search script.
struct LookupScript {
  SiteHost SiteTable::* host;
  std::string_view script;
};
constexpr LookupScript kLookupScripts[] = {
    {&SiteTable::directoryLookupHost, "/lookup.cgi?"},
    {&SiteTable::directoryMainHost, "/search/lookup-main.cgi?"},
};
constexpr std::string_view kDirectorySearchScript = "/search/csj?";

// A component-start rule of the common shape: a text recognised at the start
// of a component, a replacement written, the query (and a cut mark) set at a
// place in the replacement, the recognised text skipped except its last
// `keep` bytes, which the scan then reads as usual, and a mode set.
inline constexpr int kNoPlace = -1;
struct StartRow {
  std::string_view text;
  std::string_view written;
  int queryAt;  // offset in `written`, kNoPlace: the query is not set
  int cutAt;    // offset in `written`, kNoPlace: no cut mark
  size_t keep;
  int16_t ScanModes::* mode;  // nullptr: no mode
};

// Tried first, in this order.
constexpr StartRow kStartRowsFirst[] = {
    {"results-ja;kw=", "results-ja_kw=", 0, kNoPlace, 0, &ScanModes::resultsJaOpen},
    {"intr.det?shopcd0=", "intr_shop", 4, kNoPlace, 0, &ScanModes::shop},
    {"intr.lst?code0=", "intr_code", 4, kNoPlace, 0, &ScanModes::shop},
    {"fr_syosai.html?PAGE_ID=&RANDOM=&SEQUENCE=&BAITAI=FR&HAN=2&SERV=MIN&ROUT=PREF&ENTRY="
     "&BUKKEN_NO=",
     "fr_syosai.html_", 14, kNoPlace, 0, nullptr},
};

// The search service's title queries, put in their one order in place before
// the scan reads them.
constexpr std::string_view kTitleScripts[] = {"Titles?", "GTitles?", "NTitles?trm="};

// Tried after the title queries, in this order.
constexpr StartRow kIdRow = {"id=", "id=", 0, kNoPlace, 0, nullptr};

// Result lists of the pursuit portal, once it is recognised.
constexpr StartRow kPursuitStoryRows[] = {
    {"story.html?from=jpwebsites&query=", "", 0, kNoPlace, 2, &ScanModes::pursuit},
    {"story.html?query=", "", 0, kNoPlace, 2, &ScanModes::pursuit},
    {"story.html?q=", "", 0, kNoPlace, 2, &ScanModes::pursuit},
    {"operation.html?&d=", "", 0, kNoPlace, 2, &ScanModes::pursuit},
    {"operation.html?d=", "", 0, kNoPlace, 2, &ScanModes::pursuit},
};
// The pursuit state each of those rows sets.
constexpr int16_t kPursuitStoryStates[] = {2, 2, 3, 3, 3};

constexpr StartRow kPartnerRow = {"?Partner=go_home&Keywords=", "_go_", 0, 3, 0, nullptr};
constexpr StartRow kFormRow = {"results.asp?FORM=", "m_", 1, kNoPlace, 5, &ScanModes::tagM};

// The portal searches, in this order. The related-page search comes before
// the plain search, which would otherwise always take it.
constexpr StartRow kSeekRows[] = {
    {"search-weekkw?q=", "", kNoPlace, kNoPlace, 9, &ScanModes::seek},
    {"search-category?q=", "", kNoPlace, kNoPlace, 11, &ScanModes::seek},
    {"search?q=related:", "q=", 2, kNoPlace, 0, &ScanModes::related},
    {"search?q=", "", 0, kNoPlace, 2, &ScanModes::seek},
    {"search?sid=0&key=&q=", "q=", 2, kNoPlace, 0, &ScanModes::seek},
    {"search?navi_size=1&q=", "q=", 2, kNoPlace, 0, &ScanModes::seek},
    {"search_start=", "", 0, kNoPlace, 0, &ScanModes::seek},
    {"search?start=", "", 0, kNoPlace, 0, &ScanModes::seek},
};

// Tried after the scheme row, in this order.
constexpr StartRow kStartRowsAfterScheme[] = {
    {"?kw=", "f_", 0, kNoPlace, 0, &ScanModes::tagF},
    {"?term=monthly&kw=", "f_", 0, kNoPlace, 0, &ScanModes::tagF},
    {"?rt=npl&kw=", "f_", 0, kNoPlace, 0, &ScanModes::tagF},
};

// Tried after the search service's paths, in this order.
constexpr StartRow kStartRowsAfterInfoseek[] = {
    // The directory service's scripts share one name; the '?' stays.
    {"csj?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
    {"lookup-main.cgi?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
    {"lookup.cgi?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
    // A paged script named by its session or query.
    {"para?QueryString=", "v_", 1, kNoPlace, 0, &ScanModes::para},
    {"para?Querystring=", "v_", 1, kNoPlace, 0, &ScanModes::para},
    {"para?SESSIONID=", "v_", 1, kNoPlace, 0, &ScanModes::para},
    {"para?OLDQUERYDISPLAY=", "v_", 1, kNoPlace, 0, &ScanModes::para},
};

// Late rows, after the search naming, in this order.
constexpr StartRow kBannerWrapperRow = {"/banner_ct.asp?http://", "", kNoPlace, kNoPlace, 7, nullptr};
constexpr StartRow kQuoteScriptRow = {"'+", "'+", kNoPlace, kNoPlace, 0, &ScanModes::quoteScript};

RuleOutcome ApplyStartRow(ScanState& s, const StartRow& row) {
  if (MatchSourceAt(s, row.text) == 0) return RuleOutcome::kNotApplied;
  // The bytes passed over, "&amp;" counted as the page wrote it.
  const std::string_view skipped = row.text.substr(0, row.text.size() - row.keep);
  const size_t skip = skipped.empty() ? 0 : MatchSourceAt(s, skipped);
  // A query begun past the text's '?': its parameters are kept for the
  // page-number suffix, as the scan keeps them at a '?'.
  if (const size_t mark = row.text.find('?'); mark != std::string_view::npos && row.queryAt != kNoPlace) {
    KeepQueryCopy(s, MatchSourceAt(s, row.text.substr(0, mark + 1)));
  }
  const size_t at = s.units;
  if (!WriteText(s, row.written)) return RuleOutcome::kEnd;
  if (row.queryAt != kNoPlace) s.queryStart = static_cast<ptrdiff_t>(at) + row.queryAt;
  if (row.cutAt != kNoPlace) s.cutMark = static_cast<ptrdiff_t>(at) + row.cutAt;
  SkipSource(s, skip);
  if (row.mode != nullptr) s.modes.*(row.mode) = 1;
  s.changed = 1;
  return RuleOutcome::kContinue;
}

template <size_t N>
RuleOutcome ApplyStartRows(ScanState& s, const StartRow (&rows)[N]) {
  for (const StartRow& row : rows) {
    const RuleOutcome outcome = ApplyStartRow(s, row);
    if (outcome != RuleOutcome::kNotApplied) return outcome;
  }
  return RuleOutcome::kNotApplied;
}

// Rules tried at every position of the scan, of the same shape as the
// component-start rows, and whether the name ends after them.
struct AnyPositionRow {
  StartRow row;
  bool endsName;
};
constexpr AnyPositionRow kAnyPositionRows[] = {
    // An escaped ':' after "site" restricts a search to one site.
    {{"site%3A", "site", kNoPlace, kNoPlace, 3, &ScanModes::related}, false},
    // A real-estate form's fixed choices are dropped before the one that varies.
    {{".asp?s01=2&s02=2&s10=3&s11=6&s21=", ".asp_s21=", 4, kNoPlace, 0, nullptr}, false},
    {{".asp?s01=2&s02=2&s10=3&s11=6&backurl=%2FwebanV3%2Fmenu02%2Fselect21%2Easp&set1=",
      ".asp_set1=", 4, kNoPlace, 0, nullptr},
     false},
};
// Board scripts named by their script, after the destination wrappers.
constexpr AnyPositionRow kBoardScriptRows[] = {
    // A board's message form is named by its script alone.
    {{".cgi?your_message=", ".cgi", kNoPlace, kNoPlace, 0, nullptr}, true},
    {{".cgi?bbs=", ".cgi_", 4, kNoPlace, 0, &ScanModes::key}, false},
};

// A URL scheme at the start of a component is copied whole and a new
// component starts after it, so that the host becomes the first folder.
RuleOutcome CopyScheme(ScanState& s) {
  if (LinkSchemeLength(s.source) <= 6) return RuleOutcome::kNotApplied;
  // The scheme alone: a counting wrapper in front of the wrapped URL is its
  // own rule.
  const size_t length = SourceBeginsWith(s, "https://") ? 8 : 7;
  CopySource(s, length);
  BeginComponent(s);
  return RuleOutcome::kContinue;
}

// The source with "&amp;" read as '&', bounded.
struct PlainText {
  std::array<char, kMaxScanBytes> text{};
  size_t length = 0;
  bool whole = true;  // false: the source did not fit
  explicit PlainText(const char* source) {
    const char* p = source;
    while (*p != '\0' && length + 1 < text.size()) {
      text[length++] = *p;
      p += std::strncmp(p, "&amp;", 5) == 0 ? 5 : 1;
    }
    whole = *p == '\0';
  }
};

// A title query is rewritten in place when its canonical form is no longer
// than the text it replaces.
void NormaliseTitleScript(ScanState& s) {
  bool title = false;
  for (std::string_view script : kTitleScripts) title = title || SourceBeginsWith(s, script);
  if (!title) return;
  PlainText plain(s.source);
  if (!plain.whole || plain.length >= kInfoseekTextBytes) return;
  std::array<char, kInfoseekTextBytes> normalised{};
  if (NormaliseTitleQuery(normalised.data(), normalised.size(), plain.text.data()) == 0) return;
  const size_t length = std::strlen(normalised.data());
  if (length > std::strlen(s.source)) return;
  std::memcpy(s.source, normalised.data(), length + 1);
  s.changed = 1;
}

// The search service's own addresses, read with "&amp;" as '&'. Only whole
// addresses on its hosts: a rooted or relative link of any other site would
// otherwise be renamed where the pipeline, which sees the page's host, keeps
// its file.
int16_t TestInfoseekAddress(char* dest, size_t destCapacity, const char* url) {
  if (!IsInfoseekAddress(url) || std::strlen(url) >= kInfoseekTextBytes) return 0;
  std::array<char, kInfoseekTextBytes> made{};
  const int16_t result = InfoseekUrlTest(made.data(), made.size(), url);
  const size_t length = std::strlen(made.data());
  if (result == 0 || length >= destCapacity) return 0;
  std::memcpy(dest, made.data(), length + 1);
  return result;
}

// --- Component-start rules of their own shape ------------------------------

constexpr bool IsDigitByte(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetterByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A byte of a value written into a name: one that cannot stand in a name
// (a separator, a control byte, link syntax) is written as '_'.
void WriteValueByte(ScanState& s, unsigned char c) {
  const bool fits = c >= 0x20 && c != 0x7F && c != '/' && c != '\\' && c != ':' && c != '%' &&
                    c != '?' && c != '#' && c != '"';
  WriteUnit(s, fits ? c : '_');
}

// "boad.exe" with "path=/" and "targetid=" later: the path's first folder,
// '_', then the target's id; a '&' ends the name.
constexpr size_t kBoardPathBytes = 18;
RuleOutcome TakeBoardScript(ScanState& s) {
  if (!SourceBeginsWith(s, "boad.exe")) return RuleOutcome::kNotApplied;
  const char* path = std::strstr(s.source, "path=/");
  const char* target = std::strstr(s.source, "targetid=");
  if (path == nullptr || target == nullptr) return RuleOutcome::kNotApplied;
  // Read before anything is written: in a link the unread source moves.
  std::array<unsigned char, kBoardPathBytes> folder{};
  size_t length = 0;
  for (const char* p = path + 6; *p != '\0' && *p != '/' && *p != '&' && length < folder.size(); ++p) {
    folder[length++] = static_cast<unsigned char>(*p);
  }
  const size_t targetValue = static_cast<size_t>(target + 9 - s.source);
  for (size_t i = 0; i < length; ++i) WriteValueByte(s, folder[i]);
  s.cutMark = static_cast<ptrdiff_t>(s.units);
  s.queryStart = s.cutMark;
  WriteUnit(s, '_');
  SkipSource(s, targetValue);
  s.modes.boad = 1;
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// A member page behind the portal's outbound wrapper: its number without
// leading zeros, at most 8 digits, as a page.
RuleOutcome TakeMemberNumber(ScanState& s) {
  if (s.modes.portalWrapper != 2 || !IsDigitByte(SourceByte(s))) return RuleOutcome::kNotApplied;
  size_t digits = 0;
  while (IsDigitByte(SourceByte(s, digits))) ++digits;
  if (SourceByte(s, digits) != 0) return RuleOutcome::kNotApplied;
  size_t first = 0;
  while (first + 1 < digits && SourceByte(s, first) == '0') ++first;
  std::array<char, 8> number{};
  const size_t kept = std::min<size_t>(digits - first, number.size());
  std::memcpy(number.data(), s.source + first, kept);
  SkipSource(s, digits);
  WriteText(s, std::string_view(number.data(), kept));
  WriteText(s, ".html");
  s.changed = 1;
  return RuleOutcome::kEnd;
}

// The portal's outbound wrapper becomes the member-page prefix, in the
// source (which is shorter), and the scan reads that.
RuleOutcome TakeOutboundWrapper(ScanState& s) {
  const SiteTable& sites = Sites();
  const size_t length = kHttpScheme.size() + sites.outboundWrapperHost.length + 18;
  if (!SourceBeginsWith(s, kHttpScheme) ||
      !MatchAt(s.source + kHttpScheme.size(), sites.outboundWrapperHost.text) ||
      !MatchAt(s.source + kHttpScheme.size() + sites.outboundWrapperHost.length,
               "/cgi-bin/go?nifty:")) {
    return RuleOutcome::kNotApplied;
  }
  std::array<char, 40> prefix{};
  const std::string_view parts[] = {kHttpScheme, sites.memberHost.text, "/iw/nifty/"};
  size_t n = 0;
  for (std::string_view part : parts) {
    std::memcpy(prefix.data() + n, part.data(), part.size());
    n += part.size();
  }
  char* const from = s.source + length - n;
  std::memcpy(from, prefix.data(), n);
  SkipSource(s, length - n);
  s.modes.portalWrapper = 2;
  s.changed = 1;
  return RuleOutcome::kNotApplied;  // the scheme row copies the new prefix
}

// The portal's counting wrapper is passed over up to the wrapped scheme.
RuleOutcome TakeCountingWrapper(ScanState& s) {
  const size_t covered = LinkSchemeLength(s.source);
  if (covered <= Sites().countingWrapperHome.length) return RuleOutcome::kNotApplied;
  size_t wrapper = covered;
  if (covered >= 8 && MatchAtNoCase(s.source + covered - 8, "https://")) {
    wrapper = covered - 8;
  } else if (MatchAtNoCase(s.source + covered - 7, "http://")) {
    wrapper = covered - 7;
  }
  SkipSource(s, wrapper);
  s.modes.portalWrapper = 1;
  s.changed = 1;
  return RuleOutcome::kNotApplied;
}

// "http:/" and a letter: a link whose scheme lost a slash is read as a path.
RuleOutcome TakeHalfScheme(ScanState& s) {
  if (!SourceBeginsWith(s, "http:/") || !IsLetterByte(SourceByte(s, 6))) {
    return RuleOutcome::kNotApplied;
  }
  SkipSource(s, 5);
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// A search portal's go-wrapper: the wrapped text is the name, up to a '&'.
RuleOutcome TakeGoWrapper(ScanState& s) {
  const SiteHost& host = Sites().fHost;
  if (!SourceBeginsWith(s, kHttpScheme) || !MatchAt(s.source + kHttpScheme.size(), host.text) ||
      !MatchAt(s.source + kHttpScheme.size() + host.length, "/?go=") ||
      LinkSchemeLength(s.source + kHttpScheme.size() + host.length + 5) == 0) {
    // An escaped target is the redirect rules' to unwrap.
    return RuleOutcome::kNotApplied;
  }
  KeepQueryCopy(s, kHttpScheme.size() + host.length + 2);
  SkipSource(s, kHttpScheme.size() + host.length + 5);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  s.modes.tagF = 2;
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// "pursuit?" of the pursuit portal, once it is recognised: the defaults of
// its result lists are passed over, so that the name carries the words.
RuleOutcome TakePursuitScript(ScanState& s) {
  if (s.modes.pursuit == 0 || !SourceBeginsWith(s, "pursuit?")) return RuleOutcome::kNotApplied;
  KeepQueryCopy(s, 8);
  SkipSource(s, 8);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  if (const size_t n = MatchSourceAt(s, "cat=jp&")) {
    SkipSource(s, n);
    if (const size_t m = MatchSourceAt(s, "matchmode=and&")) SkipSource(s, m);
    if (SourceBeginsWith(s, "part=")) {
      const size_t engine = EngineNameLength(s.source + 5);
      if (engine != 0 && MatchSourceAt(s, "part=") != 0 && s.source[5 + engine] == '&') {
        SkipSource(s, 5 + engine + (std::strncmp(s.source + 5 + engine, "&amp;", 5) == 0 ? 5 : 1));
      }
    }
  } else if (const size_t w = MatchSourceAt(s, "cat=jpwebsites&query=")) {
    SkipSource(s, w);
    WriteText(s, "sites=");
    s.queryStart = static_cast<ptrdiff_t>(s.units);
  } else if (const size_t e = MatchSourceAt(s, "encoding=shift-jis&")) {
    SkipSource(s, e);
  } else if (const size_t f = MatchSourceAt(s, "encoding=euc&")) {
    SkipSource(s, f);
  }
  for (std::string_view d : {"maxhits=15&", "mtemp=main&", "results=default&"}) {
    if (const size_t n = MatchSourceAt(s, d)) SkipSource(s, n);
  }
  if (SourceBeginsWith(s, "query=")) SkipSource(s, 4);
  s.changed = 1;
  return RuleOutcome::kContinue;
}

RuleOutcome TakePursuitStory(ScanState& s) {
  for (size_t i = 0; i < std::size(kPursuitStoryRows); ++i) {
    if (ApplyStartRow(s, kPursuitStoryRows[i]) == RuleOutcome::kNotApplied) continue;
    s.modes.pursuit = kPursuitStoryStates[i];
    return RuleOutcome::kContinue;
  }
  return RuleOutcome::kNotApplied;
}

// The pursuit portal's scripts set its mode; the source does not move.
RuleOutcome RecognisePursuit(ScanState& s) {
  if (s.modes.pursuit != 0) return RuleOutcome::kNotApplied;
  const SiteTable& sites = Sites();
  const SiteHost& host = sites.pursuitHost;
  const std::string_view script = "/cgi-bin/pursuit?";
  bool found = SourceBeginsWith(s, script) || SourceBeginsWith(s, sites.auctionText.text);
  if (MatchAt(s.source, host.text) && MatchAt(s.source + host.length, script)) found = true;
  if (SourceBeginsWith(s, kHttpScheme) && MatchAt(s.source + kHttpScheme.size(), host.text) &&
      MatchAt(s.source + kHttpScheme.size() + host.length, script)) {
    found = true;
  }
  if (SourceBeginsWith(s, "pursuit?")) {
    for (std::string_view next : {"pursuit?cat=jp&part=", "pursuit?cat=jp&query=", "pursuit?query",
                                  "pursuit?cat=jp&m", "pursuit?encoding"}) {
      if (MatchSourceAt(s, next) != 0) found = true;
    }
  }
  if (found) s.modes.pursuit = 1;
  return RuleOutcome::kNotApplied;
}

RuleOutcome RecogniseQueryP(ScanState& s) {
  if (s.modes.queryP == 0 && SourceBeginsWith(s, "query?p=")) s.modes.queryP = 1;
  return RuleOutcome::kNotApplied;
}

RuleOutcome TakePartner(ScanState& s) { return ApplyStartRow(s, kPartnerRow); }

RuleOutcome TakeResultsForm(ScanState& s) {
  if (s.modes.tagM != 0) return RuleOutcome::kNotApplied;
  return ApplyStartRow(s, kFormRow);
}

RuleOutcome RecogniseSearchScript(ScanState& s) {
  const SiteHost& host = Sites().searchScriptHost;
  if (s.modes.seek == 0 && MatchAt(s.source, host.text) &&
      MatchAt(s.source + host.length, "/cgi-bin/search?q=")) {
    s.modes.seek = 1;
  }
  return RuleOutcome::kNotApplied;
}

RuleOutcome TakeSeekRows(ScanState& s) { return ApplyStartRows(s, kSeekRows); }

// "search", '_' or '-', an engine name and '?': passed over.
RuleOutcome TakeEngineSearch(ScanState& s) {
  if (!SourceBeginsWith(s, "search") || (SourceByte(s, 6) != '_' && SourceByte(s, 6) != '-')) {
    return RuleOutcome::kNotApplied;
  }
  const size_t engine = EngineNameLength(s.source + 7);
  if (engine == 0 || SourceByte(s, 7 + engine) != '?') return RuleOutcome::kNotApplied;
  KeepQueryCopy(s, 8 + engine);
  SkipSource(s, 8 + engine);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  s.modes.seek = 1;
  if (SourceBeginsWith(s, "q=related:")) {
    SkipSource(s, 10);
    WriteText(s, "q=");
    s.modes.related = 1;
  } else if (const size_t n = MatchSourceAt(s, "start=0&")) {
    SkipSource(s, n);
    if (const size_t m = MatchSourceAt(s, "num=10&")) SkipSource(s, m);
  } else if (SourceBeginsWith(s, "start=")) {
    SkipSource(s, 6);
  }
  s.changed = 1;
  return RuleOutcome::kContinue;
}

RuleOutcome TakeScheme(ScanState& s) { return CopyScheme(s); }
RuleOutcome TakeKeywordRows(ScanState& s) { return ApplyStartRows(s, kStartRowsAfterScheme); }
RuleOutcome TakeDirectoryRows(ScanState& s) { return ApplyStartRows(s, kStartRowsAfterInfoseek); }
RuleOutcome TakeId(ScanState& s) { return ApplyStartRow(s, kIdRow); }

// In robo mode, a robot script named by its key.
RuleOutcome TakeRoboScript(ScanState& s) {
  if (s.modes.robo == 0 || !SourceBeginsWith(s, "search")) return RuleOutcome::kNotApplied;
  size_t at = 0;
  if (MatchAt(s.source + 6, ".cgi?key=")) {
    at = 6 + 9;
  } else if (MatchAt(s.source + 6, "-robo") && IsDigitByte(SourceByte(s, 11)) &&
             MatchAt(s.source + 12, "?key=")) {
    at = 12 + 5;
  } else if (SourceByte(s, 6) == '_' || SourceByte(s, 6) == '-') {
    for (size_t i = 7; i <= 7 + 16 && SourceByte(s, i) != 0; ++i) {
      if (MatchAt(s.source + i, ".cgi?key=")) {
        at = i + 9;
        break;
      }
    }
  }
  if (at == 0) return RuleOutcome::kNotApplied;
  KeepQueryCopy(s, at - 4);  // after the '?' of "?key="
  WriteText(s, "np_");
  s.queryStart = static_cast<ptrdiff_t>(s.units - 1);
  s.cutMark = s.queryStart;
  SkipSource(s, at);
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// The directory's result script, named by its keyword or page.
RuleOutcome TakeDirectoryResults(ScanState& s) {
  if (!SourceBeginsWith(s, "ntt-dir-tret")) return RuleOutcome::kNotApplied;
  size_t at = 0;
  size_t questionMark = 12;
  if (MatchAt(s.source + 12, "?keyword=")) {
    at = 12 + 9;
  } else if (SourceByte(s, 12) == '.') {
    for (size_t i = 13; i <= 13 + 16 && SourceByte(s, i) != 0; ++i) {
      for (std::string_view key : {"?keyword=", "?next=", "?prev="}) {
        if (at == 0 && MatchAt(s.source + i, key)) {
          at = i + key.size();
          questionMark = i;
        }
      }
      if (at != 0) break;
    }
  }
  if (at == 0) return RuleOutcome::kNotApplied;
  KeepQueryCopy(s, questionMark + 1);
  WriteText(s, "ntt_");
  s.queryStart = static_cast<ptrdiff_t>(s.units - 1);
  s.cutMark = s.queryStart;
  SkipSource(s, at);
  s.modes.ntt = 1;
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// A picture window is named by its script alone.
RuleOutcome TakePictureWindow(ScanState& s) {
  if (!SourceBeginsWith(s, "pp_wind.asp?no=")) return RuleOutcome::kNotApplied;
  WriteText(s, "pp_wind.asp");
  SkipSource(s, 15);
  for (int i = 0; i < 4 && IsDigitByte(SourceByte(s)); ++i) SkipSource(s, 1);
  s.changed = 1;
  return RuleOutcome::kEnd;
}

RuleOutcome TakeGooSearch(ScanState& s) {
  for (std::string_view script : {"default.asp?", "?MT=", "search.jsp?MT="}) {
    if (!SourceBeginsWith(s, script)) continue;
    GooSearchName(s);
    return RuleOutcome::kEnd;
  }
  return RuleOutcome::kNotApplied;
}

RuleOutcome TakeGateway(ScanState& s) {
  if (!SourceBeginsWith(s, "search.gw?")) return RuleOutcome::kNotApplied;
  SearchGatewayName(s);
  return RuleOutcome::kEnd;
}

// A banner retried: named "banner_" and, when there is one, its host id.
RuleOutcome TakeBannerRetry(ScanState& s) {
  if (!SourceBeginsWith(s, "banner?retry=1")) return RuleOutcome::kNotApplied;
  WriteText(s, "banner_");
  SkipSource(s, 14);
  if (const char* host = std::strstr(s.source, "hostid=")) SkipSource(s, static_cast<size_t>(host - s.source));
  s.queryStart = static_cast<ptrdiff_t>(s.units - 1);
  s.changed = 1;
  return RuleOutcome::kContinue;
}

RuleOutcome TakeBannerWrapper(ScanState& s) { return ApplyStartRow(s, kBannerWrapperRow); }
RuleOutcome TakeQuoteScript(ScanState& s) { return ApplyStartRow(s, kQuoteScriptRow); }

// A magazine's relative link to its visitors' pages, which live under the
// magazine's own folder.
RuleOutcome TakeVisitorLink(ScanState& s) {
  if (!SourceBeginsWith(s, "=../visitor/thisweek/articles/")) return RuleOutcome::kNotApplied;
  CopySource(s, 4);
  WriteText(s, "../../newsweek/");
  BeginComponent(s);
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// The component-start rules after the first rows, the reordering and the
// title queries, in their order.
constexpr RuleOutcome (*kStartSteps[])(ScanState&) = {
    TakeId,           TakeBoardScript,      TakeMemberNumber,    TakeOutboundWrapper,
    TakeCountingWrapper, TakeHalfScheme,    TakeGoWrapper,       RecognisePursuit,
    TakePursuitScript, TakePursuitStory,    RecogniseQueryP,     TakePartner,
    TakeResultsForm,  RecogniseSearchScript, TakeSeekRows,       TakeEngineSearch,
    TakeScheme,       TakeKeywordRows,      ApplyInfoseekPathRules, TakeDirectoryRows,
    TakeRoboScript,   TakeDirectoryResults, TakePictureWindow,   TakeGooSearch,
    TakeGateway,      TakeBannerRetry,      TakeBannerWrapper,   TakeQuoteScript,
    TakeVisitorLink,
};

// --- Rules at any position ----------------------------------------------------

// The first ';' of a "results-ja" name marks where it may be cut.
bool TakeResultsWordsEnd(ScanState& s) {
  if (s.modes.resultsJaOpen == 0 || SourceByte(s) != ';') return false;
  s.modes.resultsJaOpen = 0;
  s.cutMark = static_cast<ptrdiff_t>(s.units);
  CopySource(s, 1);
  return true;
}

// A map picture and a map opening page: their query begins at a '_'.
bool TakeMapQuery(ScanState& s) {
  const std::string_view component = ComponentText(s);
  const bool picture = component == "mapimg" && SourceBeginsWith(s, "?m=");
  const bool opening = component == "opening" && SourceBeginsWith(s, "?map=");
  if (!picture && !opening) return false;
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  WriteUnit(s, '_');
  SkipSource(s, picture ? 3 : 1);
  if (picture) s.modes.mapImage = 1;
  s.changed = 1;
  return true;
}

// A result list's click-through: a link names the destination itself, as
// the link of a redirector does. A file name is the page's own.
RuleOutcome TakeResultsDestination(ScanState& s) {
  if (s.mode != 0 || !s.inPlace || s.modes.resultsDest != 0) return RuleOutcome::kNotApplied;
  size_t skip = 0;
  if (SourceBeginsWith(s, "results_ct.asp?DEST=")) {
    skip = 20;
  } else if (SourceBeginsWith(s, "results_ct.asp?MT=")) {
    const char* dest = std::strstr(s.source, "&DEST=");
    if (dest == nullptr) {
      SkipSource(s, 14);
      s.changed = 1;
      return RuleOutcome::kContinue;
    }
    skip = static_cast<size_t>(dest - s.source) + 6;
  } else {
    return RuleOutcome::kNotApplied;
  }
  SkipSource(s, skip);
  // The destination ends at its first '&'.
  if (char* amp = std::strchr(s.source, '&')) *amp = '\0';
  TakeBackUnits(s, s.units);
  s.componentStart = 0;
  s.queryStart = kNoMark;
  s.cutMark = kNoMark;
  BeginComponent(s);
  s.modes.resultsDest = 1;
  s.changed = 1;
  return RuleOutcome::kContinue;
}

// A graph script is named by its graph.
RuleOutcome TakeGraphScript(ScanState& s) {
  if (!SourceBeginsWith(s, ".cgi?graph=")) return RuleOutcome::kNotApplied;
  SkipSource(s, 11);
  WriteUnit(s, '.');
  const size_t room = s.componentLength < 27 ? static_cast<size_t>(27 - s.componentLength) : 0;
  for (size_t i = 0; SourceByte(s) != 0 && SourceByte(s) != '&'; ++i) {
    if (i < room) WriteValueByte(s, SourceByte(s));
    SkipSource(s, 1);
  }
  WriteText(s, ".cgi");
  s.changed = 1;
  return RuleOutcome::kEnd;
}

// The directory board: its script, then the one parameter after its mode.
RuleOutcome TakeDirectoryBoard(ScanState& s) {
  if (!SourceBeginsWith(s, ".cgi?db=goman")) return RuleOutcome::kNotApplied;
  WriteText(s, ".cgi");
  SkipSource(s, 13);
  if (MatchSourceAt(s, "&mode=") != 0) {
    SkipSource(s, AmpersandLength(s));
    while (SourceByte(s) != 0 && SourceByte(s) != '&') SkipSource(s, 1);
  }
  if (SourceByte(s) == '&') {
    SkipSource(s, AmpersandLength(s));
    s.queryStart = static_cast<ptrdiff_t>(s.units);
    WriteUnit(s, '_');
    while (SourceByte(s) != 0 && SourceByte(s) != '&' &&
           s.units - s.componentStart < static_cast<size_t>(kComponentMaxBytes)) {
      WriteValueByte(s, SourceByte(s));
      SkipSource(s, 1);
    }
  }
  s.changed = 1;
  return RuleOutcome::kEnd;
}

// The default days and offsets of the service's article lists.
RuleOutcome TakeArticleDefaults(ScanState& s) {
  if (s.modes.infoseek != 2 && s.modes.infoseek != 3) return RuleOutcome::kNotApplied;
  if (const size_t n = MatchSourceAt(s, "&ud9=")) {
    SkipSource(s, n);
    if (SourceByte(s) == '0') SkipSource(s, 1);
    if (SourceByte(s) != 0) {
      s.cutMark = static_cast<ptrdiff_t>(s.units);
      WriteUnit(s, '_');
    }
    s.changed = 1;
    return RuleOutcome::kContinue;
  }
  if (const size_t n = MatchSourceAt(s, "&ud10=")) {
    SkipSource(s, n);
    if (s.units > s.componentStart && !NameEndsWith(s, "_")) WriteUnit(s, '_');
    s.changed = 1;
    return RuleOutcome::kContinue;
  }
  return RuleOutcome::kNotApplied;
}

}  // namespace

int UnwrapChannelRedirect(char* dest, size_t destCapacity, const char* url) {
  const std::string_view text(url);
  const SiteHost& channel = Sites().channelHost;
  // The channel host, written with or without its scheme, or neither (a link
  // from one of the channel's own pages).
  size_t pos = 0;
  if (MatchAt(text, 0, kHttpScheme) && MatchAt(text, kHttpScheme.size(), channel.text)) {
    pos = kHttpScheme.size() + channel.length;
  } else if (MatchAt(text, 0, channel.text)) {
    pos = channel.length;
  }
  const std::string_view host = text.substr(0, pos);
  WholeUrl out;
  for (const ChannelRow& row : kChannelRows) {
    if (!MatchAt(text, pos, row.script)) continue;
    size_t target = pos + row.script.size();
    if (!row.targetKey.empty()) {
      const size_t key = text.find(row.targetKey, target);
      if (key == std::string_view::npos) return CopyUnchanged(dest, destCapacity, url);
      // The target path from its '/'.
      target = key + row.targetKey.size() - 1;
    }
    out.Append(host);
    out.Append(text.substr(target));
    return out.Deliver(dest, destCapacity, url) ? row.result : 0;
  }
  return CopyUnchanged(dest, destCapacity, url);
}

int RewriteBookmarkUrl(char* dest, size_t destCapacity, const char* url) {
  const std::string_view text(url);
  size_t pos = MatchAt(text, 0, kHttpScheme) ? kHttpScheme.size() : 0;
  const SiteTable& sites = Sites();
  if (MatchAt(text, pos, sites.navPortalHost1.text)) {
    pos += sites.navPortalHost1.length;
  } else if (MatchAt(text, pos, sites.navPortalHost2.text)) {
    pos += sites.navPortalHost2.length;
  }
  bool bookmarkBranch = false;
  if (MatchAt(text, pos, kBookmarkFolder)) {
    bookmarkBranch = true;
    pos += kBookmarkFolder.size();
  } else {
    if (MatchAt(text, pos, kGenreFolder)) pos += kGenreFolder.size();
    if (MatchAt(text, pos, kDirectoryUserFolder)) pos += kDirectoryUserFolder.size();
  }
  for (const BookmarkPage& page : kBookmarkPages) {
    if (page.outsideBookmarkFolderOnly && bookmarkBranch) continue;
    if (!MatchAt(text, pos, page.word) || !MatchAt(text, pos + page.word.size(), kBookmarkKey)) {
      continue;
    }
    // The key and its number become a file in a folder named by the page.
    WholeUrl out;
    out.Append(text.substr(0, pos));
    out.Append(page.word);
    out.Append("/");
    out.Append(text.substr(pos + page.word.size() + kBookmarkKey.size() - kKeyNumber.size()));
    out.Append(".html");
    return out.Deliver(dest, destCapacity, url) ? static_cast<int>(page.word.size()) : 0;
  }
  return CopyUnchanged(dest, destCapacity, url);
}

int RewriteDirectoryLookup(char* dest, size_t destCapacity, const char* url) {
  const std::string_view text(url);
  const size_t pos = MatchAt(text, 0, kHttpScheme) ? kHttpScheme.size() : 0;
  const SiteTable& sites = Sites();
  for (const LookupScript& row : kLookupScripts) {
    const SiteHost& host = sites.*(row.host);
    if (!MatchAt(text, pos, host.text) || !MatchAt(text, pos + host.length, row.script)) continue;
    WholeUrl out;
    out.Append(text.substr(0, pos));
    out.Append(sites.directoryMainHost.text);
    out.Append(kDirectorySearchScript);
    out.Append(text.substr(pos + host.length + row.script.size()));
    return out.Deliver(dest, destCapacity, url) ? 1 : 0;
  }
  return CopyUnchanged(dest, destCapacity, url);
}

WholeUrlRule ApplyWholeUrlRules(char* dest, size_t destCapacity, const char* url) {
  // A link taken from a page writes '&' as "&amp;": the rules read it as the
  // pipeline's URL has it.
  const PlainText plain(url);
  const char* const text = plain.whole ? plain.text.data() : url;
  std::array<char, kMaxScanBytes> made{};
  WholeUrlRule rule = WholeUrlRule::kNone;
  if (UnwrapChannelRedirect(made.data(), made.size(), text) != 0) {
    rule = WholeUrlRule::kChannelRedirect;
  } else if (TestInfoseekAddress(made.data(), made.size(), text) != 0) {
    rule = WholeUrlRule::kInfoseek;
  } else if (RewriteBookmarkUrl(made.data(), made.size(), text) != 0) {
    rule = WholeUrlRule::kBookmark;
  } else if (RewriteDirectoryLookup(made.data(), made.size(), text) != 0) {
    rule = WholeUrlRule::kDirectoryLookup;
  }
  const size_t length = std::strlen(made.data());
  if (rule == WholeUrlRule::kNone || length >= destCapacity) {
    CopyUnchanged(dest, destCapacity, url);
    return WholeUrlRule::kNone;
  }
  std::memcpy(dest, made.data(), length + 1);
  return rule;
}

RuleOutcome ApplyComponentStartRules(ScanState& s) {
  RuleOutcome outcome = ApplyStartRows(s, kStartRowsFirst);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  // Rewrites the unread query in place; the rows below read it so.
  ApplyQueryReordering(s);
  NormaliseTitleScript(s);
  for (RuleOutcome (*step)(ScanState&) : kStartSteps) {
    outcome = step(s);
    if (outcome != RuleOutcome::kNotApplied) return outcome;
  }
  return RuleOutcome::kNotApplied;
}

RuleOutcome ApplyAnyPositionRules(ScanState& s) {
  if (TakeResultsWordsEnd(s) || TakeMapQuery(s)) return RuleOutcome::kContinue;
  for (const AnyPositionRow& entry : kAnyPositionRows) {
    const RuleOutcome outcome = ApplyStartRow(s, entry.row);
    if (outcome == RuleOutcome::kContinue && entry.endsName) return RuleOutcome::kEnd;
    if (outcome == RuleOutcome::kContinue && entry.row.text.ends_with("&set1=")) {
      if (SourceBeginsWith(s, "%2D")) {
        SkipSource(s, 3);
        WriteUnit(s, '-');
      }
    }
    if (outcome != RuleOutcome::kNotApplied) return outcome;
  }
  RuleOutcome outcome = TakeResultsDestination(s);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  outcome = TakeGraphScript(s);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  for (const AnyPositionRow& entry : kBoardScriptRows) {
    outcome = ApplyStartRow(s, entry.row);
    if (outcome == RuleOutcome::kContinue && entry.endsName) return RuleOutcome::kEnd;
    if (outcome != RuleOutcome::kNotApplied) return outcome;
  }
  outcome = TakeDirectoryBoard(s);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  return TakeArticleDefaults(s);
}

RuleOutcome ApplyArticleNumberRule(ScanState& s) {
  if (s.modes.infoseek != 3 || !NameEndsWith(s, "_") || s.units == s.componentStart) {
    return RuleOutcome::kNotApplied;
  }
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (!isDigit(s.source[0])) return RuleOutcome::kNotApplied;
  // The parameter value, examined from its end.
  const std::string_view value(s.source, std::strcspn(s.source, "&"));
  size_t run = value.size();
  while (run > 0 && isDigit(value[run - 1])) --run;
  if (run == value.size() || (run != 0 && value[run - 1] != '_')) return RuleOutcome::kNotApplied;
  const std::string_view number = value.substr(run);
  if (s.units - s.componentStart + number.size() > kArticleNameBytes) {
    const ptrdiff_t mark = s.modes.articleMark;
    if (mark == kNoMark || static_cast<size_t>(mark) > s.units ||
        static_cast<size_t>(mark) <= s.componentStart) {
      return RuleOutcome::kNotApplied;
    }
    TakeBackUnits(s, s.units - static_cast<size_t>(mark));
  }
  WriteText(s, number);
  SkipSource(s, value.size());
  s.changed = 1;
  return RuleOutcome::kEnd;
}

void ApplyHostingCounter(ScanState& s) {
  const std::string_view query(s.query.text.data(), s.query.length);
  const size_t key = query.find("&c=");
  const size_t entity = query.find("&amp;c=");
  size_t value = std::string_view::npos;
  if (key != std::string_view::npos) value = key + 3;
  if (entity != std::string_view::npos && (value == std::string_view::npos || entity + 7 < value)) {
    value = entity + 7;
  }
  if (value == std::string_view::npos || value >= query.size()) return;
  const char digit = query[value];
  if (digit < '0' || digit > '9') return;
  const size_t length = s.units - s.componentStart;
  if (length > 29) return;
  const char text[3] = {'_', digit, '+'};
  const bool plus = value + 1 < query.size() && query[value + 1] == '+' && length + 3 <= 30;
  WriteText(s, std::string_view(text, plus ? 3 : 2));
  s.changed = 1;
}

// --- The goo search naming -------------------------------------------------------

namespace {

constexpr size_t kGooWordBytes = 23;

// The name being made, bounded by the file layer's limit.
struct GooName {
  std::array<unsigned char, 40> text{};
  size_t length = 0;
  size_t cut = 0;  // where the words may be cut back to; 0: nowhere
  void Add(unsigned char c) {
    if (length < text.size()) text[length++] = c;
  }
  void Add(std::string_view part) {
    for (char c : part) Add(static_cast<unsigned char>(c));
  }
  bool Fits(size_t more) const { return length + more <= static_cast<size_t>(kComponentMaxBytes); }
};


// Words of a search (or a domain): escapes decoded, EUC-JP made Shift_JIS,
// the ideographic space a '+'. False once the words reached their limit.
bool AddGooWords(GooName& name, std::string_view v, bool domain) {
  for (size_t i = 0; i < v.size();) {
    if (name.length > kGooWordBytes) {
      if (name.cut != 0) {
        name.length = name.cut;
      } else if (name.length > 0 && name.text[name.length - 1] >= 0x81) {
        --name.length;
      }
      return false;
    }
    unsigned char b = static_cast<unsigned char>(v[i]);
    size_t used = 1;
    if (IsEscapeAt(v, i)) {
      b = EscapedByteAt(v, i);
      used = 3;
      if (b == ':' || b == 0x1B || b == '/') {
        name.Add(v.substr(i, 3));
        i += 3;
        continue;
      }
      if (IsEscapeAt(v, i + 3)) {
        std::array<unsigned char, kTextConvLookAhead + 2> pair{};
        pair[0] = b;
        pair[1] = EscapedByteAt(v, i + 3);
        const EucClass found = EucPairClass(pair.data(), kEucNone);
        if (found == kEucChar || found == kEucHalfWidthKana) {
          EucToSjisPair(pair.data());
          if (pair[0] == 0x81 && pair[1] == 0x40) {
            name.cut = name.length;
            name.Add('+');
          } else {
            name.Add(pair[0]);
            name.Add(pair[1]);
          }
          i += 6;
          continue;
        }
      }
    }
    if (domain && b == '.' && name.length >= 3 &&
        std::memcmp(name.text.data() + name.length - 3, "www", 3) == 0) {
      name.length -= 3;
    } else if (b == '+' || b == '|' || b == '-') {
      name.cut = name.length;
      name.Add(b);
    } else {
      const bool fits = b >= 0x20 && b != 0x7F && b != '/' && b != '\\' && b != ':' && b != '?' &&
                        b != '#' && b != '"' && b != '%';
      name.Add(fits ? b : '_');
    }
    i += used;
  }
  return true;
}

void AddNumber(GooName& name, int value) {
  if (value < 0 || value > 999) return;
  char digits[4] = {};
  const int n = value < 100 ? std::snprintf(digits, sizeof digits, "%02d", value)
                            : std::snprintf(digits, sizeof digits, "%03d", value);
  name.Add(std::string_view(digits, static_cast<size_t>(n)));
}

constexpr std::string_view kSearchWordForms[] = {
    "search=%B8%A1%BA%F7", "search=%8C%9F%8D%F5", "search=%1B%24B8%21%3Aw%1B%28B",
    "search=%8E%B8%8E%A1%8E%BA"};
constexpr std::string_view kDroppedGooParameters[] = {
    "act.minaoshi=1", "act.modifyPlus=1", "act.expert=1", "%F7WTS=ntt", "WTS=ntt",
    "WTS=NS",         "NSC=0",            "SM=MC",      "DE=2"};

}  // namespace

void GooSearchName(ScanState& s) {
  // The query from its first parameter, "&amp;" read as '&'.
  const char* start = std::strchr(s.source, '?');
  std::array<char, kMaxScanBytes> plain{};
  size_t length = 0;
  for (const char* p = start != nullptr ? start + 1 : s.source; *p != '\0' && length + 1 < plain.size();) {
    plain[length++] = *p;
    p += std::strncmp(p, "&amp;", 5) == 0 ? 5 : 1;
  }
  const std::string_view q(plain.data(), length);
  SkipSource(s, std::strlen(s.source));
  GooName name;
  bool refined = false;
  bool domainOn = false;
  bool wordsFull = false;
  bool audio = false, image = false, video = false;
  int count = 10;
  int offset = 0;
  std::string_view rawOffset;
  for (size_t pos = 0; pos <= q.size();) {
    const size_t end = std::min(q.find('&', pos), q.size());
    const std::string_view p = q.substr(pos, end - pos);
    const std::string_view withAmp = pos > 0 ? q.substr(pos - 1) : std::string_view();
    pos = end + 1;
    const auto value = [&p](size_t key) { return p.substr(key); };
    if (p == "act.minaoshi=1") refined = true;
    bool dropped = false;
    for (std::string_view d : kDroppedGooParameters) dropped = dropped || p == d;
    for (std::string_view d : kSearchWordForms) dropped = dropped || p == d;
    if (dropped || p == "act.search=1") continue;
    if (p.starts_with("MT=")) {
      name.Add(refined ? "minaoshi" : "goo");
      wordsFull = wordsFull || !AddGooWords(name, value(3), false);
    } else if ((p.starts_with("AW0=") || p.starts_with("AW1=") || p.starts_with("AW2=")) &&
               p.size() > 4 && !wordsFull) {
      name.cut = name.length;
      name.Add('+');
      wordsFull = !AddGooWords(name, value(4), false);
    } else if (p == "RD=DM") {
      domainOn = true;
    } else if (domainOn && (p.starts_with("Domain=") || p.starts_with("Path=")) && !wordsFull) {
      const size_t key = p.starts_with("Domain=") ? 7 : 5;
      if (p.size() > key) {
        name.cut = name.length;
        name.Add('-');
        wordsFull = !AddGooWords(name, value(key), true);
      }
    } else if (p.starts_with("FS=") && p.size() > 3 && !wordsFull) {
      name.cut = name.length;
      name.Add('-');
      wordsFull = !AddGooWords(name, value(3), false);
    } else if (p.starts_with("search=") && !wordsFull) {
      wordsFull = !AddGooWords(name, value(7), false);
    } else if (p.starts_with("DC=")) {
      count = ResultCountValue(withAmp);
    } else if (p.starts_with("base=")) {
      offset = PageSizeValue(value(5));
      if (offset == 0 && !value(5).empty() && value(5) != "0") rawOffset = value(5);
    } else if (p == "FRA=1") {
      audio = true;
    } else if (p == "FVI=1") {
      image = true;
    } else if (p == "FVV=1") {
      video = true;
    }
  }
  if (name.length > kGooWordBytes + 1) name.length = kGooWordBytes + 1;
  if (name.length <= 25) {
    if (audio) name.Add("-audio");
    else if (image) name.Add("-image");
    else if (video) name.Add("-video");
  }
  const bool numeric = rawOffset.empty();
  if (name.length < 27) {
    if (q.ends_with("act.next=1") || q.ends_with("act.expert_next=1")) {
      name.Add('_');
      if (numeric) AddNumber(name, offset + count);
      else if (count == 10) name.Add("10");
      else name.Add("next");
    } else if (q.ends_with("act.prev=1") || q.ends_with("act.expert_prev=1")) {
      name.Add('_');
      if (numeric && offset != count) AddNumber(name, offset - count);
      else name.Add("prev");
    } else if (q.ends_with("act.emit_value=1")) {
      name.Add("_emit");
    }
  }
  if ((q.ends_with("SRT=DT") || q.ends_with("SRT=DM")) && name.Fits(3)) {
    name.Add('_');
    name.Add(q.substr(q.size() - 2));
  }
  if (!numeric) {
    name.Add('_');
    for (char c : rawOffset) {
      if (c < '0' || c > '9' || name.length >= 30) break;
      name.Add(static_cast<unsigned char>(c));
    }
  } else if (count == 100 && name.length < 28) {
    name.Add("_100");
  } else if ((count == 25 || count == 50 || count == 75) && name.length <= 28) {
    name.Add('_');
    AddNumber(name, count);
  }
  size_t used = std::min(name.length, static_cast<size_t>(kComponentMaxBytes));
  if (used >= 1 && used <= 27) {
    name.length = used;
    name.Add(".htm");
    used = name.length;
  }
  for (size_t i = 0; i < used; ++i) WriteUnit(s, name.text[i]);
  s.changed = 1;
}

}  // namespace hoard

#include "urlmap/siterules.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/ascii.h"
#include "urlmap/infoseek.h"
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

// Exact bytes of `pattern` at the source cursor, where every '&' of the
// pattern also matches the "&amp;" of a link taken from a page. The source
// bytes matched; 0 when the pattern does not match.
size_t MatchSourceAt(const ScanState& s, std::string_view pattern) {
  size_t used = 0;
  for (char c : pattern) {
    if (s.source[used] != c) return 0;  // the source's NUL never matches
    used += c == '&' && std::strncmp(s.source + used, "&amp;", 5) == 0 ? 5 : 1;
  }
  return used;
}

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

// Tried before the scheme row, in this order.
constexpr StartRow kStartRowsBeforeScheme[] = {
    {"intr.det?shopcd0=", "intr_shop", 4, kNoPlace, 0, &ScanModes::shop},
    {"intr.lst?code0=", "intr_code", 4, kNoPlace, 0, &ScanModes::shop},
    {"fr_syosai.html?PAGE_ID=&RANDOM=&SEQUENCE=&BAITAI=FR&HAN=2&SERV=MIN&ROUT=PREF&ENTRY="
     "&BUKKEN_NO=",
     "fr_syosai.html_", 14, kNoPlace, 0, nullptr},
    {"id=", "id=", 0, kNoPlace, 0, nullptr},
    {"?Partner=go_home&Keywords=", "_go_", 0, 3, 0, nullptr},
    {"search-weekkw?q=", "", kNoPlace, kNoPlace, 9, &ScanModes::seek},
    {"search-category?q=", "", kNoPlace, kNoPlace, 11, &ScanModes::seek},
    {"search?q=related:", "q=", 2, kNoPlace, 0, &ScanModes::related},
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
    // The directory service's scripts share one name; the '?' stays.
    {"csj?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
    {"lookup-main.cgi?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
    {"lookup.cgi?", "csj", kNoPlace, kNoPlace, 1, &ScanModes::directory},
};

RuleOutcome ApplyStartRow(ScanState& s, const StartRow& row) {
  const size_t used = MatchSourceAt(s, row.text);
  if (used == 0) return RuleOutcome::kNotApplied;
  const size_t at = s.units;
  if (!WriteText(s, row.written)) return RuleOutcome::kEnd;
  if (row.queryAt != kNoPlace) s.queryStart = static_cast<ptrdiff_t>(at) + row.queryAt;
  if (row.cutAt != kNoPlace) s.cutMark = static_cast<ptrdiff_t>(at) + row.cutAt;
  SkipSource(s, used - row.keep);
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
  if (UnwrapChannelRedirect(dest, destCapacity, url) != 0) return WholeUrlRule::kChannelRedirect;
  if (InfoseekUrlTest(dest, destCapacity, url) != 0) return WholeUrlRule::kInfoseek;
  if (RewriteBookmarkUrl(dest, destCapacity, url) != 0) return WholeUrlRule::kBookmark;
  if (RewriteDirectoryLookup(dest, destCapacity, url) != 0) return WholeUrlRule::kDirectoryLookup;
  return WholeUrlRule::kNone;
}

RuleOutcome ApplyComponentStartRules(ScanState& s) {
  RuleOutcome outcome = ApplyStartRows(s, kStartRowsBeforeScheme);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  outcome = CopyScheme(s);
  if (outcome != RuleOutcome::kNotApplied) return outcome;
  return ApplyStartRows(s, kStartRowsAfterScheme);
}

RuleOutcome ApplyAnyPositionRules(ScanState& s) {
  for (const AnyPositionRow& entry : kAnyPositionRows) {
    const RuleOutcome outcome = ApplyStartRow(s, entry.row);
    if (outcome == RuleOutcome::kContinue && entry.endsName) return RuleOutcome::kEnd;
    if (outcome != RuleOutcome::kNotApplied) return outcome;
  }
  return RuleOutcome::kNotApplied;
}

RuleOutcome ApplyArticleNumberRule(ScanState& /*s*/) { return RuleOutcome::kNotApplied; }

void ApplyHostingCounter(ScanState& /*s*/) {}

}  // namespace hoard

#include "urlmap/infoseek.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "base/ascii.h"
#include "store/textconv.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr std::string_view kHttp = "http://";

// A text built in a fixed buffer; once anything does not fit, the whole text
// is marked failed and is never delivered.
struct Bounded {
  std::array<char, kInfoseekTextBytes> text;
  size_t length = 0;
  bool overflow = false;

  void Add(std::string_view part) {
    if (part.empty()) return;
    if (overflow || part.size() >= text.size() - length) {
      overflow = true;
      return;
    }
    std::memcpy(text.data() + length, part.data(), part.size());
    length += part.size();
  }
  std::string_view View() const { return {text.data(), length}; }
  bool EndsWith(char c) const { return length > 0 && text[length - 1] == c; }
};

void CopyUnchanged(char* dest, size_t destCapacity, const char* source) {
  if (dest == source || destCapacity == 0) return;
  size_t length = std::min(std::strlen(source), kInfoseekTextBytes);
  length = std::min(length, destCapacity - 1);
  std::memmove(dest, source, length);
  dest[length] = '\0';
}

// Hands a finished text over; false (and the source copied) when it failed
// or does not fit.
bool Deliver(const Bounded& out, char* dest, size_t destCapacity, const char* source) {
  if (out.overflow || out.length >= destCapacity) {
    CopyUnchanged(dest, destCapacity, source);
    return false;
  }
  std::memmove(dest, out.text.data(), out.length);
  dest[out.length] = '\0';
  return true;
}

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A parameter value cut to its slot.
std::string_view Slot(std::string_view value, size_t capacity) {
  return value.substr(0, std::min(value.size(), capacity));
}

// The parameter that begins at `pos`, up to the next '&' or the end.
std::string_view ParameterAt(std::string_view text, size_t pos) {
  const size_t end = text.find('&', pos);
  return text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
}

// --- The article rule --------------------------------------------------------

constexpr std::string_view kArticleScripts[] = {"/Content?col=CN&arn=", "/Content?&col=CN&arn="};
constexpr std::string_view kArticleFeeds[] = {"mainichi_computer", "mainichi_mobile"};
constexpr size_t kArticlePartBytes = 63;

bool ArticleRule(Bounded& out, std::string_view src) {
  const SiteHost& host = Sites().searchServiceHostForm;
  const std::string_view hostName = host.text.substr(0, host.length - 1);
  size_t pos = MatchAt(src, 0, kHttp) ? kHttp.size() : 0;
  bool withHost = false;
  if (MatchAt(src, pos, hostName)) {
    withHost = true;
    pos += hostName.size();
  } else {
    pos = 0;  // a scheme alone is no article address
  }
  size_t script = 0;
  for (std::string_view s : kArticleScripts) {
    if (MatchAt(src, pos, s)) script = s.size();
  }
  if (script == 0) return false;
  pos += script;
  std::string_view feed;
  for (std::string_view f : kArticleFeeds) {
    if (MatchAt(src, pos, f) && MatchAt(src, pos + f.size(), "_")) feed = f;
  }
  if (feed.empty()) return false;
  const std::string_view rest = ParameterAt(src, pos + feed.size() + 1);
  if (withHost) {
    out.Add(src.substr(0, pos - script));  // scheme (when given) and host
    out.Add("/");
  } else {
    out.Add("/");
  }
  out.Add(feed);
  out.Add("/");
  const size_t further = rest.find('_');
  if (further != std::string_view::npos) {
    out.Add(rest.substr(further + 1));
    out.Add("_");
    out.Add(Slot(rest.substr(0, further), kArticlePartBytes));
  } else {
    out.Add(rest);
  }
  out.Add(".html");
  return true;
}

// --- The site-search rule ----------------------------------------------------

constexpr size_t kWordBytes = 255;
constexpr size_t kSmallSlotBytes = 15;
constexpr size_t kNameSlotBytes = 31;

constexpr std::string_view kSiteKeys[] = {"qt=site:", "oq=site:", "qt=site%3A", "oq=site%3A"};

bool SiteSearchRule(Bounded& out, std::string_view src, size_t restAt) {
  if (!MatchAt(src, restAt, "Titles?")) return false;
  const std::string_view query = src.substr(restAt + 7);
  std::string_view site;
  std::string_view siteWords;
  std::string_view words;
  std::string_view earlier;       // the whole "oq=" parameter
  std::string_view earlierWords;  // after its '+'
  std::string_view nh;
  std::string_view st;
  std::string_view cat;
  for (size_t pos = 0; pos <= query.size();) {
    const std::string_view p = ParameterAt(query, pos);
    pos += p.size() + 1;
    bool taken = false;
    for (std::string_view key : kSiteKeys) {
      if (taken || !p.starts_with(key)) continue;
      taken = true;
      const std::string_view value = p.substr(key.size());
      const size_t plus = value.find('+');
      site = Slot(value.substr(0, plus), kWordBytes);
      if (plus != std::string_view::npos) siteWords = Slot(value.substr(plus + 1), kWordBytes);
    }
    if (taken) continue;
    if (p.starts_with("qt=")) {
      words = Slot(p.substr(3), kWordBytes);
    } else if (p.starts_with("oq=")) {
      earlier = Slot(p, kWordBytes);
      const size_t bar = p.find("%7C+");
      const size_t plus = bar != std::string_view::npos ? bar + 3 : p.find('+');
      if (plus != std::string_view::npos) earlierWords = Slot(p.substr(plus + 1), kWordBytes);
    } else if (p.starts_with("nh=")) {
      nh = Slot(p, kSmallSlotBytes);
    } else if (p.starts_with("st=")) {
      st = Slot(p, kSmallSlotBytes);
    } else if (p.starts_with("cat=")) {
      cat = Slot(p, kSmallSlotBytes);
    }
  }
  if (site.empty()) return false;
  std::array<char, kWordBytes + kWordBytes> host{};
  std::memcpy(host.data(), site.data(), site.size());
  ApplyDomainConversion(host.data(), host.size());
  const std::string_view converted(host.data());
  out.Add(src.substr(0, restAt));
  if (!out.EndsWith('/')) out.Add("/");
  const size_t slash = converted.find('/');
  if (slash != std::string_view::npos) {
    out.Add(converted.substr(0, slash));
    out.Add("=");
    out.Add(converted.substr(slash));
    if (!out.EndsWith('/')) out.Add("/");
  } else {
    out.Add(converted);
    out.Add("=/");
  }
  out.Add("Titles?qt=");
  out.Add(siteWords);
  bool earlierWritten = false;
  if (!words.empty()) {
    if (!siteWords.empty()) out.Add("+");
    out.Add(words);
  } else if (!earlier.empty()) {
    out.Add(earlier.substr(3));
    if (cat == "cat=RES") {
      out.Add(">");
      out.Add(earlierWords);
      earlierWritten = true;
    }
  }
  for (std::string_view kept : {cat, earlierWritten ? std::string_view() : earlier, nh, st}) {
    if (kept.empty()) continue;
    out.Add("&");
    out.Add(kept);
  }
  return true;
}

// --- The title-query normalisation ------------------------------------------

struct TitleSlots {
  std::string_view words;        // after "qt="
  std::string_view earlier;      // after "oq="
  std::string_view collection;   // whole parameters from here on
  std::string_view column;
  std::string_view gnr, src, tid, svx, nh, rf, dfr, ud4, st;
  bool category = false;
};

constexpr std::string_view kTitlePrefixes[] = {"Titles?", "GTitles?", "NTitles?"};

void SortParameter(TitleSlots& t, std::string_view p) {
  auto starts = [&p](std::string_view key) { return p.starts_with(key); };
  if (starts("qt=")) {
    t.words = Slot(p.substr(3), kWordBytes);
  } else if (p == "cat=RES" || p == "col=JW%2Ccat_RES") {
    t.category = true;
  } else if (starts("col=MI") || starts("col=MM")) {
    t.collection = Slot(p, kNameSlotBytes);
    if (p.substr(6).starts_with("%2Ccat_RES")) t.category = true;
  } else if (starts("col=Search+These+Results")) {
    t.collection = Slot(p, kNameSlotBytes);
  } else if (starts("col=JT") || starts("col=SW") || starts("col=GN")) {
    t.column = Slot(p, kNameSlotBytes);
  } else if (starts("gnr=")) {
    t.gnr = Slot(p, kSmallSlotBytes);
  } else if (starts("src=")) {
    t.src = Slot(p, kSmallSlotBytes);
  } else if (starts("oq=")) {
    t.earlier = Slot(p.substr(3), kWordBytes);
  } else if (starts("tid=")) {
    t.tid = Slot(p, kSmallSlotBytes);
  } else if (starts("svx=")) {
    t.svx = Slot(p, kNameSlotBytes);
  } else if (starts("nh=")) {
    t.nh = Slot(p, kSmallSlotBytes);
  } else if (starts("rf=") && p != "rf=11") {
    t.rf = Slot(p, kSmallSlotBytes);
  } else if (p == "dfr=1") {
    t.dfr = p;
  } else if (p == "ud4=1") {
    t.ud4 = p;
  } else if (starts("st=") && p != "st=0") {
    t.st = Slot(p, kSmallSlotBytes);
  }
}

void AddEach(Bounded& out, std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) {
    if (part.empty()) continue;
    out.Add("&");
    out.Add(part);
  }
}

// The query rebuilt into `out`; the form made (0: none, `out` untouched).
int NormaliseInto(Bounded& out, std::string_view text) {
  std::string_view prefix;
  for (std::string_view p : kTitlePrefixes) {
    if (text.starts_with(p)) prefix = p;
  }
  const std::string_view query = text.substr(prefix.size());
  TitleSlots t;
  for (size_t pos = 0; pos <= query.size();) {
    const std::string_view p = ParameterAt(query, pos);
    pos += p.size() + 1;
    SortParameter(t, p);
  }
  out.Add(prefix);
  if (!t.words.empty() || !t.earlier.empty()) {
    if (!t.collection.empty()) {
      out.Add(t.collection);
      out.Add("&");
    }
    out.Add(t.words.empty() ? "oq=" : "qt=");
    if (!t.words.empty()) {
      out.Add(t.words);
      if (t.category && !t.earlier.empty()) {
        out.Add("<");
        out.Add(t.earlier);
      }
    } else {
      out.Add(t.earlier);
    }
    AddEach(out, {t.column, t.gnr, t.src, t.nh, t.ud4, t.rf, t.st});
    return 1;
  }
  if (!t.tid.empty()) {
    out.Add(t.tid);
    AddEach(out, {t.collection, t.svx == "svx=related" ? std::string_view() : t.svx, t.column,
                  t.gnr, t.src, t.nh, t.st});
    return 2;
  }
  if (!t.dfr.empty()) {
    out.Add(t.dfr);
    AddEach(out, {t.collection, t.column, t.gnr, t.src, t.nh, t.ud4, t.st});
    return 3;
  }
  out.length = 0;
  return 0;
}

// --- The directory walk ------------------------------------------------------

constexpr std::string_view kCollectionParameters[] = {
    "lk=noframes",   "sv=JP&col=MI",  "sv=JP_col=MI",
    "did=03&col=MI", "did=03_col=MI", "did=03&lk=noframes&col=MI",
    "did=03_lk=noframes_col=MI",
};
constexpr std::string_view kWholeCollectionParameters[] = {"nh=25&sv=JP", "nh=25"};
constexpr std::string_view kEndingTails[] = {
    "?col=JT&st=0&sv=JP", "?col=JT&sv=JP", "?sv=JP&col=JT", "??sv=JP&col=JT",
    "?col=JT",            "&sv=JP",        "?lk=noframes",  "&nh=10&svx=related",
};
constexpr std::string_view kTopicTailsCut[] = {"&nh=10&svx=related", "&nh=10"};

constexpr size_t kComponentBytes = 64;

// The source with "Topic/" (at `topic`, when there is one) taken out and a
// '/' put in at `slash` (when there is one), up to `end`.
void AddWithoutTopic(Bounded& out, std::string_view src, size_t topic, size_t slash,
                     size_t end) {
  for (size_t i = 0; i < end; ++i) {
    if (topic != std::string_view::npos && i >= topic && i < topic + 6) continue;
    if (i == slash) out.Add("/");
    out.Add(src.substr(i, 1));
  }
  if (slash == end) out.Add("/");
}

}  // namespace

bool IsInfoseekAddress(const char* url) {
  const std::string_view text(url);
  if (!MatchAt(text, 0, kHttp)) return false;
  const SiteTable& sites = Sites();
  return MatchAt(text, kHttp.size(), sites.searchServiceHostForm.text) ||
         MatchAt(text, kHttp.size(), sites.partnerPortalHostForm.text);
}

int16_t InfoseekUrlTest(char* dest, size_t destCapacity, const char* source) {
  const std::string_view src(source, std::min(std::strlen(source), kInfoseekTextBytes));
  const SiteTable& sites = Sites();
  size_t restAt = MatchAt(src, 0, kHttp) ? kHttp.size() : 0;
  int kind = 0;
  if (MatchAt(src, restAt, sites.searchServiceHostForm.text)) {
    kind = 1;
    restAt += sites.searchServiceHostForm.length;
  } else if (MatchAt(src, restAt, sites.partnerPortalHostForm.text)) {
    kind = 5;
    restAt += sites.partnerPortalHostForm.length;
  } else if (restAt < src.size() && src[restAt] == '/') {
    kind = 2;
    restAt += 1;
  } else if (restAt < src.size() && IsDigit(src[restAt])) {
    kind = 3;
  }
  {
    Bounded out;
    if (ArticleRule(out, src)) return Deliver(out, dest, destCapacity, source) ? 2 : 0;
  }
  if (kind == 0) {
    CopyUnchanged(dest, destCapacity, source);
    return 0;
  }
  {
    Bounded out;
    if (SiteSearchRule(out, src, restAt)) return Deliver(out, dest, destCapacity, source) ? 3 : 0;
  }
  size_t topic = std::string_view::npos;
  size_t pos = restAt;
  if (MatchAt(src, pos, "Topic/")) {
    topic = pos;
    pos += 6;
  } else if (MatchAt(src, pos, "GTopic/")) {
    pos += 7;
  }
  int16_t result = 0;
  bool reachedEnd = false;
  size_t slash = std::string_view::npos;  // where a '/' is put in
  size_t end = src.size();                 // where the text made stops
  Bounded normalised;
  bool haveTitles = false;
  size_t componentStart = pos;
  for (;; ++pos) {
    if (pos >= src.size()) {
      reachedEnd = true;
      break;
    }
    const char c = src[pos];
    if (c == '/') {
      componentStart = pos + 1;
      continue;
    }
    if (c == '?' || c == '_') {
      const std::string_view component =
          src.substr(componentStart, std::min(pos - componentStart, kComponentBytes - 1));
      const bool afterSlash = pos == componentStart;
      const std::string_view after = src.substr(pos + 1);
      if (after.starts_with("Titles?") && NormaliseInto(normalised, after) != 0 &&
          !normalised.overflow) {
        haveTitles = true;
        end = pos;
        reachedEnd = true;
        break;
      }
      if (!afterSlash && after.starts_with("tid=") && !component.empty() &&
          after.substr(4).starts_with(component)) {
        result = 2;
        slash = pos;
        const std::string_view parameter = ParameterAt(after, 0);
        const std::string_view tail = after.substr(parameter.size());
        for (std::string_view cut : kTopicTailsCut) {
          if (tail == cut) end = pos;
        }
        break;
      }
      if (!afterSlash && (after.starts_with("dfr=") || after.starts_with("arn="))) {
        result = 2;
        slash = pos;
        break;
      }
      bool collection = false;
      if (!afterSlash) {
        for (std::string_view p : kCollectionParameters) collection = collection || after.starts_with(p);
        for (std::string_view p : kWholeCollectionParameters) collection = collection || after == p;
        collection = collection || after.starts_with("col=MI");
      }
      if (collection) {
        result = 3;
        slash = pos;
        break;
      }
    }
    bool tail = false;
    for (std::string_view t : kEndingTails) tail = tail || src.substr(pos) == t;
    if (tail) {
      reachedEnd = true;
      break;
    }
    if (IsDigit(c)) continue;
    break;  // any other byte ends the walk early
  }
  Bounded out;
  if (reachedEnd && result != 3) {
    size_t cut = src.find_first_of("?&", restAt);
    cut = std::min(cut == std::string_view::npos ? src.size() : cut, end);
    AddWithoutTopic(out, src, topic, std::string_view::npos, cut);
    if (!out.EndsWith('/')) out.Add("/");
    if (haveTitles) out.Add(normalised.View());
    return Deliver(out, dest, destCapacity, source) ? 1 : 0;
  }
  if (result == 0) {
    CopyUnchanged(dest, destCapacity, source);
    return 0;
  }
  AddWithoutTopic(out, src, topic, slash, end);
  return Deliver(out, dest, destCapacity, source) ? result : 0;
}

int NormaliseTitleQuery(char* dest, size_t destCapacity, const char* source) {
  const std::string_view text(source, std::min(std::strlen(source), kInfoseekTextBytes));
  Bounded out;
  const int form = NormaliseInto(out, text);
  if (form == 0 || !Deliver(out, dest, destCapacity, source)) {
    CopyUnchanged(dest, destCapacity, source);
    return 0;
  }
  return form;
}

namespace {

struct SearchForm {
  std::string_view text;
  int16_t state;
  int16_t ScanModes::* flag;  // nullptr: none
};
constexpr SearchForm kSearchForms[] = {
    {"Titles?qt=", 4, nullptr},
    {"Titles?col=JW&qt=", 4, nullptr},
    {"Titles?col=SW&qt=", 4, nullptr},
    {"Titles?col=JW%2Ccat_RES&qt=", 4, nullptr},
    {"Titles?col=New+Search&qt=", 4, &ScanModes::newSearch},
    {"Titles?col=Search+These+Results&qt=", 4, &ScanModes::refine},
    {"Titles?col=Search+These+Results&oq=", 4, &ScanModes::refine},
    {"Titles?oq=", 4, nullptr},
    {"Titles?col=MI&qt=", 8, nullptr},
    {"Titles?col=MM&qt=", 8, nullptr},
};
// A category within the MI or MM collection: "RES" or one to three digits,
// then "&qt=".
constexpr std::string_view kCategoryForms[] = {"Titles?col=MI%2Ccat_", "Titles?col=MM%2Ccat_"};

}  // namespace

size_t MatchSearchForm(const char* text, ScanModes& modes) {
  for (const SearchForm& form : kSearchForms) {
    if (!MatchAt(text, form.text)) continue;
    modes.infoseek = form.state;
    if (form.flag != nullptr) modes.*(form.flag) = 1;
    return form.text.size();
  }
  for (std::string_view form : kCategoryForms) {
    if (!MatchAt(text, form)) continue;
    const char* p = text + form.size();
    size_t length = 0;
    if (MatchAt(p, "RES&qt=")) {
      length = form.size() + 7;
    } else {
      size_t digits = 0;
      while (digits < 3 && IsDigit(p[digits])) ++digits;
      if (digits == 0 || !MatchAt(p + digits, "&qt=")) return 0;
      length = form.size() + digits + 4;
    }
    modes.infoseek = 8;
    modes.refine = 1;
    return length;
  }
  return 0;
}

namespace {

// A path rule of one shape: the text recognised at the start of a component,
// a replacement written with the query starting at a place in it, the
// recognised text skipped except its last `keep` bytes, and the state set.
inline constexpr int kNoQuery = -1;
struct PathRow {
  std::string_view text;
  std::string_view written;
  int queryAt;  // offset in `written`; kNoQuery: the query is not started
  size_t keep;
  int16_t state;
};

// In this order; the search forms come after the first two rows.
constexpr PathRow kPathRowsBeforeForms[] = {
    {"?did=03&col=MI", "", 0, 7, 7},
    {"?did=03&lk=noframes&col=MI", "", 0, 19, 7},
};
constexpr PathRow kPathRowsAfterForms[] = {
    {"?col=MI", "MI", 2, 0, 8},
    {"&col=MI", "MI", 2, 0, 8},
    {"?col=MM", "MM", 2, 0, 8},
    {"&col=MM", "MM", 2, 0, 8},
    {"Titles?col=", "", kNoQuery, 5, 1},
    {"Help?pg=help_gendaiyogo_if.html", "", 0, 23, 1},
    {"Help?qp=0&nh=10&pg=help", "", 0, 4, 1},
    {"Help?sv=JC&pg=help", "", 0, 4, 1},
    {"Help?sv=JP&pg=help", "", 0, 4, 1},
    {"Help?nh=10&pg=help", "", 0, 4, 1},
    {"Jobs?sv=JC&pg=recruit", "Jobs_", 4, 7, 1},
    {"Jobs?sv=JP&pg=recruit", "Jobs_", 4, 7, 1},
    {"FM?pg=", "", 0, 0, 2},
    {"Eigo?lk=noframes&qt=", "Eigo_", 4, 3, 2},
    {"Kokugo?lk=noframes&qt=", "Kokugo_", 6, 3, 2},
    {"NTitles?qt=", "NTitles_", 7, 3, 2},
    {"NTitles?qp=0&sv=SN&nh=20&qt=", "NTitles_", 7, 3, 2},
    {"NTitles?qp=0&sv=SN&nh=50&qt=", "NTitles_", 7, 9, 2},
    {"NTitles?qp=0&sv=SN&nh=100&qt=", "NTitles_", 7, 10, 2},
    {"NTitles?lk=noframes&qt=", "NTitles_", 7, 3, 2},
    {"GTitles?lk=noframes&qt=", "GTitles_", 7, 3, 2},
    {"CSearch?lk=noframes&qt=", "CSearch_", 7, 3, 2},
};
constexpr std::string_view kNewsScripts[] = {"News?&pg=", "News?pg=", "News?&lk=noframes&pg=",
                                             "News?sv=SN&pg="};
constexpr std::string_view kNewsPages[] = {"collection_top.html", "section_top.html"};
constexpr std::string_view kNewsDefaults = "&sv=SN&svx=300100&ud9=-7&ud10=";
constexpr PathRow kContentRows[] = {
    {"Content?&col=CN&arn=", "", 0, 0, 3},
    {"Content?col=CN&arn=", "", 0, 0, 3},
    {"Content?arn=", "", 0, 0, 3},
    {"Content?&col=MS&arn=", "MS_", 2, 0, 7},
    {"Content?&col=ML&arn=", "ML_", 2, 0, 7},
    {"Content?col=MS&arn=", "MS_", 2, 0, 7},
    {"Content?col=ML&arn=", "ML_", 2, 0, 7},
};

bool ApplyPathRow(ScanState& s, const PathRow& row) {
  if (MatchSourceAt(s, row.text) == 0) return false;
  // The bytes skipped, "&amp;" counted as the page wrote it.
  const std::string_view skipped = row.text.substr(0, row.text.size() - row.keep);
  const size_t skip = skipped.empty() ? 0 : MatchSourceAt(s, skipped);
  if (const size_t mark = row.text.find('?'); mark != std::string_view::npos) {
    KeepQueryCopy(s, MatchSourceAt(s, row.text.substr(0, mark + 1)));
  }
  const size_t at = s.units;
  if (!WriteText(s, row.written)) return false;
  if (row.queryAt != kNoQuery) s.queryStart = static_cast<ptrdiff_t>(at) + row.queryAt;
  SkipSource(s, skip);
  s.modes.infoseek = row.state;
  s.changed = 1;
  return true;
}

template <size_t N>
bool ApplyPathRows(ScanState& s, const PathRow (&rows)[N]) {
  for (const PathRow& row : rows) {
    if (ApplyPathRow(s, row)) return true;
  }
  return false;
}

// Words of a search form: a leading '+' is dropped, and a "url:" or
// "email:" restriction is written with '=' so that it stays one name.
void TakeFormWords(ScanState& s) {
  if (SourceByte(s) == '+') SkipSource(s, 1);
  constexpr std::string_view kRestrictions[][2] = {
      {"url%3A", "url="}, {"url:", "url="}, {"email%3A", "email="}, {"email:", "email="}};
  for (const auto& r : kRestrictions) {
    if (SourceBeginsWith(s, r[0])) {
      SkipSource(s, r[0].size());
      WriteText(s, r[1]);
      return;
    }
  }
}

bool ApplySearchForm(ScanState& s) {
  ScanModes modes = s.modes;
  const size_t length = MatchSearchForm(s.source, modes);
  if (length == 0) return false;
  // The two letters of a category form stand 11 bytes into its recognised
  // text; other forms may be shorter than that, and are not read there.
  std::array<char, 2> letters = {'\0', '\0'};
  if (modes.infoseek == 8) letters = {s.source[11], s.source[12]};
  KeepQueryCopy(s, 7);
  s.modes = modes;
  if (s.modes.infoseek == 4) {
    WriteText(s, "i_");
    s.queryStart = static_cast<ptrdiff_t>(s.units - 1);
  } else if (s.modes.infoseek == 8) {
    WriteText(s, std::string_view(letters.data(), 2));
    WriteText(s, "_");
    s.queryStart = static_cast<ptrdiff_t>(s.units - 1);
  } else {
    s.queryStart = static_cast<ptrdiff_t>(s.units);
  }
  SkipSource(s, length);
  TakeFormWords(s);
  s.changed = 1;
  return true;
}

bool ApplyNewsRow(ScanState& s) {
  for (std::string_view script : kNewsScripts) {
    const size_t used = MatchSourceAt(s, script);
    if (used == 0) continue;
    KeepQueryCopy(s, 5);
    s.queryStart = static_cast<ptrdiff_t>(s.units);
    s.modes.infoseek = 2;
    SkipSource(s, used);
    for (std::string_view page : kNewsPages) {
      if (SourceBeginsWith(s, page)) {
        SkipSource(s, page.size());
        break;
      }
    }
    if (const size_t defaults = MatchSourceAt(s, kNewsDefaults)) {
      SkipSource(s, defaults);
      WriteText(s, "News_");
    }
    s.changed = 1;
    return true;
  }
  return false;
}

}  // namespace

RuleOutcome ApplyInfoseekPathRules(ScanState& s) {
  if (ApplyPathRows(s, kPathRowsBeforeForms) || ApplySearchForm(s) ||
      ApplyPathRows(s, kPathRowsAfterForms) || ApplyNewsRow(s) || ApplyPathRows(s, kContentRows)) {
    if (s.units == s.componentStart) s.componentLength = 0;
    return RuleOutcome::kContinue;
  }
  return RuleOutcome::kNotApplied;
}

// --- The search gateway --------------------------------------------------------

namespace {

constexpr size_t kGatewayWordBytes = 24;

struct GatewayName {
  std::array<char, 40> text{};
  size_t length = 0;
  size_t lastRun = 0;  // after the first separator of the latest run; 0: none
  bool site = false, next = false, noSummary = false, combined = false, review = false;
  std::string_view start, numDocs;

  void Add(char c) {
    if (length < text.size()) text[length++] = c;
  }
  void Add(std::string_view part) {
    for (char c : part) Add(c);
  }
  bool EndsWith(char c) const { return length > 0 && text[length - 1] == c; }
};

// The digits at the start of `text`, at most `limit`, and how many there were.
std::string_view Digits(std::string_view text, size_t& all) {
  all = 0;
  while (all < text.size() && IsDigit(text[all])) ++all;
  return text.substr(0, all);
}

// One of the parameters that only change how results are shown, at `pos`:
// taken out of the query. The bytes taken; 0 when none stands there.
size_t TakeGatewayOption(GatewayName& name, std::string_view q, size_t pos) {
  const std::string_view here = q.substr(pos);
  if (here.starts_with("&sort=site")) {
    name.site = true;
    return 10;
  }
  if (here.starts_with("&showSummary=false")) {
    name.noSummary = true;
    return 18;
  }
  if (here.starts_with("&target=combined")) {
    name.combined = true;
    return 16;
  }
  if (here.starts_with("&target=review")) {
    name.review = true;
    return 14;
  }
  size_t all = 0;
  if (here.starts_with("&start=") && here.size() > 7 && IsDigit(here[7]) && here[7] != '0') {
    const std::string_view digits = Digits(here.substr(7), all);
    name.start = digits.substr(0, 4);
    return 7 + all;
  }
  if (here.starts_with("&numDocs=") && here.size() > 9 && IsDigit(here[9])) {
    const std::string_view digits = Digits(here.substr(9), all);
    name.numDocs = digits.substr(0, 6);
    return 9 + all;
  }
  return 0;
}

constexpr char kUpper[] = "0123456789ABCDEF";


void AddSeparator(GatewayName& name, char c) {
  if (!name.EndsWith('+') && !name.EndsWith('|')) name.lastRun = name.length;
  name.Add(c);
}

// A decoded keyword byte that may stand in a name as itself.
bool FitsAName(unsigned char b) {
  return b >= 0x20 && b != 0x7F && b != '/' && b != ':' && b != '\\' && b != '%' && b != '?' &&
         b != '#' && b != '"' && b != '&';
}

void AddEscaped(GatewayName& name, unsigned char b) {
  name.Add('%');
  name.Add(kUpper[b >> 4]);
  name.Add(kUpper[b & 15]);
}

// One keyword byte or escape at `pos`; the source bytes used.
size_t TakeKeywordByte(GatewayName& name, std::string_view q, size_t pos) {
  if (!IsEscapeAt(q, pos)) {
    const unsigned char b = static_cast<unsigned char>(q[pos]);
    if (FitsAName(b) || b >= 0x80) {
      name.Add(static_cast<char>(b));
    } else {
      AddEscaped(name, b);
    }
    return 1;
  }
  const unsigned char b = EscapedByteAt(q, pos);
  if (b == '+' || b == '|') {
    AddSeparator(name, static_cast<char>(b));
    return 3;
  }
  if (IsEscapeAt(q, pos + 3)) {
    std::array<unsigned char, kTextConvLookAhead + 2> pair{};
    pair[0] = b;
    pair[1] = EscapedByteAt(q, pos + 3);
    if (b == 0x81 && pair[1] == 0x40) {
      AddSeparator(name, '+');
      return 6;
    }
    const EucClass found = EucPairClass(pair.data(), kEucNone);
    if (found == kEucChar || found == kEucHalfWidthKana) {
      EucToSjisPair(pair.data());
      AddEscaped(name, pair[0]);
      AddEscaped(name, pair[1]);
      return 6;
    }
  }
  if (FitsAName(b) && b < 0x80) {
    name.Add(static_cast<char>(b));
  } else {
    AddEscaped(name, b);
  }
  return 3;
}

}  // namespace

void SearchGatewayName(ScanState& s) {
  constexpr std::string_view kScript = "search.gw?";
  SkipSource(s, kScript.size());
  // The query with "&amp;" read as '&', as the file name reads it.
  Bounded query;
  for (const char* p = s.source; *p != '\0';) {
    const bool entity = std::strncmp(p, "&amp;", 5) == 0;
    query.Add(std::string_view(p, 1));
    p += entity ? 5 : 1;
  }
  const std::string_view q = query.View();
  SkipSource(s, std::strlen(s.source));
  GatewayName name;
  bool keywords = false;
  bool full = false;
  for (size_t pos = 0; pos < q.size();) {
    if (const size_t option = TakeGatewayOption(name, q, pos)) {
      pos += option;
      continue;
    }
    if (full) {
      ++pos;
      continue;
    }
    const bool parameterStart = pos == 0 || q[pos - 1] == '&';
    if (name.length == 0 && parameterStart) {
      if (q.substr(pos).starts_with("qbe=")) {
        name.Add("qbe=");
        keywords = true;
        pos += 4;
        continue;
      }
      const size_t key = q.substr(pos).starts_with("s=") ? 2 : q.substr(pos).starts_with("search=") ? 7 : 0;
      if (key != 0) {
        name.Add("x_");
        keywords = true;
        pos += key;
        continue;
      }
    }
    if (!keywords && parameterStart && q.substr(pos).starts_with("next=")) {
      name.next = true;
      pos += 5;
      continue;
    }
    const char c = q[pos];
    if (name.length > 0 && (c == '+' || c == '|')) {
      AddSeparator(name, c);
      ++pos;
    } else if (name.length > 0 && c == '&') {
      keywords = false;
      ++pos;
    } else if (keywords) {
      pos += TakeKeywordByte(name, q, pos);
    } else {
      ++pos;
    }
    if (name.length >= kGatewayWordBytes) {
      name.length = name.lastRun != 0 ? name.lastRun : kGatewayWordBytes;
      full = true;
    }
  }
  if (name.EndsWith('+')) --name.length;
  const auto fits = [&name](size_t atMost, size_t adding) {
    return name.length <= atMost && name.length + adding <= static_cast<size_t>(kComponentMaxBytes);
  };
  if (name.site && fits(26, 5)) name.Add("_site");
  if (name.next && fits(26, 5)) name.Add("_next");
  if (name.noSummary && name.numDocs.empty() && fits(25, 6)) name.Add("_noSum");
  if (!name.start.empty() && fits(27, 2 + name.start.size())) {
    name.Add("_s");
    name.Add(name.start);
  }
  if (!name.numDocs.empty() && fits(27, 1 + name.numDocs.size())) {
    name.Add("_");
    name.Add(name.numDocs);
  }
  if ((name.combined || name.review) && fits(26, 5)) name.Add(name.combined ? "_comb" : "_revi");
  if (name.length > 0 && fits(27, 4)) name.Add(".htm");
  WriteText(s, std::string_view(name.text.data(), std::min(name.length, name.text.size())));
  s.changed = 1;
}

// --- Finishing ----------------------------------------------------------------

namespace {

bool TakeBackTail(ScanState& s, std::string_view tail) {
  if (s.units < s.componentStart + tail.size() || !NameEndsWith(s, tail)) return false;
  TakeBackUnits(s, tail.size());
  s.changed = 1;
  return true;
}

// '_', "svx=" and six digits at the end of the name.
bool TakeBackSvxTail(ScanState& s) {
  const std::string_view name = ComponentText(s);
  if (name.size() < 11) return false;
  const std::string_view tail = name.substr(name.size() - 11);
  if (!tail.starts_with("_svx=")) return false;
  for (char c : tail.substr(5)) {
    if (!IsDigit(c)) return false;
  }
  TakeBackUnits(s, 11);
  s.changed = 1;
  return true;
}

// "_tid=" and one to four digits, with an optional column after them.
bool IsTopicIdName(std::string_view name) {
  if (!name.starts_with("_tid=")) return false;
  name.remove_prefix(5);
  for (std::string_view column : {"_col=JT", "_col=GN"}) {
    if (name.ends_with(column)) name.remove_suffix(column.size());
  }
  if (name.empty() || name.size() > 4) return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return IsDigit(c); });
}

}  // namespace

void ApplyInfoseekTailRules(ScanState& s) {
  const int16_t state = s.modes.infoseek;
  if (state == 0) return;
  if (state > 1) TakeBackTail(s, "_sv=JP");
  if (state == 10) {
    TakeBackTail(s, "_ud14=1");
    TakeBackTail(s, "_ud4=1");
  }
  if (state == 4 || state == 6 || state == 10 || state > 19) {
    if (!TakeBackTail(s, "_nh=25") && !TakeBackTail(s, "_nh=50")) TakeBackTail(s, "_nh=100");
    TakeBackTail(s, "_sv=JP");
    TakeBackSvxTail(s);
    TakeBackTail(s, "_sv=RT");
  }
  if (state == 6 && IsTopicIdName(ComponentText(s))) {
    TakeBackUnits(s, s.units - s.componentStart);
    WriteText(s, "index");
    s.changed = 1;
  }
}

void ApplyInfoseekHtmRule(ScanState& s) {
  const int16_t state = s.modes.infoseek;
  if (state < 2 || state > 8) return;
  const std::string_view name = ComponentText(s);
  const bool sized = (name.size() >= 3 && name.size() <= 27) || (name.size() == 2 && name[0] == 'M');
  if (!sized || name.ends_with(".html") || name.ends_with(".htm") || name.ends_with('/')) return;
  if (NameEndsWith(s, "+")) TakeBackUnits(s, 1);
  WriteText(s, ".htm");
  s.changed = 1;
}

}  // namespace hoard

#include "urlmap/queryrules.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// --- Reading the source ------------------------------------------------------

// Exact bytes of `pattern` at `at` bytes past the source cursor, where every
// '&' of the pattern also matches the "&amp;" of a link taken from a page.
// The source bytes matched; 0 when the pattern does not match.
size_t MatchAt(const ScanState& s, size_t at, std::string_view pattern) {
  const char* p = s.source + at;
  for (size_t i = 0; i < at; ++i) {
    if (s.source[i] == '\0') return 0;
  }
  size_t used = 0;
  for (char c : pattern) {
    if (p[used] != c) return 0;  // the source's NUL never matches
    if (c == '&' && std::strncmp(p + used, "&amp;", 5) == 0) {
      used += 5;
    } else {
      ++used;
    }
  }
  return used;
}

// The source at `at` ends a parameter: the end of the text or a '&'.
bool ParameterEndsAt(const ScanState& s, size_t at) {
  const unsigned char c = SourceByte(s, at);
  return c == '\0' || c == '&';
}

// A whole parameter: the pattern, then the end of the parameter.
size_t MatchWholeAt(const ScanState& s, size_t at, std::string_view pattern) {
  const size_t used = MatchAt(s, at, pattern);
  return used != 0 && ParameterEndsAt(s, at + used) ? used : 0;
}

// The '&' (or "&amp;") at the cursor and the parameter after it: the bytes of
// "&" + `pattern` matched, 0 when they do not match.
size_t MatchNext(const ScanState& s, std::string_view pattern) {
  const size_t amp = AmpersandLength(s);
  if (amp == 0) return 0;
  const size_t used = MatchAt(s, amp, pattern);
  return used != 0 ? amp + used : 0;
}
size_t MatchNextWhole(const ScanState& s, std::string_view pattern) {
  const size_t used = MatchNext(s, pattern);
  return used != 0 && ParameterEndsAt(s, used) ? used : 0;
}
// The next parameter is `pattern` and another parameter follows it: the
// bytes up to that parameter's '&'.
size_t MatchNextBeforeAnother(const ScanState& s, std::string_view pattern) {
  const size_t used = MatchNext(s, pattern);
  return used != 0 && SourceByte(s, used) == '&' ? used : 0;
}

// Digits at `at` past the cursor, at most `limit`.
size_t DigitsAt(const ScanState& s, size_t at, size_t limit) {
  size_t n = 0;
  while (n < limit && IsDigit(SourceByte(s, at + n))) ++n;
  return n;
}

// --- Reading the name ----------------------------------------------------------

// The name's query part ends with '_' and `tail`: the parameter just written.
bool TailIs(const ScanState& s, std::string_view tail) {
  if (!InQuery(s) || !NameEndsWith(s, tail)) return false;
  const size_t at = s.units - tail.size();
  return at > static_cast<size_t>(s.queryStart) && at >= s.componentStart + 1 &&
         s.disk[at - 1] == '_';
}

// The units at `from` of the name begin with `text`.
bool NameHasAt(const ScanState& s, size_t from, std::string_view text) {
  return from <= s.units && NameText(s).substr(from, text.size()) == text;
}

// --- Changing the name ---------------------------------------------------------

// Removes the last n units (a parameter and the '_' in front of it); the cut
// mark stands at the new end, on a '_' left there.
void RemoveTail(ScanState& s, size_t n) {
  TakeBackUnits(s, n);
  s.cutMark = static_cast<ptrdiff_t>(NameEndsWith(s, "_") ? s.units - 1 : s.units);
  s.changed = 1;
}

// Writes one '_' unless the name already ends with one.
void WriteSeparatorOnce(ScanState& s) {
  if (!NameEndsWith(s, "_")) WriteUnit(s, '_');
}

// Cuts the component back to its first `keep` units and writes a '_' at
// which a query starts.
void RestartQueryAfter(ScanState& s, size_t keep) {
  const size_t end = s.componentStart + keep;
  if (s.units > end) TakeBackUnits(s, s.units - end);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  s.cutMark = s.queryStart;
  WriteUnit(s, '_');
  s.changed = 1;
}

// The units of the query copy that form its parameters, split at '&' (and at
// the "&amp;" of a page's link).
struct Parameter {
  std::string_view text;
  size_t end;  // offset in the copy just past the parameter
};

size_t SplitParameters(std::string_view query, Parameter* out, size_t capacity) {
  size_t count = 0;
  size_t begin = 0;
  while (begin <= query.size() && count < capacity) {
    size_t end = query.find('&', begin);
    if (end == std::string_view::npos) end = query.size();
    out[count++] = {query.substr(begin, end - begin), end};
    if (end == query.size()) break;
    begin = end + (query.substr(end, 5) == "&amp;" ? 5 : 1);
  }
  return count;
}

}  // namespace

// --- The page-number suffix -----------------------------------------------------

namespace {

constexpr size_t kMaxSuffixParameters = 256;
constexpr size_t kPassedTrailingParameters = 3;
constexpr size_t kSuffixNameLimit = 27;
constexpr size_t kSuffixDigitBudget = 28;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Trailing parameters that never tell one page from another.
bool IsPassedTrailingParameter(std::string_view parameter) {
  return parameter == "sv=JP" || parameter == "lk=noframes" || StartsWith(parameter, "nh=");
}

// A parameter the rules drop as a default wherever it stands: the query
// reordering moves such parameters behind the offset, and they must not
// hide it.
bool IsDroppedDefault(const ScanState& s, std::string_view parameter);

// The name before `cut` already ends with an "st=" number.
bool NameEndsWithOffset(const ScanState& s, size_t cut) {
  size_t i = cut;
  size_t digits = 0;
  while (i > s.componentStart && IsDigit(s.disk[i - 1]) && digits < 5) {
    --i;
    ++digits;
  }
  if (digits == 0 || digits > 4 || i < s.componentStart + 3) return false;
  return NameText(s).substr(i - 3, 3) == "st=";
}

// The digits at the end of `text`.
std::string_view TrailingDigits(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && IsDigit(static_cast<unsigned char>(text[text.size() - 1 - n]))) ++n;
  return text.substr(text.size() - n);
}

// The end of the last whole character of the component at or before `limit`.
size_t WholeCharactersUpTo(const ScanState& s, size_t limit) {
  size_t i = s.componentStart;
  while (i < limit) {
    const size_t step = i + 1 < s.units && IsSjisPair(&s.disk[i]) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

}  // namespace

void ApplyPageNumberSuffix(ScanState& s, size_t cut) {
  if (cut > s.units) cut = s.units;
  const std::string_view query(s.query.text.data(), s.query.length);
  Parameter parameters[kMaxSuffixParameters];
  size_t count = SplitParameters(query, parameters, kMaxSuffixParameters);
  for (size_t passed = 0; count > 0; --count) {
    const std::string_view last = parameters[count - 1].text;
    if (IsDroppedDefault(s, last)) continue;
    if (passed == kPassedTrailingParameters || !IsPassedTrailingParameter(last)) break;
    ++passed;
  }
  std::string_view digits;
  if (count > 0) {
    const std::string_view last = parameters[count - 1].text;
    bool counts = false;
    if (StartsWith(last, "st=")) {
      counts = last.size() > 3 && last[3] != '0' && !NameEndsWithOffset(s, cut);
    } else if (StartsWith(last, "OFFSET=") || StartsWith(last, "ID=") || StartsWith(last, "act.") ||
               StartsWith(last, "pg=")) {
      counts = true;
    }
    if (counts) {
      digits = TrailingDigits(query.substr(0, parameters[count - 1].end));
    } else {
      // Otherwise the result list's own start parameter, unless it is the first.
      for (size_t i = SplitParameters(query, parameters, kMaxSuffixParameters); i > 0; --i) {
        const std::string_view parameter = parameters[i - 1].text;
        if (!StartsWith(parameter, "first=")) continue;
        if (parameter.substr(6) != "1") digits = TrailingDigits(parameter);
        break;
      }
    }
  }
  size_t nameLength = cut - std::min(cut, s.componentStart);
  if (nameLength > kSuffixNameLimit) digits = {};
  // A cut at the query's first '_' would leave nothing of the request in the
  // name, and every long search of a script would share one name: the name
  // keeps as much of the query as leaves room for the digits instead.
  if (InQuery(s) && cut <= static_cast<size_t>(s.queryStart) + 1 &&
      s.units > static_cast<size_t>(s.queryStart) + 1) {
    const size_t budget = kSuffixNameLimit - 1 - digits.size();
    const size_t keep = WholeCharactersUpTo(s, std::min(s.units, s.componentStart + budget));
    if (keep > cut) {
      cut = keep;
      nameLength = cut - s.componentStart;
    }
  }
  // Digits that do not fit behind the name shorten the name instead: a
  // clipped offset would give two pages one name.
  if (!digits.empty() && digits.size() > kSuffixDigitBudget - nameLength) {
    const size_t room = kSuffixDigitBudget - std::min(digits.size(), kSuffixDigitBudget - 1);
    cut = std::max(WholeCharactersUpTo(s, s.componentStart + room), s.componentStart + 1);
  }
  if (cut < s.units) TakeBackUnits(s, s.units - cut);
  if (!digits.empty()) {
    WriteUnit(s, '_');
    WriteText(s, digits);
  }
  s.changed = 1;
}

// --- Query reordering -------------------------------------------------------------

namespace {

// Where parameter `key` begins in `query` (at its start or after a '&'),
// from `from` on; npos when it is not there.
size_t FindParameter(std::string_view query, std::string_view key, size_t from) {
  for (size_t at = query.find(key, from); at != std::string_view::npos;
       at = query.find(key, at + 1)) {
    if (at == from || query[at - 1] == '&' || (at >= 5 && query.substr(at - 5, 5) == "&amp;")) {
      return at;
    }
  }
  return std::string_view::npos;
}

// The source from the cursor: its unread text and the room after it.
struct SourceRoom {
  char* text;
  size_t length;
  size_t capacity;  // bytes from text, the NUL included
};

SourceRoom UnreadSource(const ScanState& s) {
  SourceRoom room{s.source, std::strlen(s.source), 0};
  const char* base = s.inPlace ? s.output : s.sourceBase;
  const size_t total = s.inPlace ? s.outputCapacity : s.sourceCapacity;
  room.capacity = total - static_cast<size_t>(s.source - base);
  return room;
}

// Moves the parameter at `key` and everything after it to `front`, the
// parameters before it behind them: in place, by rotation. The separator in
// front of the key ('&', or "&amp;" in a page's link) goes to the very end
// first, so that the moved-back parameters keep it between them and the rest.
void MoveToFront(char* query, size_t front, size_t key, size_t length) {
  if (key <= front) return;
  size_t separator = key;
  if (key >= front + 5 && std::string_view(query + key - 5, 5) == "&amp;") {
    separator = key - 5;
  } else if (query[key - 1] == '&') {
    separator = key - 1;
  }
  std::rotate(query + separator, query + key, query + length);
  std::rotate(query + front, query + separator, query + length);
}

// Appends "&" and `parameter` to the source when it fits.
void AppendParameter(SourceRoom& room, std::string_view parameter) {
  if (room.length + 1 + parameter.size() + 1 > room.capacity) return;
  room.text[room.length++] = '&';
  std::memcpy(room.text + room.length, parameter.data(), parameter.size());
  room.length += parameter.size();
  room.text[room.length] = '\0';
}

// A reordering: the keys of a script, the first found of which is moved to
// the front of its query. `closing` ends every reordered query: appended
// when the query did not begin with it, so that a request names the same
// file with or without it.
struct Reordering {
  std::string_view keys[2];
  std::string_view closing;
  std::string_view condition;  // the key moves only when this parameter leads
};

bool LeadsWith(std::string_view query, std::string_view parameter) {
  return StartsWith(query, parameter) &&
         (query.size() == parameter.size() || query[parameter.size()] == '&');
}

// Reorders the query after `scriptLength` bytes of script and its '?'.
// True when the key was found (moved or already in front).
bool ReorderQuery(ScanState& s, size_t scriptLength, const Reordering& rule) {
  SourceRoom room = UnreadSource(s);
  const size_t queryAt = scriptLength + 1;
  if (room.length < queryAt) return false;
  char* const query = room.text + queryAt;
  const size_t length = room.length - queryAt;
  const std::string_view text(query, length);
  size_t key = std::string_view::npos;
  for (std::string_view candidate : rule.keys) {
    if (!candidate.empty()) key = std::min(key, FindParameter(text, candidate, 0));
  }
  if (key == std::string_view::npos) return false;
  if (!rule.condition.empty()) {
    // The key leads already and the condition follows, or the condition leads.
    if (key == 0) {
      if (FindParameter(text, rule.condition, 0) == std::string_view::npos) return false;
    } else if (!StartsWith(text, rule.condition)) {
      return false;
    }
  }
  const bool closed = !rule.closing.empty() && LeadsWith(text, rule.closing);
  MoveToFront(query, 0, key, length);
  if (!rule.closing.empty() && !closed) AppendParameter(room, rule.closing);
  s.changed = 1;
  return true;
}

// "search_"/"search-", an engine name and ".cgi?": the script's length.
size_t EngineScriptLength(const ScanState& s) {
  if (!SourceBeginsWith(s, "search_") && !SourceBeginsWith(s, "search-")) return 0;
  constexpr size_t kLead = 7;
  size_t available = 0;
  while (available < kLead + 12 && SourceByte(s, available) != '\0') ++available;
  const size_t name = EngineNameLength(std::string_view(s.source + kLead, available - kLead));
  if (name == 0 || !std::string_view(s.source + kLead + name).starts_with(".cgi?")) return 0;
  return kLead + name + 4;
}

constexpr Reordering kParaReordering = {{"Querystring=", "OLDQUERYDISPLAY="}, {}, {}};
constexpr Reordering kRoboReordering = {{"key="}, "number=10", {}};
constexpr Reordering kS97Reordering = {{"queryText="}, {}, "Action=FilterSearch"};
constexpr Reordering kCountReordering = {{"query="}, {}, "log="};
constexpr Reordering kKeywordsReordering = {{"keywords="}, "server=comdb", {}};

}  // namespace

RuleOutcome ApplyQueryReordering(ScanState& s) {
  if (SourceBeginsWith(s, "para?")) {
    ReorderQuery(s, 4, kParaReordering);
    s.modes.para = 1;
  } else if (SourceBeginsWith(s, "search-robo") && IsDigit(SourceByte(s, 11)) &&
             SourceByte(s, 12) == '?') {
    ReorderQuery(s, 12, kRoboReordering);
    s.modes.robo = 1;
  } else if (const size_t script = EngineScriptLength(s); script != 0) {
    ReorderQuery(s, script, kRoboReordering);
    s.modes.robo = 1;
  } else if (SourceBeginsWith(s, "s97is.vts?") || SourceBeginsWith(s, "s97_cgi?")) {
    // The filter is a default the parameter rules drop: a query that leads
    // with the words names the same page with or without it.
    const size_t script = SourceByte(s, 3) == 'i' ? 9 : 7;
    if (ReorderQuery(s, script, kS97Reordering) ||
        std::string_view(s.source + script + 1).starts_with("queryText=")) {
      s.modes.s97 = 1;
    }
  } else if (SourceBeginsWith(s, "search.cgi?")) {
    if (ReorderQuery(s, 10, kCountReordering)) s.modes.searchCount = 1;
  } else if (SourceBeginsWith(s, "URL-tret-ret.pl?")) {
    ReorderQuery(s, 15, kKeywordsReordering);
    s.modes.keywords = 1;
  } else {
    return RuleOutcome::kNotApplied;
  }
  s.changed = 1;
  // The scan goes on over the reordered source.
  return RuleOutcome::kNotApplied;
}

// --- Leading-key rules -------------------------------------------------------------

namespace {

void TakeQueryCopy(ScanState& s) {
  const size_t length = std::min(std::strlen(s.source + 1), s.query.text.size() - 1);
  std::memcpy(s.query.text.data(), s.source + 1, length);
  s.query.text[length] = '\0';
  s.query.length = length;
}

// The counter rules: "Count.cgi" and "df=" (after a '?' or a '|').
void StartCounterName(ScanState& s, size_t skip, bool startsQuery) {
  SkipSource(s, skip);
  RestartQueryAfter(s, 5);
  if (!startsQuery) s.queryStart = kNoMark;
  s.modes.image = 1;
}

// The rules tried at the '?' itself, before the query begins.
RuleOutcome LeadingRulesBeforeQuery(ScanState& s) {
  if (ComponentBeginsWith(s, "counter.cgi") && SourceBeginsWith(s, "?u=")) {
    SkipSource(s, 1);
    RestartQueryAfter(s, 7);
    s.modes.image = 1;
    return RuleOutcome::kContinue;
  }
  if (ComponentBeginsWith(s, "Count.cgi") && SourceBeginsWith(s, "?df=")) {
    StartCounterName(s, 4, true);
    return RuleOutcome::kContinue;
  }
  // A parameter that only repeats the default: the whole value, so that a
  // longer value is never glued to the name.
  if (MatchWholeAt(s, 1, "qp=0") != 0) {
    SkipSource(s, 5);
    s.changed = 1;
    return RuleOutcome::kContinue;
  }
  if (SourceBeginsWith(s, "?from=search")) {
    SkipSource(s, 12);
    WriteUnit(s, '_');
    s.modes.from = 1;
    s.changed = 1;
    return RuleOutcome::kContinue;
  }
  for (std::string_view from : {"?from=dbtop", "?from=szuba", "?from=zuba"}) {
    if (SourceBeginsWith(s, from)) {
      SkipSource(s, from.size());
      s.modes.from = 1;
      s.changed = 1;
      return RuleOutcome::kContinue;
    }
  }
  if (SourceBeginsWith(s, "?path=home_")) {
    SkipSource(s, 11);
    WriteUnit(s, '_');
    s.changed = 1;
    return RuleOutcome::kContinue;
  }
  return RuleOutcome::kNotApplied;
}

// The music site's counter: "u=" and its host.
bool TakeMusicCounter(ScanState& s) {
  const SiteHost& host = Sites().musicSiteHost;
  if (!IsSuppliedHost(host) || !SourceBeginsWith(s, "u=") ||
      std::string_view(s.source + 2).substr(0, host.length) != host.text) {
    return false;
  }
  const std::string_view name = NameText(s).substr(s.componentStart, s.units - 1 - s.componentStart);
  if (name.ends_with("counter.pl")) {
    s.modes.hostingCounter = 1;
    return true;
  }
  if (name.ends_with("counter.cgi")) {
    // "counter.cgi" becomes "counter.pl", one byte shorter.
    TakeBackUnits(s, 4);
    WriteText(s, "pl");
    s.queryStart = static_cast<ptrdiff_t>(s.units);
    s.cutMark = s.queryStart;
    WriteUnit(s, '_');
    s.modes.hostingCounter = 1;
    return true;
  }
  return false;
}

// A board's "user_id=": three capitals and five digits, then the page.
bool TakeBoardUser(ScanState& s) {
  constexpr size_t kKey = 8;
  if (!SourceBeginsWith(s, "user_id=")) return false;
  for (size_t i = 0; i < 8; ++i) {
    const unsigned char c = SourceByte(s, kKey + i);
    if (i < 3 ? !IsUpper(c) : !IsDigit(c)) return false;
  }
  SkipSource(s, kKey);
  CopySource(s, 8);
  // The board's defaults are dropped and its page taken in whatever order
  // they come, so that a page has one name, and different pages
  // different names, however the link spells them.
  bool pageTaken = false;
  for (;;) {
    if (const size_t page = pageTaken ? 0 : MatchNext(s, "page=")) {
      SkipSource(s, page);
      pageTaken = true;
      if (SourceByte(s) == '0') {
        SkipSource(s, 1);
      } else {
        WriteUnit(s, '_');
        if (ComponentBeginsWith(s, "thread.cgi")) WriteUnit(s, 'p');
      }
      while (IsDigit(SourceByte(s)) && s.componentLength <= kComponentLimitStart) CopySource(s, 1);
      continue;
    }
    size_t used = 0;
    for (std::string_view flag : {"dp_flg=1", "def=10", "msg_per_page=10"}) {
      used = MatchNextWhole(s, flag);
      if (used != 0) break;
    }
    if (used == 0) {
      // An empty "def=" at the end.
      used = MatchNext(s, "def=");
      if (used != 0 && SourceByte(s, used) != '\0') used = 0;
    }
    if (used == 0) break;
    SkipSource(s, used);
  }
  return true;
}

// "from=" and an engine name; a following "&key=" loses its key.
bool TakeFromEngine(ScanState& s) {
  if (!SourceBeginsWith(s, "from=")) return false;
  const size_t name = EngineNameLength(std::string_view(s.source + 5));
  if (name == 0) return false;
  SkipSource(s, 5 + name);
  if (const size_t amp = AmpersandLength(s)) {
    SkipSource(s, amp);
    if (SourceBeginsWith(s, "key=")) SkipSource(s, 4);
  }
  return true;
}

// A key whose value alone names the request.
struct DroppedKey {
  std::string_view key;
  int16_t ScanModes::*needs = nullptr;
};
constexpr DroppedKey kDroppedKeys[] = {
    {"key="}, {"keyno="}, {"keyword="}, {"keywords="},
};
constexpr std::string_view kDroppedQueryKeys[] = {"query=", "QueryString=", "queryText="};

// Infoseek pages named by their first parameter.
struct LeadingState {
  std::string_view text;
  int16_t state;
};
constexpr LeadingState kLeadingStates[] = {
    {"tid=", 6},
    {"pg=Home.html", 10},
    {"pg=help.html", 11},
    {"pg=ml_top.html", 12},
    {"pg=map_top.html", 13},
    {"pg=gourmet.html", 14},
    {"pg=srs_index.html", 15},
    {"sv=RT", 20},
    {"svx=", 21},
};

// The rules tried after the '_' for the '?' is written, on the text after it.
void LeadingRulesInQuery(ScanState& s) {
  if (TakeMusicCounter(s)) return;
  if (SourceBeginsWith(s, "lk=noframes")) {
    SkipSource(s, 11);
    const bool topic = s.urlHead[0] == '/' && (s.urlHead[1] == 'T' || IsDigit(s.urlHead[1]));
    s.modes.infoseek = topic ? 6 : 1;
    return;
  }
  for (const LeadingState& row : kLeadingStates) {
    if (SourceBeginsWith(s, row.text)) {
      s.modes.infoseek = row.state;
      return;
    }
  }
  if (SourceBeginsWith(s, "trace=1")) {
    SkipSource(s, 7);
    TakeBackUnits(s, 1);
    return;
  }
  const std::string_view before = NameText(s).substr(s.componentStart, s.units - 1 - s.componentStart);
  if (before.starts_with("nph-count") && (SourceBeginsWith(s, "link=/") || SourceBeginsWith(s, "link=~"))) {
    SkipSource(s, 5);
    RestartQueryAfter(s, 9);
    s.queryStart = static_cast<ptrdiff_t>(s.units);
    s.modes.nameFlat = 1;
    s.modes.image = 1;
    return;
  }
  if (SourceBeginsWith(s, "prog_no=DS")) {
    if (before == "mj_dsx_indrecruit.cgi") {
      SkipSource(s, 8);
      TakeBackUnits(s, 5);
      s.queryStart = static_cast<ptrdiff_t>(s.units);
      s.cutMark = s.queryStart;
      WriteUnit(s, '_');
      return;
    }
    if (before.ends_with("cgi")) {
      SkipSource(s, 8);
      return;
    }
  }
  if (SourceBeginsWith(s, "sinko_no=")) {
    SkipSource(s, 6);
    return;
  }
  if (SourceBeginsWith(s, "P=A_TIT")) {
    SkipSource(s, 7);
    TakeBackUnits(s, 1);
    s.modes.keywords = 1;
    return;
  }
  if (TakeFromEngine(s)) return;
  if (SourceBeginsWith(s, "d=") && IsDigit(SourceByte(s, 2)) && IsDigit(SourceByte(s, 3)) &&
      NewsSourceLength(std::string_view(s.source + 4)) != 0) {
    SkipSource(s, 2);
    return;
  }
  if (SourceBeginsWith(s, "SearchType=QUICKSEARCH")) {
    SkipSource(s, 22);
    if (const size_t n = MatchNext(s, "RNID=-13")) SkipSource(s, n);
    if (const size_t n = MatchNext(s, "Words=")) SkipSource(s, n);
    return;
  }
  for (const DroppedKey& row : kDroppedKeys) {
    if (SourceBeginsWith(s, row.key)) {
      SkipSource(s, row.key.size());
      return;
    }
  }
  if (s.modes.searchCount && SourceBeginsWith(s, "query=")) {
    // The name reads "r_" and the words.
    SkipSource(s, 6);
    RestartQueryAfter(s, 1);
    ReplaceUnit(s, s.componentStart, 'r');
    return;
  }
  for (std::string_view key : kDroppedQueryKeys) {
    if (SourceBeginsWith(s, key)) {
      SkipSource(s, key.size());
      return;
    }
  }
  TakeBoardUser(s);
}

}  // namespace

RuleOutcome ApplyLeadingKeyRules(ScanState& s) {
  TakeQueryCopy(s);
  const RuleOutcome before = LeadingRulesBeforeQuery(s);
  if (before != RuleOutcome::kNotApplied) return before;
  SkipSource(s, 1);
  s.queryStart = static_cast<ptrdiff_t>(s.units);
  s.cutMark = s.queryStart;
  WriteUnit(s, '_');
  s.changed = 1;
  LeadingRulesInQuery(s);
  return RuleOutcome::kContinue;
}

// --- Parameter rules --------------------------------------------------------------

namespace {

// What a parameter row decided.
enum class RowResult {
  kNo,       // the row does not apply: the next one is tried
  kDefault,  // the scan writes '_' for the '&'
  kHandled,  // the source has moved on; nothing more is written for the '&'
  kEnd,      // the name is complete
};

using ModeField = int16_t ScanModes::*;

bool ModeSet(const ScanState& s, ModeField mode) { return mode == nullptr || s.modes.*mode != 0; }

// Skips the '&' and the parameter matched (`used` bytes).
RowResult Skip(ScanState& s, size_t used) {
  SkipSource(s, used);
  s.changed = 1;
  return RowResult::kHandled;
}

// The encoding step: an encoding parameter, then an "x0=" flag.
bool SkipEncoding(ScanState& s) {
  size_t used = MatchNextWhole(s, "encoding=shift-jis");
  if (used == 0) used = MatchNextWhole(s, "encoding=euc");
  if (used == 0) return false;
  SkipSource(s, used);
  if (const size_t flag = MatchNextWhole(s, "x0=0")) {
    SkipSource(s, flag);
  } else if (const size_t other = MatchNextWhole(s, "x0=1")) {
    SkipSource(s, other);
  }
  s.changed = 1;
  return true;
}

// A row of the parameter table: a test, the mode it needs, and what it does.
enum class RowKind : uint8_t {
  kSkipNext,        // the next parameter, whole, is skipped
  kRemoveTail,      // the name ends with '_' and the text: both are removed
  kReplaceKey,      // the next parameter's key is written as `writes`
  kCall,            // a row of its own shape
};

struct ParameterRow {
  RowKind kind;
  std::string_view text;
  ModeField needs = nullptr;
  std::string_view writes = {};
  RowResult (*call)(ScanState&) = nullptr;
};

RowResult CounterValue(ScanState& s) {
  if (!ComponentBeginsWith(s, "Count.cgi")) return RowResult::kNo;
  const size_t used = MatchNext(s, "df=");
  if (used == 0) return RowResult::kNo;
  SkipSource(s, used);
  RestartQueryAfter(s, 5);
  s.modes.image = 1;
  return RowResult::kHandled;
}

RowResult CounterLink(ScanState& s) {
  if (!ComponentBeginsWith(s, "nph-count")) return RowResult::kNo;
  size_t used = MatchNext(s, "link=/");
  if (used == 0) used = MatchNext(s, "link=~");
  if (used == 0) return RowResult::kNo;
  SkipSource(s, used - 1);
  RestartQueryAfter(s, 9);
  s.modes.nameFlat = 1;
  s.modes.image = 1;
  return RowResult::kHandled;
}

RowResult SelectionOff(ScanState& s) {
  if (!TailIs(s, "psel=0")) return RowResult::kNo;
  RemoveTail(s, 7);
  // Nothing after the '&': the '_' before it goes too.
  if (SourceByte(s, AmpersandLength(s)) == '\0' && NameEndsWith(s, "_")) RemoveTail(s, 1);
  return RowResult::kDefault;
}

// "_s10=", a digit, "_s11=" and one or two digits: its length, 0 if absent.
size_t SelectionPairTail(const ScanState& s) {
  const std::string_view name = NameText(s);
  for (size_t length : {13u, 12u}) {
    if (name.size() < length) continue;
    const std::string_view tail = name.substr(name.size() - length);
    const bool twoDigits = length == 13;
    if (tail.substr(0, 5) == "_s10=" && IsDigit(static_cast<unsigned char>(tail[5])) &&
        tail.substr(6, 5) == "_s11=" && IsDigit(static_cast<unsigned char>(tail[11])) &&
        (!twoDigits || IsDigit(static_cast<unsigned char>(tail[12])))) {
      return length;
    }
  }
  return 0;
}

// "_s21=" and one or two digits: its length, 0 if absent.
size_t SelectionSingleTail(const ScanState& s) {
  const std::string_view name = NameText(s);
  for (size_t length : {7u, 6u}) {
    if (name.size() < length) continue;
    const std::string_view tail = name.substr(name.size() - length);
    if (tail.substr(0, 5) == "_s21=" && IsDigit(static_cast<unsigned char>(tail[5])) &&
        (length == 6 || IsDigit(static_cast<unsigned char>(tail[6])))) {
      return length;
    }
  }
  return 0;
}

// The form selections: decided by the next parameter alone.
RowResult FormSelections(ScanState& s) {
  constexpr std::string_view kDefaults = "_s01=2_s02=2";
  if (MatchNext(s, "s10=") != 0) {
    if (NameEndsWith(s, kDefaults)) RemoveTail(s, kDefaults.size());
    return RowResult::kDefault;
  }
  if (MatchNext(s, "s21=") != 0) {
    if (const size_t n = SelectionPairTail(s)) RemoveTail(s, n);
    return RowResult::kDefault;
  }
  if (MatchNext(s, "set1=") != 0) {
    size_t n = SelectionPairTail(s);
    if (n == 0) n = SelectionSingleTail(s);
    if (n != 0) RemoveTail(s, n);
    return RowResult::kDefault;
  }
  if (const size_t used = MatchNextWhole(s, "backurl=%2FwebanV3%2Fmenu02%2Fselect21%2Easp")) {
    // The whole parameter goes, its last byte too.
    if (NameEndsWith(s, kDefaults)) RemoveTail(s, kDefaults.size());
    return Skip(s, used);
  }
  return RowResult::kNo;
}

RowResult WebSearch(ScanState& s) {
  if (!TailIs(s, "what=web")) return RowResult::kNo;
  RemoveTail(s, 9);
  const size_t used = MatchNext(s, "pg=q&lang=");
  if (used != 0 && SourceByte(s, used) != '\0' && SourceByte(s, used + 1) == '&') {
    return Skip(s, used + 1);
  }
  return RowResult::kDefault;
}

RowResult CountLog(ScanState& s) {
  if (!TailIs(s, "log=0") && !TailIs(s, "cate=")) return RowResult::kNo;
  RemoveTail(s, 6);
  s.modes.searchCount = 1;
  if (const size_t used = MatchNext(s, "item=20"); used != 0 && SourceByte(s, used) == '\0') {
    return Skip(s, used);
  }
  return RowResult::kDefault;
}

RowResult CountItems(ScanState& s) {
  if (!TailIs(s, "item=20")) return RowResult::kNo;
  RemoveTail(s, 8);
  if (s.modes.searchCount) {
    if (const size_t used = MatchNext(s, "query=")) {
      // As a leading "query=": the name reads "r_" and the words.
      SkipSource(s, used);
      RestartQueryAfter(s, 1);
      ReplaceUnit(s, s.componentStart, 'r');
      return RowResult::kHandled;
    }
  }
  return RowResult::kDefault;
}

RowResult EngineKey(ScanState& s) {
  if (!TailIs(s, "k=infoseek") && !TailIs(s, "k=netplaza") && !TailIs(s, "k=infonavi")) {
    return RowResult::kNo;
  }
  RemoveTail(s, 11);
  s.modes.engineKey = 1;
  const size_t used = MatchNext(s, "keyword=");
  if (used == 0) return RowResult::kDefault;
  SkipSource(s, used);
  if (ComponentBeginsWith(s, "searchop")) {
    TakeBackUnits(s, s.units - s.componentStart);
    WriteText(s, "ntt");
    s.queryStart = static_cast<ptrdiff_t>(s.units);
  }
  s.cutMark = static_cast<ptrdiff_t>(s.units);
  WriteSeparatorOnce(s);
  return RowResult::kHandled;
}

RowResult PageOfEngine(ScanState& s) {
  const size_t name = EngineNameLengthBefore(NameText(s).substr(s.componentStart));
  if (name == 0) return RowResult::kNo;
  const std::string_view before = NameText(s).substr(0, s.units - name);
  for (std::string_view page : {"_PAGE=page_", "_Page=page_"}) {
    if (before.ends_with(page)) {
      RemoveTail(s, name + page.size());
      return RowResult::kDefault;
    }
  }
  return RowResult::kNo;
}

// The page-change step after the display start was dropped.
RowResult PageChange(ScanState& s, bool skipped) {
  for (std::string_view size : {"MAX=20", "Max=20"}) {
    if (const size_t n = MatchNextBeforeAnother(s, size)) {
      SkipSource(s, n);
      skipped = true;
      break;
    }
  }
  if (const size_t used = MatchNext(s, "PAGECHANGE=")) {
    SkipSource(s, used);
    if (SourceByte(s) == '1' && ParameterEndsAt(s, 1)) {
      SkipSource(s, 1);
    } else {
      WriteText(s, "_PC=");
    }
    s.changed = 1;
    return RowResult::kHandled;
  }
  return skipped ? RowResult::kHandled : RowResult::kDefault;
}

RowResult DisplayStart(ScanState& s) {
  if (TailIs(s, "DISPLAYMIN=1")) {
    RemoveTail(s, 13);
    return PageChange(s, false);
  }
  if (TailIs(s, "DISPLAYMIN=21")) {
    RemoveTail(s, 14);
    return PageChange(s, false);
  }
  for (std::string_view next : {"DISPLAYMIN=1", "DISPLAYMIN=21"}) {
    if (const size_t used = MatchNextBeforeAnother(s, next)) {
      SkipSource(s, used);
      s.changed = 1;
      return PageChange(s, true);
    }
  }
  return RowResult::kNo;
}

// Image-button coordinates: "x=" or "y=" and one or two digits.
RowResult ButtonCoordinate(ScanState& s) {
  size_t used = MatchNext(s, "x=");
  if (used == 0) used = MatchNext(s, "y=");
  if (used == 0) return RowResult::kNo;
  const size_t digits = DigitsAt(s, used, 3);
  if (digits < 1 || digits > 2 || !ParameterEndsAt(s, used + digits)) return RowResult::kNo;
  return Skip(s, used + digits);
}

RowResult WeeklyTerm(ScanState& s) {
  if (MatchNextWhole(s, "term=weekly") == 0) return RowResult::kNo;
  SkipSource(s, MatchNext(s, "term="));
  WriteUnit(s, '_');
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult ResultCounts(ScanState& s) {
  const std::string_view component = ComponentText(s);
  if (SearchPrefixLength(component) == 0 && NewsPrefixLength(component) == 0 && !s.modes.queryP) {
    return RowResult::kNo;
  }
  size_t used = MatchNext(s, "hs=");
  if (used == 0) used = MatchNext(s, "hc=");
  if (used == 0) return RowResult::kNo;
  return Skip(s, used + DigitsAt(s, used, 4));
}

RowResult BoardNumber(ScanState& s) {
  for (std::string_view key : {"disp_no=", "del_no=", "rpy_no="}) {
    if (const size_t used = MatchNext(s, key)) {
      SkipSource(s, used);
      s.modes.boardMark = static_cast<ptrdiff_t>(s.units);
      WriteUnit(s, '_');
      s.changed = 1;
      return RowResult::kHandled;
    }
  }
  return RowResult::kNo;
}

RowResult BoardExpression(ScanState& s) {
  const size_t used = MatchNext(s, "expr=");
  if (used == 0) return RowResult::kNo;
  if (s.modes.boardMark != kNoMark) TakeBackUnits(s, s.units - static_cast<size_t>(s.modes.boardMark));
  SkipSource(s, used);
  WriteUnit(s, '_');
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult JapaneseLinks(ScanState& s) {
  const size_t used = MatchNext(s, "sv=JP&lk=");
  if (used == 0) return RowResult::kNo;
  // Only an empty "lk=" goes with it: a value would be glued to the name.
  if (ParameterEndsAt(s, used)) return Skip(s, used);
  return Skip(s, MatchNext(s, "sv=JP"));
}

RowResult JapaneseBeforeSvx(ScanState& s) {
  if (MatchNext(s, "sv=JP&svx=") == 0) return RowResult::kNo;
  return Skip(s, MatchNext(s, "sv=JP"));
}

// The rest of the parameter, up to the next '&' (or also '_').
size_t ValueEnd(const ScanState& s, size_t from, bool underscoreEnds) {
  size_t at = from;
  for (unsigned char c = SourceByte(s, at); c != '\0' && c != '&' && !(underscoreEnds && c == '_');
       c = SourceByte(s, ++at)) {
  }
  return at;
}

RowResult OldQuery(ScanState& s) {
  const size_t used = MatchNext(s, "oq=");
  if (used == 0) return RowResult::kNo;
  if (s.modes.newSearch) return Skip(s, ValueEnd(s, used, false));
  if (s.modes.refine) {
    SkipSource(s, used);
    WriteUnit(s, '<');
    s.changed = 1;
    return RowResult::kHandled;
  }
  return Skip(s, ValueEnd(s, used, true));
}

RowResult PageSize(ScanState& s) {
  if (s.modes.infoseek == 0) return RowResult::kNo;
  const size_t used = MatchNext(s, "nh=");
  if (used == 0) return RowResult::kNo;
  const auto valueIs = [&](std::string_view value) {
    return MatchAt(s, used, value) != 0 && !IsDigit(SourceByte(s, used + value.size()));
  };
  if (valueIs("10")) return Skip(s, used + 2);
  if (valueIs("25")) {
    const int16_t offset = s.modes.resultOffset;
    SkipSource(s, used + 2);
    if ((offset != 0 || s.modes.infoseek == 8) && (offset / 25) % 2 == 0) WriteText(s, "_nh=25");
    s.changed = 1;
    return RowResult::kHandled;
  }
  for (std::string_view value : {"50", "100"}) {
    if (valueIs(value)) {
      SkipSource(s, used + value.size());
      WriteSeparatorOnce(s);
      WriteText(s, "nh=");
      WriteText(s, value);
      s.changed = 1;
      return RowResult::kHandled;
    }
  }
  SkipSource(s, used);
  WriteSeparatorOnce(s);
  WriteText(s, "nh=");
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult FormerStart(ScanState& s) {
  const size_t used = MatchNext(s, "old=");
  if (used == 0) return RowResult::kNo;
  SkipSource(s, used);
  if (NameEndsWith(s, "p_start=21")) {
    RemoveTail(s, 10);
  } else {
    WriteSeparatorOnce(s);
  }
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult EmptyLinks(ScanState& s) {
  const size_t used = MatchNext(s, "lk=");
  if (used == 0 || SourceByte(s, used) != '\0') return RowResult::kNo;
  return Skip(s, used);
}

RowResult ResultSet(ScanState& s) {
  const size_t used = MatchNext(s, "svx=");
  if (used == 0 || !IsDigit(SourceByte(s, used))) return RowResult::kNo;
  const size_t digits = DigitsAt(s, used, 7);
  if (digits == 6 && ParameterEndsAt(s, used + 6)) return Skip(s, used + 6);
  if (digits < 6) return RowResult::kEnd;
  return RowResult::kNo;
}

RowResult RefineResults(ScanState& s) {
  if (const size_t used = MatchNextWhole(s, "cat=RES")) {
    s.modes.refine = 1;
    return Skip(s, used);
  }
  return RowResult::kNo;
}

RowResult JapaneseInState(ScanState& s) {
  if (s.modes.infoseek != 6 && s.modes.infoseek != 8) return RowResult::kNo;
  const size_t used = MatchNextWhole(s, "sv=JP");
  return used != 0 ? Skip(s, used) : RowResult::kNo;
}

RowResult Collection(ScanState& s) {
  size_t used = MatchNextWhole(s, "col=MI");
  if (used == 0) used = MatchNextWhole(s, "col=MM");
  if (used == 0) return RowResult::kNo;
  const unsigned char letters[2] = {static_cast<unsigned char>(s.source[used - 2]),
                                    static_cast<unsigned char>(s.source[used - 1])};
  s.modes.infoseek = 8;
  s.changed = 1;
  if (TailIs(s, "sv=JP")) {
    RemoveTail(s, 6);
  } else {
    WriteSeparatorOnce(s);
    s.cutMark = static_cast<ptrdiff_t>(s.units - 1);
  }
  if (ComponentBeginsWith(s, "i_")) {
    // The letters take the place of the 'i': "MI_" and the rest.
    std::array<unsigned char, kMaxScanBytes> rest;
    const size_t count = s.units - s.componentStart - 1;
    std::copy_n(s.disk.begin() + static_cast<ptrdiff_t>(s.componentStart + 1), count, rest.begin());
    TakeBackUnits(s, count + 1);
    WriteUnit(s, letters[0]);
    WriteUnit(s, letters[1]);
    for (size_t i = 0; i < count; ++i) WriteUnit(s, rest[i]);
    if (NameEndsWith(s, "_")) s.cutMark = static_cast<ptrdiff_t>(s.units - 1);
    return Skip(s, used);
  }
  if (ComponentBeginsWith(s, "_tid=")) {
    TakeBackUnits(s, s.units - s.componentStart);
    WriteUnit(s, letters[0]);
    WriteUnit(s, letters[1]);
    return Skip(s, used);
  }
  // Kept as ordinary text: only the '&' goes.
  SkipSource(s, AmpersandLength(s));
  return RowResult::kHandled;
}

RowResult SearchTheseResults(ScanState& s) {
  constexpr std::string_view kRefine = "col=Search+These+Results";
  if (const size_t used = MatchNextWhole(s, kRefine)) {
    SkipSource(s, used);
  } else if (InQuery(s) && NameEndsWith(s, kRefine)) {
    RemoveTail(s, kRefine.size());
    s.modes.infoseek = 1;
  } else {
    return RowResult::kNo;
  }
  s.modes.refine = 1;
  s.changed = 1;
  // A following "&qt=" keeps its '=' and the words.
  if (const size_t qt = MatchNext(s, "qt=")) SkipSource(s, qt - 1);
  return RowResult::kHandled;
}

RowResult StoryCollection(ScanState& s) {
  if (!TailIs(s, "col=MS")) return RowResult::kNo;
  RemoveTail(s, 7);
  s.modes.infoseek = 7;
  return RowResult::kDefault;
}

RowResult NewSearchCollection(ScanState& s) {
  if (!s.modes.newSearch || !TailIs(s, "col=New+Search")) return RowResult::kNo;
  RemoveTail(s, 15);
  return RowResult::kDefault;
}

RowResult PartnerPart(ScanState& s) {
  constexpr std::string_view kParts[] = {"cat=jp",      "part=netplaza", "part=infoseek",
                                         "part=nttdir", "part=excite",   "part=yahoo"};
  for (std::string_view part : kParts) {
    if (TailIs(s, part)) {
      RemoveTail(s, part.size() + 1);
      return SkipEncoding(s) ? RowResult::kHandled : RowResult::kDefault;
    }
  }
  return RowResult::kNo;
}

RowResult MatchMode(ScanState& s) {
  if (!TailIs(s, "matchmode=and")) return RowResult::kNo;
  RemoveTail(s, 14);
  bool skipped = false;
  if (const size_t used = MatchNextWhole(s, "adv=0")) {
    SkipSource(s, used);
    skipped = true;
  }
  if (const size_t used = MatchNextWhole(s, "mtemp=main")) {
    SkipSource(s, used);
    skipped = true;
  }
  return skipped ? RowResult::kHandled : RowResult::kDefault;
}

RowResult Encoding(ScanState& s) { return SkipEncoding(s) ? RowResult::kHandled : RowResult::kNo; }

RowResult FirstResult(ScanState& s) {
  if (!s.modes.pursuit) return RowResult::kNo;
  const size_t used = MatchNextWhole(s, "first=1");
  if (used == 0) return RowResult::kNo;
  SkipSource(s, used);
  s.changed = 1;
  return MatchNext(s, "x2=") != 0 ? RowResult::kEnd : RowResult::kHandled;
}

RowResult AfterFirst(ScanState& s) {
  if (MatchNext(s, "x2=") == 0 || s.cutMark == kNoMark) return RowResult::kNo;
  const size_t mark = static_cast<size_t>(s.cutMark);
  return NameHasAt(s, mark, "_first=") ? RowResult::kEnd : RowResult::kNo;
}

RowResult PursuitEnd(ScanState& s) {
  const int16_t pursuit = s.modes.pursuit;
  if (pursuit == 0) return RowResult::kNo;
  if (MatchNext(s, "qs=") != 0 || MatchNext(s, "fs=") != 0) return RowResult::kEnd;
  if ((pursuit == 2 || pursuit == 3) && (MatchNext(s, "ct=") != 0 || MatchNext(s, "sct=") != 0)) {
    return RowResult::kEnd;
  }
  return RowResult::kNo;
}

RowResult PursuitWords(ScanState& s) {
  if (s.modes.pursuit != 2) return RowResult::kNo;
  const size_t used = MatchNext(s, "q=");
  if (used == 0) return RowResult::kNo;
  SkipSource(s, used);
  WriteUnit(s, '_');
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult PursuitCategory(ScanState& s) {
  if (!s.modes.pursuit) return RowResult::kNo;
  const size_t used = MatchNext(s, "cat=jp");
  if (used == 0 || ParameterEndsAt(s, used) || SourceByte(s, used) == '_') return RowResult::kNo;
  SkipSource(s, used);
  if (NameEndsWith(s, "+")) TakeBackUnits(s, 1);
  WriteUnit(s, '_');
  s.changed = 1;
  return RowResult::kHandled;
}

RowResult PursuitError(ScanState& s) {
  if (!s.modes.pursuit) return RowResult::kNo;
  size_t used = MatchNext(s, "etemp=error");
  if (used == 0) return RowResult::kNo;
  if (MatchAt(s, used, "_page") != 0) used += 5;
  return ParameterEndsAt(s, used) ? Skip(s, used) : RowResult::kNo;
}

RowResult SortedByName(ScanState& s) {
  if (!TailIs(s, "SM=name") && !TailIs(s, "WTS=ntt")) return RowResult::kNo;
  RemoveTail(s, 8);
  ApplyPageNumberSuffix(s, s.units);
  return RowResult::kEnd;
}

RowResult DirectoryEngine(ScanState& s) {
  if (!s.modes.directory) return RowResult::kNo;
  const size_t used = MatchNext(s, "from=");
  if (used == 0) return RowResult::kNo;
  const size_t name = EngineNameLength(std::string_view(s.source + used));
  return name != 0 ? Skip(s, used + name) : RowResult::kNo;
}

RowResult FirstCategory(ScanState& s) {
  if (!InQuery(s)) return RowResult::kNo;
  const size_t start = static_cast<size_t>(s.queryStart);
  if (!NameHasAt(s, start, "_CATEGORY=")) return RowResult::kNo;
  TakeBackUnits(s, s.units - start - 1);
  s.cutMark = s.queryStart;
  s.changed = 1;
  return RowResult::kDefault;
}

RowResult LaterPage(ScanState& s) {
  const bool early = s.modes.infoseek >= 1 && s.modes.infoseek <= 5;
  if (MatchNext(s, "sn=") == 0 && !(early && MatchNext(s, "sv=") != 0) && MatchNext(s, "LIMIT=") == 0) {
    return RowResult::kNo;
  }
  ApplyPageNumberSuffix(s, s.cutMark != kNoMark ? static_cast<size_t>(s.cutMark) : s.units);
  return RowResult::kEnd;
}

RowResult EventForm(ScanState& s) {
  if (ComponentBeginsWith(s, "id=")) return RowResult::kNo;
  if (const size_t used = MatchNext(s, "-format=result.htm")) return Skip(s, used);
  if (TailIs(s, "-db=event.fmj")) {
    RemoveTail(s, 14);
    return RowResult::kDefault;
  }
  for (std::string_view submit : {"SUBMIT=%8C%9F+%8D%F5", "SUBMIT=%8C%9F%8D%F5"}) {  // 検索
    if (const size_t used = MatchNextWhole(s, submit)) return Skip(s, used);
  }
  if (const size_t used = MatchNextWhole(s, "Go=Search")) {
    SkipSource(s, used);
    const size_t type = MatchNextWhole(s, "type=hotspotgo");
    return Skip(s, type);
  }
  return RowResult::kNo;
}

RowResult IdentifiedPage(ScanState& s) {
  if (!ComponentBeginsWith(s, "id=") || s.cutMark == kNoMark) return RowResult::kNo;
  ApplyPageNumberSuffix(s, static_cast<size_t>(s.cutMark));
  return RowResult::kEnd;
}

// The parameter rules in the order they are tried; the first that applies
// decides.
constexpr ParameterRow kParameterRows[] = {
    {RowKind::kCall, {}, nullptr, {}, CounterValue},
    {RowKind::kReplaceKey, "key=", &ScanModes::key, "_"},
    {RowKind::kCall, {}, nullptr, {}, CounterLink},
    {RowKind::kCall, {}, nullptr, {}, SelectionOff},
    {RowKind::kCall, {}, nullptr, {}, FormSelections},
    {RowKind::kReplaceKey, "itemcd0=", &ScanModes::shop, "_item"},
    {RowKind::kReplaceKey, "type0=", &ScanModes::shop, "_type"},
    {RowKind::kReplaceKey, "pos0=", &ScanModes::shop, "_pos"},
    {RowKind::kRemoveTail, "language=french"},
    {RowKind::kRemoveTail, "database=fr"},
    {RowKind::kRemoveTail, "database=small"},
    {RowKind::kRemoveTail, "action=full"},
    {RowKind::kCall, {}, nullptr, {}, WebSearch},
    {RowKind::kCall, {}, nullptr, {}, CountLog},
    {RowKind::kRemoveTail, "type=AND"},
    {RowKind::kCall, {}, nullptr, {}, CountItems},
    {RowKind::kCall, {}, nullptr, {}, EngineKey},
    {RowKind::kRemoveTail, "DB=DB"},
    {RowKind::kRemoveTail, "MAX=20", &ScanModes::para},
    {RowKind::kRemoveTail, "Max=20", &ScanModes::para},
    {RowKind::kCall, {}, &ScanModes::para, {}, PageOfEngine},
    {RowKind::kCall, {}, &ScanModes::para, {}, DisplayStart},
    {RowKind::kRemoveTail, "lk=excite_jp"},
    {RowKind::kRemoveTail, "c=japan"},
    {RowKind::kRemoveTail, "start=0"},
    {RowKind::kRemoveTail, "layout=about"},
    {RowKind::kRemoveTail, "c=web"},
    {RowKind::kRemoveTail, "lang=jp"},
    {RowKind::kRemoveTail, "lang=fr"},
    {RowKind::kRemoveTail, "target=web"},
    {RowKind::kRemoveTail, "LANG=Japanese"},
    {RowKind::kRemoveTail, "FORM=YHOJ"},
    {RowKind::kRemoveTail, "v=1", &ScanModes::tagM},
    {RowKind::kRemoveTail, "RS=CHECKED", &ScanModes::tagM},
    {RowKind::kRemoveTail, "CY=ja", &ScanModes::tagM},
    {RowKind::kCall, {}, nullptr, {}, ButtonCoordinate},
    {RowKind::kSkipNext, "v=1", &ScanModes::tagM},
    {RowKind::kSkipNext, "RS=CHECKED", &ScanModes::tagM},
    {RowKind::kSkipNext, "CY=ja", &ScanModes::tagM},
    {RowKind::kSkipNext, "number=10", &ScanModes::robo},
    {RowKind::kSkipNext, "s_unit_num=1", &ScanModes::robo},
    {RowKind::kReplaceKey, "s_unit_num=", &ScanModes::robo, "_s="},
    {RowKind::kReplaceKey, "e_unit_num=", &ScanModes::robo, "_e="},
    {RowKind::kSkipNext, "from=s_npl", &ScanModes::seek},
    {RowKind::kSkipNext, "lr=lang_ja", &ScanModes::seek},
    {RowKind::kSkipNext, "num=10", &ScanModes::seek},
    {RowKind::kSkipNext, "cat=all", &ScanModes::seek},
    {RowKind::kSkipNext, "ad=%2a", &ScanModes::tagF},
    {RowKind::kSkipNext, "term=monthly", &ScanModes::tagF},
    {RowKind::kSkipNext, "rt=yahoo", &ScanModes::tagF},
    {RowKind::kCall, {}, &ScanModes::tagF, {}, WeeklyTerm},
    {RowKind::kCall, {}, nullptr, {}, ResultCounts},
    {RowKind::kCall, {}, nullptr, {}, BoardNumber},
    {RowKind::kCall, {}, nullptr, {}, BoardExpression},
    {RowKind::kCall, {}, nullptr, {}, JapaneseLinks},
    {RowKind::kCall, {}, nullptr, {}, JapaneseBeforeSvx},
    {RowKind::kCall, {}, nullptr, {}, OldQuery},
    {RowKind::kSkipNext, "nh=20&svp=SEEK"},
    {RowKind::kSkipNext, "nh=20"},
    {RowKind::kCall, {}, nullptr, {}, PageSize},
    {RowKind::kSkipNext, "SEARCH=Search"},
    {RowKind::kSkipNext, "Action=FilterSearch"},
    {RowKind::kSkipNext, "conditon=AND"},
    {RowKind::kSkipNext, "condition=AND"},
    {RowKind::kSkipNext, "comm=off"},
    {RowKind::kSkipNext, "n_of_fb=0"},
    {RowKind::kCall, {}, nullptr, {}, FormerStart},
    {RowKind::kSkipNext, "hl=ja"},
    {RowKind::kSkipNext, "ie=euc-jp"},
    {RowKind::kSkipNext, "oe=euc-jp"},
    {RowKind::kSkipNext, "st=0"},
    {RowKind::kSkipNext, "qp=0"},
    {RowKind::kSkipNext, "dfr=1"},
    {RowKind::kSkipNext, "ud15=1"},
    {RowKind::kSkipNext, "ud14=0"},
    {RowKind::kSkipNext, "ud4=0"},
    {RowKind::kSkipNext, "tds=0"},
    {RowKind::kSkipNext, "cha="},
    {RowKind::kSkipNext, "tid="},
    {RowKind::kSkipNext, "lk=noframes"},
    {RowKind::kCall, {}, nullptr, {}, EmptyLinks},
    {RowKind::kCall, {}, nullptr, {}, ResultSet},
    {RowKind::kSkipNext, "svx=cluster"},
    {RowKind::kSkipNext, "svx=related&sv=JP"},
    {RowKind::kSkipNext, "nh=10"},
    {RowKind::kCall, {}, nullptr, {}, RefineResults},
    {RowKind::kSkipNext, "sv=JC"},
    {RowKind::kSkipNext, "sv=SN"},
    {RowKind::kSkipNext, "svp=SEEK"},
    {RowKind::kSkipNext, "sam=0"},
    {RowKind::kSkipNext, "sf=1"},
    {RowKind::kCall, {}, nullptr, {}, JapaneseInState},
    {RowKind::kSkipNext, "col=JW"},
    {RowKind::kCall, {}, nullptr, {}, Collection},
    {RowKind::kCall, {}, nullptr, {}, SearchTheseResults},
    {RowKind::kCall, {}, nullptr, {}, StoryCollection},
    {RowKind::kRemoveTail, "sv=JP"},
    {RowKind::kCall, {}, nullptr, {}, NewSearchCollection},
    {RowKind::kRemoveTail, "col=JW"},
    {RowKind::kRemoveTail, "col=SW"},
    {RowKind::kRemoveTail, "from=yahoo"},
    {RowKind::kRemoveTail, "from=jp"},
    {RowKind::kCall, {}, nullptr, {}, PartnerPart},
    {RowKind::kCall, {}, nullptr, {}, MatchMode},
    {RowKind::kCall, {}, nullptr, {}, Encoding},
    {RowKind::kCall, {}, nullptr, {}, FirstResult},
    {RowKind::kCall, {}, nullptr, {}, AfterFirst},
    {RowKind::kCall, {}, nullptr, {}, PursuitEnd},
    {RowKind::kCall, {}, nullptr, {}, PursuitWords},
    {RowKind::kCall, {}, nullptr, {}, PursuitCategory},
    {RowKind::kSkipNext, "mtemp=main", &ScanModes::pursuit},
    {RowKind::kCall, {}, nullptr, {}, PursuitError},
    {RowKind::kSkipNext, "results=default", &ScanModes::pursuit},
    {RowKind::kSkipNext, "maxhits=10", &ScanModes::pursuit},
    {RowKind::kSkipNext, "maxhits=15", &ScanModes::pursuit},
    {RowKind::kSkipNext, "maxhits=20", &ScanModes::pursuit},
    {RowKind::kRemoveTail, "SM=MC"},
    {RowKind::kCall, {}, nullptr, {}, SortedByName},
    {RowKind::kCall, {}, nullptr, {}, DirectoryEngine},
    {RowKind::kCall, {}, nullptr, {}, FirstCategory},
    {RowKind::kCall, {}, nullptr, {}, LaterPage},
    {RowKind::kCall, {}, nullptr, {}, EventForm},
    {RowKind::kCall, {}, nullptr, {}, IdentifiedPage},
};

RowResult TryRow(ScanState& s, const ParameterRow& row) {
  if (!ModeSet(s, row.needs)) return RowResult::kNo;
  switch (row.kind) {
    case RowKind::kSkipNext: {
      const size_t used = MatchNextWhole(s, row.text);
      return used != 0 ? Skip(s, used) : RowResult::kNo;
    }
    case RowKind::kRemoveTail:
      if (!TailIs(s, row.text)) return RowResult::kNo;
      RemoveTail(s, row.text.size() + 1);
      return RowResult::kDefault;
    case RowKind::kReplaceKey: {
      const size_t used = MatchNext(s, row.text);
      if (used == 0) return RowResult::kNo;
      SkipSource(s, used);
      WriteText(s, row.writes);
      s.changed = 1;
      return RowResult::kHandled;
    }
    case RowKind::kCall:
      return row.call(s);
  }
  return RowResult::kNo;
}

bool IsDroppedDefault(const ScanState& s, std::string_view parameter) {
  for (const ParameterRow& row : kParameterRows) {
    if ((row.kind == RowKind::kSkipNext || row.kind == RowKind::kRemoveTail) &&
        row.text == parameter && ModeSet(s, row.needs)) {
      return true;
    }
  }
  // The parameters the query reordering appends or moves behind the words.
  return parameter == "number=10" || parameter == "server=comdb" || parameter == "log=0";
}

}  // namespace

RuleOutcome ApplyParameterRules(ScanState& s) {
  for (const ParameterRow& row : kParameterRows) {
    switch (TryRow(s, row)) {
      case RowResult::kNo:
        continue;
      case RowResult::kDefault:
        return RuleOutcome::kNotApplied;
      case RowResult::kHandled:
        return RuleOutcome::kContinue;
      case RowResult::kEnd:
        return RuleOutcome::kEnd;
    }
  }
  return RuleOutcome::kNotApplied;
}

RuleOutcome ApplyCounterBar(ScanState& s) {
  if (!ComponentBeginsWith(s, "Count.cgi") || !SourceBeginsWith(s, "|df=")) {
    return RuleOutcome::kNotApplied;
  }
  StartCounterName(s, 4, false);
  return RuleOutcome::kContinue;
}

void LimitNameFlatComponent(ScanState& s) {
  const int over = s.componentLength - kComponentMaxBytes;
  if (over > 0) TakeBackUnits(s, static_cast<size_t>(over));
  while (s.componentLength < kComponentMaxBytes && SourceByte(s) != '\0' && !s.full) {
    const unsigned char c = SourceByte(s);
    if (IsPathSeparator(c)) {
      SkipSource(s, 1);
      WriteUnit(s, '_');
    } else {
      if (c == '.') s.cutMark = static_cast<ptrdiff_t>(s.units);
      CopySource(s, 1);
    }
  }
  s.changed = 1;
}

}  // namespace hoard

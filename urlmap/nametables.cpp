#include "urlmap/nametables.h"

#include "urlmap/sitetable.h"

namespace hoard {
namespace {

// A name of a table: its text, or a site-table value by its role, with the
// length the rules rely on.
struct TableName {
  std::string_view text;
  size_t length;
  SiteHost SiteTable::*site = nullptr;
  bool endsNames = true;  // also matched backwards, as the end of a text
};

constexpr bool LengthsAsStated(const auto& table) {
  for (const TableName& name : table) {
    if (name.site == nullptr && name.text.size() != name.length) return false;
  }
  return true;
}

// Search-engine names in the order they are tried: the longer of two names
// that begin alike comes first.
constexpr TableName kEngineNames[] = {
    {{}, 12, &SiteTable::frenchPortalHost},
    {"infoseek", 8},
    {"infonavi", 8},
    {"netplaza", 8},
    {"fresheye", 8},
    {"wavenavi", 8},
    {{}, 8, &SiteTable::frenchPortalDomain},
    {"ocnnavi", 7},
    {"nttdir", 6},
    {"yahooj", 6},
    {"excite", 6, nullptr, false},
    {"Ecila", 5},
    {"Yahoo", 5},
    {"yahoo", 5},
    {"lycos", 5},
    {"nttd", 4},
    {"ntt", 3},
    {"goo", 3},
    {"csj", 3},
    {"joy", 3},
    {"JOY", 3},
};
static_assert(LengthsAsStated(kEngineNames));

// News-source codes in the order they are tried.
constexpr TableName kNewsSources[] = {
    {"asciic", 6},       {"asciii", 6},       {"ascii", 5},        {"jijiF", 5},
    {"jijiX", 5},        {"jiji", 4},         {"dowjonesCfuj", 12}, {"dowjonesCkoz", 12},
    {"dowjonesCwat", 12}, {"dowjonesCyam", 12}, {"dowjones", 8},     {"reutersJAPAN", 12},
    {"reuters", 7},      {"nnas", 4},         {"mainichiF", 9},    {"mainichi", 8},
    {"sankeient", 9},    {"sankei", 6},       {"listenjapan", 11}, {"listen", 6},
    {"sponichi", 8},
};
static_assert(LengthsAsStated(kNewsSources));

constexpr std::string_view kLetteredSearchPrefixes[] = {
    "searchd_", "searchi_", "searchp_", "searcha_", "searchv_", "searchc_", "searchl_",
};
constexpr std::string_view kPlainSearchPrefix = "search_";
// "search_" may stand this many bytes into the component.
constexpr size_t kPlainSearchPrefixLatest = 2;

constexpr std::string_view kNewsPrefixes[] = {"fr_p=", "es_p=", "it_p="};
constexpr std::string_view kNewsPrefixLeads[] = {"news_", "query_"};

constexpr std::string_view kBoardScripts[] = {
    "reply.cgi", "thread.cgi", "submit.cgi", "new_submit.cgi", "bbs_by_date.cgi", "owner_remove.cgi",
};

struct NumberText {
  std::string_view text;
  int value;
};
constexpr NumberText kPageSizes[] = {{"10", 10}, {"20", 20}, {"25", 25},
                                     {"30", 30}, {"40", 40}, {"50", 50}};
constexpr NumberText kResultCounts[] = {{"25", 25}, {"50", 50}, {"75", 75}, {"100", 100}};
constexpr size_t kResultCountOffset = 4;
constexpr int kDefaultResultCount = 10;

std::string_view NameText(const TableName& name) {
  if (name.site == nullptr) return name.text;
  const SiteHost& host = Sites().*name.site;
  return IsSuppliedHost(host) ? host.text : std::string_view();
}

bool MatchAt(std::string_view text, size_t at, std::string_view pattern) {
  return at <= text.size() && text.substr(at, pattern.size()) == pattern;
}

bool EndsWithExact(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// A number of the list standing at the start of `text`, ended by the end of
// the text or '&'.
int NumberValue(std::string_view text, const auto& numbers) {
  for (const NumberText& number : numbers) {
    if (!MatchAt(text, 0, number.text)) continue;
    if (text.size() == number.text.size() || text[number.text.size()] == '&') return number.value;
  }
  return 0;
}

}  // namespace

size_t EngineNameLength(std::string_view text) {
  for (const TableName& name : kEngineNames) {
    const std::string_view value = NameText(name);
    if (!value.empty() && MatchAt(text, 0, value)) return value.size();
  }
  return 0;
}

size_t EngineNameLengthBefore(std::string_view text) {
  constexpr std::string_view kWww = "www.";
  for (const TableName& name : kEngineNames) {
    const std::string_view value = NameText(name);
    if (!name.endsNames || value.empty() || !EndsWithExact(text, value)) continue;
    if (name.site == &SiteTable::frenchPortalDomain &&
        EndsWithExact(text.substr(0, text.size() - value.size()), kWww)) {
      return value.size() + kWww.size();
    }
    return value.size();
  }
  return 0;
}

size_t NewsSourceLength(std::string_view text) {
  for (const TableName& name : kNewsSources) {
    if (MatchAt(text, 0, name.text)) return name.length;
  }
  return 0;
}

size_t SearchPrefixLength(std::string_view component) {
  for (std::string_view prefix : kLetteredSearchPrefixes) {
    if (MatchAt(component, 0, prefix)) return prefix.size();
  }
  for (size_t at = 0; at <= kPlainSearchPrefixLatest; ++at) {
    if (MatchAt(component, at, kPlainSearchPrefix)) return at + kPlainSearchPrefix.size();
  }
  return 0;
}

size_t NewsPrefixLength(std::string_view component) {
  size_t lead = 0;
  for (std::string_view text : kNewsPrefixLeads) {
    if (MatchAt(component, 0, text)) lead = text.size();
  }
  for (std::string_view prefix : kNewsPrefixes) {
    if (MatchAt(component, lead, prefix)) return lead + prefix.size();
  }
  return 0;
}

bool BeginsWithBoardScript(std::string_view component) {
  for (std::string_view script : kBoardScripts) {
    if (MatchAt(component, 0, script)) return true;
  }
  return false;
}

int PageSizeValue(std::string_view text) { return NumberValue(text, kPageSizes); }

int ResultCountValue(std::string_view text) {
  if (text.size() < kResultCountOffset) return kDefaultResultCount;
  const int value = NumberValue(text.substr(kResultCountOffset), kResultCounts);
  return value != 0 ? value : kDefaultResultCount;
}

}  // namespace hoard

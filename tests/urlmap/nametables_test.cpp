// The name tables of the query rules: each name found at its length, the
// longer of two alike names winning, near misses left alone.
#include "urlmap/nametables.h"

#include <gtest/gtest.h>

#include <string>

#include "urlmap/sitetable.h"

namespace hoard {
namespace {

TEST(EngineNameLength, FindsEachNameAtItsLength) {
  const std::string host(Sites().frenchPortalHost.text);
  const std::string domain(Sites().frenchPortalDomain.text);
  const struct {
    std::string text;
    size_t forwards;
    size_t backwards;
  } cases[] = {
      {host + "&x", 12, 0},     {domain, 8, 8},        {"www." + domain, 12, 12},
      {"infoseek.cgi", 8, 0},   {"infonavi", 8, 8},    {"netplaza", 8, 8},
      {"fresheye", 8, 8},       {"wavenavi", 8, 8},    {"ocnnavi", 7, 7},
      {"nttdir", 6, 6},         {"yahooj", 6, 6},      {"excite", 6, 0},
      {"Ecila", 5, 5},          {"Yahoo", 5, 5},       {"lycos", 5, 5},
      {"nttd", 4, 4},           {"ntt", 3, 3},         {"goo", 3, 3},
      {"csj", 3, 3},            {"joy", 3, 3},         {"JOY", 3, 3},
      {"yahoo", 5, 5},          {"YAHOO", 0, 0},       {"go", 0, 0},
      {"", 0, 0},               {"xgoo", 0, 3},        {"nttdx", 4, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(EngineNameLength(c.text), c.forwards);
    EXPECT_EQ(EngineNameLengthBefore(c.text), c.backwards);
  }
}

TEST(NewsSourceLength, PrefersTheLongerOfTwoCodes) {
  const struct {
    const char* text;
    size_t expected;
  } cases[] = {
      {"asciic", 6},       {"asciii", 6},        {"asciix", 5},      {"jijiF1", 5},
      {"jijiX", 5},        {"jijiY", 4},         {"dowjonesCfuj", 12}, {"dowjonesCkoz", 12},
      {"dowjonesCwat", 12}, {"dowjonesCyam", 12}, {"dowjonesCxyz", 8}, {"reutersJAPAN", 12},
      {"reutersJapan", 7}, {"nnas", 4},          {"mainichiF", 9},   {"mainichi", 8},
      {"sankeient", 9},    {"sankei", 6},        {"listenjapan", 11}, {"listen", 6},
      {"sponichi", 8},     {"Jiji", 0},          {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NewsSourceLength(c.text), c.expected);
  }
}

TEST(ComponentPrefixes, RecogniseSearchNewsAndBoardNames) {
  const struct {
    const char* component;
    size_t search;
    size_t news;
    bool board;
  } cases[] = {
      {"searchd_x", 8, 0, false},        {"searchl_", 8, 0, false},
      {"searchz_x", 0, 0, false},        {"search_x", 7, 0, false},
      {"xsearch_", 8, 0, false},         {"xysearch_", 9, 0, false},
      {"xyzsearch_", 0, 0, false},       {"search-x", 0, 0, false},
      {"fr_p=1", 0, 5, false},           {"es_p=", 0, 5, false},
      {"it_p=", 0, 5, false},            {"news_fr_p=", 0, 10, false},
      {"query_it_p=", 0, 11, false},     {"news_x", 0, 0, false},
      {"de_p=", 0, 0, false},            {"reply.cgi", 0, 0, true},
      {"thread.cgi_1", 0, 0, true},      {"submit.cgi", 0, 0, true},
      {"new_submit.cgi", 0, 0, true},    {"bbs_by_date.cgi", 0, 0, true},
      {"owner_remove.cgi", 0, 0, true},  {"thread.cg", 0, 0, false},
      {"Reply.cgi", 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.component);
    EXPECT_EQ(SearchPrefixLength(c.component), c.search);
    EXPECT_EQ(NewsPrefixLength(c.component), c.news);
    EXPECT_EQ(BeginsWithBoardScript(c.component), c.board);
  }
}

TEST(NumberTests, ReadWholeValuesOnly) {
  const struct {
    const char* text;
    int pageSize;
    int resultCount;
  } cases[] = {
      {"10", 10, 10},      {"20&x", 20, 10},     {"25", 25, 10},     {"30", 30, 10},
      {"40", 40, 10},      {"50&", 50, 10},      {"15", 0, 10},      {"100", 0, 10},
      {"200", 0, 10},      {"", 0, 10},          {"&DC=25", 0, 25},  {"&DC=50&x", 0, 50},
      {"&DC=75", 0, 75},   {"&DC=100", 0, 100},  {"&DC=101", 0, 10}, {"&DC", 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PageSizeValue(c.text), c.pageSize);
    EXPECT_EQ(ResultCountValue(c.text), c.resultCount);
  }
}

}  // namespace
}  // namespace hoard

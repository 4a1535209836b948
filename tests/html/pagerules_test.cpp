// The page rules beyond plain links, through whole rewrites: script, form,
// OPTION and button addresses, banner blocks, table tracking with the
// table-end repair, and the search service's result pages.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "html/rewriter_support.h"
#include "html/searchpage.h"
#include "support/bytes.h"
#include "support/tempfolder.h"
#include "urlmap/sitetable.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

enum Rules : unsigned {
  kScripts = 1,
  kForms = 2,
  kOptions = 4,
  kTables = 8,
  kShorten = 16,
};

test::RewriteRun Rewrite(const std::string& page, unsigned rules) {
  Options o = test::LinksOnly();
  o.AdjustScriptParams = (rules & kScripts) != 0;
  o.AdjustFormActions = (rules & kForms) != 0;
  o.AdjustOptionValues = (rules & kOptions) != 0;
  o.FixTableEnds = (rules & kTables) != 0;
  o.ShortenInfoseekResults = (rules & kShorten) != 0;
  test::ScopedOptions options(o);
  test::TempFolder mirror;
  return test::RewriteInFolder(mirror, "www.t.co.jp", "p.html", page, "http://www.t.co.jp/p.html");
}

std::string Lines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "line\r\n";
  return lines;
}

std::string Script(const std::string& code) {
  return "<SCRIPT language=\"javascript\">" + code + "</SCRIPT>";
}

TEST(PageRules, RewriteOnlyWhatEachRuleAndItsOptionName) {
  const std::string searchImage = "<img src=\"http://" + std::string(Sites().iJapaneseHost.text) +
                                  "/images/isj996/icons/left.gif\" width=\"9\" height=\"12\">";
  // The page after "?nexthtml=" is named as the mapping names it.
  std::array<char, kMaxLinkBytes + 1> next{"=../visitor/thisweek/articles/x.html"};
  MapLinkInPlace(next.data(), next.size());
  const std::string adTable =
      "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=3 WIDTH=\"100%\" BGCOLOR=\"#FFFFFF\"><TR><TD>\r\n"
      "<CENTER><A HREF=\"http://" +
      std::string(Sites().adTransferHost.text) + "/cgi/aftransfer.pl?id=1\">ad</A>\r\n</table>";
  struct Case {
    const char* name;
    unsigned rules;
    std::string page;
    std::string expected;
    bool repaired;
  };
  const Case cases[] = {
      {"script rule off", 0, Script("window.open('/a/w.html')"), "", false},
      {"script rule on", kScripts, Script("window.open('/a/w.html')"),
       Script("window.open('./a/w.html')"), false},
      {"a '>' in an if goes on", kScripts, Script("if (a > b) { open('/a/o.html'); }"),
       Script("if (a > b) { open('./a/o.html'); }"), false},
      {"a '>' in document.write goes on", kScripts, Script("document.write(a > b); open('/o.html')"),
       Script("document.write(a > b); open('./o.html')"), false},
      {"a bare '>' ends the script", kScripts, Script("x = a > b; open('/a/o.html')"), "", false},
      {"script cut off by the end of the page", kScripts,
       "<SCRIPT language=\"javascript\">open('/a/o.html", "<SCRIPT language=\"javascript\">open('./a/o.html",
       false},
      {"a script call and the page after it", 0,
       "<A HREF=\"javascript:openWin('/w/v.html?nexthtml=../visitor/thisweek/articles/x.html')\">",
       "<A HREF=\"javascript:openWin('./w/v.html?nexthtml" + std::string(next.data()) + "')\">",
       false},
      {"relative action stays", kForms, "<FORM ACTION=\"cgi/f.html\">", "", false},
      {"action with the rule off", 0, "<FORM ACTION=\"/cgi/f.html\">", "", false},
      {"relative option stays", kOptions, "<OPTION value=\"two.html\">", "", false},
      {"option with the rule off", 0, "<OPTION value=\"/m/one.html\">", "", false},
      {"option value from the root", kOptions, "<OPTION value=\"/m/one.html\">",
       "<OPTION value=\"./m/one.html\">", false},
      {"banner without its end", kShorten, "x<!-- START_Banner -->\r\nad \"unclosed", "", false},
      {"banner end on line 128", kShorten,
       "x<!-- START_Banner -->" + Lines(128) + "<!-- END_Banner -->y", "xy", false},
      {"banner end on line 129", kShorten,
       "x<!-- START_Banner -->" + Lines(129) + "<!-- END_Banner -->y", "", false},
      {"banner at the first byte", kShorten, "<!-- START_Banner -->\r\n<!-- END_Banner -->", "",
       false},
      {"ad transfer table", kShorten, "x" + adTable + "y", "xy", false},
      {"absolute image prefix", kShorten, "x" + searchImage + "y", "xy", false},
      {"a two-digit width must begin with 1", kShorten,
       "x<img src=\"/images/isj996/icons/left.gif\" width=\"25\" height=\"12\">",
       "x<img src=\"./images/isj996/icons/left.gif\" width=\"25\" height=\"12\">", false},
      {"advertising image in lower case stays", kShorten,
       "<img border=0 width=468 height=60 src=\"/images/ads/ISJa1234.gif\" alt=\"[infoseek Japan]\">",
       "<img border=0 width=468 height=60 src=\"./images/ads/ISJa1234.gif\" alt=\"[infoseek Japan]\">",
       false},
      {"balanced tables", kTables, "<TABLE><TABLE></TABLE></TABLE>", "", false},
      {"repair off", 0, "<TABLE><TR><TD>x", "", false},
      {"closing tags", kTables, "<TABLE><TD><TABLE ><TD>x",
       "<TABLE><TD><TABLE ><TD>x\r\n\r\n</TABLE></TABLE>", true},
      {"inside PRE", kTables, "<TABLE><PRE>x", "<TABLE><PRE>x\r\n\r\n</PRE>\r\n</TABLE>", true},
      {"header beyond 128 lines keeps the result table", kShorten,
       "<TITLE>Infoseek Japan</TITLE>" + Lines(128) +
           "<!-- START Header_Search_JW_JY_Chmach -->\r\n<!-- END Header_Search_JW_JY_Chmach -->"
           "<TABLE WIDTH=\"100%\" BORDER=\"0\" CELLPADDING=\"4\" CELLSPACING=\"0\">./images/clear.gif\""
           " width=165 height=5 align=left ALT=\"\"></TD></TR></TABLE>",
       "", false},
      {"Shift_JIS title", kShorten,
       "<TITLE> " + std::string(kSearchTitleShiftJis) +
           "</TITLE>\r\n<!-- START Header_Search_JW_JY_Chmach --><!-- END "
           "Header_Search_JW_JY_Chmach -->z",
       "<TITLE> " + std::string(kSearchTitleShiftJis) + "</TITLE>\r\nz", false},
      {"EUC-JP title, header ending on its own line", kShorten,
       "<TITLE>" + std::string(kSearchTitleEuc) +
           "\r\n<!-- START Header_Search_JW_JY_Chmach -->\r\nq\r\n <!-- END "
           "Header_Search_JW_JY_Chmach -->z",
       "<TITLE>" + std::string(kSearchTitleEuc) + "\r\nz", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto run = Rewrite(c.page, c.rules);
    EXPECT_EQ(run.result, 0);
    const std::string& expected = c.expected.empty() ? c.page : c.expected;
    EXPECT_EQ(run.page, expected) << "first difference at "
                                  << test::FirstDifference(run.page, expected);
    EXPECT_EQ(run.report.repaired, c.repaired);
  }
}

TEST(PageRules, EndlessNestingIsClosedAsFarAsTheCountGoes) {
  std::string page;
  for (int i = 0; i < 100000; ++i) page += "<TABLE>";
  const auto run = Rewrite(page, kTables);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.report.repaired);
  ASSERT_EQ(run.page.size(), page.size() + 4 + 32767 * 8);
  EXPECT_EQ(run.page.substr(page.size(), 12), "\r\n\r\n</TABLE>");
}

TEST(PageRules, RepairsAPageWhoseValueFillsTheLinkBuffer) {
  const std::string value = "/" + std::string(2046, 'v');
  const std::string page = "<TABLE BACKGROUND=\"" + value + "x\">";
  const auto run = Rewrite(page, kTables);
  EXPECT_EQ(run.result, 0);
  EXPECT_TRUE(run.report.repaired);
  // The value, too long for a link, is kept whole; the page ends right after
  // the tag's '>', so the repair closes it once more before the table ends.
  EXPECT_EQ(run.page, page + " >\r\n\r\n</TABLE>");
}

}  // namespace
}  // namespace hoard

// The page rules beyond plain links, through whole rewrites: script, form,
// OPTION and button addresses.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "html/rewriter_support.h"
#include "support/bytes.h"
#include "support/tempfolder.h"
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

std::string Script(const std::string& code) {
  return "<SCRIPT language=\"javascript\">" + code + "</SCRIPT>";
}

TEST(PageRules, RewriteOnlyWhatEachRuleAndItsOptionName) {
  // The page after "?nexthtml=" is named as the mapping names it.
  std::array<char, kMaxLinkBytes + 1> next{"=../visitor/thisweek/articles/x.html"};
  MapLinkInPlace(next.data(), next.size());
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

}  // namespace
}  // namespace hoard

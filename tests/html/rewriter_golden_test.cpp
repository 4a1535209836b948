// Whole pages rewritten byte for byte as expected: each page under
// tests/data/rewriter/ is placed in the mirror folder its URL gives (or the
// folder alone when the URL is unknown) and compared with its .expected file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "html/rewriter_support.h"
#include "support/bytes.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

std::string ReadData(const std::string& name) {
  std::ifstream in(std::string(HOARD_TEST_DATA_DIR) + "/rewriter/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct GoldenPage {
  const char* name;
  const char* folder;  // inside the mirror root
  const char* url;     // empty: unknown
  bool euc = false;
  bool unixToMac = false;
  bool ftp = false;
  bool rules = false;  // script, form, OPTION, banner, table and result-page rules
};

TEST(RewriteHtmlPage, RewritesWholePagesAsTheGoldenFilesShow) {
  const GoldenPage pages[] = {
      {"frames.html", "www.frames.co.jp/site", "http://www.frames.co.jp/site/index.html"},
      {"imagemap.html", "www.imap.co.jp", "http://www.imap.co.jp/map.html"},
      {"base-own.html", "www.own.co.jp/other", "http://www.own.co.jp/other/p.html"},
      {"base-foreign.html", "www.page.co.jp/a", "http://www.page.co.jp/a/p.html"},
      {"unquoted.html", "www.u.co.jp/x/y", "http://www.u.co.jp/x/y/u.html"},
      {"euc-meta.html", "euc.example.jp", "http://euc.example.jp/e.html", true, true},
      {"unknown-url.html", "www.unknown.co.jp/dir", ""},
      {"query.html", "www.q.co.jp/cgi", "http://www.q.co.jp/cgi/q.html"},
      {"script-meta.html", "www.s.co.jp", "http://www.s.co.jp/s.html"},
      {"mixed-case.html", "www.case.co.jp/m", "http://www.case.co.jp/m/c.html"},
      {"long-names.html", "www.long.co.jp", "http://www.long.co.jp/l.html", false, false, true},
      {"port-page.html", "www.port.co.jp/8080/a", "http://www.port.co.jp:8080/a/index.html"},
      {"scripts-forms.html", "www.sf.co.jp/dir", "http://www.sf.co.jp/dir/s.html", false, false,
       false, true},
      {"banners.html", "www.portal.co.jp", "http://www.portal.co.jp/b.html", false, false, false,
       true},
      {"broken-tables.html", "www.tables.co.jp/t", "http://www.tables.co.jp/t/cut.html", false,
       false, false, true},
      {"result-page.html", "www.find.co.jp/r", "http://www.find.co.jp/r/result.html", false, false,
       false, true},
  };
  const bool update = std::getenv("HOARD_UPDATE_GOLDEN") != nullptr;
  for (const GoldenPage& page : pages) {
    SCOPED_TRACE(page.name);
    Options o = test::LinksOnly();
    o.EucToShiftJis = page.euc;
    o.UnixToMacLineEnds = page.unixToMac;
    o.LocaliseFtp = page.ftp;
    o.AdjustScriptParams = o.AdjustFormActions = o.AdjustOptionValues = page.rules;
    o.FixTableEnds = o.ShortenInfoseekResults = page.rules;
    test::ScopedOptions options(o);
    test::TempFolder mirror;
    const std::string input = ReadData(page.name);
    ASSERT_FALSE(input.empty());
    const auto run = test::RewriteInFolder(mirror, page.folder, page.name, input, page.url);
    EXPECT_EQ(run.result, 0);
    const std::string expectedName = std::string(page.name) + ".expected";
    if (update) {
      std::ofstream(std::string(HOARD_TEST_DATA_DIR) + "/rewriter/" + expectedName,
                    std::ios::binary) << run.page;
      continue;
    }
    const std::string expected = ReadData(expectedName);
    EXPECT_EQ(run.page, expected) << "first difference at offset "
                                  << test::FirstDifference(run.page, expected);
    // A rewritten page keeps the old one as its backup.
    if (run.page != input) {
      EXPECT_EQ(run.backup, input);
    }
  }
}

}  // namespace
}  // namespace hoard

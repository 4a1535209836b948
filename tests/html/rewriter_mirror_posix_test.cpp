// The mirror checker on mirrors made by converting the sample caches, and on
// a mirror with a link known to be broken.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "html/mirror_support.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

std::string Describe(const tools::MirrorReport& report) {
  std::string text;
  for (const auto& broken : report.broken) {
    text += broken.page + ": \"" + broken.link + "\" for " + broken.target + "\n";
  }
  return text;
}

TEST(CheckMirror, FindsNoBrokenLinkToACachedTargetInTheSampleMirrors) {
  for (const char* name : test::kSampleCaches) {
    SCOPED_TRACE(name);
    const auto cache = test::SampleCache(name);
    if (!std::filesystem::exists(cache)) GTEST_SKIP() << "no sample cache " << cache;
    test::TempFolder folder;
    const auto mirror = test::ConvertCopy(cache, folder);
    const tools::MirrorReport report = tools::CheckMirror(mirror);
    EXPECT_GT(report.pages, 0u);
    EXPECT_GT(report.cachedTargets, 0u);
    EXPECT_EQ(report.resolving, report.cachedTargets - report.leftOnline);
    EXPECT_EQ(report.leftOnline, 0u);
    EXPECT_TRUE(report.broken.empty()) << Describe(report);
  }
}

TEST(CheckMirror, ReportsALinkThatNamesNoFileOfTheMirror) {
  test::TempFolder cache;
  cache.Write("CCHMGR20.DAT",
              "JustView 2.0 Cache Manager\r\n"
              "http://h.co.jp/a.html,JCH00001.html\r\n"
              "http://h.co.jp:8080/x.html,JCH00002.html\r\n"
              "http://h.co.jp/%7Euser/i.gif,JCH00003.gif\r\n");
  std::filesystem::create_directories(cache.Path() / "h.co.jp" / "8080");
  std::filesystem::create_directories(cache.Path() / "h.co.jp" / "~user");
  cache.Write("h.co.jp/8080/x.html", "<HTML></HTML>");
  cache.Write("h.co.jp/~user/i.gif", "GIF89a");
  const std::string original =
      "<A HREF=\"http://h.co.jp:8080/x.html\">x</A><IMG SRC=\"/%7Euser/i.gif\">"
      "<A HREF=\"http://elsewhere.com/\">not cached</A>";
  cache.Write("h.co.jp/a.html.bk", original);
  // The port link as a prefix test of the host would write it; the image as
  // it should be.
  cache.Write("h.co.jp/a.html",
              "<A HREF=\".:8080/x.html\">x</A><IMG SRC=\"./%7Euser/i.gif\">"
              "<A HREF=\"../elsewhere.com/index.html\">not cached</A>");
  const tools::MirrorReport report = tools::CheckMirror(cache.Path());
  EXPECT_EQ(report.pages, 2u);
  EXPECT_EQ(report.links, 3u);
  EXPECT_EQ(report.cachedTargets, 2u);
  EXPECT_EQ(report.resolving, 1u);
  ASSERT_EQ(report.broken.size(), 1u);
  EXPECT_EQ(report.broken[0].link, ".:8080/x.html");
  EXPECT_EQ(report.broken[0].target, "http://h.co.jp:8080/x.html");
}

TEST(ResolveUrl, ResolvesAsABrowserDoes) {
  struct Case {
    const char* base;
    const char* link;
    const char* expected;
  };
  const Case cases[] = {
      {"http://h/a/b.html", "c.html", "http://h/a/c.html"},
      {"http://h/a/b.html", "../c.html", "http://h/c.html"},
      {"http://h/a/b.html", "../../c.html", "http://h/c.html"},
      {"http://h/a/b.html", "/x/./y/../z.gif", "http://h/x/z.gif"},
      {"http://h/a/b.html", "HTTP://Other.COM", "http://other.com/"},
      {"http://h/a/b.html", "q.cgi?a=1#top", "http://h/a/q.cgi?a=1"},
      {"http://h/a/", "./", "http://h/a/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    EXPECT_EQ(tools::ResolveUrl(c.base, c.link), c.expected);
  }
}

// The addresses a script hands to the browser are links of the page too, in
// document order, each once (a window.open is not also taken as an open).
TEST(ExtractLinks, TakesTheAddressesScriptsOpen) {
  struct Case {
    const char* page;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"<script>window.open('a.html','w'); open(\"/b.html\")</script>", {"a.html", "/b.html"}},
      {"<SCRIPT>setTimeout(\"location='http://h/c.html'\",9)</SCRIPT>", {"http://h/c.html"}},
      {"<script>var popupURL = \"/p.html\"; URL = \"/q.html\"</script>", {"/p.html", "/q.html"}},
      {"<script>open('x'+n+'.html')</script>", {}},
      {"<a href=\"javascript:openWin('w.html?nexthtml=../v.html')\">", {"w.html"}},
      {"<a href=\"javascript:openWin('')\">", {}},
      {"<script>open('unterminated", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    std::vector<std::string> values;
    for (const auto& link : tools::ExtractLinks(c.page)) {
      if (link.tag == "script") values.push_back(link.value);
    }
    EXPECT_EQ(values, c.values);
  }
}

}  // namespace
}  // namespace hoard

// The page rewriter on single pages: which links change and how, the backup,
// the bounds of its buffers, and a stop request in the middle of a page.
#include "html/rewriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/progress.h"
#include "html/linkrules.h"
#include "html/rewriter_support.h"
#include "platform/fs.h"
#include "support/bytes.h"
#include "support/tempfolder.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

using test::RewriteInFolder;
using test::ScopedOptions;
using test::TempFolder;

std::string Anchor(const std::string& href) { return "<A HREF=\"" + href + "\">x</A>\r"; }
std::string Image(const std::string& src) { return "<IMG SRC=\"" + src + "\">\r"; }

// The page's bytes when only one link is expected to change.
void ExpectPage(const std::string& actual, const std::string& expected) {
  EXPECT_EQ(actual, expected) << "first difference at "
                              << test::FirstDifference(actual, expected);
}

TEST(RewriteHtmlPage, LeavesAPageWithNothingToChangeUntouched) {
  ScopedOptions options(test::LinksOnly());
  TempFolder folder;
  const std::string page = "<HTML>" + Anchor("sub/page.html") + Image("pic.gif") +
                           Anchor("mailto:someone@example.jp") + "</HTML>";
  std::filesystem::create_directories(folder.Path() / "www.example.co.jp");
  folder.Write("www.example.co.jp/index.html", page);
  const auto path = folder.Path() / "www.example.co.jp" / "index.html";
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(240);
  std::filesystem::last_write_time(path, old);

  FileRef ref;
  ASSERT_EQ(MakeFileRef(path.string().c_str(), ref), kNoError);
  RewriteReport report;
  EXPECT_EQ(RewriteHtmlPage(ref, "http://www.example.co.jp/index.html", CurrentOptions(), ProcessProgress(), report), 0);
  EXPECT_FALSE(report.rewritten);
  EXPECT_EQ(folder.Read("www.example.co.jp/index.html"), page);
  // Compared in whole seconds: file systems keep times more coarsely than the clock.
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                std::filesystem::last_write_time(path) - old)
                .count(),
            0);
  EXPECT_FALSE(folder.Exists("www.example.co.jp/index.html.bk"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path() / "www.example.co.jp"),
                          std::filesystem::directory_iterator{}),
            1);
}

TEST(RewriteHtmlPage, RewrittenPageKeepsTheOldTimesAndLeavesABackup) {
  ScopedOptions options(test::LinksOnly());
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "host.co.jp");
  const std::string page = Anchor("http://other.com/a.html");
  folder.Write("host.co.jp/p.html", page);
  const auto path = folder.Path() / "host.co.jp" / "p.html";
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(240);
  std::filesystem::last_write_time(path, old);
  FileRef ref;
  ASSERT_EQ(MakeFileRef(path.string().c_str(), ref), kNoError);
  RewriteReport report;
  ASSERT_EQ(RewriteHtmlPage(ref, "http://host.co.jp/p.html", CurrentOptions(), ProcessProgress(), report), 0);
  EXPECT_TRUE(report.rewritten);
  EXPECT_EQ(report.backup.name.View(), "p.html.bk");
  EXPECT_EQ(folder.Read("host.co.jp/p.html.bk"), page);
  ExpectPage(folder.Read("host.co.jp/p.html"), Anchor("../other.com/a.html"));
  const auto kept = std::chrono::duration_cast<std::chrono::seconds>(
      std::filesystem::last_write_time(path) - old);
  EXPECT_EQ(kept.count(), 0);
}

TEST(RewriteHtmlPage, DeletesTheBackupWhenAsked) {
  Options o = test::LinksOnly();
  o.DeleteBackup = 1;
  ScopedOptions options(o);
  TempFolder folder;
  const auto run = RewriteInFolder(folder, "host.co.jp", "p.html", Anchor("http://other.com/a.html"),
                                   "http://host.co.jp/p.html");
  EXPECT_EQ(run.result, 0);
  EXPECT_FALSE(run.backupExists);
  ExpectPage(run.page, Anchor("../other.com/a.html"));
}

TEST(RewriteHtmlPage, MakesAbsoluteLinksRelativeToThePageFolder) {
  ScopedOptions options(test::LinksOnly());
  struct Case {
    const char* name;
    const char* url;
    std::string link;
    std::string expected;
  };
  const Case cases[] = {
      {"another host at depth 2", "http://www.own.co.jp/d/p.html", "http://other.com/a/b.html",
       "../../other.com/a/b.html"},
      {"the page's own host at depth 2", "http://www.own.co.jp/d/p.html",
       "http://www.own.co.jp/a/b.html", "../a/b.html"},
      {"own host at depth 1", "http://www.own.co.jp/p.html", "http://www.own.co.jp/a/b.html",
       "./a/b.html"},
      {"a host that merely begins with the page's host", "http://www.own.co.jp/p.html",
       "http://www.own.co.jp.example.com/x.html", "../www.own.co.jp.example.com/x.html"},
      {"own host with a port at depth 1", "http://host.co.jp/a.html",
       "http://host.co.jp:8080/x.html", "../host.co.jp/8080/x.html"},
      {"another host from a page with a port", "http://host.co.jp:8080/a/b.html",
       "http://other.com/x.html", "../../../other.com/x.html"},
      {"own host and port from a page with a port", "http://host.co.jp:8080/a/b.html",
       "http://host.co.jp:8080/x.html", "../x.html"},
      {"a host alone names its index page", "http://www.own.co.jp/d/p.html", "http://other.com",
       "../../other.com/index.html"},
      {"a folder names its index page", "http://www.own.co.jp/d/p.html",
       "http://www.own.co.jp/sub/", "../sub/index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "m", "p.html", Anchor(c.link), c.url);
    EXPECT_EQ(run.result, 0);
    ExpectPage(run.page, Anchor(c.expected));
  }
}

TEST(RewriteHtmlPage, WritesHostRelativeLinksFromTheDepth) {
  ScopedOptions options(test::LinksOnly());
  struct Case {
    const char* name;
    const char* url;
    std::string expected;
  };
  const Case cases[] = {
      {"depth 1", "http://www.own.co.jp/p.html", "./img/x.gif"},
      {"depth 3", "http://www.own.co.jp/a/b/p.html", "../../img/x.gif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "m", "p.html", Image("/img/x.gif"), c.url);
    ExpectPage(run.page, Image(c.expected));
  }
}

TEST(RewriteHtmlPage, LeavesMailAddressesFragmentsAndShortLinksAlone) {
  ScopedOptions options(test::LinksOnly());
  const std::string links[] = {"mailto:me@example.jp", "list@host", "page.html#top",
                               "#top", "sub/page.html", "../up.html", "a/b/c/d.gif"};
  for (const std::string& link : links) {
    SCOPED_TRACE(link);
    TempFolder folder;
    const std::string page = Anchor(link) + Image(link);
    const auto run = RewriteInFolder(folder, "m", "p.html", page, "http://www.own.co.jp/a/p.html");
    EXPECT_EQ(run.page, page);
    EXPECT_FALSE(run.backupExists);
  }
}

TEST(RewriteHtmlPage, MapsALastComponentOver28BytesOnlyWhenItIsAPage) {
  ScopedOptions options(test::LinksOnly());
  // A mapped link is written even when the mapping keeps its bytes, so the
  // page is rewritten; a link that needs no mapping leaves it alone.
  struct Case {
    const char* name;
    std::string link;
    bool mapped;
  };
  const Case cases[] = {
      {"29-byte page name", std::string(24, 'p') + ".html", true},
      {"29-byte htm name", std::string(25, 'p') + ".htm", true},
      {"29-byte image name", std::string(25, 'g') + ".gif", false},
      {"28-byte page name", std::string(23, 'p') + ".html", false},
      {"32-byte folder", std::string(32, 'f') + "/a.gif", true},
      {"31-byte folder", std::string(31, 'f') + "/a.gif", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char mapped[kLinkBufferBytes];
    std::snprintf(mapped, sizeof mapped, "%s", c.link.c_str());
    MapLinkInPlace(mapped, sizeof mapped);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "m", "p.html", Anchor(c.link),
                                     "http://www.own.co.jp/a/p.html");
    EXPECT_EQ(run.report.rewritten, c.mapped);
    ExpectPage(run.page, Anchor(c.mapped ? std::string(mapped) : c.link));
  }
}

TEST(RewriteHtmlPage, RepairsRelativeLinksThatCannotResolve) {
  ScopedOptions options(test::LinksOnly());
  struct Case {
    const char* name;
    const char* url;
    std::string link;
    std::string expected;
  };
  const Case cases[] = {
      {"one level too many at depth 1", "http://www.own.co.jp/p.html", "../x.html", "x.html"},
      {"two levels too many at depth 1", "http://www.own.co.jp/p.html", "../../x.html",
       "x.html"},
      {"three levels too many at depth 2", "http://www.own.co.jp/a/p.html", "../../../x.html",
       "../x.html"},
      {"only steps past the top at depth 2", "http://www.own.co.jp/a/p.html", "../../", "../index.html"},
      {"a link to another host folder at depth 1", "http://www.own.co.jp/p.html",
       "../other.co.jp/x.html", "../other.co.jp/x.html"},
      {"enough levels at depth 2", "http://www.own.co.jp/a/p.html", "../x.html", "../x.html"},
      {"a folder names its index page", "http://www.own.co.jp/a/p.html", "../", "../index.html"},
      {"a subfolder names its index page", "http://www.own.co.jp/a/p.html", "sub/",
       "sub/index.html"},
      {"a folder with a fragment names its index page", "http://www.own.co.jp/a/p.html", "sub/#a",
       "sub/index.html#a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "m", "p.html", Anchor(c.link), c.url);
    ExpectPage(run.page, Anchor(c.expected));
  }
}

TEST(BackupNameFor, CutsAt28BytesKeepsAnEqualsTailAndStepsASuffixThatWouldClash) {
  struct Case {
    const char* name;
    std::string page;
    std::string backup;
  };
  const Case cases[] = {
      {"short name", "index.html", "index.html.bk"},
      {"28 bytes", std::string(28, 'a'), std::string(28, 'a') + ".bk"},
      {"31 bytes", std::string(31, 'a'), std::string(28, 'a') + ".bk"},
      {"'=' tail kept", std::string(27, 'a') + "x=12345.htm", std::string(18, 'a') + "=12345.htm.bk"},
      {"'=' at byte 28", std::string(27, 'a') + "=12345.htm", std::string(18, 'a') + "=12345.htm.bk"},
      {"'=' before byte 28 does not count", "a=" + std::string(30, 'b'),
       "a=" + std::string(26, 'b') + ".bk"},
      {"31-byte name ending .bk", std::string(28, 'c') + ".bk", std::string(28, 'c') + ".b1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BackupNameFor(c.page).View(), c.backup);
  }
}

TEST(RewriteHtmlPage, BacksUpA31ByteBkNameUnderB1) {
  ScopedOptions options(test::LinksOnly());
  TempFolder folder;
  const std::string name = std::string(28, 'c') + ".bk";
  const auto run = RewriteInFolder(folder, "host.co.jp", name, Anchor("http://other.com/a.html"),
                                   "http://host.co.jp/x.html");
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.report.backup.name.View(), std::string(28, 'c') + ".b1");
  EXPECT_TRUE(folder.Exists("host.co.jp/" + std::string(28, 'c') + ".b1"));
  ExpectPage(run.page, Anchor("../other.com/a.html"));
}

std::string MacBinaryHeader(size_t dataLength) {
  std::string header(128, '\0');
  header[1] = 5;
  header.replace(2, 5, "a.htm");
  header.replace(65, 8, "TEXTJVWR");
  header[83] = static_cast<char>((dataLength >> 24) & 0xff);
  header[84] = static_cast<char>((dataLength >> 16) & 0xff);
  header[85] = static_cast<char>((dataLength >> 8) & 0xff);
  header[86] = static_cast<char>(dataLength & 0xff);
  return header;
}

TEST(RewriteHtmlPage, DropsAMacBinaryHeaderEvenWhenNoLinkChanges) {
  ScopedOptions options(test::LinksOnly());
  const std::string bodies[] = {"<HTML>plain</HTML>\r", std::string(300, 'x') + "<P>long</P>"};
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body.size());
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "h.co.jp", "p.html", MacBinaryHeader(body.size()) + body,
                                     "http://h.co.jp/p.html");
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.report.rewritten);
    ExpectPage(run.page, body);
  }
}

TEST(RewriteHtmlPage, LeavesFilesThatAreNotTextAlone) {
  ScopedOptions options(test::LinksOnly());
  struct Case {
    const char* name;
    std::string bytes;
    bool changed;
  };
  const Case cases[] = {
      {"binary", std::string("GIF89a\0\x01", 8) + Anchor("http://o.com/a.html"), false},
      {"zero before '<'", std::string("x\0<", 3) + Anchor("http://o.com/a.html"), true},
      {"zero between .html and a quote", std::string("a.html\0\"", 8) + Anchor("http://o.com/a.html"),
       true},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "h.co.jp", "p.html", c.bytes, "http://h.co.jp/p.html");
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.report.rewritten, c.changed);
    if (!c.changed) {
      EXPECT_EQ(run.page, c.bytes);
    }
  }
}

TEST(RewriteHtmlPage, LeavesAValueTooLongForTheLinkBufferExactlyAsItWas) {
  ScopedOptions options(test::LinksOnly());
  const std::string after = Anchor("http://other.com/a.html");
  const std::string rewrittenAfter = Anchor("../other.com/a.html");
  struct Case {
    const char* what;
    std::string tag;
  };
  const Case cases[] = {
      {"a rooted link of 3000 bytes", Anchor("/" + std::string(3000, 'a'))},
      {"an image of 100,000 bytes", Image("img/" + std::string(100'000, 'b') + ".gif")},
      {"one byte too long", Anchor("/" + std::string(2047, 'c'))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const auto run =
        RewriteInFolder(folder, "m", "p.html", c.tag + after, "http://h.co.jp/p.html");
    EXPECT_EQ(run.result, 0);
    // The next link is still rewritten.
    ExpectPage(run.page, c.tag + rewrittenAfter);
  }
}

TEST(RewriteHtmlPage, LeavesALinkTooLongToComposeAsItIs) {
  ScopedOptions options(test::LinksOnly());
  // Short folder names, so that no mapping shortens them: 600 bytes in all.
  std::string longLink = "http://other.com";
  while (longLink.size() < 600) longLink += "/abcdefghij";
  const std::string fits = "http://other.com/abc/" + std::string(20, 'd') + ".gif";
  TempFolder folder;
  const std::string page = Image(longLink) + Image(fits);
  const auto run = RewriteInFolder(folder, "m", "p.html", page, "http://h.co.jp/a/b/p.html");
  EXPECT_EQ(run.result, 0);
  ExpectPage(run.page, Image(longLink) + Image("../../../other.com/abc/" + std::string(20, 'd') + ".gif"));
}

TEST(RewriteHtmlPage, HandlesABaseFolderAsLongAsTheLinkBuffer) {
  ScopedOptions options(test::LinksOnly());
  std::string base = "http://h.co.jp/";
  while (base.size() < 2047) base += "f/";
  base.resize(2047);
  TempFolder folder;
  const std::string page = "<BASE HREF=\"" + base + "\">" + Image("x.gif");
  const auto run = RewriteInFolder(folder, "m", "p.html", page, "http://h.co.jp/a/p.html");
  EXPECT_EQ(run.result, 0);
  // The BASE tag is gone; the image, too long to compose, keeps its link.
  ExpectPage(run.page, Image("x.gif"));
}

TEST(RewriteHtmlPage, AStopRequestLeavesTheUntouchedPageUnderItsName) {
  ScopedOptions options(test::LinksOnly());
  TempFolder folder;
  // A change early on opens the output; the stop request is seen at the
  // first progress check, more than 2048 bytes later.
  const std::string page = Anchor("http://other.com/a.html") + std::string(5000, ' ') +
                           Anchor("http://other.com/b.html");
  AbortRequested = 1;
  const auto run = RewriteInFolder(folder, "h.co.jp", "p.html", page, "http://h.co.jp/p.html");
  AbortRequested = 0;
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.page, page);
  EXPECT_FALSE(run.backupExists);
}

TEST(RewriteHtmlPage, RewritesTheCharsetAndDropsOneCharacterCommentsOnlyWithEucConversion) {
  struct Case {
    const char* name;
    bool euc;
    std::string page;
    std::string expected;
  };
  const std::string meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=";
  const Case cases[] = {
      {"x-euc-jp", true, meta + "x-euc-jp\">", meta + "x-sjis\">"},
      {"EUC-JP any case", true, meta + "euc-jp\">", meta + "Shift_JIS\">"},
      {"empty name", true, meta + "\">", meta + "Shift_JIS\">"},
      {"windows-1252", true, meta + "windows-1252\">", meta + "iso-8859-1\">"},
      {"unknown name", true, meta + "iso-2022-jp\">", meta + "iso-2022-jp\">"},
      {"conversion off", false, meta + "x-euc-jp\">", meta + "x-euc-jp\">"},
      {"comment with a high byte", true, "a<!--\xE0\xA1-->b", "ab"},
      {"spaced comment", true, "a<!-- \xF0\xA1 -->b", "ab"},
      {"comment with a low byte", true, "a<!--ab-->b", "a<!--ab-->b"},
      {"comment kept without conversion", false, "a<!--\xE0\xA1-->b", "a<!--\xE0\xA1-->b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Options o = test::LinksOnly();
    o.EucToShiftJis = c.euc ? 1 : 0;
    ScopedOptions options(o);
    TempFolder folder;
    const auto run = RewriteInFolder(folder, "h.co.jp", "p.html", c.page, "http://h.co.jp/p.html");
    EXPECT_EQ(run.result, 0);
    ExpectPage(run.page, c.expected);
  }
}

TEST(RewriteHtmlPage, ScansNothingWithLinkEditingOff) {
  Options o;
  o.UnixToMacLineEnds = 1;
  ScopedOptions options(o);
  TempFolder folder;
  const auto run = RewriteInFolder(folder, "h.co.jp", "p.html",
                                   "<A HREF=\"http://other.com/a.html\">\n",
                                   "http://h.co.jp/p.html");
  ExpectPage(run.page, "<A HREF=\"http://other.com/a.html\">\r");
}

TEST(PageContext, FindsTheBaseAndDepth) {
  struct Case {
    const char* name;
    const char* url;
    const char* path;  // used when the URL is empty
    std::string base;
    int depth;
    int rootDepth;
  };
  const Case cases[] = {
      {"host and two folders", "http://www.a.co.jp/x/y/z.html", "", "www.a.co.jp", 3, 3},
      {"port 8080 stays in the base", "http://a.com:8080/x.html", "", "a.com:8080", 1, 2},
      {"any other port stays in the base", "http://a.com:81/x.html", "", "a.com:81", 1, 2},
      {"query slashes do not count", "http://a.com/x.cgi?a/b", "", "a.com", 1, 1},
      {"a 0x5C second byte is no separator", "http://a.com/x/\x83\x5C.html", "", "a.com", 2, 2},
      {"https", "https://a.com/x/", "", "a.com", 2, 2},
      {"host folder", "", "/m/www.a.co.jp/x/p.html", "www.a.co.jp", 2, 2},
      {"host folder with a port folder", "", "/m/a.co.jp/8080/x/p.html", "a.co.jp:8080", 2, 3},
      {"numeric host", "", "/m/10.0.0.1/p.html", "10.0.0.1", 1, 1},
      {"no host but a '~' folder", "", "/m/site/~user/x/p.html", "site", 3, 3},
      {"nothing", "", "/m/plain/p.html", "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageScan scan;
    if (c.url[0] != '\0') {
      PageContextFromUrl(c.url, scan);
    } else {
      PageContextFromPath(c.path, '/', scan);
    }
    EXPECT_EQ(std::string(scan.pageBase.data(), scan.baseLength), c.base);
    EXPECT_EQ(scan.depth, c.depth);
    EXPECT_EQ(scan.rootDepth, c.rootDepth);
  }
}

TEST(IsHostName, TellsHostsFromFolderNames) {
  struct Case {
    const char* name;
    bool host;
  };
  const Case cases[] = {
      {"www.anything", true}, {"a.co.jp", true},  {"a.com", true},     {"a.COM", true},
      {"a.Com", false},       {"10.0.0.1", true}, {"1.2.3", false},    {"a.com.au", true},
      {"a.au", false},        {"images", false},  {"a.gif", false},    {"x.de/y", true},
      {"a.html", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsHostName(c.name), c.host);
  }
}

// A batch keeps which paths are folders; a folder made or moved through the
// platform layer between two pages changes the answer for the next page.
TEST(RewriteHtmlPage, KeptFolderAnswersFollowFoldersMadeAndMoved) {
  ScopedOptions options(test::LinksOnly());
  TempFolder folder;
  const std::string sub = (folder.Path() / "m" / "sub").string();
  const std::string gone = (folder.Path() / "m" / "gone").string();
  struct Step {
    const char* what;
    bool (*change)(const std::string& sub, const std::string& gone);
    const char* link;
    const char* expected;
  };
  const Step steps[] = {
      {"no folder yet", nullptr, "sub", "sub"},
      {"another folder made", [](const std::string& s, const std::string&) {
         return platform::MakeFolder((s + "x").c_str());
       }, "sub", "sub"},
      {"the folder made", [](const std::string& s, const std::string&) {
         return platform::MakeFolder(s.c_str());
       }, "sub", "sub/index.html"},
      {"asked again", nullptr, "sub", "sub/index.html"},
      {"the folder moved away", [](const std::string& s, const std::string& g) {
         return platform::MovePath(s.c_str(), g.c_str());
       }, "sub", "sub"},
      {"a second name", nullptr, "sub2", "sub2"},
      {"made, then more folders than are named", [](const std::string& s, const std::string&) {
         bool made = platform::MakeFolder((s + "2").c_str());
         for (int i = 0; i < 70; ++i) {
           made = made && platform::MakeFolder((s + std::to_string(i) + "y").c_str());
         }
         return made;
       }, "sub2", "sub2/index.html"},
  };
  KeepFolderAnswers(true);
  int page = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.change != nullptr) {
      ASSERT_TRUE(step.change(sub, gone));
    }
    const std::string name = "p" + std::to_string(++page) + ".html";
    const std::string url = "http://www.own.co.jp/" + name;
    const auto run = RewriteInFolder(folder, "m", name, Anchor(step.link), url.c_str());
    EXPECT_EQ(run.result, 0);
    ExpectPage(run.page, Anchor(step.expected));
  }
  KeepFolderAnswers(false);
}

// Within a batch a folder's listing answers for the names in it: the same
// answers as asking the disk for each path.
TEST(RewriteHtmlPage, ListedFolderAnswersAreTheDisks) {
  ScopedOptions options(test::LinksOnly());
  const char* links[] = {"sub",   "page.html", "none",         "SUB",      "sub.",
                         "sub/x", "sub/inner", "nofolder/sub", "page.html/sub", "a%20b"};
  std::string body;
  for (const char* link : links) body += Anchor(link);
  std::string pages[2];
  for (const bool kept : {false, true}) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / "m" / "sub" / "inner");
    std::filesystem::create_directories(folder.Path() / "m" / "a b");
    folder.Write("m/page.html", "a file");
    KeepFolderAnswers(kept);
    const auto run = RewriteInFolder(folder, "m", "p.html", body, "http://www.own.co.jp/p.html");
    KeepFolderAnswers(false);
    EXPECT_EQ(run.result, 0);
    pages[kept ? 1 : 0] = run.page;
  }
  EXPECT_EQ(pages[1], pages[0]);
  EXPECT_NE(pages[1].find(Anchor("sub/index.html")), std::string::npos) << pages[1];
  EXPECT_NE(pages[1].find(Anchor("sub/inner/index.html")), std::string::npos) << pages[1];
}

TEST(RewriteHtmlPage, LeadingDotsOverPlainFoldersFindTheSameFolders) {
  // Climbed as written or by the disk, a link finds the same folders.
  ScopedOptions options(test::LinksOnly());
  for (const char* link : {"../b", "../../host/b", "../c", "../b/c", "../../../m/host/b/c",
                           "..%2Fb", "./../b", "../b/../b"}) {
    std::string pages[2];
    for (const int levels : {0, 2}) {
      TempFolder folder;
      std::filesystem::create_directories(folder.Path() / "m" / "host" / "b" / "c");
      PageFacts facts;
      facts.plainFolderLevels = levels;
      const auto run = RewriteInFolder(folder, "m/host/a", "p.html", Anchor(link),
                                       "http://host/a/p.html", facts);
      EXPECT_EQ(run.result, 0);
      pages[levels == 0 ? 0 : 1] = run.page;
    }
    EXPECT_EQ(pages[0], pages[1]) << link;
    if (std::string(link) == "../b") ExpectPage(pages[1], Anchor("../b/index.html"));
  }
}

}  // namespace
}  // namespace hoard

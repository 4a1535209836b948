// Small caches of the kind a new user tries first, converted whole: every
// cache file must be whole somewhere, and every link of every page to a
// cached target must name, as a browser resolves it from the page's place in
// the mirror, the file that target became.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/progress.h"
#include "app/run.h"
#include "pipeline/convert.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "support/guards.h"
#include "support/nothinglost.h"
#include "support/tempfolder.h"
#include "support/urlgen.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

struct CachedFile {
  std::string url;
  std::string body;  // a page's links, or an image's bytes
  bool page = true;
};

struct Case {
  const char* what;
  std::vector<CachedFile> files;
  size_t leftBehind = 0;  // files that must stay in the cache folder
  bool anyLeftBehind = false;  // generated caches: collisions may leave some
};

std::string Marker(size_t index) { return "<!-- file " + std::to_string(index) + " -->"; }

std::string CacheName(size_t index, bool page) {
  char name[16];
  std::snprintf(name, sizeof name, "JCH%05zu", index + 1);
  return std::string(name) + (page ? ".HTM" : ".GIF");
}

// Where file `index` is now: the mirror file that holds its marker and is
// not its own backup (a backup keeps the original bytes), or "".
std::string FindPlaced(const std::vector<test::FoundFile>& found, const std::string& original,
                       size_t index, bool page) {
  std::string place;
  for (const test::FoundFile& file : found) {
    if (file.top) continue;
    const bool holds = page ? file.bytes.find(Marker(index)) != std::string::npos
                            : file.bytes == original;
    if (!holds) continue;
    if (place.empty() || (page && file.bytes != original)) place = file.path;
  }
  return place;
}

bool IsAscii(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Every problem, one a line: links that name no file or the wrong one.
std::string BrokenLinks(const fs::path& cache, const Case& c) {
  const std::vector<test::FoundFile> found = test::FilesBelow(cache);
  std::vector<std::string> places;
  std::vector<std::string> urls;
  for (size_t i = 0; i < c.files.size(); ++i) {
    const CachedFile& file = c.files[i];
    const std::string original = file.page ? Marker(i) + file.body : file.body;
    places.push_back(FindPlaced(found, original, i, file.page));
    urls.push_back(tools::ResolveUrl("http://x/", file.url));
  }
  std::string problems;
  for (size_t i = 0; i < c.files.size(); ++i) {
    if (!c.files[i].page || places[i].empty()) continue;
    const fs::path pagePath = cache / fs::u8path(places[i]);
    const std::string rewritten = tools::detail::ReadAll(pagePath);
    std::string base;
    const auto before = tools::ExtractLinks(Marker(i) + c.files[i].body, &base);
    const auto after = tools::ExtractLinks(rewritten);
    if (before.size() != after.size()) {
      problems += places[i] + ": " + std::to_string(after.size()) + " links instead of " +
                  std::to_string(before.size()) + "\n";
      continue;
    }
    const std::string baseUrl = base.empty() ? urls[i] : tools::ResolveUrl(urls[i], base);
    for (size_t l = 0; l < before.size(); ++l) {
      const std::string target = tools::ResolveUrl(baseUrl, before[l].value);
      size_t t = 0;
      while (t < urls.size() && urls[t] != target) ++t;
      if (t == urls.size() || places[t].empty()) continue;  // not cached, or left behind
      std::string link = after[l].value;
      link = link.substr(0, link.find('#'));
      // Where a path made of a link's bytes cannot be built from those bytes
      // (Windows takes a narrow path in another code page than the page's
      // Shift_JIS), a link to a name beyond ASCII is not followed here.
      if (fs::path::preferred_separator != '/' && !IsAscii(tools::detail::PercentDecode(link))) {
        continue;
      }
      const fs::path resolved =
          (pagePath.parent_path() / tools::detail::PercentDecode(link)).lexically_normal();
      const fs::path expected = (cache / fs::u8path(places[t])).lexically_normal();
      if (link.empty() || tools::HasScheme(link) || resolved != expected) {
        problems += places[i] + ": " + before[l].value + " -> " + after[l].value + " names " +
                    resolved.lexically_relative(cache).generic_string() + ", not " + places[t] +
                    "\n";
      }
    }
  }
  return problems;
}

class LinkFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetConversionRun();
    GoWithoutDomainTable();
    AbortRequested = 0;
    Options& options = CurrentOptions();
    options = Options{};
    options.EditLinks = 1;
  }
  void TearDown() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetConversionRun();
    ResetProcessDomainTable();
  }

  void Run(const Case& c) {
    SCOPED_TRACE(c.what);
    test::TempFolder cache;
    std::string log = "JustView 2.0 Cache Manager\r\n";
    for (size_t i = 0; i < c.files.size(); ++i) {
      const CachedFile& file = c.files[i];
      const std::string name = CacheName(i, file.page);
      cache.Write(name, file.page ? Marker(i) + file.body : file.body);
      log += file.url + "," + name.substr(0, 8) + (file.page ? ".html" : ".gif") + "\r\n";
    }
    cache.Write("CCHMGR20.DAT", log);
    test::NothingLost lost(cache.Path());
    std::string folder = cache.Text();
    app::ArgList args;
    args.items[args.count++] = folder.data();
    EXPECT_EQ(app::RunArguments(args), 0);
    EXPECT_EQ(lost.Check(), "");
    EXPECT_EQ(BrokenLinks(cache.Path(), c), "");
    if (!c.anyLeftBehind) {
      EXPECT_EQ(FilesLeftBehind().count, c.leftBehind);
    }
    // The final report names what stayed behind.
    if (FilesLeftBehind().count != 0) {
      ASSERT_FALSE(scripted::Messages().empty());
      EXPECT_NE(scripted::Messages().back().text.find(FilesLeftBehind().names[0].View()),
                std::string::npos);
    }
    ResetConversionRun();
    scripted::Reset();
  }

  test::OptionsGuard options_;
  test::ModeGuard mode_{kBrokenImageOff};
  test::CurrentFolderGuard folder_;
};

const std::string kGif = "GIF89a-image-";

TEST_F(LinkFaults, EveryCachedTargetResolvesAndNothingIsLost) {
  const Case cases[] = {
      {"a host alone is its index page",
       {{"http://www.example.co.jp", "<a href=\"b.html\">b</a>"},
        {"http://www.example.co.jp/b.html", "<a href=\"http://www.example.co.jp\">top</a>"}}},
      {"a host and a query alone",
       {{"http://www.example.co.jp?x=1", "<a href=\"b.html\">b</a>"},
        {"http://www.example.co.jp/b.html", "<a href=\"/?x=1\">top</a>"}}},
      {"a name without a host stays", {{"notes.html", "my notes"}}, 1},
      {"two long names cut to one",
       {{"http://www.example.co.jp/summer-festival-in-our-town-2000-01.jpg", kGif + "1", false},
        {"http://www.example.co.jp/summer-festival-in-our-town-2000-02.jpg", kGif + "2", false}},
       1},
      {"two queries cut to one",
       {{"http://www.example.co.jp/list.cgi?category=books&sort=title&page=3", "three"},
        {"http://www.example.co.jp/list.cgi?category=books&sort=title&page=4", "four"}},
       1},
      {"one folder in two encodings",
       {{"http://www.example.co.jp/%C6%FC%CB%DC/a.gif", kGif + "euc", false},
        {"http://www.example.co.jp/%93%FA%96%7B/a.gif", kGif + "sjis", false}},
       1},
      {"a page whose backup takes a mirrored name",
       {{"http://www.example.co.jp/data.bk", kGif + "bk", false},
        {"http://www.example.co.jp/data", "<a href=\"/x.html\">x</a>"}}},
      {"a mirrored name that a backup took first",
       {{"http://www.example.co.jp/data", "<a href=\"/x.html\">x</a>"},
        {"http://www.example.co.jp/data.bk", kGif + "bk", false}},
       1},
      {"an empty folder name and an ftp entry do not stop the batch",
       {{"http://www.example.co.jp//images/a.gif", kGif + "a", false},
        {"ftp://ftp.example.co.jp/pub/b.gif", kGif + "b", false},
        {"http://www.example.co.jp/after.html", "converted"}},
       2},
      {"dot steps before names that are mapped",
       {{"http://www.example.co.jp/a/b/c.html",
         "<img src=\"../../a/the-name-of-this-image-is-forty-b.gif\">"
         "<a href=\"../search.cgi?q=1\">s</a><a href=\"./list.cgi?x=y\">l</a>"},
        {"http://www.example.co.jp/a/the-name-of-this-image-is-forty-b.gif", kGif + "40", false},
        {"http://www.example.co.jp/a/search.cgi?q=1", "search"},
        {"http://www.example.co.jp/a/b/list.cgi?x=y", "list"}}},
      {"a fragment after a mapped name",
       {{"http://www.example.co.jp/f/p.html", "<a href=\"x.cgi?a=1#frag\">x</a>"},
        {"http://www.example.co.jp/f/x.cgi?a=1", "x"}}},
      {"an own-host BASE without a folder",
       {{"http://www.example.co.jp/news/2000/0401.html",
         "<BASE HREF=\"http://www.example.co.jp/\"><body background=\"bg.gif\">"
         "<a href=\"about.html\">a</a><img src=\"img/x.gif\"><frame src=\"f.html\">"
         "<script src=\"s.js\"></script><a href=\"../up.html\">u</a>"},
        {"http://www.example.co.jp/news/2000/0402.html",
         "<BASE HREF=\"http://www.example.co.jp/index.html\"><a href=\"./about.html\">a</a>"},
        {"http://www.example.co.jp/about.html", "about"},
        {"http://www.example.co.jp/up.html", "up"},
        {"http://www.example.co.jp/f.html", "frame"},
        {"http://www.example.co.jp/img/x.gif", kGif + "x", false},
        {"http://www.example.co.jp/bg.gif", kGif + "bg", false},
        {"http://www.example.co.jp/s.js", "script", false}}},
      {"names that the mapping changes",
       {{"http://www.example.co.jp/p.html",
         "<a href=\"con.html\">c</a><img src=\"aux.gif\"><a href=\"ver1.0./index.html\">v</a>"
         "<a href=\"information-for-visitors.shtml\">i</a><a href=\"under/_\">u</a>"
         "<img src=\"a-picture-of-the-summer-fes.jpeg\">"},
        {"http://www.example.co.jp/con.html", "con"},
        {"http://www.example.co.jp/aux.gif", kGif + "aux", false},
        {"http://www.example.co.jp/ver1.0./index.html", "ver"},
        {"http://www.example.co.jp/information-for-visitors.shtml", "info"},
        {"http://www.example.co.jp/under/_", "under"},
        {"http://www.example.co.jp/a-picture-of-the-summer-fes.jpeg", kGif + "31", false},
        {"http://www.example.co.jp/p2.html", "<a href=\"%C6%FC%CB%DC.html\">euc</a>"},
        {"http://www.example.co.jp/%C6%FC%CB%DC.html", "euc"}}},
      {"white space in unquoted values",
       {{"http://www.example.co.jp/d/p.html",
         "<IMG SRC=/img/c.gif\tWIDTH=10><IMG SRC=/img/b.gif\r\nWIDTH=10>"
         "<img src=/img/my%20pic.gif>"},
        {"http://www.example.co.jp/img/c.gif", kGif + "c", false},
        {"http://www.example.co.jp/img/b.gif", kGif + "b", false},
        {"http://www.example.co.jp/img/my%20pic.gif", kGif + "my", false}}},
      {"a folder link with a fragment",
       {{"http://www.example.co.jp/b/p.html", "<A HREF=\"../b/sub/#top\">t</A>"},
        {"http://www.example.co.jp/b/sub/", "sub"}}},
      {"folder links",
       {{"http://www.example.co.jp/b/c/p.html", "<A HREF=\"/\">t</A><A HREF=\"/dir/\">d</A>"},
        {"http://www.example.co.jp/b/c/q.html",
         "<BASE HREF=\"http://www.example.co.jp/b/c/\"><A HREF=\"sub/\">s</A>"},
        {"http://www.example.co.jp/", "top"},
        {"http://www.example.co.jp/dir/", "dir"},
        {"http://www.example.co.jp/b/c/sub/", "sub"}}},
      {"a port other than 8080",
       {{"http://www.example.co.jp:8000/port/page.html", "<img src=\"/img/p.gif\">"},
        {"http://www.example.co.jp:8000/img/p.gif", kGif + "p", false}}},
      {"steps past the top",
       {{"http://www.example.co.jp/p.html", "<a href=\"../../x.html\">x</a>"},
        {"http://www.example.co.jp/a/q.html", "<a href=\"../../../x.html\">x</a>"},
        {"http://www.example.co.jp/x.html", "x"}}},
      {"a query alone and a mail link",
       {{"http://www.example.co.jp/list.cgi?no=1",
         "<a href=\"?no=2\">2</a><a href=\"mailto:a@b.jp?subject=hi\">m</a>"},
        {"http://www.example.co.jp/list.cgi?no=2", "two"}}},
      {"script tags of every form",
       {{"http://www.example.co.jp/p.html",
         "<script type=\"text/javascript\" src=\"s1.js\"></script><SCRIPT SRC=s2.js></SCRIPT>"},
        {"http://www.example.co.jp/s1.js", "one", false},
        {"http://www.example.co.jp/s2.js", "two", false}}},
      {"a page that becomes its folder's page after its files",
       {{"http://www.example.co.jp/a/b.html", "<a href=\"../a\">a</a>"},
        {"http://www.example.co.jp/a", "<a href=\"a/b.html\">b</a><img src=\"/i.gif\">"},
        {"http://www.example.co.jp/i.gif", kGif + "i", false}}},
      {"a page that becomes its folder's page before its files",
       {{"http://www.example.co.jp/a", "<a href=\"a/b.html\">b</a><img src=\"/i.gif\">"},
        {"http://www.example.co.jp/a/b.html", "<a href=\"../a\">a</a>"},
        {"http://www.example.co.jp/i.gif", kGif + "i", false}}},
      {"a page that became its folder's page unchanged",
       {{"http://www.example.co.jp/a", "<a href=\"a/b.html\">b</a>"},
        {"http://www.example.co.jp/a/b.html", "<a href=\"../a\">a</a>"}}},
      {"upper-case hosts",
       {{"HTTP://WWW.EXAMPLE.CO.JP/u.html", "<img src=\"HTTP://WWW.EXAMPLE.CO.JP/v.gif\">"},
        {"http://www.example.co.jp/v.gif", kGif + "v", false}}},
  };
  for (const Case& c : cases) Run(c);
}

}  // namespace
}  // namespace hoard

namespace hoard {
namespace {

// Generated pages, each linking generated files of its host in every form a
// page may use: whatever the names, every link finds its file.
TEST_F(LinkFaults, GeneratedLinksFindTheirFiles) {
  constexpr uint64_t kPages = 40;
  constexpr size_t kTargets = 10;
  for (uint64_t seed = 1; seed <= kPages; ++seed) {
    test::UrlGenerator generator(seed);
    test::GeneratedUrl page = generator.Next();
    while (page.file.empty() || test::HasDotFolder(page)) page = generator.Next();
    Case c{"generated", {}, 0, true};
    c.files.push_back({page.Text(), ""});
    for (size_t i = 0; i < kTargets; ++i) {
      test::GeneratedUrl target = generator.Next();
      if (test::HasDotFolder(target)) continue;
      target.scheme = page.scheme;
      target.host = page.host;
      if (generator.OneIn(5)) {
        // The page itself with another query.
        target.folders = page.folders;
        target.file = page.file;
        target.query = generator.Query();
      }
      c.files.push_back({target.Text(), kGif + std::to_string(i), false});
      c.files[0].body += "<a href=\"" +
                         test::HtmlEscaped(test::LinkFromPage(generator, page, target)) +
                         "\">" + std::to_string(i) + "</a>\r\n";
    }
    SCOPED_TRACE("seed " + std::to_string(seed) + ": " + page.Text());
    Run(c);
  }
}

}  // namespace
}  // namespace hoard

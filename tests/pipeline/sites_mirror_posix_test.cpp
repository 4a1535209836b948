// A cache of the portals' and the search service's pages (directory lookups,
// bookmarks, channel redirects, articles, site searches, result pages, a
// hosting counter) linking to each other, converted by the whole program:
// every file lands at the name its URL gives, nothing is lost, and every link
// to a cached page names its file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "html/chromium_probe.h"
#include "html/corpus_support.h"
#include "html/mirror_support.h"
#include "support/nothinglost.h"
#include "support/tempfolder.h"
#include "support/urlgen.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

std::string Amp(std::string url) {
  for (size_t at = url.find('&'); at != std::string::npos; at = url.find('&', at + 5)) {
    url.replace(at, 1, "&amp;");
  }
  return url;
}

struct ServicePage {
  std::string url;    // as the cache log lists it
  std::string place;  // where the mirror keeps it
};

TEST(SitesMirror, ServicePagesLandAtTheirNamesAndLinksBetweenThemResolve) {
  const std::string is = "http://www.infoseek.co.jp/";
  const std::vector<ServicePage> pages = {
      {"http://index.example.jp/lookup.cgi?key=mirror", "dir.example.jp/search/csj_mirror.htm"},
      {"http://navi.ntt.co.jp/genre/NTTDIRUSR/relations.html?keyno=123",
       "navi.ntt.co.jp/genre/NTTDIRUSR/relations/keyno=123.html"},
      {"http://nav.example.jp/service/mybookmark/mybookmark.html?keyno=5",
       "nav.example.jp/service/mybookmark/mybookmark/keyno=5.html"},
      {"http://channel.goo.ne.jp/cgi-bin/redir.cgi?from_url=/top&to_url=/news/today.html",
       "channel.goo.ne.jp/news/today.html"},
      {is + "Content?col=CN&arn=mainichi_mobile_20010101_42",
       "www.infoseek.co.jp/mainichi_mobile/42_20010101.html"},
      {is + "Titles?qt=site:www.example.jp+mirror&nh=25",
       "www.infoseek.co.jp/www.example.jp=/i_mirror.htm"},
      {is + "Topic/12/34", "www.infoseek.co.jp/12/34/index.html"},
      {is + "Titles?qt=mirror&nh=25", "www.infoseek.co.jp/i_mirror.htm"},
      {is + "Titles?qt=mirror&nh=25&st=25", "www.infoseek.co.jp/i_mirror_st=25.htm"},
      {"http://search.goo.ne.jp/default.asp?MT=mirror+words&act.next=1",
       "search.goo.ne.jp/goomirror+words_10.htm"},
      {"http://www.example.jp/cgi/search.gw?search=mirror&start=21",
       "www.example.jp/cgi/x_mirror_s21.htm"},
      {"http://cgi.freehosts.example.jp/cgi-bin/counter.pl?u=m.example.jp&c=3",
       "cgi.freehosts.example.jp/cgi-bin/counter.pl_u=m.example.jp_3"},
  };
  // The links each page writes: every other page, by the URL the log lists,
  // half of them as a page's HTML spells '&'; and two spellings the rules
  // give the same place.
  const std::vector<std::string> otherSpellings = {
      "http://dir.example.jp/search/lookup-main.cgi?key=mirror",
      is + "Titles?nh=25&qt=mirror&col=JW&st=0",
  };
  test::TempFolder folder;
  const std::filesystem::path cache = folder.Path() / "sites-cache";
  std::vector<std::pair<std::string, std::string>> cached;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string html = "<HTML><BODY>page " + std::to_string(i) + "\r\n";
    for (size_t j = 0; j < pages.size(); ++j) {
      if (j == i) continue;
      const std::string& url = pages[j].url;
      html += "<A HREF=\"" + ((i + j) % 2 == 0 ? Amp(url) : url) + "\">p</A>\r\n";
    }
    for (const std::string& url : otherSpellings) html += "<A HREF=\"" + Amp(url) + "\">o</A>\r\n";
    cached.emplace_back(pages[i].url, html + "</BODY></HTML>\r\n");
  }
  test::WritePageCache(cache, cached);

  const test::NothingLost nothingLost(cache);
  test::ConvertInPlace(cache);
  EXPECT_EQ(nothingLost.Check(), "");

  std::set<std::string> names;
  for (const test::FoundFile& file : test::FilesBelow(cache)) {
    if (!file.top && !file.path.ends_with(".bk")) names.insert(file.path);
  }
  for (const ServicePage& page : pages) {
    EXPECT_EQ(names.count(page.place), 1u) << page.url << " is not at " << page.place;
  }
  EXPECT_EQ(names.size(), pages.size());


  const tools::MirrorReport report = tools::CheckMirror(cache);
  // The checker reads the pages named as pages (not the counter).
  size_t named = 0;
  for (const ServicePage& page : pages) named += tools::IsPageName(page.place) ? 1 : 0;
  EXPECT_EQ(report.cachedTargets, named * (pages.size() - 1));
  EXPECT_EQ(report.resolving, report.cachedTargets);
  // Every link, also the other spellings the log does not list, names a
  // page of the mirror once a browser has decoded it.
  size_t links = 0;
  for (const std::string& page : names) {
    const std::string text = tools::detail::ReadAll(cache / page);
    for (size_t at = text.find("HREF=\""); at != std::string::npos; at = text.find("HREF=\"", at + 1)) {
      const size_t end = text.find('"', at + 6);
      const std::string link = test::BrowserDecode(text.substr(at + 6, end - at - 6));
      ++links;
      const std::filesystem::path target =
          (cache / std::filesystem::path(page).parent_path() / link).lexically_normal();
      EXPECT_TRUE(std::filesystem::is_regular_file(target)) << page << " links to " << link;
    }
  }
  EXPECT_EQ(links, pages.size() * (pages.size() - 1 + otherSpellings.size()));
  for (const auto& broken : report.broken) {
    ADD_FAILURE() << broken.page << ": \"" << broken.link << "\" for " << broken.target;
  }
}

// A real browser opens the converted pages: a topic page framing a result
// page and an article, and showing the hosting service's counter, loads
// every cached target.
TEST(SitesMirror, ChromiumLoadsTheCachedFramesAndCounterOfServicePages) {
  if (!std::filesystem::exists(test::kChromium)) {
    GTEST_SKIP() << test::kChromium << " is not installed (scripts/deps.sh native installs it)";
  }
  const std::string is = "http://www.infoseek.co.jp/";
  const std::string counter = "http://cgi.freehosts.example.jp/cgi-bin/counter.pl?u=m.example.jp&c=3";
  const std::string results = is + "Titles?qt=mirror&nh=25";
  const std::string article = is + "Content?col=CN&arn=mainichi_mobile_20010101_42";
  test::TempFolder folder;
  const std::filesystem::path cache = folder.Path() / "sites-cache";
  std::filesystem::create_directories(cache);
  folder.Write("sites-cache/CCHMGR20.DAT", "JustView 2.0 Cache Manager\r\n" + is +
                                               "Topic/12,JCH00001.html\r\n" + results +
                                               ",JCH00002.html\r\n" + article +
                                               ",JCH00003.html\r\n" + counter + ",JCH00004.gif\r\n");
  folder.Write("sites-cache/JCH00001.HTM", "<HTML><FRAMESET COLS=\"50%,50%\"><FRAME SRC=\"" +
                                               Amp(results) + "\"><FRAME SRC=\"" + article +
                                               "\"></FRAMESET></HTML>\r\n");
  const std::string page = "<HTML><BODY><IMG SRC=\"" + Amp(counter) + "\"><A HREF=\"" +
                           Amp(is + "Topic/12") + "\">topic</A></BODY></HTML>\r\n";
  folder.Write("sites-cache/JCH00002.HTM", page);
  folder.Write("sites-cache/JCH00003.HTM", page);
  std::filesystem::copy_file(test::SampleCache("jch-cache") / "JCH00003.GIF", cache / "JCH00004.GIF");

  test::ConvertInPlace(cache);
  const tools::MirrorReport report = tools::CheckMirror(cache);
  EXPECT_EQ(report.resolving, report.cachedTargets);
  std::vector<std::filesystem::path> pages;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(cache)) {
    if (entry.is_regular_file() && entry.path().parent_path() != cache &&
        tools::IsPageName(entry.path().filename().string())) {
      pages.push_back(entry.path());
    }
  }
  std::sort(pages.begin(), pages.end());
  EXPECT_EQ(pages.size(), 3u);
  test::TempFolder profile;
  size_t images = 0;
  size_t frames = 0;
  for (const auto& path : pages) {
    SCOPED_TRACE(path.string());
    const test::Probe probe = test::OpenInChromium(path, profile.Path());
    ASSERT_TRUE(probe.ran) << "Chromium gave no answer for the page";
    images += probe.images;
    frames += probe.frames;
    for (const std::string& failed : probe.failed) {
      const std::string target = std::filesystem::path(failed).lexically_normal().string();
      EXPECT_EQ(report.cachedTargetPaths.count(target), 0u) << "cached target failed to load: " << target;
    }
  }
  EXPECT_EQ(images, 2u);
  EXPECT_EQ(frames, 2u);
}

}  // namespace
}  // namespace hoard

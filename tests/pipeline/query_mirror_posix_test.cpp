// A cache of search-result pages of several services, linking to their next
// pages and to each other, converted by the whole program: every file lands
// at a name of its own, nothing is lost, and every link to a cached page
// names its file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "html/corpus_support.h"
#include "html/mirror_support.h"
#include "support/nothinglost.h"
#include "support/urlgen.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"

namespace hoard {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct CachedPage {
  std::string url;
  std::vector<std::string> links;  // as the page writes them
};

TEST(QueryMirror, EveryResultPageLandsAtItsNameAndEveryLinkFindsIt) {
  const std::string robo = "http://search.example.jp/search-robo1";
  const std::string engine = "http://search.example.jp/search_goo.cgi";
  const std::string board = "http://bbs.example.jp/cgi/thread.cgi";
  const std::string count = "http://search.example.jp/cgi/search.cgi";
  const std::vector<CachedPage> pages = {
      {robo + "?number=10&key=mirror+words", {"search-robo1?key=mirror+words&amp;st=10", engine + "?key=x"}},
      {robo + "?key=mirror+words&st=10", {"search-robo1?number=10&amp;key=mirror+words&amp;st=20"}},
      {robo + "?key=mirror+words&st=20&number=10", {robo + "?number=10&key=mirror+words"}},
      {engine + "?key=x", {"search_goo.cgi?SEARCH=Search&amp;key=x&amp;st=10"}},
      {engine + "?key=x&st=10", {"search_goo.cgi?key=x&amp;comm=off&amp;st=20"}},
      {engine + "?key=x&st=20", {"search_goo.cgi?key=x"}},
      {engine + "?key=averyveryverylongsearchwordindeed&st=10", {"search_goo.cgi?key=averyveryverylongsearchwordindeed&amp;st=20"}},
      {engine + "?key=averyveryverylongsearchwordindeed&st=20", {"search_goo.cgi?key=averyveryverylongsearchwordindeed&amp;st=10"}},
      {board + "?user_id=ABC12345&page=2", {"thread.cgi?user_id=ABC12345&amp;dp_flg=1&amp;page=3"}},
      {board + "?user_id=ABC12345&page=3", {"thread.cgi?user_id=ABC12345&amp;def=10&amp;page=2"}},
      {count + "?log=0&query=abc&st=10", {"search.cgi?query=abc&amp;st=10&amp;log=0"}},
  };
  test::TempFolder folder;
  const std::filesystem::path cache = folder.Path() / "query-cache";
  std::vector<std::pair<std::string, std::string>> cached;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string html = "<HTML><BODY>page " + std::to_string(i) + "\r\n";
    for (const std::string& link : pages[i].links) html += "<A HREF=\"" + link + "\">next</A>\r\n";
    cached.emplace_back(pages[i].url, html + "</BODY></HTML>\r\n");
  }
  test::WritePageCache(cache, cached);

  const test::NothingLost nothingLost(cache);
  test::ConvertInPlace(cache);
  const std::filesystem::path& mirror = cache;
  EXPECT_EQ(nothingLost.Check(), "");

  // Every page has a file of its own in the mirror.
  std::set<std::string> names;
  size_t mirrored = 0;
  for (const test::FoundFile& file : test::FilesBelow(mirror)) {
    if (file.top || file.path.ends_with(".bk")) continue;
    ++mirrored;
    EXPECT_TRUE(names.insert(file.path).second) << file.path;
  }
  EXPECT_EQ(mirrored, pages.size());

  const tools::MirrorReport report = tools::CheckMirror(mirror);
  EXPECT_GT(report.cachedTargets, 0u);
  EXPECT_EQ(report.resolving, report.cachedTargets);
  // Every link names a page of the mirror, also those that spell a cached
  // page's parameters otherwise than the cache log does.
  size_t links = 0;
  for (const std::string& page : names) {
    const std::string text = ReadText(mirror / page);
    for (size_t at = text.find("HREF=\""); at != std::string::npos; at = text.find("HREF=\"", at + 1)) {
      const size_t end = text.find('"', at + 6);
      const std::string link = test::BrowserDecode(text.substr(at + 6, end - at - 6));
      ++links;
      const std::filesystem::path target =
          (mirror / std::filesystem::path(page).parent_path() / link).lexically_normal();
      EXPECT_TRUE(std::filesystem::is_regular_file(target)) << page << " links to " << link;
    }
  }
  size_t written = 0;
  for (const CachedPage& cached : pages) written += cached.links.size();
  EXPECT_EQ(links, written);
  for (const auto& broken : report.broken) {
    ADD_FAILURE() << broken.page << ": \"" << broken.link << "\" for " << broken.target;
  }
}

}  // namespace
}  // namespace hoard

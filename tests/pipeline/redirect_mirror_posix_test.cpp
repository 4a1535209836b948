// A cache whose log lists redirector URLs, and a page that links through
// redirectors: every file lands at its target's place and every link to a
// cached target names its file; a broken file is logged under its target.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "html/mirror_support.h"
#include "store/contentcheck.h"
#include "support/tempfolder.h"
#include "tools/mirrorcheck.h"
#include "urlmap/sitetable.h"

namespace hoard {
namespace {

std::string Http(SiteHost SiteTable::*host) {
  return "http://" + std::string((Sites().*host).text);
}

TEST(UnwrapRedirect, RedirectorEntriesLandAtTheirTargetsAndLinksFindThem) {
  // Several kinds of redirector: a target followed by '&', an escaped one,
  // one with an "sv=" tail, one whose target has a query.
  const std::string plain = Http(&SiteTable::iItalianHost) +
                            "/cgi/go.pl?http://t.example.jp/a/page.html&from=top";
  const std::string escaped = Http(&SiteTable::gCategoryHost) +
                              "/cgi-bin/redir.cgi?DEST=http%3A%2F%2Ft.example.jp%2Fb%2Fnews.html";
  const std::string tail = "https://" + std::string(Sites().pTransferHost.text) +
                           "/cgi/transfer.pl?goto=http://t.example.jp/c/list.html&sv=2";
  const std::string query = Http(&SiteTable::yJapaneseHost) +
                            "/remote/?http://t.example.jp/d/find.cgi?k=1";
  // A broken image is logged under its target.
  const std::string image = Http(&SiteTable::gCategoryHost) +
                            "/cgi-bin/redir.cgi?DEST=http%3A%2F%2Ft.example.jp%2Fb%2Fbroken.gif";

  test::TempFolder source;
  const std::filesystem::path cache = source.Path() / "redirect-cache";
  std::filesystem::create_directories(cache);
  auto write = [&cache](const std::string& name, const std::string& bytes) {
    std::ofstream(cache / name, std::ios::binary) << bytes;
  };
  write("CCHMGR20.DAT", "JustView 2.0 Cache Manager\r\n"
                        "http://h.example.jp/index.html,JCH00001.html\r\n" +
                            plain + ",JCH00002.html\r\n" + escaped + ",JCH00003.html\r\n" +
                            tail + ",JCH00004.html\r\n" + query + ",JCH00005.html\r\n" +
                            image + ",JCH00006.gif\r\n");
  std::filesystem::copy_file(test::SampleCache("special-cache") / "JCH00005.GIF",
                             cache / "JCH00006.GIF");
  std::string amp = plain;
  amp.replace(amp.find('&'), 1, "&amp;");
  write("JCH00001.HTM", "<HTML><BODY><A HREF=\"" + amp + "\">a</A><A HREF=\"" + escaped +
                            "\">b</A><A HREF=\"" + query + "\">d</A><A HREF=\"" + tail +
                            "\">c</A></BODY></HTML>");
  for (const char* name : {"JCH00002.HTM", "JCH00003.HTM", "JCH00004.HTM", "JCH00005.HTM"}) {
    write(name, "<HTML><BODY>target</BODY></HTML>");
  }

  test::TempFolder folder;
  const std::filesystem::path mirror = test::ConvertCopy(cache, folder, kBrokenImageRecycle);
  for (const char* place : {"t.example.jp/a/page.html", "t.example.jp/b/news.html"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(mirror / place)) << place;
  }
  EXPECT_TRUE(std::filesystem::is_directory(mirror / "t.example.jp/c"));
  EXPECT_TRUE(std::filesystem::is_directory(mirror / "t.example.jp/d"));
  for (int i = 2; i <= 5; ++i) {
    EXPECT_FALSE(std::filesystem::exists(mirror / ("JCH0000" + std::to_string(i) + ".HTM")));
  }

  const std::string detectionLog = tools::detail::ReadAll(mirror / "h-hoard.csv");
  const std::string line = "\nhttp://t.example.jp/b/broken.gif,JCH00006.GIF,";
  EXPECT_NE(detectionLog.find(line), std::string::npos) << detectionLog;

  const tools::MirrorReport report = tools::CheckMirror(mirror);
  EXPECT_EQ(report.cachedTargets, 4u);
  EXPECT_EQ(report.leftOnline, 0u);
  std::string broken;
  for (const auto& b : report.broken) broken += b.link + " for " + b.target + "\n";
  EXPECT_TRUE(report.broken.empty()) << broken;
}

}  // namespace
}  // namespace hoard

// The mirror index and the list of what the cache is missing, on a small
// generated site whose missing targets are known: converted by the program,
// then the list read back and the index opened in headless Chromium.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/posix/indexpage.h"
#include "html/chromium_probe.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

using test::ReadFileBytes;
using test::WriteFileBytes;
// Three pages on two hosts and one image; the links name five targets the
// cache does not hold, one of them twice, besides cached ones, a fragment, a
// mail address and a script.
void WriteSite(const fs::path& cache) {
  fs::create_directories(cache);
  WriteFileBytes(cache / "CCHMGR20.DAT",
             "JustView 2.0 Cache Manager\r\n"
             "http://a.example.jp/index.html,JCH00001.html\r\n"
             "http://a.example.jp/sub/page.html,JCH00002.html\r\n"
             "http://b.example.jp/,JCH00003.html\r\n"
             "http://a.example.jp/logo.gif,JCH00004.gif\r\n");
  // トップ in Shift_JIS, named by the page.
  WriteFileBytes(cache / "JCH00001.HTM",
             "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
             "charset=Shift_JIS\"><TITLE>\x83\x67\x83\x62\x83\x76</TITLE></HEAD><BODY>\r\n"
             "<A HREF=\"sub/page.html\">sub</A> <A HREF=\"gone.html\">gone</A>\r\n"
             "<A HREF=\"http://b.example.jp/\">b</A> <A HREF=\"http://c.example.jp/x.html\">c</A>\r\n"
             "<IMG SRC=\"img/pic.gif\"> <IMG SRC=\"logo.gif\">\r\n"
             "<A HREF=\"#top\">top</A> <A HREF=\"mailto:x@example.jp\">mail</A>\r\n"
             "<A HREF=\"javascript:void(0)\">js</A>\r\n</BODY></HTML>\r\n");
  // ニュース in EUC-JP, not named.
  WriteFileBytes(cache / "JCH00002.HTM",
             "<HTML><HEAD><TITLE>\xA5\xCB\xA5\xE5\xA1\xBC\xA5\xB9</TITLE></HEAD><BODY>\r\n"
             "<A HREF=\"../gone.html\">gone</A> <A HREF=\"/abs/missing.html\">abs</A>\r\n"
             "<A HREF=\"../index.html\">up</A>\r\n</BODY></HTML>\r\n");
  WriteFileBytes(cache / "JCH00003.HTM",
             "<HTML><HEAD><TITLE>B &amp; C</TITLE></HEAD><BODY>\r\n"
             "<A HREF=\"http://a.example.jp/sub/page.html\">a</A> <A HREF=\"nothere.htm\">no</A>\r\n"
             "</BODY></HTML>\r\n");
  fs::copy_file(fs::path(HOARD_SOURCE_DIR) / "examples/special-cache/JCH00004.GIF",
                cache / "JCH00004.GIF");
}

// The missing list as URL → "host,links".
std::map<std::string, std::string> ReadMissingList(const fs::path& csv) {
  std::map<std::string, std::string> rows;
  std::istringstream lines(ReadFileBytes(csv));
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) fields.push_back(cell);
    if (fields.size() >= 3) rows[fields[0]] = fields[1] + "," + fields[2];
  }
  return rows;
}

class MirrorIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::BuiltProgramPath())) {
      GTEST_SKIP() << "the hoard-hoard program is not built beside the tests";
    }
  }
  test::TempFolder work_;
  test::TempFolder config_;
};

TEST_F(MirrorIndexTest, MissingListHoldsExactlyTheTargetsTheCacheNeverHeld) {
  const std::map<std::string, std::string> expected = {
      {"http://a.example.jp/abs/missing.html", "a.example.jp,1"},
      {"http://a.example.jp/gone.html", "a.example.jp,2"},
      {"http://a.example.jp/img/pic.gif", "a.example.jp,1"},
      {"http://b.example.jp/nothere.htm", "b.example.jp,1"},
      {"http://c.example.jp/x.html", "c.example.jp,1"},
  };
  struct Case {
    const char* what;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"pages rewritten, backups deleted", {"--delete-backups"}},
      {"pages rewritten, backups kept", {"--keep-backups"}},
      {"links left as they were", {"--no-links"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path relative = fs::path("caches") / c.what;  // from where the program starts
    const fs::path cache = work_.Path() / relative;
    WriteSite(cache);
    std::vector<std::string> args = c.args;
    args.push_back(relative.string());
    const test::ProgramResult run = test::RunBuiltProgram(work_.Path(), config_.Path(), args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadMissingList(cache / "h-hoard-missing.csv"), expected);
    const std::string index = ReadFileBytes(cache / "h-hoard-index.html");
    for (const char* shown : {"\xE3\x83\x88\xE3\x83\x83\xE3\x83\x97",  // トップ
                              "\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9",  // ニュース
                              "B &amp; C", ">not in the cache<", "gone.html <small>2 links"}) {
      EXPECT_NE(index.find(shown), std::string::npos) << shown;
    }
  }
}

TEST_F(MirrorIndexTest, FilesOfTheUsersOwnAreNeverReplaced) {
  const std::string users = "my own notes\n";
  struct Case {
    const char* what;
    bool indexIsUsers;
    bool listIsUsers;
  };
  const Case cases[] = {
      {"an index page of the user's", true, false},
      {"a missing list of the user's", false, true},
      {"both the program's from an earlier run", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path cache = work_.Path() / c.what;
    WriteSite(cache);
    WriteFileBytes(cache / "h-hoard-index.html",
               c.indexIsUsers ? users : std::string(app::kIndexPageMark) + "old\n");
    WriteFileBytes(cache / "h-hoard-missing.csv",
               c.listIsUsers ? users : std::string(app::kMissingListHeader) + "old\n");
    const test::ProgramResult run =
        test::RunBuiltProgram(work_.Path(), config_.Path(), {cache.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string index = ReadFileBytes(cache / "h-hoard-index.html");
    const std::string list = ReadFileBytes(cache / "h-hoard-missing.csv");
    EXPECT_EQ(index == users, c.indexIsUsers);
    EXPECT_EQ(list == users, c.listIsUsers);
    EXPECT_EQ(index.find("gone.html") != std::string::npos, !c.indexIsUsers);
    EXPECT_EQ(list.find("gone.html") != std::string::npos, !c.listIsUsers);
    EXPECT_EQ(run.err.find("not the program's own file") != std::string::npos,
              c.indexIsUsers || c.listIsUsers)
        << run.err;
    size_t leftovers = 0;  // temporary files
    for (const auto& entry : fs::directory_iterator(cache)) {
      leftovers += entry.path().filename().string().find(".html.") != std::string::npos ||
                   entry.path().filename().string().find(".csv.") != std::string::npos;
    }
    EXPECT_EQ(leftovers, 0u);
  }
}

TEST_F(MirrorIndexTest, RunsThatNameTheReportFilesAsCacheFilesLeaveThemAlone) {
  const fs::path cache = work_.Path() / "cache";
  WriteSite(cache);
  ASSERT_EQ(test::RunBuiltProgram(work_.Path(), config_.Path(), {cache.string()}).status, 0);
  // As a shell's "cache/*" names them, with settings that would change a page.
  std::vector<std::string> args = {"--keep-backups", "--lf-to-cr"};
  for (const auto& entry : fs::directory_iterator(cache)) {
    if (entry.is_regular_file()) args.push_back(entry.path().string());
  }
  const test::ProgramResult run = test::RunBuiltProgram(work_.Path(), config_.Path(), args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.find("not the program's own"), std::string::npos) << run.err;
  std::vector<std::string> reports;
  for (const auto& entry : fs::directory_iterator(cache)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("h-hoard", 0) == 0) reports.push_back(name);
  }
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(reports, (std::vector<std::string>{"h-hoard-index.html", "h-hoard-manifest.csv",
                                               "h-hoard-missing.csv"}));
  EXPECT_EQ(ReadFileBytes(cache / "h-hoard-index.html").rfind(app::kIndexPageMark, 0), 0u);
}

// Every link of the index, fetched by the browser from the page itself.
constexpr const char* kLinkProbe =
    "<script>window.addEventListener('load',function(){var bad=[],n=0;"
    "var as=document.querySelectorAll('a[href]');"
    "for(var i=0;i<as.length;i++){var u=as[i].href.split('#')[0];"
    "if(u.indexOf('file:')!==0)continue;n++;"
    "try{var x=new XMLHttpRequest();x.open('GET',u,false);x.send();"
    "if(x.responseText.length===0)bad.push(u);}catch(e){bad.push(u);}}"
    "var p=document.createElement('pre');p.id='hoard-links';"
    "p.textContent='HOARD-LINKS '+n+' '+document.title+' '+bad.join(' ');"
    "document.documentElement.appendChild(p);});</script>";

TEST_F(MirrorIndexTest, IndexOpensInChromiumAndEveryLinkLoads) {
  if (!fs::exists(test::kChromium)) {
    GTEST_SKIP() << test::kChromium << " is not installed (scripts/deps.sh all installs it)";
  }
  const fs::path cache = work_.Path() / "cache";
  WriteSite(cache);
  ASSERT_EQ(test::RunBuiltProgram(work_.Path(), config_.Path(), {cache.string()}).status, 0);
  const fs::path probePage = cache / "index-probe.html";
  WriteFileBytes(probePage, ReadFileBytes(cache / "h-hoard-index.html") + kLinkProbe);
  test::TempFolder profile;
  const std::string dom = test::Run(
      std::string("timeout 60 ") + test::kChromium +
      " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
      " --disable-component-update --disable-sync --allow-file-access-from-files"
      " --virtual-time-budget=3000 --user-data-dir='" + profile.Path().string() +
      "' --dump-dom 'file://" + probePage.string() + "' 2>/dev/null");
  const size_t at = dom.find("id=\"hoard-links\">HOARD-LINKS ");
  ASSERT_NE(at, std::string::npos) << "Chromium gave no answer for the index";
  const size_t start = dom.find('>', at) + 1;
  const std::string line = dom.substr(start, dom.find("</pre>", start) - start);
  // The "not in the cache" anchor, two hosts, three pages, the six pages
  // that link to the five missing targets: all load, none is left over.
  EXPECT_EQ(line, "HOARD-LINKS 12 Mirror index ") << line;
  // The Japanese titles arrive as text, not as mojibake.
  EXPECT_NE(dom.find("\xE3\x83\x8B\xE3\x83\xA5\xE3\x83\xBC\xE3\x82\xB9"), std::string::npos);
}

}  // namespace
}  // namespace hoard

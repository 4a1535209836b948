// A cache folder may come from anywhere and hold anything: whole batches over
// folders with links to elsewhere, pages cut short by a killed run, and full
// disks. Nothing outside the cache folder may change, and every cache file
// must stay whole somewhere.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "app/run.h"
#include "pipeline/convert.h"
#include "pipeline/detectionlog.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "html/rewriter_support.h"
#include "support/guards.h"
#include "support/nothinglost.h"
#include "support/samplecache.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

using test::Snapshot;

class SafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetConversionRun();
    GoWithoutDomainTable();
  }
  void TearDown() override {
    scripted::Reset();
    ResetDetectionLog();
    ResetProcessDomainTable();
    ResetConversionRun();
  }
  static int RunFolder(const fs::path& folder) {
    std::string text = folder.string() + "/";
    app::ArgList args;
    args.items[args.count++] = text.data();
    return app::RunArguments(args);
  }
  test::CurrentFolderGuard guard_;
};

TEST_F(SafetyTest, LinksInTheCacheFolderNeverLeadAChangeOutsideIt) {
  struct Case {
    const char* what;
    const char* linkName;  // in the cache folder, leading to `outside`
    const char* linkTarget;
    const char* cacheLog;
  };
  const Case cases[] = {
      {"a host folder that is a link", "a.example", "", "http://a.example/page.html,JCH00001.html\r\n"},
      {"a deeper folder that is a link", "a.example", "",
       "http://a.example/sub/page.html,JCH00001.html\r\n"},
      {"a cache file that is a link", "JCH00002.HTM", "old.html",
       "http://a.example/page.html,JCH00001.html\r\nhttp://a.example/b.html,JCH00002.html\r\n"},
      {"the detection log that is a link", "h-hoard.csv", "old.html",
       "http://a.example/page.html,JCH00001.html\r\nhttp://a.example/dot.gif,JCH00003.gif\r\n"},
      {"a place in the mirror that is a link", "JCH00001.HTM", "",
       "http://b.example/page.html,JCH00001.html\r\n"},
  };
  test::ModeGuard mode(kBrokenImageReport);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder cache;
    test::TempFolder outside;
    outside.Write("page.html", "<html>an older copy of someone else's</html>");
    outside.Write("old.html", "<html><a href=\"http://a.example/x.html\">x</a></html>");
    fs::create_directory(outside.Path() / "sub");
    outside.Write("sub/page.html", "<html>another older copy</html>");
    cache.Write("CCHMGR20.DAT", c.cacheLog);
    cache.Write("JCH00001.HTM", "<html><a href=\"http://a.example/next.html\">n</a></html>");
    cache.Write("JCH00003.GIF", "GIF89a cut short");
    if (std::string(c.what) == "a place in the mirror that is a link") {
      fs::create_directories(cache.Path() / "b.example");
      fs::create_symlink(outside.Path() / "page.html", cache.Path() / "b.example" / "page.html");
    } else {
      fs::create_symlink(outside.Path() / c.linkTarget, cache.Path() / c.linkName);
    }
    const auto before = Snapshot(outside.Path());
    test::NothingLost lost(cache.Path());
    EXPECT_EQ(RunFolder(cache.Path()), 0);
    EXPECT_EQ(Snapshot(outside.Path()), before);
    EXPECT_EQ(lost.Check(), "");
    // The page that could not be placed, or the link itself, stays put.
    EXPECT_TRUE(fs::is_symlink(cache.Path() / c.linkName) ||
                fs::is_symlink(cache.Path() / "b.example" / "page.html"));
    ResetConversionRun();
  }
}

TEST_F(SafetyTest, ALaterRunRepairsWhatAKilledRunLeft) {
  test::TempFolder cache;
  test::TempFolder outside;
  const std::string part = std::string(kUnfinishedSuffix);
  struct Entry {
    const char* what;
    std::string name;
    const char* before;  // nullptr: absent
    const char* after;
  };
  const Entry entries[] = {
      {"a whole new page takes its free name", "a.example/p.html" + part, "new p", nullptr},
      {"", "a.example/p.html", nullptr, "new p"},
      {"its old page stays as the backup", "a.example/p.html.bk", "old p", "old p"},
      {"a cut new page beside its untouched page goes", "a.example/q.html" + part, "ne", nullptr},
      {"", "a.example/q.html", "old q", "old q"},
      {"the latest detection log wins", "h-hoard.csv" + part, "latest log", nullptr},
      {"", "h-hoard.csv", "older log", "latest log"},
      {"the spare file a run held goes", "a.example/hoard:spare", "old r", nullptr},
  };
  fs::create_directories(cache.Path() / "a.example");
  for (const Entry& e : entries) {
    if (e.before != nullptr) cache.Write(e.name, e.before);
  }
  outside.Write("x.html" + part, "not ours");
  outside.Write("hoard:spare", "not ours");
  fs::create_symlink(outside.Path(), cache.Path() / "b.example");
  cache.Write("CCHMGR20.DAT", "http://c.example/page.html,JCH00001.html\r\n");
  cache.Write("JCH00001.HTM", "<html>a page</html>");
  EXPECT_EQ(RunFolder(cache.Path()), 0);
  for (const Entry& e : entries) {
    SCOPED_TRACE(e.name);
    if (e.after == nullptr) {
      EXPECT_FALSE(cache.Exists(e.name));
    } else {
      EXPECT_EQ(cache.Read(e.name), e.after);
    }
  }
  EXPECT_EQ(outside.Read("x.html" + part), "not ours");
  EXPECT_EQ(outside.Read("hoard:spare"), "not ours");
}

// A batch writes a later page's new text into the file of a page it
// replaced, but only into one whose bytes no one else sees: a file with a
// second name (a snapshot made with hard links) or an access of its own
// is never written again.
TEST_F(SafetyTest, AReplacedPagesFileIsReusedOnlyWhenItsBytesAreNoOneElses) {
  test::TempFolder cache;
  test::TempFolder snapshot;
  const mode_t mask = umask(0);
  umask(mask);
  const auto newAccess = static_cast<fs::perms>(0666 & ~mask);
  constexpr int kPages = 6;
  std::string log;
  std::map<std::string, std::string> pages;  // mirror path, old bytes
  for (int i = 1; i <= kPages; ++i) {
    const std::string name = "JCH0000" + std::to_string(i) + ".HTM";
    const std::string mirror = "a.example/d" + std::to_string(i % 2) + "/p" + std::to_string(i);
    // Each page shorter than the one before, whose file it may be written
    // over.
    pages[mirror + ".html"] = "<html><a href=\"http://a.example/d0/p" + std::to_string(i + 1) +
                              ".html\">next</a>" + std::string(1000 - 100 * i, '.') + "</html>";
    cache.Write(name, pages[mirror + ".html"]);
    log += "http://" + mirror + ".html," + name.substr(0, 8) + ".html\r\n";
  }
  cache.Write("CCHMGR20.DAT", log);
  for (const char* name : {"JCH00002.HTM", "JCH00004.HTM"}) {
    fs::create_hard_link(cache.Path() / name, snapshot.Path() / name);
  }
  fs::permissions(cache.Path() / "JCH00003.HTM", newAccess ^ fs::perms::others_read,
                  fs::perm_options::replace);
  const auto before = Snapshot(snapshot.Path());
  Options options = test::LinksOnly();
  options.DeleteBackup = 1;
  {
    test::ScopedOptions scoped(options);
    EXPECT_EQ(RunFolder(cache.Path()), 0);
  }
  EXPECT_EQ(Snapshot(snapshot.Path()), before);
  for (const auto& [mirror, old] : pages) {
    SCOPED_TRACE(mirror);
    ASSERT_TRUE(cache.Exists(mirror));
    std::string expected = old;
    const std::string absolute = "http://a.example/d0/";
    expected.replace(expected.find(absolute), absolute.size(), "../d0/");
    EXPECT_EQ(cache.Read(mirror), expected);
    EXPECT_EQ(fs::status(cache.Path() / mirror).permissions(), newAccess);
  }
  for (const auto& item : fs::recursive_directory_iterator(cache.Path())) {
    EXPECT_NE(item.path().filename(), "hoard:spare");
  }
}

}  // namespace
}  // namespace hoard

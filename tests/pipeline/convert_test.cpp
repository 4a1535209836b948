#include "pipeline/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/progress.h"
#include "app/run.h"
#include "html/corpus_support.h"
#include "pipeline/detectionlog.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "support/bytes.h"
#include "support/guards.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

// 2001-04-01 12:00:00 UTC, the time every file of a golden run carries.
constexpr FileTime kFixedTime = (986'126'400ull + 11'644'473'600ull) * 10'000'000ull;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Every file below `root` as "relative/path size", sorted; '/' on every
// platform.
std::string Listing(const fs::path& root) {
  std::vector<std::string> lines;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    lines.push_back(fs::relative(entry.path(), root).generic_string() + " " +
                    std::to_string(entry.file_size()));
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    ResetDetectionLog();
    GoWithoutDomainTable();
    AbortRequested = 0;
    test::SetBrokenImageMode(kBrokenImageOff);
  }
  void TearDown() override {
    ResetProcessDomainTable();
    ResetDetectionLog();
    test::SetBrokenImageMode(kBrokenImageOff);
  }

  // A copy of a sample cache with every file at the fixed time.
  fs::path CopySample(const char* name) {
    const fs::path cache = work_.Path() / name;
    fs::copy(fs::path(HOARD_SOURCE_DIR) / "examples" / name, cache, fs::copy_options::recursive);
    for (const fs::directory_entry& entry : fs::directory_iterator(cache)) {
      FileRef ref;
      MakeFileRef(entry.path().string().c_str(), ref);
      SetModificationTime(ref, kFixedTime);
    }
    return cache;
  }

  int RunFolder(const fs::path& folder) {
    std::string path = folder.string();
    app::ArgList args;
    args.items[args.count++] = path.data();
    return app::RunArguments(args);
  }

  int RunFiles(std::vector<std::string> paths) {
    app::ArgList args;
    for (std::string& path : paths) args.items[args.count++] = path.data();
    return app::RunArguments(args);
  }

  void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  test::CurrentFolderGuard guard_;
  test::TempFolder work_;
};

void ExpectGolden(const std::string& actual, const char* goldenName) {
  const fs::path golden = fs::path(HOARD_TEST_DATA_DIR) / "golden" / goldenName;
  const std::string expected = ReadAll(golden);
  const size_t at = test::FirstDifference(actual, expected);
  EXPECT_EQ(at, std::string::npos)
      << goldenName << " differs at byte " << at << "\n--- actual\n" << actual
      << "--- expected\n" << expected;
}

TEST_F(ConvertTest, TheSampleCacheBecomesTheGoldenMirrorAndDetectionLog) {
  test::SetBrokenImageMode(kBrokenImageReport);
  const fs::path cache = CopySample("special-cache");
  EXPECT_EQ(RunFolder(cache), 0);
  ExpectGolden(Listing(cache), "special-cache.listing");
  ExpectGolden(ReadAll(cache / "h-hoard.csv"), "special-cache.h-hoard.csv");
  // Two broken images were reported; the question offers the log.
  ASSERT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(scripted::Messages()[0].buttons, platform::Buttons::kYesNo);
}

TEST_F(ConvertTest, HeadersAreCutOnTheWayIntoTheMirror) {
  const fs::path cache = CopySample("special-cache");
  const std::string stored = ReadAll(cache / "JCH00002.HTM");
  const std::string mac = ReadAll(cache / "JCH00003.HTM");
  EXPECT_EQ(RunFolder(cache), 0);
  const std::string body = ReadAll(cache / "special.example.jp" / "stored.html");
  EXPECT_EQ(stored.substr(stored.size() - body.size()), body);
  EXPECT_EQ(body.rfind("<HTML>", 0), 0u);
  const std::string page = ReadAll(cache / "special.example.jp" / "mac" / "page.html");
  EXPECT_EQ(mac.substr(128, page.size()), page);
  EXPECT_EQ(page.rfind("<HTML>", 0), 0u);
  EXPECT_EQ(page.find("resource fork"), std::string::npos);
}

TEST_F(ConvertTest, FilesOutsideTheLogStayWhereTheyAre) {
  const fs::path cache = CopySample("special-cache");
  const std::string notes = ReadAll(cache / "notes.html");
  const std::string stale = ReadAll(cache / "JCH00098.HTM");
  Write(cache / "h-hoard.csv", "an older detection log\r\n");
  EXPECT_EQ(RunFolder(cache), 0);
  EXPECT_EQ(ReadAll(cache / "notes.html"), notes);    // the user's own page
  EXPECT_EQ(ReadAll(cache / "JCH00098.HTM"), stale);  // its log entry is gone
  EXPECT_EQ(ReadAll(cache / "CCHMGR20.DAT").substr(0, 8), "JustView");
  // No broken file: the detection log is not opened again.
  EXPECT_EQ(ReadAll(cache / "h-hoard.csv"), "an older detection log\r\n");
}

TEST_F(ConvertTest, AHostAloneBecomesIndexHtmlAndALongHostIsShortened) {
  const fs::path cache = CopySample("special-cache");
  EXPECT_EQ(RunFolder(cache), 0);
  EXPECT_TRUE(fs::exists(cache / "special.example.jp" / "index.html"));
  // a-very-long-host-name.web.example.co.jp loses labels until it fits 31.
  EXPECT_TRUE(fs::exists(cache / "web.example.co.jp" / "dir" / "page.html"));
}

TEST_F(ConvertTest, TheCacheLogGivenFirstIsPassedOver) {
  const fs::path cache = CopySample("special-cache");
  EXPECT_EQ(RunFiles({(cache / "CCHMGR20.DAT").string(), (cache / "JCH00004.GIF").string()}), 0);
  EXPECT_TRUE(fs::exists(cache / "CCHMGR20.DAT"));
  EXPECT_TRUE(fs::exists(cache / "special.example.jp" / "ok.gif"));
}

TEST_F(ConvertTest, ANewerMirrorCopyStaysAndAnOlderOneIsReplaced) {
  struct Case {
    const char* what;
    FileTime mirrorTime;
    std::string mirrorContent;
    bool mirrorKept;
  };
  const Case cases[] = {
      {"newer and not empty: kept", kFixedTime + 10'000'000, "newer copy", true},
      {"older: replaced", kFixedTime - 10'000'000, "older copy", false},
      {"newer but empty: replaced", kFixedTime + 10'000'000, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(work_.Path() / "special-cache");
    const fs::path cache = CopySample("special-cache");
    const std::string cached = ReadAll(cache / "JCH00004.GIF");
    const fs::path mirror = cache / "special.example.jp" / "ok.gif";
    Write(mirror, c.mirrorContent);
    FileRef mirrorRef;
    MakeFileRef(mirror.string().c_str(), mirrorRef);
    SetModificationTime(mirrorRef, c.mirrorTime);
    EXPECT_EQ(RunFiles({(cache / "JCH00004.GIF").string()}), 0);
    EXPECT_EQ(ReadAll(mirror), c.mirrorKept ? c.mirrorContent : cached);
    EXPECT_FALSE(fs::exists(cache / "JCH00004.GIF"));
    EXPECT_FALSE(fs::exists(cache / "ok.gif"));
  }
}

TEST_F(ConvertTest, BrokenImagesFollowTheBrokenImageSetting) {
  struct Case {
    const char* what;
    int mode;
    int brokenCount;          // lines in the detection log
    bool inCache;             // the broken GIF under its cache name
    bool inMirror;            // the broken GIF in the mirror
  };
  const Case cases[] = {
      {"detection off: moved, never logged", kBrokenImageOff, 0, false, true},
      {"delete: deleted in the cache folder before the move", kBrokenImageDelete, 2, false,
       false},
      {"recycle bin: moved, then recycled from the mirror", kBrokenImageRecycle, 2, false, false},
      {"report only: found before the move, left in the cache and logged", kBrokenImageReport,
       2, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A folder batch leaves the cache folder current; Windows removes no
    // folder that is some process's current one.
    fs::current_path(work_.Path());
    fs::remove_all(work_.Path() / "special-cache");
    scripted::Reset();
    ResetDetectionLog();
    test::SetBrokenImageMode(c.mode);
    const fs::path cache = CopySample("special-cache");
    EXPECT_EQ(RunFolder(cache), 0);
    EXPECT_EQ(fs::exists(cache / "JCH00005.GIF"), c.inCache);
    EXPECT_EQ(fs::exists(cache / "special.example.jp" / "broken.gif"), c.inMirror);
    const std::string log = fs::exists(cache / "h-hoard.csv") ? ReadAll(cache / "h-hoard.csv") : "";
    const auto lines = std::count(log.begin(), log.end(), '\n');
    EXPECT_EQ(lines, c.brokenCount == 0 ? 0 : c.brokenCount + 1);  // and the header
    EXPECT_EQ(scripted::Messages().size(), c.brokenCount == 0 ? 0u : 1u);
  }
}

TEST_F(ConvertTest, APageWhoseTablesWereClosedIsLoggedAsRepaired) {
  Options& options = CurrentOptions();
  const Options saved = options;
  options.EditLinks = 1;
  options.FixTableEnds = 1;
  const fs::path cache = CopySample("special-cache");
  Write(cache / "JCH00002.HTM", "<HTML><TABLE><TR><TD>cut");
  EXPECT_EQ(RunFolder(cache), 0);
  options = saved;
  EXPECT_EQ(ReadAll(cache / "special.example.jp" / "stored.html"),
            "<HTML><TABLE><TR><TD>cut\r\n\r\n</TABLE>");
  const std::string log = ReadAll(cache / "h-hoard.csv");
  EXPECT_NE(log.find("\nhttp://special.example.jp/stored.html,JCH00002.HTM,"), std::string::npos)
      << log;
}

TEST_F(ConvertTest, AFileBearingTheLocalNameInTheCacheFolderIsNeverReplaced) {
  const fs::path cache = CopySample("special-cache");
  Write(cache / "ok.gif", "a file of the user's own");
  EXPECT_EQ(RunFiles({(cache / "JCH00004.GIF").string()}), 0);
  EXPECT_EQ(ReadAll(cache / "ok.gif"), "a file of the user's own");
  EXPECT_TRUE(fs::exists(cache / "JCH00004.GIF"));  // waits under its cache name
}

TEST_F(ConvertTest, AFileWhereAFolderMustGoBecomesThatFoldersIndex) {
  const fs::path cache = CopySample("special-cache");
  Write(cache / "special.example.jp", "mirrored earlier from http://special.example.jp");
  EXPECT_EQ(RunFiles({(cache / "JCH00004.GIF").string()}), 0);
  EXPECT_EQ(ReadAll(cache / "special.example.jp" / "index.html"),
            "mirrored earlier from http://special.example.jp");
  EXPECT_TRUE(fs::exists(cache / "special.example.jp" / "ok.gif"));
}

// Within a batch the folder answers are kept: a "not a folder" given to one
// page's link goes once a later file makes that folder, also where two
// pages' links climb to it from different folders.
TEST(ConvertBatch, ALinkToAFolderMadeLaterInTheBatchNamesItsPage) {
  test::TempFolder folder;
  const fs::path cache = folder.Path() / "cache";
  const std::string link = "<A HREF=\"../b\">b</A>\r\n";
  test::WritePageCache(cache, {{"http://host.jp/a/p1.html", "<HTML>" + link + "</HTML>"},
                               {"http://host.jp/b/index.html", "<HTML>b</HTML>"},
                               {"http://host.jp/c/p3.html", "<HTML>" + link + "</HTML>"}});
  test::ConvertInPlace(cache);
  // The first page was rewritten before the folder was there.
  EXPECT_EQ(folder.Read("cache/host.jp/a/p1.html"), "<HTML>" + link + "</HTML>");
  EXPECT_EQ(folder.Read("cache/host.jp/c/p3.html"),
            "<HTML><A HREF=\"../b/index.html\">b</A>\r\n</HTML>");
}

}  // namespace
}  // namespace hoard

// Whole conversions checked for lost cache files: the sample caches, a cache
// of the hard cases, and conversions that fail on the way (a folder that
// cannot be made, an abort in the middle).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/progress.h"
#include "app/prompts.h"
#include "app/run.h"
#include "pipeline/convert.h"
#include "pipeline/detectionlog.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "support/guards.h"
#include "support/nothinglost.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

// A stored response header in front of a page.
const std::string kHeaderPage =
    "HTTP/1.0 200 OK\r\nDate: Sun, 01 Apr 2001 00:00:00 GMT\r\nServer: httpd\r\n"
    "Content-Type: text/html\r\nContent-Length: 34\r\n\r\n"
    "<html><body>with a header</body></html>";

std::string MacBinaryPage() {
  const std::string data = "<html><body>from a Mac</body></html>";
  std::string header(128, '\0');
  header[1] = 4;
  header.replace(2, 4, "page");
  header.replace(65, 8, "TEXTMOSS");
  header[86] = static_cast<char>(data.size());
  return header + data + std::string(64, 'R');  // the resource fork is dropped
}

// One pixel, a two-entry colour table, one image and the trailer.
const std::string kWholeGif = std::string(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00"
    "\x00\x00\x00\xFF\xFF\xFF"
    "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"
    "\x02\x02\x44\x01\x00"
    "\x3B",
    35);
const std::string kBrokenGif = kWholeGif.substr(0, 28);
const std::string kWholeJpeg = std::string(
    "\xFF\xD8"
    "\xFF\xDB\x00\x04\x00\x01"
    "\xFF\xC0\x00\x0B\x08\x00\x01\x00\x01\x01\x01\x11\x00"
    "\xFF\xC4\x00\x03\x00"
    "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x12\x34"
    "\xFF\xD9",
    40);
const std::string kBrokenJpeg = kWholeJpeg.substr(0, 30);

using test::ModeGuard;

using test::OptionsGuard;

int gLookups = 0;
int gInterruptAfter = 0;

// Presses Ctrl-C once the given number of files has been looked up.
void InterruptLater(const FileRef& /*file*/, const CacheLogEntry* /*entry*/) {
  if (++gLookups == gInterruptAfter) scripted::QueueInterrupt();
}

class NothingLostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetConversionRun();
    GoWithoutDomainTable();
    AbortRequested = 0;
    gLookups = 0;
  }
  void TearDown() override {
    SetLookupObserver(nullptr);
    AbortRequested = 0;
    scripted::Reset();
    scripted::ResetProgress();
    ResetDetectionLog();
    ResetProcessDomainTable();
  }

  static int RunFolder(const test::TempFolder& folder) {
    std::string text = folder.Text();
    app::ArgList args;
    args.items[args.count++] = text.data();
    return app::RunArguments(args);
  }

  // Converts one file the way the run loop does, with a log of its own.
  static ConvertResult ConvertOne(const test::TempFolder& folder, const std::string& name) {
    FileRef file;
    EXPECT_EQ(MakeFileRef(folder.Join(name).c_str(), file), kNoError);
    CacheLog log;
    const ConvertResult result = ConvertCacheFile(file, log, ProcessRunContext());
    ReleaseCacheLog(log);
    return result;
  }

  static size_t MirrorFiles(const test::TempFolder& folder) {
    size_t count = 0;
    for (const test::FoundFile& file : test::FilesBelow(folder.Path())) count += !file.top;
    return count;
  }

  test::CurrentFolderGuard guard_;
};

bool IsBrokenImage(const test::RecordedFile& record) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(record.cut.data());
  const size_t n = record.cut.size();
  if (HasGifSignature(bytes, n)) return IsBrokenGif(bytes, n);
  if (HasJpegSignature(bytes, n)) return IsBrokenJpeg(bytes, n);
  return false;
}

TEST_F(NothingLostTest, EverySampleCacheKeepsEveryFile) {
  const fs::path examples = fs::path(HOARD_SOURCE_DIR) / "examples";
  std::vector<fs::path> caches;
  for (const fs::directory_entry& entry : fs::directory_iterator(examples)) {
    if (entry.is_directory() && fs::exists(entry.path() / "CCHMGR20.DAT")) {
      caches.push_back(entry.path());
    }
  }
  ASSERT_FALSE(caches.empty()) << "no sample cache under " << examples;
  const int modes[] = {kBrokenImageOff, kBrokenImageReport, kBrokenImageDelete};
  for (const fs::path& sample : caches) {
    for (const int mode : modes) {
      SCOPED_TRACE(sample.filename().string() + ", broken-image mode " + std::to_string(mode));
      ModeGuard modeGuard(mode);
      test::TempFolder cache;
      test::CopyFolderFiles(sample, cache.Path());
      test::NothingLost lost(cache.Path());
      if (mode == kBrokenImageDelete) {
        for (const test::RecordedFile& record : lost.Records()) {
          if (IsBrokenImage(record)) lost.MayBeDeleted(record.name);
        }
      }
      EXPECT_EQ(RunFolder(cache), 0);
      EXPECT_EQ(lost.Check(), "");
      EXPECT_GT(MirrorFiles(cache), 0u) << "nothing was converted";
      ResetConversionRun();
      scripted::Reset();
    }
  }
}

TEST_F(NothingLostTest, EverySampleCacheKeepsEveryPageWhenLinksAreRewritten) {
  const fs::path examples = fs::path(HOARD_SOURCE_DIR) / "examples";
  OptionsGuard optionsGuard;
  Options& options = CurrentOptions();
  struct Case {
    const char* what;
    bool deleteBackup;
  };
  const Case cases[] = {{"backups kept", false}, {"backups deleted", true}};
  for (const Case& c : cases) {
    options.EditLinks = 1;
    options.DeleteBackup = c.deleteBackup ? 1 : 0;
    size_t changed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(examples)) {
      if (!entry.is_directory() || !fs::exists(entry.path() / "CCHMGR20.DAT")) continue;
      SCOPED_TRACE(entry.path().filename().string() + ", " + c.what);
      ModeGuard modeGuard(kBrokenImageReport);
      test::TempFolder cache;
      test::CopyFolderFiles(entry.path(), cache.Path());
      test::NothingLost lost(cache.Path());
      EXPECT_EQ(RunFolder(cache), 0);
      EXPECT_EQ(lost.Check(), "");
      for (const test::FoundFile& file : test::FilesBelow(cache.Path())) {
        bool recorded = false;
        for (const test::RecordedFile& record : lost.Records()) {
          recorded = recorded || file.bytes == record.cut || file.bytes == record.bytes;
        }
        changed += !file.top && !recorded;
      }
      ResetConversionRun();
      scripted::Reset();
    }
    // Some page was changed, so pages were matched by place.
    EXPECT_GT(changed, 0u) << c.what;
  }
}

// Stored headers, a MacBinary file, images whole and broken, two copies of
// one URL, a page of the user's own, a stale cache file.
void WriteHardCache(const test::TempFolder& cache, fs::file_time_type older,
                    fs::file_time_type newer, bool firstCopyNewer) {
  cache.Write("CCHMGR20.DAT",
              "http://a.example/,JCH00001.html\r\n"
              "http://a.example/header.html,JCH00002.html\r\n"
              "http://a.example/mac.html,JCH00003.html\r\n"
              "http://a.example/img/whole.gif,JCH00004.gif\r\n"
              "http://a.example/img/broken.gif,JCH00005.gif\r\n"
              "http://a.example/img/whole.jpg,JCH00006.jpeg\r\n"
              "http://a.example/img/broken.jpg,JCH00007.jpeg\r\n"
              "http://a.example/dup.html,JCH00008.html\r\n"
              "http://a.example/dup.html,JCH00009.html\r\n");
  cache.Write("JCH00001.HTM", "<html><body>index</body></html>");
  cache.Write("JCH00002.HTM", kHeaderPage);
  cache.Write("JCH00003.HTM", MacBinaryPage());
  cache.Write("JCH00004.GIF", kWholeGif);
  cache.Write("JCH00005.GIF", kBrokenGif);
  cache.Write("JCH00006.JPG", kWholeJpeg);
  cache.Write("JCH00007.JPG", kBrokenJpeg);
  cache.Write("JCH00008.HTM", "<html><body>first copy</body></html>");
  cache.Write("JCH00009.HTM", "<html><body>second copy</body></html>");
  cache.Write("JCH00099.HTM", "<html><body>stale</body></html>");
  cache.Write("notes.html", "<html><body>my notes</body></html>");
  fs::last_write_time(cache.Path() / "JCH00008.HTM", firstCopyNewer ? newer : older);
  fs::last_write_time(cache.Path() / "JCH00009.HTM", firstCopyNewer ? older : newer);
}

TEST_F(NothingLostTest, HardCasesKeepEveryFileOrLoseItOnlyByRule) {
  struct Case {
    const char* what;
    int mode;
    bool firstCopyNewer;
    std::vector<std::string> mayGo;
  };
  const Case cases[] = {
      {"detection off, the second copy newer", kBrokenImageOff, false, {"JCH00008.HTM"}},
      {"detection off, the first copy newer", kBrokenImageOff, true, {"JCH00009.HTM"}},
      {"broken images reported", kBrokenImageReport, false, {"JCH00008.HTM"}},
      {"broken images deleted", kBrokenImageDelete, false,
       {"JCH00008.HTM", "JCH00005.GIF", "JCH00007.JPG"}},
  };
  const fs::file_time_type now = fs::file_time_type::clock::now();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModeGuard modeGuard(c.mode);
    test::TempFolder cache;
    WriteHardCache(cache, now - std::chrono::hours(48), now - std::chrono::hours(24),
                   c.firstCopyNewer);
    test::NothingLost lost(cache.Path());
    for (const std::string& name : c.mayGo) lost.MayBeDeleted(name);
    EXPECT_EQ(RunFolder(cache), 0);
    EXPECT_EQ(lost.Check(), "");
    // The rules that may delete do so only where they should.
    EXPECT_TRUE(cache.Exists("notes.html"));
    EXPECT_TRUE(cache.Exists("JCH00099.HTM"));
    EXPECT_EQ(cache.Read("a.example/dup.html"),
              c.firstCopyNewer ? "<html><body>first copy</body></html>"
                               : "<html><body>second copy</body></html>");
    // Wrappers are cut in the mirror.
    EXPECT_EQ(cache.Read("a.example/header.html"),
              "<html><body>with a header</body></html>");
    EXPECT_EQ(cache.Read("a.example/mac.html"), "<html><body>from a Mac</body></html>");
    EXPECT_EQ(cache.Read("a.example/index.html"), "<html><body>index</body></html>");
    EXPECT_EQ(cache.Exists("a.example/img/broken.gif") || cache.Exists("JCH00005.GIF"),
              c.mode != kBrokenImageDelete);
    ResetConversionRun();
    scripted::Reset();
  }
}

TEST_F(NothingLostTest, TheCheckerSeesALostFileAndAPartialCopy) {
  test::TempFolder cache;
  cache.Write("JCH00001.HTM", kHeaderPage);
  cache.Write("JCH00002.GIF", kWholeGif);
  test::NothingLost lost(cache.Path());
  EXPECT_EQ(lost.Check(), "");
  fs::create_directories(cache.Path() / "a.example");
  // The page in the mirror, cut short; the image gone.
  const std::string body = test::CutWrapperHeader(kHeaderPage);
  cache.Write("a.example/header.html", body.substr(0, 10));
  fs::remove(cache.Path() / "JCH00001.HTM");
  fs::remove(cache.Path() / "JCH00002.GIF");
  const std::string problems = lost.Check();
  EXPECT_NE(problems.find("a.example/header.html: a partial copy of JCH00001.HTM"),
            std::string::npos)
      << problems;
  EXPECT_NE(problems.find("JCH00001.HTM: lost"), std::string::npos) << problems;
  EXPECT_NE(problems.find("JCH00002.GIF: lost"), std::string::npos) << problems;
  lost.MayBeDeleted("JCH00002.GIF");
  EXPECT_EQ(lost.Check().find("JCH00002.GIF"), std::string::npos);
}

TEST_F(NothingLostTest, AFolderThatCannotBeMadeStopsTheBatchWithEveryFileKept) {
  struct Case {
    const char* what;
    const char* url;
    const char* inTheWay;  // a file of the user's in the cache folder, or null
    bool message;
  };
  const Case cases[] = {
      {"a file in the way that cannot be put aside", "http://a.example/x.html",
       "~hoard-hoard.tmp", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const bool wholeBatch : {false, true}) {
      SCOPED_TRACE(wholeBatch ? "the batch" : "the first file");
      test::TempFolder cache;
      cache.Write("CCHMGR20.DAT", std::string(c.url) + ",JCH00001.html\r\n" +
                                      "http://b.example/y.html,JCH00002.html\r\n");
      cache.Write("JCH00001.HTM", "<html>one</html>");
      cache.Write("JCH00002.HTM", "<html>two</html>");
      if (c.inTheWay != nullptr) {
        cache.Write("a.example", "the user's own file");
        cache.Write(c.inTheWay, "set aside earlier");
      }
      test::NothingLost lost(cache.Path());
      if (wholeBatch) {
        EXPECT_EQ(RunFolder(cache), 0);
      } else {
        EXPECT_EQ(ConvertOne(cache, "JCH00001.HTM"), kConvertStop);
      }
      EXPECT_EQ(lost.Check(), "");
      EXPECT_EQ(cache.Read("JCH00001.HTM"), "<html>one</html>");
      // The batch ends at the failure: the next file is not touched.
      EXPECT_EQ(cache.Read("JCH00002.HTM"), "<html>two</html>");
      EXPECT_FALSE(cache.Exists("b.example"));
      EXPECT_EQ(scripted::Messages().size(), c.message ? 1u : 0u);
      ResetConversionRun();
      scripted::Reset();
    }
  }
}

TEST_F(NothingLostTest, AFileInTheWayOfAFolderBecomesItsIndexPage) {
  test::TempFolder cache;
  cache.Write("CCHMGR20.DAT",
              "http://a.example/x.html,JCH00001.html\r\n"
              "http://b.example/y.html,JCH00002.html\r\n");
  cache.Write("JCH00001.HTM", "<html>one</html>");
  cache.Write("JCH00002.HTM", "<html>two</html>");
  cache.Write("a.example", "the user's own file");
  test::NothingLost lost(cache.Path());
  EXPECT_EQ(ConvertOne(cache, "JCH00001.HTM"), kConvertDone);
  EXPECT_EQ(lost.Check(), "");
  EXPECT_EQ(cache.Read("a.example/index.html"), "the user's own file");
  EXPECT_EQ(cache.Read("a.example/x.html"), "<html>one</html>");
}

TEST_F(NothingLostTest, AnAbortInTheMiddleLeavesTheRestInTheCache) {
  OptionsGuard optionsGuard;
  struct Case {
    int after;  // files looked up before Ctrl-C
    bool editLinks;
  };
  const Case cases[] = {{1, false}, {3, false}, {5, false}, {1, true}, {3, true}, {5, true}};
  for (const Case& c : cases) {
    CurrentOptions().EditLinks = c.editLinks ? 1 : 0;
    SCOPED_TRACE("Ctrl-C after " + std::to_string(c.after) + " files" +
                 (c.editLinks ? ", links rewritten" : ""));
    test::TempFolder cache;
    const fs::file_time_type now = fs::file_time_type::clock::now();
    WriteHardCache(cache, now - std::chrono::hours(48), now - std::chrono::hours(24), false);
    test::NothingLost lost(cache.Path());
    gLookups = 0;
    gInterruptAfter = c.after;
    SetLookupObserver(InterruptLater);
    scripted::QueueAnswer(platform::Answer::kYes);  // "really quit?"
    EXPECT_EQ(RunFolder(cache), 0);
    SetLookupObserver(nullptr);
    EXPECT_EQ(AbortRequested, 1);
    EXPECT_EQ(lost.Check(), "");
    // Files are taken in the folder's order; at most one more is looked at
    // after the interrupt, and none after the abort was seen.
    EXPECT_LE(gLookups, c.after + 1);
    EXPECT_GT(MirrorFiles(cache), 0u);
    size_t left = 0;
    for (const test::RecordedFile& record : lost.Records()) {
      left += cache.Exists(record.name) && record.name.rfind("JCH0000", 0) == 0;
    }
    EXPECT_GT(left, 0u) << "the abort stopped nothing";
    AbortRequested = 0;
    ResetConversionRun();
    scripted::Reset();
    scripted::ResetProgress();
  }
}

}  // namespace
}  // namespace hoard

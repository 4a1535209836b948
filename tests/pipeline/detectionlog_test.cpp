#include "pipeline/detectionlog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/prompts.h"
#include "store/cachelog.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

const std::string kHeaderLine = "# -- Hoard-Hoard v2.1 --,cache,size,date,type\r\n";

// 2001-05-06 07:08:09, a Sunday.
DateRec SampleDate() {
  DateRec date;
  date.year = 2001;
  date.month = 5;
  date.day = 6;
  date.hour = 7;
  date.minute = 8;
  date.second = 9;
  date.weekday = 1;
  return date;
}

FileRef RefTo(const test::TempFolder& folder, const std::string& name) {
  FileRef ref;
  EXPECT_NE(MakeFileRef(folder.Join(name).c_str(), ref), kBadName);
  return ref;
}

// A fresh writer for a test, and none left open after it.
class FreshLog {
 public:
  FreshLog() { ResetDetectionLog(); }
  ~FreshLog() { ResetDetectionLog(); }
  FreshLog(const FreshLog&) = delete;
  FreshLog& operator=(const FreshLog&) = delete;
};

TEST(WriteDetectionLine, ChoosesTheLineFormByTheUrl) {
  FreshLog fresh;
  struct Case {
    const char* what;
    const char* url;
    TypeCode type;
    const char* line;
  };
  const Case cases[] = {
      {"an http URL as it is", "http://www.example.co.jp/img/a.jpg", kTypeJpeg,
       "http://www.example.co.jp/img/a.jpg,JCH00012.JPG,1234,2001-05-06 07:08:09,JPEG\r\n"},
      {"an https URL as it is", "https://example.com/a.gif", kTypeGif,
       "https://example.com/a.gif,JCH00012.JPG,1234,2001-05-06 07:08:09,GIF\r\n"},
      {"an upper-case http scheme as it is", "HTTP://EXAMPLE.COM/", kTypeText,
       "HTTP://EXAMPLE.COM/,JCH00012.JPG,1234,2001-05-06 07:08:09,TEXT\r\n"},
      {"a host without a scheme", "www.example.co.jp/a.jpg", kTypeJpeg,
       "http://www.example.co.jp/a.jpg,JCH00012.JPG,1234,2001-05-06 07:08:09,JPEG\r\n"},
      {"an ftp URL gets http in front", "ftp://ftp.example.jp/a.gif", kTypeGif,
       "http://ftp://ftp.example.jp/a.gif,JCH00012.JPG,1234,2001-05-06 07:08:09,GIF\r\n"},
      {"https needs its exact case", "HTTPS://example.com/", kTypeGif,
       "http://HTTPS://example.com/,JCH00012.JPG,1234,2001-05-06 07:08:09,GIF\r\n"},
      {"no URL", "", kTypeText, ",JCH00012.JPG,1234,2001-05-06 07:08:09,TEXT\r\n"},
      {"a null URL", nullptr, kTypeText, ",JCH00012.JPG,1234,2001-05-06 07:08:09,TEXT\r\n"},
      {"a type without a column", "http://a/", kTypeMidi,
       "http://a/,JCH00012.JPG,1234,2001-05-06 07:08:09,\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetDetectionLog();
    test::TempFolder cache;
    cache.Write("JCH00012.JPG", "");
    SetUpDetectionLog(RefTo(cache, "JCH00012.JPG"), kDetectionLogHeader);
    const std::string line = c.line;
    // The count is of the text as formatted, before its LF became CR LF.
    EXPECT_EQ(WriteDetectionLine("JCH00012.JPG", c.type, c.url, 1234, SampleDate()),
              static_cast<int>(line.size() - 1));
    EXPECT_TRUE(CloseDetectionLog(nullptr));
    EXPECT_EQ(cache.Read("h-hoard.csv"), kHeaderLine + line);
  }
}

TEST(WriteDetectionLine, WritesSizesAndDatesAsSignedZeroPaddedNumbers) {
  FreshLog fresh;
  test::TempFolder cache;
  SetUpDetectionLog(RefTo(cache, "M0000001"), kDetectionLogHeader);
  DateRec date;
  date.year = 1999;
  date.month = 1;
  date.day = 2;
  WriteDetectionLine("M0000001", kTypeGif, "a/", 0, date);
  WriteDetectionLine("M0000002", kTypeGif, "a/", -5, date);
  WriteDetectionLine("M0000003", kTypeGif, "a/", 3'000'000'000LL, date);
  CloseDetectionLog(nullptr);
  EXPECT_EQ(cache.Read("h-hoard.csv"),
            kHeaderLine + "http://a/,M0000001,0,1999-01-02 00:00:00,GIF\r\n" +
                "http://a/,M0000002,-5,1999-01-02 00:00:00,GIF\r\n" +
                "http://a/,M0000003,3000000000,1999-01-02 00:00:00,GIF\r\n");
}

TEST(WriteDetectionLine, EndsTheHeaderWithCrLfOnlyWhereItEndsWithALoneLf) {
  FreshLog fresh;
  struct Case {
    const char* header;
    const char* written;
  };
  const Case cases[] = {
      {"# log\n", "# log\r\n"},
      {"# log\r\n", "# log\r\n"},
      {"# log", "# log"},
      {"\n", "\r\n"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    ResetDetectionLog();
    test::TempFolder cache;
    SetUpDetectionLog(RefTo(cache, "M0000001"), c.header);
    WriteDetectionLine("M0000001", kTypeGif, "", 1, SampleDate());
    CloseDetectionLog(nullptr);
    EXPECT_EQ(cache.Read("h-hoard.csv"),
              std::string(c.written) + ",M0000001,1,2001-05-06 07:08:09,GIF\r\n");
  }
}

TEST(WriteDetectionLine, CutsAVeryLongUrlAndKeepsTheOtherColumns) {
  FreshLog fresh;
  test::TempFolder cache;
  SetUpDetectionLog(RefTo(cache, "M0000001"), kDetectionLogHeader);
  const std::string url = "http://example.com/" + std::string(2000, 'x');
  const std::string rest = ",M0000001,77,2001-05-06 07:08:09,JPEG\r\n";
  const int formatted = WriteDetectionLine("M0000001", kTypeJpeg, url.c_str(), 77, SampleDate());
  CloseDetectionLog(nullptr);
  const std::string line = cache.Read("h-hoard.csv").substr(kHeaderLine.size());
  EXPECT_EQ(line.size(), kDetectionLineBytes);
  EXPECT_EQ(formatted, static_cast<int>(kDetectionLineBytes - 1));
  EXPECT_EQ(line, url.substr(0, kDetectionLineBytes - rest.size()) + rest);
}

TEST(WriteDetectionLine, CreatesTheLogAfreshAtTheFirstLineOnly) {
  FreshLog fresh;
  test::TempFolder cache;
  cache.Write("h-hoard.csv", "an older log\r\n");
  SetUpDetectionLog(RefTo(cache, "JCH00001.HTM"), kDetectionLogHeader);
  // Set up but nothing written: the older log stays as it was.
  EXPECT_EQ(cache.Read("h-hoard.csv"), "an older log\r\n");
  WriteDetectionLine("JCH00001.HTM", kTypeText, "", 10, SampleDate());
  // Later set-ups (the next files of the batch) do not move or reopen it.
  SetUpDetectionLog(RefTo(cache, "JCH00002.HTM"), kDetectionLogHeader);
  WriteDetectionLine("JCH00002.HTM", kTypeText, "", 20, SampleDate());
  FileRef written;
  ASSERT_TRUE(CloseDetectionLog(written));
  EXPECT_EQ(written.name.View(), "h-hoard.csv");
  EXPECT_EQ(cache.Read("h-hoard.csv"), kHeaderLine +
                                           ",JCH00001.HTM,10,2001-05-06 07:08:09,TEXT\r\n" +
                                           ",JCH00002.HTM,20,2001-05-06 07:08:09,TEXT\r\n");
}

TEST(WriteDetectionLine, KeepsItsPlaceWhenTheCurrentFolderMoves) {
  FreshLog fresh;
  test::TempFolder cache;
  test::TempFolder elsewhere;
  test::CurrentFolderGuard guard;
  std::filesystem::current_path(cache.Path());
  FileRef relative;
  ASSERT_NE(MakeFileRef("JCH00001.JPG", relative), kBadName);
  SetUpDetectionLog(relative, kDetectionLogHeader);
  std::filesystem::current_path(elsewhere.Path());
  EXPECT_GT(WriteDetectionLine("JCH00001.JPG", kTypeJpeg, "a/b.jpg", 1, SampleDate()), 0);
  FileRef written;
  ASSERT_TRUE(CloseDetectionLog(written));
  EXPECT_TRUE(cache.Exists("h-hoard.csv"));
  EXPECT_FALSE(elsewhere.Exists("h-hoard.csv"));
  // The reference handed to the final report still names it.
  std::filesystem::current_path(elsewhere.Path());
  CPath path;
  ASSERT_TRUE(FileRefToCPath(written, path));
  EXPECT_EQ(std::filesystem::path(path.data()), cache.Path() / "h-hoard.csv");
}

TEST(WriteDetectionLine, StaysSilentOnceTheLogCannotBeCreated) {
  FreshLog fresh;
  test::TempFolder cache;
  const FileRef inMissingFolder =
      RefTo(cache, std::string("gone") + PathSeparator() + "JCH00001.JPG");
  SetUpDetectionLog(inMissingFolder, kDetectionLogHeader);
  EXPECT_EQ(WriteDetectionLine("JCH00001.JPG", kTypeJpeg, "a/", 1, SampleDate()), 0);
  // The folder is back, but the log stays silent for the rest of the process.
  std::filesystem::create_directory(cache.Path() / "gone");
  EXPECT_EQ(WriteDetectionLine("JCH00002.JPG", kTypeJpeg, "a/", 1, SampleDate()), 0);
  FileRef untouched;
  untouched.name.Assign("keep");
  EXPECT_FALSE(CloseDetectionLog(untouched));
  EXPECT_EQ(untouched.name.View(), "keep");
  EXPECT_FALSE(cache.Exists("gone/h-hoard.csv"));
}

TEST(WriteDetectionLine, WritesNothingWithoutASetUp) {
  FreshLog fresh;
  EXPECT_EQ(WriteDetectionLine("JCH00001.JPG", kTypeJpeg, "a/", 1, SampleDate()), 0);
  EXPECT_FALSE(CloseDetectionLog(nullptr));
}

TEST(CloseDetectionLog, ChangesNothingWhenNoLineWasWritten) {
  FreshLog fresh;
  test::TempFolder cache;
  SetUpDetectionLog(RefTo(cache, "JCH00001.HTM"), kDetectionLogHeader);
  FileRef out;
  EXPECT_FALSE(CloseDetectionLog(out));
  EXPECT_TRUE(out.name.Empty());
  EXPECT_FALSE(cache.Exists("h-hoard.csv"));
}

TEST(CloseDetectionLog, DoesNotLetTheLogBeOpenedAgain) {
  FreshLog fresh;
  test::TempFolder cache;
  SetUpDetectionLog(RefTo(cache, "JCH00001.HTM"), kDetectionLogHeader);
  WriteDetectionLine("JCH00001.HTM", kTypeText, "", 10, SampleDate());
  EXPECT_TRUE(CloseDetectionLog(nullptr));
  EXPECT_FALSE(CloseDetectionLog(nullptr));
  EXPECT_EQ(WriteDetectionLine("JCH00002.HTM", kTypeText, "", 10, SampleDate()), 0);
  EXPECT_EQ(cache.Read("h-hoard.csv"),
            kHeaderLine + ",JCH00001.HTM,10,2001-05-06 07:08:09,TEXT\r\n");
}

TEST(IsDetectionLogName, FoldsAsciiCaseOnly) {
  struct Case {
    const char* name;
    bool expected;
  };
  const Case cases[] = {
      {"h-hoard.csv", true}, {"H-HOARD.CSV", true}, {"h-Hoard.Csv", true},
      {"h-hoard.cs", false}, {"h-hoard.csv ", false}, {"h_hoard.csv", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsDetectionLogName(c.name), c.expected);
  }
}

// The first two columns are those of a cache log: a written log can be read
// back as one.
TEST(WriteDetectionLine, ReadsBackAsACacheLog) {
  FreshLog fresh;
  test::TempFolder cache;
  SetUpDetectionLog(RefTo(cache, "M0000001"), kDetectionLogHeader);
  WriteDetectionLine("M0000001", kTypeJpeg, "www.example.co.jp/a.jpg", 1234, SampleDate());
  WriteDetectionLine("M0000002", kTypeGif, "http://example.com/b.gif", 99, SampleDate());
  FileRef logRef;
  ASSERT_TRUE(CloseDetectionLog(logRef));

  CacheLog log;
  ASSERT_EQ(LoadCacheLog(logRef, log, UiPrompts()), LoadResult::kLoaded);
  struct Case {
    const char* name;
    const char* url;
  };
  const Case cases[] = {
      {"M0000001", "http://www.example.co.jp/a.jpg"},
      {"M0000002", "http://example.com/b.gif"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CacheLogEntry entry;
    EXPECT_EQ(LookupCacheFile(log, c.name, entry), LookupResult::kFound);
    EXPECT_STREQ(entry.url, c.url);
  }
  ReleaseCacheLog(log);
}

}  // namespace
}  // namespace hoard

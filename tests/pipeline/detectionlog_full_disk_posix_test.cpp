// The detection log's name held by a link to /dev/full, where every write
// would fail for lack of space: the link is never written through.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pipeline/detectionlog.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

TEST(WriteDetectionLine, NeverWritesThroughALinkInItsPlace) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  test::TempFolder cache;
  std::filesystem::create_symlink("/dev/full", cache.Path() / "h-hoard.csv");
  FileRef file;
  ASSERT_NE(MakeFileRef(cache.Join("JCH00001.JPG").c_str(), file), kBadName);
  ResetDetectionLog();
  SetUpDetectionLog(file, kDetectionLogHeader);
  DateRec date;
  // The log cannot be made: every line is dropped, and the report offers no
  // log.
  EXPECT_EQ(WriteDetectionLine("JCH00001.JPG", kTypeJpeg, "a/b.jpg", 1, date), 0);
  EXPECT_EQ(WriteDetectionLine("JCH00002.JPG", kTypeJpeg, "a/c.jpg", 1, date), 0);
  FileRef written;
  EXPECT_FALSE(CloseDetectionLog(written));
  EXPECT_TRUE(std::filesystem::is_symlink(cache.Path() / "h-hoard.csv"));
  ResetDetectionLog();
}

}  // namespace
}  // namespace hoard

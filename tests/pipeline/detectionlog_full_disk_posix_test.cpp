// The detection log on a full volume: "h-hoard.csv" made a link to /dev/full,
// where every write fails for lack of space.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pipeline/detectionlog.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

TEST(WriteDetectionLine, DropsEveryLineSilentlyOnceAWriteFailed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  test::TempFolder cache;
  std::filesystem::create_symlink("/dev/full", cache.Path() / "h-hoard.csv");
  FileRef file;
  ASSERT_NE(MakeFileRef(cache.Join("JCH00001.JPG").c_str(), file), kBadName);
  ResetDetectionLog();
  SetUpDetectionLog(file, kDetectionLogHeader);
  DateRec date;
  // The header cannot be written; the line after it is dropped, and so is
  // every later one.
  EXPECT_EQ(WriteDetectionLine("JCH00001.JPG", kTypeJpeg, "a/b.jpg", 1, date), 0);
  EXPECT_EQ(WriteDetectionLine("JCH00002.JPG", kTypeJpeg, "a/c.jpg", 1, date), 0);
  // It was opened, so the final report still offers it.
  FileRef written;
  EXPECT_TRUE(CloseDetectionLog(written));
  EXPECT_EQ(written.name.View(), "h-hoard.csv");
  ResetDetectionLog();
}

}  // namespace
}  // namespace hoard

// The desktop shell on POSIX: the freedesktop.org trash and xdg-open.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/posix/trash.h"
#include "platform/shell.h"
#include "support/platform_env.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

// 2001-02-03 04:05:06 UTC.
constexpr std::time_t kDeleted = 981173106;

std::string InfoText(const std::string& encodedPath) {
  return "[Trash Info]\nPath=" + encodedPath + "\nDeletionDate=2001-02-03T04:05:06\n";
}

TEST(MoveToTrash, MovesTheFileAndRecordsWhereItCameFrom) {
  test::TempFolder folder;
  test::EnvGuard data("XDG_DATA_HOME", (folder.Path() / "data").c_str());
  test::EnvGuard zone("TZ", "UTC0");
  std::filesystem::create_directories(folder.Path() / "cache/a b");
  const std::string name = "\x83\x65\x83\x58\x83\x67.gif";  // テスト.gif
  folder.Write("cache/a b/" + name, "GIF89a");

  std::string path = folder.Join("cache/a b/" + name);
  ASSERT_TRUE(platform::MoveToTrash(path.c_str(), kDeleted));
  EXPECT_FALSE(folder.Exists("cache/a b/" + name));
  EXPECT_EQ(folder.Read("data/Trash/files/" + name), "GIF89a");
  EXPECT_EQ(folder.Read("data/Trash/info/" + name + ".trashinfo"),
            InfoText(folder.Path().string() + "/cache/a%20b/%83e%83X%83g.gif"));
}

TEST(MoveToTrash, GivesEachTakenNameTheNextNumber) {
  test::TempFolder folder;
  test::EnvGuard data("XDG_DATA_HOME", (folder.Path() / "data").c_str());
  test::EnvGuard zone("TZ", "UTC0");
  // A file left in files/ without its record takes its name too.
  std::filesystem::create_directories(folder.Path() / "data/Trash/files");
  folder.Write("data/Trash/files/M0000001.3", "orphan");
  for (const char* sub : {"one", "two", "three"}) {
    SCOPED_TRACE(sub);
    std::filesystem::create_directory(folder.Path() / sub);
    folder.Write(std::string(sub) + "/M0000001", sub);
    ASSERT_TRUE(platform::MoveToTrash(folder.Join(std::string(sub) + "/M0000001").c_str(), kDeleted));
  }
  struct Case {
    const char* trashName;
    const char* content;
    const char* from;
  };
  const Case cases[] = {
      {"M0000001", "one", "one"},
      {"M0000001.2", "two", "two"},
      {"M0000001.4", "three", "three"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trashName);
    EXPECT_EQ(folder.Read(std::string("data/Trash/files/") + c.trashName), c.content);
    EXPECT_EQ(folder.Read(std::string("data/Trash/info/") + c.trashName + ".trashinfo"),
              InfoText(folder.Path().string() + "/" + c.from + "/M0000001"));
  }
  EXPECT_EQ(folder.Read("data/Trash/files/M0000001.3"), "orphan");
  EXPECT_FALSE(folder.Exists("data/Trash/info/M0000001.3.trashinfo"));
}

TEST(MoveToTrash, TakesARelativePathFromTheCurrentFolder) {
  test::TempFolder folder;
  test::CurrentFolderGuard guard;
  test::EnvGuard data("XDG_DATA_HOME", (folder.Path() / "data").c_str());
  folder.Write("JCH00012.HTM", "<html>");
  std::filesystem::current_path(folder.Path());
  ASSERT_TRUE(platform::RecycleToBin("JCH00012.HTM", true));
  EXPECT_FALSE(folder.Exists("JCH00012.HTM"));
  EXPECT_EQ(folder.Read("data/Trash/files/JCH00012.HTM"), "<html>");
  std::string info = folder.Read("data/Trash/info/JCH00012.HTM.trashinfo");
  EXPECT_NE(info.find("\nPath=" + folder.Path().string() + "/JCH00012.HTM\n"), std::string::npos)
      << info;
}

TEST(MoveToTrash, LeavesNoRecordWhenTheFileCannotMove) {
  test::TempFolder folder;
  test::EnvGuard data("XDG_DATA_HOME", (folder.Path() / "data").c_str());
  EXPECT_FALSE(platform::RecycleToBin(folder.Join("missing.gif").c_str(), true));
  EXPECT_FALSE(folder.Exists("data/Trash/info/missing.gif.trashinfo"));

  // The folder that holds the trash cannot move into its own trash.
  std::filesystem::create_directories(folder.Path() / "data");
  EXPECT_FALSE(platform::RecycleToBin(folder.Join("data").c_str(), true));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "data/Trash/files"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "data/Trash/info"));
}

TEST(PercentEncodePath, KeepsSafeBytesAndEscapesTheRest) {
  struct Case {
    const char* path;
    const char* encoded;
  };
  const Case cases[] = {
      {"/home/me/cache/JCH00012.HTM", "/home/me/cache/JCH00012.HTM"},
      {"/a b/%/x~_-.y", "/a%20b/%25/x~_-.y"},
      {"/\x83\x5c\xff", "/%83%5C%FF"},
      {"/q?x=1&y=#z", "/q%3Fx%3D1%26y%3D%23z"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    platform::PathText out;
    ASSERT_TRUE(platform::PercentEncodePath(c.path, out));
    EXPECT_STREQ(out.text, c.encoded);
  }
}

TEST(OpenDocument, RunsXdgOpenFromThePathWithoutWaiting) {
  test::TempFolder folder;
  std::string opener = folder.Join("xdg-open");
  std::string record = folder.Join("opened.txt");
  folder.Write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record + ".part'\nmv '" + record +
                               ".part' '" + record + "'\n");
  ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
  test::EnvGuard path("PATH", ("/nonexistent::" + folder.Path().string() + ":/usr/bin:/bin").c_str());
  std::string document = folder.Join("h-hoard.csv");
  ASSERT_TRUE(platform::OpenDocument(document.c_str()));
  for (int i = 0; i < 100 && !folder.Exists("opened.txt"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(folder.Read("opened.txt"), document);
}

TEST(OpenDocument, PrintsThePathWhenThereIsNoOpener) {
  test::TempFolder folder;
  test::EnvGuard path("PATH", folder.Path().c_str());
  testing::internal::CaptureStdout();
  EXPECT_TRUE(platform::OpenDocument("/cache/h-hoard.csv"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "/cache/h-hoard.csv\n");
}

}  // namespace
}  // namespace hoard

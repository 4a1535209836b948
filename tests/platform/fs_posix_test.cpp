// What the POSIX file backend adds to the shared contract: a full device,
// FIFOs that must not hang an open, descriptor 0 as a handle, moves of
// folders that must not replace an empty folder, creation times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

using platform::OpenMode;

TEST(WriteTo, AFullDeviceGivesVolumeFull) {
  platform::Handle handle = platform::OpenPath("/dev/full", platform::OpenMode::kOpenAlways);
  if (handle == platform::kNoHandle) GTEST_SKIP() << "/dev/full cannot be opened here";
  char block[64] = {};
  uint32_t count = sizeof block;
  EXPECT_FALSE(platform::WriteTo(handle, block, count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(platform::IsVolumeFull(platform::LastError())) << platform::LastError();
  platform::Close(handle);
}

TEST(OpenPath, AFifoOpensWithoutWaitingForAWriter) {
  test::TempFolder folder;
  std::string path = folder.Join("M0000001");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  platform::Handle handle = platform::OpenPath(path.c_str(), platform::OpenMode::kRead);
  ASSERT_NE(handle, platform::kNoHandle);
  char buffer[8];
  uint32_t count = sizeof buffer;
  EXPECT_TRUE(platform::ReadFrom(handle, buffer, count));
  EXPECT_EQ(count, 0u);
  platform::Close(handle);
}

TEST(OpenPath, DescriptorZeroIsAValidHandle) {
  test::TempFolder folder;
  folder.Write("zero.htm", "0");
  int savedInput = dup(STDIN_FILENO);
  ASSERT_GE(savedInput, 0);
  close(STDIN_FILENO);
  platform::Handle handle =
      platform::OpenPath(folder.Join("zero.htm").c_str(), platform::OpenMode::kRead);
  bool opened = handle != platform::kNoHandle;
  char byte = 0;
  uint32_t count = 1;
  bool read = opened && platform::ReadFrom(handle, &byte, count);
  platform::Close(handle);
  dup2(savedInput, STDIN_FILENO);
  close(savedInput);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(read);
  EXPECT_EQ(byte, '0');
}

TEST(MovePath, NeverReplacesAnEmptyFolder) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder.Path() / "from");
  std::filesystem::create_directory(folder.Path() / "to");
  folder.Write("from/inside.htm", "x");
  EXPECT_FALSE(platform::MovePath(folder.Join("from").c_str(), folder.Join("to").c_str()));
  EXPECT_TRUE(platform::IsAlreadyExists(platform::LastError())) << platform::LastError();
  EXPECT_TRUE(folder.Exists("from/inside.htm"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "to"));

  EXPECT_TRUE(platform::MovePath(folder.Join("from").c_str(), folder.Join("moved").c_str()));
  EXPECT_TRUE(folder.Exists("moved/inside.htm"));
}

TEST(OpenPath, OnlyPlainReadingGoesThroughALink) {
  struct Case {
    OpenMode mode;
    bool opens;
  };
  const Case cases[] = {
      {OpenMode::kRead, true},          {OpenMode::kReadNoLink, false},
      {OpenMode::kReadWrite, false},    {OpenMode::kCreateAlways, false},
      {OpenMode::kOpenAlways, false},   {OpenMode::kWriteExisting, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    test::TempFolder folder;
    folder.Write("target.htm", "kept");
    std::filesystem::create_symlink(folder.Path() / "target.htm", folder.Path() / "link.htm");
    const platform::Handle handle = platform::OpenPath(folder.Join("link.htm").c_str(), c.mode);
    EXPECT_EQ(handle != platform::kNoHandle, c.opens);
    platform::Close(handle);
    EXPECT_EQ(folder.Read("target.htm"), "kept");
    // A plain file opens in every mode; one made anew is empty.
    const platform::Handle plain = platform::OpenPath(folder.Join("target.htm").c_str(), c.mode);
    EXPECT_NE(plain, platform::kNoHandle);
    platform::Close(plain);
    const platform::Handle made = platform::OpenPath(folder.Join("new.htm").c_str(), c.mode);
    const bool creates = c.mode == OpenMode::kCreateAlways || c.mode == OpenMode::kOpenAlways;
    EXPECT_EQ(made != platform::kNoHandle, creates);
    platform::Close(made);
  }
}

// Only a file whose bytes no other name shows, with the access a new file
// gets, is private.
TEST(IsPrivatePlainFile, NeedsOneNameAndTheAccessOfANewFile) {
  struct Case {
    const char* what;
    void (*change)(const std::filesystem::path& file);
    bool isPrivate;
  };
  const Case cases[] = {
      {"made new", [](const std::filesystem::path&) {}, true},
      {"a second name",
       [](const std::filesystem::path& file) {
         std::filesystem::create_hard_link(file, file.string() + ".snapshot");
       },
       false},
      {"another access",
       [](const std::filesystem::path& file) {
         const mode_t mask = umask(0);
         umask(mask);
         chmod(file.c_str(), (0666 & ~mask) ^ 0004);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder folder;
    const std::string path = folder.Join("page.htm");
    const platform::Handle made = platform::OpenPath(path.c_str(), OpenMode::kCreateAlways);
    platform::Close(made);
    c.change(path);
    const platform::Handle handle = platform::OpenPath(path.c_str(), OpenMode::kReadNoLink);
    EXPECT_EQ(platform::IsPrivatePlainFile(handle), c.isPrivate);
    platform::Close(handle);
  }
}

TEST(FindFirst, ReportsTheLongestNameTheFileSystemAllows) {
  test::TempFolder folder;
  // A file system name limit of 255 keeps names below the entry's 260.
  std::string longest(255, 'a');
  folder.Write(longest, "x");
  folder.Write("short.htm", "x");
  platform::FoundEntry entry;
  platform::FindHandle find = platform::FindFirst(folder.Join("*.*").c_str(), entry);
  ASSERT_NE(find, platform::kNoHandle);
  bool sawLongest = false;
  do {
    sawLongest = sawLongest || entry.name == longest;
  } while (platform::FindNext(find, entry));
  platform::FindEnd(find);
  EXPECT_TRUE(sawLongest);
}

TEST(GetTimes, CreationReadsAsTheLastWriteTime) {
  test::TempFolder folder;
  folder.Write("t.htm", "x");
  platform::Handle handle = platform::OpenPath(folder.Join("t.htm").c_str(), platform::OpenMode::kReadWrite);
  ASSERT_NE(handle, platform::kNoHandle);
  const uint64_t creation = 116444736000000000u;  // 1970-01-01
  const uint64_t lastWrite = 125911584000000000u; // 2000-01-01
  EXPECT_TRUE(platform::SetTimes(handle, &creation, &lastWrite));
  uint64_t readCreation = 0, readWrite = 0;
  EXPECT_TRUE(platform::GetTimes(handle, &readCreation, &readWrite));
  EXPECT_EQ(readWrite, lastWrite);
  EXPECT_EQ(readCreation, lastWrite);
  platform::Close(handle);
}

TEST(FindFirst, ListsNamesInFoldedNameOrder) {
  test::TempFolder folder;
  for (const char* name : {"cache0002", "M0000001", "Cache0001", "cache0003", "JCH00001.HTM"}) {
    folder.Write(name, "");
  }
  std::vector<std::string> names;
  platform::FoundEntry entry{};
  platform::FindHandle find = platform::FindFirst(folder.Join("*.*").c_str(), entry);
  for (bool more = find != platform::kNoHandle; more; more = platform::FindNext(find, entry)) {
    if (entry.name[0] != '.') names.emplace_back(entry.name);
  }
  platform::FindEnd(find);
  EXPECT_EQ(names, (std::vector<std::string>{"Cache0001", "cache0002", "cache0003",
                                             "JCH00001.HTM", "M0000001"}));
}

// A handle opened to read tells its file's size and time as they are now:
// also after another handle wrote to the file or set its time, and while a
// second file is open to read.
TEST(SizeOf, FollowsTheFileWhileOtherHandlesChangeIt) {
  test::TempFolder folder;
  folder.Write("a.htm", "abc");
  folder.Write("b.htm", "12345");
  auto sizeOf = [](platform::Handle handle) {
    uint64_t size = 0;
    platform::SizeOf(handle, size);
    return size;
  };
  auto timeOf = [](platform::Handle handle) {
    uint64_t lastWrite = 0;
    platform::GetTimes(handle, nullptr, &lastWrite);
    return lastWrite;
  };
  platform::Handle reader = platform::OpenPath(folder.Join("a.htm").c_str(), OpenMode::kRead);
  ASSERT_NE(reader, platform::kNoHandle);
  EXPECT_EQ(sizeOf(reader), 3u);
  const uint64_t before = timeOf(reader);
  platform::Handle writer =
      platform::OpenPath(folder.Join("a.htm").c_str(), OpenMode::kOpenAlways);
  ASSERT_NE(writer, platform::kNoHandle);
  uint32_t count = 4;
  EXPECT_TRUE(platform::SeekEnd(writer) && platform::WriteTo(writer, "defg", count));
  const uint64_t set = before - 10000000u * 3600;  // an hour earlier
  EXPECT_TRUE(platform::SetTimes(writer, nullptr, &set));
  platform::Close(writer);
  EXPECT_EQ(sizeOf(reader), 7u);
  EXPECT_EQ(timeOf(reader), set);
  platform::Handle other = platform::OpenPath(folder.Join("b.htm").c_str(), OpenMode::kRead);
  ASSERT_NE(other, platform::kNoHandle);
  EXPECT_EQ(sizeOf(other), 5u);
  EXPECT_EQ(sizeOf(reader), 7u);
  platform::Close(other);
  platform::Close(reader);
}

}  // namespace
}  // namespace hoard

// Converting into another folder, the plan of a conversion and the manifest,
// as a script sees them: the program run on copies of the sample caches.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pipeline/manifest.h"
#include "support/nothinglost.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

using test::ReadFileBytes;
using ProgramRun = test::ProgramResult;

ProgramRun RunProgram(const fs::path& folder, const fs::path& config, std::vector<std::string> args,
                      long killAfter = 0) {
  return test::RunBuiltProgram(folder, config, std::move(args), killAfter);
}

// Every entry below `root` with its kind, mode, size, bytes and times
// (access, modification and change time to the nanosecond): two equal
// snapshots mean nothing was read without care, written, renamed, made or
// removed. The first snapshot of a tree reads it, so that the access times
// it records are those reading leaves.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  std::vector<fs::path> paths{root};
  for (const auto& entry : fs::recursive_directory_iterator(root)) paths.push_back(entry.path());
  for (const fs::path& path : paths) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    std::ostringstream line;
    line << info.st_mode << ' ' << info.st_size << ' ' << info.st_atim.tv_sec << '.'
         << info.st_atim.tv_nsec << ' ' << info.st_mtim.tv_sec << '.' << info.st_mtim.tv_nsec << ' '
         << info.st_ctim.tv_sec << '.' << info.st_ctim.tv_nsec;
    if (S_ISREG(info.st_mode)) line << ' ' << std::hash<std::string>{}(ReadFileBytes(path));
    entries[fs::relative(path, root.parent_path()).generic_string()] = line.str();
  }
  return entries;
}

std::string Sha256Sum(const fs::path& path) {
  const std::string command = "sha256sum '" + path.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  char hex[65] = {};
  const size_t n = std::fread(hex, 1, 64, pipe);
  pclose(pipe);
  return std::string(hex, n);
}

// cache name -> "mirror path | action" of a manifest or a plan.
std::map<std::string, std::string> Fates(const std::string& csv, size_t placeColumn,
                                         size_t actionColumn) {
  std::map<std::string, std::string> fates;
  const auto records = ParseCsv(csv);
  for (size_t i = 1; i < records.size(); ++i) {
    fates[records[i][0]] = records[i][placeColumn] + " | " + records[i][actionColumn];
  }
  return fates;
}

struct Sample {
  const char* name;
  std::vector<std::string> flags;
};
const Sample kSamples[] = {
    {"jch-cache", {}},
    {"jch-cache", {"--broken-images=delete"}},
    {"special-cache", {"--broken-images=report"}},
    {"m-cache", {"--broken-images=delete"}},
    {"cacheprefix-cache", {"--broken-images=trash"}},
    {"tangled", {"--broken-images=report"}},
};

void WriteFile(const fs::path& path, const std::string& bytes, int ageSeconds = 0) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
}

// A cache whose files meet each other in the mirror: a page whose name a
// later URL needs as a folder, two copies of one URL (the older is
// deleted), an earlier run's newer copy, a name taken in the cache folder,
// a URL with no place, a link, a stored HTTP header, a broken image and two
// names that differ only in case.
void WriteTangledCache(const fs::path& cache) {
  WriteFile(cache / "CCHMGR20.DAT",
            "JustView 2.0 Cache Manager\r\n"
            "http://t.example/a,JCH00001.html\r\n"
            "http://t.example/a/b.html,JCH00002.html\r\n"
            "http://t.example/same.gif,JCH00003.gif\r\n"
            "http://t.example/same.gif,JCH00004.gif\r\n"
            "http://t.example/old.html,JCH00005.html\r\n"
            "http://t.example/taken.html,JCH00006.html\r\n"
            "notes.html,JCH00007.html\r\n"
            "http://t.example/link.html,JCH00008.html\r\n"
            "http://t.example/wrapped.gif,JCH00009.gif\r\n"
            "http://t.example/broken.gif,JCH00010.gif\r\n"
            "http://t.example/Case.html,JCH00011.html\r\n"
            "http://t.example/case.html,JCH00012.html\r\n");
  const fs::path samples = fs::path(HOARD_SOURCE_DIR) / "examples" / "special-cache";
  const std::string gif = ReadFileBytes(samples / "JCH00004.GIF");
  WriteFile(cache / "JCH00001.HTM", "<a href=\"a/b.html\">b</a>");
  WriteFile(cache / "JCH00002.HTM", "<a href=\"../a\">a</a>");
  WriteFile(cache / "JCH00003.GIF", gif, 10);
  WriteFile(cache / "JCH00004.GIF", gif + "old", 100);
  WriteFile(cache / "JCH00005.HTM", "<p>older than the mirror's</p>", 100);
  WriteFile(cache / "t.example" / "old.html", "<p>an earlier run's</p>");
  WriteFile(cache / "JCH00006.HTM", "<p>taken</p>");
  WriteFile(cache / "taken.html", "the user's own");
  WriteFile(cache / "JCH00007.HTM", "<p>notes</p>");
  fs::create_symlink("/etc/hostname", cache / "JCH00008.HTM");
  WriteFile(cache / "JCH00009.GIF", "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + gif);
  WriteFile(cache / "JCH00010.GIF", ReadFileBytes(samples / "JCH00005.GIF"));
  WriteFile(cache / "JCH00011.HTM", "<p>Case</p>");
  WriteFile(cache / "JCH00012.HTM", "<p>case</p>");
}

std::vector<std::string> With(std::vector<std::string> flags, std::vector<std::string> more) {
  flags.insert(flags.end(), more.begin(), more.end());
  return flags;
}

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::BuiltProgramPath())) GTEST_SKIP() << "hoard-hoard is not built beside the tests";
  }
  void Fresh(const Sample& sample) {
    fs::remove_all(Cache());
    if (std::string(sample.name) == "tangled") return WriteTangledCache(Cache());
    fs::copy(fs::path(HOARD_SOURCE_DIR) / "examples" / sample.name, Cache(),
             fs::copy_options::recursive);
  }
  fs::path Cache() const { return work_.Path() / "cache"; }
  test::TempFolder work_;
  test::TempFolder config_;
};

TEST_F(OutputTest, OutputLeavesTheCacheAsItWasAndMirrorsAsInPlace) {
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(std::string(sample.name) + (sample.flags.empty() ? "" : " " + sample.flags[0]));
    Fresh(sample);
    fs::remove_all(work_.Path() / "inplace");
    fs::remove_all(work_.Path() / "out");
    // A copy as a user makes one: links as links, times kept.
    const std::string copy =
        "cp -a '" + Cache().string() + "' '" + (work_.Path() / "inplace").string() + "'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    Snapshot(Cache());
    const auto before = Snapshot(Cache());
    const ProgramRun out = RunProgram(work_.Path(), config_.Path(),
                                      With(sample.flags, {"-q", "--output", "out", "cache"}));
    EXPECT_EQ(Snapshot(Cache()), before);
    const ProgramRun inPlace =
        RunProgram(work_.Path(), config_.Path(), With(sample.flags, {"-q", "inplace"}));
    EXPECT_EQ(out.status, inPlace.status) << out.err;
    std::vector<std::string> outFiles;
    std::vector<std::string> inPlaceFiles;
    for (const auto& f : test::FilesBelow(work_.Path() / "out"))
      outFiles.push_back(f.path + " " + f.bytes);
    for (const auto& f : test::FilesBelow(work_.Path() / "inplace"))
      inPlaceFiles.push_back(f.path + " " + f.bytes);
    EXPECT_EQ(outFiles, inPlaceFiles);
    EXPECT_TRUE(fs::exists(work_.Path() / "out" / "h-hoard-manifest.csv"));
  }
  // File arguments: their whole folder is copied, only they are converted.
  Fresh(kSamples[0]);
  Snapshot(Cache());
  const auto before = Snapshot(Cache());
  const ProgramRun files =
      RunProgram(work_.Path(), config_.Path(), {"-q", "--output", "files", "cache/JCH00001.HTM"});
  EXPECT_EQ(files.status, 0) << files.err;
  EXPECT_EQ(Snapshot(Cache()), before);
  EXPECT_TRUE(fs::exists(work_.Path() / "files" / "www.example.co.jp" / "index.html"));
  EXPECT_FALSE(fs::exists(work_.Path() / "files" / "JCH00001.HTM"));
  EXPECT_TRUE(fs::exists(work_.Path() / "files" / "JCH00002.HTM"));
}

TEST_F(OutputTest, AnOutputFolderThatCouldHarmTheCacheIsRefused) {
  Fresh(kSamples[0]);
  fs::create_directory(work_.Path() / "full");
  std::ofstream(work_.Path() / "full" / "mine.txt") << "the user's";
  fs::create_directory(work_.Path() / "elsewhere");
  fs::create_directory_symlink(work_.Path() / "elsewhere", work_.Path() / "link");
  fs::create_directory(work_.Path() / "other");
  std::ofstream(work_.Path() / "other" / "JCH00001.HTM") << "<p>another cache's</p>";
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {"the cache folder itself", {"--output", "cache", "cache"}, "the cache folder itself"},
      {"the same spelt another way", {"--output=./cache/", "cache"}, "the cache folder itself"},
      {"a folder inside the cache folder", {"--output", "cache/out", "cache"}, "inside the cache"},
      {"the cache folder of file arguments",
       {"--output", "cache/o", "cache/JCH00001.HTM"},
       "inside the cache"},
      {"a folder that holds files", {"--output", "full", "cache"}, "not empty"},
      {"a link", {"--output", "link", "cache"}, "is a link"},
      {"a missing parent", {"--output", "no/such/out", "cache"}, "parent folder does not exist"},
      {"files of two cache folders",
       {"--output", "out", "cache/JCH00001.HTM", "other/JCH00001.HTM"},
       "in one cache folder"},
  };
  Snapshot(Cache());
  const auto before = Snapshot(Cache());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(work_.Path() / "out"));
  EXPECT_EQ(Snapshot(Cache()), before);
  EXPECT_TRUE(fs::is_empty(work_.Path() / "elsewhere"));
  EXPECT_EQ(std::distance(fs::directory_iterator(work_.Path() / "full"), fs::directory_iterator()),
            1);
}

TEST_F(OutputTest, ThePlanChangesNothingAndIsWhatTheRunThenDoes) {
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(std::string(sample.name) + (sample.flags.empty() ? "" : " " + sample.flags[0]));
    Fresh(sample);
    Snapshot(Cache());
    const auto before = Snapshot(Cache());
    const ProgramRun plan =
        RunProgram(work_.Path(), config_.Path(), With(sample.flags, {"--plan", "cache"}));
    EXPECT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(Snapshot(Cache()), before);
    const ProgramRun run =
        RunProgram(work_.Path(), config_.Path(), With(sample.flags, {"-q", "cache"}));
    const auto planned = Fates(plan.out, 2, 6);
    EXPECT_FALSE(planned.empty());
    EXPECT_EQ(planned, Fates(ReadFileBytes(Cache() / "h-hoard-manifest.csv"), 2, 8));
  }
}

TEST_F(OutputTest, EveryManifestRowNamesAFileWithItsChecksum) {
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(std::string(sample.name) + (sample.flags.empty() ? "" : " " + sample.flags[0]));
    Fresh(sample);
    RunProgram(work_.Path(), config_.Path(), With(sample.flags, {"-q", "cache"}));
    const auto records = ParseCsv(ReadFileBytes(Cache() / "h-hoard-manifest.csv"));
    ASSERT_GT(records.size(), 1u);
    EXPECT_EQ(FormatCsvLine({records[0].begin(), records[0].end()}), kManifestHeader);
    for (size_t i = 1; i < records.size(); ++i) {
      const std::vector<std::string>& row = records[i];
      SCOPED_TRACE(row[0]);
      ASSERT_EQ(row.size(), 9u);
      const fs::path place = Cache() / (row[2].empty() ? row[0] : row[2]);
      if (row[8] == "leave: a link") {
        // Never followed, so never read.
        EXPECT_TRUE(fs::is_symlink(place));
        continue;
      }
      if (row[7].empty()) {
        // Gone: deleted or recycled, as its action says.
        EXPECT_FALSE(fs::exists(place));
        EXPECT_TRUE(row[8].find("delete") != std::string::npos ||
                    row[8].find("recycled") != std::string::npos)
            << row[8];
        continue;
      }
      ASSERT_TRUE(fs::is_regular_file(place));
      EXPECT_EQ(row[7], Sha256Sum(place));
      EXPECT_EQ(row[6], std::to_string(fs::file_size(place)));
    }
  }
}

// A batch ended at any moment leaves the earlier manifest whole: each of its
// rows is still there, in a file that parses to the end.
TEST_F(OutputTest, ABatchKilledHalfWayLeavesTheEarlierManifestWhole) {
  for (long killAfter = 20000; killAfter <= 400000; killAfter += 40000) {
    SCOPED_TRACE(killAfter);
    Fresh(kSamples[0]);
    RunProgram(work_.Path(), config_.Path(), {"-q", "cache/JCH00001.HTM", "cache/JCH00004.JPG"});
    const std::string earlier = ReadFileBytes(Cache() / "h-hoard-manifest.csv");
    ASSERT_EQ(ParseCsv(earlier).size(), 3u);
    RunProgram(work_.Path(), config_.Path(), {"-q", "cache"}, killAfter);
    const std::string after = ReadFileBytes(Cache() / "h-hoard-manifest.csv");
    EXPECT_EQ(after.substr(0, earlier.size()), earlier);
    EXPECT_EQ(after.substr(after.size() - 2), "\r\n");
  }
}

}  // namespace
}  // namespace hoard

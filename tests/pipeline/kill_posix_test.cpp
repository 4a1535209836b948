// The terminal program killed while it rewrites pages of several MB: the
// process ends itself with SIGKILL or SIGTERM just before its k-th counted
// file call (HOARD_HOARD_KILL_AT_CALL, platform/posix/faults.h; a write
// chosen so leaves half its bytes on the disk), for moments spread over
// the whole batch. After each kill every page is its old bytes or its new
// ones under its name, never cut short; a following run clears what the
// killed one left and ends with every cache file in the mirror.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/nothinglost.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

// Runs the program over `cache` with no terminal, its settings under
// `config`; `killAt` 0 runs it whole. The exit status, or 128 + the signal
// that ended it; -1 when it did not end within a minute.
// `errors`, when given, receives its standard error.
int RunProgram(const fs::path& cache, const fs::path& config, uint64_t killAt, int signal,
               const fs::path& errors = {}) {
  const std::string kill = std::to_string(killAt) + ":" + std::to_string(signal);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    const int err = errors.empty() ? null : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || err < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(err, 2) < 0) {
      _exit(126);
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    if (killAt != 0) {
      setenv("HOARD_HOARD_KILL_AT_CALL", kill.c_str(), 1);
    } else {
      unsetenv("HOARD_HOARD_KILL_AT_CALL");
    }
    const std::string program = test::BuiltProgramPath().string();
    const std::string folder = cache.string() + "/";
    execl(program.c_str(), program.c_str(), "--links", "--keep-backups", "--lf-to-cr", "-q",
          folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return -1;
    }
    usleep(2000);
  }
}

struct Page {
  std::string cacheName;
  std::string mirrorPath;
  std::string oldBytes;
  std::string newBytes;  // as a whole run leaves it
  std::string cutBytes;  // in the mirror before the rewrite
};

// A page of about `size` bytes with LF line ends and a link to turn relative
// every 64 KiB, so that its rewrite is many writes.
std::string BigPage(size_t size, int number) {
  std::string page = "<HTML><BODY>\n";
  const std::string line = "<P>page " + std::to_string(number) + " text text text text text</P>\n";
  size_t sinceLink = 0;
  int link = 0;
  while (page.size() < size) {
    page += line;
    sinceLink += line.size();
    if (sinceLink >= 64 * 1024) {
      page += "<A HREF=\"http://k.example/d/p" + std::to_string(++link) + ".html\">n</A>\n";
      sinceLink = 0;
    }
  }
  return page + "</BODY></HTML>\n";
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::BuiltProgramPath())) {
      GTEST_SKIP() << "the hoard-hoard program is not built beside the tests";
    }
    // The second page is copied, not renamed, into the mirror: its stored
    // HTTP header is cut on the way.
    const std::string stored = BigPage(48 << 10, 2);
    pages_ = {{"JCH00001.HTM", "k.example/d/p1.html", BigPage(2 << 20, 1), {}, {}},
              {"JCH00002.HTM", "k.example/d/p2.html",
               "HTTP/1.0 200 OK\r\nDate: Sun, 01 Apr 2001 03:04:05 GMT\r\n"
               "Server: Apache/1.3.19 (Unix)\r\nContent-Type: text/html\r\n\r\n" +
                   stored, {}, stored},
              {"JCH00003.HTM", "k.example/p3.html", BigPage(1 << 20, 3), {}, {}}};
    for (Page& page : pages_) {
      if (page.cutBytes.empty()) page.cutBytes = page.oldBytes;
    }
  }

  // A fresh cache of the pages under `root`.
  fs::path BuildCache(const fs::path& root) const {
    const fs::path cache = root / "cache";
    fs::create_directories(cache);
    std::string log;
    for (const Page& page : pages_) {
      std::ofstream(cache / page.cacheName, std::ios::binary) << page.oldBytes;
      log += "http://" + page.mirrorPath + "," + page.cacheName.substr(0, 8) + ".html\r\n";
    }
    std::ofstream(cache / "CCHMGR20.DAT", std::ios::binary) << log;
    return cache;
  }

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Every page that stands under its cache name or its mirror name, and is
  // neither its old nor its new bytes.
  std::string CutPages(const fs::path& cache) const {
    std::string problems;
    for (const Page& page : pages_) {
      if (fs::exists(cache / page.cacheName) && ReadFile(cache / page.cacheName) != page.oldBytes) {
        problems += page.cacheName + ": changed in the cache folder\n";
      }
      if (!fs::exists(cache / page.mirrorPath)) continue;
      const std::string bytes = ReadFile(cache / page.mirrorPath);
      if (bytes != page.cutBytes && bytes != page.newBytes) {
        problems += page.mirrorPath + ": " + std::to_string(bytes.size()) +
                    " bytes, neither old nor new\n";
      }
    }
    return problems;
  }

  static size_t UnfinishedFiles(const fs::path& cache) {
    size_t count = 0;
    for (const auto& item : fs::recursive_directory_iterator(cache)) {
      if (item.path().string().find(".hoard-unfinished") != std::string::npos) ++count;
    }
    return count;
  }

  std::vector<Page> pages_;
  test::TempFolder config_;
};

TEST_F(KillTest, AKilledRunLeavesEveryPageWholeAndTheNextRunFinishesTheBatch) {
  {
    test::TempFolder reference;
    const fs::path cache = BuildCache(reference.Path());
    ASSERT_EQ(RunProgram(cache, config_.Path(), 0, 0), 0);
    for (Page& page : pages_) {
      page.newBytes = ReadFile(cache / page.mirrorPath);
      ASSERT_NE(page.newBytes, page.oldBytes) << page.mirrorPath;
    }
  }
  // The batch's counted calls: the first moment at which a kill no longer
  // comes.
  constexpr uint64_t kMostCalls = 1 << 12;
  uint64_t low = 1;
  uint64_t high = kMostCalls;
  while (low < high) {
    const uint64_t middle = (low + high) / 2;
    test::TempFolder root;
    if (RunProgram(BuildCache(root.Path()), config_.Path(), middle, SIGKILL) == 128 + SIGKILL) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  const uint64_t calls = low - 1;
  ASSERT_GT(calls, 20u);
  ASSERT_LT(calls, kMostCalls - 1);
  RecordProperty("counted_calls", std::to_string(calls));

  struct Case {
    const char* what;
    int signal;
  };
  const Case cases[] = {{"kill -9", SIGKILL}, {"SIGTERM", SIGTERM}};
  // Each signal at its own moments, the second half a step after the first.
  constexpr uint64_t kMoments = 10;
  const uint64_t step = calls / kMoments;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    for (uint64_t j = 0; j < kMoments; ++j) {
      const uint64_t at = 1 + j * step + i * step / 2;
      SCOPED_TRACE(std::string(c.what) + " before counted call " + std::to_string(at) + " of " +
                   std::to_string(calls));
      test::TempFolder root;
      const fs::path cache = BuildCache(root.Path());
      test::NothingLost lost(cache);
      ASSERT_EQ(RunProgram(cache, config_.Path(), at, c.signal), 128 + c.signal);
      EXPECT_EQ(CutPages(cache), "");
      // A page whose rewrite was cut off is named by the next run.
      std::vector<std::string> interrupted;
      for (const auto& item : fs::recursive_directory_iterator(cache)) {
        const std::string path = item.path().string();
        const size_t at = path.rfind(".hoard-unfinished");
        if (at != std::string::npos && item.path().parent_path() != cache) {
          interrupted.push_back(path.substr(0, at));
        }
      }
      const fs::path errors = root.Path() / "errors.txt";
      EXPECT_EQ(RunProgram(cache, config_.Path(), 0, 0, errors), 0);
      const std::string told = ReadFile(errors);
      for (const std::string& page : interrupted) {
        EXPECT_NE(told.find(page + ": an earlier run stopped while rewriting this page"),
                  std::string::npos)
            << told;
      }
      EXPECT_EQ(CutPages(cache), "");
      EXPECT_EQ(UnfinishedFiles(cache), 0u);
      EXPECT_EQ(lost.Check(), "");
      for (const Page& page : pages_) {
        EXPECT_TRUE(fs::exists(cache / page.mirrorPath)) << page.mirrorPath;
        EXPECT_FALSE(fs::exists(cache / page.cacheName)) << page.cacheName;
      }
    }
  }
}

}  // namespace
// A rewrite cut off by a kill leaves the page whole beside the start of its
// new text; the next run removes that and names the page, whose links are
// as they were.
TEST_F(KillTest, TheNextRunNamesAPageWhoseRewriteWasCutOff) {
  test::TempFolder root;
  const fs::path cache = BuildCache(root.Path());
  ASSERT_EQ(RunProgram(cache, config_.Path(), 0, 0), 0);
  const fs::path page = cache / pages_[0].mirrorPath;
  const fs::path unfinished = page.string() + ".hoard-unfinished";
  std::ofstream(unfinished, std::ios::binary) << pages_[0].newBytes.substr(0, 1000);
  const std::string before = ReadFile(page);
  const fs::path errors = root.Path() / "errors.txt";
  EXPECT_EQ(RunProgram(cache, config_.Path(), 0, 0, errors), 0);
  EXPECT_FALSE(fs::exists(unfinished));
  EXPECT_EQ(ReadFile(page), before);
  EXPECT_NE(ReadFile(errors).find(page.string() +
                                  ": an earlier run stopped while rewriting this page"),
            std::string::npos)
      << ReadFile(errors);
}

}  // namespace hoard

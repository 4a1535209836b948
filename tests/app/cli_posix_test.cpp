// The terminal program as a script calls it: stdin from /dev/null, its
// output and exit status read back. Every run is bounded in time.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

// BUILD/tests/hoard_tests runs BUILD/hoard-hoard.
fs::path ProgramPath() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return self.parent_path().parent_path() / "hoard-hoard";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program did not end in time
  std::string out;
  std::string err;
};

// Runs the program in `folder` with its settings under `config`, standard
// input from /dev/null and `locale` as LC_ALL.
ProgramRun RunProgram(const fs::path& folder, const fs::path& config, std::vector<std::string> args,
               const char* locale = "C.UTF-8") {
  const fs::path outPath = config / "stdout.txt";
  const fs::path errPath = config / "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(126);
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    unsetenv("LANG");
    unsetenv("LC_MESSAGES");
    setenv("LC_ALL", locale, 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    if (chdir(folder.c_str()) != 0) _exit(126);
    const std::string program = ProgramPath().string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ProgramRun run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      break;
    }
    usleep(10000);
  }
  run.out = ReadAll(outPath);
  run.err = ReadAll(errPath);
  return run;
}

// A copy of one of the sample caches.
void CopySample(const char* sample, const fs::path& to) {
  fs::copy(fs::path(HOARD_SOURCE_DIR) / "examples" / sample, to, fs::copy_options::recursive);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ProgramPath())) {
      GTEST_SKIP() << "the hoard-hoard program is not built beside the tests (" << ProgramPath()
                   << "); build every target";
    }
  }
  test::TempFolder work_;
  test::TempFolder config_;
};

TEST_F(ProgramTest, ExitStatusAndMessagesTellTheCallerWhatHappened) {
  CopySample("jch-cache", work_.Path() / "cache");
  fs::create_directory(work_.Path() / "closed");
  fs::permissions(work_.Path() / "closed", fs::perms::none);
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    const char* out;  // a text the standard output holds
    const char* err;  // a text the standard error holds
  };
  const Case cases[] = {
      {"the version", {"--version"}, 0, "hoard-hoard 2.2\n", ""},
      {"the help names every option and the exit statuses", {"--help"}, 0, "--version", ""},
      {"an unknown long option", {"--bogus", "cache"}, 2, "", "unknown option '--bogus'\nusage:"},
      {"an unknown short option in a cluster", {"-lz", "cache"}, 2, "", "unknown option '-z'"},
      {"a flag given a value", {"--list=yes", "cache"}, 2, "", "'--list=yes'"},
      {"no path and nobody to ask", {}, 2, "", "usage:"},
      {"a missing path", {"no-such-folder"}, 2, "", "no-such-folder: No such file or directory"},
      {"a missing path among good ones", {"cache/JCH00001.HTM", "gone.htm"}, 2, "", "gone.htm"},
      {"an unreadable folder", {"closed"}, 2, "", "closed: Permission denied"},
      {"a whole cache folder", {"cache"}, 0, "JCH00001.HTM", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (geteuid() == 0 && std::string(c.what) == "an unreadable folder") {
      std::cout << "(not tried: " << c.what << "; root reads every folder)\n";
      continue;
    }
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    if (c.status == 2) {
      EXPECT_TRUE(fs::exists(work_.Path() / "cache" / "JCH00001.HTM"));
    }
  }
  // The refused run touched nothing.
  fs::permissions(work_.Path() / "closed", fs::perms::owner_all);
}

// Every name under `folder` with its size: what a run may have touched.
std::string Listing(const fs::path& folder) {
  std::string listing;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    listing += entry.path().lexically_relative(folder).string();
    if (entry.is_regular_file()) listing += " " + std::to_string(entry.file_size());
    listing += "\n";
  }
  return listing;
}

// Without a terminal a cache log the run cannot use ends it, touching nothing:
// going on without the log would rewrite every page as a file of the user's
// own.
TEST_F(ProgramTest, WithoutATerminalAnUnusableCacheLogEndsTheRunTouchingNothing) {
  struct Case {
    const char* what;
    void (*spoil)(const fs::path& log);
    const char* err;
  };
  const Case cases[] = {
      {"a missing log", [](const fs::path& log) { fs::remove(log); }, "CCHMGR20.DAT"},
      {"an empty log", [](const fs::path& log) { std::ofstream(log, std::ios::trunc); },
       "CCHMGR20.DAT"},
      {"a log that is not text",
       [](const fs::path& log) { std::ofstream(log, std::ios::binary) << std::string(64, '\0'); },
       "CCHMGR20.DAT"},
      {"an unreadable log", [](const fs::path& log) { fs::permissions(log, fs::perms::none); },
       "CCHMGR20.DAT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (geteuid() == 0 && std::string(c.what) == "an unreadable log") {
      std::cout << "(not tried: " << c.what << "; root reads every file)\n";
      continue;
    }
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    CopySample("jch-cache", cache);
    c.spoil(cache / "CCHMGR20.DAT");
    const std::string before = Listing(cache);
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), {"cache"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(Listing(cache), before);
    std::error_code ignored;
    fs::permissions(cache / "CCHMGR20.DAT", fs::perms::owner_all, fs::perm_options::add, ignored);
  }
}

size_t CountNamed(const fs::path& folder, const std::string& tail) {
  size_t count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      ++count;
    }
  }
  return count;
}

// A flag changes its setting for the run it is given to, and never the
// settings file (a first start keeps backups off and edits links).
TEST_F(ProgramTest, FlagsChangeTheirSettingForOneRunOnly) {
  struct Case {
    const char* what;
    const char* sample;
    std::vector<std::string> flags;
    const char* tail;  // files whose names end so are counted
    size_t count;
  };
  const Case cases[] = {
      {"the settings file: backups deleted", "jch-cache", {}, ".bk", 0},
      {"backups kept", "jch-cache", {"--keep-backups"}, ".bk", 3},
      {"backups kept, links left alone: nothing rewritten", "jch-cache",
       {"--keep-backups", "--no-links"}, ".bk", 0},
      {"broken images not looked for move", "special-cache", {"--broken-images=off"}, "broken.gif",
       1},
      {"broken images reported stay", "special-cache", {"--broken-images=report"}, "JCH00005.GIF",
       1},
      {"broken images deleted", "special-cache", {"--broken-images=delete"}, "JCH00005.GIF", 0},
  };
  std::string settings;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    CopySample(c.sample, cache);
    std::vector<std::string> args = c.flags;
    args.push_back("cache");
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(CountNamed(cache, c.tail), c.count);
    std::string now;
    for (const auto& entry : fs::directory_iterator(config_.Path() / "hoard-hoard")) {
      if (entry.path().extension() == ".qrc") now = ReadAll(entry.path());
    }
    ASSERT_EQ(now.size(), 512u);
    if (settings.empty()) settings = now;
    EXPECT_EQ(now, settings);
  }
  const ProgramRun bad = RunProgram(work_.Path(), config_.Path(), {"--broken-images=x", "cache"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("'--broken-images=x'"), std::string::npos) << bad.err;
}

// The number after "key": in a JSON line; -1 when it is not there.
long JsonNumber(const std::string& line, const std::string& key) {
  const size_t at = line.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::strtol(line.c_str() + at + key.size() + 3, nullptr, 10);
}

// The summary's counts, held against what the run left on disk.
TEST_F(ProgramTest, TheSummaryCountsWhatTheMirrorHolds) {
  for (const char* sample : {"jch-cache", "special-cache"}) {
    SCOPED_TRACE(sample);
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    CopySample(sample, cache);
    size_t cacheFiles = 0;
    for (const auto& entry : fs::directory_iterator(cache)) {
      cacheFiles += entry.path().filename().string().rfind("JCH", 0) == 0 ? 1 : 0;
    }
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(),
                                      {"--summary=json", "--broken-images=delete", "-q", "cache"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string line = run.err.substr(run.err.rfind("{\"files\":"));
    size_t stayed = 0;
    for (const auto& entry : fs::directory_iterator(cache)) {
      stayed += entry.path().filename().string().rfind("JCH", 0) == 0 ? 1 : 0;
    }
    const std::string detections = fs::exists(cache / "h-hoard.csv") ? ReadAll(cache / "h-hoard.csv") : "";
    const long detected = detections.empty() ? 0 : std::count(detections.begin(), detections.end(), '\n') - 1;
    EXPECT_EQ(JsonNumber(line, "files"), static_cast<long>(cacheFiles)) << line;
    EXPECT_EQ(JsonNumber(line, "unlisted"), static_cast<long>(stayed)) << line;
    EXPECT_EQ(JsonNumber(line, "listed"), static_cast<long>(cacheFiles - stayed)) << line;
    EXPECT_EQ(JsonNumber(line, "broken_images"), detected) << line;
    EXPECT_EQ(JsonNumber(line, "left_in_cache_folder"), 0) << line;
  }
}

}  // namespace
}  // namespace hoard

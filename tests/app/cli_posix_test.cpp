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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/nothinglost.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

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

// Whether a child can drop root's rights to run as nobody (the tests of
// refused permissions need a user that root's rights do not cover).
bool CanRunAsNobody() {
  return geteuid() == 0 && std::system("setpriv --reuid=nobody --regid=nogroup --clear-groups true "
                                       ">/dev/null 2>&1") == 0;
}

// Runs the program in `folder` with its settings under `config`, standard
// input from /dev/null and `locale` as LC_ALL (LANG when `locale` starts
// with "LANG="); as the user nobody when `asNobody`.
ProgramRun RunProgram(const fs::path& folder, const fs::path& config, std::vector<std::string> args,
               const char* locale = "C.UTF-8", bool asNobody = false) {
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
    unsetenv("LC_ALL");
    if (std::strncmp(locale, "LANG=", 5) == 0) {
      setenv("LANG", locale + 5, 1);
    } else {
      setenv("LC_ALL", locale, 1);
    }
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    if (chdir(folder.c_str()) != 0) _exit(126);
    const std::string program = test::BuiltProgramPath().string();
    std::vector<std::string> words;
    if (asNobody) words = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
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
    if (!fs::exists(test::BuiltProgramPath())) {
      GTEST_SKIP() << "the hoard-hoard program is not built beside the tests (" << test::BuiltProgramPath()
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
                                      {"--summary=json", "--broken-images=delete", "--keep-backups",
                                       "-q", "cache"});
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
    // In the mirror: every file moved, a backup beside each rewritten page.
    long mirrored = 0;
    for (const auto& entry : fs::recursive_directory_iterator(cache)) {
      mirrored += entry.is_regular_file() && entry.path().parent_path() != cache &&
                  entry.path().extension() != ".bk";
    }
    EXPECT_EQ(JsonNumber(line, "moved"), mirrored) << line;
    EXPECT_EQ(JsonNumber(line, "pages_rewritten"), static_cast<long>(CountNamed(cache, ".bk"))) << line;
  }
}

// A generated cache of `count` pages, each listed in the cache log under a
// URL of its own in one of 40 folders.
void MakeGeneratedCache(const fs::path& cache, int count) {
  fs::create_directories(cache);
  std::ofstream log(cache / "CCHMGR20.DAT", std::ios::binary);
  log << "JustView 2.0 Cache Manager\r\n";
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "JCH%05d", i);
    const std::string url = "http://gen.example.jp/d" + std::to_string(i % 40) + "/p" + std::to_string(i) + ".html";
    log << url << "," << name << ".html\r\n";
    std::ofstream(cache / (std::string(name) + ".HTM"), std::ios::binary)
        << "<html><a href=\"" << url << "x\">next</a></html>\n";
  }
}

size_t CacheFilesLeft(const fs::path& cache) {
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(cache)) {
    count += entry.path().filename().string().rfind("JCH", 0) == 0 ? 1 : 0;
  }
  return count;
}

// A folder of more cache files than one batch takes is converted whole, batch
// after batch, nothing lost; --batch-limit keeps one batch; files that stay
// are never taken again, so the run ends.
TEST_F(ProgramTest, AWholeFolderIsConvertedBatchAfterBatch) {
  struct Case {
    const char* what;
    int files;
    int links;  // cache files made links to a folder: they stay
    std::vector<std::string> flags;
    int status;
    long batches;
    long moved;
  };
  const Case cases[] = {
      {"2,500 files in one run", 2500, 0, {}, 0, 3, 2500},
      {"one batch of at most 300", 400, 0, {"--batch-limit=300"}, 0, 1, 300},
      {"files that stay end the run", 1010, 10, {}, 1, 2, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    MakeGeneratedCache(cache, c.files);
    for (int i = 1; i <= c.links; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "JCH%05d.HTM", i * 7);
      fs::remove(cache / name);
      fs::create_directory_symlink(work_.Path(), cache / name);
    }
    const test::NothingLost checker(cache);
    std::vector<std::string> args = c.flags;
    args.insert(args.end(), {"--summary=json", "-q", "cache"});
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), args);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::string line = run.err.substr(run.err.rfind("{\"files\":"));
    EXPECT_EQ(JsonNumber(line, "batches"), c.batches) << line;
    EXPECT_EQ(JsonNumber(line, "moved"), c.moved) << line;
    EXPECT_EQ(JsonNumber(line, "pages_rewritten"), c.moved) << line;
    EXPECT_EQ(JsonNumber(line, "link_to_folder"), c.links) << line;
    EXPECT_EQ(CacheFilesLeft(cache), static_cast<size_t>(c.files - c.moved));
    EXPECT_EQ(checker.Check(), "");
  }
}

// Each file passed over is named on standard error with why it stayed, and
// counted by its kind in the summary.
TEST_F(ProgramTest, EveryFilePassedOverIsNamedWithItsReason) {
  const fs::path cache = work_.Path() / "cache";
  CopySample("jch-cache", cache);
  {
    std::ofstream log(cache / "CCHMGR20.DAT", std::ios::app | std::ios::binary);
    log << "http://www.example.co.jp/a,b,c.html,JCH00031.html\r\n";
  }
  std::ofstream(cache / "JCH00031.HTM") << "<html>commas</html>\n";
  fs::create_directory_symlink(work_.Path(), cache / "JCH00032.HTM");
  fs::create_symlink("JCH00033.HTM", cache / "JCH00033.HTM");
  fs::create_symlink("JCH00001.HTM", cache / "JCH00034.HTM");
  struct Case {
    const char* name;
    const char* key;
    const char* words;
  };
  const Case cases[] = {
      {"JCH00031.HTM", "url_with_commas", "its URL in the cache log has commas"},
      {"JCH00032.HTM", "link_to_folder", "it is a link to a folder"},
      {"JCH00033.HTM", "link_loop", "it is a link in a loop"},
      {"JCH00034.HTM", "link", "it is a link"},
  };
  const ProgramRun run = RunProgram(work_.Path(), config_.Path(), {"--summary=json", "cache"});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string line = run.err.substr(run.err.rfind("{\"files\":"));
  EXPECT_EQ(JsonNumber(line, "left_in_cache_folder"), static_cast<long>(std::size(cases))) << line;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(run.err.find(std::string("hoard-hoard: ") + c.name + ": stayed in the cache folder: " + c.words),
              std::string::npos) << run.err;
    EXPECT_EQ(JsonNumber(line, c.key), 1) << line;
    EXPECT_TRUE(fs::is_symlink(cache / c.name) || fs::exists(cache / c.name));
  }
  EXPECT_EQ(ReadAll(cache / "JCH00031.HTM"), "<html>commas</html>\n");
}

// The cache log and the domain table named on the command line, for one run:
// used in place of the ones beside the files or remembered; a path that
// cannot be read is a usage error naming it.
TEST_F(ProgramTest, TheCacheLogAndDomainTableNamedForOneRun) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    const char* err;
    const char* made;  // a folder the mirror holds afterwards; "" for none
  };
  const Case cases[] = {
      {"the log named elsewhere", {"--log", "elsewhere/CCHMGR20.DAT", "cache"}, 0, "", "cache/www.example.co.jp"},
      {"a missing log", {"--log=gone.dat", "cache"}, 2, "gone.dat: No such file or directory", ""},
      {"a folder as the log", {"--log", "elsewhere", "cache"}, 2, "elsewhere: Is a directory", ""},
      {"a file that is no log", {"--log", "elsewhere/zeros.dat", "cache"}, 1, "zeros.dat", ""},
      {"no log at all", {"cache"}, 1, "CCHMGR20.DAT\" is not found or cannot be used", ""},
      {"a domain table", {"--log", "elsewhere/CCHMGR20.DAT", "--domain-table", "elsewhere/hosts.csv", "cache"}, 0,
       "", "cache/mirror.example"},
      {"a missing domain table", {"--domain-table", "nothing.csv", "cache"}, 2, "nothing.csv: No such file", ""},
      {"no value", {"cache", "--log"}, 2, "missing value for option '--log'", ""},
      {"a batch limit of nothing", {"--batch-limit=0", "cache"}, 2, "'--batch-limit=0'", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    fs::remove_all(work_.Path() / "elsewhere");
    CopySample("jch-cache", cache);
    fs::create_directory(work_.Path() / "elsewhere");
    fs::rename(cache / "CCHMGR20.DAT", work_.Path() / "elsewhere" / "CCHMGR20.DAT");
    std::ofstream(work_.Path() / "elsewhere" / "zeros.dat", std::ios::binary) << std::string(64, '\0');
    std::ofstream(work_.Path() / "elsewhere" / "hosts.csv") << "www.example.co.jp,mirror.example\r\n";
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    if (c.made[0] != '\0') {
      EXPECT_TRUE(fs::is_directory(work_.Path() / c.made)) << run.err;
    }
    if (c.status != 0) {
      EXPECT_TRUE(fs::exists(cache / "JCH00001.HTM"));
    }
  }
  // Nothing named for a run is remembered.
  for (const auto& entry : fs::recursive_directory_iterator(config_.Path())) {
    if (entry.is_regular_file()) {
      EXPECT_EQ(ReadAll(entry.path()).find("hosts.csv"), std::string::npos);
    }
  }
}

// Messages in the locale's language, errors in words; the refused
// permissions as a user other than root.
TEST_F(ProgramTest, MessagesInTheLocalesLanguageAndErrorsInWords) {
  struct Case {
    const char* what;
    const char* locale;
    bool asNobody;
    void (*spoil)(const fs::path& cache);
    const char* err;
  };
  const Case cases[] = {
      {"English", "C", false, [](const fs::path& cache) { fs::remove(cache / "CCHMGR20.DAT"); },
       "The cache log \"CCHMGR20.DAT\" is not found or cannot be used."},
      {"Japanese", "ja_JP.UTF-8", false, [](const fs::path& cache) { fs::remove(cache / "CCHMGR20.DAT"); },
       "キャッシュログ\"CCHMGR20.DAT\"が見つからないか、使えません。"},
      {"Japanese by LANG", "LANG=ja_JP.UTF-8", false,
       [](const fs::path& cache) { fs::remove(cache / "CCHMGR20.DAT"); }, "が見つからないか"},
      {"an unreadable log", "C", true,
       [](const fs::path& cache) { fs::permissions(cache / "CCHMGR20.DAT", fs::perms::owner_all); },
       "CCHMGR20.DAT: permission denied"},
      {"an unreadable log in Japanese", "ja_JP.UTF-8", true,
       [](const fs::path& cache) { fs::permissions(cache / "CCHMGR20.DAT", fs::perms::owner_all); },
       "CCHMGR20.DAT: アクセスが拒否されました"},
      {"a folder that cannot be written", "C", true,
       [](const fs::path& cache) { fs::permissions(cache, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec); },
       "A folder cannot be made: permission denied"},
      {"an unreadable folder", "C", true,
       [](const fs::path& cache) { fs::permissions(cache, fs::perms::owner_all); }, "cache: Permission denied"},
      // The rest of the folder is converted: the listing is not compared.
      {"an unreadable cache file", "C", true,
       [](const fs::path& cache) {
         fs::permissions(cache, fs::perms::all);
         fs::permissions(cache / "JCH00002.HTM", fs::perms::none);
       },
       "JCH00002.HTM: stayed in the cache folder: it cannot be read or moved (permission denied)"},
  };
  const bool nobody = CanRunAsNobody() || geteuid() != 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.asNobody && !nobody) {
      std::cout << "(not tried: " << c.what << "; root reads everything and setpriv cannot drop its rights)\n";
      continue;
    }
    const bool drop = c.asNobody && geteuid() == 0;
    const fs::path cache = work_.Path() / "cache";
    fs::remove_all(cache);
    CopySample("jch-cache", cache);
    fs::permissions(work_.Path(), fs::perms::all);
    fs::permissions(config_.Path(), fs::perms::all);
    c.spoil(cache);
    const std::string before = Listing(cache);
    const ProgramRun run = RunProgram(work_.Path(), config_.Path(), {"cache"}, c.locale, drop);
    EXPECT_NE(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    fs::permissions(cache, fs::perms::owner_all, fs::perm_options::add);
    if (std::string(c.what) != "an unreadable cache file") {
      EXPECT_EQ(Listing(cache), before);
    } else {
      EXPECT_TRUE(fs::exists(cache / "JCH00002.HTM"));
    }
  }
}

}  // namespace
}  // namespace hoard

// The terminal front end as a user meets it: the built hoard-hoard program
// runs on a pseudo-terminal, the test types at it and reads what it shows.
// Every wait is bounded; a program that does not answer is killed.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/mainmenu.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(30);

// One run of the program on a pseudo-terminal of 100 columns.
class TerminalRun {
 public:
  TerminalRun(const fs::path& config, const fs::path& folder, std::vector<std::string> args) {
    struct winsize size = {};
    size.ws_row = 40;
    size.ws_col = 100;
    pid_ = forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      setenv("XDG_CONFIG_HOME", config.c_str(), 1);
      // The menu's texts are the Japanese ones under a Japanese locale.
      setenv("LC_ALL", "ja_JP.UTF-8", 1);
      setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      if (chdir(folder.c_str()) != 0) _exit(126);
      const std::string program = test::BuiltProgramPath().string();
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  ~TerminalRun() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  bool Started() const { return pid_ > 0 && master_ >= 0; }

  // Reads until the output since the last Expect holds `text`; false when
  // it does not come in time.
  bool Expect(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
      const size_t found = output_.find(text, consumed_);
      if (found != std::string::npos) {
        consumed_ = found + text.size();
        return true;
      }
      if (Clock::now() > deadline || !ReadSome(deadline)) return false;
    }
  }
  void Type(const std::string& keys) {
    const ssize_t written = write(master_, keys.data(), keys.size());
    ASSERT_EQ(written, static_cast<ssize_t>(keys.size()));
  }
  // Reads to the end and waits for the exit code; -1 when the program did
  // not end in time (it is killed then).
  int Finish() {
    const auto deadline = Clock::now() + kPatience;
    while (ReadSome(deadline)) {
    }
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      usleep(20000);
    }
    return -1;
  }
  const std::string& Output() const { return output_; }

 private:
  // False at the end of the output or when nothing comes before the deadline.
  bool ReadSome(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    struct pollfd wanted = {master_, POLLIN, 0};
    if (poll(&wanted, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;  // EIO once the program has ended
    output_.append(buffer, static_cast<size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  int status_ = -1;
  std::string output_;
  size_t consumed_ = 0;
};

class TerminalFrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(test::BuiltProgramPath())) {
      GTEST_SKIP() << "the hoard-hoard program is not built beside the tests (" << test::BuiltProgramPath()
                   << "); build every target";
    }
  }
  // The settings file of the runs, read whole.
  std::string Settings() const {
    for (const auto& entry : fs::directory_iterator(config_.Path() / "hoard-hoard")) {
      if (entry.path().extension() == ".qrc") {
        std::ifstream in(entry.path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
      }
    }
    return "";
  }
  // The sample cache, copied to a folder of its own, and the domain table in
  // the folder the program starts in (so that it does not ask for one).
  fs::path SampleCache() const {
    const fs::path cache = work_.Path() / "cache";
    fs::copy(HOARD_SOURCE_DIR "/examples/jch-cache", cache, fs::copy_options::recursive);
    fs::copy_file(HOARD_SOURCE_DIR "/examples/domain.csv", work_.Path() / "domain.csv",
                  fs::copy_options::overwrite_existing);
    return cache;
  }

  static constexpr char kMainPrompt[] = "Type 1-4 or q and Enter";
  static constexpr char kSpecialPrompt[] = "Type 1 or 2 and Enter";

  test::TempFolder config_;
  test::TempFolder work_;
};

TEST_F(TerminalFrontEndTest, TheMenuShowsTheFirstStartsOptionsAndKeepsAChangeForTheNextRun) {
  {
    TerminalRun run(config_.Path(), work_.Path(), {});
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(run.Expect("これから選択するのはフォルダですか？")) << run.Output();
    for (const char* line : {"L  [x] リンクを編集する", "B  [x] 編集前のﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙは削除する",
                             "M  [ ] UNIXの改行をMacに変換する", "N  (*) 検出しない",
                             "R  ( ) ごみ箱へ", kMainPrompt}) {
      SCOPED_TRACE(line);
      ASSERT_TRUE(run.Expect(line)) << run.Output();
    }
    // Resident mode is not offered.
    EXPECT_EQ(run.Output().find("常駐"), std::string::npos);
    run.Type("r\n");
    ASSERT_TRUE(run.Expect("R  (*) ごみ箱へ")) << run.Output();
    ASSERT_TRUE(run.Expect(kMainPrompt));
    run.Type("q\n");
    EXPECT_EQ(run.Finish(), 0) << run.Output();
  }
  std::string expected(kSettingsFileBytes, '\0');
  expected[388] = expected[389] = expected[396] = 1;
  expected[432] = 6;
  EXPECT_EQ(Settings(), expected);

  TerminalRun again(config_.Path(), work_.Path(), {});
  ASSERT_TRUE(again.Expect("R  (*) ごみ箱へ")) << again.Output();
  ASSERT_TRUE(again.Expect(kMainPrompt));
  // The end of input closes the menu as the close box does.
  again.Type("\x04");
  EXPECT_EQ(again.Finish(), 0) << again.Output();
  EXPECT_EQ(Settings(), expected);
}

TEST_F(TerminalFrontEndTest, SpecialSettingsApplyOnOkOnly) {
  TerminalRun run(config_.Path(), work_.Path(), {});
  ASSERT_TRUE(run.Expect(kMainPrompt)) << run.Output();
  run.Type("3\n");
  ASSERT_TRUE(run.Expect("== 特殊設定 ==")) << run.Output();
  ASSERT_TRUE(run.Expect("T  [x] テーブルの終了を検査して調整"));
  run.Type("i\n");
  ASSERT_TRUE(run.Expect("I  [x] infoseekの検索結果を短縮して出力")) << run.Output();
  ASSERT_TRUE(run.Expect(kSpecialPrompt));
  run.Type("2\n");  // cancel
  ASSERT_TRUE(run.Expect(kMainPrompt)) << run.Output();
  run.Type("3\n");
  ASSERT_TRUE(run.Expect("I  [ ] infoseekの検索結果を短縮して出力")) << run.Output();
  ASSERT_TRUE(run.Expect(kSpecialPrompt));
  run.Type("f t\n");
  ASSERT_TRUE(run.Expect("F  [x] ftpをローカル化する")) << run.Output();
  ASSERT_TRUE(run.Expect("T  [ ] テーブルの終了を検査して調整"));
  ASSERT_TRUE(run.Expect(kSpecialPrompt));
  run.Type("1\n");  // OK
  ASSERT_TRUE(run.Expect(kMainPrompt)) << run.Output();
  run.Type("q\n");
  EXPECT_EQ(run.Finish(), 0);

  const std::string settings = Settings();
  ASSERT_EQ(settings.size(), kSettingsFileBytes);
  EXPECT_EQ(settings[392], 0);  // infoseek: cancelled
  EXPECT_EQ(settings[394], 1);  // ftp
  EXPECT_EQ(settings[396], 0);  // table ends
}

TEST_F(TerminalFrontEndTest, TheOnlineManualIsAnAddressAndStayingResidentIsExplained) {
  TerminalRun run(config_.Path(), work_.Path(), {});
  ASSERT_TRUE(run.Expect(kMainPrompt)) << run.Output();
  run.Type("4\n");
  ASSERT_TRUE(run.Expect(std::string("ｵﾝﾗｲﾝ ﾏﾆｭｱﾙ: ") + app::kOnlineManualAddress)) << run.Output();
  run.Type("5\n");
  ASSERT_TRUE(run.Expect("only the Windows program stays resident")) << run.Output();
  run.Type("z\n");
  ASSERT_TRUE(run.Expect("No choice or option has the key 'Z'")) << run.Output();
  run.Type("q\n");
  EXPECT_EQ(run.Finish(), 0);
}

TEST_F(TerminalFrontEndTest, TheFolderChoiceConvertsTheSampleCacheWithOneProgressLine) {
  const fs::path cache = SampleCache();
  TerminalRun run(config_.Path(), work_.Path(), {});
  ASSERT_TRUE(run.Expect(kMainPrompt)) << run.Output();
  run.Type("1\n");
  ASSERT_TRUE(run.Expect("キャッシュフォルダを指定")) << run.Output();
  ASSERT_TRUE(run.Expect("File path")) << run.Output();
  run.Type((cache / "JCH00003.GIF").string() + "\n");
  EXPECT_EQ(run.Finish(), 0) << run.Output();
  const std::string& out = run.Output();
  // Thirteen cache files: every one listed, the line redrawn in place from
  // 0 % to the last file's 92 %, then ended.
  for (const char* name : {"JCH00001.HTM\thttp://www.example.co.jp/\t", "JCH00012.HTM\t",
                           "JCH00099.HTM\t-\t-\t-"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(out.find(name), std::string::npos) << out;
  }
  EXPECT_NE(out.find("\r1/13   0 % [--------------------]"), std::string::npos) << out;
  EXPECT_NE(out.find("\r7/13  46 % [#########-----------] 残り予測 "), std::string::npos) << out;
  EXPECT_NE(out.find("\r13/13  92 % [##################--]"), std::string::npos) << out;
  EXPECT_NE(out.find("経過時間 00:00:0"), std::string::npos) << out;
  // The host of the file being converted, last on the line.
  EXPECT_NE(out.find(" www.example.co.jp\x1b[K"), std::string::npos) << out;
  // The next start offers the chosen folder.
  TerminalRun again(config_.Path(), work_.Path(), {});
  ASSERT_TRUE(again.Expect(kMainPrompt));
  again.Type("2\n");
  ASSERT_TRUE(again.Expect("File path [" + (cache / "*.*").string() + "]")) << again.Output();
  again.Type("\x04");
  EXPECT_EQ(again.Finish(), 0);
}

// A batch held by a message (an argument no file reference can hold) gives
// the user time for Ctrl-C; the question comes at the next file.
TEST_F(TerminalFrontEndTest, CtrlCAsksAndOnlyYesStopsTheBatchBeforeTheNextFile) {
  const std::string longName = std::string(70, 'L') + ".htm";
  struct Case {
    const char* what;
    const char* answer;
    bool lastConverted;
  };
  const Case cases[] = {{"no: the batch goes on", "n\n", true},
                        {"yes: it stops before the next file", "y\n", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A fresh cache each time: a conversion moves its files.
    fs::remove_all(work_.Path() / "cache");
    const fs::path cache = SampleCache();
    std::ofstream(cache / longName).put('x');
    TerminalRun run(config_.Path(), work_.Path(),
                    {(cache / "JCH00001.HTM").string(), (cache / "JCH00002.HTM").string(),
                     (cache / longName).string(), (cache / "JCH00004.JPG").string()});
    ASSERT_TRUE(run.Expect("パスまたはファイル名が長すぎるため")) << run.Output();
    ASSERT_TRUE(run.Expect("[Enter] OK: ")) << run.Output();
    run.Type("\x03");
    usleep(200000);
    run.Type("\n");
    ASSERT_TRUE(run.Expect("本当に終了しますか？")) << run.Output();
    ASSERT_TRUE(run.Expect("[y]es/[n]o: ")) << run.Output();
    run.Type(c.answer);
    // The name too long to convert (and a stop) end the run with status 1.
    EXPECT_EQ(run.Finish(), 1) << run.Output();
    const std::string& out = run.Output();
    EXPECT_NE(out.find("JCH00002.HTM\t"), std::string::npos) << out;
    EXPECT_EQ(out.find("JCH00004.JPG\t") != std::string::npos, c.lastConverted) << out;
    // No final message after an abort (and none without broken files).
    EXPECT_EQ(out.find("破損ファイル"), std::string::npos) << out;
  }
}

// Without a terminal on standard input nothing may wait for an answer.
TEST_F(TerminalFrontEndTest, WithoutATerminalTheProgramNeverWaits) {
  const fs::path cache = SampleCache();
  struct Case {
    const char* what;
    std::string command;
    int exitCode;
  };
  const std::string program = test::BuiltProgramPath().string();
  const std::string quiet = "cd '" + work_.Path().string() + "' && env XDG_CONFIG_HOME='" +
                            config_.Path().string() +
                            "' ASAN_OPTIONS=detect_leaks=0 timeout 60 ";
  const Case cases[] = {
      {"no arguments: the usage, at once", quiet + "'" + program + "' </dev/null >/dev/null 2>&1", 2},
      {"a folder: converted, no progress line", quiet + "'" + program + "' '" + cache.string() +
                                                     "' </dev/null >/dev/null 2>'" +
                                                     (work_.Path() / "err").string() + "'",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int status = std::system(c.command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
  }
  // Standard error is no terminal: no progress line is drawn on it, only the
  // summary's lines.
  const std::string err = work_.Read("err");
  EXPECT_EQ(err.rfind("hoard-hoard: done in ", 0), 0u) << err;
  EXPECT_NE(err.find(": 13 cache files in 1 batch(es),"), std::string::npos) << err;
  EXPECT_EQ(err.find('%'), std::string::npos) << err;
  EXPECT_EQ(err.find('\r'), std::string::npos) << err;
}

}  // namespace
}  // namespace hoard

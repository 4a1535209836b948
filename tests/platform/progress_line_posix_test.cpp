#include <gtest/gtest.h>

#include <string>

#include "platform/posix/progress_line.h"

namespace hoard::platform {
namespace {

constexpr char kUtf8[] = "UTF-8";

ProgressLine Labelled() {
  ProgressLine line;
  line.working = "処理実行中．．．";
  line.timeLeftLabel = "残り予測";
  line.elapsedLabel = "経過時間";
  return line;
}

TEST(DisplayColumns, CountsWideCharactersTwiceAndHalfWidthKanaOnce) {
  struct Case {
    const char* what;
    std::string text;
    const char* codeset;
    size_t columns;
  };
  const Case cases[] = {
      {"ASCII", "www.example.jp", kUtf8, 14},
      {"full-width kanji", "経過時間", kUtf8, 8},
      {"half-width katakana", "ｵﾝﾗｲﾝ ﾏﾆｭｱﾙ", kUtf8, 11},
      {"Latin-1 letter", "é", kUtf8, 1},
      {"another encoding: one per byte", "\xB7\xD0", "EUC-JP", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DisplayColumns(c.text, c.codeset), c.columns);
  }
}

TEST(ComposeProgressLine, ShowsTheSameFiguresAsTheWindow) {
  struct Case {
    const char* what;
    ProgressLine line;
    std::string expected;
  };
  ProgressLine labels = Labelled();
  ProgressLine single = Labelled();
  single.item = "www.example.co.jp";
  ProgressLine zero = Labelled();
  zero.percent = 0;
  zero.percentText = "  0 %";
  zero.item = "a.example";
  ProgressLine quarter = zero;
  quarter.percent = 25;
  quarter.percentText = " 25 %";
  quarter.elapsed = "00:01:40";
  ProgressLine estimated = quarter;
  estimated.timeLeft = "00:05:00";
  ProgressLine counted = quarter;
  counted.current = 3;
  counted.total = 12;
  ProgressLine full = estimated;
  full.percent = 100;
  full.percentText = "100 %";
  full.item.clear();
  const Case cases[] = {
      {"labels only", labels, "処理実行中．．．"},
      {"single file: the host after the label", single, "処理実行中．．． www.example.co.jp"},
      {"0 %: an empty bar", zero, "  0 % [--------------------] a.example"},
      {"25 %: no estimate yet", quarter,
       " 25 % [#####---------------] 残り予測 --:--:-- 経過時間 00:01:40 a.example"},
      {"25 % with the time left", estimated,
       " 25 % [#####---------------] 残り予測 00:05:00 経過時間 00:01:40 a.example"},
      {"the file count first", counted,
       "3/12  25 % [#####---------------] 残り予測 --:--:-- 経過時間 00:01:40 a.example"},
      {"100 %", full, "100 % [####################] 残り予測 00:05:00 経過時間 00:01:40"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ComposeProgressLine(c.line, 200, kUtf8), c.expected);
  }
}

TEST(ComposeProgressLine, NeverFillsTheLastColumn) {
  ProgressLine line = Labelled();
  line.percent = 50;
  line.percentText = " 50 %";
  line.elapsed = "00:00:10";
  line.timeLeft = "00:00:10";
  line.item = "www.a-rather-long-host-name.example.co.jp";
  struct Case {
    const char* what;
    size_t columns;
    std::string expected;
  };
  const std::string figures =
      " 50 % [##########----------] 残り予測 00:00:10 経過時間 00:00:10";  // 64 columns
  const Case cases[] = {
      {"the host cut to the width", 80, figures + " www.a-rather-l"},
      {"room for one more column only: no host", 66, figures},
      {"narrower than the figures: cut inside them, never in a character", 40,
       " 50 % [##########----------] 残り予測 0"},
      {"a line of one column", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = ComposeProgressLine(line, c.columns, kUtf8);
    EXPECT_EQ(text, c.expected);
    EXPECT_LT(DisplayColumns(text, kUtf8), std::max<size_t>(c.columns, 1));
  }
}

}  // namespace
}  // namespace hoard::platform

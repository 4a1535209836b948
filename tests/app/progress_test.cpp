#include "app/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/scripted/scripted_progress.h"
#include "platform/scripted/scripted_ui.h"
#include "platform/system.h"

namespace hoard {
namespace {

TEST(FormatHms, WritesHoursMinutesAndSecondsWithTwoDigitsEach) {
  struct Case {
    int64_t seconds;
    const char* expected;
  };
  const Case cases[] = {
      {0, "00:00:00"},        {59, "00:00:59"},        {60, "00:01:00"},
      {3599, "00:59:59"},     {3725, "01:02:05"},      {359999, "99:59:59"},
      {360000, "00:00:00"},   {363725, "01:02:05"},    {-5, "00:00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(std::string(FormatHms(c.seconds).data()), c.expected);
  }
}

TEST(FormatPercent, PadsTheDigitsToThreePlacesBeforeTheSign) {
  struct Case {
    int32_t percent;
    const char* expected;
  };
  const Case cases[] = {{0, "  0 %"}, {5, "  5 %"}, {25, " 25 %"}, {99, " 99 %"}, {100, "100 %"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    EXPECT_EQ(std::string(FormatPercent(c.percent).data()), c.expected);
  }
}

TEST(ProgressFraction, CountsWholeFilesAndThePageShareOnlyInSmallBatches) {
  struct Case {
    const char* what;
    ProgressState state;
    int32_t scale;
    uint32_t partSize;
    uint32_t partPosition;
    int32_t expected;
  };
  const Case cases[] = {
      {"first of 4", {4, 1, 0}, 100, 0, 0, 0},
      {"second of 4", {4, 2, 0}, 100, 0, 0, 25},
      {"third of 4", {4, 3, 0}, 100, 0, 0, 50},
      {"last of 4", {4, 4, 0}, 100, 0, 0, 75},
      {"second of 4, page half done", {4, 2, 0}, 100, 1000, 500, 37},
      {"last of 4, page done", {4, 4, 0}, 100, 1000, 1000, 100},
      {"first of 4, page share counts too", {4, 1, 0}, 100, 1000, 999, 24},
      {"second of 4, per mille", {4, 2, 0}, 1000, 1000, 500, 375},
      {"200 files: whole-file steps only", {200, 51, 0}, 100, 1000, 900, 25},
      {"200 files per mille: the page counts", {200, 51, 0}, 1000, 1000, 900, 254},
      {"one file, scale 1: no share", {1, 1, 0}, 1, 1000, 999, 0},
      {"a page of 4 GB", {4, 2, 0}, 100, 4000000000u, 3000000000u, 43},
      {"integer division", {3, 2, 0}, 100, 0, 0, 33},
      {"no files", {0, 1, 0}, 100, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ProgressFraction(c.state, c.scale, c.partSize, c.partPosition), c.expected);
  }
}

TEST(EstimateTimeLeft, DividesBeforeMultiplyingAndNeverShowsNothingNearTheEnd) {
  struct Case {
    const char* what;
    int64_t elapsed;
    int32_t perMille;
    int64_t expected;
  };
  const Case cases[] = {
      {"40 % after 100 s", 100, 400, 150},
      {"10 per mille: no estimate", 100, 10, -1},
      {"nothing done: no estimate", 100, 0, -1},
      {"11 per mille", 100, 11, 8990},
      {"90 %: the coarse scale", 100, 900, 11},
      {"95 %: the fine scale", 100, 950, 5},
      {"99.9 % soon after the start: at least one second", 5, 999, 1},
      {"a long run does not overflow", 2000000000, 500, 2000000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EstimateTimeLeft(c.elapsed, c.perMille), c.expected);
  }
  EXPECT_EQ(std::string(FormatHms(EstimateTimeLeft(100, 400)).data()), "00:02:30");
}

TEST(CurrentItemOf, IsTheHostBeforeTheFirstSlashAtMost64Bytes) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"host and path", "www.example.co.jp/dir/page.html", "www.example.co.jp"},
      {"host alone", "www.example.co.jp", "www.example.co.jp"},
      {"host and port", "host:8080/x", "host:8080"},
      {"empty", "", ""},
      {"slash first", "/path", ""},
      {"long host cut", std::string(70, 'h') + "/x", std::string(64, 'h')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CurrentItemOf(c.text), c.expected);
  }
}

class UpdateProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted::Reset();
    scripted::ResetProgress();
    ResetProgressDisplay();
    AbortRequested = 0;
  }
  void TearDown() override {
    ResetProgressDisplay();
    AbortRequested = 0;
  }

  static std::string Labels() {
    using messages::Text;
    return std::string("labels ") + messages::Get(Text::kLabelWorking) + "|" +
           messages::Get(Text::kLabelTimeLeft) + "|" + messages::Get(Text::kLabelElapsed);
  }
  // The drawing without the times, whose values depend on the clock.
  static std::vector<std::string> DrawingWithoutTimes() {
    std::vector<std::string> drawing;
    for (const std::string& call : scripted::ProgressDrawing()) {
      if (call.rfind("times ", 0) != 0) drawing.push_back(call);
    }
    return drawing;
  }
};

TEST_F(UpdateProgressTest, ABatchOfFourShowsZeroThenQuarterSteps) {
  ProgressState state{4, 1, static_cast<int32_t>(platform::NowSeconds())};
  for (int32_t current = 1; current <= 4; ++current) {
    state.current = current;
    ProgressTick(state);
    // A second call for the same file draws no percentage again.
    ProgressTick(state);
  }
  EXPECT_EQ(DrawingWithoutTimes(),
            (std::vector<std::string>{Labels(), "percent 0   0 %", "percent 25  25 %",
                                      "percent 50  50 %", "percent 75  75 %"}));
  // The terminal's "file i of n" is told once per file.
  std::vector<std::string> counts;
  for (const std::string& call : scripted::ProgressCalls()) {
    if (call.rfind("count ", 0) == 0) counts.push_back(call);
  }
  EXPECT_EQ(counts, (std::vector<std::string>{"count 1 4", "count 2 4", "count 3 4", "count 4 4"}));
  // Every call serves one message.
  size_t pumps = 0;
  for (const std::string& call : scripted::ProgressCalls()) pumps += call == "pump";
  EXPECT_EQ(pumps, 8u);
}

TEST_F(UpdateProgressTest, TheLabelsComeAtEveryCallUntilTheFirstPercentage) {
  ProgressState single{0, 1, 0};
  ProgressTick(single);
  ProgressTick(single);
  // The single-file mode shows the labels only.
  EXPECT_EQ(scripted::ProgressDrawing(), (std::vector<std::string>{Labels(), Labels()}));
}

TEST_F(UpdateProgressTest, TheTimesAreDrawnOnceTheBatchHasMoved) {
  const int64_t now = platform::NowSeconds();
  ProgressState state{10, 5, static_cast<int32_t>(now - 100)};
  ProgressTick(state);
  const std::vector<std::string> drawing = scripted::ProgressDrawing();
  ASSERT_EQ(drawing.size(), 3u);
  EXPECT_EQ(drawing[1], "percent 40  40 %");
  // 40 % after 100 seconds leaves 150; the clock may have moved on by one.
  EXPECT_TRUE(drawing[2] == "times 00:02:30 00:01:40" || drawing[2] == "times 00:02:31 00:01:41")
      << drawing[2];
}

TEST_F(UpdateProgressTest, AtZeroPercentNoTimesAreDrawn) {
  ProgressState state{4, 1, static_cast<int32_t>(platform::NowSeconds() - 50)};
  ProgressTick(state);
  EXPECT_EQ(scripted::ProgressDrawing(), (std::vector<std::string>{Labels(), "percent 0   0 %"}));
}

TEST_F(UpdateProgressTest, TooLittleDoneDrawsTheElapsedTimeWithoutAnEstimate) {
  // The second of 100 files: 1 %, but only 10 per mille.
  ProgressState state{100, 2, static_cast<int32_t>(platform::NowSeconds() - 7)};
  UpdateProgress(state, 0, 0);
  const std::vector<std::string> drawing = scripted::ProgressDrawing();
  ASSERT_EQ(drawing.size(), 3u);
  EXPECT_EQ(drawing[1], "percent 1   1 %");
  EXPECT_TRUE(drawing[2] == "times - 00:00:07" || drawing[2] == "times - 00:00:08") << drawing[2];
}

TEST_F(UpdateProgressTest, ThePageShareMovesThePercentageWithinAFile) {
  ProgressState state{4, 2, static_cast<int32_t>(platform::NowSeconds())};
  UpdateProgress(state, 4096, 0);
  UpdateProgress(state, 4096, 2048);
  UpdateProgress(state, 4096, 4096);
  EXPECT_EQ(DrawingWithoutTimes(), (std::vector<std::string>{Labels(), "percent 25  25 %",
                                                             "percent 37  37 %",
                                                             "percent 50  50 %"}));
}

TEST_F(UpdateProgressTest, AnInterruptAsksAndYesRequestsTheAbort) {
  struct Case {
    const char* what;
    platform::Answer answer;
    int abortRequested;
  };
  const Case cases[] = {
      {"yes stops the batch", platform::Answer::kYes, 1},
      {"no leaves it running", platform::Answer::kNo, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    scripted::QueueInterrupt();
    scripted::QueueAnswer(c.answer);
    ProgressTick(ProgressState{4, 2, 0});
    EXPECT_EQ(AbortRequested, c.abortRequested);
    ASSERT_EQ(scripted::Messages().size(), 1u);
    const scripted::ShownMessage& shown = scripted::Messages()[0];
    EXPECT_EQ(shown.text, messages::Get(messages::Text::kReallyQuit));
    EXPECT_EQ(shown.caption, messages::ProgramCaption());
    EXPECT_EQ(shown.buttons, platform::Buttons::kYesNo);
    EXPECT_EQ(shown.icon, platform::Icon::kWarning);
    // Only one question per interrupt.
    ProgressTick(ProgressState{4, 3, 0});
    EXPECT_EQ(scripted::Messages().size(), 1u);
  }
}

TEST(ShowCurrentItem, DrawsTheHostOnly) {
  scripted::ResetProgress();
  ShowCurrentItem("www.example.co.jp/dir/page.html");
  EXPECT_EQ(scripted::ProgressDrawing(), (std::vector<std::string>{"item www.example.co.jp"}));
}

}  // namespace
}  // namespace hoard

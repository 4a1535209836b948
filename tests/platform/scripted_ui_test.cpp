// The scripted user interface other suites rely on: queued answers in order,
// the unattended answers when none is queued, and records that outlive the
// caller's texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/scripted/scripted_ui.h"

namespace hoard {
namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

TEST(ScriptedShowMessage, TakesQueuedAnswersInOrderThenTheUnattendedOnes) {
  scripted::Reset();
  scripted::QueueAnswer(Answer::kCancel);
  scripted::QueueAnswer(Answer::kYes);
  EXPECT_EQ(platform::ShowMessage("cap", "one", Icon::kWarning, Buttons::kYesNoCancel), Answer::kCancel);
  EXPECT_EQ(platform::ShowMessage("cap", "two", Icon::kWarning, Buttons::kYesNo), Answer::kYes);
  EXPECT_EQ(platform::ShowMessage("cap", "three", Icon::kWarning, Buttons::kYesNoCancel), Answer::kNo);
  EXPECT_EQ(platform::ShowMessage("cap", "four", Icon::kError, Buttons::kOk), Answer::kOk);
  ASSERT_EQ(scripted::Messages().size(), 4u);
  EXPECT_EQ(scripted::Messages()[3].text, "four");
  EXPECT_EQ(scripted::Messages()[3].icon, Icon::kError);
  EXPECT_EQ(scripted::Messages()[1].buttons, Buttons::kYesNo);
  scripted::Reset();
  EXPECT_TRUE(scripted::Messages().empty());
}

TEST(ScriptedAskOpenFile, RecordsTheDialogAndGivesTheQueuedPath) {
  scripted::Reset();
  scripted::QueueOpenFile("/cache/CCHMGR20.DAT");
  scripted::QueueOpenFile("");
  scripted::QueueOpenFile("/a/path/too/long/for/the/buffer");
  {
    // The caller's texts are gone before the test reads the record.
    std::string text = "Cache log", pattern = "CCHMGR20.DAT;*.DAT";
    const platform::FileFilter filters[] = {{text.c_str(), pattern.c_str()}};
    char path[32] = "CCHMGR20.DAT";
    EXPECT_TRUE(platform::AskOpenFile("Find the log", filters, 1, path, sizeof path));
    EXPECT_STREQ(path, "/cache/CCHMGR20.DAT");
    EXPECT_FALSE(platform::AskOpenFile("again", filters, 1, path, sizeof path));
    char small[16] = "";
    EXPECT_FALSE(platform::AskOpenFile("small", nullptr, 0, small, sizeof small));
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(platform::AskOpenFile("none queued", nullptr, 0, small, sizeof small));
    text.assign(40, 'x');
    pattern.assign(40, 'y');
  }
  const auto& dialogs = scripted::Dialogs();
  ASSERT_EQ(dialogs.size(), 4u);
  EXPECT_EQ(dialogs[0].title, "Find the log");
  EXPECT_EQ(dialogs[0].initialPath, "CCHMGR20.DAT");
  ASSERT_EQ(dialogs[0].filters.size(), 1u);
  EXPECT_STREQ(dialogs[0].filters[0].text, "Cache log");
  EXPECT_STREQ(dialogs[0].filters[0].pattern, "CCHMGR20.DAT;*.DAT");
  EXPECT_EQ(dialogs[1].initialPath, "/cache/CCHMGR20.DAT");
  scripted::Reset();
}

}  // namespace
}  // namespace hoard

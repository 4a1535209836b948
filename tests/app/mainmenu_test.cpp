#include "app/mainmenu.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/tempfolder.h"

namespace hoard::app {
namespace {

TEST(AccessKeyOf, GivesEachControlOfADialogItsOwnLetter) {
  std::string mainKeys;
  for (const CheckBoxRow& box : kMainCheckBoxes) mainKeys += AccessKeyOf(box.text);
  for (const RadioRow& radio : kBrokenImageRadios) mainKeys += AccessKeyOf(radio.text);
  EXPECT_EQ(mainKeys, "LBMHNRD");
  std::string specialKeys;
  for (const CheckBoxRow& box : kSpecialCheckBoxes) specialKeys += AccessKeyOf(box.text);
  EXPECT_EQ(specialKeys, "IFOTJA");
  EXPECT_EQ(AccessKeyOf(messages::Text::kButtonFolder), 0);
}

TEST(LabelWithoutAccessKey, DropsTheMarkAtTheEndOnly) {
  EXPECT_EQ(LabelWithoutAccessKey(messages::Text::kCheckEditLinks),
            "\x83\x8A\x83\x93\x83N\x82\xF0\x95\xD2\x8FW\x82\xB7\x82\xE9");  // リンクを編集する
  EXPECT_EQ(LabelWithoutAccessKey(messages::Text::kCheckFormActions),
            "FORM ACTION \x93\xE0\x82\xE0\x83\x8A\x83\x93\x83N\x92\xB2\x90\xAE");  // FORM ACTION 内もリンク調整
  EXPECT_EQ(LabelWithoutAccessKey(messages::Text::kButtonQuit),
            messages::Get(messages::Text::kButtonQuit));
}

TEST(ActionOfButton, MapsTheMainDialogsButtonsToItsResults) {
  struct Case {
    const char* what;
    int controlId;
    ButtonAction action;
    MainChoice choice;
  };
  const Case cases[] = {
      {"folder", 1, ButtonAction::kChoose, MainChoice::kFolder},
      {"file", 1000, ButtonAction::kChoose, MainChoice::kFile},
      {"quit", 2, ButtonAction::kChoose, MainChoice::kQuit},
      {"stay resident", 5, ButtonAction::kChoose, MainChoice::kResident},
      {"special settings", 4, ButtonAction::kSpecialSettings, MainChoice::kCannotShow},
      {"online manual", 6, ButtonAction::kNone, MainChoice::kCannotShow},
      {"a check box", 1001, ButtonAction::kNone, MainChoice::kCannotShow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MainChoice choice = MainChoice::kCannotShow;
    EXPECT_EQ(ActionOfButton(c.controlId, choice), c.action);
    EXPECT_EQ(choice, c.choice);
  }
  // The results the start-up reads.
  EXPECT_EQ(static_cast<int>(MainChoice::kFolder), 1);
  EXPECT_EQ(static_cast<int>(MainChoice::kQuit), 2);
  EXPECT_EQ(static_cast<int>(MainChoice::kFile), 3);
  EXPECT_EQ(static_cast<int>(MainChoice::kResident), 4);
}

TEST(RadioIdForMode, SelectsNoButtonForAModeTheDialogDoesNotOffer) {
  struct Case {
    int mode;
    int controlId;
  };
  const Case cases[] = {{0, 1005}, {6, 1006}, {3, 1007}, {1, 0}, {7, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    EXPECT_EQ(RadioIdForMode(c.mode), c.controlId);
    if (c.controlId != 0) {
      EXPECT_EQ(ModeForRadioId(c.controlId), c.mode);
    }
  }
  EXPECT_EQ(ModeForRadioId(1008), -1);
}

TEST(ApplyCheckBoxes, WritesOnlyTheBoxesThatChanged) {
  test::TempFolder folder;
  const std::string path = folder.Join("user.qrc");
  ASSERT_TRUE(LoadOptionsFrom(path.c_str()));
  const std::string before = folder.Read("user.qrc");

  bool ticked[std::size(kSpecialCheckBoxes)];
  CheckBoxStates(kSpecialCheckBoxes, ticked);
  // Only table ends are on at a first start.
  EXPECT_EQ(std::string(ticked, ticked + std::size(ticked)),
            std::string("\0\0\0\1\0\0", 6));
  // OK with no change writes nothing.
  ApplyCheckBoxes(kSpecialCheckBoxes, ticked);
  EXPECT_EQ(folder.Read("user.qrc"), before);

  ticked[0] = true;   // infoseek results
  ticked[3] = false;  // table ends
  ApplyCheckBoxes(kSpecialCheckBoxes, ticked);
  std::string expected = before;
  expected[392] = 1;
  expected[396] = 0;
  EXPECT_EQ(folder.Read("user.qrc"), expected);
  EXPECT_EQ(CurrentOptions().ShortenInfoseekResults, 1);
  EXPECT_EQ(CurrentOptions().FixTableEnds, 0);
}

}  // namespace
}  // namespace hoard::app

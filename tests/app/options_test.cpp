#include "app/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tempfolder.h"

namespace hoard {
namespace {

constexpr char kFileName[] = "user.qrc";

std::string Bytes(const SettingsRecord& record) {
  return std::string(reinterpret_cast<const char*>(record.data()), record.size());
}

// The offsets at which two files differ; a size difference counts as one
// more entry, the shorter size.
std::vector<size_t> DifferingOffsets(const std::string& a, const std::string& b) {
  std::vector<size_t> offsets;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] != b[i]) offsets.push_back(i);
  }
  if (a.size() != b.size()) offsets.push_back(std::min(a.size(), b.size()));
  return offsets;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return folder_.Join(kFileName); }
  std::string File() const { return folder_.Read(kFileName); }
  // Writes a record with the given bytes set and loads it.
  void Load(const std::vector<std::pair<size_t, uint8_t>>& bytes) {
    SettingsRecord record{};
    for (const auto& [offset, value] : bytes) record[offset] = value;
    folder_.Write(kFileName, Bytes(record));
    ASSERT_TRUE(LoadOptionsFrom(Path().c_str()));
  }
  // Changes one byte of the file behind the program's back.
  void Poke(size_t offset, char value) {
    std::string bytes = File();
    bytes[offset] = value;
    folder_.Write(kFileName, bytes);
  }

  test::TempFolder folder_;
};

TEST(SettingsFileName, TakesTheFirstEightBytesOfTheLogonName) {
  struct Case {
    const char* what;
    const char* logonName;
    const char* expected;
  };
  const Case cases[] = {
      {"short name", "root", "root.qrc"},
      {"exactly eight bytes", "abcdefgh", "abcdefgh.qrc"},
      {"twelve bytes", "administrat1", "administ.qrc"},
      {"Shift_JIS name cut after its eighth byte", "\x93\x63\x92\x86\x91\xBE\x98\x59\x82\xA0",
       "\x93\x63\x92\x86\x91\xBE\x98\x59.qrc"},
      {"empty name", "", "noname.qrc"},
      {"no name at all", nullptr, "noname.qrc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char name[32] = "";
    ASSERT_TRUE(SettingsFileName(c.logonName, name, sizeof name));
    EXPECT_EQ(std::string(name), c.expected);
  }
}

TEST(SettingsFileName, FailsWhenTheNameAndItsNulDoNotFit) {
  char name[13];
  EXPECT_FALSE(SettingsFileName("abcdefghij", name, 12));
  EXPECT_TRUE(SettingsFileName("abcdefghij", name, 13));
  EXPECT_EQ(std::string(name), "abcdefgh.qrc");
}

TEST_F(SettingsFileTest, FirstStartCreatesTheFileWithTheDefaultOptions) {
  ASSERT_TRUE(LoadOptionsFrom(Path().c_str()));
  const std::string file = File();
  ASSERT_EQ(file.size(), kSettingsFileBytes);
  // Edit links, delete backups and repair table ends: nothing else.
  EXPECT_EQ(DifferingOffsets(file, std::string(kSettingsFileBytes, '\0')),
            (std::vector<size_t>{388, 389, 396}));
  EXPECT_EQ(file[388], 1);
  EXPECT_EQ(file[389], 1);
  EXPECT_EQ(file[396], 1);

  const Options& options = CurrentOptions();
  EXPECT_EQ(options.EditLinks, 1);
  EXPECT_EQ(options.DeleteBackup, 1);
  EXPECT_EQ(options.FixTableEnds, 1);
  EXPECT_EQ(options.UnixToMacLineEnds + options.EucToShiftJis + options.ShortenInfoseekResults +
                options.LocaliseFtp + options.AdjustOptionValues + options.AdjustScriptParams +
                options.AdjustFormActions,
            0);
  EXPECT_EQ(options.BrokenImageMode, kBrokenImagesKept);
  EXPECT_EQ(options.CheckGif, 0);
  EXPECT_EQ(options.CheckJpeg, 0);
}

TEST_F(SettingsFileTest, AFileThatCannotBeCreatedFailsTheLoad) {
  const std::string path = folder_.Join("missing-folder") + "/user.qrc";
  EXPECT_FALSE(LoadOptionsFrom(path.c_str()));
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadLeavesEveryOptionOff) {
  // A folder where the file should be: it exists, but cannot be read.
  std::filesystem::create_directory(folder_.Path() / kFileName);
  ASSERT_TRUE(LoadOptionsFrom(Path().c_str()));
  EXPECT_EQ(CurrentOptions().EditLinks, 0);
  EXPECT_EQ(CurrentOptions().FixTableEnds, 0);
  EXPECT_EQ(Bytes(CurrentSettingsRecord()), std::string(kSettingsFileBytes, '\0'));
}

TEST_F(SettingsFileTest, EachOptionIsReadFromBitZeroOfItsByte) {
  struct Case {
    const char* what;
    size_t offset;
    uint8_t byte;
    uint8_t Options::*field;
    uint8_t expected;
  };
  const Case cases[] = {
      {"edit links, bit 0", 388, 0x01, &Options::EditLinks, 1},
      {"edit links, only higher bits", 388, 0xFE, &Options::EditLinks, 0},
      {"delete backup, any non-zero byte", 389, 0x02, &Options::DeleteBackup, 1},
      {"UNIX to Mac line ends", 390, 0x03, &Options::UnixToMacLineEnds, 1},
      {"EUC to Shift_JIS", 391, 0x01, &Options::EucToShiftJis, 1},
      {"shorten infoseek results", 392, 0x81, &Options::ShortenInfoseekResults, 1},
      {"byte 393 is no option", 393, 0xFF, &Options::LocaliseFtp, 0},
      {"localise ftp", 394, 0x01, &Options::LocaliseFtp, 1},
      {"OPTION values", 395, 0x01, &Options::AdjustOptionValues, 1},
      {"table ends", 396, 0x01, &Options::FixTableEnds, 1},
      {"script parameters", 435, 0x01, &Options::AdjustScriptParams, 1},
      {"form actions", 438, 0x01, &Options::AdjustFormActions, 1},
      {"form actions, bit 0 clear", 438, 0x10, &Options::AdjustFormActions, 0},
      {"broken images, three low bits", 432, 0xF6, &Options::BrokenImageMode, 6},
      {"broken images, a mode no button offers", 432, 0x0F, &Options::BrokenImageMode, 7},
      {"image checks follow the mode", 432, 0x03, &Options::CheckGif, 1},
      {"image checks off without a mode", 432, 0xF8, &Options::CheckJpeg, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load({{c.offset, c.byte}});
    EXPECT_EQ(CurrentOptions().*c.field, c.expected);
  }
}

TEST_F(SettingsFileTest, AShortFileGivesWhatItHoldsAndZeroForTheRest) {
  folder_.Write(kFileName, std::string(389, '\x01'));
  ASSERT_TRUE(LoadOptionsFrom(Path().c_str()));
  EXPECT_EQ(CurrentOptions().EditLinks, 1);
  EXPECT_EQ(CurrentOptions().DeleteBackup, 0);
  EXPECT_EQ(File().size(), 389u);
}

TEST_F(SettingsFileTest, ChangingTheBrokenImageModeWritesOnlyItsThreeLowBits) {
  Load({{388, 1}, {432, 0xA8}, {511, 0x5A}});
  const std::string before = File();
  ApplyBrokenImageMode(kBrokenImagesRecycled);
  const std::string after = File();
  EXPECT_EQ(DifferingOffsets(before, after), (std::vector<size_t>{432}));
  EXPECT_EQ(static_cast<uint8_t>(after[432]), 0xAE);
  EXPECT_EQ(CurrentOptions().BrokenImageMode, kBrokenImagesRecycled);
  EXPECT_EQ(CurrentOptions().CheckGif, 1);
  EXPECT_EQ(CurrentOptions().CheckJpeg, 1);

  // The next change keeps the high bits the file was read with.
  ApplyBrokenImageMode(kBrokenImagesDeleted);
  EXPECT_EQ(static_cast<uint8_t>(File()[432]), 0xAB);
  ApplyBrokenImageMode(kBrokenImagesKept);
  EXPECT_EQ(static_cast<uint8_t>(File()[432]), 0xA8);
  EXPECT_EQ(CurrentOptions().CheckGif, 0);
  EXPECT_EQ(DifferingOffsets(before, File()), std::vector<size_t>{});
}

TEST_F(SettingsFileTest, AnUnchangedChoiceWritesNothing) {
  Load({{388, 1}, {432, 6}});
  // Bytes changed behind the program's back show whether it wrote them.
  Poke(388, '\x55');
  Poke(432, '\x55');
  ApplyFlagOption(kEditLinksOption, true);
  ApplyBrokenImageMode(kBrokenImagesRecycled);
  // No radio button selected keeps the mode.
  ApplyBrokenImageMode(-1);
  EXPECT_EQ(File()[388], '\x55');
  EXPECT_EQ(File()[432], '\x55');
  EXPECT_EQ(CurrentOptions().BrokenImageMode, kBrokenImagesRecycled);
}

TEST_F(SettingsFileTest, AChangedCheckBoxWritesBitZeroAndKeepsTheOtherBits) {
  struct Case {
    const char* what;
    FlagOption option;
    uint8_t byte;
    bool ticked;
    uint8_t written;
  };
  const Case cases[] = {
      {"ticked: bit 0 set", kUnixToMacOption, 0x10, true, 0x11},
      {"cleared: bit 0 cleared", kEditLinksOption, 0xF1, false, 0xF0},
      {"delete backup off from an odd byte", kDeleteBackupOption, 0x03, false, 0x02},
      {"form actions on", kFormActionsOption, 0x00, true, 0x01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load({{c.option.offset, c.byte}});
    const std::string before = File();
    ApplyFlagOption(c.option, c.ticked);
    const std::string after = File();
    EXPECT_EQ(DifferingOffsets(before, after), (std::vector<size_t>{c.option.offset}));
    EXPECT_EQ(static_cast<uint8_t>(after[c.option.offset]), c.written);
    EXPECT_EQ(CurrentOptions().*c.option.field, c.ticked ? 1 : 0);
    EXPECT_EQ(CurrentSettingsRecord()[c.option.offset], c.written);
  }
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheOptionForThisRun) {
  Load({});
  std::filesystem::remove(folder_.Path() / kFileName);
  ApplyFlagOption(kLocaliseFtpOption, true);
  EXPECT_EQ(CurrentOptions().LocaliseFtp, 1);
  // The write did not create the file anew.
  EXPECT_FALSE(folder_.Exists(kFileName));
}

}  // namespace
}  // namespace hoard

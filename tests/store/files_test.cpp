#include "store/files.h"

#include <gtest/gtest.h>

#include <string>

#include "app/prompts.h"
#include "platform/scripted/scripted_ui.h"
#include "store/contentcheck.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

FileRef RefTo(const test::TempFolder& folder, const std::string& name) {
  FileRef ref;
  EXPECT_NE(MakeFileRef(folder.Join(name).c_str(), ref), kBadName);
  return ref;
}

// A MacBinary header for a file of the given data-fork length.
std::string MacBinaryHeader(uint32_t dataLength) {
  std::string header(128, '\0');
  header[1] = 8;
  header.replace(2, 8, "page.htm");
  header.replace(65, 8, "TEXTMOSS");
  header[83] = static_cast<char>(dataLength >> 24);
  header[84] = static_cast<char>(dataLength >> 16);
  header[85] = static_cast<char>(dataLength >> 8);
  header[86] = static_cast<char>(dataLength);
  return header;
}

std::string Bytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>('A' + i % 26);
  return bytes;
}

TEST(PStringEqualNoCase, FoldsAsciiLettersOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"ccHmgr20.dat", "CCHMGR20.DAT", true},
      {"CCHMGR20.DAX", "CCHMGR20.DAT", false},
      {"CCHMGR20.DA", "CCHMGR20.DAT", false},
      {"", "", true},
      {"\x83\x41", "\x83\x61", true},   // bytes, not characters: a trail byte folds too
      {"\x82\xA0", "\x82\x80", false},
      {"[", "{", false},                 // only letters fold
      {"@", "`", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(PStringEqualNoCase(c.a, c.b), c.equal);
  }
}

TEST(IsMacBinaryHeader, AllRulesMustHold) {
  const uint64_t size = 300;
  struct Case {
    const char* what;
    void (*spoil)(std::string&);
    bool expected;
    bool lenientFields;  // HasMacBinaryFields(kLenient): the page rewriter's test
  };
  const Case cases[] = {
      {"a whole header", [](std::string&) {}, true, true},
      {"byte 0 set", [](std::string& h) { h[0] = 1; }, false, false},
      {"byte 74 set", [](std::string& h) { h[74] = 1; }, false, false},
      {"a zero inside the name", [](std::string& h) { h[5] = 0; }, false, false},
      {"a byte after the name", [](std::string& h) { h[64] = 'x'; }, false, false},
      {"name length 0 with clear name bytes",
       [](std::string& h) { h[1] = 0; h.replace(2, 8, std::string(8, '\0')); }, true, true},
      {"name length 200 with a name byte",
       [](std::string& h) { h[1] = static_cast<char>(200); }, false, true},
      {"name length 40 is not examined", [](std::string& h) { h[1] = 40; h[60] = 'x'; }, true,
       true},
      {"a zero in the creator", [](std::string& h) { h[72] = 0; }, false, false},
      {"data fork longer than the file",
       [](std::string& h) { h[86] = static_cast<char>(173); }, false, true},
      {"data fork exactly the rest", [](std::string& h) { h[86] = static_cast<char>(172); },
       true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string header = MacBinaryHeader(100);
    c.spoil(header);
    const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
    uint32_t length = 0;
    EXPECT_EQ(IsMacBinaryHeader(bytes, size, length), c.expected);
    EXPECT_EQ(HasMacBinaryFields(bytes, MacBinaryNames::kLenient), c.lenientFields);
  }
}

TEST(MoveStripped, CutsAMacBinaryHeaderAndKeepsTheTimes) {
  test::TempFolder cache;
  std::filesystem::create_directory(cache.Path() / "out");
  const std::string content = Bytes(172);
  cache.Write("M0000001", MacBinaryHeader(100) + content);
  FileRef source = RefTo(cache, "M0000001");
  const FileTime stamp = 125'911'584'000'000'000ull;  // 2000-01-01
  SetModificationTime(source, stamp);
  FileRef destination = RefTo(cache, std::string("out") + PathSeparator());

  ASSERT_EQ(MoveStripped(source, destination, kStripMacBinary | kStripHttpHeader), kNoError);
  EXPECT_FALSE(cache.Exists("M0000001"));
  EXPECT_EQ(cache.Read("out/M0000001"), content.substr(0, 100));
  FileRef moved = RefTo(cache, std::string("out") + PathSeparator() + "M0000001");
  FileTime time = 0;
  GetModificationTime(moved, time);
  EXPECT_EQ(time / 10'000'000, stamp / 10'000'000);
}

TEST(MoveStripped, RenamesWhenThereIsNothingToCut) {
  struct Case {
    const char* what;
    std::string content;
    unsigned flags;
  };
  const std::string tooLong = MacBinaryHeader(500) + Bytes(172);
  const Case cases[] = {
      {"no header", Bytes(300), kStripMacBinary | kStripHttpHeader},
      {"a header whose data fork is longer than the file", tooLong, kStripMacBinary},
      {"a header but no strip flag", MacBinaryHeader(100) + Bytes(172), 0},
      {"shorter than a header", MacBinaryHeader(100).substr(0, 90), kStripMacBinary},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempFolder cache;
    std::filesystem::create_directory(cache.Path() / "out");
    cache.Write("cache0001", c.content);
    cache.Write("out/cache0001", "an older copy");
    FileRef destination = RefTo(cache, std::string("out") + PathSeparator() + "other.htm");
    ASSERT_EQ(MoveStripped(RefTo(cache, "cache0001"), destination, c.flags), kNoError);
    EXPECT_FALSE(cache.Exists("cache0001"));
    EXPECT_EQ(cache.Read("out/cache0001"), c.content);
  }
}

TEST(MoveStrippedAs, CutsTheSameWithTheBytesTheCallerRead) {
  const std::string contents[] = {
      Bytes(300),
      MacBinaryHeader(100) + Bytes(172),
      "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<HTML>" + Bytes(400),
      MacBinaryHeader(100).substr(0, 90),
  };
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.substr(0, 12));
    // The whole file, only its first block when it is longer, or the whole
    // file with its times (a cut copy is then written from the bytes).
    constexpr int kGiven = 3;
    constexpr FileTime kTime = 126'000'000'000'000'000;
    std::string placed[kGiven];
    uint64_t sizes[kGiven] = {};
    for (int given = 0; given < kGiven; ++given) {
      test::TempFolder cache;
      cache.Write("cache0001", content);
      const std::string read = content.substr(0, given == 1 ? 256 : content.size());
      const SourceHead head{reinterpret_cast<const unsigned char*>(read.data()),
                            read.size(),
                            content.size(),
                            given == 2,
                            kTime,
                            kTime};
      ASSERT_EQ(MoveStrippedAs(RefTo(cache, "cache0001"), RefTo(cache, "placed.htm"),
                               kStripMacBinary | kStripHttpHeader, &sizes[given], &head),
                kNoError);
      EXPECT_FALSE(cache.Exists("cache0001"));
      placed[given] = cache.Read("placed.htm");
      if (given == 2 && sizes[given] < content.size()) {
        FileTime time = 0;
        GetModificationTime(RefTo(cache, "placed.htm"), time);
        EXPECT_EQ(time / 10'000'000, kTime / 10'000'000);
      }
    }
    test::TempFolder cache;
    cache.Write("cache0001", content);
    uint64_t size = 0;
    ASSERT_EQ(MoveStrippedAs(RefTo(cache, "cache0001"), RefTo(cache, "placed.htm"),
                             kStripMacBinary | kStripHttpHeader, &size),
              kNoError);
    for (int given = 0; given < kGiven; ++given) {
      EXPECT_EQ(placed[given], cache.Read("placed.htm"));
      EXPECT_EQ(sizes[given], size);
    }
  }
}

TEST(MoveStripped, LeavesTheSourceWholeWhenTheMoveFails) {
  for (const std::string& content : {MacBinaryHeader(100) + Bytes(172), Bytes(50)}) {
    SCOPED_TRACE(content.size());
    test::TempFolder cache;
    cache.Write("JCH00001.HTM", content);
    FileRef destination = RefTo(cache, std::string("missing") + PathSeparator());
    EXPECT_NE(MoveStripped(RefTo(cache, "JCH00001.HTM"), destination, kStripMacBinary),
              kNoError);
    EXPECT_EQ(cache.Read("JCH00001.HTM"), content);
  }
}

TEST(RenameFileRef, ReplacesAnExistingTarget) {
  test::TempFolder folder;
  folder.Write("a.htm", "new");
  folder.Write("b.htm", "old");
  EXPECT_EQ(RenameFileRef(RefTo(folder, "a.htm"), "b.htm"), kNoError);
  EXPECT_FALSE(folder.Exists("a.htm"));
  EXPECT_EQ(folder.Read("b.htm"), "new");
  EXPECT_NE(RenameFileRef(RefTo(folder, "a.htm"), "c.htm"), kNoError);
  // Renamed to its own name, a file stays whole.
  EXPECT_EQ(RenameFileRef(RefTo(folder, "b.htm"), "b.htm"), kNoError);
  EXPECT_EQ(folder.Read("b.htm"), "new");
  EXPECT_EQ(RenameFileRef(RefTo(folder, "b.htm"), std::string(64, 'x')), kBadName);
}

TEST(ReplaceFileRef, PutsTheSourceInTheTargetsPlace) {
  test::TempFolder folder;
  folder.Write("page.htm", "rewritten");
  folder.Write("page.bk", "original");
  FileRef target = RefTo(folder, "page.htm");
  EXPECT_EQ(ReplaceFileRef(target, "page.bk"), kNoError);
  EXPECT_EQ(target.name.View(), "page.bk");
  EXPECT_EQ(folder.Read("page.htm"), "original");
  EXPECT_FALSE(folder.Exists("page.bk"));
}

TEST(FileHandles, WriteAppendReadAndMeasure) {
  test::TempFolder folder;
  FileRef ref = RefTo(folder, "log.csv");
  FileHandle handle = kNullHandle;
  ASSERT_EQ(CreateWrite(ref, handle), kNoError);
  uint32_t count = 5;
  EXPECT_EQ(WriteBytes(handle, count, "first"), kNoError);
  EXPECT_EQ(count, 5u);
  CloseFile(handle);
  ASSERT_EQ(OpenAppend(ref, handle), kNoError);
  count = 6;
  EXPECT_EQ(WriteBytes(handle, count, ",again"), kNoError);
  CloseFile(handle);
  EXPECT_EQ(FileSizeOf(ref), 11u);

  OpenRead(ref, handle);
  ASSERT_NE(handle, kNullHandle);
  char buffer[32] = {};
  count = sizeof buffer;
  EXPECT_EQ(ReadBytes(handle, count, buffer), 0);
  EXPECT_EQ(std::string(buffer, count), "first,again");
  EXPECT_EQ(FileLength(handle), 11u);
  CloseFile(handle);
  CloseFile(kNullHandle);  // ignored

  FileRef missing = RefTo(folder, "none.csv");
  OpenRead(missing, handle);
  EXPECT_EQ(handle, kNullHandle);
  EXPECT_EQ(FileSizeOf(missing), 0u);
  EXPECT_FALSE(FileExists(folder.Join("none.csv").c_str()));
  EXPECT_TRUE(FileExists(folder.Join("log.csv").c_str()));
  EXPECT_FALSE(FileExists(folder.Text().c_str()));  // a folder is no file
}

TEST(OpenReadOrAsk, AsksAboutAMissingFileAndMapsTheAnswers) {
  test::TempFolder folder;
  FileRef ref = RefTo(folder, "CCHMGR20.DAT");
  struct Case {
    platform::Answer given;
    MissingAnswer expected;
  };
  const Case cases[] = {
      {platform::Answer::kYes, MissingAnswer::kLookForIt},
      {platform::Answer::kNo, MissingAnswer::kGoWithout},
      {platform::Answer::kCancel, MissingAnswer::kQuit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.given));
    scripted::Reset();
    scripted::QueueAnswer(c.given);
    FileHandle handle = kNullHandle;
    MissingAnswer answer = MissingAnswer::kLookForIt;
    EXPECT_EQ(OpenReadOrAsk(ref, handle, FileKind::kCacheLog, UiPrompts(), answer), 1);
    EXPECT_EQ(handle, kNullHandle);
    EXPECT_EQ(answer, c.expected);
    ASSERT_EQ(scripted::Messages().size(), 1u);
    const scripted::ShownMessage& shown = scripted::Messages()[0];
    EXPECT_EQ(shown.caption, "Hoard-Hoard 2.2");
    EXPECT_EQ(shown.buttons, platform::Buttons::kYesNoCancel);
    // キャッシュログ"CCHMGR20.DAT"が見つかりません。自分で探しますか？ 使用しない場合は「いいえ」、終了はキャンセル。
    EXPECT_EQ(shown.text,
              "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x22" "CCHMGR20.DAT\x22\x82\xAA"
              "\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B\x8E\xA9\x95"
              "\xAA\x82\xC5\x92T\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H \x8Eg\x97p\x82\xB5\x82"
              "\xC8\x82\xA2\x8F\xEA\x8D\x87\x82\xCD\x81u\x82\xA2\x82\xA2\x82\xA6\x81v\x81"
              "A\x8FI\x97\xB9\x82\xCD\x83L\x83\x83\x83\x93\x83Z\x83\x8B\x81" "B");
  }
  scripted::Reset();
  UiPrompts().AskForMissingFile("domain.csv", FileKind::kOther);
  ASSERT_EQ(scripted::Messages().size(), 1u);
  EXPECT_EQ(scripted::Messages()[0].text.rfind("domain.csv\"", 0), 0u);  // no prefix
}

TEST(FileTimeToDateRec, GivesTheUtcCalendarDateAndWeekday) {
  constexpr FileTime kTicksPerSecond = 10'000'000;
  constexpr FileTime kUnixEpoch = 116'444'736'000'000'000ull;
  struct Case {
    const char* what;
    FileTime time;
    DateRec expected;
  };
  const Case cases[] = {
      {"the first day of the count, a Monday", 0, {1601, 1, 1, 0, 0, 0, 2}},
      {"a Sunday", kUnixEpoch + 946'816'496ull * kTicksPerSecond, {2000, 1, 2, 12, 34, 56, 1}},
      {"a leap day, Thursday", kUnixEpoch + 1'709'251'199ull * kTicksPerSecond,
       {2024, 2, 29, 23, 59, 59, 5}},
      {"a Saturday at midnight", kUnixEpoch + 1'735'344'000ull * kTicksPerSecond,
       {2024, 12, 28, 0, 0, 0, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DateRec date;
    FileTimeToDateRec(c.time, date);
    EXPECT_EQ(date.year, c.expected.year);
    EXPECT_EQ(date.month, c.expected.month);
    EXPECT_EQ(date.day, c.expected.day);
    EXPECT_EQ(date.hour, c.expected.hour);
    EXPECT_EQ(date.minute, c.expected.minute);
    EXPECT_EQ(date.second, c.expected.second);
    EXPECT_EQ(date.weekday, c.expected.weekday);
  }
}

}  // namespace
}  // namespace hoard

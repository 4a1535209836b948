#include "store/cachelog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/prompts.h"
#include "base/messages.h"
#include "platform/scripted/scripted_ui.h"
#include "store/fileref.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;
using messages::Text;
using platform::Answer;

using test::CurrentFolderGuard;
using test::TempFolder;

FileRef RefIn(const TempFolder& dir, const std::string& name) {
  FileRef ref;
  MakeFileRef(dir.Join(name).c_str(), ref);
  return ref;
}

std::string MissingPrompt(const std::string& name) {
  return std::string(messages::Get(Text::kMissingPrefixCacheLog)) + name +
         messages::Get(Text::kMissingTail);
}

std::string StringText(int id) { return messages::StringById(id); }

std::vector<std::string> ShownTexts() {
  std::vector<std::string> texts;
  for (const auto& shown : scripted::Messages()) texts.push_back(shown.text);
  return texts;
}

// Writes CCHMGR20.DAT and loads it, expecting it to be taken.
void LoadLogText(const TempFolder& dir, const std::string& text, CacheLog& log) {
  scripted::Reset();
  dir.Write("CCHMGR20.DAT", text);
  FileRef ref = RefIn(dir, "CCHMGR20.DAT");
  ASSERT_EQ(LoadCacheLog(ref, log, UiPrompts()), LoadResult::kLoaded);
  ASSERT_TRUE(scripted::Messages().empty());
}

std::string CompressedHead() {
  std::string bytes(40, 'x');
  bytes[0] = '\xAB';
  bytes[1] = '\xCD';
  bytes[2] = '\0';
  bytes[3] = 'T';
  bytes[22] = '*';
  return bytes;
}

TEST(IsLogFileName, TellsEachKindByItsNameIgnoringAsciiCase) {
  struct Case {
    const char* name;
    int kind;
    bool expected;
  };
  const Case cases[] = {
      {"HHoard log", kLogOwn, true},
      {"hhoard LOG 2", kLogOwn, true},
      {"HHoard lo", kLogOwn, false},
      {"HHoard log", kLogFatDatabase, false},
      {"FAT.DB", kLogFatDatabase, true},
      {"fat.db.old", kLogFatDatabase, true},
      {"cache.Db", kLogFatDatabase, true},
      {".DB", kLogFatDatabase, true},
      {"DB", kLogFatDatabase, false},
      {"cache.dbx", kLogFatDatabase, false},
      {"FAT.D", kLogFatDatabase, false},
      {"CCHMGR20.DAT", kLogBrowserIndex, true},
      {"cchmgr20.dat.bak", kLogBrowserIndex, true},
      {"CCHMGR20.DA", kLogBrowserIndex, false},
      {"CCHMGR20.DAT", kLogOwn, false},
      {"HHoard log", kLogAnyKind, true},
      {"old.db", kLogAnyKind, true},
      {"CchMgr20.Dat", kLogAnyKind, true},
      {"JCH00012.HTM", kLogAnyKind, false},
      {"h-hoard.csv", kLogAnyKind, false},
      {"VstMgr.dat", kLogAnyKind, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " kind " + std::to_string(c.kind));
    EXPECT_EQ(IsLogFileName(c.name, c.kind), c.expected);
  }
}

TEST(IsVisitManagerFile, NeedsTheWholePrefixIgnoringAsciiCase) {
  struct Case {
    const char* name;
    bool expected;
  };
  const Case cases[] = {
      {"VstMgr.dat", true}, {"vstmgr20.dat", true}, {"VSTMGR", true},
      {"VstMg.dat", false}, {"Vst.Mgr", false},     {"VstMg", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsVisitManagerFile(c.name), c.expected);
  }
}

TEST(DefaultCacheLogRef, SkipsALogAndOtherwiseNamesTheBrowserIndexBesideIt) {
  TempFolder dir;
  FileRef logRef;
  logRef.drive = 5;
  EXPECT_TRUE(DefaultCacheLogRef(RefIn(dir, "fat.db"), logRef));
  EXPECT_EQ(logRef.drive, 5);  // untouched

  const FileRef cacheFile = RefIn(dir, "JCH00012.HTM");
  EXPECT_FALSE(DefaultCacheLogRef(cacheFile, logRef));
  EXPECT_EQ(logRef.drive, cacheFile.drive);
  EXPECT_EQ(logRef.folder.View(), cacheFile.folder.View());
  EXPECT_EQ(logRef.name.View(), "CCHMGR20.DAT");
}

TEST(LoadCacheLog, RefusesUnfitLogsInOrderAndAsksWhatToDo) {
  const std::string prompt = MissingPrompt("CCHMGR20.DAT");
  const std::string sjis16 = "http://a/\x83J\x83L,JC";  // 16 bytes, Shift_JIS at 9..12
  std::string compressedWithZero = CompressedHead();
  compressedWithZero[35] = '\0';
  constexpr auto kLoaded = LoadResult::kLoaded;
  constexpr auto kWithout = LoadResult::kWithoutLog;
  constexpr auto kAbort = LoadResult::kAbort;
  constexpr auto kNo = Answer::kNo;
  constexpr auto kCancel = Answer::kCancel;
  struct Case {
    const char* what;
    bool present;
    std::string content;
    int notice;     // string id shown before the prompt; 0 for none
    Answer answer;  // to the prompt, when there is one
    LoadResult result;
  };
  const Case cases[] = {
      {"missing, answered No", false, "", 0, kNo, kWithout},
      {"missing, answered Cancel", false, "", 0, kCancel, kAbort},
      {"empty", true, "", 5, kNo, kWithout},
      {"empty, then Cancel", true, "", 5, kCancel, kAbort},
      {"compressed (also not text, but that is not said)", true, CompressedHead(), 11, kNo,
       kWithout},
      {"compressed signature, a zero in bytes 32..39", true, compressedWithZero, 13, kNo, kWithout},
      {"compressed signature in 39 bytes", true, CompressedHead().substr(0, 39), 13, kNo, kWithout},
      {"history file", true, "JustView 2.0 Visit,x\r\n", 12, kNo, kWithout},
      {"history file, dotted version without spaces", true, "JustView2.0.1.  Visit", 12, kNo,
       kWithout},
      {"history file of exactly 13 bytes", true, "JustViewVisit", 12, kCancel, kAbort},
      {"history word in lower case is a log", true, "JustView 2.0 visit\r\nu,n\r\n", 0, kNo,
       kLoaded},
      {"browser name in lower case is a log", true, "justview 2.0 Visit,x\r\n", 0, kNo, kLoaded},
      {"letter inside the version is a log", true, "JustView 2.0a Visit\r\n", 0, kNo, kLoaded},
      {"Shift_JIS within the first 16 bytes", true, sjis16 + "00012.html\r\n", 13, kNo, kWithout},
      {"Shift_JIS from byte 16 on", true, "http://example/a\x83J\x83L,x.html\r\n", 0, kNo, kLoaded},
      {"control byte within the first 16", true, "http://a/\x01,JCH00012.html\r\n", 13, kNo,
       kWithout},
      {"DEL, TAB, CR and LF are text", true, "\x7F\t\r\nu,JCH00012.html\r\n", 0, kNo, kLoaded},
      {"exactly 16 bytes are not text-checked", true, sjis16, 0, kNo, kLoaded},
      {"17 bytes are text-checked", true, sjis16 + "0", 13, kNo, kWithout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder dir;
    if (c.present) dir.Write("CCHMGR20.DAT", c.content);
    scripted::Reset();
    std::vector<std::string> expectedShown;
    if (c.notice != 0) {
      scripted::QueueAnswer(Answer::kOk);
      expectedShown.push_back(StringText(c.notice));
    }
    if (c.result != kLoaded) {
      scripted::QueueAnswer(c.answer);
      expectedShown.push_back(prompt);
    }
    const fs::path before = fs::current_path();
    FileRef ref = RefIn(dir, "CCHMGR20.DAT");
    CacheLog log;
    EXPECT_EQ(LoadCacheLog(ref, log, UiPrompts()), c.result);
    EXPECT_EQ(ShownTexts(), expectedShown);
    EXPECT_TRUE(scripted::Dialogs().empty());
    EXPECT_EQ(fs::current_path(), before);
    if (c.result == kLoaded) {
      EXPECT_EQ(log.state, CacheLogState::kLoaded);
      ASSERT_EQ(log.size, c.content.size());
      EXPECT_EQ(std::memcmp(log.block, c.content.data(), c.content.size()), 0);
    } else {
      EXPECT_EQ(log.block, nullptr);
      EXPECT_EQ(log.state,
                c.result == kWithout ? CacheLogState::kWithoutLog : CacheLogState::kNotLoaded);
    }
    ReleaseCacheLog(log);
  }
}

TEST(LoadCacheLog, YesShowsTheDialogAndLoadsTheChosenFile) {
  TempFolder dir;
  dir.Write("FAT.DB", "http://a/,M0000001\r\n");
  const std::string chosen = dir.Join("FAT.DB");
  scripted::Reset();
  scripted::QueueAnswer(Answer::kYes);
  scripted::QueueOpenFile(chosen);
  FileRef ref = RefIn(dir, "CCHMGR20.DAT");
  CacheLog log;
  ASSERT_EQ(LoadCacheLog(ref, log, UiPrompts()), LoadResult::kLoaded);
  EXPECT_EQ(ref.name.View(), "FAT.DB");
  EXPECT_EQ(log.ref.name.View(), "FAT.DB");
  EXPECT_EQ(ShownTexts(), std::vector<std::string>{MissingPrompt("CCHMGR20.DAT")});

  ASSERT_EQ(scripted::Dialogs().size(), 1u);
  const auto& dialog = scripted::Dialogs()[0];
  EXPECT_EQ(dialog.title, std::string(messages::Get(Text::kChooseLogTitleHead)) + "CCHMGR20.DAT" +
                              messages::Get(Text::kChooseLogTitleTail));
  EXPECT_EQ(dialog.initialPath, "");
  ASSERT_EQ(dialog.filters.size(), 2u);
  EXPECT_STREQ(dialog.filters[0].text, "CacheLogFile(*.db,*.csv,*.log,*.dat;HHoard log)");
  EXPECT_STREQ(dialog.filters[0].pattern, "*.db;*.csv;*.log;*.dat;*.rra;HHoard log*;");
  EXPECT_STREQ(dialog.filters[1].text, messages::Get(Text::kAllFilesText));
  EXPECT_STREQ(dialog.filters[1].pattern, "*.*");

  CacheLogEntry entry;
  ASSERT_EQ(LookupCacheFile(log, "m0000001", entry), LookupResult::kFound);
  EXPECT_STREQ(entry.url, "http://a/");
  ReleaseCacheLog(log);
}

TEST(LoadCacheLog, CancelledDialogAbortsTheRun) {
  TempFolder dir;
  scripted::Reset();
  scripted::QueueAnswer(Answer::kYes);  // no file queued: the dialog is cancelled
  const fs::path before = fs::current_path();
  FileRef ref = RefIn(dir, "CCHMGR20.DAT");
  CacheLog log;
  EXPECT_EQ(LoadCacheLog(ref, log, UiPrompts()), LoadResult::kAbort);
  EXPECT_EQ(scripted::Dialogs().size(), 1u);
  EXPECT_EQ(fs::current_path(), before);
}

TEST(LoadCacheLog, AnUnfitChosenFileIsAskedForUnderTheFirstName) {
  TempFolder dir;
  dir.Write("other.log", "");
  dir.Write("HHoard log", "http://b/,cache0001\n");
  const std::string empty = dir.Join("other.log");
  const std::string good = dir.Join("HHoard log");
  scripted::Reset();
  scripted::QueueAnswer(Answer::kYes);
  scripted::QueueOpenFile(empty);
  scripted::QueueAnswer(Answer::kOk);  // the notice that it is empty
  scripted::QueueAnswer(Answer::kYes);
  scripted::QueueOpenFile(good);
  FileRef ref = RefIn(dir, "CCHMGR20.DAT");
  CacheLog log;
  ASSERT_EQ(LoadCacheLog(ref, log, UiPrompts()), LoadResult::kLoaded);
  const std::vector<std::string> expected = {MissingPrompt("CCHMGR20.DAT"), StringText(5),
                                             MissingPrompt("CCHMGR20.DAT")};
  EXPECT_EQ(ShownTexts(), expected);
  ASSERT_EQ(scripted::Dialogs().size(), 2u);
  EXPECT_EQ(scripted::Dialogs()[1].title, scripted::Dialogs()[0].title);
  EXPECT_EQ(ref.name.View(), "HHoard log");
  ReleaseCacheLog(log);
}

TEST(LoadCacheLog, ARelativeReferenceStillNamesTheLogAfterItsFolderIsMadeCurrent) {
  TempFolder dir;
  fs::create_directories(dir.Path() / "cache");
  dir.Write(std::string("cache") + PathSeparator() + "CCHMGR20.DAT", "http://r/,M0000002\n");
  const CurrentFolderGuard guard;
  fs::current_path(dir.Path());
  FileRef ref;
  const std::string relative = std::string("cache") + PathSeparator() + "CCHMGR20.DAT";
  ASSERT_EQ(MakeFileRef(relative.c_str(), ref), kNoError);
  scripted::Reset();
  CacheLog log;
  EXPECT_EQ(LoadCacheLog(ref, log, UiPrompts()), LoadResult::kLoaded);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), dir.Path()));
  ReleaseCacheLog(log);
}

struct Lookup {
  std::string name;
  const char* url;  // null: not found
};

void ExpectLookups(const char* what, const std::string& text, const std::vector<Lookup>& lookups) {
  SCOPED_TRACE(what);
  TempFolder dir;
  CacheLog log;
  LoadLogText(dir, text, log);
  for (const Lookup& lookup : lookups) {
    SCOPED_TRACE("looking up " + lookup.name);
    CacheLogEntry entry;
    const LookupResult result = LookupCacheFile(log, lookup.name, entry);
    if (lookup.url == nullptr) {
      EXPECT_EQ(result, LookupResult::kNotFound);
    } else {
      ASSERT_EQ(result, LookupResult::kFound);
      EXPECT_STREQ(entry.url, lookup.url);
    }
  }
  ReleaseCacheLog(log);
}

TEST(LookupCacheFile, ReadsHeadersLinesAndFieldsAsTheLogWritesThem) {
  ExpectLookups("a JustView first line with a version is a header",
                "JustView 2.0,header\r\nhttp://a/,JCH00001.html\r\n",
                {{"header", nullptr}, {"JCH00001.HTM", "http://a/"}});
  ExpectLookups("the detection log answers by its cache column",
                "# -- Hoard-Hoard v2.1 --,cache,size,date,type\r\n"
                "http://x/a.html,JCH00001.html,1234,1999/01/02,TEXT\r\n"
                "http://x/b.gif,JCH00002.gif,99,1999/01/02,GIFf\r\n",
                {{"cache", nullptr},
                 {"1234", nullptr},
                 {"JCH00001.HTM", "http://x/a.html"},
                 {"JCH00002.gif", "http://x/b.gif"}});
  ExpectLookups("a first line in other case is no header", "justview,first\r\nu,second\r\n",
                {{"first", "justview"}, {"second", "u"}});
  ExpectLookups("a header without a line end leaves nothing", "# -- Hoard-Hoard,x",
                {{"x", nullptr}});
  ExpectLookups("one comma is a full entry, none is ignored, later fields are cut off",
                "no comma here\r\nhttp://one/,ONE.gif\r\nhttp://two/,TWO,extra,more\r\n\r\n"
                ",EMPTYURL\r\n",
                {{"no comma here", nullptr},
                 {"ONE.gif", "http://one/"},
                 {"TWO", "http://two/"},
                 {"extra", nullptr},
                 {"EMPTYURL", ""}});
  ExpectLookups("CR, LF, CR LF and a last line without line end",
                "u1,N1\ru2,N2\nu3,N3\r\nu4,N4,x\ru5,N5",
                {{"N1", "u1"}, {"N2", "u2"}, {"N3", "u3"}, {"N4", "u4"}, {"N5", "u5"}});
  ExpectLookups("the first line of a name wins, whatever the case",
                "http://first/,JCH00012.html\r\nhttp://second/,jch00012.HTML\r\n"
                "http://third/,JCH00012.html\r\n",
                {{"JCH00012.HTM", "http://first/"}, {"jch00012.html", "http://first/"}});
}

TEST(LookupCacheFile, DecodesOnlyWholeEscapeFields) {
  ExpectLookups("escapes",
                "u-tab,\\t\r\nu-cr,\\r\r\nu-cr1,\\r\\1\r\nu-cr2,\\r\\2,more\r\n"
                "u-crlf,\\r\\n\r\nu-crlf1,\\r\\n\\1\r\nu-crlf2,\\r\\n\\2\r\nu-lf,\\n\r\n"
                "u-other,\\r\\n\\3\r\nu-upper,\\T\r\nu-long,x\\n\r\n",
                {{"\t", "u-tab"},
                 {"\r", "u-cr"},
                 {"\r\x01", "u-cr1"},
                 {"\r\x02", "u-cr2"},
                 {"\r\n", "u-crlf"},
                 {"\r\n\x01", "u-crlf1"},
                 {"\r\n\x02", "u-crlf2"},
                 {"\n", "u-lf"},
                 {"\\r\\n", nullptr},
                 {"\\r\\n\\3", "u-other"},
                 {"\\t", "u-upper"},
                 {"x\\n", "u-long"},
                 {"x\n", nullptr}});
}

TEST(LookupCacheFile, PutsBrowserNamesIntoTheLogsForm) {
  ExpectLookups("browser names",
                "u1,JCH00012.html\r\nu2,JCH00013.jpeg\r\nu3,JCH00014.htm\r\n"
                "u5,JCH0001A.htm\r\nu6,JCH0001A.html\r\nu7,JCH00016\r\n"
                "u9,JCH00017.jpeg\r\nu8,JCH00017.jpg\r\nu10,M0000001.HTM\r\n"
                "u11,JCH00018.htm.htm\r\nu12,JCH00018.HTM.html\r\n",
                {{"JCH00012.HTM", "u1"},
                 {"JCH00012.html", "u1"},
                 {"JCH00012.htm", nullptr},
                 {"Jch00012.HTM", nullptr},
                 {"JCh00012.HTM", nullptr},
                 {"JCH00013.JPG", "u2"},
                 {"JCH00013.JPE", "u2"},
                 {"JCH00013.Jpg", nullptr},
                 {"Jch00014.HTM", "u3"},
                 {"jch00014.HTM", "u3"},
                 {"JCh00014.HTM", "u3"},
                 {"JCH0001a.HTM", "u5"},
                 {"JCH00016", "u7"},
                 {"jch00017.JPG", "u8"},
                 {"JCH00017.JPG", "u9"},
                 {"M0000001.HTM", "u10"},
                 {"JCH00018.HTM.HTM", "u11"}});
}

TEST(LookupCacheFile, NamesBeyondAFileNamesCapacityNeverMatch) {
  const std::string name63 = "M" + std::string(62, '6');
  const std::string name64 = "M" + std::string(63, '4');
  const std::string jch63 = "JCH" + std::string(56, '3') + ".HTM";  // 64 once it ends in .html
  const std::string jch64 = "JCH" + std::string(56, '3') + ".html";
  const std::string hostile = std::string(5000, 'h');
  ExpectLookups(
      "long names",
      "u1," + name63 + "\r\nu2," + name64 + "\r\nu3," + jch64 + "\r\nu4," + hostile + "\r\n",
      {{name63, "u1"}, {name64, nullptr}, {jch63, nullptr}, {hostile, nullptr}});
}

TEST(LookupCacheFile, TellsTheTypeFromTheEndOfTheLogsNameWithCase) {
  struct Case {
    const char* logName;
    const char* mimeType;
    TypeCode type;
  };
  const Case cases[] = {
      {"JCH00012.html", "text/html", kTypeText}, {"JCH00012.htm", "text/html", kTypeNone},
      {"a.HTML", "text/html", kTypeNone},        {"b.gif", "image/gif", kTypeGif},
      {"h.GIF", "text/html", kTypeNone},         {"c.jpg", "image/jpeg", kTypeJpeg},
      {"d.jpeg", "image/jpeg", kTypeJpeg},       {"e.mid", "audio/midi", kTypeMidi},
      {"f.midi", "audio/midi", kTypeMidi},       {"g.png", "text/html", kTypeNone},
      {"M0000001", "text/html", kTypeNone},
  };
  std::string text;
  for (const Case& c : cases) text += std::string("http://h/,") + c.logName + "\r\n";
  TempFolder dir;
  CacheLog log;
  LoadLogText(dir, text, log);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logName);
    CacheLogEntry entry;
    ASSERT_EQ(LookupCacheFile(log, c.logName, entry), LookupResult::kFound);
    EXPECT_STREQ(entry.mimeType, c.mimeType);
    EXPECT_EQ(entry.type, c.type);
    EXPECT_EQ(entry.cacheName.View(), c.logName);
  }
  CacheLogEntry entry;
  ASSERT_EQ(LookupCacheFile(log, "JCH00012.HTM", entry), LookupResult::kFound);
  EXPECT_EQ(entry.cacheName.View(), "JCH00012.html");  // the log's name, not the file's
  EXPECT_EQ(entry.type, kTypeText);
  ReleaseCacheLog(log);
}

TEST(LookupCacheFile, CountsTheCrBytesAndAnswersNotFoundWithoutALog) {
  TempFolder dir;
  CacheLog log;
  LoadLogText(dir, "JustView 2.0\r\na,b\r\nc,d\re,f,g\r\n\n", log);
  EXPECT_EQ(log.crCount, 4u);
  CacheLogEntry entry;
  EXPECT_EQ(LookupCacheFile(log, "b", entry), LookupResult::kFound);
  EXPECT_EQ(log.crCount, 4u);
  ReleaseCacheLog(log);

  CacheLog none;
  EXPECT_EQ(LookupCacheFile(none, "b", entry), LookupResult::kNotFound);
  none.state = CacheLogState::kWithoutLog;
  EXPECT_EQ(LookupCacheFile(none, "b", entry), LookupResult::kNotFound);
}

std::string FoldForTest(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The in-order scan the index must agree with, written the plain way over a
// log whose lines end with LF: (URL, upper-folded decoded name) per entry.
std::vector<std::pair<std::string, std::string>> EntriesInOrder(const std::string& text) {
  const std::pair<std::string, std::string> escapes[] = {
      {"\\t", "\t"},
      {"\\r", "\r"},
      {"\\r\\1", "\r\x01"},
      {"\\r\\2", "\r\x02"},
      {"\\r\\n", "\r\n"},
      {"\\r\\n\\1", "\r\n\x01"},
      {"\\r\\n\\2", "\r\n\x02"},
      {"\\n", "\n"},
  };
  std::vector<std::pair<std::string, std::string>> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    const size_t second = line.find(',', comma + 1);
    std::string name = line.substr(
        comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1);
    for (const auto& [escaped, decoded] : escapes) {
      if (name == escaped) name = decoded;
    }
    entries.emplace_back(line.substr(0, comma), FoldForTest(name));
  }
  return entries;
}

TEST(LookupCacheFile, AgreesWithTheInOrderScanOnManyNames) {
  std::mt19937 random(12345);
  const std::string alphabet = "aAbB\\trn1,";
  auto randomName = [&](bool allowComma) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < length; ++i) {
      char c = alphabet[random() % alphabet.size()];
      if (c == ',' && !allowComma) c = 'x';
      name += c;
    }
    return name;
  };
  std::string text;
  for (int line = 0; line < 3000; ++line) {
    text += "u" + std::to_string(line) + "," + randomName(true) + "\n";
  }
  const auto reference = EntriesInOrder(text);
  TempFolder dir;
  CacheLog log;
  LoadLogText(dir, text, log);
  for (int i = 0; i < 3000; ++i) {
    const std::string name = randomName(false) + (i % 7 == 0 ? "\r" : "");
    SCOPED_TRACE("looking up " + name);
    const std::string foldedName = FoldForTest(name);
    std::string expected = "(not found)";
    for (const auto& [url, folded] : reference) {
      if (folded == foldedName) {
        expected = url;
        break;
      }
    }
    CacheLogEntry entry;
    const LookupResult result = LookupCacheFile(log, name, entry);
    ASSERT_EQ(result == LookupResult::kFound ? std::string(entry.url) : "(not found)", expected);
  }
  ReleaseCacheLog(log);
}

}  // namespace
}  // namespace hoard

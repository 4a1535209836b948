// Every text the program shows or writes, as CP932 bytes. The entries with a
// string id are the program's string table; the Windows resources hold the
// same texts under the same ids. Each entry carries its UTF-8 form so a test
// can hold the bytes against a converter nobody here wrote.
//
// This table is data only: every layer may read it.
#pragma once

#include <span>

namespace hoard::messages {

enum class Text {
  kCaptionShort,
  kCaption,
  kCannotRead,
  kLogEmpty,
  kNoMemory,
  kLogCompressed,
  kLogIsHistory,
  kLogNotText,
  kMissingPrefixCacheLog,
  kMissingPrefixDomainTable,
  kMissingTail,
  kChooseLogTitleHead,
  kChooseLogTitleTail,
  kLogFilterText,
  kLogFilterPattern,
  kAllFilesText,
  kAllFilesPattern,
  kChooseCacheFileTitle,
  kChooseCacheFolderTitle,
  kCacheFilterText,
  kCacheFilterPattern,
  kCgiFilterText,
  kCgiFilterPattern,
  kNoCacheFiles,
  kBrokenCountHead,
  kBrokenCountTail,
  kOfferDetectionLog,
  kPathTooLong,
  kLeftBehindHead,
  kLeftBehindTail,
  // Output folders and the domain conversion table.
  kFolderNoLongNames,
  kFolderDiskFull,
  kFolderErrorNumber,
  kChooseDomainTableTitle,
  kDomainFilterText,
  kDomainFilterPattern,
  // The main and special-settings dialogs, the main window and its progress.
  kMainQuestionLine1,
  kMainQuestionLine2,
  kButtonFolder,
  kButtonFile,
  kButtonQuit,
  kButtonSpecial,
  kButtonResident,
  kButtonManual,
  kCheckEditLinks,
  kCheckDeleteBackup,
  kCheckUnixToMac,
  kCheckEucToShiftJis,
  kGroupBrokenImages,
  kRadioDetectNone,
  kRadioRecycle,
  kRadioDelete,
  kDialogFont,
  kButtonOk,
  kButtonCancel,
  kCheckShortenInfoseek,
  kCheckLocaliseFtp,
  kCheckOptionValues,
  kCheckFixTableEnds,
  kCheckScriptParams,
  kCheckFormActions,
  kMainDialogFailed,
  kDialogFailed,
  kReallyQuit,
  kLabelWorking,
  kLabelTimeLeft,
  kLabelElapsed,
  kAboutMenuItem,
  kAboutCredit,
  kDiskFullCannotWrite,
  // The terminal program without a terminal: a cache log it cannot use ends
  // the run (after the log's name).
  kMissingCacheLogEndsRun,
  // Why a file stayed in the cache folder, and an error said in words.
  kStayedInCacheFolder,
  kLeftNoPlace,
  kLeftPlaceTaken,
  kLeftNameTaken,
  kLeftFolderBlocked,
  kLeftLinkFile,
  kLeftLinkLoop,
  kLeftLinkToFolder,
  kLeftUnreadable,
  kLeftUrlWithCommas,
  kErrorAccessDenied,
  kErrorDiskFull,
  kErrorReadOnly,
  kErrorNotFound,
  kErrorNumber,
  kFolderCannotBeMade,
  // The terminal program's summary: printf formats, the same conversions in
  // the same order in both languages.
  kSummaryDone,
  kSummaryStopped,
  kSummaryHead,
  kSummaryMoved,
  kSummaryBroken,
  kSummaryLeft,
  kSummaryLeftKind,
  kSummaryNotConverted,
  kRewriteInterrupted,
};

struct Entry {
  Text text;
  int stringId;       // id in the string table, 0 for a fixed text
  const char* bytes;  // CP932
  const char* utf8;   // the same text, for people and for the check
  const char* english = nullptr;  // the terminal's English form (ASCII)
};

// The language Get and StringById answer in. Japanese unless a front end
// chooses English (the Windows program never does).
enum class Language { kJapanese, kEnglish };
void SetLanguage(Language language);
// The language of a locale given as LC_ALL, LC_MESSAGES and LANG (each may
// be null): the first set one decides; Japanese for "ja" and its regions,
// English otherwise and when none is set.
Language LanguageForLocale(const char* lcAll, const char* lcMessages, const char* lang);

std::span<const Entry> AllTexts();
const char* Get(Text text);
// The text of a string-table id; null when there is none.
const char* StringById(int id);

// String table ids the core shows by number.
inline constexpr int kIdCaption = 1;
inline constexpr int kIdCannotRead = 3;
inline constexpr int kIdLogEmpty = 5;
inline constexpr int kIdNoMemory = 8;
inline constexpr int kIdLogCompressed = 11;
inline constexpr int kIdLogIsHistory = 12;
inline constexpr int kIdLogNotText = 13;

// The caption of every message box: "Hoard-Hoard 2.2" until the program has
// loaded its string 1.
const char* ProgramCaption();
void SetProgramCaption(const char* caption);

}  // namespace hoard::messages

// The command-line program: converts the cache files or the cache folder
// named on the command line; without arguments, the main dialog as a menu
// on the terminal.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <iterator>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include <string_view>

#include "app/listing.h"
#include "app/mainmenu.h"
#include "app/options.h"
#include "app/posix/indexpage.h"
#include "app/posix/manifestfile.h"
#include "app/posix/menu.h"
#include "app/posix/outputcopy.h"
#include "app/posix/warc.h"
#include "app/prompts.h"
#include "app/run.h"
#include "base/messages.h"
#include "base/options.h"
#include "pipeline/convert.h"
#include "pipeline/leftovers.h"
#include "pipeline/manifest.h"
#include "store/cachelog.h"
#include "store/contentcheck.h"
#include "store/domaintable.h"
#include "store/files.h"
#include "platform/posix/terminal.h"
#include "platform/posix/ui_progress.h"

namespace {

constexpr char kProgramName[] = "hoard-hoard";
constexpr char kVersionText[] = "hoard-hoard 2.2\n";

constexpr char kUsage[] =
    "usage: hoard-hoard                  (a menu: folder, file, options)\n"
    "       hoard-hoard [OPTION]... CACHE_FOLDER\n"
    "       hoard-hoard [OPTION]... CACHE_FILE...\n"
    "Converts the cache files into a mirror inside the cache folder, one line per\n"
    "file: its name, the URL, MIME type and type code the cache log gives for it.\n"
    "Progress is shown on standard error; Ctrl-C asks whether to stop after the\n"
    "file being converted.\n"
    "\n"
    "  -l, --list      only look the files up in the cache log; nothing is moved\n"
    "  --log FILE      the cache log to use, instead of the one beside the files\n"
    "  --domain-table FILE  the domain table to use, instead of the remembered one\n"
    "  --batch-limit N one batch of at most N cache files of the folder (1 to\n"
    "                  1000); without it the whole folder is converted, batch\n"
    "                  after batch of at most 1000\n"
    "  -q, --quiet     no line per file on standard output, no summary\n"
    "  --summary=json  the summary on standard error as one JSON line\n"
    "  --output=DIR    convert a copy made in DIR (absent or empty, outside the\n"
    "                  cache folder); the cache folder stays as it was\n"
    "  --plan          print what a conversion would do with each file, as CSV;\n"
    "                  nothing is changed\n"
    "  --warc=FILE     write the cache as a web archive (WARC) to FILE, outside the\n"
    "                  cache folder, instead of converting; nothing is moved\n"
    "A conversion writes h-hoard-manifest.csv beside the cache files (with\n"
    "--output, in DIR): each file's URL, place, size, SHA-256 and fate.\n"
    "For this run only (never written to the settings file, which supplies what\n"
    "no flag says):\n"
    "  --links, --no-links                    rewrite the links of pages\n"
    "  --delete-backups, --keep-backups       the page as it was, kept as .bk\n"
    "  --lf-to-cr, --no-lf-to-cr              LF line ends of pages become CR\n"
    "  --euc-to-sjis, --no-euc-to-sjis        EUC-JP pages become Shift_JIS\n"
    "  --broken-images=off|report|trash|delete  what becomes of broken images\n"
    "  --shorten-infoseek, --localise-ftp, --option-values, --fix-table-ends,\n"
    "  --script-params, --form-actions (and each with no- before it)\n"
    "                                         the special settings\n"
    "  -h, --help      show this help and end\n"
    "  -V, --version   show the program's version and end\n"
    "\n"
    "Exit status: 0 when every cache file reached the mirror or was rightly left\n"
    "alone; 1 when a file could not be converted or the run was stopped; 2 for a\n"
    "usage error or a path that does not exist or cannot be read.\n";

// The settings a run may be given on the command line, one flag each way.
// They change the process's options for this run only: nothing here writes
// the settings file, which still supplies what no flag says.
struct FlagSwitch {
  const char* name;
  uint8_t hoard::Options::*field;
  uint8_t value;
};
constexpr FlagSwitch kFlagSwitches[] = {
    {"links", &hoard::Options::EditLinks, 1},
    {"no-links", &hoard::Options::EditLinks, 0},
    {"delete-backups", &hoard::Options::DeleteBackup, 1},
    {"keep-backups", &hoard::Options::DeleteBackup, 0},
    {"lf-to-cr", &hoard::Options::UnixToMacLineEnds, 1},
    {"no-lf-to-cr", &hoard::Options::UnixToMacLineEnds, 0},
    {"euc-to-sjis", &hoard::Options::EucToShiftJis, 1},
    {"no-euc-to-sjis", &hoard::Options::EucToShiftJis, 0},
    {"shorten-infoseek", &hoard::Options::ShortenInfoseekResults, 1},
    {"no-shorten-infoseek", &hoard::Options::ShortenInfoseekResults, 0},
    {"localise-ftp", &hoard::Options::LocaliseFtp, 1},
    {"no-localise-ftp", &hoard::Options::LocaliseFtp, 0},
    {"option-values", &hoard::Options::AdjustOptionValues, 1},
    {"no-option-values", &hoard::Options::AdjustOptionValues, 0},
    {"fix-table-ends", &hoard::Options::FixTableEnds, 1},
    {"no-fix-table-ends", &hoard::Options::FixTableEnds, 0},
    {"script-params", &hoard::Options::AdjustScriptParams, 1},
    {"no-script-params", &hoard::Options::AdjustScriptParams, 0},
    {"form-actions", &hoard::Options::AdjustFormActions, 1},
    {"no-form-actions", &hoard::Options::AdjustFormActions, 0},
};
constexpr int kFirstFlagSwitch = 256;
constexpr int kBrokenImagesOption = kFirstFlagSwitch + static_cast<int>(std::size(kFlagSwitches));
constexpr int kQuietOption = kBrokenImagesOption + 1;
constexpr int kSummaryOption = kQuietOption + 1;
constexpr int kOutputOption = kSummaryOption + 1;
constexpr int kPlanOption = kOutputOption + 1;
constexpr int kWarcOption = kPlanOption + 1;
constexpr int kLogOption = kWarcOption + 1;
constexpr int kDomainTableOption = kLogOption + 1;
constexpr int kBatchLimitOption = kDomainTableOption + 1;

// The values of --broken-images, in the words a user types.
struct BrokenImageWord {
  const char* word;
  uint8_t mode;
};
constexpr BrokenImageWord kBrokenImageWords[] = {
    {"off", hoard::kBrokenImagesKept},
    {"report", static_cast<uint8_t>(hoard::kBrokenImageReport)},
    {"trash", hoard::kBrokenImagesRecycled},
    {"delete", hoard::kBrokenImagesDeleted},
};

// What the command line asked for besides the paths.
struct CommandLine {
  bool listOnly = false;
  bool quiet = false;
  bool jsonSummary = false;
  std::array<int, std::size(kFlagSwitches)> switches{};  // 1 when given
  int brokenImageMode = -1;                              // -1 when not given
  std::string outputFolder;                              // empty when not given
  bool plan = false;
  const char* warcPath = nullptr;                        // --warc
  const char* logPath = nullptr;                         // --log
  const char* domainTablePath = nullptr;                 // --domain-table
  size_t batchLimit = 0;                                 // 0 when not given
};

void ApplyToRun(const CommandLine& line, hoard::Options& options) {
  for (size_t i = 0; i < std::size(kFlagSwitches); ++i) {
    if (line.switches[i] != 0) options.*kFlagSwitches[i].field = kFlagSwitches[i].value;
  }
  if (line.brokenImageMode >= 0) {
    options.BrokenImageMode = static_cast<uint8_t>(line.brokenImageMode);
    options.CheckGif = options.CheckJpeg = options.BrokenImageMode != 0 ? 1 : 0;
  }
}

constexpr int kExitDone = 0;
constexpr int kExitNotAllConverted = 1;
constexpr int kExitUsage = 2;

int UsageError(const char* what, const char* option) {
  std::fprintf(stderr, "%s: %s '%s'\n", kProgramName, what, option);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// The option a refused argument names: a long option as written, a short one
// as its letter (it may sit in a cluster such as "-lx").
const char* OptionNamed(const char* argument, int letter) {
  static char shortOption[3] = {'-', '?', '\0'};
  if (letter == 0 || std::strncmp(argument, "--", 2) == 0) return argument;
  shortOption[1] = static_cast<char>(letter);
  return shortOption;
}

// A path the run cannot use is named with the reason before anything is
// touched. A folder must be listable and enterable, a file readable.
bool CheckPathArgument(const char* path, bool fileOnly = false) {
  struct stat info = {};
  int error = 0;
  if (stat(path, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    if (fileOnly) {
      error = EISDIR;
    } else if (access(path, R_OK | X_OK) != 0) {
      error = errno;
    }
  } else if (access(path, R_OK) != 0) {
    error = errno;
  }
  if (error == 0) return true;
  std::fprintf(stderr, "%s: %s: %s\n", kProgramName, path, std::strerror(error));
  return false;
}

// The exit status of the run just ended.
int RunExitStatus() {
  const hoard::app::RunOutcome& outcome = hoard::app::LastRunOutcome();
  if (outcome.stopped || outcome.passedOver > 0 || hoard::RunCounts().leftBehind > 0) {
    return kExitNotAllConverted;
  }
  return kExitDone;
}

// The listing shares the terminal with the progress line: the line makes
// room for each listing line and comes back below it.
void PrintLookupBesideProgress(const hoard::FileRef& file, const hoard::CacheLogEntry* entry) {
  hoard::platform::SuspendProgressLine();
  hoard::app::PrintLookup(file, entry);
  hoard::platform::ResumeProgressLine();
}

// The files of the run as the cache log answered for them; the listing is
// passed on to the observer that prints it.
struct LookupCounts {
  size_t listed = 0;
  size_t unlisted = 0;
};
LookupCounts gLookups;
hoard::LookupObserver gPrinter = nullptr;

void CountLookup(const hoard::FileRef& file, const hoard::CacheLogEntry* entry) {
  ++(entry != nullptr ? gLookups.listed : gLookups.unlisted);
  if (gPrinter != nullptr) gPrinter(file, entry);
}

const char* BrokenImageWordFor(uint8_t mode) {
  for (const BrokenImageWord& word : kBrokenImageWords) {
    if (word.mode == mode) return word.word;
  }
  return "other";
}

// Why a file stayed, as the JSON summary names each kind.
struct ReasonKey {
  hoard::LeftReason reason;
  const char* key;
};
constexpr ReasonKey kReasonKey[] = {
    {hoard::LeftReason::kNoPlace, "no_place"},
    {hoard::LeftReason::kPlaceTaken, "place_taken"},
    {hoard::LeftReason::kNameTaken, "name_taken"},
    {hoard::LeftReason::kFolderBlocked, "folder_blocked"},
    {hoard::LeftReason::kLinkFile, "link"},
    {hoard::LeftReason::kLinkLoop, "link_loop"},
    {hoard::LeftReason::kLinkToFolder, "link_to_folder"},
    {hoard::LeftReason::kUnreadable, "unreadable"},
    {hoard::LeftReason::kUrlWithCommas, "url_with_commas"},
};
static_assert(std::size(kReasonKey) == hoard::kLeftReasonCount);

// Each file that stays, on standard error with its reason, as it is passed
// over.
void PrintLeftBehind(std::string_view cacheName, hoard::LeftReason reason, int error) {
  hoard::platform::SuspendProgressLine();
  std::string text(cacheName);
  text += ": ";
  text += hoard::messages::Get(hoard::messages::Text::kStayedInCacheFolder);
  text += hoard::messages::Get(hoard::LeftReasonText(reason));
  if (error != 0) {
    std::array<char, 128> words{};
    hoard::ErrorInWords(error, words.data(), words.size());
    text += " (";
    text += words.data();
    text += ")";
  }
  std::string shown;
  hoard::platform::ConvertForTerminal(text, hoard::platform::TerminalCodeset(), shown);
  std::fprintf(stderr, "%s: %s\n", kProgramName, shown.c_str());
  hoard::platform::ResumeProgressLine();
}

// What the run did, on standard error: a few lines, or one JSON line.
void PrintSummary(bool json, long seconds) {
  const hoard::app::RunOutcome& outcome = hoard::app::LastRunOutcome();
  const hoard::ConversionCounts& counts = hoard::RunCounts();
  const char* images = BrokenImageWordFor(hoard::CurrentOptions().BrokenImageMode);
  if (json) {
    std::string reasons;
    for (const ReasonKey& row : kReasonKey) {
      char field[64];
      std::snprintf(field, sizeof field, "%s\"%s\":%zu", reasons.empty() ? "" : ",", row.key,
                    counts.byReason[static_cast<size_t>(row.reason)]);
      reasons += field;
    }
    std::fprintf(stderr,
                 "{\"files\":%zu,\"listed\":%zu,\"unlisted\":%zu,\"moved\":%zu,"
                 "\"pages_rewritten\":%zu,\"headers_cut\":%zu,\"broken_images\":%d,"
                 "\"broken_image_mode\":\"%s\",\"left_in_cache_folder\":%zu,\"left\":{%s},"
                 "\"not_converted\":%zu,\"batches\":%zu,\"stopped\":%s,\"seconds\":%ld}\n",
                 outcome.converted, gLookups.listed, gLookups.unlisted, counts.moved,
                 counts.rewritten, counts.headersCut, outcome.brokenCount, images,
                 counts.leftBehind, reasons.c_str(), outcome.passedOver, outcome.batches,
                 outcome.stopped ? "true" : "false", seconds);
    return;
  }
  // The words are the message table's, in the user's language; each
  // format's conversions are the same in both languages.
  using hoard::messages::Get;
  using hoard::messages::Text;
  std::array<char, 2048> text{};
  size_t length = 0;
  const auto add = [&](Text format, auto... values) {
    const int written = std::snprintf(text.data() + length, text.size() - length, Get(format),
                                      values...);
    if (written > 0) length = std::min(text.size() - 1, length + static_cast<size_t>(written));
  };
  add(Text::kSummaryHead, Get(outcome.stopped ? Text::kSummaryStopped : Text::kSummaryDone),
      seconds, outcome.converted, outcome.batches, gLookups.listed, gLookups.unlisted);
  add(Text::kSummaryMoved, counts.moved, counts.headersCut, counts.rewritten);
  add(Text::kSummaryBroken, outcome.brokenCount, images);
  add(Text::kSummaryLeft, counts.leftBehind);
  for (const ReasonKey& row : kReasonKey) {
    const size_t n = counts.byReason[static_cast<size_t>(row.reason)];
    if (n != 0) add(Text::kSummaryLeftKind, Get(hoard::LeftReasonText(row.reason)), n);
  }
  add(Text::kSummaryNotConverted, outcome.passedOver);
  std::string shown;
  hoard::platform::ConvertForTerminal(std::string_view(text.data(), length),
                                      hoard::platform::TerminalCodeset(), shown);
  std::fprintf(stderr, "%s: %s", kProgramName, shown.c_str());
}

// A file named on the command line as the cache log or the domain table.
bool TakeFileOption(const char* path, bool (*take)(const char*)) {
  return CheckPathArgument(path, true) && take(path);
}

bool UseCacheLog(const char* path) {
  hoard::FileRef ref;
  if (hoard::MakeFileRef(path, ref) == hoard::kBadName || hoard::MakeAbsolute(ref) != hoard::kNoError) {
    std::fprintf(stderr, "%s: %s: the path is too long\n", kProgramName, path);
    return false;
  }
  hoard::SetCacheLogForRun(&ref);
  return true;
}

bool UseDomainTable(const char* path) {
  hoard::FileRef ref;
  if (hoard::MakeFileRef(path, ref) == hoard::kBadName || hoard::MakeAbsolute(ref) != hoard::kNoError) {
    std::fprintf(stderr, "%s: %s: the path is too long\n", kProgramName, path);
    return false;
  }
  hoard::SetDomainTableForRun(&ref);
  return true;
}

int RunMenu() {
  const hoard::app::MenuTerminal terminal{stdin, stderr, hoard::platform::TerminalCodeset()};
  switch (hoard::app::RunMainMenu(terminal)) {
    case hoard::app::MainChoice::kFolder:
      return hoard::app::RunFolderChoice();
    case hoard::app::MainChoice::kFile:
      return hoard::app::RunFileChoice();
    default:
      return 0;
  }
}

void PrintInterruptedRewrite(const char* pagePath) {
  hoard::platform::SuspendProgressLine();
  std::string shown;
  hoard::platform::ConvertForTerminal(hoard::messages::Get(hoard::messages::Text::kRewriteInterrupted),
                                      hoard::platform::TerminalCodeset(), shown);
  std::fprintf(stderr, "%s: %s: %s\n", kProgramName, pagePath, shown.c_str());
  hoard::platform::ResumeProgressLine();
}

// The manifest, written whole at the end of each batch: a batch killed later
// leaves it as the batches before made it. The rows written are let go, so
// that each batch hashes only its own files.
bool WriteManifestNow() {
  if (!hoard::FateRecording() || hoard::PlanOnly()) return true;
  std::string why;
  if (!hoard::app::WriteBatchManifest(why)) {
    std::fprintf(stderr, "%s: the manifest was not written: %s\n", kProgramName, why.c_str());
    return false;
  }
  hoard::SetFateRecording(true);
  return true;
}

void WriteManifestOfBatch() { WriteManifestNow(); }

}  // namespace

int main(int argc, char** argv) {
  std::array<option, std::size(kFlagSwitches) + 13> longOptions{};
  size_t count = 0;
  for (size_t i = 0; i < std::size(kFlagSwitches); ++i) {
    longOptions[count++] = {kFlagSwitches[i].name, no_argument, nullptr,
                            kFirstFlagSwitch + static_cast<int>(i)};
  }
  longOptions[count++] = {"broken-images", required_argument, nullptr, kBrokenImagesOption};
  longOptions[count++] = {"quiet", no_argument, nullptr, kQuietOption};
  longOptions[count++] = {"summary", required_argument, nullptr, kSummaryOption};
  longOptions[count++] = {"output", required_argument, nullptr, kOutputOption};
  longOptions[count++] = {"plan", no_argument, nullptr, kPlanOption};
  longOptions[count++] = {"warc", required_argument, nullptr, kWarcOption};
  longOptions[count++] = {"log", required_argument, nullptr, kLogOption};
  longOptions[count++] = {"domain-table", required_argument, nullptr, kDomainTableOption};
  longOptions[count++] = {"batch-limit", required_argument, nullptr, kBatchLimitOption};
  longOptions[count++] = {"list", no_argument, nullptr, 'l'};
  longOptions[count++] = {"help", no_argument, nullptr, 'h'};
  longOptions[count++] = {"version", no_argument, nullptr, 'V'};
  longOptions[count] = {nullptr, 0, nullptr, 0};

  CommandLine line;
  opterr = 0;  // the messages below name the option themselves
  for (;;) {
    const int choice = getopt_long(argc, argv, ":lqhV", longOptions.data(), nullptr);
    if (choice == -1) break;
    if (choice >= kFirstFlagSwitch && choice < kBrokenImagesOption) {
      line.switches[static_cast<size_t>(choice - kFirstFlagSwitch)] = 1;
      continue;
    }
    switch (choice) {
      case 'l':
        line.listOnly = true;
        break;
      case 'q':
      case kQuietOption:
        line.quiet = true;
        break;
      case kBrokenImagesOption:
        for (const BrokenImageWord& word : kBrokenImageWords) {
          if (std::strcmp(optarg, word.word) == 0) line.brokenImageMode = word.mode;
        }
        if (line.brokenImageMode < 0) {
          return UsageError("bad value for option", argv[optind - 1]);
        }
        break;
      case kSummaryOption:
        if (std::strcmp(optarg, "json") == 0) {
          line.jsonSummary = true;
        } else if (std::strcmp(optarg, "text") != 0) {
          return UsageError("bad value for option", argv[optind - 1]);
        }
        break;
      case kOutputOption:
        if (*optarg == '\0') return UsageError("bad value for option", argv[optind - 1]);
        line.outputFolder = optarg;
        break;
      case kPlanOption:
        line.plan = true;
        break;
      case kWarcOption:
        line.warcPath = optarg;
        break;
      case kLogOption:
        line.logPath = optarg;
        break;
      case kDomainTableOption:
        line.domainTablePath = optarg;
        break;
      case kBatchLimitOption: {
        char* end = nullptr;
        errno = 0;
        const unsigned long limit = std::strtoul(optarg, &end, 10);
        if (errno != 0 || end == optarg || *end != '\0' || optarg[0] == '-' || limit == 0 ||
            limit > hoard::app::kMaxArguments) {
          return UsageError("bad value for option", argv[optind - 1]);
        }
        line.batchLimit = limit;
        break;
      }
      case 'h':
        std::fputs(kUsage, stdout);
        return kExitDone;
      case 'V':
        std::fputs(kVersionText, stdout);
        return kExitDone;
      case ':':
        return UsageError("missing value for option", OptionNamed(argv[optind - 1], optopt));
      default:
        return UsageError("unknown option", OptionNamed(argv[optind - 1], optopt));
    }
  }
  for (int i = optind; i < argc; ++i) {
    if (!CheckPathArgument(argv[i])) return kExitUsage;
  }
  if (line.logPath != nullptr && !TakeFileOption(line.logPath, UseCacheLog)) return kExitUsage;
  if (line.domainTablePath != nullptr &&
      !TakeFileOption(line.domainTablePath, UseDomainTable)) {
    return kExitUsage;
  }

  // Messages in the user's language: Japanese for a Japanese locale,
  // English otherwise.
  hoard::messages::SetLanguage(hoard::messages::LanguageForLocale(
      std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
  // The caption of every message, as the Windows program loads it.
  if (const char* caption = hoard::messages::StringById(hoard::messages::kIdCaption)) {
    hoard::messages::SetProgramCaption(caption);
  }
  hoard::app::RememberStartFolder();
  if (!hoard::LoadOptions()) {
    std::fputs("hoard-hoard: the settings file cannot be created\n", stderr);
    return kExitNotAllConverted;
  }
  const bool listingOnTerminal = isatty(STDOUT_FILENO) != 0 && isatty(STDERR_FILENO) != 0;
  gPrinter = line.quiet || line.plan ? nullptr
             : listingOnTerminal ? PrintLookupBesideProgress
                                 : hoard::app::PrintLookup;
  hoard::SetLookupObserver(CountLookup);
  if (!line.quiet) hoard::SetLeftBehindObserver(PrintLeftBehind);
  hoard::SetInterruptedRewriteObserver(PrintInterruptedRewrite);
  hoard::app::SetFolderMode({line.batchLimit == 0, line.batchLimit != 0 ? line.batchLimit
                                                                         : hoard::app::kMaxArguments});
  hoard::SetListOnly(line.listOnly);
  hoard::SetPlanOnly(line.plan && !line.listOnly);
  hoard::SetFateRecording(!line.listOnly);
  ApplyToRun(line, hoard::CurrentOptions());
  hoard::SetNobodyToAnswer(isatty(STDIN_FILENO) == 0);
  hoard::app::SetBatchEndObserver(WriteManifestOfBatch);

  if (optind == argc) {
    // Nobody to answer the menu: say how to call the program, never wait.
    if (line.listOnly || line.plan || isatty(STDIN_FILENO) == 0 || !line.outputFolder.empty()) {
      std::fputs(kUsage, stderr);
      return kExitUsage;
    }
    RunMenu();
    WriteManifestNow();
    return RunExitStatus();
  }
  hoard::app::ArgList args;
  // The list holds 1000 paths; more are left out with a word on standard error.
  for (int i = optind; i < argc && args.count < hoard::app::kMaxArguments; ++i) {
    args.items[args.count++] = argv[i];
  }
  if (static_cast<size_t>(argc - optind) > hoard::app::kMaxArguments) {
    std::fputs("hoard-hoard: at most 1000 paths at a time; the rest are not converted\n", stderr);
  }
  if (line.warcPath != nullptr) return hoard::app::RunWarcExport(args, line.warcPath, line.quiet);
  std::vector<std::string> outputArgs;
  if (!line.outputFolder.empty() && !line.listOnly) {
    const int status = hoard::app::TurnToOutputFolder(line.outputFolder, line.plan, args, outputArgs);
    if (status >= 0) return status;
  }
  const std::time_t start = std::time(nullptr);
  hoard::app::RunArguments(args);
  if (hoard::PlanOnly()) {
    hoard::app::PrintPlan(stdout);
    return hoard::app::LastRunOutcome().stopped ? kExitNotAllConverted : kExitDone;
  }
  WriteManifestNow();
  if (!line.listOnly) hoard::app::WriteIndexAfterRun(args);
  if (line.jsonSummary || !line.quiet) {
    PrintSummary(line.jsonSummary, static_cast<long>(std::time(nullptr) - start));
  }
  return RunExitStatus();
}

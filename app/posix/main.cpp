// The command-line program: converts the cache files or the cache folder
// named on the command line; without arguments, the main dialog as a menu
// on the terminal.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstring>

#include "app/listing.h"
#include "app/mainmenu.h"
#include "app/options.h"
#include "app/posix/menu.h"
#include "app/prompts.h"
#include "app/run.h"
#include "base/messages.h"
#include "pipeline/convert.h"
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
    "  -h, --help      show this help and end\n"
    "  -V, --version   show the program's version and end\n"
    "\n"
    "Exit status: 0 when every cache file reached the mirror or was rightly left\n"
    "alone; 1 when a file could not be converted or the run was stopped; 2 for a\n"
    "usage error or a path that does not exist or cannot be read.\n";

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
bool CheckPathArgument(const char* path) {
  struct stat info = {};
  int error = 0;
  if (stat(path, &info) != 0) {
    error = errno;
  } else if (S_ISDIR(info.st_mode)) {
    if (access(path, R_OK | X_OK) != 0) error = errno;
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
  if (outcome.stopped || outcome.passedOver > 0 || hoard::FilesLeftBehind().count > 0) {
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

}  // namespace

int main(int argc, char** argv) {
  static const option kLongOptions[] = {
      {"list", no_argument, nullptr, 'l'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, 'V'},
      {nullptr, 0, nullptr, 0},
  };
  bool listOnly = false;
  opterr = 0;  // the messages below name the option themselves
  for (;;) {
    const int choice = getopt_long(argc, argv, ":lhV", kLongOptions, nullptr);
    if (choice == -1) break;
    switch (choice) {
      case 'l':
        listOnly = true;
        break;
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
  hoard::SetLookupObserver(listingOnTerminal ? PrintLookupBesideProgress : hoard::app::PrintLookup);
  hoard::SetListOnly(listOnly);
  hoard::SetNobodyToAnswer(isatty(STDIN_FILENO) == 0);

  if (optind == argc) {
    // Nobody to answer the menu: say how to call the program, never wait.
    if (listOnly || isatty(STDIN_FILENO) == 0) {
      std::fputs(kUsage, stderr);
      return kExitUsage;
    }
    RunMenu();
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
  hoard::app::RunArguments(args);
  return RunExitStatus();
}

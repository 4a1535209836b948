// The command-line program: converts the cache files or the cache folder
// named on the command line; without arguments, the main dialog as a menu
// on the terminal.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/listing.h"
#include "app/mainmenu.h"
#include "app/options.h"
#include "app/posix/menu.h"
#include "app/run.h"
#include "base/messages.h"
#include "pipeline/convert.h"
#include "platform/posix/terminal.h"
#include "platform/posix/ui_progress.h"

namespace {

constexpr char kUsage[] =
    "usage: hoard-hoard                  (a menu: folder, file, options)\n"
    "       hoard-hoard [--list] CACHE_FOLDER\n"
    "       hoard-hoard [--list] CACHE_FILE...\n"
    "Converts the cache files into a mirror inside the cache folder, one line per\n"
    "file: its name, the URL, MIME type and type code the cache log gives for it.\n"
    "With --list the files are only looked up, nothing is moved. Progress is shown\n"
    "on standard error; Ctrl-C asks whether to stop after the file being\n"
    "converted.\n";

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
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // The caption of every message, as the Windows program loads it.
  if (const char* caption = hoard::messages::StringById(hoard::messages::kIdCaption)) {
    hoard::messages::SetProgramCaption(caption);
  }
  hoard::app::RememberStartFolder();
  if (!hoard::LoadOptions()) {
    std::fputs("hoard-hoard: the settings file cannot be created\n", stderr);
    return 1;
  }
  const bool listingOnTerminal = isatty(STDOUT_FILENO) != 0 && isatty(STDERR_FILENO) != 0;
  hoard::SetLookupObserver(listingOnTerminal ? PrintLookupBesideProgress : hoard::app::PrintLookup);

  if (argc < 2) {
    // Nobody to answer the menu: say how to call the program, never wait.
    if (isatty(STDIN_FILENO) == 0) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    return RunMenu();
  }
  int first = 1;
  if (std::strcmp(argv[1], "--list") == 0) {
    hoard::SetListOnly(true);
    ++first;
    if (first == argc) {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  hoard::app::ArgList args;
  // The list holds 1000 paths; more are left out with a word on standard error.
  for (int i = first; i < argc && args.count < hoard::app::kMaxArguments; ++i) {
    args.items[args.count++] = argv[i];
  }
  if (static_cast<size_t>(argc - first) > hoard::app::kMaxArguments) {
    std::fputs("hoard-hoard: at most 1000 paths at a time; the rest are not converted\n", stderr);
  }
  return hoard::app::RunArguments(args);
}

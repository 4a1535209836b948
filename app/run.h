// One run of the program: the argument list, deciding the work, the batch of
// conversions and the final report. Both front ends call this.
#pragma once

#include <array>
#include <cstddef>

#include "store/fileref.h"

namespace hoard::app {

inline constexpr size_t kMaxArguments = 1000;

struct ArgList {
  std::array<char*, kMaxArguments> items{};
  size_t count = 0;
};

// Cuts `text` in place at every space (each becomes a NUL). After 999 cuts the
// rest of the text, spaces and all, is the last argument. Quotes mean
// nothing; an empty text gives no argument.
void SplitCommandLine(char* text, ArgList& out);

// Decides the work for an argument list and runs it: one folder argument
// scans that folder; otherwise every argument is converted as a file in
// order. With no argument nothing happens here (the front end runs its main
// dialog instead). Returns the exit code.
int RunArguments(ArgList& args);

// How a folder is taken. The default, as the Windows program has it: one
// batch of at most 1000 cache files. `whole`: batch after batch of at most
// `batchLimit` until every cache file of the folder was tried once or the
// run is stopped; the progress counts over the whole folder. Without
// `whole`, one batch of at most `batchLimit` files.
struct FolderMode {
  bool whole = false;
  size_t batchLimit = kMaxArguments;
};
void SetFolderMode(const FolderMode& mode);
// Called after each batch of a folder taken batch after batch (the
// terminal program writes its manifest there); none by default.
void SetBatchEndObserver(void (*observer)());

// The main dialog's file choice: asks for one cache file and converts it
// (without a percentage: the batch has no size). Returns the exit code.
int RunFileChoice();
// The main dialog's folder choice: asks for any file in the cache folder and
// converts the folder's cache files. Returns the exit code.
int RunFolderChoice();

// What the last run did, for a front end that tells its caller: whether it
// was stopped (by the user, a refused cache log or domain table, a folder
// that cannot be made) and how many arguments could not even be tried.
struct RunOutcome {
  bool stopped = false;
  size_t passedOver = 0;
  size_t converted = 0;  // the files handed to the conversion
  int brokenCount = 0;   // of them, broken images found and logged
  size_t batches = 0;    // the batches a folder took
};
const RunOutcome& LastRunOutcome();

// The process's current directory at start-up, taken once before anything
// can change it; the domain table is looked for there.
void RememberStartFolder();
const FileRef& StartFolder();

}  // namespace hoard::app

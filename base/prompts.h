// The questions the core must put to the user while it converts, behind an
// interface the front ends implement (app/prompts.h puts them through the
// platform's user interface: the Windows dialogs, the terminal, or the
// scripted answers of the tests). The core composes no dialog and never
// calls the window system.
#pragma once

#include <cstddef>
#include <string_view>

namespace hoard {

struct FileRef;

// What a missing file is, for the prompt that asks the user to look for it.
enum class FileKind { kOther, kCacheLog, kDomainTable };
// The answers of the missing-file prompt.
enum class MissingAnswer { kLookForIt = 1, kQuit = 2, kGoWithout = 3 };

class Prompts {
 public:
  // A file the run needs is not there: look for it, go on without it, or
  // quit. `name` is the file's name.
  virtual MissingAnswer AskForMissingFile(std::string_view name, FileKind kind) = 0;
  // The open-file dialog for a cache log, opening in the folder of `openIn`
  // and naming `logRef`'s file in the title. On true `logRef` names the
  // chosen file, absolute (or stays as it was when the answer cannot be a
  // reference). The current directory is the same afterwards.
  virtual bool ChooseCacheLog(const FileRef& openIn, FileRef& logRef) = 0;
  // The open-file dialog for the domain conversion table; `path` comes in
  // with the last known path (or empty) and goes out with the chosen one.
  virtual bool ChooseDomainTable(char* path, size_t capacity) = 0;
  // A warning with an OK button.
  virtual void ShowWarning(const char* caption, const char* text) = 0;

 protected:
  ~Prompts() = default;
};

}  // namespace hoard

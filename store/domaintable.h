// The domain conversion table "domain.csv": two columns, a host prefix and
// its replacement, kept by the user to give hosts other folder names in the
// mirror. This module finds the table (through the "DomTbl" registry value or
// the folder the program started in), asks the user where it is missing,
// loads it into pairs and remembers where it was found. The replacement
// itself is ApplyDomainConversion (urlmap/urlmap.h).
#pragma once

#include <cstddef>

#include "base/prompts.h"
#include "store/fileref.h"

namespace hoard {

inline constexpr char kDomainTableName[] = "domain.csv";
inline constexpr char kDomainTableKey[] = "Software\\Tolvar\\Hoard2";
inline constexpr char kDomainTableValue[] = "DomTbl";

struct DomainPair {
  const char* key = nullptr;    // NUL-terminated inside the table's block
  const char* value = nullptr;
};

enum class DomainTableState {
  kNotLoaded,
  kLoaded,
  kWithoutTable,  // the user chose to go on without one: nothing is converted
};

struct DomainTable {
  DomainTableState state = DomainTableState::kNotLoaded;
  char* block = nullptr;  // the file's bytes and a NUL, fields cut in place
  size_t size = 0;
  // In file order, followed by one empty pair. Lines whose key is empty are
  // left out: such a key would send every host into one folder.
  DomainPair* pairs = nullptr;
  size_t count = 0;
  FileRef ref;  // the file that was loaded
};

enum class DomainLoadResult { kLoaded, kWithoutTable, kAbort };

// The folder that was current when the program started; the table is looked
// for there when the registry names none. Called once at start-up.
void RememberStartFolder(const FileRef& folder);

// Finds, asks for and loads the table into `table` (released first). On
// kLoaded the full path of the file is written to "DomTbl". The current
// directory is the same afterwards.
DomainLoadResult LoadDomainTable(DomainTable& table, Prompts& prompts);

// The table a run names itself: looked for first, in place of the one the
// settings name or the start folder holds, and never written to the
// settings. Null forgets it.
void SetDomainTableForRun(const FileRef* ref);

// The open-file dialog for the table. On true `ref` names the chosen file and
// its path is written to "DomTbl".
bool ChooseDomainTableFile(FileRef& ref, Prompts& prompts);

// Cuts `table.block` (table.size bytes and a NUL) into fields and builds the
// pair list; false when the list cannot be allocated.
bool BuildDomainPairs(DomainTable& table);

void ReleaseDomainTable(DomainTable& table);

// The process's table: decided at the first conversion and kept until the
// program ends (an abort leaves it undecided, so the next run asks again).
DomainLoadResult EnsureDomainTable(Prompts& prompts);
const DomainTable& ProcessDomainTable();
// Forgets the process's table (for the tests of the first conversion).
void ResetProcessDomainTable();
// Decides the process's table as "without a table", as if the user had said
// No at the prompt (for tests of whole conversions).
void GoWithoutDomainTable();

}  // namespace hoard

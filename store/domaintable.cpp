#include "store/domaintable.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <new>

#include "base/messages.h"
#include "platform/registry.h"
#include "store/files.h"

namespace hoard {
namespace {

using messages::Text;

// Read into a buffer of this size when loading; a longer value is as good as
// none.
constexpr size_t kStoredPathBytes = 260;
// The open-file dialog's file-name buffer.
constexpr size_t kDialogPathBytes = 512;

struct StartFolder {
  FileRef folder;
  bool known = false;
};

StartFolder& TheStartFolder() {
  static StartFolder start;
  return start;
}

DomainTable& TheProcessTable() {
  static DomainTable table;
  return table;
}

// The reference to look at first: "domain.csv" in the folder of the stored
// path (its file name is not used), or in the start folder, which is then
// made current.
bool gRunTableGiven = false;
FileRef gRunTable;

FileRef FirstPlaceToLook() {
  if (gRunTableGiven) return gRunTable;
  std::array<char, kStoredPathBytes> stored{};
  FileRef ref;
  bool found = false;
  // An empty value names no folder: it counts as absent.
  if (platform::ReadUserString(kDomainTableKey, kDomainTableValue, stored.data(), stored.size()) &&
      stored[0] != '\0') {
    found = ParseFileRef(stored.data(), NativePathStyle(), ref) == kNoError;
  }
  if (!found) {
    ref = FileRef{};
    const StartFolder& start = TheStartFolder();
    if (start.known) SetCurrentFolderFromRef(start.folder);
  }
  SetFileRefName(ref, kDomainTableName);
  // Keeps naming the same file when the dialog moves the current directory.
  MakeAbsolute(ref);
  return ref;
}

void ShowEmptyTableMessage(Prompts& prompts) {
  // The cache log's "no data" message serves here too.
  prompts.ShowWarning(messages::Get(Text::kCaptionShort),
                      messages::StringById(messages::kIdLogEmpty));
}

// Reads the whole file into the table's block; false aborts the run.
bool ReadWhole(FileHandle handle, DomainTable& table, Prompts& prompts) {
  const uint64_t size = FileLength(handle);
  if (size == 0) {
    ShowEmptyTableMessage(prompts);
    return false;
  }
  if (size > UINT32_MAX - 1) return false;
  char* block = static_cast<char*>(AllocBlock(static_cast<size_t>(size) + 1));
  if (block == nullptr) return false;
  uint32_t count = static_cast<uint32_t>(size);
  if (ReadBytes(handle, count, block) != 0 || count != size) {
    FreeBlock(block);
    return false;
  }
  block[size] = '\0';
  table.block = block;
  table.size = static_cast<size_t>(size);
  return true;
}

}  // namespace

void RememberStartFolder(const FileRef& folder) {
  StartFolder& start = TheStartFolder();
  start.folder = folder;
  SetFileRefName(start.folder, "");
  start.known = true;
}

bool BuildDomainPairs(DomainTable& table) {
  char* const block = table.block;
  const size_t size = table.size;
  size_t lineEnds = 0;
  for (size_t i = 0; i < size; ++i) {
    if (block[i] == '\r' || block[i] == '\n') ++lineEnds;
  }
  // One pair at most per line, and the empty pair at the end.
  DomainPair* pairs = new (std::nothrow) DomainPair[lineEnds + 2];
  if (pairs == nullptr) return false;

  size_t count = 0;
  char* key = block;
  char* value = nullptr;
  int commas = 0;
  for (size_t i = 0; i <= size; ++i) {
    const char c = block[i];
    const bool atEnd = i == size;
    if (atEnd || c == '\r' || c == '\n') {
      if (commas < 2) block[i] = '\0';
      if (commas >= 1 && *key != '\0') pairs[count++] = {key, value};
      if (c == '\r' && i + 1 < size && block[i + 1] == '\n') ++i;  // CR LF is one line end
      key = block + i + 1;
      value = nullptr;
      commas = 0;
      continue;
    }
    if (c == ',') {
      if (commas < 2) block[i] = '\0';
      if (commas == 0) value = block + i + 1;
      ++commas;
    }
  }
  pairs[count] = DomainPair{};
  table.pairs = pairs;
  table.count = count;
  return true;
}

void ReleaseDomainTable(DomainTable& table) {
  FreeAndClear(table.block);
  delete[] table.pairs;
  table = DomainTable{};
}

bool ChooseDomainTableFile(FileRef& ref, Prompts& prompts) {
  FileRef savedFolder;
  GetCurrentFolderRef(savedFolder);

  std::array<char, kDialogPathBytes> path{};
  if (!platform::ReadUserString(kDomainTableKey, kDomainTableValue, path.data(), path.size())) {
    path[0] = '\0';
  }
  bool chosen = prompts.ChooseDomainTable(path.data(), path.size());
  if (chosen) {
    // A path that cannot be a reference cannot be opened either.
    FileRef picked;
    chosen = ParseFileRef(path.data(), NativePathStyle(), picked) == kNoError;
    if (chosen) {
      MakeAbsolute(picked);
      ref = picked;
      platform::WriteUserString(kDomainTableKey, kDomainTableValue, path.data());
    }
  }
  SetCurrentFolderFromRef(savedFolder);
  return chosen;
}

DomainLoadResult LoadDomainTable(DomainTable& table, Prompts& prompts) {
  ReleaseDomainTable(table);
  FileRef savedFolder;
  GetCurrentFolderRef(savedFolder);

  DomainLoadResult result = DomainLoadResult::kAbort;
  FileRef ref = FirstPlaceToLook();
  FileHandle handle = kNullHandle;
  MissingAnswer answer = MissingAnswer::kQuit;
  if (OpenReadOrAsk(ref, handle, FileKind::kDomainTable, prompts, answer) != kNoError) {
    handle = kNullHandle;
    for (;;) {
      if (answer == MissingAnswer::kGoWithout) result = DomainLoadResult::kWithoutTable;
      if (answer != MissingAnswer::kLookForIt || !ChooseDomainTableFile(ref, prompts)) break;
      OpenRead(ref, handle);
      if (handle != kNullHandle) break;
      answer = prompts.AskForMissingFile(kDomainTableName, FileKind::kDomainTable);
    }
  }

  if (handle != kNullHandle) {
    bool read = false;
    {
      const OpenFile file(handle);
      read = ReadWhole(file.get(), table, prompts);
    }
    if (read && BuildDomainPairs(table)) {
      // The path is made while the folder the reference may be relative to is
      // still current.
      CPath full;
      // A table named for one run is not remembered.
      if (!gRunTableGiven && FileRefToCPath(ref, full)) {
        platform::WriteUserString(kDomainTableKey, kDomainTableValue, full.data());
      }
      table.ref = ref;
      table.state = DomainTableState::kLoaded;
      result = DomainLoadResult::kLoaded;
    } else {
      ReleaseDomainTable(table);
    }
  }
  if (result == DomainLoadResult::kWithoutTable) table.state = DomainTableState::kWithoutTable;

  SetCurrentFolderFromRef(savedFolder);
  return result;
}

void SetDomainTableForRun(const FileRef* ref) {
  gRunTableGiven = ref != nullptr;
  gRunTable = ref != nullptr ? *ref : FileRef{};
  if (gRunTableGiven) MakeAbsolute(gRunTable);
}

DomainLoadResult EnsureDomainTable(Prompts& prompts) {
  DomainTable& table = TheProcessTable();
  if (table.state == DomainTableState::kLoaded) return DomainLoadResult::kLoaded;
  if (table.state == DomainTableState::kWithoutTable) return DomainLoadResult::kWithoutTable;
  return LoadDomainTable(table, prompts);
}

const DomainTable& ProcessDomainTable() { return TheProcessTable(); }

void ResetProcessDomainTable() { ReleaseDomainTable(TheProcessTable()); }

void GoWithoutDomainTable() {
  ResetProcessDomainTable();
  TheProcessTable().state = DomainTableState::kWithoutTable;
}

}  // namespace hoard

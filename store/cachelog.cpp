#include "store/cachelog.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>

#include "base/ascii.h"
#include "base/messages.h"
#include "store/files.h"

namespace hoard {

// One line of the log: field 1 (the URL) and field 2 (the cache name as
// written), both NUL-terminated inside the block. The entry after the last
// one is all null.
struct CacheLogIndexEntry {
  const char* url;
  const char* name;
};

// One place of the open-addressed table over the upper-folded cache names:
// the entry's position plus one (0: the place is free) and its name's hash.
struct CacheLogHashSlot {
  size_t entryPlusOne;
  uint64_t hash;
};

namespace {

constexpr std::string_view kDefaultLogName = "CCHMGR20.DAT";

bool BeginsWithNoCase(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() &&
         PStringEqualNoCase(name.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() &&
         PStringEqualNoCase(name.substr(name.size() - suffix.size()), suffix);
}

bool EndsWith(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

// ---------------------------------------------------------------------------
// Log names.

struct LogNameRule {
  int kind;
  std::string_view text;
  bool atEnd;  // the name ends with the text rather than beginning with it
};

constexpr LogNameRule kLogNameRules[] = {
    {kLogOwn, "HHoard log", false},
    {kLogFatDatabase, "FAT.DB", false},
    {kLogFatDatabase, ".DB", true},
    {kLogBrowserIndex, "CCHMGR20.DAT", false},
};

constexpr std::string_view kVisitManagerPrefix = "VstMgr";

// ---------------------------------------------------------------------------
// Checks on a loaded log, in the order they are tried: the first that fires
// refuses the log with its message.

// The browser's packed log: a signature, a '*' at a fixed place and eight
// non-zero bytes. It is only recognised, never unpacked.
bool IsCompressedLog(std::string_view block) {
  constexpr std::string_view kSignature("\xAB\xCD\x00\x54", 4);
  if (block.size() < 40 || !MatchAt(block, 0, kSignature) || block[22] != '*') return false;
  for (size_t i = 32; i < 40; ++i) {
    if (block[i] == '\0') return false;
  }
  return true;
}

// "JustView", a version made of dots, spaces and digits, then "Visit".
bool IsHistoryFile(std::string_view block) {
  constexpr std::string_view kBrowser = "JustView";
  if (!MatchAt(block, 0, kBrowser)) return false;
  size_t i = kBrowser.size();
  while (i < block.size()) {
    const auto c = static_cast<unsigned char>(block[i]);
    if (c != '.' && c != ' ' && !IsDigitAscii(c)) break;
    ++i;
  }
  return MatchAt(block, i, "Visit");
}

// Only the first 16 bytes are looked at, and only when there are more:
// later lines may hold Shift_JIS freely.
bool IsNotText(std::string_view block) {
  constexpr size_t kCheckedBytes = 16;
  if (block.size() <= kCheckedBytes) return false;
  for (size_t i = 0; i < kCheckedBytes; ++i) {
    const auto c = static_cast<unsigned char>(block[i]);
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (c < 0x20 || c > 0x7F) return true;
  }
  return false;
}

struct LogRefusal {
  bool (*applies)(std::string_view block);
  int messageId;
};

constexpr LogRefusal kLogRefusals[] = {
    {IsCompressedLog, messages::kIdLogCompressed},
    {IsHistoryFile, messages::kIdLogIsHistory},
    {IsNotText, messages::kIdLogNotText},
};

// ---------------------------------------------------------------------------
// Splitting the block into lines and fields.

constexpr std::string_view kHeaderStarts[] = {"JustView", "# -- Hoard-Hoard"};

// Where the records begin: after the first line end when the first line is a
// header (CR LF counts as one line end), else at 0.
size_t FirstRecordOffset(std::string_view block) {
  bool header = false;
  for (std::string_view start : kHeaderStarts) {
    if (MatchAt(block, 0, start)) header = true;
  }
  if (!header) return 0;
  for (size_t i = 0; i < block.size(); ++i) {
    if (block[i] == '\n') return i + 1;
    if (block[i] == '\r') return (i + 1 < block.size() && block[i + 1] == '\n') ? i + 2 : i + 1;
  }
  return block.size();
}

size_t CountCrBytes(const char* block, size_t size) {
  size_t count = 0;
  for (size_t i = 0; i < size; ++i) {
    if (block[i] == '\r') ++count;
  }
  return count;
}

// Walks the records and answers how many lines hold at least one comma. With
// `entries` it also cuts the fields in place: the first comma of a line and
// its second become NULs, and so does the line end of a line with fewer than
// two commas; each line with a comma gets its entry. The byte after the block
// is a NUL, which ends the fields of a last line without a line end.
size_t SplitRecords(char* block, size_t size, CacheLogIndexEntry* entries) {
  const bool write = entries != nullptr;
  size_t count = 0;
  size_t i = FirstRecordOffset(std::string_view(block, size));
  size_t lineStart = i;
  int commas = 0;
  const char* field2 = nullptr;
  for (;;) {
    const bool atEnd = i >= size;
    const char c = atEnd ? '\0' : block[i];
    if (atEnd || c == '\r' || c == '\n') {
      if (commas >= 1) {
        if (write) entries[count] = {block + lineStart, field2};
        ++count;
      }
      if (atEnd) break;
      const bool crLf = c == '\r' && i + 1 < size && block[i + 1] == '\n';
      if (write && commas < 2) block[i] = '\0';
      i += crLf ? 2 : 1;
      lineStart = i;
      commas = 0;
      continue;
    }
    if (c == ',') {
      ++commas;
      if (commas == 1) field2 = block + i + 1;
      if (write && commas <= 2) block[i] = '\0';
    }
    ++i;
  }
  return count;
}

// ---------------------------------------------------------------------------
// Cache names.

// A field 2 equal to one of these whole texts stands for a name made of
// control characters (the backslashes are the byte 0x5C).
struct NameEscape {
  std::string_view text;
  std::string_view name;
};

constexpr NameEscape kNameEscapes[] = {
    {"\\t", "\t"},
    {"\\r", "\r"},
    {"\\r\\1", "\r\x01"},
    {"\\r\\2", "\r\x02"},
    {"\\r\\n", "\r\n"},
    {"\\r\\n\\1", "\r\n\x01"},
    {"\\r\\n\\2", "\r\n\x02"},
    {"\\n", "\n"},
};

// The cache name a field 2 stands for. Not copied, so a hostile log's long
// name costs nothing and overflows nothing.
std::string_view DecodedName(const char* field) {
  const std::string_view text(field);
  for (const NameEscape& escape : kNameEscapes) {
    if (text == escape.text) return escape.name;
  }
  return text;
}

uint64_t HashFolded(std::string_view name) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : name) {
    hash ^= FoldAscii(static_cast<unsigned char>(c));
    hash *= 0x100000001B3ull;
  }
  return hash;
}

// The three spellings under which the browser's own cache names are looked
// up with their letters put into its form.
constexpr std::string_view kBrowserNamePrefixes[] = {"JCH", "Jch", "jch"};
constexpr std::string_view kCapitalBrowserPrefix = "JCH";

// Extensions the browser writes longer in its log than in the file name.
struct ExtensionRewrite {
  std::string_view from;
  std::string_view to;
};

constexpr ExtensionRewrite kExtensionRewrites[] = {
    {"HTM", "html"},
    {"JPE", "jpeg"},
    {"JPG", "jpeg"},
};

using NameBuffer = std::array<char, kMaxNameBytes>;

// The name as the log writes it: browser names get capitals before the first
// '.', and the extension either becomes the log's long form or is put in
// lower case. false when the name, before or after, exceeds a file name's
// capacity (no log entry can then be meant).
bool NormaliseCacheName(std::string_view name, NameBuffer& out, size_t& length) {
  if (name.size() > out.size()) return false;
  std::memcpy(out.data(), name.data(), name.size());
  length = name.size();

  bool browserName = false;
  for (std::string_view prefix : kBrowserNamePrefixes) {
    if (MatchAt(name, 0, prefix)) browserName = true;
  }
  if (!browserName) return true;

  const size_t dot = std::min(name.find('.'), name.size());
  bool foundLower = false;
  for (size_t i = 0; i < dot; ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsLowerAscii(c)) {
      out[i] = static_cast<char>(FoldAscii(c));
      foundLower = true;
    }
  }
  if (MatchAt(name, 0, kCapitalBrowserPrefix) && !foundLower && dot < name.size()) {
    const std::string_view extension = name.substr(dot + 1);
    for (const ExtensionRewrite& rewrite : kExtensionRewrites) {
      if (extension != rewrite.from) continue;
      if (dot + 1 + rewrite.to.size() > out.size()) return false;
      std::memcpy(out.data() + dot + 1, rewrite.to.data(), rewrite.to.size());
      length = dot + 1 + rewrite.to.size();
      return true;
    }
  }
  for (size_t i = dot + 1; i < length; ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsUpperAscii(c)) out[i] = static_cast<char>(c + ('a' - 'A'));
  }
  return true;
}

struct NameType {
  std::string_view ending;  // compared with case
  const char* mimeType;
  TypeCode type;
};

constexpr NameType kNameTypes[] = {
    {".html", "text/html", kTypeText},
    {".gif", "image/gif", kTypeGif},
    {".jpg", "image/jpeg", kTypeJpeg},
    {".jpeg", "image/jpeg", kTypeJpeg},
    {".mid", "audio/midi", kTypeMidi},
    {".midi", "audio/midi", kTypeMidi},
};
// Anything else, ".htm" included, is told by its content later.
constexpr const char* kOtherMimeType = "text/html";

// ---------------------------------------------------------------------------
// The index.

bool BuildIndex(CacheLog& log) {
  const size_t size = static_cast<size_t>(log.size);
  const size_t count = SplitRecords(log.block, size, nullptr);
  if (count > SIZE_MAX / (4 * sizeof(CacheLogHashSlot))) return false;
  size_t slotCount = 16;
  while (slotCount < 2 * count) slotCount *= 2;

  auto* entries = new (std::nothrow) CacheLogIndexEntry[count + 1];
  auto* slots = new (std::nothrow) CacheLogHashSlot[slotCount]();
  if (entries == nullptr || slots == nullptr) {
    delete[] entries;
    delete[] slots;
    return false;
  }

  log.crCount = CountCrBytes(log.block, size);
  SplitRecords(log.block, size, entries);
  entries[count] = {nullptr, nullptr};

  // In file order, so the first line of each name keeps its place.
  const size_t mask = slotCount - 1;
  for (size_t e = 0; e < count; ++e) {
    const std::string_view name = DecodedName(entries[e].name);
    if (name.size() > kMaxNameBytes) continue;  // no cache file has such a name
    const uint64_t hash = HashFolded(name);
    for (size_t s = static_cast<size_t>(hash) & mask;; s = (s + 1) & mask) {
      CacheLogHashSlot& slot = slots[s];
      if (slot.entryPlusOne == 0) {
        slot = {e + 1, hash};
        break;
      }
      if (slot.hash == hash &&
          PStringEqualNoCase(DecodedName(entries[slot.entryPlusOne - 1].name), name)) {
        break;  // an earlier line already names this file
      }
    }
  }

  log.entries = entries;
  log.entryCount = count;
  log.slots = slots;
  log.slotCount = slotCount;
  log.indexed = true;
  return true;
}

// ---------------------------------------------------------------------------
// Loading.

enum class ReadOutcome { kLoaded, kUnfit, kAbort };

// The string-table text `id` as a warning; nothing when the id has none.
void ShowStringMessage(Prompts& prompts, int id) {
  const char* text = messages::StringById(id);
  if (text != nullptr) prompts.ShowWarning(messages::ProgramCaption(), text);
}

bool ReadWhole(FileHandle handle, char* block, size_t size) {
  constexpr size_t kMaxChunk = size_t{1} << 30;
  size_t done = 0;
  while (done < size) {
    const size_t want = std::min(size - done, kMaxChunk);
    auto count = static_cast<uint32_t>(want);
    if (ReadBytes(handle, count, block + done) != 0 || count == 0) return false;
    done += count;
  }
  return true;
}

// The open log read whole into a new block with a NUL after its bytes. The
// file is closed on return, whatever happened.
enum class BlockRead { kRead, kEmpty, kNoMemory, kCannotRead };
BlockRead ReadLogBlock(FileHandle handle, char*& block, uint64_t& size) {
  const OpenFile file(handle);
  block = nullptr;
  size = FileLength(handle);
  if (size == 0) return BlockRead::kEmpty;
  // One byte more than the file: the NUL that ends the last line's fields.
  if (size < SIZE_MAX) block = static_cast<char*>(AllocBlock(static_cast<size_t>(size) + 1));
  if (block == nullptr) return BlockRead::kNoMemory;
  if (!ReadWhole(handle, block, static_cast<size_t>(size))) {
    FreeAndClear(block);
    return BlockRead::kCannotRead;
  }
  block[size] = '\0';
  return BlockRead::kRead;
}

// Reads the open log whole and checks it. Closes the handle. On kUnfit the
// reason has been shown and the user is to be asked for another file.
ReadOutcome ReadAndCheck(FileHandle handle, CacheLog& log, Prompts& prompts) {
  char* block = nullptr;
  uint64_t size = 0;
  switch (ReadLogBlock(handle, block, size)) {
    case BlockRead::kEmpty:
      ShowStringMessage(prompts, messages::kIdLogEmpty);
      return ReadOutcome::kUnfit;
    case BlockRead::kNoMemory:
      ShowStringMessage(prompts, messages::kIdNoMemory);
      return ReadOutcome::kAbort;
    case BlockRead::kCannotRead:
      ShowStringMessage(prompts, messages::kIdCannotRead);
      return ReadOutcome::kAbort;
    case BlockRead::kRead:
      break;
  }

  const std::string_view text(block, static_cast<size_t>(size));
  for (const LogRefusal& refusal : kLogRefusals) {
    if (!refusal.applies(text)) continue;
    FreeBlock(block);
    ShowStringMessage(prompts, refusal.messageId);
    return ReadOutcome::kUnfit;
  }
  log.block = block;
  log.size = size;
  log.crCount = CountCrBytes(block, static_cast<size_t>(size));
  return ReadOutcome::kLoaded;
}

}  // namespace

bool IsLogFileName(std::string_view name, int kind) {
  for (const LogNameRule& rule : kLogNameRules) {
    if (kind != kLogAnyKind && kind != rule.kind) continue;
    if (rule.atEnd ? EndsWithNoCase(name, rule.text) : BeginsWithNoCase(name, rule.text)) {
      return true;
    }
  }
  return false;
}

bool IsVisitManagerFile(std::string_view name) {
  return BeginsWithNoCase(name, kVisitManagerPrefix);
}

void ReleaseCacheLog(CacheLog& log) {
  FreeAndClear(log.block);
  delete[] log.entries;
  delete[] log.slots;
  log = CacheLog{};
}

namespace {
bool gRunLogGiven = false;
FileRef gRunLog;
}  // namespace

void SetCacheLogForRun(const FileRef* logRef) {
  gRunLogGiven = logRef != nullptr;
  gRunLog = logRef != nullptr ? *logRef : FileRef{};
}

bool DefaultCacheLogRef(const FileRef& firstFile, FileRef& logRef) {
  if (IsLogFileName(firstFile.name.View(), kLogAnyKind)) return true;
  if (gRunLogGiven) {
    logRef = gRunLog;
    return false;
  }
  logRef = firstFile;
  SetFileRefName(logRef, kDefaultLogName);
  return false;
}

bool ListedAfterCommas(CacheLog& log, std::string_view cacheName) {
  if (log.state != CacheLogState::kLoaded || log.block == nullptr) return false;
  if (!log.indexed && !BuildIndex(log)) return false;
  NameBuffer buffer;
  size_t length = 0;
  if (!NormaliseCacheName(cacheName, buffer, length)) return false;
  const std::string_view name(buffer.data(), length);
  const char* const blockEnd = log.block + log.size;
  for (size_t e = 0; e < log.entryCount; ++e) {
    // Field 2 ends at the NUL that was the second comma (or the line end);
    // what follows up to the line end is the rest of a longer line.
    const char* p = log.entries[e].name;
    if (p == nullptr) continue;
    p += std::strlen(p) + 1;
    const char* last = p;
    while (p < blockEnd && *p != '\r' && *p != '\n' && *p != '\0') {
      if (*p == ',') last = p + 1;
      ++p;
    }
    if (p == last || static_cast<size_t>(p - last) > kMaxNameBytes) continue;
    std::array<char, kMaxNameBytes + 1> field{};
    std::memcpy(field.data(), last, static_cast<size_t>(p - last));
    if (PStringEqualNoCase(DecodedName(field.data()), name)) return true;
  }
  return false;
}

LoadResult LoadCacheLog(FileRef& logRef, CacheLog& log, Prompts& prompts) {
  ReleaseCacheLog(log);
  // The dialog opens in the log's folder; the reference is made absolute so
  // that it names the same file wherever the dialog leaves the current
  // directory.
  MakeAbsolute(logRef);
  const FileRef logFolder = logRef;
  const PName keptName = logRef.name;

  LoadResult result = LoadResult::kAbort;
  for (;;) {
    MissingAnswer answer = MissingAnswer::kQuit;
    FileHandle handle = kNullHandle;
    if (OpenReadOrAsk(logRef, handle, FileKind::kCacheLog, prompts, answer) == kNoError &&
        handle != kNullHandle) {
      const ReadOutcome outcome = ReadAndCheck(handle, log, prompts);
      if (outcome == ReadOutcome::kLoaded) {
        result = LoadResult::kLoaded;
        break;
      }
      if (outcome == ReadOutcome::kAbort) break;
      // Unfit: ask again under the name the run first looked for.
      logRef.name = keptName;
      answer = prompts.AskForMissingFile(keptName.View(), FileKind::kCacheLog);
    }
    if (answer == MissingAnswer::kLookForIt) {
      if (prompts.ChooseCacheLog(logFolder, logRef)) continue;
      break;
    }
    if (answer == MissingAnswer::kGoWithout) result = LoadResult::kWithoutLog;
    break;
  }

  if (result == LoadResult::kLoaded) {
    log.state = CacheLogState::kLoaded;
    log.ref = logRef;
  } else if (result == LoadResult::kWithoutLog) {
    log.state = CacheLogState::kWithoutLog;
  }
  return result;
}

namespace {

// 8 bytes, or 9 to 13 bytes with '.' as the 9th.
bool HasEightThreeLength(std::string_view name) {
  return name.size() == 8 || (name.size() >= 9 && name.size() <= 13 && name[8] == '.');
}

using FamilyTest = bool (*)(std::string_view);

// The family that goes with each kind of log name.
struct KindFamily {
  int kind;
  FamilyTest family;
};
constexpr KindFamily kKindFamilies[] = {
    {kLogOwn, IsCachePrefixedName},
    {kLogFatDatabase, IsMName},
    {kLogBrowserIndex, IsJchName},
};

// The order in which the first entry's cache name is given a family.
constexpr FamilyTest kFirstEntryFamilies[] = {IsCachePrefixedName, IsMName, IsJchName};

}  // namespace

bool IsCachePrefixedName(std::string_view name) { return BeginsWithNoCase(name, "cache"); }

bool IsJchName(std::string_view name) {
  return HasEightThreeLength(name) && BeginsWithNoCase(name, "JCH");
}

bool IsMName(std::string_view name) {
  if (!HasEightThreeLength(name) || (name[0] != 'M' && name[0] != 'm')) return false;
  return name.substr(1, 7).find('.') == std::string_view::npos;
}

bool IsStaleCacheFile(std::string_view name, CacheLog& log) {
  const std::string_view logName = log.ref.name.View();
  for (const KindFamily& row : kKindFamilies) {
    if (IsLogFileName(logName, row.kind) && row.family(name)) return true;
  }
  if (log.state != CacheLogState::kLoaded || log.crCount <= 1) return false;
  if (!log.indexed && !BuildIndex(log)) return false;
  if (log.entryCount == 0) return false;
  const std::string_view first = DecodedName(log.entries[0].name);
  for (FamilyTest family : kFirstEntryFamilies) {
    if (family(first)) return family(name);
  }
  return false;
}

LookupResult LookupCacheFile(CacheLog& log, std::string_view cacheName, CacheLogEntry& out) {
  out = CacheLogEntry{};
  if (log.state != CacheLogState::kLoaded || log.block == nullptr) {
    return LookupResult::kNotFound;
  }
  if (!log.indexed && !BuildIndex(log)) return LookupResult::kNoIndex;

  NameBuffer buffer;
  size_t length = 0;
  if (!NormaliseCacheName(cacheName, buffer, length)) return LookupResult::kNotFound;
  const std::string_view name(buffer.data(), length);

  const uint64_t hash = HashFolded(name);
  const size_t mask = log.slotCount - 1;
  for (size_t s = static_cast<size_t>(hash) & mask;; s = (s + 1) & mask) {
    const CacheLogHashSlot& slot = log.slots[s];
    if (slot.entryPlusOne == 0) return LookupResult::kNotFound;
    if (slot.hash != hash) continue;
    const CacheLogIndexEntry& entry = log.entries[slot.entryPlusOne - 1];
    const std::string_view decoded = DecodedName(entry.name);
    if (!PStringEqualNoCase(decoded, name)) continue;

    out.url = entry.url;
    out.cacheName.Assign(decoded);
    out.mimeType = kOtherMimeType;
    for (const NameType& row : kNameTypes) {
      if (EndsWith(decoded, row.ending)) {
        out.mimeType = row.mimeType;
        out.type = row.type;
        break;
      }
    }
    return LookupResult::kFound;
  }
}

}  // namespace hoard

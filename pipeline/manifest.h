// The record of a batch: what became of each cache file (its name, URL, MIME
// type and type, its size, where it lies now and what was done to it). The
// conversion notes each file's fate as it is decided; the terminal program
// writes the rows as the manifest "h-hoard-manifest.csv" beside the
// detection log, or prints them as the plan of a conversion not yet done.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/outputfolders.h"
#include "store/cachelog.h"
#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

inline constexpr std::string_view kManifestName = "h-hoard-manifest.csv";

// What was done to one cache file.
enum class FileAction {
  kMove,           // moved into the mirror as it was
  kMoveCutHeader,  // moved, a MacBinary or stored HTTP header cut
  kRewrite,        // a page: moved (header cut if any), its links rewritten
  kLeave,          // left in the cache folder; the detail says why
  kDelete,         // deleted: the mirror holds a newer copy of its URL
  kBrokenImage,    // a broken image; the detail says what became of it
};

struct FileFate {
  std::string cacheName;
  std::string url;
  std::string mimeType;
  TypeCode type = kTypeNone;
  int64_t sizeBefore = 0;
  FileAction action = FileAction::kLeave;
  std::string detail;
  // Where the content lies after the conversion, a full path; empty when it
  // is gone (deleted or recycled).
  std::string place;
  // The place inside the mirror: `place` when the file went into the mirror.
  bool inMirror = false;
};

// The words of an action in the manifest and the plan ("move", "move and
// cut header", "rewrite", "leave", "delete", "broken image").
std::string_view ActionWord(FileAction action);

// What becomes of a broken image under the broken-image setting: "recycled",
// "deleted" or "kept".
std::string_view DisposalWord(int brokenImageMode);

// Recording is off until a program turns it on; the Windows program never
// does. Turning it on (again) forgets the rows of an earlier batch.
void SetFateRecording(bool on);
bool FateRecording();

// Convert nothing: every file's fate is worked out and recorded, and not a
// byte, a time or a folder of the disk changes.
void SetPlanOnly(bool planOnly);
bool PlanOnly();

// The conversion's notes. BeginFate opens the row of one cache file (`entry`
// null when the cache log does not list it); the others complete it.
void BeginFate(const FileRef& file, const CacheLogEntry* entry, TypeCode type, int64_t size);
void NoteFate(FileAction action, std::string_view detail);
void NoteFate(FileAction action, std::string_view detail, const FileRef& place, bool inMirror);
// A file of the mirror became a folder's page: rows that named it follow.
void NoteFileMoved(const FileRef& from, const FileRef& to);
void NoteFolderPage(const FolderPageMove& move);

// The rows of the batch so far, in the order of the files, and the folder of
// its first file (where the detection log goes).
const std::vector<FileFate>& BatchFates();
const std::string& BatchFolder();

// One manifest row: the columns of the file.
struct ManifestRow {
  std::string cacheName;
  std::string url;
  std::string mirrorPath;  // relative to the manifest's folder, '/' between
  std::string mimeType;
  std::string typeCode;  // four characters, or empty
  std::string sizeBefore;
  std::string sizeAfter;
  std::string sha256;  // lower-case hex; empty when the content is gone
  std::string action;  // ActionWord, then ": " and the detail when there is one
};
inline constexpr std::string_view kManifestHeader =
    "cache_name,url,mirror_path,mime_type,type_code,size_before,size_after,sha256,action";

// The row's fields that the conversion knows (not the size after and the
// checksum); `folder` is the manifest's folder, ending with its separator.
ManifestRow RowOfFate(const FileFate& fate, std::string_view folder);
std::string TypeCodeText(TypeCode type);

// One CSV line (no line end): a field holding a comma, a quote, CR or LF is
// quoted, its quotes doubled.
std::string FormatCsvLine(const std::vector<std::string_view>& fields);
std::string FormatManifestRow(const ManifestRow& row);
// Splits the text of a CSV file into records of fields (quoted fields may
// hold line ends). The header line is a record like any other.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// The rows of an earlier manifest that stay beside the batch's: every row
// except one for a cache name the batch has a row for, or for a mirror path
// one of the batch's rows now holds (that file was replaced). Earlier rows
// keep their order and come first.
std::vector<ManifestRow> MergeManifestRows(const std::vector<ManifestRow>& earlier,
                                           const std::vector<ManifestRow>& batch);
// The rows of a manifest's text; lines that are not nine fields are dropped.
std::vector<ManifestRow> ParseManifest(std::string_view text);
std::string FormatManifest(const std::vector<ManifestRow>& rows);

}  // namespace hoard

#include "pipeline/manifest.h"

#include <set>

#include "store/contentcheck.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

bool gRecording = false;
bool gPlanOnly = false;
std::vector<FileFate> gFates;
std::string gFolder;

std::string PathOf(const FileRef& ref) {
  CPath path;
  return FileRefToCPath(ref, path) ? std::string(path.data()) : std::string();
}

}  // namespace

std::string_view ActionWord(FileAction action) {
  switch (action) {
    case FileAction::kMove:
      return "move";
    case FileAction::kMoveCutHeader:
      return "move and cut header";
    case FileAction::kRewrite:
      return "rewrite";
    case FileAction::kLeave:
      return "leave";
    case FileAction::kDelete:
      return "delete";
    case FileAction::kBrokenImage:
      return "broken image";
  }
  return "leave";
}

void SetFateRecording(bool on) {
  gRecording = on;
  gFates.clear();
  gFolder.clear();
}

bool FateRecording() { return gRecording; }

void SetPlanOnly(bool planOnly) { gPlanOnly = planOnly; }
bool PlanOnly() { return gPlanOnly; }

void BeginFate(const FileRef& file, const CacheLogEntry* entry, TypeCode type, int64_t size) {
  if (!gRecording) return;
  FileFate fate;
  fate.cacheName = std::string(file.name.View());
  if (entry != nullptr) {
    fate.url = entry->url != nullptr ? entry->url : "";
    fate.mimeType = entry->mimeType != nullptr ? entry->mimeType : "";
  }
  fate.type = type;
  fate.sizeBefore = size;
  fate.place = PathOf(file);
  if (entry == nullptr) fate.detail = "not in the cache log";
  if (gFolder.empty()) {
    FileRef folder = file;
    SetFileRefName(folder, "");
    gFolder = PathOf(folder);
  }
  gFates.push_back(std::move(fate));
}

void NoteFate(FileAction action, std::string_view detail) {
  if (!gRecording || gFates.empty()) return;
  gFates.back().action = action;
  gFates.back().detail = std::string(detail);
}

void NoteFate(FileAction action, std::string_view detail, const FileRef& place, bool inMirror) {
  if (!gRecording || gFates.empty()) return;
  NoteFate(action, detail);
  gFates.back().place = PathOf(place);
  gFates.back().inMirror = inMirror;
}

void NoteFileMoved(const FileRef& from, const FileRef& to) {
  if (!gRecording) return;
  const std::string fromPath = PathOf(from);
  for (FileFate& fate : gFates) {
    if (fate.inMirror && fate.place == fromPath) fate.place = PathOf(to);
  }
}

void NoteFolderPage(const FolderPageMove& move) {
  if (!gRecording || !move.moved) return;
  FileRef page = move.oldPlace;
  const char separator = PathSeparator();
  page.folder.Append(move.oldPlace.name.View());
  page.folder.Append(std::string_view(&separator, 1));
  SetFileRefName(page, kFolderPageName);
  NoteFileMoved(move.oldPlace, page);
}

const std::vector<FileFate>& BatchFates() { return gFates; }
const std::string& BatchFolder() { return gFolder; }

std::string_view DisposalWord(int brokenImageMode) {
  switch (brokenImageMode) {
    case kBrokenImageRecycleEarly:
    case kBrokenImageRecycle:
      return "recycled";
    case kBrokenImageDelete:
      return "deleted";
    default:
      return "kept";
  }
}

std::string TypeCodeText(TypeCode type) {
  if (type == kTypeNone) return {};
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((type >> shift) & 0xFF);
    text.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  return text;
}

ManifestRow RowOfFate(const FileFate& fate, std::string_view folder) {
  ManifestRow row;
  row.cacheName = fate.cacheName;
  row.url = fate.url;
  if (fate.inMirror) {
    const std::string_view place = fate.place;
    row.mirrorPath = place.substr(0, folder.size()) == folder
                         ? std::string(place.substr(folder.size()))
                         : fate.place;
    const char separator = PathSeparator();
    for (char& c : row.mirrorPath) {
      if (c == separator) c = '/';
    }
  }
  row.mimeType = fate.mimeType;
  row.typeCode = TypeCodeText(fate.type);
  row.sizeBefore = std::to_string(fate.sizeBefore);
  row.action = std::string(ActionWord(fate.action));
  if (!fate.detail.empty()) row.action += ": " + fate.detail;
  return row;
}

std::string FormatCsvLine(const std::vector<std::string_view>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line.push_back(',');
    const std::string_view field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
      line.append(field);
      continue;
    }
    line.push_back('"');
    for (const char c : field) {
      if (c == '"') line.push_back('"');
      line.push_back(c);
    }
    line.push_back('"');
  }
  return line;
}

std::string FormatManifestRow(const ManifestRow& row) {
  return FormatCsvLine({row.cacheName, row.url, row.mirrorPath, row.mimeType, row.typeCode,
                        row.sizeBefore, row.sizeAfter, row.sha256, row.action});
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  bool any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    any = true;
    if (quoted) {
      if (c != '"') {
        field.push_back(c);
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      fields.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(fields));
      fields.clear();
      any = false;
    } else {
      field.push_back(c);
    }
  }
  if (any) {
    fields.push_back(std::move(field));
    records.push_back(std::move(fields));
  }
  return records;
}

std::vector<ManifestRow> ParseManifest(std::string_view text) {
  std::vector<ManifestRow> rows;
  for (std::vector<std::string>& f : ParseCsv(text)) {
    if (f.size() != 9 || (f[0] == "cache_name" && f[8] == "action")) continue;
    rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]});
  }
  return rows;
}

std::string FormatManifest(const std::vector<ManifestRow>& rows) {
  std::string text(kManifestHeader);
  text += "\r\n";
  for (const ManifestRow& row : rows) text += FormatManifestRow(row) + "\r\n";
  return text;
}

std::vector<ManifestRow> MergeManifestRows(const std::vector<ManifestRow>& earlier,
                                           const std::vector<ManifestRow>& batch) {
  std::set<std::string> names;
  std::set<std::string> places;
  for (const ManifestRow& row : batch) {
    names.insert(row.cacheName);
    if (!row.mirrorPath.empty()) places.insert(row.mirrorPath);
  }
  std::vector<ManifestRow> merged;
  for (const ManifestRow& row : earlier) {
    if (names.count(row.cacheName) != 0) continue;
    if (!row.mirrorPath.empty() && places.count(row.mirrorPath) != 0) continue;
    merged.push_back(row);
  }
  merged.insert(merged.end(), batch.begin(), batch.end());
  return merged;
}

}  // namespace hoard

// "Nothing lost": the cache folder is the user's only copy, so a conversion,
// whatever goes wrong in it, must leave every cache file somewhere whole.
//
// Before a conversion the checker records every file directly in the cache
// folder: its name, its bytes, and the bytes it becomes once a MacBinary or
// stored HTTP header is cut (found in the first 256 bytes, as the move that
// cuts them looks). After it, every recorded file must be matched, one file
// for one record (a multiset of contents), by:
//   - a file directly in the cache folder holding its bytes or its cut bytes
//     (still in the cache, under its cache name or its local name), or
//   - a file anywhere below the cache folder holding its cut bytes (in the
//     mirror), or
//   - for a page, once the rewriter has changed it, any page-like file left
//     unmatched (not the detection log):
//     rewritten pages are matched by being there, not by their bytes (a
//     rewritten page keeps its old text as a backup, which then matches by
//     bytes), or
//   - its absence, for a name the test allows to be deleted (a broken image
//     under the deletion setting, an older cache copy when the mirror holds a
//     newer one), or a file in the given trash folder holding its bytes or
//     cut bytes, for a name the test allows to be recycled.
// A file left anywhere below the cache folder that is a strict, non-empty
// prefix of a recorded content is a partial copy and always reported.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace hoard::test {

struct RecordedFile {
  std::string name;
  std::string bytes;
  std::string cut;  // the bytes once a wrapper header is cut; `bytes` without one
  bool page = false;
};

// The bytes a cache file keeps in the mirror: without a MacBinary header (its
// data fork) or a stored HTTP header ending within the first 256 bytes.
std::string CutWrapperHeader(const std::string& bytes);

class NothingLost {
 public:
  // Records every regular file directly in `cacheFolder`.
  explicit NothingLost(const std::filesystem::path& cacheFolder);

  // The file of this cache name may be gone altogether.
  void MayBeDeleted(const std::string& name) { deletable_.insert(name); }
  // The file of this cache name may have gone to `trashFiles` (the folder
  // that holds the recycled files themselves).
  void MayBeRecycled(const std::string& name, const std::filesystem::path& trashFiles);

  const std::vector<RecordedFile>& Records() const { return records_; }

  // Every problem found, one line each; empty when nothing was lost.
  std::string Check() const;

 private:
  std::filesystem::path folder_;
  std::vector<RecordedFile> records_;
  std::set<std::string> deletable_;
  std::set<std::string> recyclable_;
  std::filesystem::path trashFiles_;
};

// Every regular file below `folder` (recursively) as path relative to it and
// bytes.
struct FoundFile {
  std::string path;  // relative, generic form ("host/dir/name")
  std::string bytes;
  bool top = false;  // directly in the folder
};
std::vector<FoundFile> FilesBelow(const std::filesystem::path& folder);

// Copies the files directly in `from` into `to`, keeping their last-write
// times.
void CopyFolderFiles(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace hoard::test

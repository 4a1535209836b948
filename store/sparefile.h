// The spare file of a batch. A page's new text replaces its old one in one
// rename, and a file system that has to find room for a new file for every
// page, past every file just freed, can spend more on that than on the
// writes. While a batch keeps a spare, the page that a new text replaces is
// not deleted but kept under the spare name, and the next page's new text
// is written into it, under that page's unfinished name, instead of a file
// made anew. Only where two names can be swapped in one step, and only a
// file whose bytes are no one else's.
#pragma once

#include <string_view>

#include "store/fileref.h"
#include "store/files.h"

namespace hoard {

// The spare's name, in the folder of the page it was taken from. No URL
// gives a name with a ':'; a run killed while it holds a spare leaves it,
// and the next batch deletes it.
inline constexpr std::string_view kSpareFileName = "hoard:spare";

// Starts or ends keeping a spare; ending deletes the one kept.
void KeepSpareFile(bool keep);

// The spare, renamed to `path` (a free name) and open for writing over its
// old bytes, which the writer cuts at its own end (platform::SetLength)
// before the flush; kNullHandle when none is kept (or it could not be
// taken).
FileHandle OpenSpareAs(const char* path);

// CreateWrite for a new text under its unfinished name: the spare, when one
// is kept (`overSpare`: to be cut at its end as above).
ResultCode CreateWriteUnfinished(const FileRef& unfinished, FileHandle& out, bool& overSpare);

// Takes the plain file at `path` away: kept as the spare when `isPrivate`
// (its bytes are no one else's) and none is kept yet, else deleted. false
// when it is still there.
bool DeleteOrKeepAsSpare(const char* path, bool isPrivate);

// Renames the whole file `unfinished` over `target`, as RenameFileRef. With
// `oldIsPrivate` (the file at `target` is a plain file of one name, owned as
// a new one would be) that file becomes the spare instead of being deleted.
ResultCode ReplaceWithUnfinished(const FileRef& unfinished, const FileRef& target,
                                 bool oldIsPrivate);

}  // namespace hoard

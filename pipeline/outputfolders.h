// Output folders: the folder chain of one mirrored file, made inside the cache
// folder from the relative path of its URL (host, folders, file part; the
// scheme already skipped). Every component but the last becomes a folder; the
// last, with its query, is handed back for the file name.
//
// A folder gets the name a rewritten link gives it (MapFolderName), so links
// and folders agree; such a name is never "." or "..", has no separator, and
// can be created on both platforms, so no URL leads out of the cache folder.
#pragma once

#include <array>
#include <cstddef>

#include "base/prompts.h"
#include "store/fileref.h"
#include "store/pstring.h"

namespace hoard {

enum class FolderResult { kReady, kStop, kUnplaceable };
inline constexpr FolderResult kFoldersReady = FolderResult::kReady;
inline constexpr FolderResult kFoldersStop = FolderResult::kStop;
// The path has an empty component (two separators in a row, as in
// "host//a.gif" or "ftp://..."): no folder can carry it, so the file cannot
// be placed. Nothing was created; the batch goes on.
inline constexpr FolderResult kFoldersUnplaceable = FolderResult::kUnplaceable;

// Decodes one component of `source` into `buffer` (appending after what it
// holds, at most 63 bytes): a leading "%7E" becomes '~', "%20" a space, "id="
// is dropped (a later '&' then ends the component), and a '?' is written as
// '_' and starts a query in which separators are ordinary bytes. Returns where
// it stopped: at a separator, at the end (always when the component ended
// inside a query), at the '&' after "id=", or after 63 bytes.
const char* AppendComponent(PName& buffer, const char* source);

// One link of the chain, without touching the disk: skips one separator at
// the start of `path` and decodes the component after it. When the component
// names a folder, `name` receives the folder's name (NUL-terminated, at most
// 31 bytes), `path` moves to the separator after it, and the result is true.
// When it is the last component, `path` points at its start and the result
// is false.
using FolderName = std::array<char, kMaxNameBytes + 1>;
bool NextOutputFolder(const char*& path, FolderName& name, size_t& length);

// Creates the folders of `path` below the cache file's folder. On
// kFoldersReady `destination` names the deepest folder and `rest` points into
// `path` at the start of the last component. kFoldersStop: the batch must
// stop (a folder could not be created or entered; a message was shown when
// the creation failed). kFoldersUnplaceable: an empty folder name, found
// before anything is created, or a link where a folder of the chain should
// be (never followed: it may lead out of the cache folder; the folders above
// it may have been made). The current directory is the same afterwards.
FolderResult CreateOutputFolders(const FileRef& cacheFile, FileRef& destination,
                                 const char* path, const char*& rest, Prompts& prompts);
// While kept, a chain of folders made or entered once is taken as ready
// again without touching the disk, until a folder or link moves through the
// platform layer. A batch keeps them; whoever changes the disk another way
// must not.
void KeepReadyFolders(bool keep);
// Whether a folder of `path` would have an empty name (the path names no
// place), as CreateOutputFolders finds it.
bool PathHasEmptyFolderName(const char* path);

// A plain file that stood where the last CreateOutputFolders needed a
// folder, and became that folder's index.html: its old place, and where the
// component that names it ends in the path.
struct FolderPageMove {
  bool moved = false;
  FileRef oldPlace;
  size_t pathEnd = 0;
};
const FolderPageMove& LastFolderPageMove();

}  // namespace hoard

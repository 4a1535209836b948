// The freedesktop.org trash: a file goes to "files/" of a trash folder with
// its record "info/NAME.trashinfo" beside it.
#pragma once

#include <ctime>

#include "platform/posix/paths.h"

namespace hoard::platform {

// Moves the file (or folder) to the trash, recording `deleted` (local time)
// as its deletion date. The home trash ($XDG_DATA_HOME/Trash or
// ~/.local/share/Trash) takes files on its own file system; a file elsewhere
// goes to its volume's trash ($topdir/.Trash/UID or $topdir/.Trash-UID). A
// taken name gets ".2", ".3", ... appended. The record is made first, so a
// file whose move fails stays where it was and its record is taken back.
bool MoveToTrash(const char* path, std::time_t deleted);

// The "Path=" value: every byte but ASCII letters, digits, "-._~" and '/'
// becomes %XX. false when it does not fit.
bool PercentEncodePath(const char* path, PathText& out);

}  // namespace hoard::platform

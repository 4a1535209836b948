// Converting into another folder: the cache folder is copied, whole and with
// its times, into an empty output folder, and the conversion runs there. The
// cache folder itself is only read.
#pragma once

#include <string>
#include <vector>

#include "app/run.h"

namespace hoard::app {

enum class OutputCheck { kUsable, kRefused };

// Whether `outputFolder` may receive a copy of `cacheFolder`: not the cache
// folder, not inside it, not a link, and absent or an empty folder. `why`
// says what is wrong.
OutputCheck CheckOutputFolder(const std::string& cacheFolder, const std::string& outputFolder,
                              std::string& why);

// Makes `outputFolder` (when absent) and copies into it every folder, file
// and link below `cacheFolder`: files by a reflink or copy_file_range where
// the file system offers one, never a hard link; links as links, never
// followed; modes and modification and access times as they were. The
// cache folder is opened for reading only. False, with `why`, when a copy
// failed (what was copied stays in the output folder).
bool CopyCacheFolder(const std::string& cacheFolder, const std::string& outputFolder,
                     std::string& why);

// Turns the run's arguments toward `outputFolder`: finds the cache folder
// (the one folder argument, or the folder that holds every file argument),
// checks the output folder and, unless `planOnly`, copies the cache folder
// into it; the arguments then name the copies (`storage` holds their text).
// A plan reads the cache folder itself and copies nothing. -1 when the run
// goes on; otherwise the exit status, the reason told on standard error.
int TurnToOutputFolder(const std::string& outputFolder, bool planOnly, ArgList& args,
                       std::vector<std::string>& storage);

}  // namespace hoard::app

// Where the open-file dialogs for cache files start: the folder chosen last
// time, or the browser's own cache folder as its registry values tell.
#pragma once

#include <cstddef>

namespace hoard::app {

inline constexpr size_t kCacheHintCapacity = 260;

// Where a hint came from.
inline constexpr int kNoHint = 0;
inline constexpr int kHintSavedFolder = 1;   // this program's own value
inline constexpr int kHintBrowserCache = 2;  // the browser's cache folder
inline constexpr int kHintMarkFile = 3;      // "Cache" beside the browser's mark file

// Fills `buffer` with a starting path for the open-file dialog (a folder and
// the pattern "*.*") from the first source that has a value, and says which
// one; kNoHint and an empty text when none has.
int ReadCacheFolderHint(char* buffer, size_t capacity);

// Keeps the folder of a path chosen in an open-file dialog for next time.
// Failures are silent.
void SaveCacheFolderHint(const char* path);

}  // namespace hoard::app

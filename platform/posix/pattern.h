// Name patterns as Windows reads them in a folder listing, for the POSIX
// listing to give the same answers.
#pragma once

namespace hoard::platform {

// '*' stands for any run of bytes, '?' for one byte; ASCII letters match in
// either case and every other byte exactly. A pattern ending in ".*" also
// matches names without that extension ("*.*" matches every name, "a*.*"
// matches "abc"); one ending in a lone '.' matches only names without a dot.
bool MatchesWindowsPattern(const char* pattern, const char* name);

}  // namespace hoard::platform

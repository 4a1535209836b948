// A file's place: drive, folder text and name, copied by value. The one place
// that knows how paths are written on each platform.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "store/pstring.h"
#include "store/types.h"

namespace hoard {

// drive 0: the folder is relative to the current directory. 1..26: a drive
// letter ('A' + drive - 1). kRootDrive: the root of a POSIX file system.
inline constexpr int16_t kRootDrive = -1;

struct FileRef {
  int16_t drive = 0;
  PString folder;  // ends with the separator when not empty
  PName name;      // empty: the reference names the folder itself
};

enum class PathStyle {
  kWindows,  // "C:\dir\name", separator '\'
  kPosix,    // "/dir/name", separator '/'
};

PathStyle NativePathStyle();
char SeparatorOf(PathStyle style);
// The separator of the platform the program runs on.
char PathSeparator();

// Splits a path into a reference without touching the disk: kNoError, or
// kBadName when the folder text or the name does not fit (the reference is
// then left empty, never cut into another file's name).
ResultCode ParseFileRef(std::string_view path, PathStyle style, FileRef& out);
// ParseFileRef in the native style, then a test-open for reading:
// kNoError, kNoSuchFile, or kBadName.
ResultCode MakeFileRef(const char* path, FileRef& out);

// Replace the name, keeping drive and folder; false when it does not fit.
bool SetFileRefName(FileRef& ref, std::string_view name);
inline void CopyFileRef(FileRef& dst, const FileRef& src) { dst = src; }

// Full paths as the platform takes them. A relative reference is prefixed
// with the current directory. The C-text form has room for a long current
// directory; the PString form holds 255 bytes. false when it does not fit.
inline constexpr size_t kMaxCPathBytes = 1024;
using CPath = std::array<char, kMaxCPathBytes>;
bool FileRefToCPath(const FileRef& ref, CPath& out);
bool FileRefToPath(const FileRef& ref, PString& out);
// Style-explicit building, for a given current directory (no separator at its
// end); used by the two above and by tests of both styles.
bool BuildPath(const FileRef& ref, PathStyle style, std::string_view currentFolder,
               char* out, size_t capacity, size_t& length);

// Resolves a relative reference against the current directory now, so that
// it keeps naming the same file when the current directory changes.
// kBadName (and the reference unchanged) when the result does not fit.
ResultCode MakeAbsolute(FileRef& ref);

// The current directory as a folder reference (empty name). Always kNoError;
// a current directory that does not fit gives an empty relative reference.
ResultCode GetCurrentFolderRef(FileRef& out);
// Makes the reference's folder (its path cut before the name) current; the
// platform's error when it cannot.
ResultCode SetCurrentFolderFromRef(const FileRef& ref);

}  // namespace hoard

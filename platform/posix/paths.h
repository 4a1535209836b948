// Path building shared by the POSIX backend: the user's base folders and
// bounded path texts.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace hoard::platform {

inline constexpr size_t kMaxPosixPath = 4096;

// A NUL-terminated path of bounded length; appends that do not fit fail and
// leave the text as it was.
struct PathText {
  char text[kMaxPosixPath] = {};
  size_t length = 0;

  bool Append(std::string_view part);
  bool Assign(std::string_view part) {
    length = 0;
    text[0] = '\0';
    return Append(part);
  }
};

// An XDG base folder: the variable's value when it holds an absolute path,
// else the home folder followed by `homeRelative` (".config",
// ".local/share"). The home folder is $HOME, or the account's when unset.
bool UserBaseFolder(const char* variable, const char* homeRelative, PathText& out);

// Counted by FoldersMadeCount: a folder may have been made, named by the
// last component of `path` (null: any folders may have been made).
void NoteFolderMade(const char* path = nullptr);

// Creates the folder and any missing parents (the last one with `mode`);
// true when it exists as a folder afterwards.
bool MakeFolders(const char* path, mode_t mode);

}  // namespace hoard::platform

#include "store/fileref.h"

#include <cstring>

#include "platform/fs.h"

namespace hoard {

char SeparatorOf(PathStyle style) { return style == PathStyle::kWindows ? '\\' : '/'; }

char PathSeparator() { return SeparatorOf(NativePathStyle()); }

ResultCode ParseFileRef(std::string_view path, PathStyle style, FileRef& out) {
  out = FileRef{};
  if (path.size() > kMaxPathBytes) return kBadName;
  const char separator = SeparatorOf(style);
  FileRef ref;
  if (style == PathStyle::kWindows) {
    if (path.size() >= 2 && path[1] == ':') {
      ref.drive = static_cast<int16_t>(static_cast<unsigned char>(path[0]) - 64);
      // The letter, the colon and the separator after it.
      path.remove_prefix(path.size() >= 3 ? 3 : path.size());
    }
  } else if (!path.empty() && path[0] == separator) {
    ref.drive = kRootDrive;
    path.remove_prefix(1);
  }
  const size_t last = path.rfind(separator);
  std::string_view folder;
  std::string_view name = path;
  if (last != std::string_view::npos) {
    folder = path.substr(0, last + 1);
    name = path.substr(last + 1);
  }
  if (!ref.folder.Assign(folder) || !ref.name.Assign(name)) return kBadName;
  out = ref;
  return kNoError;
}

ResultCode MakeFileRef(const char* path, FileRef& out) {
  const ResultCode parsed = ParseFileRef(path, NativePathStyle(), out);
  if (parsed != kNoError) return parsed;
  CPath full;
  if (!FileRefToCPath(out, full)) return kNoSuchFile;
  platform::Handle handle = platform::OpenPath(full.data(), platform::OpenMode::kRead);
  if (handle == platform::kNoHandle) return kNoSuchFile;
  platform::Close(handle);
  return kNoError;
}

bool SetFileRefName(FileRef& ref, std::string_view name) { return ref.name.Assign(name); }

bool BuildPath(const FileRef& ref, PathStyle style, std::string_view currentFolder, char* out,
               size_t capacity, size_t& length) {
  const char separator = SeparatorOf(style);
  length = 0;
  auto put = [&](std::string_view text) {
    if (length + text.size() + 1 > capacity) return false;
    std::memcpy(out + length, text.data(), text.size());
    length += text.size();
    out[length] = '\0';
    return true;
  };
  if (capacity == 0) return false;
  out[0] = '\0';
  bool fits = true;
  if (ref.drive > 0) {
    const char prefix[3] = {static_cast<char>(ref.drive + 64), ':', separator};
    fits = put(std::string_view(prefix, 3));
  } else if (ref.drive == kRootDrive) {
    fits = put(std::string_view(&separator, 1));
  } else {
    fits = put(currentFolder);
    if (fits && (currentFolder.empty() || currentFolder.back() != separator)) {
      fits = put(std::string_view(&separator, 1));
    }
  }
  return fits && put(ref.folder.View()) && put(ref.name.View());
}

bool FileRefToCPath(const FileRef& ref, CPath& out) {
  CPath current;
  current[0] = '\0';
  if (ref.drive == 0 && !platform::GetCurrentFolder(current.data(), current.size())) {
    out[0] = '\0';
    return false;
  }
  size_t length = 0;
  return BuildPath(ref, NativePathStyle(), current.data(), out.data(), out.size(), length);
}

bool FileRefToPath(const FileRef& ref, PString& out) {
  out = PString{};
  CPath full;
  if (!FileRefToCPath(ref, full)) return false;
  return out.Assign(full.data());
}

ResultCode MakeAbsolute(FileRef& ref) {
  if (ref.drive != 0) return kNoError;
  CPath full;
  if (!FileRefToCPath(ref, full)) return kBadName;
  FileRef absolute;
  if (ParseFileRef(full.data(), NativePathStyle(), absolute) != kNoError) return kBadName;
  ref = absolute;
  return kNoError;
}

ResultCode GetCurrentFolderRef(FileRef& out) {
  out = FileRef{};
  CPath current;
  if (!platform::GetCurrentFolder(current.data(), current.size() - 1)) return kNoError;
  size_t length = std::strlen(current.data());
  const char separator = PathSeparator();
  if (length == 0 || current[length - 1] != separator) {
    current[length++] = separator;
    current[length] = '\0';
  }
  FileRef parsed;
  if (ParseFileRef(std::string_view(current.data(), length), NativePathStyle(), parsed) ==
      kNoError) {
    out = parsed;
  }
  return kNoError;
}

ResultCode SetCurrentFolderFromRef(const FileRef& ref) {
  CPath full;
  if (!FileRefToCPath(ref, full)) return kBadName;
  if (!ref.name.Empty()) {
    const char separator = PathSeparator();
    char* last = std::strrchr(full.data(), separator);
    if (last != nullptr) {
      // A root folder keeps its separator ("/", "C:\").
      const bool atRoot = last == full.data() || (last == full.data() + 2 && full[1] == ':');
      last[atRoot ? 1 : 0] = '\0';
    }
  }
  if (platform::SetCurrentFolder(full.data())) return kNoError;
  const int error = platform::LastError();
  return error != 0 ? error : kGeneralFailure;
}

}  // namespace hoard

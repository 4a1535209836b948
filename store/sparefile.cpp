#include "store/sparefile.h"

#include <cstring>

#include "platform/fs.h"

namespace hoard {
namespace {

struct Spare {
  bool keeping = false;
  bool held = false;
  // Set at the first failure to swap or to name a spare: the file system
  // cannot, and a batch does not ask again.
  bool unsupported = false;
  CPath path{};
};
Spare gSpare;

void DropSpare() {
  if (gSpare.held) platform::DeletePath(gSpare.path.data());
  gSpare.held = false;
}

// The spare's path in the folder of `path`; false when it does not fit.
bool SparePathBeside(const char* path, CPath& out) {
  const char* slash = std::strrchr(path, PathSeparator());
  if (slash == nullptr) return false;
  const size_t folder = static_cast<size_t>(slash - path) + 1;
  if (folder + kSpareFileName.size() + 1 > out.size()) return false;
  std::memcpy(out.data(), path, folder);
  std::memcpy(out.data() + folder, kSpareFileName.data(), kSpareFileName.size());
  out[folder + kSpareFileName.size()] = '\0';
  return true;
}

// The plain file at `path`, whose bytes are no one else's, becomes the
// spare; false (nothing changed) when it cannot.
bool KeepAsSpare(const char* path) {
  if (!gSpare.keeping || gSpare.unsupported || gSpare.held) return false;
  CPath spare;
  if (!SparePathBeside(path, spare)) return false;
  if (!platform::MovePlainFile(path, spare.data())) {
    gSpare.unsupported = true;
    return false;
  }
  gSpare.path = spare;
  gSpare.held = true;
  return true;
}

}  // namespace

void KeepSpareFile(bool keep) {
  DropSpare();
  gSpare.keeping = keep;
  gSpare.unsupported = false;
}

FileHandle OpenSpareAs(const char* path) {
  if (!gSpare.held) return kNullHandle;
  gSpare.held = false;
  if (!platform::MovePlainFile(gSpare.path.data(), path)) {
    // Gone, or in another file system.
    platform::DeletePath(gSpare.path.data());
    return kNullHandle;
  }
  // Written over in place: a file system that keeps the blocks it has puts
  // the new bytes on the disk with less to record.
  const FileHandle handle = platform::OpenPath(path, platform::OpenMode::kWriteExisting);
  if (handle == kNullHandle) platform::DeletePath(path);
  return handle;
}

ResultCode CreateWriteUnfinished(const FileRef& unfinished, FileHandle& out, bool& overSpare) {
  CPath path;
  overSpare = false;
  if (gSpare.held && FileRefToCPath(unfinished, path)) {
    out = OpenSpareAs(path.data());
    overSpare = out != kNullHandle;
    if (overSpare) return kNoError;
  }
  return CreateWrite(unfinished, out);
}

bool DeleteOrKeepAsSpare(const char* path, bool isPrivate) {
  return (isPrivate && KeepAsSpare(path)) || platform::DeletePath(path);
}

ResultCode ReplaceWithUnfinished(const FileRef& unfinished, const FileRef& target,
                                 bool oldIsPrivate) {
  CPath from;
  CPath to;
  if (!gSpare.keeping || gSpare.unsupported || !oldIsPrivate || gSpare.held ||
      !FileRefToCPath(unfinished, from) || !FileRefToCPath(target, to)) {
    return RenameFileRef(unfinished, target.name.View());
  }
  if (!platform::SwapPaths(from.data(), to.data())) {
    gSpare.unsupported = true;
    return RenameFileRef(unfinished, target.name.View());
  }
  // The new text has the name; the old one, under the unfinished name,
  // becomes the spare, or goes as a replaced page would.
  DeleteOrKeepAsSpare(from.data(), true);
  return kNoError;
}

}  // namespace hoard

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

// The spare's path beside `ref`; false when it does not fit.
bool SparePathBeside(const FileRef& ref, CPath& out) {
  FileRef spare = ref;
  return SetFileRefName(spare, kSpareFileName) && FileRefToCPath(spare, out);
}

}  // namespace

void KeepSpareFile(bool keep) {
  DropSpare();
  gSpare.keeping = keep;
  gSpare.unsupported = false;
}

ResultCode CreateWriteUnfinished(const FileRef& unfinished, FileHandle& out) {
  if (gSpare.held) {
    gSpare.held = false;
    CPath path;
    if (FileRefToCPath(unfinished, path) &&
        platform::MovePlainFile(gSpare.path.data(), path.data())) {
      out = platform::OpenPath(path.data(), platform::OpenMode::kTruncateExisting);
      if (out != kNullHandle) return kNoError;
      platform::DeletePath(path.data());
    } else {
      // Gone, or in another file system than the page.
      platform::DeletePath(gSpare.path.data());
    }
  }
  return CreateWrite(unfinished, out);
}

ResultCode ReplaceWithUnfinished(const FileRef& unfinished, const FileRef& target,
                                 bool oldIsPrivate) {
  if (!gSpare.keeping || gSpare.unsupported || !oldIsPrivate || gSpare.held) {
    return RenameFileRef(unfinished, target.name.View());
  }
  CPath from;
  CPath to;
  CPath spare;
  if (!FileRefToCPath(unfinished, from) || !FileRefToCPath(target, to) ||
      !SparePathBeside(target, spare)) {
    return RenameFileRef(unfinished, target.name.View());
  }
  if (!platform::SwapPaths(from.data(), to.data())) {
    gSpare.unsupported = true;
    return RenameFileRef(unfinished, target.name.View());
  }
  // The new text has the name; the old one, under the unfinished name, is
  // the spare now, or deleted as a replaced page would be.
  if (platform::MovePlainFile(from.data(), spare.data())) {
    gSpare.path = spare;
    gSpare.held = true;
  } else {
    gSpare.unsupported = true;
    platform::DeletePath(from.data());
  }
  return kNoError;
}

}  // namespace hoard

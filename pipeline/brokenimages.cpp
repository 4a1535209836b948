#include "pipeline/brokenimages.h"

#include "store/contentcheck.h"
#include "store/files.h"

namespace hoard {

bool CheckAndDisposeImage(const FileRef& file, TypeCode type, int brokenImageMode,
                          ReadImage* read) {
  bool broken = false;
  if (read != nullptr && read->bytes != nullptr) {
    if (read->broken < 0) {
      read->broken = IsBrokenImage(read->bytes, read->size, type, brokenImageMode) ? 1 : 0;
    }
    broken = read->broken != 0;
  } else {
    broken = IsBrokenImageFile(file, type, brokenImageMode);
  }
  if (!broken) return false;
  switch (brokenImageMode) {
    case kBrokenImageRecycleEarly:
    case kBrokenImageRecycle:
      RecycleFile(file, 0);
      break;
    case kBrokenImageDelete:
      DeleteFileRef(file);
      break;
    default:
      break;
  }
  return true;
}

namespace {

bool ChecksEarly(int brokenImageMode) {
  return brokenImageMode == kBrokenImageReport || brokenImageMode == kBrokenImageRecycleEarly ||
         brokenImageMode == kBrokenImageDelete;
}

}  // namespace

bool EarlyImageCheck(const FileRef& file, TypeCode type, int brokenImageMode, ReadImage* read) {
  return ChecksEarly(brokenImageMode) && CheckAndDisposeImage(file, type, brokenImageMode, read);
}

bool EarlyImageBroken(const FileRef& file, TypeCode type, int brokenImageMode) {
  return ChecksEarly(brokenImageMode) && IsBrokenImageFile(file, type, brokenImageMode);
}

}  // namespace hoard

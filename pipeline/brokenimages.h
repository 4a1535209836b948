// What becomes of a broken GIF or JPEG image during a conversion: checked
// before or after the move as the broken-image setting says, then sent to the
// recycle bin, deleted, or left in place.
#pragma once

#include "store/fileref.h"
#include "store/types.h"

namespace hoard {

// Checks a GIF or JPEG file while detection is on, and disposes of a broken
// one as the setting says (recycle bin, deletion, or left in place). The
// answer is whether it is broken; false for any other type.
// `read`, when given, holds the file's bytes, read whole already (it is not
// read again), and keeps the answer for a later check of the same bytes.
struct ReadImage {
  const unsigned char* bytes = nullptr;
  size_t size = 0;
  int broken = -1;  // -1 not checked yet, else 0 or 1
};
bool CheckAndDisposeImage(const FileRef& file, TypeCode type, int brokenImageMode,
                          ReadImage* read = nullptr);
// CheckAndDisposeImage, but only under settings 1, 2 and 3; otherwise false
// without reading the file.
bool EarlyImageCheck(const FileRef& file, TypeCode type, int brokenImageMode,
                     ReadImage* read = nullptr);
// Whether EarlyImageCheck would find the file broken; nothing is disposed of.
bool EarlyImageBroken(const FileRef& file, TypeCode type, int brokenImageMode);

}  // namespace hoard

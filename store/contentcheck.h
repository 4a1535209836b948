// What a cache file holds: its type by name and first bytes, wrapper headers
// in front of the content, structural checks of GIF and JPEG images and what
// becomes of a broken one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/fileref.h"
#include "store/imagecheck.h"
#include "store/types.h"

namespace hoard {

// The broken-image setting (Options::BrokenImageMode), passed to each check
// that depends on it. 0 turns detection off for GIF and JPEG together; any
// value not named here detects without disposing.
inline constexpr int kBrokenImageOff = 0;
inline constexpr int kBrokenImageReport = 1;         // detect, leave in place
inline constexpr int kBrokenImageRecycleEarly = 2;   // detect early, recycle
inline constexpr int kBrokenImageDelete = 3;         // the dialog's "delete completely"
inline constexpr int kBrokenImageRecycle = 6;        // the dialog's "to the recycle bin"
inline bool ImageDetectionOn(int mode) { return mode != kBrokenImageOff; }

// kTypeText, kTypeGif, kTypeJpeg or kTypeNone: from the name (exact case),
// and, while detection is on, from the first 256 bytes, which win over the
// name.
TypeCode TypeOfFile(const FileRef& file, int brokenImageMode);

// The signatures the type sniffing looks for in a file's first bytes.
bool HasGifSignature(const unsigned char* bytes, size_t n);
bool HasJpegSignature(const unsigned char* bytes, size_t n);

// A stored HTTP response header at the start of `bytes` (n of them): `skip`
// is where the body begins, `length` the body bytes within the buffer
// (n - skip). A header is found only when its empty line and the byte after
// that line's CR lie within n.
bool FindStoredHttpHeader(const unsigned char* bytes, size_t n, uint32_t& skip,
                          uint32_t& length);

// The fixed fields of a 128-byte MacBinary header at the start of `bytes` (at
// least 128 of them): bytes 0 and 74 zero, a name of 1 to 31 bytes without a
// zero and padded with zeros (no name: all zeros), type and creator without
// a zero. A name length of 32 to 127 leaves the name field unexamined; one of
// 128 or more is taken as no name only under kStrict. The move, which cuts the
// header off for good, is strict; the page rewriter, which keeps the old page
// as its backup, is not.
enum class MacBinaryNames { kStrict, kLenient };
bool HasMacBinaryFields(const unsigned char* bytes, MacBinaryNames names);

// A MacBinary header (the strict fields) at the start of `bytes` (at least
// 128 of them) of a file of `fileSize` bytes whose data fork fits the file;
// `dataLength` is its data-fork length.
bool IsMacBinaryHeader(const unsigned char* bytes, uint64_t fileSize, uint32_t& dataLength);

using ImageChecker = bool (*)(const unsigned char* bytes, size_t n);
// Reads the whole file and runs the checker on its content (after a MacBinary
// or stored HTTP header). A file that cannot be read, or that is a packed
// cache log, is not broken.
bool CheckImageFile(const FileRef& file, ImageChecker checker);
// The same for a whole file's bytes already read.
bool CheckImageBytes(const unsigned char* bytes, size_t size, ImageChecker checker);
// Larger files are never checked.
inline constexpr uint64_t kMaxImageBytes = 0xffffffffu;

// Whether a GIF or JPEG file is broken, while detection is on; false for any
// other type. What becomes of a broken one is the pipeline's decision
// (pipeline/brokenimages.h).
bool IsBrokenImageFile(const FileRef& file, TypeCode type, int brokenImageMode);
// The same for a whole file's bytes already read.
bool IsBrokenImage(const unsigned char* bytes, size_t size, TypeCode type, int brokenImageMode);

}  // namespace hoard

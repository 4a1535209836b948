// What a cache file holds: its type by name and first bytes, wrapper headers
// in front of the content, structural checks of GIF and JPEG images and what
// becomes of a broken one, and the shortening of over-long host names.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/fileref.h"
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

// A 128-byte MacBinary header at the start of `bytes` (at least 128 of them)
// of a file of `fileSize` bytes; `dataLength` is its data-fork length.
bool IsMacBinaryHeader(const unsigned char* bytes, uint64_t fileSize, uint32_t& dataLength);

// Structural checks of image data; true = broken. Neither reads past n,
// whatever the bytes claim. A JPEG's thumbnail coded as JPEG is checked the
// same way (thumbnails nested more than four deep are not examined).
bool IsBrokenGif(const unsigned char* bytes, size_t n);
bool IsBrokenJpeg(const unsigned char* bytes, size_t n);

using ImageChecker = bool (*)(const unsigned char* bytes, size_t n);
// Reads the whole file and runs the checker on its content (after a MacBinary
// or stored HTTP header). A file that cannot be read, or that is a packed
// cache log, is not broken.
bool CheckImageFile(const FileRef& file, ImageChecker checker);

// Checks a GIF or JPEG file while detection is on, and disposes of a broken
// one as the setting says (recycle bin, deletion, or left in place). The
// answer is whether it is broken; false for any other type.
bool CheckAndDisposeImage(const FileRef& file, TypeCode type, int brokenImageMode);
// CheckAndDisposeImage, but only under settings 1, 2 and 3; otherwise false
// without reading the file.
bool EarlyImageCheck(const FileRef& file, TypeCode type, int brokenImageMode);

// For a URL as the cache log gives it: where it starts once a host part of 32
// bytes or more has lost its leading labels, up to the first '.' each, until
// it is at most 31 bytes or has no '.' left. A text whose first '/' comes
// within 32 bytes (a scheme, a short host) or that has none comes back as it
// is. Null stays null.
const char* ShortenLongHost(const char* url);

}  // namespace hoard

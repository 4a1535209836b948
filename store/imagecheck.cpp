#include "store/imagecheck.h"

#include <cstdint>
#include <string_view>

#include "base/ascii.h"

namespace hoard {
namespace {

uint32_t BigEndian16(const unsigned char* bytes, size_t pos) {
  return (static_cast<uint32_t>(bytes[pos]) << 8) | bytes[pos + 1];
}

// ---------------------------------------------------------------------------
// GIF structure.

// Colour table entries announced by a flags byte.
size_t ColourEntries(unsigned char flags) {
  return (flags & 0x80) == 0 ? 0 : size_t{1} << ((flags & 7) + 1);
}

// Walks data sub-blocks from `pos` (a size byte) to their zero terminator,
// leaving `pos` on it. false when the bytes end first.
bool WalkSubBlocks(const unsigned char* bytes, size_t n, size_t& pos) {
  while (pos < n) {
    if (bytes[pos] == 0) return true;
    pos += size_t{bytes[pos]} + 1;
  }
  return false;
}

constexpr unsigned char kGifTrailer = 0x3B;
constexpr unsigned char kGifExtension = 0x21;
constexpr unsigned char kGifImage = 0x2C;
constexpr unsigned char kGifApplicationLabel = 0xFF;
constexpr unsigned char kGifPlainTextLabel = 0x01;
constexpr unsigned char kGifCommentLabel = 0xFE;
constexpr size_t kGifScreenEnd = 13;      // signature and logical screen descriptor
constexpr size_t kGifDescriptorBytes = 10;  // image separator and descriptor

// ---------------------------------------------------------------------------
// JPEG structure.

constexpr uint32_t kJpegStart = 0xFFD8;
constexpr uint32_t kJpegEnd = 0xFFD9;
constexpr uint32_t kJpegApp0 = 0xFFE0;
constexpr uint32_t kJpegStartOfScan = 0xFFDA;
constexpr uint32_t kJpegQuantTable = 0xFFDB;
constexpr uint32_t kJpegBaseline = 0xFFC0;
constexpr uint32_t kJpegProgressive = 0xFFC2;
constexpr uint32_t kJpegHuffmanTable = 0xFFC4;
constexpr size_t kJpegMinBytes = 20;
// A thumbnail inside a thumbnail is checked to this depth; deeper ones are
// not examined, and what is not examined is never called broken.
constexpr int kJpegMaxThumbnailDepth = 4;

bool IsBrokenJpegAt(const unsigned char* c, size_t n, int depth) {
  if (n < kJpegMinBytes) return true;
  if (c[0] != 0xFF || c[1] != 0xD8 || c[2] != 0xFF) return true;
  size_t pos = 2;
  if (BigEndian16(c, 2) == kJpegApp0) {
    if (c[6] != 'J' || c[7] != 'F') return true;
    pos = BigEndian16(c, 4) + 4;
  }
  bool endSeen = false;
  bool quantSeen = false;
  bool frameSeen = false;
  bool huffmanSeen = false;
  // A marker or a segment length that would lie past the data ends the walk
  // without the end marker.
  while (pos + 1 < n) {
    const uint32_t marker = BigEndian16(c, pos);
    if (marker == kJpegStart) {
      pos += 2;
      continue;
    }
    if (marker == kJpegEnd) {
      endSeen = true;
      break;
    }
    if (pos + 3 >= n) break;
    const size_t length = BigEndian16(c, pos + 2);
    if (marker == kJpegApp0 && MatchAt(c, n, pos + 4, std::string_view("JFXX\0", 5)) &&
        pos + 9 < n && c[pos + 9] == 0x10 && depth < kJpegMaxThumbnailDepth) {
      // A thumbnail coded as JPEG: its stated bytes, as far as they exist.
      const size_t start = pos + 10;
      size_t thumbnail = length >= 8 ? length - 8 : 0;
      if (thumbnail > n - start) thumbnail = n - start;
      if (IsBrokenJpegAt(c + start, thumbnail, depth + 1)) return true;
    }
    switch (marker) {
      case kJpegStartOfScan:
        pos += length + 2;
        while (pos + 1 < n && !(c[pos] == 0xFF && c[pos + 1] == 0xD9)) ++pos;
        // Found or not, the loop ends: on the end marker, or at the data's end.
        if (pos + 1 >= n) pos = n;
        continue;
      case kJpegQuantTable:
        quantSeen = true;
        break;
      case kJpegBaseline:
      case kJpegProgressive:
        frameSeen = true;
        break;
      case kJpegHuffmanTable:
        huffmanSeen = true;
        break;
      default:
        break;
    }
    pos += length + 2;
  }
  return !(endSeen && quantSeen && frameSeen && huffmanSeen);
}

}  // namespace

bool IsBrokenGif(const unsigned char* c, size_t n) {
  if (n < kGifScreenEnd) return true;
  size_t pos = kGifScreenEnd + 3 * ColourEntries(c[10]);
  if (pos > n) return true;
  bool trailerSeen = false;
  bool imageSeen = false;
  while (pos < n) {
    const unsigned char block = c[pos];
    if (block == kGifTrailer) {
      trailerSeen = true;
      break;
    }
    if (block == kGifExtension) {
      // Label and first block size; the first block and one byte after it
      // must be there.
      if (n < pos + 3) return true;
      const unsigned char label = c[pos + 1];
      const size_t firstSize = c[pos + 2];
      if (n < pos + firstSize + 4) return true;
      pos += firstSize + 3;
      if (label == kGifApplicationLabel || label == kGifPlainTextLabel) {
        if (!WalkSubBlocks(c, n, pos)) return true;
      }
      if (!(label == kGifCommentLabel && firstSize == 0)) ++pos;
    } else if (block == kGifImage) {
      // The descriptor's flags byte is its last.
      if (n < pos + kGifDescriptorBytes) return true;
      const size_t codeSize = pos + kGifDescriptorBytes + 3 * ColourEntries(c[pos + 9]);
      if (n < codeSize) return true;
      pos = codeSize + 1;
      if (!WalkSubBlocks(c, n, pos)) return true;
      imageSeen = true;
      ++pos;
    } else {
      ++pos;  // a stray byte
    }
  }
  return !(imageSeen && (trailerSeen || pos == n));
}

bool IsBrokenJpeg(const unsigned char* bytes, size_t n) { return IsBrokenJpegAt(bytes, n, 0); }

}  // namespace hoard

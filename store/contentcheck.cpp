#include "store/contentcheck.h"

#include <array>
#include <limits>
#include <string_view>

#include "base/ascii.h"
#include "store/files.h"
#include "store/imagecheck.h"

namespace hoard {
namespace {

bool EndsWith(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

// ---------------------------------------------------------------------------
// Types by name: exact case, first row that fits wins. The image rows count
// only while broken-image detection is on.

struct NameTypeRule {
  std::string_view suffix;
  TypeCode type;
  bool onlyWhenDetecting;
};

constexpr NameTypeRule kNameTypeRules[] = {
    {".html", kTypeText, false}, {".HTM", kTypeText, false}, {".htm", kTypeText, false},
    {".txt", kTypeText, false},  {".TXT", kTypeText, false}, {".GIF", kTypeGif, true},
    {".gif", kTypeGif, true},    {".jpeg", kTypeJpeg, true}, {".JPG", kTypeJpeg, true},
    {".jpg", kTypeJpeg, true},
};

TypeCode TypeByName(std::string_view name, bool detecting) {
  for (const NameTypeRule& rule : kNameTypeRules) {
    if (rule.onlyWhenDetecting && !detecting) continue;
    if (EndsWith(name, rule.suffix)) return rule.type;
  }
  return kTypeNone;
}

// How many bytes the type sniffing looks at.
constexpr size_t kSniffBytes = 256;

// ---------------------------------------------------------------------------
// Stored HTTP headers. Names compare with exact case.

constexpr std::string_view kCR = "\r";

// The two lines that must follow the status line (after an optional
// "Connection:" line), in the order they are tried.
struct HeaderOpening {
  std::string_view first;
  std::string_view second;
};

constexpr HeaderOpening kHeaderOpenings[] = {
    {"Date:", "Server:"},
    {"Server:", "Date:"},
    {"MIME-Version:", "Date:"},
};

// Moves `pos` past the end of its line (CR LF, CR or LF). false when no line
// end comes before n.
bool SkipLine(const unsigned char* bytes, size_t n, size_t& pos) {
  for (size_t i = pos; i < n; ++i) {
    if (bytes[i] == '\r') {
      pos = (i + 1 < n && bytes[i + 1] == '\n') ? i + 2 : i + 1;
      return true;
    }
    if (bytes[i] == '\n') {
      pos = i + 1;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// Whole-file checks.

// The browser's packed cache log: a signature, a '*' at a fixed place and
// eight non-zero bytes. An image check leaves it alone.
bool IsPackedCacheLog(const unsigned char* bytes, size_t n) {
  constexpr size_t kMinBytes = 40;
  if (n < kMinBytes || !MatchAt(bytes, n, 0, std::string_view("\xAB\xCD\x00\x54", 4)) ||
      bytes[22] != '*') {
    return false;
  }
  for (size_t i = 32; i < kMinBytes; ++i) {
    if (bytes[i] == 0) return false;
  }
  return true;
}

constexpr uint32_t kMacBinaryHeaderBytes = 128;

// The content of a whole file: the data fork after a MacBinary header, the
// body after a stored HTTP header, or everything.
void ContentOf(const unsigned char* bytes, size_t n, size_t& start, size_t& length) {
  uint32_t dataLength = 0;
  uint32_t skip = 0;
  uint32_t bodyLength = 0;
  start = 0;
  length = n;
  if (n >= kMacBinaryHeaderBytes && IsMacBinaryHeader(bytes, n, dataLength)) {
    start = kMacBinaryHeaderBytes;
    length = dataLength;
  } else if (FindStoredHttpHeader(bytes, n, skip, bodyLength)) {
    start = skip;
    length = bodyLength;
  }
}

ImageChecker CheckerFor(TypeCode type) {
  if (type == kTypeGif) return IsBrokenGif;
  if (type == kTypeJpeg) return IsBrokenJpeg;
  return nullptr;
}

}  // namespace

bool HasGifSignature(const unsigned char* bytes, size_t n) {
  return n >= 6 && MatchAt(bytes, n, 0, "GIF") && IsDigitAscii(bytes[3]) &&
         IsDigitAscii(bytes[4]) && IsLowerAscii(bytes[5]);
}

bool HasJpegSignature(const unsigned char* bytes, size_t n) {
  if (!MatchAt(bytes, n, 0, "\xFF\xD8\xFF") || n < 4) return false;
  if (bytes[3] == 0xE0) return MatchAt(bytes, n, 6, std::string_view("JFIF\0", 5));
  // A quantisation table right after the start marker, then another marker.
  if (bytes[3] == 0xDB && n >= 6 && bytes[4] == 0) {
    const size_t next = 4 + size_t{bytes[5]};
    return next < n && bytes[next] == 0xFF;
  }
  return false;
}

TypeCode TypeOfFile(const FileRef& file, int brokenImageMode) {
  const bool detecting = ImageDetectionOn(brokenImageMode);
  const TypeCode byName = TypeByName(file.name.View(), detecting);
  if (!detecting) return byName;
  FileHandle handle = kNullHandle;
  OpenRead(file, handle);
  if (handle == kNullHandle) return byName;
  std::array<unsigned char, kSniffBytes> head{};
  const uint64_t size = FileLength(handle);
  uint32_t got = static_cast<uint32_t>(size < kSniffBytes ? size : kSniffBytes);
  const bool read = got > 0 && ReadBytes(handle, got, head.data()) == 0;
  CloseFile(handle);
  if (!read) return byName;
  if (HasGifSignature(head.data(), got)) return kTypeGif;
  if (HasJpegSignature(head.data(), got)) return kTypeJpeg;
  return byName;
}

bool FindStoredHttpHeader(const unsigned char* bytes, size_t n, uint32_t& skip,
                          uint32_t& length) {
  skip = 0;
  length = 0;
  if (n < 5 || !MatchAt(bytes, n, 0, "HTTP/")) return false;
  size_t pos = 0;
  if (!SkipLine(bytes, n, pos)) return false;
  if (MatchAt(bytes, n, pos, "Connection:") && !SkipLine(bytes, n, pos)) return false;
  const HeaderOpening* opening = nullptr;
  for (const HeaderOpening& candidate : kHeaderOpenings) {
    if (MatchAt(bytes, n, pos, candidate.first)) {
      opening = &candidate;
      break;
    }
  }
  if (opening == nullptr || !SkipLine(bytes, n, pos) ||
      !MatchAt(bytes, n, pos, opening->second) || !SkipLine(bytes, n, pos)) {
    return false;
  }
  // Every further line, whatever it names, up to one that begins with CR.
  while (!MatchAt(bytes, n, pos, kCR)) {
    if (!SkipLine(bytes, n, pos)) return false;
  }
  // A CR that is the last byte looked at may still have its LF after it: the
  // body's start is not known, so nothing is cut rather than a stray LF kept.
  ++pos;
  if (pos == n) return false;
  if (bytes[pos] == '\n') ++pos;
  if (pos > std::numeric_limits<uint32_t>::max()) return false;
  skip = static_cast<uint32_t>(pos);
  length = static_cast<uint32_t>(n - pos);
  return true;
}

bool HasMacBinaryFields(const unsigned char* bytes, MacBinaryNames names) {
  if (bytes[0] != 0 || bytes[74] != 0) return false;
  auto allZero = [bytes](int from, int to) {
    for (int i = from; i <= to; ++i) {
      if (bytes[i] != 0) return false;
    }
    return true;
  };
  auto noneZero = [bytes](int from, int to) {
    for (int i = from; i <= to; ++i) {
      if (bytes[i] == 0) return false;
    }
    return true;
  };
  const int nameLength = bytes[1];
  if (nameLength >= 1 && nameLength <= 31) {
    if (!noneZero(2, nameLength + 1) || !allZero(nameLength + 2, 64)) return false;
  } else if (nameLength == 0 || (nameLength >= 128 && names == MacBinaryNames::kStrict)) {
    if (!allZero(2, 64)) return false;
  }
  // Type and creator.
  return noneZero(65, 72);
}

bool IsMacBinaryHeader(const unsigned char* bytes, uint64_t fileSize, uint32_t& dataLength) {
  constexpr uint64_t kHeaderBytes = kMacBinaryHeaderBytes;
  if (fileSize < kHeaderBytes || !HasMacBinaryFields(bytes, MacBinaryNames::kStrict)) return false;
  const uint32_t length = (static_cast<uint32_t>(bytes[83]) << 24) |
                          (static_cast<uint32_t>(bytes[84]) << 16) |
                          (static_cast<uint32_t>(bytes[85]) << 8) | bytes[86];
  if (length > fileSize - kHeaderBytes) return false;
  dataLength = length;
  return true;
}

bool CheckImageBytes(const unsigned char* bytes, size_t size, ImageChecker checker) {
  if (size == 0 || IsPackedCacheLog(bytes, size)) return false;
  size_t start = 0;
  size_t length = 0;
  ContentOf(bytes, size, start, length);
  return checker(bytes + start, length);
}

bool CheckImageFile(const FileRef& file, ImageChecker checker) {
  FileHandle handle = kNullHandle;
  OpenRead(file, handle);
  if (handle == kNullHandle) return false;
  const OpenFile holder(handle);
  const uint64_t size = FileLength(handle);
  if (size == 0 || size > kMaxImageBytes) return false;
  auto* block = static_cast<unsigned char*>(AllocBlock(static_cast<size_t>(size)));
  if (block == nullptr) return false;
  uint32_t got = static_cast<uint32_t>(size);
  const bool read = ReadBytes(handle, got, block) == 0 && got == size;
  const bool broken = read && CheckImageBytes(block, got, checker);
  FreeBlock(block);
  return broken;
}

bool IsBrokenImageFile(const FileRef& file, TypeCode type, int brokenImageMode) {
  const ImageChecker checker = CheckerFor(type);
  if (checker == nullptr || !ImageDetectionOn(brokenImageMode)) return false;
  return CheckImageFile(file, checker);
}

bool IsBrokenImage(const unsigned char* bytes, size_t size, TypeCode type, int brokenImageMode) {
  const ImageChecker checker = CheckerFor(type);
  if (checker == nullptr || !ImageDetectionOn(brokenImageMode)) return false;
  return CheckImageBytes(bytes, size, checker);
}

}  // namespace hoard

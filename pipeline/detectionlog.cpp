#include "pipeline/detectionlog.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/ascii.h"
#include "platform/fs.h"
#include "store/files.h"
#include "store/pstring.h"

namespace hoard {
namespace {

constexpr size_t kMaxHeaderBytes = 256;

struct DetectionLog {
  FileRef ref;
  bool placeKnown = false;
  std::array<char, kMaxHeaderBytes> header{};
  size_t headerLength = 0;
  FileHandle handle = kNullHandle;
  bool opened = false;
  bool firstLinePending = true;
  ResultCode lastError = kNoError;
};

DetectionLog gLog;

// Schemes a URL is written with as it is; any other URL gets "http://" in
// front. The portal's counting wrapper begins with its home address, which
// is an http address, so it needs no row of its own.
struct SchemeRule {
  std::string_view scheme;
  bool foldCase;
};

constexpr SchemeRule kLoggedSchemes[] = {
    {"http://", true},
    {"https://", false},
};

constexpr std::string_view kAddedScheme = "http://";

bool HasLoggedScheme(std::string_view url) {
  for (const SchemeRule& rule : kLoggedSchemes) {
    if (rule.foldCase ? MatchAtNoCase(url, 0, rule.scheme) : MatchAt(url, 0, rule.scheme)) {
      return true;
    }
  }
  return false;
}

const char* TypeColumn(TypeCode type) {
  if (type == kTypeGif) return "GIF";
  if (type == kTypeJpeg) return "JPEG";
  if (type == kTypeText) return "TEXT";
  return "";
}

// A text ending with a lone LF (or being one) gets CR LF there instead.
// `length` grows by one; the buffer must have room for it.
void FixLineEnd(char* text, size_t& length) {
  if (length == 0 || text[length - 1] != '\n') return;
  if (length >= 2 && text[length - 2] == '\r') return;
  text[length - 1] = '\r';
  text[length] = '\n';
  ++length;
}

// Creates the log empty, under its unfinished name until it is closed, and
// writes the header. The outcome is the last error. A link in the log's place
// is the user's: no log is written then.
void OpenLog() {
  gLog.firstLinePending = false;
  FileRef unfinished;
  CPath path;
  if (!gLog.placeKnown || !UnfinishedRefOf(gLog.ref, unfinished) ||
      !FileRefToCPath(gLog.ref, path) || platform::IsLink(path.data())) {
    gLog.lastError = kGeneralFailure;
    return;
  }
  gLog.lastError = CreateWrite(unfinished, gLog.handle);
  if (gLog.lastError != kNoError) return;
  gLog.opened = true;
  std::array<char, kMaxHeaderBytes + 1> text{};
  size_t length = gLog.headerLength;
  std::memcpy(text.data(), gLog.header.data(), length);
  FixLineEnd(text.data(), length);
  uint32_t count = static_cast<uint32_t>(length);
  gLog.lastError = WriteBytes(gLog.handle, count, text.data());
}

}  // namespace

void SetUpDetectionLog(const FileRef& cacheFile, const char* header) {
  FileRef ref = cacheFile;
  gLog.placeKnown = SetFileRefName(ref, kDetectionLogName);
  // The current directory moves while a batch runs; the log stays put.
  if (gLog.placeKnown) MakeAbsolute(ref);
  gLog.ref = ref;
  size_t length = 0;
  while (header != nullptr && length < kMaxHeaderBytes && header[length] != '\0') ++length;
  if (length > 0) std::memcpy(gLog.header.data(), header, length);
  gLog.headerLength = length;
}

bool IsDetectionLogName(std::string_view name) {
  return PStringEqualNoCase(name, kDetectionLogName);
}

int WriteDetectionLine(std::string_view cacheName, TypeCode type, const char* url, int64_t size,
                       const DateRec& date) {
  if (gLog.firstLinePending) OpenLog();
  if (gLog.lastError != kNoError) return 0;

  // The columns after the URL, then as much of the URL as leaves room for
  // them: a cut URL still gives a line of five columns.
  std::array<char, kDetectionLineBytes> tail{};
  const int tailLength = std::snprintf(
      tail.data(), tail.size(), ",%.*s,%" PRId64 ",%04d-%02d-%02d %02d:%02d:%02d,%s\n",
      static_cast<int>(cacheName.size()), cacheName.data(), size, date.year, date.month,
      date.day, date.hour, date.minute, date.second, TypeColumn(type));
  if (tailLength < 0 || static_cast<size_t>(tailLength) >= tail.size()) return 0;

  const std::string_view address = url == nullptr ? std::string_view() : std::string_view(url);
  const std::string_view prefix =
      address.empty() || HasLoggedScheme(address) ? std::string_view() : kAddedScheme;
  // Formatted text at most kDetectionLineBytes - 1 bytes, so that the line
  // end fix still fits.
  const size_t room = kDetectionLineBytes - 1 - static_cast<size_t>(tailLength);
  if (prefix.size() > room) return 0;
  const size_t urlLength = std::min(address.size(), room - prefix.size());

  std::array<char, kDetectionLineBytes + 1> line{};
  size_t length = 0;
  for (std::string_view piece : {prefix, address.substr(0, urlLength),
                                 std::string_view(tail.data(), static_cast<size_t>(tailLength))}) {
    if (piece.empty()) continue;
    std::memcpy(line.data() + length, piece.data(), piece.size());
    length += piece.size();
  }
  const size_t formatted = length;
  FixLineEnd(line.data(), length);

  uint32_t count = static_cast<uint32_t>(length);
  gLog.lastError = WriteBytes(gLog.handle, count, line.data());
  return gLog.lastError == kNoError ? static_cast<int>(formatted) : 0;
}

bool CloseDetectionLog(FileRef* out) {
  if (!gLog.opened) return false;
  // Put on the disk and renamed over the log of an earlier run only now.
  gLog.lastError = FinishUnfinished(gLog.handle, gLog.ref);
  gLog.handle = kNullHandle;
  gLog.opened = false;
  if (gLog.lastError != kNoError) return false;
  if (out != nullptr) *out = gLog.ref;
  return true;
}

void ResetDetectionLog() {
  // A log nobody closed is still kept.
  CloseDetectionLog(nullptr);
  gLog = DetectionLog{};
}

}  // namespace hoard

#include "app/cachehint.h"

#include <array>
#include <cstring>
#include <string_view>

#include "platform/registry.h"
#include "store/fileref.h"

namespace hoard::app {
namespace {

constexpr char kOwnKey[] = "Software\\Tolvar\\Hoard2";
constexpr char kOwnValue[] = "JustViewCacheDir";
constexpr char kBrowserCacheKey[] = "Software\\JustSystem\\AccessManager\\2.0";
constexpr char kBrowserCacheValue[] = "CacheDir";
constexpr char kMarkFileKey[] = "Software\\JustSystem\\JustView\\2.0";
constexpr char kMarkFileValue[] = "MarkFile";

constexpr std::string_view kAllFiles = "*.*";
constexpr std::string_view kCacheFolder = "Cache";

using HintText = std::array<char, kCacheHintCapacity>;

// Appends the pieces to the text of `length` bytes; false when the result
// and its NUL do not fit.
bool Append(char* buffer, size_t capacity, size_t& length, std::string_view piece) {
  if (length + piece.size() + 1 > capacity) return false;
  std::memcpy(buffer + length, piece.data(), piece.size());
  length += piece.size();
  buffer[length] = '\0';
  return true;
}

// A folder value with "\*.*" appended.
bool FolderHint(const char* key, const char* name, char* buffer, size_t capacity) {
  HintText value{};
  if (!platform::ReadUserString(key, name, value.data(), value.size())) return false;
  const char separator[] = {PathSeparator(), '\0'};
  size_t length = 0;
  return Append(buffer, capacity, length, value.data()) &&
         Append(buffer, capacity, length, separator) && Append(buffer, capacity, length, kAllFiles);
}

// The mark file's folder with "\Cache\*.*": the text after the value's last
// separator is replaced, or the whole is appended to when it has none.
bool MarkFileHint(char* buffer, size_t capacity) {
  HintText value{};
  if (!platform::ReadUserString(kMarkFileKey, kMarkFileValue, value.data(), value.size())) {
    return false;
  }
  std::string_view folder = value.data();
  const size_t last = folder.rfind(PathSeparator());
  if (last != std::string_view::npos) folder = folder.substr(0, last);
  const char separator[] = {PathSeparator(), '\0'};
  size_t length = 0;
  return Append(buffer, capacity, length, folder) && Append(buffer, capacity, length, separator) &&
         Append(buffer, capacity, length, kCacheFolder) &&
         Append(buffer, capacity, length, separator) && Append(buffer, capacity, length, kAllFiles);
}

}  // namespace

int ReadCacheFolderHint(char* buffer, size_t capacity) {
  if (capacity == 0) return kNoHint;
  buffer[0] = '\0';
  if (FolderHint(kOwnKey, kOwnValue, buffer, capacity)) return kHintSavedFolder;
  buffer[0] = '\0';
  if (FolderHint(kBrowserCacheKey, kBrowserCacheValue, buffer, capacity)) return kHintBrowserCache;
  buffer[0] = '\0';
  if (MarkFileHint(buffer, capacity)) return kHintMarkFile;
  buffer[0] = '\0';
  return kNoHint;
}

void SaveCacheFolderHint(const char* path) {
  HintText folder{};
  const size_t length = strnlen(path, folder.size() - 1);
  std::memcpy(folder.data(), path, length);
  char* last = std::strrchr(folder.data(), PathSeparator());
  // A bare name has no folder to remember.
  if (last == nullptr) return;
  *last = '\0';
  platform::WriteUserString(kOwnKey, kOwnValue, folder.data());
}

}  // namespace hoard::app

// Registry-like values on POSIX, kept in "registry.txt" in the user's
// configuration folder ($XDG_CONFIG_HOME/hoard-hoard or
// ~/.config/hoard-hoard). The file is in the ini form:
//
//   [Software\Tolvar\Hoard2]
//   JustViewCacheDir=/home/me/cache
//   DomTbl=/home/me/domain.csv
//
// A line "[KEY]" opens a key; inside it, each line "NAME=VALUE" is one value:
// the name runs to the first '=', the value is the rest of the line, byte for
// byte (it may hold Shift_JIS bytes and spaces at either end). Keys and names
// compare with ASCII letters folded, as on Windows; the first matching line
// wins. Other lines (blank ones, comments) are kept as they are. A write
// rewrites the whole file through a temporary file and a rename, so a reader
// never sees half a file.
#include "platform/registry.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "platform/posix/paths.h"

namespace hoard::platform {
namespace {

constexpr std::string_view kFileName = "/hoard-hoard/registry.txt";
// The file is a handful of lines; anything far larger is not ours.
constexpr size_t kMaxFileBytes = 1 << 20;

bool RegistryPath(PathText& path) {
  return UserBaseFolder("XDG_CONFIG_HOME", ".config", path) && path.Append(kFileName);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = x - 'a' + 'A';
    if (y >= 'a' && y <= 'z') y = y - 'a' + 'A';
    if (x != y) return false;
  }
  return true;
}

// The whole file in one block; an absent file reads as empty.
struct FileBytes {
  char* bytes = nullptr;
  size_t size = 0;
  ~FileBytes() { delete[] bytes; }
};

bool ReadWhole(const char* path, FileBytes& out) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<size_t>(info.st_size) > kMaxFileBytes) {
    close(fd);
    return false;
  }
  size_t wanted = static_cast<size_t>(info.st_size);
  out.bytes = new (std::nothrow) char[wanted + 1];
  if (out.bytes == nullptr) {
    close(fd);
    return false;
  }
  while (out.size < wanted) {
    ssize_t got = read(fd, out.bytes + out.size, wanted - out.size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    out.size += static_cast<size_t>(got);
  }
  close(fd);
  return true;
}

// Where a value is, or where it would go.
struct Place {
  bool keyFound = false;
  size_t afterKeyLine = 0;  // just past the key's last line that is not blank
  bool valueFound = false;
  size_t lineStart = 0;     // the "NAME=VALUE" line, without its line end
  size_t lineEnd = 0;
  size_t valueStart = 0;
};

Place FindValue(std::string_view file, std::string_view key, std::string_view name) {
  Place place;
  bool inKey = false;
  bool inFirstKey = false;
  size_t start = 0;
  while (start < file.size()) {
    size_t end = file.find('\n', start);
    size_t next = end == std::string_view::npos ? file.size() : end + 1;
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      inKey = EqualNoCase(line.substr(1, line.size() - 2), key);
      inFirstKey = inKey && !place.keyFound;
      if (inFirstKey) {
        place.keyFound = true;
        place.afterKeyLine = next;
      }
    } else if (inKey) {
      if (inFirstKey && !line.empty()) place.afterKeyLine = next;
      size_t equals = line.find('=');
      if (equals != std::string_view::npos && EqualNoCase(line.substr(0, equals), name)) {
        place.valueFound = true;
        place.lineStart = start;
        place.lineEnd = start + line.size();
        place.valueStart = start + equals + 1;
        return place;
      }
    }
    start = next;
  }
  return place;
}

bool HasLineBreak(std::string_view text) {
  return text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

}  // namespace

bool ReadUserString(const char* key, const char* name, char* buffer, size_t capacity) {
  if (capacity > 0) buffer[0] = '\0';
  PathText path;
  if (!RegistryPath(path)) return false;
  FileBytes file;
  if (!ReadWhole(path.text, file)) return false;
  Place place = FindValue({file.bytes, file.size}, key, name);
  if (!place.valueFound) return false;
  size_t length = place.lineEnd - place.valueStart;
  if (length >= capacity) return false;
  std::memcpy(buffer, file.bytes + place.valueStart, length);
  buffer[length] = '\0';
  return true;
}

bool WriteUserString(const char* key, const char* name, const char* value) {
  std::string_view keyText = key, nameText = name, valueText = value;
  // What the file form cannot hold back unchanged.
  if (keyText.empty() || HasLineBreak(keyText) || HasLineBreak(nameText) ||
      HasLineBreak(valueText) || nameText.find('=') != std::string_view::npos ||
      (!nameText.empty() && nameText.front() == '[')) {
    return false;
  }
  PathText folder;
  if (!UserBaseFolder("XDG_CONFIG_HOME", ".config", folder) || !folder.Append("/hoard-hoard") ||
      !MakeFolders(folder.text, 0700)) {
    return false;
  }
  PathText path, temporary;
  if (!RegistryPath(path) || !temporary.Assign(path.text) || !temporary.Append(".XXXXXX")) {
    return false;
  }
  FileBytes file;
  if (!ReadWhole(path.text, file)) return false;
  std::string_view old{file.bytes, file.size};
  Place place = FindValue(old, keyText, nameText);

  int fd = mkstemp(temporary.text);
  if (fd < 0) return false;
  bool written;
  if (place.valueFound) {
    written = WriteAll(fd, old.substr(0, place.valueStart)) && WriteAll(fd, valueText) &&
              WriteAll(fd, old.substr(place.lineEnd));
  } else {
    size_t at = place.keyFound ? place.afterKeyLine : old.size();
    std::string_view before = old.substr(0, at);
    written = WriteAll(fd, before);
    // A key line whose file ended without a line end gets one first.
    if (written && !before.empty() && before.back() != '\n') written = WriteAll(fd, "\n");
    if (written && !place.keyFound) {
      written = WriteAll(fd, "[") && WriteAll(fd, keyText) && WriteAll(fd, "]\n");
    }
    written = written && WriteAll(fd, nameText) && WriteAll(fd, "=") && WriteAll(fd, valueText) &&
              WriteAll(fd, "\n") && WriteAll(fd, old.substr(at));
  }
  written = written && fsync(fd) == 0;
  if (close(fd) != 0) written = false;
  if (!written || rename(temporary.text, path.text) != 0) {
    unlink(temporary.text);
    return false;
  }
  return true;
}

}  // namespace hoard::platform

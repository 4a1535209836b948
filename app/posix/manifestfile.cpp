#include "app/posix/manifestfile.h"

#include <fcntl.h>
#include <nettle/sha2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "pipeline/manifest.h"

namespace hoard::app {
namespace {

// The whole of a file no bigger than a manifest can sensibly be; false when
// it is absent. `isLink` when a link holds the name.
bool ReadSmallFile(const std::string& path, std::string& text, bool& isLink) {
  isLink = false;
  struct stat info = {};
  if (lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode)) {
    isLink = true;
    return true;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::array<char, 1 << 16> buffer{};
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) break;
    text.append(buffer.data(), static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string Sha256OfFile(const std::string& path, long long& size) {
  size = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  sha256_ctx context;
  sha256_init(&context);
  std::vector<uint8_t> buffer(1 << 16);
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      close(fd);
      return {};
    }
    if (n == 0) break;
    sha256_update(&context, static_cast<size_t>(n), buffer.data());
    size += n;
  }
  close(fd);
  std::array<uint8_t, SHA256_DIGEST_SIZE> digest{};
  sha256_digest(&context, digest.size(), digest.data());
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const uint8_t byte : digest) {
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 15]);
  }
  return hex;
}

bool WriteBatchManifest(std::string& why) {
  const std::vector<FileFate>& fates = BatchFates();
  if (fates.empty()) return true;
  const std::string& folder = BatchFolder();
  const std::string path = folder + std::string(kManifestName);

  std::string earlierText;
  bool isLink = false;
  const bool hadManifest = ReadSmallFile(path, earlierText, isLink);
  if (isLink) {
    why = path + ": not a plain file; left as it is";
    return false;
  }
  if (hadManifest && earlierText.compare(0, kManifestHeader.size(), kManifestHeader) != 0) {
    why = path + ": a file of another kind holds the name; left as it is";
    return false;
  }

  std::vector<ManifestRow> rows;
  for (const FileFate& fate : fates) {
    ManifestRow row = RowOfFate(fate, folder);
    long long size = 0;
    // The content where it lies now: in the mirror, or still in the cache
    // folder; nothing for a file that is gone.
    if (!fate.place.empty()) {
      row.sha256 = Sha256OfFile(fate.place, size);
      if (!row.sha256.empty()) row.sizeAfter = std::to_string(size);
      if (row.sha256.empty()) row.mirrorPath.clear();
    }
    rows.push_back(std::move(row));
  }
  const std::string text = FormatManifest(MergeManifestRows(ParseManifest(earlierText), rows));

  const std::string temporary = path + ".new";
  unlink(temporary.c_str());  // what a stopped writer left
  const int fd =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    why = temporary + ": " + std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd, text) && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 || !written) {
    unlink(temporary.c_str());
    why = temporary + ": " + std::strerror(written ? errno : error);
    return false;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    why = path + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

void PrintPlan(std::FILE* out) {
  std::fputs("cache_name,url,mirror_path,mime_type,type_code,size_before,action\n", out);
  for (const FileFate& fate : BatchFates()) {
    const ManifestRow row = RowOfFate(fate, BatchFolder());
    const std::string line = FormatCsvLine({row.cacheName, row.url, row.mirrorPath, row.mimeType,
                                            row.typeCode, row.sizeBefore, row.action});
    std::fprintf(out, "%s\n", line.c_str());
  }
}

}  // namespace hoard::app

// The names of the last folders made, kept by both file-system backends for
// MadeFolderName.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/fs.h"

namespace hoard::platform {

class MadeFolderNames {
 public:
  // Counts a folder made; `path` null when its name cannot be told.
  void Note(const char* path) {
    Entry& entry = entries_[count_ % kMadeFolderNamesKept];
    ++count_;
    entry.known = false;
    if (path == nullptr) return;
    const char* name = path;
    for (const char* at = path; *at != '\0'; ++at) {
      if (*at == '/' || *at == '\\') name = at + 1;
    }
    const size_t length = std::strlen(name);
    if (length >= entry.name.size()) return;
    std::memcpy(entry.name.data(), name, length + 1);
    entry.known = true;
  }
  uint64_t Count() const { return count_; }
  const char* Name(uint64_t n) const {
    if (n == 0 || n > count_ || count_ - n >= kMadeFolderNamesKept) return nullptr;
    const Entry& entry = entries_[(n - 1) % kMadeFolderNamesKept];
    return entry.known ? entry.name.data() : nullptr;
  }

 private:
  struct Entry {
    bool known = false;
    std::array<char, 264> name{};
  };
  std::array<Entry, kMadeFolderNamesKept> entries_{};
  uint64_t count_ = 0;
};

}  // namespace hoard::platform

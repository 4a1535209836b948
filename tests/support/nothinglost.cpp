#include "support/nothinglost.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "store/contentcheck.h"

namespace hoard::test {
namespace {

namespace fs = std::filesystem;

constexpr size_t kHeadBytes = 256;
constexpr size_t kMacBinaryBytes = 128;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(text[text.size() - tail.size() + i]);
    unsigned char b = static_cast<unsigned char>(tail[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// A page is a file the rewriter may change: named like one, or text with a
// tag in it.
bool LooksLikePage(const std::string& name, const std::string& cut) {
  for (const char* tail : {".htm", ".html", ".txt"}) {
    if (EndsWithNoCase(name, tail)) return true;
  }
  return cut.find('\0') == std::string::npos && cut.find('<') != std::string::npos;
}

bool IsStrictPrefix(const std::string& part, const std::string& whole) {
  return !part.empty() && part.size() < whole.size() && whole.compare(0, part.size(), part) == 0;
}

}  // namespace

std::string CutWrapperHeader(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t head = std::min(bytes.size(), kHeadBytes);
  uint32_t dataLength = 0;
  if (head >= kMacBinaryBytes && IsMacBinaryHeader(data, bytes.size(), dataLength)) {
    return bytes.substr(kMacBinaryBytes, dataLength);
  }
  uint32_t skip = 0;
  uint32_t length = 0;
  if (FindStoredHttpHeader(data, head, skip, length)) return bytes.substr(skip);
  return bytes;
}

std::vector<FoundFile> FilesBelow(const fs::path& folder) {
  std::vector<FoundFile> found;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file()) continue;
    FoundFile file;
    file.path = fs::relative(it->path(), folder).generic_string();
    file.bytes = ReadAll(it->path());
    file.top = it->path().parent_path() == folder;
    found.push_back(std::move(file));
  }
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.path < b.path; });
  return found;
}

void CopyFolderFiles(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
    if (!entry.is_regular_file()) continue;
    const fs::path target = to / entry.path().filename();
    fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
    fs::last_write_time(target, fs::last_write_time(entry.path()));
  }
}

NothingLost::NothingLost(const fs::path& cacheFolder) : folder_(cacheFolder) {
  for (const FoundFile& file : FilesBelow(cacheFolder)) {
    if (!file.top) continue;
    RecordedFile record;
    record.name = file.path;
    record.bytes = file.bytes;
    record.cut = CutWrapperHeader(file.bytes);
    record.page = LooksLikePage(record.name, record.cut);
    records_.push_back(std::move(record));
  }
}

void NothingLost::MayBeRecycled(const std::string& name, const fs::path& trashFiles) {
  recyclable_.insert(name);
  trashFiles_ = trashFiles;
}

std::string NothingLost::Check() const {
  std::vector<FoundFile> files = FilesBelow(folder_);
  std::vector<bool> used(files.size(), false);
  std::vector<bool> matched(records_.size(), false);

  // Takes the first unused file that passes `fits`, preferring one of the
  // given name.
  auto take = [&](const std::string& name, auto fits) {
    size_t chosen = files.size();
    for (size_t i = 0; i < files.size(); ++i) {
      if (used[i] || !fits(files[i])) continue;
      if (chosen == files.size() || files[i].path == name) chosen = i;
      if (files[i].path == name) break;
    }
    if (chosen == files.size()) return false;
    used[chosen] = true;
    return true;
  };

  // The mirror first: a file below the cache folder can only stand for cut
  // bytes, one directly in it for either form.
  for (size_t r = 0; r < records_.size(); ++r) {
    matched[r] = take(records_[r].name, [&](const FoundFile& f) {
      return !f.top && f.bytes == records_[r].cut;
    });
  }
  for (size_t r = 0; r < records_.size(); ++r) {
    if (matched[r]) continue;
    matched[r] = take(records_[r].name, [&](const FoundFile& f) {
      return f.top && (f.bytes == records_[r].bytes || f.bytes == records_[r].cut);
    });
  }

  std::ostringstream problems;
  // Partial copies, wherever they are.
  for (size_t i = 0; i < files.size(); ++i) {
    if (used[i]) continue;
    for (const RecordedFile& record : records_) {
      if (IsStrictPrefix(files[i].bytes, record.bytes) ||
          IsStrictPrefix(files[i].bytes, record.cut)) {
        problems << files[i].path << ": a partial copy of " << record.name << " ("
                 << files[i].bytes.size() << " of " << record.cut.size() << " bytes)\n";
        used[i] = true;
        break;
      }
    }
  }

  std::vector<FoundFile> trash;
  if (!recyclable_.empty()) trash = FilesBelow(trashFiles_);
  for (size_t r = 0; r < records_.size(); ++r) {
    if (matched[r]) continue;
    const RecordedFile& record = records_[r];
    if (deletable_.count(record.name) != 0) continue;
    if (recyclable_.count(record.name) != 0) {
      const bool inTrash = std::any_of(trash.begin(), trash.end(), [&](const FoundFile& f) {
        return f.bytes == record.bytes || f.bytes == record.cut;
      });
      if (!inTrash) problems << record.name << ": neither kept nor in the trash\n";
      continue;
    }
    // A rewritten page: any page no record accounts for (the detection log
    // is not one).
    if (record.page && take(record.name, [](const FoundFile& f) {
          return !EndsWithNoCase(f.path, "h-hoard.csv") && LooksLikePage(f.path, f.bytes);
        })) {
      continue;
    }
    problems << record.name << ": lost (" << record.bytes.size() << " bytes)\n";
  }
  return problems.str();
}

}  // namespace hoard::test

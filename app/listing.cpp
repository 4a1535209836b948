#include "app/listing.h"

namespace hoard::app {

void WriteLookupLine(std::FILE* out, const FileRef& file, const CacheLogEntry* entry) {
  const std::string_view name = file.name.View();
  std::fwrite(name.data(), 1, name.size(), out);
  if (entry == nullptr) {
    std::fputs("\t-\t-\t-\n", out);
    return;
  }
  std::fprintf(out, "\t%s\t%s\t", entry->url, entry->mimeType);
  if (entry->type == kTypeNone) {
    std::fputc('0', out);
  } else {
    for (int shift = 24; shift >= 0; shift -= 8) {
      std::fputc(static_cast<int>((entry->type >> shift) & 0xFF), out);
    }
  }
  std::fputc('\n', out);
}

void PrintLookup(const FileRef& file, const CacheLogEntry* entry) {
  WriteLookupLine(stdout, file, entry);
  std::fflush(stdout);
}

}  // namespace hoard::app

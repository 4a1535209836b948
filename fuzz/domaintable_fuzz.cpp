// libFuzzer target for the domain table: any bytes as domain.csv, cut into
// pairs as a load cuts them, then applied to hosts. The user keeps the table
// by hand, so it can hold anything: the pairs stay inside the block and a
// replaced URL stays inside its buffer.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
// Seeds: tests/data/fuzz/domaintable.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "store/domaintable.h"
#include "store/files.h"
#include "urlmap/urlmap.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Applies the table to `url` in a buffer of exactly `capacity` bytes.
void Convert(const hoard::DomainTable& table, const std::string& url, size_t capacity) {
  if (url.size() + 1 > capacity) return;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  std::memcpy(buffer.get(), url.c_str(), url.size() + 1);
  if (hoard::ApplyDomainConversion(buffer.get(), capacity, &table) == 1) {
    Check(std::memchr(buffer.get(), '\0', capacity) != nullptr);
  } else {
    Check(url == buffer.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  hoard::DomainTable table;
  table.block = static_cast<char*>(hoard::AllocBlock(size + 1));
  if (table.block == nullptr) return 0;
  std::memcpy(table.block, data, size);
  table.block[size] = '\0';
  table.size = size;
  if (!hoard::BuildDomainPairs(table)) {
    hoard::ReleaseDomainTable(table);
    return 0;
  }
  table.state = hoard::DomainTableState::kLoaded;

  std::string firstKey;
  for (size_t i = 0; i < table.count; ++i) {
    const hoard::DomainPair& pair = table.pairs[i];
    Check(pair.key >= table.block && pair.key < table.block + size);
    Check(pair.value >= table.block && pair.value <= table.block + size);
    Check(*pair.key != '\0');
    if (i == 0) firstKey = pair.key;
  }
  Check(table.pairs[table.count].key == nullptr);

  // Each key as a host, a host the keys may begin, and no host at all; in a
  // link's room and in one that only just holds the URL.
  for (const std::string& host : {firstKey, firstKey + "x", std::string("www.fuzz.co.jp"), std::string()}) {
    for (const std::string& url : {"http://" + host + "/dir/page.html", "https://" + host, host}) {
      Convert(table, url, hoard::kLinkBufferBytes);
      Convert(table, url, url.size() + 1);
    }
  }
  hoard::ReleaseDomainTable(table);
  return 0;
}

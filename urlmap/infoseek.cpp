#include "urlmap/infoseek.h"

#include <algorithm>
#include <cstring>

namespace hoard {

// The service's host forms come with these rules; until then no address is
// recognised and no infoseek state is ever set.

int16_t InfoseekUrlTest(char* dest, size_t destCapacity, const char* source) {
  if (dest != source && destCapacity > 0) {
    const size_t length = std::min(std::strlen(source), destCapacity - 1);
    std::memmove(dest, source, length);
    dest[length] = '\0';
  }
  return 0;
}

void ApplyInfoseekTailRules(ScanState& /*s*/) {}

}  // namespace hoard

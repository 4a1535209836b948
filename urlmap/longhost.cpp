#include "urlmap/longhost.h"

#include <cstddef>

namespace hoard {
namespace {

// The first host length that is too long.
constexpr size_t kHostLimit = 32;

}  // namespace

const char* ShortenLongHost(const char* url) {
  if (url == nullptr) return url;
  for (;;) {
    // The host part: up to the first '/'; a text without one is left alone.
    size_t slash = 0;
    while (url[slash] != '\0' && url[slash] != '/') ++slash;
    if (url[slash] == '\0' || slash < kHostLimit) return url;
    size_t dot = 0;
    while (dot < slash && url[dot] != '.') ++dot;
    if (dot == slash) return url;
    url += dot + 1;
  }
}

}  // namespace hoard

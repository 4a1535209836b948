// What a cache file holds: wrapper headers in front of the content.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hoard {

// A stored HTTP response header at the start of a buffer: `skip` is where the
// body begins, `length` the body bytes (n - skip). false: none.
bool FindStoredHttpHeader(const unsigned char* bytes, size_t n, uint32_t& skip,
                          uint32_t& length);

// A 128-byte MacBinary header at the start of `bytes` (at least 128 of them)
// of a file of `fileSize` bytes; `dataLength` is its data-fork length.
bool IsMacBinaryHeader(const unsigned char* bytes, uint64_t fileSize, uint32_t& dataLength);

}  // namespace hoard

// libFuzzer target for the content checks: the image walks and the header
// searches take any bytes and must stay inside them and end.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "store/contentcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so that a read one past the end is caught.
  std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
  for (size_t i = 0; i < size; ++i) block[i] = data[i];
  const unsigned char* bytes = block.get();

  hoard::IsBrokenGif(bytes, size);
  hoard::IsBrokenJpeg(bytes, size);
  hoard::HasGifSignature(bytes, size);
  hoard::HasJpegSignature(bytes, size);
  uint32_t skip = 0;
  uint32_t length = 0;
  if (hoard::FindStoredHttpHeader(bytes, size, skip, length) &&
      (skip > size || skip + length != size)) {
    __builtin_trap();
  }
  uint32_t dataLength = 0;
  if (size >= 128 && hoard::IsMacBinaryHeader(bytes, size, dataLength) &&
      dataLength > size - 128) {
    __builtin_trap();
  }
  return 0;
}

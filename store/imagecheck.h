// Structural checks of GIF and JPEG data: pure functions over bytes, which
// neither read a file nor decide what becomes of a broken image
// (store/contentcheck does both).
#pragma once

#include <cstddef>

namespace hoard {

// Structural checks of image data; true = broken. Neither reads past n,
// whatever the bytes claim. A JPEG's thumbnail coded as JPEG is checked the
// same way (thumbnails nested more than four deep are not examined).
bool IsBrokenGif(const unsigned char* bytes, size_t n);
bool IsBrokenJpeg(const unsigned char* bytes, size_t n);

}  // namespace hoard

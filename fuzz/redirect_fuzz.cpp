// libFuzzer target for redirect unwrapping: a redirector URL comes from a
// cache log or a page and can be anything. The unwrapping must stay inside
// both buffers, write a target only whole, and leave the cursors where its
// callers read on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "urlmap/redirect.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the room for the target and whether it is
  // written over the source; the rest is the URL, in a block of its exact
  // size so that a read one past its NUL is caught.
  const bool inPlace = (data[0] & 0x80) != 0;
  const size_t room = (data[0] & 0x7F) == 0x7F ? 1024 : (data[0] & 0x7F) + 1u;
  const size_t length = size - 1;
  std::unique_ptr<char[]> source(new char[length + 1]);
  std::memcpy(source.get(), data + 1, length);
  source[length] = '\0';
  const size_t sourceLength = std::strlen(source.get());

  std::unique_ptr<char[]> separate(new char[room]);
  std::memset(separate.get(), 'X', room);
  char* output = inPlace ? source.get() : separate.get();
  const size_t capacity = inPlace ? sourceLength + 1 : room;

  hoard::RedirectCursors cursors;
  cursors.source = source.get();
  cursors.output = output;
  cursors.outputCapacity = capacity;
  const int result = hoard::UnwrapRedirect(cursors);
  if (result == 0) {
    Check(cursors.source == source.get() && cursors.output == output);
  } else {
    const size_t written = std::strlen(output);
    Check(written > 0 && written < capacity);
    if (cursors.targetStart == nullptr) {
      Check(std::strchr(output, '?') != nullptr);
      Check(cursors.source == cursors.output && cursors.output <= output + 7);
    } else {
      Check(cursors.targetStart == output && cursors.output == output + written);
    }
  }

  // The click-tracking test and the decoding, on the URL as it was given.
  std::unique_ptr<char[]> text(new char[length + 1]);
  std::memcpy(text.get(), data + 1, length);
  text[length] = '\0';
  Check(hoard::FindClickTrackingPath(text.get()) <= sourceLength);
  hoard::DecodeTargetEscapes(text.get());
  Check(std::strlen(text.get()) <= sourceLength);
  return 0;
}

// Redirect unwrapping: a redirector URL (a portal's go script, a click
// counter, an ad server's click-through) is replaced by the target URL it
// carries, so that the mirror stores the target under the target's own path
// and links lead to that copy. A URL that is not a recognised redirector is
// left alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hoard {

// The cursors of one unwrapping. Source and output are NUL-terminated texts
// the caller owns; they may be the same buffer (a link rewritten in place).
struct RedirectCursors {
  char* source = nullptr;        // in: the URL; out: where the caller reads on
  char* output = nullptr;        // in: where the target is written; out: after it
  size_t outputCapacity = 0;     // bytes available from `output` (with the NUL)
  char* targetStart = nullptr;   // out: where writing began, null when the caller
                                 // reads the target as its source
  int16_t consumed = 0;          // grows by the source bytes the target took
};

// 0: not a recognised redirector, or its target is empty or does not fit in
// `outputCapacity` with its NUL; nothing is changed. 1: the target was
// written at the output cursor ("http://" first where the redirector leaves
// it out), NUL-terminated and decoded, and then:
//  - a target with a '?': `targetStart` becomes null, and `source` and
//    `output` both point at the written target after any added "http://", so
//    that the caller reads on in the target as its source;
//  - a target without one: `targetStart` is where writing began, `output`
//    stands at the target's NUL, `source` at the source's NUL, and `consumed`
//    grows by the source bytes from the target's first byte to the end.
int UnwrapRedirect(RedirectCursors& cursors);

// Decodes the escapes a redirector puts into its target, in place: the
// escaped '%', '&', '+', '-', '.', '/', '=' and '?' everywhere, then an
// escaped ':' only before the target's own query.
void DecodeTargetEscapes(char* text);

// The offset after the section word of a portal's click-tracking URL, 0 when
// the text is not one.
size_t FindClickTrackingPath(const char* text);

}  // namespace hoard

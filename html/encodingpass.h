// The whole-text pass of the page rewriter: LF line ends to CR, and EUC-JP
// text to Shift_JIS until the text turns out to be Shift_JIS already. Both
// run in one left-to-right pass over the loaded page, in place; the byte
// count never changes and nothing is allocated.
#pragma once

#include <cstddef>

#include "store/textconv.h"

namespace hoard {

struct EncodingPassOptions {
  bool unixToMacLineEnds = false;  // every LF not preceded by CR becomes CR
  bool eucToShiftJis = false;      // convert EUC-JP pairs while detecting
};

// The detection state of one page, reset per page.
struct EucDetection {
  size_t convertedRun = 0;  // pairs converted since the last katakana event
  size_t sjisRun = 0;       // Shift_JIS pairs since the last conversion
  bool judgedEuc = false;
  bool judgedSjis = false;  // ends the detection for the rest of the page
  bool inKanaWord = false;
  bool afterSjisPair = false;
  EucClass previous = kEucNone;  // class found at the previous position
};

// What one pass did, for callers and tests that want more than "changed".
struct EncodingPassReport {
  size_t lineEndsConverted = 0;
  size_t pairsConverted = 0;
  // Where the detection ended: just after the Shift_JIS pair that ended it,
  // the size when it ran to the end, 0 when it was off.
  size_t detectionEnd = 0;
  EucDetection detection;
};

// Runs the pass over text[0, size) in place. Reads nothing past `size`.
// Returns whether any byte changed; the caller then writes the page out.
bool RunEncodingPass(unsigned char* text, size_t size, const EncodingPassOptions& options,
                     EncodingPassReport* report = nullptr);

}  // namespace hoard

#include "html/encodingpass.h"

#include <array>

namespace hoard {
namespace {

constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;

// One position of the detection. `look` holds the bytes from the position on
// (at least kTextConvLookAhead readable), `at` is the position in the text,
// where a pair is converted. Returns how many bytes the position covers: 2
// after a pair (converted or taken as Shift_JIS), else 1.
size_t DetectAt(EucDetection& state, const unsigned char* look, unsigned char* at,
                EncodingPassReport& report) {
  EucClass found;
  if (state.judgedEuc) {
    found = EucPairClass(look, state.previous);
  } else if (state.afterSjisPair || state.inKanaWord) {
    // Half-width katakana next to Shift_JIS text is Shift_JIS too: each such
    // byte is passed over on its own.
    state.inKanaWord = IsHalfWidthKanaByte(look[0]);
    if (state.inKanaWord) {
      state.convertedRun = 0;
      state.afterSjisPair = false;
      state.previous = kEucNone;
      return 1;
    }
    found = EucPairClass(look, state.previous);
  } else if (MatchKanaWord(look)) {
    // The word's bytes are then passed over one by one as katakana.
    found = kEucNone;
    state.convertedRun = 0;
    state.inKanaWord = true;
  } else {
    found = EucPairClass(look, state.previous);
  }
  state.previous = found;

  switch (found) {
    case kEucNone:
      if (state.afterSjisPair && look[0] == ':') return 1;
      if (!IsSjisPair(look)) return 1;
      state.afterSjisPair = true;
      state.inKanaWord = false;
      if (++state.sjisRun >= 2) state.judgedSjis = true;
      return 2;
    case kEucChar:
    case kEucHalfWidthKana:
      // Both classes need a trail byte of 0xA1 or above, so the pair lies
      // inside the text even when `look` is the padded copy of its tail.
      EucToSjisPair(at);
      ++report.pairsConverted;
      state.sjisRun = 0;
      if (state.convertedRun > 0) state.judgedEuc = true;
      ++state.convertedRun;
      return 2;
    default:  // a space inside a run
      return 1;
  }
}

// Line ends from `i` on, once the detection is over.
bool ConvertLineEnds(unsigned char* text, size_t i, size_t size, bool previousWasCr,
                     EncodingPassReport& out) {
  bool changed = false;
  for (; i < size; ++i) {
    const unsigned char b = text[i];
    if (b == kLf && !previousWasCr) {
      text[i] = kCr;
      ++out.lineEndsConverted;
      changed = true;
    }
    previousWasCr = b == kCr;
  }
  return changed;
}

}  // namespace

bool RunEncodingPass(unsigned char* text, size_t size, const EncodingPassOptions& options,
                     EncodingPassReport* report) {
  EncodingPassReport local;
  EncodingPassReport& out = report != nullptr ? *report : local;
  out = EncodingPassReport{};
  EucDetection& state = out.detection;

  const bool lineEnds = options.unixToMacLineEnds;
  if (!options.eucToShiftJis) {
    return lineEnds && ConvertLineEnds(text, 0, size, false, out);
  }

  // Positions before this one read their look-ahead straight from the text;
  // later ones from a NUL-padded copy of the tail.
  const size_t directEnd = size >= kTextConvLookAhead ? size - kTextConvLookAhead + 1 : 0;
  bool previousWasCr = false;
  bool changed = false;
  size_t i = 0;
  while (i < size) {
    if (lineEnds) {
      // Judged on the bytes as read: a byte the detection passes over or
      // converts is never CR or LF, before or after, so the byte here is
      // still the byte as read.
      const unsigned char b = text[i];
      if (b == kLf && !previousWasCr) {
        text[i] = kCr;
        ++out.lineEndsConverted;
        changed = true;
      }
      previousWasCr = b == kCr;
    }

    const unsigned char* look = text + i;
    std::array<unsigned char, kTextConvLookAhead> tail;
    if (i >= directEnd) {
      tail.fill(0);
      for (size_t k = 0; i + k < size; ++k) tail[k] = text[i + k];
      look = tail.data();
    }
    const size_t pairsBefore = out.pairsConverted;
    const size_t step = DetectAt(state, look, text + i, out);
    if (out.pairsConverted != pairsBefore) changed = true;
    // The second byte of a pair is 0x40 or above: neither CR nor LF.
    if (step == 2) previousWasCr = false;
    i += step;
    if (state.judgedSjis) {
      out.detectionEnd = i;
      if (lineEnds && ConvertLineEnds(text, i, size, previousWasCr, out)) changed = true;
      return changed;
    }
  }
  out.detectionEnd = size;
  return changed;
}

}  // namespace hoard

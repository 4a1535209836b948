// libFuzzer target for the whole-text pass of the page rewriter: any bytes as
// a page, with the line-end and EUC-JP conversions chosen by the first byte.
// The pass works in place: it must stay inside the page, keep its length,
// and leave alone every byte it has no rule for.
//
// Built with clang when the option HOARD_FUZZ is on (fuzz/CMakeLists.txt).
// Seeds: the texts of ../shared/corpus/text.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "html/encodingpass.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  hoard::EncodingPassOptions options;
  options.unixToMacLineEnds = (data[0] & 1) != 0;
  options.eucToShiftJis = (data[0] & 2) != 0;
  const size_t length = size - 1;
  // An exact copy, so that a step one past the end is caught.
  std::unique_ptr<unsigned char[]> text(new unsigned char[length]);
  for (size_t i = 0; i < length; ++i) text[i] = data[1 + i];

  hoard::EncodingPassReport report;
  const bool changed = hoard::RunEncodingPass(text.get(), length, options, &report);
  size_t differ = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == data[1 + i]) continue;
    ++differ;
    // A changed byte is a line end or part of a converted pair.
    Check(options.unixToMacLineEnds || options.eucToShiftJis);
    if (!options.eucToShiftJis) Check(data[1 + i] == '\n' && text[i] == '\r');
  }
  Check(changed == (differ > 0));
  Check(report.detectionEnd <= length);
  if (!options.unixToMacLineEnds) Check(report.lineEndsConverted == 0);
  if (!options.eucToShiftJis) Check(report.pairsConverted == 0);
  return 0;
}

// Infoseek URL rules: the search service builds addresses whose meaning sits
// in the query (directory topics, articles, site searches, result pages with
// parameters in changing order). These rules rewrite them into one stable
// form before or while the URL scan builds the path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "urlmap/scanstate.h"

namespace hoard {

// 0: not an infoseek address (dest receives a copy of the source when it is a
// different buffer); 1 directory form; 2 article or content form; 3 site
// search or collection form. dest may be the source (in place).
int16_t InfoseekUrlTest(char* dest, size_t destCapacity, const char* source);

// The infoseek tail rules of the scan's finishing: trailing parameters that
// only repeat the service's defaults are removed, short names get ".htm".
void ApplyInfoseekTailRules(ScanState& s);

}  // namespace hoard

// Infoseek URL rules: the search service builds addresses whose meaning sits
// in the query (directory topics, articles, site searches, result pages with
// parameters in changing order). These rules rewrite them into one stable
// form before or while the URL scan builds the path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "urlmap/scanstate.h"

namespace hoard {

// Every rewrite of these rules is at most this long; a longer one is not made.
inline constexpr size_t kInfoseekTextBytes = 512;

// 0: not an infoseek address (dest receives a copy of the source when it is a
// different buffer); 1 directory form; 2 article or content form; 3 site
// search or collection form. dest may be the source (in place); in place and
// into a buffer of its own the text made is the same.
int16_t InfoseekUrlTest(char* dest, size_t destCapacity, const char* source);

// True when the URL names one of the service's two hosts after "http://".
bool IsInfoseekAddress(const char* url);

// Rewrites a "Titles?", "GTitles?" or "NTitles?" query (or bare parameters)
// into its canonical form: 0 unchanged, 1 query form, 2 topic-id form,
// 3 "dfr" form. dest may be the source.
int NormaliseTitleQuery(char* dest, size_t destCapacity, const char* source);

// The length of a recognised "Titles?" search form at `text` (0 when none);
// sets the infoseek state and the new-search and refine flags.
size_t MatchSearchForm(const char* text, ScanModes& modes);

// The service's path rules at the start of a component.
RuleOutcome ApplyInfoseekPathRules(ScanState& s);

// The name of a "search.gw?" query (the source cursor stands on "search.gw?").
// Writes the name and its suffixes; the name then ends.
void SearchGatewayName(ScanState& s);

// The infoseek tail rules of the scan's finishing: trailing parameters that
// only repeat the service's defaults are removed.
void ApplyInfoseekTailRules(ScanState& s);
// A short result-page name gets ".htm" (after the other endings).
void ApplyInfoseekHtmRule(ScanState& s);

}  // namespace hoard

// The files the program writes beside the cache files about a run: the
// detection log, the manifest, the mirror's index page and its list of
// missing links. No
// conversion takes them for cache files, even when a run names them.
#pragma once

#include <string_view>

namespace hoard {

inline constexpr std::string_view kIndexPageName = "h-hoard-index.html";
inline constexpr std::string_view kMissingListName = "h-hoard-missing.csv";

// One of those names, ASCII case folded.
bool IsRunReportName(std::string_view name);

}  // namespace hoard

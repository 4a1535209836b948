// The name tables of the query-string rules: search-engine names, news-source
// codes, the component prefixes of search-result and news names, the
// bulletin-board scripts, and the two number tests of the search naming.
// Every test compares exact bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace hoard {

// The length of a search-engine name at the start of `text`, 0 if none.
size_t EngineNameLength(std::string_view text);
// The length of a search-engine name that ends where `text` ends, 0 if none.
// The French portal's domain counts with a "www." in front of it.
size_t EngineNameLengthBefore(std::string_view text);
// The length of a news-source code at the start of `text`, 0 if none.
size_t NewsSourceLength(std::string_view text);

// The bytes up to the end of a search-result prefix of a component, 0 if it
// has none.
size_t SearchPrefixLength(std::string_view component);
// The bytes up to the end of a news prefix of a component, 0 if it has none.
size_t NewsPrefixLength(std::string_view component);
// A component that begins with a bulletin-board script name.
bool BeginsWithBoardScript(std::string_view component);

// "10", "20", "25", "30", "40" or "50" followed by the end or '&': the
// number; 0 otherwise.
int PageSizeValue(std::string_view text);
// Four bytes on, "25", "50", "75" or "100" followed by the end or '&': the
// number; 10 otherwise.
int ResultCountValue(std::string_view text);

}  // namespace hoard

// The Windows string table and the program's text table must say the same
// under the same ids. The resource script is UTF-8, so its texts are held
// against the UTF-8 form of each table entry.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

#include "base/messages.h"

namespace hoard {
namespace {

struct ParsedTable {
  std::map<int, std::string> texts;
  std::string error;  // empty when the script parsed
};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// One "id, "text"" line of a STRINGTABLE block. Inside the quotes a doubled
// quote is one quote, and backslash escapes the few characters windres knows.
bool ParseEntry(std::string_view line, int& id, std::string& text) {
  size_t pos = 0;
  id = 0;
  if (pos == line.size() || line[pos] < '0' || line[pos] > '9') return false;
  while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
    id = id * 10 + (line[pos] - '0');
    ++pos;
  }
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == ',' || line[pos] == '\t')) ++pos;
  if (pos == line.size() || line[pos] != '"') return false;
  ++pos;
  text.clear();
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') {
      if (pos < line.size() && line[pos] == '"') {
        text += '"';
        ++pos;
        continue;
      }
      return Trim(line.substr(pos)).empty();
    }
    if (c == '\\') {
      if (pos == line.size()) return false;
      char escaped = line[pos++];
      switch (escaped) {
        case '\\': text += '\\'; break;
        case 'n': text += '\n'; break;
        case 'r': text += '\r'; break;
        case 't': text += '\t'; break;
        default: return false;
      }
      continue;
    }
    text += c;
  }
  return false;  // no closing quote
}

ParsedTable ParseStringTable(const std::string& script) {
  ParsedTable table;
  std::istringstream lines(script);
  std::string raw;
  enum { kBefore, kHeader, kInside, kAfter } state = kBefore;
  while (std::getline(lines, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.substr(0, 2) == "//") continue;
    switch (state) {
      case kBefore:
        if (line == "STRINGTABLE") state = kHeader;
        break;
      case kHeader:
        if (line != "BEGIN") {
          table.error = "STRINGTABLE is not followed by BEGIN";
          return table;
        }
        state = kInside;
        break;
      case kInside: {
        if (line == "END") {
          state = kAfter;
          break;
        }
        int id = 0;
        std::string text;
        if (!ParseEntry(line, id, text)) {
          table.error = "cannot read the line: " + std::string(line);
          return table;
        }
        if (!table.texts.emplace(id, text).second) {
          table.error = "id " + std::to_string(id) + " appears twice";
          return table;
        }
        break;
      }
      case kAfter:
        if (line == "STRINGTABLE") {
          table.error = "a second STRINGTABLE";
          return table;
        }
        break;
    }
  }
  if (state != kAfter) table.error = "no complete STRINGTABLE block";
  return table;
}

TEST(ResourceStringTable, HoldsExactlyTheTextTableEntriesWithAnId) {
  std::ifstream file(HOARD_SOURCE_DIR "/resources/hoard.rc", std::ios::binary);
  ASSERT_TRUE(file) << "cannot open resources/hoard.rc";
  std::stringstream contents;
  contents << file.rdbuf();
  ParsedTable table = ParseStringTable(contents.str());
  ASSERT_EQ(table.error, "");

  size_t withId = 0;
  for (const messages::Entry& entry : messages::AllTexts()) {
    if (entry.stringId == 0) continue;
    ++withId;
    SCOPED_TRACE("string id " + std::to_string(entry.stringId) + ": " + entry.utf8);
    auto found = table.texts.find(entry.stringId);
    ASSERT_NE(found, table.texts.end()) << "missing from the resource script";
    EXPECT_EQ(found->second, entry.utf8);
  }
  // No id in the script that the text table does not know.
  for (const auto& [id, text] : table.texts) {
    SCOPED_TRACE("resource id " + std::to_string(id) + ": " + text);
    EXPECT_NE(messages::StringById(id), nullptr);
  }
  EXPECT_EQ(table.texts.size(), withId);
}

TEST(ResourceStringTable, ReaderTellsBrokenScripts) {
  struct Case {
    const char* what;
    const char* script;
    bool parses;
  };
  const Case cases[] = {
      {"a well-formed block", "STRINGTABLE\nBEGIN\n  1, \"a\"\"b\"\nEND\n", true},
      {"an unclosed text", "STRINGTABLE\nBEGIN\n  1, \"ab\nEND\n", false},
      {"a doubled id", "STRINGTABLE\nBEGIN\n  1, \"a\"\n  1, \"b\"\nEND\n", false},
      {"no END", "STRINGTABLE\nBEGIN\n  1, \"a\"\n", false},
      {"an unknown escape", "STRINGTABLE\nBEGIN\n  1, \"a\\q\"\nEND\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ParsedTable table = ParseStringTable(c.script);
    EXPECT_EQ(table.error.empty(), c.parses) << table.error;
  }
  ParsedTable quoted = ParseStringTable(cases[0].script);
  EXPECT_EQ(quoted.texts[1], "a\"b");
}

}  // namespace
}  // namespace hoard

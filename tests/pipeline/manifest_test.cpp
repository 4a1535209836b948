// The manifest's CSV: fields that need quoting survive a round trip, and
// the rows of an earlier manifest are merged with a batch's as documented.
#include "pipeline/manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hoard {
namespace {

TEST(ManifestCsv, FieldsComeBackAsTheyWereWritten) {
  struct Case {
    const char* what;
    std::vector<std::string> fields;
    const char* line;
  };
  const Case cases[] = {
      {"plain fields",
       {"JCH00001.HTM", "http://host/a.html", "host/a.html"},
       "JCH00001.HTM,http://host/a.html,host/a.html"},
      {"a comma in a URL", {"M1", "http://host/cgi?a=1,2"}, "M1,\"http://host/cgi?a=1,2\""},
      {"quotes doubled", {"M2", "http://host/\"q\""}, "M2,\"http://host/\"\"q\"\"\""},
      {"a line end inside", {"M3", "a\r\nb"}, "M3,\"a\r\nb\""},
      {"empty fields", {"", "", ""}, ",,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string_view> views(c.fields.begin(), c.fields.end());
    const std::string line = FormatCsvLine(views);
    EXPECT_EQ(line, c.line);
    const auto records = ParseCsv(line + "\r\n" + line);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], c.fields);
    EXPECT_EQ(records[1], c.fields);
  }
}

TEST(ManifestRows, ABatchReplacesOnlyTheRowsOfItsFilesAndPlaces) {
  const auto row = [](const char* name, const char* place, const char* action) {
    ManifestRow r;
    r.cacheName = name;
    r.mirrorPath = place;
    r.action = action;
    return r;
  };
  struct Case {
    const char* what;
    std::vector<ManifestRow> earlier;
    std::vector<ManifestRow> batch;
    std::vector<std::string> names;  // cache names of the merged rows, in order
  };
  const Case cases[] = {
      {"earlier rows first, then the batch's",
       {row("A", "h/a", "move"), row("B", "h/b", "move")},
       {row("C", "h/c", "move")},
       {"A", "B", "C"}},
      {"a file left before and placed now",
       {row("A", "", "leave: x"), row("B", "h/b", "move")},
       {row("A", "h/a", "move")},
       {"B", "A"}},
      {"a newer copy took an earlier file's place",
       {row("A", "h/a", "move")},
       {row("Z", "h/a", "move")},
       {"Z"}},
      {"rows without a place never collide",
       {row("A", "", "delete: x")},
       {row("Z", "", "leave: y")},
       {"A", "Z"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Through the file's text and back, as a second batch reads the first.
    const auto earlier = ParseManifest(FormatManifest(c.earlier));
    std::vector<std::string> names;
    for (const ManifestRow& r : MergeManifestRows(earlier, c.batch)) names.push_back(r.cacheName);
    EXPECT_EQ(names, c.names);
  }
}

}  // namespace
}  // namespace hoard

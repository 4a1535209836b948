// Every #include of the tree against the table of layers: a layer uses only
// itself and the layers below it. The build's libraries (CMakeLists.txt) link
// by the same table; this test catches an include the linker would not, such
// as a header-only use of a higher layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace hoard {
namespace {

namespace fs = std::filesystem;

struct LayerRule {
  std::string_view folder;               // a source folder, from the top of the tree
  std::vector<std::string_view> mayUse;  // the folders whose headers it may include
};

const std::vector<LayerRule>& LayerRules() {
  static const std::vector<LayerRule> rules = {
      {"platform", {"platform"}},
      {"platform/posix", {"platform", "platform/posix"}},
      {"platform/win32", {"platform", "platform/win32"}},
      {"platform/scripted", {"platform", "platform/scripted"}},
      {"base", {"base", "platform"}},
      {"store", {"store", "base", "platform"}},
      {"store/posix", {"store", "base", "platform"}},
      {"store/win32", {"store", "base", "platform"}},
      {"urlmap", {"urlmap", "store", "base", "platform"}},
      {"html", {"html", "urlmap", "store", "base", "platform"}},
      {"pipeline", {"pipeline", "html", "urlmap", "store", "base", "platform"}},
      {"app", {"app", "pipeline", "html", "urlmap", "store", "base", "platform"}},
      {"app/posix",
       {"app/posix", "app", "pipeline", "html", "urlmap", "store", "base", "platform",
        "platform/posix"}},
      {"app/win32",
       {"app/win32", "app", "pipeline", "html", "urlmap", "store", "base", "platform"}},
  };
  return rules;
}

// Folders outside the layers: they may use every layer. Build folders (any
// top folder whose name begins with "build") hold generated sources.
constexpr std::string_view kFreeFolders[] = {"bench", "examples", "fuzz",    "tests", "tools",
                                             "resources", "docs", "scripts", "cmake"};

bool IsFreeFolder(const std::string& name) {
  return name.empty() || name[0] == '.' || name.rfind("build", 0) == 0 ||
         std::find(std::begin(kFreeFolders), std::end(kFreeFolders), name) !=
             std::end(kFreeFolders);
}

const LayerRule* RuleFor(std::string_view folder) {
  for (const LayerRule& rule : LayerRules()) {
    if (rule.folder == folder) return &rule;
  }
  return nullptr;
}

// The project headers a source names: the text between the quotes of each
// `#include "..."` line.
std::vector<std::string> QuotedIncludes(std::string_view text) {
  std::vector<std::string> found;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    constexpr std::string_view kInclude = "#include \"";
    if (line.substr(0, kInclude.size()) != kInclude) continue;
    line.remove_prefix(kInclude.size());
    const size_t quote = line.find('"');
    if (quote != std::string_view::npos) found.emplace_back(line.substr(0, quote));
  }
  return found;
}

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
}

// What is wrong with the includes of the source at `path` (from the top of
// the tree) holding `text`; empty when nothing is.
std::vector<std::string> Violations(std::string_view path, std::string_view text) {
  std::vector<std::string> wrong;
  const std::string folder = FolderOf(path);
  const LayerRule* rule = RuleFor(folder);
  if (rule == nullptr) {
    wrong.push_back(std::string(path) + ": its folder is in no layer of the table");
    return wrong;
  }
  for (const std::string& header : QuotedIncludes(text)) {
    const std::string used = FolderOf(header);
    if (std::find(rule->mayUse.begin(), rule->mayUse.end(), used) != rule->mayUse.end()) continue;
    wrong.push_back(std::string(path) + " includes " + header + ": " + std::string(folder) +
                    " may not use " + (used.empty() ? std::string("(no folder)") : used));
  }
  return wrong;
}

TEST(LayerRules, FindUpwardAndSidewaysIncludes) {
  struct Case {
    const char* what;
    const char* path;
    const char* text;
    size_t violations;
  };
  const Case cases[] = {
      {"a layer below", "store/files.cpp", "#include \"base/messages.h\"\n", 0},
      {"its own folder", "html/rewriter.cpp", "#include \"html/scanstate.h\"\n", 0},
      {"a layer above", "store/files.cpp", "#include \"app/options.h\"\n", 1},
      {"indented and among others", "urlmap/scanner.cpp",
       "#include <string>\n  #include \"pipeline/convert.h\"\n#include \"store/types.h\"\n", 1},
      {"a platform backend from the core", "store/files.cpp",
       "#include \"platform/posix/paths.h\"\n", 1},
      {"a backend's own helpers", "platform/posix/fs.cpp",
       "#include \"platform/posix/paths.h\"\n", 0},
      {"another backend", "platform/win32/fs.cpp", "#include \"platform/posix/paths.h\"\n", 1},
      {"a folder outside the table", "newlayer/thing.cpp", "", 1},
      {"system headers are not project layers", "base/messages.cpp", "#include <windows.h>\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Violations(c.path, c.text).size(), c.violations);
  }
}

TEST(LayerRules, HoldForEveryIncludeOfTheTree) {
  const fs::path top = HOARD_SOURCE_DIR;
  size_t sources = 0;
  std::vector<std::string> wrong;
  for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path relative = fs::relative(it->path(), top);
    const std::string first = relative.begin()->string();
    if (it->is_directory()) {
      if (IsFreeFolder(first)) it.disable_recursion_pending();
      continue;
    }
    const std::string extension = it->path().extension().string();
    if (extension != ".cpp" && extension != ".h") continue;
    std::ifstream in(it->path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::string& line : Violations(relative.generic_string(), text)) {
      wrong.push_back(std::move(line));
    }
    ++sources;
  }
  EXPECT_GT(sources, 50u);
  std::string report;
  for (const std::string& line : wrong) report += line + "\n";
  EXPECT_TRUE(wrong.empty()) << report;
}

}  // namespace
}  // namespace hoard

#include "support/samplecache.h"

#include <chrono>
#include <fstream>
#include <iterator>

#include "support/nothinglost.h"

namespace hoard::test {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void Append(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << bytes;
}

}  // namespace

SampleCache BuildSampleCache(const fs::path& root) {
  SampleCache sample{root / "cache", root / "sibling"};
  CopyFolderFiles(fs::path(HOARD_SOURCE_DIR) / "examples" / "special-cache", sample.cache);
  // EUC-JP with LF line ends: "日本語" and a link to turn relative.
  WriteFile(sample.cache / "JCH00011.HTM",
            "<HTML>\n<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
            "charset=EUC-JP\"></HEAD>\n<BODY><P>\xc6\xfc\xcb\xdc\xb8\xec</P>\n"
            "<A HREF=\"http://special.example.jp/stored.html\">\xa4\xa2</A>\n</BODY></HTML>\n");
  // An older copy of a URL another cache file holds.
  WriteFile(sample.cache / "JCH00012.HTM", "<HTML><BODY>an older copy</BODY></HTML>\n");
  fs::last_write_time(sample.cache / "JCH00012.HTM",
                      fs::last_write_time(sample.cache / "JCH00002.HTM") - std::chrono::hours(24));
  // A page whose host folder leads out of the cache folder.
  WriteFile(sample.cache / "JCH00013.HTM",
            "<HTML><A HREF=\"http://outside.example/in.html\">in</A></HTML>\n");
  Append(sample.cache / "CCHMGR20.DAT",
         "http://special.example.jp/euc.html,JCH00011.html\r\n"
         "http://special.example.jp/stored.html,JCH00012.html\r\n"
         "http://outside.example/in.html,JCH00013.html\r\n");
  fs::create_directory(sample.sibling);
  WriteFile(sample.sibling / "in.html", "<HTML>someone else's page</HTML>\n");
  WriteFile(sample.sibling / "notes.txt", "not the program's to touch\n");
  fs::create_directory_symlink(sample.sibling, sample.cache / "outside.example");
  return sample;
}

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(item.path(), root).string();
    if (item.is_symlink()) {
      out[name] = "link to " + fs::read_symlink(item.path()).string();
    } else if (item.is_directory()) {
      out[name] = "folder";
    } else {
      std::ifstream in(item.path(), std::ios::binary);
      out[name] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return out;
}

}  // namespace hoard::test

// The cache as a web archive: the digests, the records' HTTP headers, and
// the program's --warc file read back by an independent reader (the warcio
// package), record by record against the cache files, with the cache folder
// checked unchanged, times included.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/posix/warc.h"
#include "html/chromium_probe.h"
#include "store/contentcheck.h"
#include "support/programrun.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

using test::ReadFileBytes;

TEST(WarcDigest, Sha1InBase32MatchesKnownDigests) {
  struct Case {
    std::string bytes;
    const char* digest;
  };
  const Case cases[] = {
      {"", "3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ"},
      {"abc", "VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5"},
      // 55, 56 and 64 bytes: the length still fits the last block, or not.
      {std::string(55, 'a'), "YHELXXBCPFXCRQHBKFR5ECEZWZLCDVS2"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "QSMD4RA4HPJG5OVOJKQ7SUJJ4XSUM4HR"},
      {std::string(64, 'a'), "ACMLVASLLQLEE66XUEJCUWSEFIS6YZCN"},
      {std::string(1000000, 'a'), "GSVJOPGUYTNKJ5Q65MV5XLJHGFSTIALP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    EXPECT_EQ(app::Sha1Base32(c.bytes), c.digest);
  }
}

TEST(WarcRecord, HeaderIsTheStoredOneWithCrLfElseMadeFromTheMimeType) {
  std::string macBinary(128, '\0');
  macBinary[1] = 4;
  macBinary.replace(2, 4, "a.gi");
  macBinary.replace(65, 8, "GIFfJVWR");
  macBinary[86] = 3;  // the data fork's length, big-endian at 83
  struct Case {
    const char* what;
    std::string file;
    const char* mime;
    std::string header;
    std::string payload;
  };
  const Case cases[] = {
      {"no header", "<HTML>x</HTML>", "text/html",
       "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 14\r\n\r\n", "<HTML>x</HTML>"},
      {"stored, CR alone", "HTTP/1.0 200 OK\rServer: s\rDate: d\rX: y\r\rGIF", "image/gif",
       "HTTP/1.0 200 OK\r\nServer: s\r\nDate: d\r\nX: y\r\n\r\n", "GIF"},
      {"MacBinary: the data fork alone", macBinary + "GIFresource", "image/gif",
       "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: 3\r\n\r\n", "GIF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string block;
    size_t payloadStart = 0;
    app::ResponseBlock(c.file, c.mime, block, payloadStart);
    EXPECT_EQ(block.substr(0, payloadStart), c.header);
    EXPECT_EQ(block.substr(payloadStart), c.payload);
  }
}

// Every file of a folder with its size, modification time and bytes.
std::map<std::string, std::string> TreeState(const fs::path& folder) {
  std::map<std::string, std::string> state;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    struct stat info = {};
    lstat(entry.path().c_str(), &info);
    state[entry.path().lexically_relative(folder).string()] =
        std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
        std::to_string(info.st_mtim.tv_nsec) + " " +
        (entry.is_regular_file() ? ReadFileBytes(entry.path()) : "folder");
  }
  return state;
}

// What the cache holds for each URL its log lists (the first line of a
// name wins): HTTP status and payload, the content after any MacBinary or
// stored HTTP header.
struct Cached {
  std::string status;
  std::string payload;
};
std::map<std::string, Cached> CachedResponses(const fs::path& cache) {
  std::map<std::string, std::string> urlOfStem;
  std::istringstream log(ReadFileBytes(cache / "CCHMGR20.DAT"));
  std::string line;
  std::getline(log, line);
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t comma = line.rfind(',');
    if (comma == std::string::npos) continue;
    std::string url = line.substr(0, comma);
    if (url.find("://") == std::string::npos) url = "http://" + url;
    const std::string stem = line.substr(comma + 1, line.find('.', comma) - comma - 1);
    urlOfStem.emplace(stem, url);
  }
  std::map<std::string, Cached> out;
  for (const auto& entry : fs::directory_iterator(cache)) {
    const std::string name = entry.path().filename().string();
    const auto found = urlOfStem.find(name.substr(0, name.find('.')));
    if (found == urlOfStem.end()) continue;
    std::string bytes = ReadFileBytes(entry.path());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    uint32_t dataLength = 0;
    if (bytes.size() >= 128 && IsMacBinaryHeader(data, bytes.size(), dataLength)) {
      bytes = bytes.substr(128, dataLength);
      data = reinterpret_cast<const unsigned char*>(bytes.data());
    }
    uint32_t skip = 0;
    uint32_t length = 0;
    Cached cached{"200", bytes};
    if (FindStoredHttpHeader(data, bytes.size(), skip, length)) {
      cached.status = bytes.substr(bytes.find(' ') + 1, 3);
      cached.payload = bytes.substr(skip, length);
    }
    out[found->second] = cached;
  }
  return out;
}

std::string ToHex(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

TEST(WarcExport, IndependentReaderFindsEveryCachedResponseAndTheCacheIsUntouched) {
  if (!fs::exists(test::BuiltProgramPath())) GTEST_SKIP() << "hoard-hoard is not built";
  const std::string warcio = test::Run("command -v warcio; command -v node");
  const std::string npmRoot = test::Run("npm root -g 2>/dev/null");
  const fs::path module = npmRoot.substr(0, npmRoot.find('\n')) + "/warcio/dist/index.js";
  if (warcio.find("warcio") == std::string::npos || warcio.find("node") == std::string::npos ||
      !fs::exists(module)) {
    GTEST_SKIP() << "node and the npm package warcio are needed (scripts/deps.sh native "
                    "installs them)";
  }
  struct Case {
    const char* sample;
    const char* warc;  // relative to the work folder
    int status;
  };
  const Case cases[] = {
      {"jch-cache", "out/jch.warc.gz", 0},
      {"special-cache", "out/special.warc.gz", 0},
      {"special-cache", "cache-inside/inside.warc.gz", 2},
      {"m-cache", "cache-inside/sub/inside.warc.gz", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + " " + c.warc);
    test::TempFolder work;
    test::TempFolder config;
    const fs::path cache = work.Path() / (fs::path(c.warc).parent_path().string() == "out"
                                              ? fs::path("cache")
                                              : fs::path("cache-inside"));
    fs::copy(fs::path(HOARD_SOURCE_DIR) / "examples" / c.sample, cache, fs::copy_options::recursive);
    fs::create_directories(work.Path() / "out");
    fs::create_directories(cache / "sub");
    const auto before = TreeState(cache);
    const test::ProgramResult run = test::RunBuiltProgram(
        work.Path(), config.Path(), {"--warc", c.warc, cache.string()});
    ASSERT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(TreeState(cache), before);
    if (c.status != 0) {
      EXPECT_NE(run.err.find("inside the cache folder"), std::string::npos) << run.err;
      continue;
    }
    const fs::path warc = work.Path() / c.warc;
    const std::map<std::string, Cached> expected = CachedResponses(cache);

    // The reader's records: warcinfo first, then one response per URL, with
    // the cache's status and payload.
    std::istringstream records(test::Run("node '" + std::string(HOARD_SOURCE_DIR) +
                                         "/tests/support/warc_reader.mjs' '" + warc.string() +
                                         "' '" + module.string() + "'"));
    std::vector<std::string> types;
    std::map<std::string, Cached> read;
    std::string type, uri, status, hex;
    size_t length = 0;
    while (records >> type >> uri >> status >> length >> hex) {
      types.push_back(type);
      if (hex == "-") hex.clear();
      EXPECT_EQ(length * 2, hex.size());
      if (type == "response") read[uri] = {status, hex};
    }
    ASSERT_EQ(types.size(), expected.size() + 1);
    EXPECT_EQ(types[0], "warcinfo");
    EXPECT_EQ(read.size(), expected.size());
    for (const auto& [url, cached] : expected) {
      SCOPED_TRACE(url);
      ASSERT_EQ(read.count(url), 1u);
      EXPECT_EQ(read[url].status, cached.status);
      EXPECT_EQ(read[url].payload, ToHex(cached.payload));
    }

    // The command-line indexes agree: every URL once, with its status.
    const std::string index = test::Run("warcio index '" + warc.string() + "'");
    std::map<std::string, std::string> cdxStatus;
    std::istringstream cdx(test::Run("warcio cdx-index '" + warc.string() + "'"));
    std::string line;
    while (std::getline(cdx, line)) {
      const size_t url = line.find("\"url\":\"") + 7;
      const size_t status = line.find("\"status\":\"") + 10;
      cdxStatus[line.substr(url, line.find('"', url) - url)] = line.substr(status, 3);
    }
    EXPECT_EQ(cdxStatus.size(), expected.size());
    for (const auto& [url, cached] : expected) {
      SCOPED_TRACE(url);
      EXPECT_NE(index.find("\"warc-target-uri\":\"" + url + "\""), std::string::npos) << index;
      EXPECT_EQ(cdxStatus[url], cached.status);
    }
  }
}

}  // namespace
}  // namespace hoard

// The image checks and the stored-header search over real files from the
// shared corpus: decoder test suites' valid and broken images with what real
// decoders say of each, the images of real site mirrors, and real cache files
// of other browsers and proxies.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "store/contentcheck.h"
#include "store/files.h"
#include "support/tempfolder.h"

namespace hoard {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = HOARD_SOURCE_DIR "/../shared/corpus";

// Empty when the corpus holds `part`; otherwise why the test is skipped.
std::string MissingCorpus(const char* part) {
  if (fs::exists(kCorpus / part)) return "";
  return "the shared corpus is not at " + (kCorpus / part).string() +
         "; these checks need its real files";
}

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// On a heap block of exactly n bytes, so that the sanitizer sees any read
// past its end.
bool Check(ImageChecker checker, const std::string& bytes, size_t n) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[n]);
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), block.get());
  return checker(block.get(), n);
}

// "ok", "warn" or "error" from the decoder that decodes all the data: djpeg
// for JPEG, gif2rgb for GIF (giftext does not decode the LZW data).
std::map<std::string, std::string> FullDecoderVerdicts() {
  std::map<std::string, std::string> verdicts;
  std::istringstream table(ReadWhole(kCorpus / "images/VERDICTS.tsv"));
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string file, decoder, verdict;
    std::getline(fields, file, '\t');
    std::getline(fields, decoder, '\t');
    std::getline(fields, verdict, '\t');
    if (decoder.rfind("djpeg", 0) == 0 || decoder.rfind("gif2rgb", 0) == 0) {
      verdicts[file] = verdict;
    }
  }
  return verdicts;
}

bool EndsWithNoCase(std::string text, std::string suffix) {
  auto upper = [](std::string s) {
    for (char& c : s) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
  };
  return text.size() >= suffix.size() &&
         upper(text.substr(text.size() - suffix.size())) == upper(suffix);
}

struct CorpusImage {
  std::string name;  // as VERDICTS.tsv names it: relative to images/
  ImageChecker checker;
  std::string bytes;
};

// Every image under images/ (kind from its folder) or, with `sites`, every
// GIF and JPEG of the site mirrors under html/ (kind from its extension).
std::vector<CorpusImage> LoadImages(bool sites) {
  std::vector<CorpusImage> images;
  const fs::path root = kCorpus / (sites ? "html" : "images");
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), kCorpus / "images").generic_string();
    ImageChecker checker = nullptr;
    if (sites) {
      if (EndsWithNoCase(relative, ".gif")) checker = IsBrokenGif;
      if (EndsWithNoCase(relative, ".jpg") || EndsWithNoCase(relative, ".jpeg")) {
        checker = IsBrokenJpeg;
      }
    } else {
      if (relative.rfind("gif/", 0) == 0) checker = IsBrokenGif;
      if (relative.rfind("jpeg/", 0) == 0) checker = IsBrokenJpeg;
    }
    if (checker != nullptr) images.push_back({relative, checker, ReadWhole(entry.path())});
  }
  std::sort(images.begin(), images.end(),
            [](const CorpusImage& a, const CorpusImage& b) { return a.name < b.name; });
  return images;
}

struct Agreement {
  int files = 0;
  int agreed = 0;
  std::string disagreements;
};

// How often "broken" matches a full decoder that did not just say ok.
std::map<ImageChecker, Agreement> CompareWithDecoders(const std::vector<CorpusImage>& images) {
  const std::map<std::string, std::string> verdicts = FullDecoderVerdicts();
  std::map<ImageChecker, Agreement> result;
  for (const CorpusImage& image : images) {
    const auto verdict = verdicts.find(image.name);
    EXPECT_NE(verdict, verdicts.end()) << image.name << " has no decoder verdict";
    if (verdict == verdicts.end()) continue;
    const bool ours = Check(image.checker, image.bytes, image.bytes.size());
    const bool theirs = verdict->second != "ok";
    Agreement& tally = result[image.checker];
    ++tally.files;
    if (ours == theirs) {
      ++tally.agreed;
    } else {
      tally.disagreements += "  " + image.name + ": ours " + (ours ? "broken" : "whole") +
                             ", decoder " + verdict->second + "\n";
    }
  }
  return result;
}

// The agreement is pinned: a change in it means the checks changed. The
// disagreements follow from what the checks look at by design:
//  GIF, whole to us but not to the decoder: frames outside the screen, zero
//    sizes, missing or short colour tables and bad LZW data are not examined;
//    stray bytes between blocks are stepped over; a file whose last block ends
//    the file needs no trailer.
//  GIF, broken to us only: a file with no image at all.
//  JPEG, whole to us only: segment contents and the entropy-coded data are not
//    examined (bad tables, sampling factors, progressive parameters, sizes,
//    a second SOI or SOF, lossless or hierarchical frames next to a baseline
//    one, data cut inside a scan that still ends with the end marker).
//  JPEG, broken to us only: fill bytes 0xFF before a marker are read as a
//    marker with a length; extended sequential (SOF1) and arithmetic-coded
//    frames are not counted as frames, and the latter have no Huffman table;
//    a wrong segment length throws the walk off.
TEST(ImageChecks, AgreeWithTheDecodersAsPinned) {
  if (const std::string why = MissingCorpus("images/VERDICTS.tsv"); !why.empty()) GTEST_SKIP() << why;
  const std::vector<CorpusImage> images = LoadImages(false);
  ASSERT_EQ(images.size(), 213u);
  std::map<ImageChecker, Agreement> result = CompareWithDecoders(images);
  struct Pinned {
    const char* what;
    ImageChecker checker;
    int files;
    int agreed;
  };
  const Pinned pinned[] = {
      {"GIF", IsBrokenGif, 87, 69},
      {"JPEG", IsBrokenJpeg, 126, 93},
  };
  for (const Pinned& p : pinned) {
    SCOPED_TRACE(p.what);
    const Agreement& tally = result[p.checker];
    EXPECT_EQ(tally.files, p.files);
    EXPECT_EQ(tally.agreed, p.agreed) << "disagreements:\n" << tally.disagreements;
  }
}

TEST(ImageChecks, FindEverySiteImageWhole) {
  if (const std::string why = MissingCorpus("html"); !why.empty()) GTEST_SKIP() << why;
  if (const std::string why = MissingCorpus("images/VERDICTS.tsv"); !why.empty()) GTEST_SKIP() << why;
  const std::vector<CorpusImage> images = LoadImages(true);
  ASSERT_EQ(images.size(), 152u);
  std::map<ImageChecker, Agreement> result = CompareWithDecoders(images);
  int files = 0;
  for (const auto& [checker, tally] : result) {
    files += tally.files;
    EXPECT_EQ(tally.agreed, tally.files) << "disagreements:\n" << tally.disagreements;
  }
  EXPECT_EQ(files, 152);
}

// Every cut of every image, read from a block of exactly the cut's size: the
// checks must end, and never look past the block, whatever the bytes claim.
// Short cuts are all tried; longer ones at evenly spread lengths.
TEST(ImageChecks, SurviveEveryCutOfEveryRealImage) {
  if (const std::string why = MissingCorpus("images"); !why.empty()) GTEST_SKIP() << why;
  std::vector<CorpusImage> images = LoadImages(false);
  if (fs::exists(kCorpus / "html")) {
    std::vector<CorpusImage> sites = LoadImages(true);
    images.insert(images.end(), sites.begin(), sites.end());
  }
  const std::map<std::string, std::string> verdicts =
      fs::exists(kCorpus / "images/VERDICTS.tsv") ? FullDecoderVerdicts()
                                                  : std::map<std::string, std::string>();
  constexpr size_t kEveryCutUpTo = 320;
  constexpr size_t kSpreadCuts = 48;
  size_t cuts = 0;
  for (const CorpusImage& image : images) {
    SCOPED_TRACE(image.name);
    const size_t size = image.bytes.size();
    for (size_t n = 0; n <= std::min(size, kEveryCutUpTo); ++n, ++cuts) {
      Check(image.checker, image.bytes, n);
    }
    // A JPEG that both we and the decoder find whole, and that ends with its
    // end marker, loses it to any real cut.
    const auto verdict = verdicts.find(image.name);
    const bool endsWhole = image.checker == IsBrokenJpeg && size >= 2 &&
                           image.bytes.compare(size - 2, 2, "\xFF\xD9") == 0 &&
                           verdict != verdicts.end() && verdict->second == "ok" &&
                           !Check(image.checker, image.bytes, size);
    for (size_t i = 1; i <= kSpreadCuts && size > kEveryCutUpTo; ++i, ++cuts) {
      const size_t n = kEveryCutUpTo + (size - kEveryCutUpTo) * i / kSpreadCuts;
      const bool broken = Check(image.checker, image.bytes, n);
      if (endsWhole && n < size) {
        EXPECT_TRUE(broken) << "cut at " << n;
      }
    }
  }
  EXPECT_GT(cuts, 100'000u);
}

// ---------------------------------------------------------------------------
// Stored response headers in real cache files.

std::vector<size_t> StatusLineOffsets(const std::string& bytes) {
  std::vector<size_t> offsets;
  for (size_t at = bytes.find("HTTP/1."); at != std::string::npos;
       at = bytes.find("HTTP/1.", at + 1)) {
    offsets.push_back(at);
  }
  return offsets;
}

bool FindInExactBlock(const std::string& bytes, uint32_t& skip, uint32_t& length) {
  std::unique_ptr<unsigned char[]> block(new unsigned char[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), block.get());
  return FindStoredHttpHeader(block.get(), bytes.size(), skip, length);
}

// Of all the response headers the real caches keep, only the proxy's, which
// stand right in front of the body and open with Date and Server, are
// found. The browsers keep theirs in metadata after the body, with other
// openings and without the empty line.
TEST(FindStoredHttpHeader, FindsOnlyTheHeadersThatStandBeforeTheBody) {
  if (const std::string why = MissingCorpus("cache"); !why.empty()) GTEST_SKIP() << why;
  std::vector<std::string> found;
  int statusLines = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus / "cache")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), kCorpus / "cache").generic_string();
    SCOPED_TRACE(name);
    const std::string bytes = ReadWhole(entry.path());
    uint32_t skip = 0;
    uint32_t length = 0;
    // None of the files begins with its header.
    EXPECT_FALSE(FindInExactBlock(bytes, skip, length));
    for (size_t at : StatusLineOffsets(bytes)) {
      ++statusLines;
      if (FindInExactBlock(bytes.substr(at), skip, length)) found.push_back(name);
    }
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(statusLines, 51);
  EXPECT_EQ(found, (std::vector<std::string>{"namazu-apachecache/en-apachecache.txt",
                                             "namazu-apachecache/ja-apachecache.txt"}));
}

// The proxy's cache files from their status line on, as a browser would have
// stored them: the move into the mirror keeps exactly the original page.
TEST(MoveStripped, LeavesTheOriginalPageOfARealStoredResponse) {
  if (const std::string why = MissingCorpus("cache/namazu-apachecache"); !why.empty()) GTEST_SKIP() << why;
  const fs::path folder = kCorpus / "cache/namazu-apachecache";
  for (const char* language : {"en", "ja"}) {
    SCOPED_TRACE(language);
    const std::string stored = ReadWhole(folder / (std::string(language) + "-apachecache.txt"));
    const std::string page = ReadWhole(folder / (std::string(language) + "-html.html"));
    const size_t status = stored.find("\r\nHTTP/1.1 ");
    ASSERT_NE(status, std::string::npos);

    test::TempFolder cache;
    fs::create_directory(cache.Path() / "mirror");
    cache.Write("JCH00001.HTM", stored.substr(status + 2));
    FileRef source;
    FileRef destination;
    ASSERT_EQ(MakeFileRef(cache.Join("JCH00001.HTM").c_str(), source), kNoError);
    ASSERT_NE(MakeFileRef(cache.Join(std::string("mirror") + PathSeparator()).c_str(),
                          destination),
              kBadName);
    ASSERT_EQ(MoveStripped(source, destination, kStripMacBinary | kStripHttpHeader), kNoError);
    EXPECT_EQ(cache.Read("mirror/JCH00001.HTM"), page);
  }
}

}  // namespace
}  // namespace hoard

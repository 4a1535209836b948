// The property that matters most: a link rewritten in mode 0, once a browser
// has decoded it, names exactly the folders and the file that the output
// folders and mode 1 make for the same URL. Checked over thousands of
// generated URLs on every run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "pipeline/outputfolders.h"
#include "store/textconv.h"
#include "support/mapping.h"
#include "support/urlgen.h"
#include "urlmap/siterules.h"
#include "urlmap/urlmap.h"

namespace hoard {
namespace {

constexpr int kGeneratedUrls = 6000;

using test::Link;

std::string MapFileName(const std::string& rest) {
  std::vector<char> source(1024, '\0');
  std::memcpy(source.data(), rest.data(), std::min(rest.size(), source.size() - 1));
  std::vector<char> name(kLocalNameBufferBytes, '\0');
  MapUrlToLocalPath(name.data(), name.size(), source.data(), source.size(), kMapFileName);
  return name.data();
}

// Where the pipeline stores the URL: the folders, then the file name.
std::vector<std::string> StoredPlace(const std::string& url) {
  std::vector<char> path(url.begin(), url.end());
  path.push_back('\0');
  const char* p = path.data() + LinkSchemeLength(path.data());
  std::vector<std::string> place;
  FolderName name{};
  size_t length = 0;
  while (NextOutputFolder(p, name, length)) place.emplace_back(name.data(), length);
  const std::string rest = *p != '\0' ? p : "index.html";
  place.push_back(MapFileName(rest));
  return place;
}

// What the rewritten link names once decoded: its components after the
// scheme, a link to a folder meaning the folder's page.
std::vector<std::string> LinkedPlace(const std::string& link) {
  return test::DecodedPlace(Link(link));
}

std::string Joined(const std::vector<std::string>& place) {
  std::string text;
  for (const std::string& part : place) text += "[" + part + "]";
  return text;
}

// A name every platform can create, inside the folder it is made in.
bool IsSafeName(const std::string& name) {
  if (name.empty() || name.size() > 31) return false;
  const char last = name.back();
  if (last == '.' || last == ' ') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(name.c_str() + i);
    if (i + 1 < name.size() && IsSjisPair(p)) {
      ++i;
      continue;
    }
    if (*p < 0x20 || *p == 0x7F || *p == '/' || *p == '\\' || *p == ':') return false;
  }
  return true;
}

TEST(MapUrlToLocalPath, LinkNamesTheStoredPlaceForGeneratedUrls) {
  test::UrlGenerator generator(20240607);
  const auto start = std::chrono::steady_clock::now();
  int failures = 0;
  for (int i = 0; i < kGeneratedUrls && failures < 8; ++i) {
    const std::string url = generator.NextText();
    const std::vector<std::string> stored = StoredPlace(url);
    for (const std::string& link : {url, test::HtmlEscaped(url)}) {
      const std::vector<std::string> linked = LinkedPlace(link);
      if (linked != stored) {
        ++failures;
        ADD_FAILURE() << "url " << url << "\n  link   " << Link(link) << "\n  linked "
                      << Joined(linked) << "\n  stored " << Joined(stored);
        break;
      }
    }
    for (const std::string& part : stored) {
      if (!IsSafeName(part)) {
        ++failures;
        ADD_FAILURE() << "url " << url << " gives the unsafe name [" << part << "]";
      }
    }
  }
  const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  RecordProperty("urls", kGeneratedUrls);
  RecordProperty("milliseconds", static_cast<int>(elapsed.count() * 1000));
}

TEST(MapUrlToLocalPath, LinkNamesTheStoredPlaceForSearchResultPages) {
  test::UrlGenerator generator(20261207);
  int failures = 0;
  for (int i = 0; i < kGeneratedUrls / 2 && failures < 8; ++i) {
    const std::string url = generator.NextSearchUrl();
    const std::vector<std::string> stored = StoredPlace(url);
    for (const std::string& link : {url, test::HtmlEscaped(url)}) {
      if (LinkedPlace(link) != stored) {
        ++failures;
        ADD_FAILURE() << "url " << url << "\n  link   " << Link(link) << "\n  stored "
                      << Joined(stored);
        break;
      }
    }
    if (!IsSafeName(stored.back())) {
      ++failures;
      ADD_FAILURE() << "url " << url << " gives the unsafe name [" << stored.back() << "]";
    }
  }
}

// Where the pipeline stores a URL of the services the whole-URL rules know:
// those rules first, then the folders and the file name.
std::vector<std::string> StoredServicePlace(const std::string& url) {
  std::vector<char> path(1024, '\0');
  ApplyWholeUrlRules(path.data(), path.size(), url.c_str());
  return StoredPlace(path.data());
}

TEST(MapUrlToLocalPath, LinkNamesTheStoredPlaceForServicePages) {
  test::UrlGenerator generator(20261208);
  int failures = 0;
  for (int i = 0; i < kGeneratedUrls / 2 && failures < 8; ++i) {
    const std::string url = generator.ServiceUrl();
    const std::vector<std::string> stored = StoredServicePlace(url);
    for (const std::string& link : {url, test::HtmlEscaped(url)}) {
      if (LinkedPlace(link) != stored) {
        ++failures;
        ADD_FAILURE() << "url " << url << "\n  link   " << Link(link) << "\n  linked "
                      << Joined(LinkedPlace(link)) << "\n  stored " << Joined(stored);
        break;
      }
    }
    for (const std::string& part : stored) {
      if (!IsSafeName(part)) {
        ++failures;
        ADD_FAILURE() << "url " << url << " gives the unsafe name [" << part << "]";
      }
    }
  }
}

// Service addresses cut short or with stray bytes: whatever the text, the
// rules stay inside their buffers and every name stays creatable.
TEST(MapUrlToLocalPath, DamagedServiceAddressesGiveSafeNames) {
  test::UrlGenerator generator(20261209);
  const char kStray[] = {'&', '?', '_', '/', '%', '+', '=', '\x81', '\xE0', '0', 'T'};
  int failures = 0;
  for (int i = 0; i < kGeneratedUrls / 2 && failures < 8; ++i) {
    std::string url = generator.ServiceUrl();
    for (size_t n = 1 + generator.Below(3); n > 0; --n) {
      const size_t at = generator.Below(url.size() + 1);
      if (generator.OneIn(3)) {
        url.resize(std::max<size_t>(at, 1));
      } else {
        url.insert(url.begin() + static_cast<long>(at), kStray[generator.Below(sizeof kStray)]);
      }
    }
    Link(url);
    // A '?' right after '_' is a name byte by the scan's own rule, which the
    // file layer answers for; such texts are left to its tests.
    if (url.find("_?") != std::string::npos) continue;
    for (const std::string& part : StoredServicePlace(url)) {
      if (!IsSafeName(part) && !part.empty()) {
        ++failures;
        ADD_FAILURE() << "url " << url << " gives the unsafe name [" << part << "]";
      }
    }
  }
}

TEST(UrlGenerator, GivesTheSameUrlsForTheSameSeed) {
  test::UrlGenerator first(7);
  test::UrlGenerator second(7);
  test::UrlGenerator other(8);
  bool differs = false;
  for (int i = 0; i < 50; ++i) {
    const std::string url = first.NextText();
    EXPECT_EQ(url, second.NextText());
    differs = differs || url != other.NextText();
  }
  EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace hoard

#include "support/tempfolder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace hoard::test {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "hoard-test-" << stamp << "-" << counter++;
  path_ = std::filesystem::temp_directory_path() / name.str();
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Text() const {
  std::string text = path_.string();
  const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
  if (text.empty() || text.back() != separator) text += separator;
  return text;
}

std::string TempFolder::Join(const std::string& name) const { return Text() + name; }

void TempFolder::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::Read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempFolder::Exists(const std::string& name) const {
  return std::filesystem::exists(path_ / name);
}

}  // namespace hoard::test

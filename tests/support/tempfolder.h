// A fresh folder for a test, removed with everything in it afterwards, and
// small helpers to write and read files there.
#pragma once

#include <filesystem>
#include <string>

namespace hoard::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder's path in the platform's form, ending with its separator.
  std::string Text() const;
  // The path of `name` inside the folder, in the platform's form.
  std::string Join(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Restores the current directory when it goes out of scope.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~CurrentFolderGuard() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

}  // namespace hoard::test

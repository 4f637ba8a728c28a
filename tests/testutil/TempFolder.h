#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends.

#include <filesystem>
#include <string>

namespace xxj::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Writes a file (creating parent folders) and returns its path.
  std::filesystem::path WriteFile(const std::string& relative, const std::string& bytes) const;
  static std::string ReadFile(const std::filesystem::path& path);

 private:
  std::filesystem::path path_;
};

}  // namespace xxj::testing

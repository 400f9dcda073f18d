#pragma once
// A folder of its own for one test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

namespace vantel_test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The full path of `name` inside the folder, as the library's own path text.
  std::string File(const std::string& name) const;
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

}  // namespace vantel_test

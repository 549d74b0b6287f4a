// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <stdlib.h>

namespace svx::test {

class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "svxtest-XXXXXX").string();
    char* made = mkdtemp(templ.data());
    path_ = made ? std::filesystem::path(made) : std::filesystem::path();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }

  // Creates a file (and its folders) below the temporary folder.
  std::filesystem::path Write(const std::string& relative, const std::string& content = "") const {
    auto full = path_ / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
  }
  std::filesystem::path MakeDir(const std::string& relative) const {
    auto full = path_ / relative;
    std::filesystem::create_directories(full);
    return full;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Has(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::symlink_status(path_ / relative));
  }

 private:
  std::filesystem::path path_;
};

}  // namespace svx::test

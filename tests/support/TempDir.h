// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace svx::test {

class TempDir {
 public:
  TempDir() {
    // create_directory fails on an existing name, so a name another process
    // took first is skipped, as mkdtemp would; this also builds for Windows.
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100 && !ec; ++attempt) {
      auto candidate = base / ("svxtest-" + std::to_string(random() % 1000000000000ull));
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        break;
      }
    }
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

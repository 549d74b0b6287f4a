// Wraps a FileSystem and refuses chosen operations, the way a file held open by
// another program or a failing disk would. Tests run as root in CI, so
// permission bits cannot be relied on to make a call fail.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/WindowsPath.h"

namespace svx::test {

class PrepFaultyFileSystem : public FileSystem {
 public:
  explicit PrepFaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  // Operations on a path whose last component equals name (any letter case)
  // fail without touching the file.
  void RefuseRename(const std::string& name) { refuseRename_.insert(Fold(name)); }
  void RefuseRemove(const std::string& name) { refuseRemove_.insert(Fold(name)); }
  // Files opened for update accept no writes / fail their close (after writing).
  bool refuseWrite = false;
  bool refuseClose = false;

  // Another program at work right after a listing, before the pass acts on it.
  std::function<void(const std::string& pattern)> afterEnumerate;

  int renames = 0;
  int removes = 0;

  PathKind Kind(const std::string& path) override { return inner_.Kind(path); }
  std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) override {
    auto names = inner_.Enumerate(pattern);
    if (afterEnumerate) afterEnumerate(pattern);
    return names;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    ++renames;
    if (refuseRename_.count(LastFolded(from))) return false;
    return inner_.Rename(from, to);
  }
  bool Remove(const std::string& path) override {
    ++removes;
    if (refuseRemove_.count(LastFolded(path))) return false;
    return inner_.Remove(path);
  }
  RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) override {
    ++removes;
    if (refuseRemove_.count(LastFolded(source))) return RemovalOutcome::kFailed;
    return inner_.RemoveRedundant(source, target);
  }
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override {
    auto file = inner_.OpenForUpdate(path);
    if (!file) return nullptr;
    return std::make_unique<File>(std::move(file), refuseWrite, refuseClose);
  }
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override {
    return inner_.ReadFile(path, maxBytes);
  }
  void BeginPass() override { inner_.BeginPass(); }
  void EndPass() override { inner_.EndPass(); }

 private:
  class File : public UpdateFile {
   public:
    File(std::unique_ptr<UpdateFile> inner, bool refuseWrite, bool refuseClose)
        : inner_(std::move(inner)), refuseWrite_(refuseWrite), refuseClose_(refuseClose) {}
    bool Write(const void* data, size_t size) override {
      return !refuseWrite_ && inner_->Write(data, size);
    }
    bool Close() override { return inner_->Close() && !refuseClose_; }

   private:
    std::unique_ptr<UpdateFile> inner_;
    bool refuseWrite_, refuseClose_;
  };

  static std::string Fold(const std::string& s) {
    std::string out;
    for (char c : s) out += FoldCase(c);
    return out;
  }
  static std::string LastFolded(const std::string& path) {
    const std::optional<WindowsPath> parsed = ParseWindowsPath(path);
    return parsed && !parsed->parts.empty() ? Fold(parsed->parts.back()) : std::string();
  }

  FileSystem& inner_;
  std::set<std::string> refuseRename_, refuseRemove_;
};

}  // namespace svx::test

// A deterministic in-memory FileSystem with Windows semantics: names match
// without regard to letter case, "\" and "/" both separate, empty components
// (doubled separators) count for nothing. Entries keep the letter case they
// were created with; listings come in case-folded name order. Every path asked
// about is recorded as it was asked, so a test can see how paths were built.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/WindowsPath.h"

namespace svx::test {

class MemoryFileSystem : public FileSystem {
 public:
  // Creates a file and any missing folders above it.
  void AddFile(const std::string& path, const std::string& content = "") {
    auto parts = Split(path);
    AddFolders(parts, parts.size() - 1);
    entries_[Key(parts, parts.size())] = Entry{PathKind::kFile, parts.back(), content, ++lastId_};
  }
  void AddFolder(const std::string& path) {
    auto parts = Split(path);
    AddFolders(parts, parts.size());
  }
  std::optional<std::string> Content(const std::string& path) const {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return std::nullopt;
    return it->second.content;
  }
  // Every file by its folded path, with its content.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& [key, entry] : entries_) {
      if (entry.kind == PathKind::kFile) files[key] = entry.content;
    }
    return files;
  }
  // The names as stored (letter case kept) of the entries directly in folder.
  std::vector<std::string> List(const std::string& folder) const {
    std::vector<std::string> names;
    const std::string prefix = Key(folder) + "\\";
    for (const auto& [key, entry] : entries_) {
      if (IsDirectChild(key, prefix)) names.push_back(entry.name);
    }
    return names;
  }

  int passDepth = 0;
  int passesBegun = 0;
  std::vector<std::string> asked;  // by Kind and ReadFile
  std::vector<size_t> readLimits;  // of each ReadFile

  PathKind Kind(const std::string& path) override {
    asked.push_back(path);
    auto it = entries_.find(Key(path));
    return it == entries_.end() ? PathKind::kMissing : it->second.kind;
  }

  std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) override {
    auto parts = Split(pattern);
    std::vector<std::string> names;
    if (parts.empty()) return names;
    const std::string prefix = Key(parts, parts.size() - 1) + "\\";
    for (const auto& [key, entry] : entries_) {
      if (IsDirectChild(key, prefix) && MatchesWildcard(entry.name, parts.back())) {
        names.push_back(entry.name);
      }
    }
    return names;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    const std::string fromKey = Key(from), toKey = Key(to);
    auto src = entries_.find(fromKey);
    if (src == entries_.end() || entries_.count(toKey)) return false;
    auto toParts = Split(to);
    if (!entries_.count(Key(toParts, toParts.size() - 1))) return false;
    // A folder takes everything below it along.
    std::map<std::string, Entry> moved;
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->first == fromKey || it->first.rfind(fromKey + "\\", 0) == 0) {
        moved[toKey + it->first.substr(fromKey.size())] = it->second;
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
    moved[toKey].name = toParts.back();
    entries_.merge(moved);
    return true;
  }

  bool Remove(const std::string& path) override {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return false;
    entries_.erase(it);
    return true;
  }

  // Nothing is cached and nothing else runs here, so the stored state is the
  // disk's and nothing moves while the source goes.
  RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) override {
    auto src = entries_.find(Key(source));
    if (src == entries_.end()) return RemovalOutcome::kSourceGone;
    auto dst = entries_.find(Key(target));
    if (dst == entries_.end()) return RemovalOutcome::kTargetGone;
    if (dst->second.kind != PathKind::kFile || dst->second.id == src->second.id) {
      return RemovalOutcome::kNotRedundant;
    }
    return Remove(source) ? RemovalOutcome::kRemoved : RemovalOutcome::kFailed;
  }

  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return nullptr;
    return std::make_unique<File>(it->second.content);
  }

  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override {
    asked.push_back(path);
    readLimits.push_back(maxBytes);
    auto content = Content(path);
    if (!content || content->size() > maxBytes) return std::nullopt;
    return content;
  }

  void BeginPass() override {
    ++passDepth;
    ++passesBegun;
  }
  void EndPass() override { --passDepth; }

 private:
  struct Entry {
    PathKind kind;
    std::string name;
    std::string content;
    uint64_t id;  // kept across renames, as a file keeps its identity
  };

  // Writes land in the stored content at once; the file is positioned at 0.
  class File : public UpdateFile {
   public:
    explicit File(std::string& content) : content_(content) {}
    bool Write(const void* data, size_t size) override {
      const char* bytes = static_cast<const char*>(data);
      if (content_.size() < pos_ + size) content_.resize(pos_ + size);
      content_.replace(pos_, size, bytes, size);
      pos_ += size;
      return true;
    }
    bool Close() override { return true; }

   private:
    std::string& content_;
    size_t pos_ = 0;
  };

  // A drive letter is the first component; a relative path starts at the top.
  static std::vector<std::string> Split(const std::string& path) {
    std::optional<WindowsPath> parsed = ParseWindowsPath(path);
    if (!parsed) return {};
    std::vector<std::string> parts;
    if (parsed->start == WindowsPath::Start::kDrive) parts.push_back({parsed->drive, ':'});
    parts.insert(parts.end(), parsed->parts.begin(), parsed->parts.end());
    return parts;
  }
  static std::string Key(const std::vector<std::string>& parts, size_t count) {
    std::string key;
    for (size_t i = 0; i < count; ++i) {
      key += "\\";
      for (char c : parts[i]) key += FoldCase(c);
    }
    return key;
  }
  static std::string Key(const std::string& path) {
    auto parts = Split(path);
    return Key(parts, parts.size());
  }
  static bool IsDirectChild(const std::string& key, const std::string& prefix) {
    return key.size() > prefix.size() && key.rfind(prefix, 0) == 0 &&
           key.find('\\', prefix.size()) == std::string::npos;
  }
  void AddFolders(const std::vector<std::string>& parts, size_t count) {
    for (size_t i = 1; i <= count; ++i) {
      entries_.try_emplace(Key(parts, i), Entry{PathKind::kFolder, parts[i - 1], "", ++lastId_});
    }
  }

  std::map<std::string, Entry> entries_;
  uint64_t lastId_ = 0;
};

}  // namespace svx::test

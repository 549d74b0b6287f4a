// Test doubles for the services the installation checks use.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ProfileReader.h"
#include "platform/Registry.h"
#include "platform/WindowFinder.h"

namespace svx::test {

// Files and folders by the exact path the code asks for; records every path
// asked about, so a test can see how paths were built.
class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> folders;
  std::vector<std::string> asked;
  std::vector<size_t> readLimits;

  PathKind Kind(const std::string& path) override {
    asked.push_back(path);
    if (files.count(path)) return PathKind::kFile;
    for (const auto& f : folders) {
      if (f == path) return PathKind::kFolder;
    }
    return PathKind::kMissing;
  }
  std::optional<std::vector<std::string>> Enumerate(const std::string&) override {
    return std::vector<std::string>{};
  }
  bool Rename(const std::string&, const std::string&) override { return false; }
  bool Remove(const std::string&) override { return false; }
  RemovalOutcome RemoveRedundant(const std::string&, const std::string&) override {
    return RemovalOutcome::kFailed;
  }
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string&) override { return nullptr; }
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override {
    asked.push_back(path);
    readLimits.push_back(maxBytes);
    auto it = files.find(path);
    if (it == files.end() || it->second.size() > maxBytes) return std::nullopt;
    return it->second;
  }
};

class FakeRegistry : public Registry {
 public:
  std::optional<std::string> answer;
  std::string key, value;
  size_t maxBytes = 0;
  std::optional<std::string> ReadLocalMachineString(const std::string& k, const std::string& v,
                                                    size_t max) override {
    key = k;
    value = v;
    maxBytes = max;
    return answer;
  }
};

class FakeWindowFinder : public WindowFinder {
 public:
  std::vector<std::string> titles;
  std::string asked;
  bool TopLevelWindowExists(const std::string& title) override {
    asked = title;
    for (const auto& t : titles) {
      if (t == title) return true;
    }
    return false;
  }
};

class FakeProfileReader : public ProfileReader {
 public:
  std::optional<std::string> value;  // nothing: the default is returned
  std::string section, key, defaultValue, path;
  size_t bufferSize = 0;
  std::string GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                               const std::string& p, size_t size) override {
    section = s;
    key = k;
    defaultValue = d;
    path = p;
    bufferSize = size;
    return value ? *value : d;
  }
};

}  // namespace svx::test

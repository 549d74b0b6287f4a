// Test doubles for the platform's services other than the file system (see
// MemoryFileSystem.h): each answers what the test chose and records what it was
// asked.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/ProductConfig.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProfileReader.h"
#include "platform/Registry.h"
#include "platform/WindowFinder.h"
#include "support/MemoryFileSystem.h"

namespace svx::test {

class FakeRegistry : public Registry {
 public:
  std::optional<std::string> setupPath;  // the answer to any query
  std::string key, value;                // of the last query
  size_t maxBytes = 0;
  std::optional<std::string> ReadLocalMachineString(const std::string& k, const std::string& v,
                                                    size_t max) override {
    key = k;
    value = v;
    maxBytes = max;
    return setupPath;
  }
};

class FakeWindowFinder : public WindowFinder {
 public:
  std::vector<std::string> titles;  // of the windows open
  std::string asked;
  bool TopLevelWindowExists(const std::string& title) override {
    asked = title;
    for (const auto& t : titles) {
      if (t == title) return true;
    }
    return false;
  }
};

// Answers with the value stored for a file's path, whatever the section and
// key, else with the default, as a missing file does.
class FakeProfileReader : public ProfileReader {
 public:
  std::map<std::string, std::string> values;  // path -> value
  std::vector<std::string> pathsRead;
  std::string section, key, defaultValue;  // of the last read
  size_t bufferSize = 0;
  std::string GetProfileString(const std::string& s, const std::string& k, const std::string& d,
                               const std::string& path, size_t size) override {
    pathsRead.push_back(path);
    section = s;
    key = k;
    defaultValue = d;
    bufferSize = size;
    auto it = values.find(path);
    return it == values.end() ? d : it->second;
  }
};

class FakeProcessLauncher : public ProcessLauncher {
 public:
  std::optional<std::string> failure;  // the system's text when starting fails
  std::vector<std::string> started;
  std::vector<std::string> simFolders;  // the folder each start was for
  std::optional<std::string> StartDetached(const std::string& commandLine) override {
    started.push_back(commandLine);
    return failure;
  }
  std::optional<std::string> StartDetachedFor(const std::string& commandLine,
                                              const std::string& simFolder) override {
    simFolders.push_back(simFolder);
    return StartDetached(commandLine);
  }
};

// The services a dialog's behaviour takes, all fake.
struct FakePlatform {
  MemoryFileSystem files;
  FakeRegistry registry;
  FakeWindowFinder windows;
  FakeProfileReader profiles;
  FakeProcessLauncher processes;
  Platform platform{files, registry, windows, profiles, processes};

  // A folder the folder test accepts, with the add-on's version file saying
  // version (nothing: no version file).
  void AddSimulator(const std::string& folder, std::optional<std::string> version) {
    files.AddFile(folder + "\\TERRAIN.CFG");
    if (!version) return;
    profiles.values[folder + "\\" + TheProductConfig().ProductFolder() + "\\PRODUCT.INI"] =
        *version;
  }
};

}  // namespace svx::test

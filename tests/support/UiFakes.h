// Test doubles for the dialogs' behaviour: views that record what the user
// would see and answer questions from a script, and platform services whose
// answers a test chooses.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/ProductConfig.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProfileReader.h"
#include "platform/Registry.h"
#include "platform/Wildcard.h"
#include "platform/WindowFinder.h"
#include "prep/Preparation.h"
#include "ui/LocationDialog.h"
#include "ui/MainWindow.h"

// A namespace of their own: other test helpers in the same executable define
// fakes of the same names, and two definitions of one class would clash.
namespace svx::uitest {

struct ShownMessage {
  std::string text;
  std::string caption;
  int style = 0;
  bool operator==(const ShownMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ShownMessage& m) {
  return os << "{\"" << m.text << "\", \"" << m.caption << "\", " << m.style << "}";
}

// Records every message box and answers the Yes/No ones in script order. A
// question nobody scripted fails the test rather than guessing an answer.
class MessageRecorder {
 public:
  std::vector<ShownMessage> messages;
  std::deque<int> answers;

  int Record(const std::string& text, const std::string& caption, int style) {
    messages.push_back({text, caption, style});
    if (style != kStyleYesNo) return kAnswerOk;
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted question: " << text;
      return kAnswerNo;
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class FakeMainView : public MainView {
 public:
  MainValues controls;  // what the window's fields show
  MessageRecorder box;
  std::map<int, bool> enabled;  // every control starts enabled, as in the template
  std::vector<int> endResults;
  StatusImage image = StatusImage::kNone;
  int busyDepth = 0;
  int busyRuns = 0;
  int pumpWaits = 0;
  int aboutRuns = 0;
  int locationRuns = 0;
  // Runs inside a pumping wait, as a key press dispatched there would.
  std::function<void()> duringWait;
  // Plays the user's part in the change-location dialog; returns how it ended.
  std::function<int(LocationDialog&)> locationScript;

  bool Enabled(int id) const {
    auto it = enabled.find(id);
    return it == enabled.end() || it->second;
  }
  const std::vector<ShownMessage>& Messages() const { return box.messages; }

  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    return box.Record(text, caption, style);
  }
  void ShowValues(const MainValues& values) override { controls = values; }
  void CollectValues(MainValues& values) override { values = controls; }
  void EnableControl(int id, bool enable) override { enabled[id] = enable; }
  void SetStatusImage(StatusImage i) override { image = i; }
  void EndDialog(int result) override { endResults.push_back(result); }
  void BeginBusy() override {
    ++busyDepth;
    ++busyRuns;
  }
  void EndBusy() override { --busyDepth; }
  int PumpWait(int, int) override {
    ++pumpWaits;
    if (duringWait) {
      auto once = std::move(duringWait);
      duringWait = nullptr;
      once();
    }
    return 0;
  }
  int RunLocationDialog(LocationDialog& dialog) override {
    ++locationRuns;
    if (!locationScript) {
      ADD_FAILURE() << "change-location dialog opened without a script";
      return kResultCancel;
    }
    return locationScript(dialog);
  }
  void RunAboutBox() override { ++aboutRuns; }
};

class FakeLocationView : public LocationView {
 public:
  LocationValues controls;
  MessageRecorder box;
  std::vector<StatusImage> images;
  std::vector<int> endResults;
  std::vector<std::string> browseTitles;
  std::deque<std::optional<std::string>> picks;  // what the folder chooser returns

  // What the user types into the new-folder field.
  void Type(const std::string& text) { controls.newFolder = text; }
  StatusImage Image() const { return images.empty() ? StatusImage::kNone : images.back(); }
  bool Ended() const { return !endResults.empty(); }
  const std::vector<ShownMessage>& Messages() const { return box.messages; }

  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    return box.Record(text, caption, style);
  }
  void ShowValues(const LocationValues& values) override { controls = values; }
  void CollectValues(LocationValues& values) override { values = controls; }
  void SetStatusImage(StatusImage image) override { images.push_back(image); }
  void EndDialog(int result) override { endResults.push_back(result); }
  std::optional<std::string> BrowseForFolder(const std::string& title) override {
    browseTitles.push_back(title);
    if (picks.empty()) return std::nullopt;
    auto pick = picks.front();
    picks.pop_front();
    return pick;
  }
};

class FakeRegistry : public Registry {
 public:
  std::optional<std::string> setupPath;
  std::optional<std::string> ReadLocalMachineString(const std::string&, const std::string&,
                                                    size_t) override {
    return setupPath;
  }
};

class FakeWindowFinder : public WindowFinder {
 public:
  bool simulatorRunning = false;
  bool TopLevelWindowExists(const std::string&) override { return simulatorRunning; }
};

// Answers with the version stored for a file path, else with the default, as
// a missing file does.
class FakeProfileReader : public ProfileReader {
 public:
  std::map<std::string, std::string> versions;  // path of PRODUCT.INI -> version
  std::vector<std::string> pathsRead;
  std::string GetProfileString(const std::string&, const std::string&,
                               const std::string& defaultValue, const std::string& path,
                               size_t) override {
    pathsRead.push_back(path);
    auto it = versions.find(path);
    return it == versions.end() ? defaultValue : it->second;
  }
};

class FakeProcessLauncher : public ProcessLauncher {
 public:
  std::optional<std::string> failure;  // the system's text when starting fails
  std::vector<std::string> started;
  std::optional<std::string> StartDetached(const std::string& commandLine) override {
    started.push_back(commandLine);
    return failure;
  }
};

// A case-insensitive file system in memory with Windows path rules: "\" or
// "/" separators, doubled ones included. Enough for the folder test, the
// preparation pass and the unlock of the patch file.
class MemoryFileSystem : public FileSystem {
 public:
  void AddFile(const std::string& path, const std::string& content = "") {
    AddParents(path);
    entries_[Key(path)] = {Tidy(path), PathKind::kFile, content};
  }
  void AddFolder(const std::string& path) {
    AddParents(path);
    entries_[Key(path)] = {Tidy(path), PathKind::kFolder, ""};
  }
  std::optional<std::string> Content(const std::string& path) const {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return std::nullopt;
    return it->second.content;
  }
  // Every file, by the name it has now, with its content.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& [key, e] : entries_) {
      if (e.kind == PathKind::kFile) files[e.shown] = e.content;
    }
    return files;
  }

  PathKind Kind(const std::string& path) override {
    auto it = entries_.find(Key(path));
    return it == entries_.end() ? PathKind::kMissing : it->second.kind;
  }
  std::vector<std::string> Enumerate(const std::string& pattern) override {
    std::string tidy = Tidy(pattern);
    size_t cut = tidy.rfind('/');
    std::string folder = cut == std::string::npos ? "" : Key(tidy.substr(0, cut));
    std::string last = cut == std::string::npos ? tidy : tidy.substr(cut + 1);
    std::vector<std::string> names;
    for (const auto& [key, e] : entries_) {
      if (Parent(key) != folder) continue;
      std::string name = e.shown.substr(e.shown.rfind('/') + 1);
      if (MatchesWildcard(name, last)) names.push_back(name);
    }
    return names;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    auto it = entries_.find(Key(from));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return false;
    if (entries_.count(Key(to))) return false;
    Entry moved = it->second;
    moved.shown = Tidy(to);
    entries_.erase(it);
    entries_[Key(to)] = moved;
    return true;
  }
  bool Remove(const std::string& path) override {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return false;
    entries_.erase(it);
    return true;
  }
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || it->second.kind != PathKind::kFile) return nullptr;
    return std::make_unique<MemoryUpdateFile>(it->second.content);
  }
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override {
    auto content = Content(path);
    if (!content || content->size() > maxBytes) return std::nullopt;
    return content;
  }

 private:
  struct Entry {
    std::string shown;  // the path as created or renamed, "/" separators
    PathKind kind = PathKind::kMissing;
    std::string content;
  };

  class MemoryUpdateFile : public UpdateFile {
   public:
    explicit MemoryUpdateFile(std::string& content) : content_(content) {}
    bool Write(const void* data, size_t size) override {
      const char* bytes = static_cast<const char*>(data);
      for (size_t i = 0; i < size; ++i, ++pos_) {
        if (pos_ < content_.size()) {
          content_[pos_] = bytes[i];
        } else {
          content_.push_back(bytes[i]);
        }
      }
      return true;
    }
    bool Close() override { return true; }

   private:
    std::string& content_;
    size_t pos_ = 0;
  };

  // Separators unified and collapsed, no trailing one.
  static std::string Tidy(const std::string& path) {
    std::string out;
    for (char c : path) {
      if (c == '\\') c = '/';
      if (c == '/' && !out.empty() && out.back() == '/') continue;
      out.push_back(c);
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
  }
  static std::string Key(const std::string& path) {
    std::string key = Tidy(path);
    for (char& c : key) c = FoldCase(c);
    return key;
  }
  static std::string Parent(const std::string& key) {
    size_t cut = key.rfind('/');
    return cut == std::string::npos ? "" : key.substr(0, cut);
  }
  void AddParents(const std::string& path) {
    std::string tidy = Tidy(path);
    for (size_t cut = tidy.find('/', 1); cut != std::string::npos; cut = tidy.find('/', cut + 1)) {
      std::string folder = tidy.substr(0, cut);
      if (!entries_.count(Key(folder))) entries_[Key(folder)] = {folder, PathKind::kFolder, ""};
    }
  }

  std::map<std::string, Entry> entries_;
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
    profiles.versions[folder + "\\" + TheProductConfig().ProductFolder() + "\\PRODUCT.INI"] =
        *version;
  }
};

}  // namespace svx::uitest

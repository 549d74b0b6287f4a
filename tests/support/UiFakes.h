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
#include "support/PrepMemoryFileSystem.h"
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

// The case-insensitive in-memory file system the pass tests use serves the
// dialogs as well.
using MemoryFileSystem = test::PrepMemoryFileSystem;

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

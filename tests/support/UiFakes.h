// Test doubles for the dialogs' views: they record what the user would see and
// answer questions from a script. The services behind the dialogs are in
// PlatformFakes.h.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "prep/Preparation.h"
#include "res/ResourceIds.h"
#include "ui/LocationDialog.h"
#include "ui/MainWindow.h"

namespace svx::test {

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

}  // namespace svx::test

// A window stand-in for the preparation pass that records everything the pass
// shows or asks of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "prep/Preparation.h"

namespace svx::test {

struct PrepShownMessage {
  std::string text;
  std::string caption;
  int style;
  bool busy;  // shown while the capture was held
};

class PrepRecordingOwner : public PrepOwner {
 public:
  explicit PrepRecordingOwner(std::string folder = "C:\\FSX") : simFolder(std::move(folder)) {}

  std::string simFolder;
  PrepCounters counters;
  std::vector<PrepCounters> shown;  // the counters at each ShowValues
  std::vector<PrepShownMessage> messages;
  std::vector<StatusImage> images;
  int launchEnabled = 0;
  int busyBegun = 0;
  int busyEnded = 0;
  int busyDepth = 0;
  bool busyAtEveryWait = true;
  std::vector<int> waitTimers, waitMs;
  // Runs inside a wait, as a key press dispatched there would.
  std::function<void()> onWait;

  std::string SimFolder() const override { return simFolder; }
  PrepCounters& Counters() override { return counters; }
  void ShowValues() override { shown.push_back(counters); }
  void BeginBusy() override {
    ++busyBegun;
    ++busyDepth;
  }
  void EndBusy() override {
    ++busyEnded;
    --busyDepth;
  }
  void SetStatusImage(StatusImage image) override { images.push_back(image); }
  void EnableLaunch() override { ++launchEnabled; }
  int PumpWait(int timerId, int ms) override {
    waitTimers.push_back(timerId);
    waitMs.push_back(ms);
    if (busyDepth <= 0) busyAtEveryWait = false;
    if (onWait) onWait();
    return 0;
  }
  int ShowMessage(const std::string& text, const std::string& caption, int style) override {
    messages.push_back({text, caption, style, busyDepth > 0});
    return kAnswerOk;
  }
  int Waits() const { return static_cast<int>(waitTimers.size()); }
};

}  // namespace svx::test

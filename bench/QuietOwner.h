// A window for the benchmarks: its waits return at once and it remembers only
// the outcome, so that only the pass and the file system are measured.
#pragma once

#include <string>
#include <utility>

#include "prep/Preparation.h"

namespace svx::bench {

class QuietOwner : public PrepOwner {
 public:
  explicit QuietOwner(std::string folder) : folder_(std::move(folder)) {}
  std::string SimFolder() const override { return folder_; }
  PrepCounters& Counters() override { return counters; }
  void ShowValues() override {}
  void BeginBusy() override {}
  void EndBusy() override {}
  void SetStatusImage(StatusImage shown) override { image = shown; }
  void EnableLaunch() override { launchEnabled = true; }
  int PumpWait(int, int) override { return 0; }
  int ShowMessage(const std::string& text, const std::string& caption, int) override {
    lastCaption = caption;
    lastText = text;
    return kAnswerOk;
  }

  PrepCounters counters;
  StatusImage image = StatusImage::kNone;
  bool launchEnabled = false;
  std::string lastCaption, lastText;

 private:
  std::string folder_;
};

}  // namespace svx::bench

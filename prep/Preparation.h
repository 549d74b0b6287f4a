// The preparation pass: brings the scenery files named by the rule tables into
// the state the patch expects, counts its work and unlocks the patch.
#pragma once

#include <cstdint>
#include <string>

#include "config/ProductConfig.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace svx {

struct PrepCounters {
  int32_t checked = 0;
  int32_t renamed = 0;
  int32_t removed = 0;
};

enum class StatusImage { kNone, kValid, kInvalid };

// What the pass needs of the window that runs it, and nothing more.
class PrepOwner : public MessageOwner {
 public:
  virtual std::string SimFolder() const = 0;
  virtual PrepCounters& Counters() = 0;
  virtual void ShowValues() = 0;
  // Mouse capture plus the wait cursor, and their release.
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;
  virtual void SetStatusImage(StatusImage image) = 0;
  virtual void EnableLaunch() = 0;
  // Processes the window's pending events for about ms milliseconds so that it
  // repaints: -1 if the timer could not start, 1 on a destroy or quit event
  // (a quit is handed back to the outer loop), 0 when the interval passed.
  virtual int PumpWait(int timerId, int ms) = 0;
};

// Runs the whole pass for owner's folder. A call made while a pass is already
// running (a key pressed inside a wait) is ignored.
void RunPreparation(PrepOwner& owner, FileSystem& files,
                    const ProductConfig& config = TheProductConfig());

// True while a pass runs. Its waits dispatch key presses, so commands can
// arrive in the middle of it; the window asks here before it acts on one.
bool PreparationRunning();

}  // namespace svx

// The running-simulator test under Wine: Wine gives every Windows top-level
// window an X11 window with the same title, so the titles of the X display's
// client windows stand for the Windows ones.
#pragma once

#include <string>

#include "platform/WindowFinder.h"

namespace svx {

class X11WindowFinder : public WindowFinder {
 public:
  // An empty display name means $DISPLAY.
  explicit X11WindowFinder(std::string displayName = {}) : displayName_(std::move(displayName)) {}

  // Opens a connection of its own for each call, so that a server that went
  // away since the last call costs nothing. No display, or a display that
  // fails during the search: false. Titles (_NET_WM_NAME, else WM_NAME)
  // compare whole, without regard to ASCII letter case.
  bool TopLevelWindowExists(const std::string& title) override;

 private:
  std::string displayName_;
};

}  // namespace svx

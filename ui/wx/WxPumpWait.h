// The pumping wait on wx: runs the thread's events, painting included, for
// about ms milliseconds. 0 when the interval passed; 1 as soon as a window is
// destroyed or the session ends (wxEVT_END_SESSION, wx's counterpart of a quit
// message), in which case the end-of-session event is queued again for the
// outer loop; -1 if the timer could not start.
#pragma once

class wxWindow;

namespace svx {

int WxPumpWait(wxWindow& window, int timerId, int ms);

}  // namespace svx

#include "ui/wx/WxPumpWait.h"

#include <wx/app.h>
#include <wx/event.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/window.h>

namespace svx {
namespace {

// wx keeps whether a loop is inside its Run() to itself.
class WaitLoop : public wxGUIEventLoop {
 public:
  using wxGUIEventLoop::IsInsideRun;
};

// Sees every event the nested loop dispatches, as the Windows loop sees every
// message of the thread.
class WaitEnd : public wxEventFilter {
 public:
  explicit WaitEnd(WaitLoop& loop) : loop_(loop) { wxEvtHandler::AddFilter(this); }
  ~WaitEnd() override { wxEvtHandler::RemoveFilter(this); }

  int FilterEvent(wxEvent& event) override {
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_DESTROY) {
      End(1);
    } else if (type == wxEVT_END_SESSION) {
      quit_ = true;
      End(1);
      // Taken here; handed back to the outer loop once the wait is over.
      return Event_Processed;
    }
    return Event_Skip;
  }

  void End(int result) {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    // The end may come while another loop runs inside this one (a modal
    // window opened during the wait). IsRunning() is false then, and a
    // one-shot timer never fires again; a loop that is inside its Run() takes
    // the exit as soon as the inner loop hands control back.
    if (loop_.IsInsideRun()) loop_.ScheduleExit(result);
  }

  bool Ended() const { return ended_; }
  int Result() const { return result_; }
  bool QuitSeen() const { return quit_; }

 private:
  WaitLoop& loop_;
  bool ended_ = false;
  bool quit_ = false;
  int result_ = 0;
};

}  // namespace

int WxPumpWait(wxWindow&, int timerId, int ms) {
  // A wx timer needs no window. Its events go to a handler of the wait's own,
  // so a window destroyed during the wait cannot take the handler with it.
  WaitLoop loop;
  WaitEnd end(loop);
  wxEvtHandler sink;
  wxTimer timer(&sink, timerId);
  sink.Bind(wxEVT_TIMER, [&end](wxTimerEvent&) { end.End(0); });
  if (!timer.StartOnce(ms)) return -1;
  if (!end.Ended()) loop.Run();
  timer.Stop();
  if (end.QuitSeen() && wxTheApp) wxTheApp->QueueEvent(new wxCloseEvent(wxEVT_END_SESSION));
  return end.Result();
}

}  // namespace svx

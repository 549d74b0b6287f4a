// The application object: runs the main window as a modal dialog and ends with it.
#include <wx/app.h>

#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "ui/wx/PatchDlg.h"

namespace svx {

class CPatchApp : public wxApp {
 public:
  // The tool takes nothing on its command line; wx's default parsing would
  // reject arguments it does not know.
  bool OnInit() override {
    Bind(wxEVT_QUERY_END_SESSION, &CPatchApp::OnQueryEndSession, this);
    Bind(wxEVT_END_SESSION, &CPatchApp::OnEndSession, this);
    return true;
  }

  // The dialog is the whole program, so wx's own main loop never runs; ending
  // here also gives a normal end the exit status 0, which launchers expect.
  int OnRun() override {
    CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
    SetTopWindow(&dialog);
    dialog.RunModal();
    SetTopWindow(nullptr);
    return 0;
  }

 private:
  // During a preparation the session is asked to wait, so that the pass is
  // not cut off half-way; the tool ends once the pass is over. Otherwise wx's
  // own answer closes the main window.
  void OnQueryEndSession(wxCloseEvent& event) {
    auto* dialog = dynamic_cast<CPatchDlg*>(GetTopWindow());
    if (dialog && event.CanVeto() && !dialog->Behaviour().OnQueryEndSession()) {
      event.Veto();
      return;
    }
    event.Skip();
  }

  // The end of the session (also handed back by a pumping wait) closes the
  // main window, which ends the tool as Exit does.
  void OnEndSession(wxCloseEvent&) {
    if (wxWindow* top = GetTopWindow()) top->Close(true);
  }
};

}  // namespace svx

wxIMPLEMENT_APP(svx::CPatchApp);

// Runs the GoogleTest cases inside a wx application with a real display.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/modalhook.h>

namespace {

class TestApp : public wxApp {
 public:
  bool OnInit() override { return true; }
  // An assertion, including wx's report of an expected dialog that never came,
  // fails the running test instead of popping up a dialog that blocks it.
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override {
    ADD_FAILURE() << "wx assertion at " << wxString(file) << ":" << line << " in " << wxString(func)
                  << ": " << wxString(cond) << " " << wxString(msg);
  }
};

// The last line of defence: a modal dialog no test expected is answered with
// Cancel and fails the test, so it can never wait for a user.
class RefuseUnexpectedDialogs : public wxModalDialogHook {
 protected:
  int Enter(wxDialog* dialog) override {
    ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle() << "\"";
    return wxID_CANCEL;
  }
  void Exit(wxDialog*) override {}
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing happens at build time, where there is no display.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  wxApp::SetInstance(new TestApp);
  if (!wxEntryStart(argc, argv)) {
    fprintf(stderr, "wx could not start: no display?\n");
    return 1;
  }
  wxTheApp->CallOnInit();
  int result;
  {
    RefuseUnexpectedDialogs refuse;
    refuse.Register();
    wxGUIEventLoop loop;
    wxEventLoopActivator active(&loop);
    result = RUN_ALL_TESTS();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}

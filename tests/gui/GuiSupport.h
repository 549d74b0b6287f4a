// Helpers for the tests that drive real wx windows.
#pragma once

#include <functional>
#include <string>

#include <wx/msgdlg.h>
#include <wx/testing.h>

#include "tests/support/TempDir.h"

class wxWindow;

namespace svx::test {

// Dispatches events until done() holds or timeoutMs passed; false on timeout.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Dispatches events for about ms milliseconds.
void Settle(int ms);
// Shows the window and waits until it is on screen.
bool ShowAndWait(wxWindow& window);
// Clicks the window's centre with the real (XTest) mouse.
void ClickOn(wxWindow& window);

struct MessageSeen {
  wxString text;
  wxString caption;
  long style = 0;
  int count = 0;
};

// Takes the place of a message box: records it and answers.
struct ExpectMsgBox : wxExpectModalBase<wxMessageDialog, ExpectMsgBox> {
  ExpectMsgBox(MessageSeen* seen, int answer = wxID_OK) : seen_(seen), answer_(answer) {}
  int OnInvoked(wxMessageDialog* box) const override {
    seen_->text = box->GetMessage();
    seen_->caption = box->GetCaption();
    seen_->style = box->GetMessageDialogStyle();
    ++seen_->count;
    return answer_;
  }
  MessageSeen* seen_;
  int answer_;
};

// A home folder, a Wine prefix whose registry names C:\FSX (or nothing), a
// simulator tree under the prefix's drive C, and a working folder holding the
// patch executable. Sets HOME and WINEPREFIX and enters the working folder.
class SampleInstall {
 public:
  // registryFolder empty: the prefix has no registry file at all.
  explicit SampleInstall(const std::string& registryFolder = "C:\\FSX\\",
                         const std::string& version = "1.0.0");
  ~SampleInstall();

  TempDir& Dir() { return dir_; }
  // The simulator folder on disk, relative to Dir().
  static constexpr const char* kSimFolder = "prefix/drive_c/FSX";
  // Writes a simulator folder (TERRAIN.CFG, version file, scenery files) at
  // relative, with the installed version given.
  void WriteSimulator(const std::string& relative, const std::string& version);
  std::string Patch() const;

 private:
  TempDir dir_;
  std::string oldCwd_;
};

}  // namespace svx::test

// The real main window over a Wine-style prefix: start-up, the preparation
// pressed with the mouse, the change of folder, and the end of the dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "GuiSupport.h"
#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "ui/wx/AboutDlg.h"
#include "ui/wx/LocationDlg.h"
#include "ui/wx/PatchDlg.h"
#include "ui/wx/WxImages.h"
#include "ui/wx/WxText.h"

namespace svx {
namespace {

using test::ExpectMsgBox;
using test::MessageSeen;
using test::SampleInstall;

std::string Field(wxWindow& dialog, int id) {
  auto* edit = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id));
  return edit ? FromWx(edit->GetValue()) : "<no field " + std::to_string(id) + ">";
}

bool Enabled(wxWindow& dialog, int id) {
  wxWindow* control = dialog.FindWindow(id);
  return control && control->IsEnabled();
}

// Presses a button of the shown dialog with the mouse and waits until an
// expected message box has been answered.
void PressAndWaitForMessage(wxWindow& dialog, int id, const MessageSeen& seen) {
  const int before = seen.count;
  test::ClickOn(*dialog.FindWindow(id));
  EXPECT_TRUE(test::WaitUntil([&] { return seen.count > before; }, 30000))
      << "no message box after pressing " << id;
}

// The scenery of SampleInstall after a successful pass.
void ExpectPreparedScenery(test::TempDir& dir, const std::string& sim) {
  const std::string scenery = sim + "/Scenery/VODeVevuza/Scenery/";
  EXPECT_TRUE(dir.Has(scenery + "L1L_0001.BGL"));
  EXPECT_FALSE(dir.Has(scenery + "L1L_0001.XXX"));
  EXPECT_EQ(dir.Read(scenery + "L1L_0001.BGL"), "inactive");
  EXPECT_TRUE(dir.Has(scenery + "L1L_0002.BGL"));
  EXPECT_TRUE(dir.Has(scenery + "L1L_0003.BGL"));
  EXPECT_FALSE(dir.Has(scenery + "LLC_0001.BGL"));
  EXPECT_EQ(dir.Read(scenery + "LLC_0001.XXX"), "kept");
  EXPECT_TRUE(dir.Has(scenery + "OTHER.BGL"));
}

TEST(PatchDlg, PreparesThePatchWhenPressed) {
  SampleInstall install;
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  ASSERT_TRUE(dialog.StartUp());
  ASSERT_TRUE(test::ShowAndWait(dialog));

  EXPECT_EQ(Field(dialog, IDC_TITLE), "Kelmirth X- Version 1.1.0");
  EXPECT_EQ(Field(dialog, IDC_SIMPATH), "C:\\FSX");
  EXPECT_EQ(Field(dialog, IDC_CHECKED), "0");
  EXPECT_TRUE(Enabled(dialog, IDOK));
  EXPECT_FALSE(Enabled(dialog, IDC_LAUNCH));

  MessageSeen seen;
  auto press = [&] { PressAndWaitForMessage(dialog, IDOK, seen); };
  wxTEST_DIALOG(press(), ExpectMsgBox(&seen));

  EXPECT_EQ(seen.caption, "Success");
  EXPECT_TRUE(seen.text.StartsWith("The patch preparation was successful")) << seen.text;
  EXPECT_TRUE(seen.style & wxICON_EXCLAMATION);
  EXPECT_EQ(Field(dialog, IDC_CHECKED), "5");
  EXPECT_EQ(Field(dialog, IDC_RENAMED), "2");
  EXPECT_EQ(Field(dialog, IDC_REMOVED), "1");
  ExpectPreparedScenery(install.Dir(), SampleInstall::kSimFolder);
  EXPECT_EQ(install.Patch(), "MZpatch body");
  EXPECT_TRUE(Enabled(dialog, IDC_LAUNCH));
  EXPECT_FALSE(dialog.HasCapture());

  // Exit ends the dialog with Cancel at once, also after a preparation.
  test::ClickOn(*dialog.FindWindow(IDCANCEL));
  EXPECT_TRUE(test::WaitUntil([&] { return dialog.Ended(); }));
  EXPECT_EQ(dialog.Result(), IDCANCEL);
}

// Plays a user who keeps the About box open for a while: shows it and runs its
// own event loop, as a modal box does, well past the interval of a wait.
struct HoldAbout : wxExpectModalBase<CAboutDlg, HoldAbout> {
  int OnInvoked(CAboutDlg* about) const override {
    about->Show();
    wxGUIEventLoop loop;
    wxTimer close;
    close.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    close.StartOnce(400);
    loop.Run();
    about->Hide();
    return wxID_OK;
  }
};

// The wait's timer fires while the box's loop runs; the wait must still end
// once the box is closed, or the pass never finishes.
TEST(PatchDlg, AModalBoxOpenedInsideAWaitLetsThePassGoOn) {
  SampleInstall install;
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  ASSERT_TRUE(dialog.StartUp());
  ASSERT_TRUE(test::ShowAndWait(dialog));

  // Timers fire only in an event loop, and the first one the pass runs is its
  // wait: started with the click, this one opens the box inside the wait.
  wxTimer openBox;
  openBox.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { dialog.RunAboutBox(); });
  dialog.FindWindow(IDOK)->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) {
    openBox.StartOnce(20);
    event.Skip();
  });
  // A wait that never ends would hold the test; this ends it and fails.
  bool hung = false;
  wxTimer guard;
  guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    hung = true;
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->ScheduleExit();
  });
  guard.StartOnce(10000);

  MessageSeen seen;
  auto press = [&] { PressAndWaitForMessage(dialog, IDOK, seen); };
  wxTEST_DIALOG(press(), HoldAbout(), ExpectMsgBox(&seen));
  guard.Stop();

  EXPECT_FALSE(hung) << "the wait did not end after the box closed";
  EXPECT_EQ(seen.caption, "Success");
  ExpectPreparedScenery(install.Dir(), SampleInstall::kSimFolder);
  EXPECT_EQ(install.Patch(), "MZpatch body");
}

TEST(PatchDlg, EscapeAndTheCloseBoxEndTheDialogLikeExit) {
  SampleInstall install;
  const std::function<void(wxDialog&)> ways[] = {
      [](wxDialog& d) {
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&d);
        d.ProcessWindowEvent(escape);
      },
      [](wxDialog& d) { d.Close(); },
  };
  for (const auto& end : ways) {
    CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
    ASSERT_TRUE(dialog.StartUp());
    end(dialog);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.Result(), IDCANCEL);
  }
}

TEST(PatchDlg, ItsMenuEntryOpensTheAboutBox) {
  SampleInstall install;
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  ASSERT_TRUE(dialog.StartUp());
  wxCommandEvent about(wxEVT_MENU, IDM_ABOUTBOX);
  about.SetEventObject(&dialog);
  wxTEST_DIALOG(dialog.ProcessWindowEvent(about), HoldAbout());
}

TEST(PatchDlg, WithoutPrefixReportsTheFolderAndDisablesPreparation) {
  SampleInstall install("");
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  MessageSeen seen;
  bool open = false;
  auto start = [&] { open = dialog.StartUp(); };
  wxTEST_DIALOG(start(), ExpectMsgBox(&seen));

  EXPECT_TRUE(open);
  EXPECT_EQ(FromWx(seen.text), kFolderNotFoundText);
  EXPECT_EQ(FromWx(seen.caption), kWarningCaption);
  EXPECT_EQ(Field(dialog, IDC_SIMPATH), "");
  EXPECT_FALSE(Enabled(dialog, IDOK));
  EXPECT_FALSE(Enabled(dialog, IDC_LAUNCH));
  EXPECT_TRUE(Enabled(dialog, IDC_CHANGE_LOCATION));
  EXPECT_TRUE(Enabled(dialog, IDCANCEL));
}

TEST(PatchDlg, FailedVersionGateEndsBeforeTheWindowIsShown) {
  SampleInstall install("C:\\FSX\\", "1.1.0");
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  MessageSeen seen;
  int result = 0;
  // Were the modal loop entered, the test's guard hook would report it.
  auto run = [&] { result = dialog.RunModal(); };
  wxTEST_DIALOG(run(), ExpectMsgBox(&seen));

  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(dialog.IsShown());
  EXPECT_EQ(seen.count, 1);
  EXPECT_TRUE(seen.style & wxICON_ERROR) << "the gate's verdict carries the stop icon";
}

// Stands in for the modal change-location dialog: the test drives the dialog,
// already initialised, through its own command path and returns how it ended.
struct DriveLocation : wxExpectModalBase<CLocationDlg, DriveLocation> {
  explicit DriveLocation(std::function<int(CLocationDlg&)> drive) : drive_(std::move(drive)) {}
  int OnInvoked(CLocationDlg* dialog) const override { return drive_(*dialog); }
  std::function<int(CLocationDlg&)> drive_;
};

// Stands in for the folder chooser: records its title and picks path, or is
// cancelled.
struct ExpectChooser : wxExpectModalBase<wxDirDialog, ExpectChooser> {
  ExpectChooser(wxString* title, std::string path, int answer = wxID_OK)
      : title_(title), path_(std::move(path)), answer_(answer) {}
  int OnInvoked(wxDirDialog* chooser) const override {
    *title_ = chooser->GetMessage();
    if (answer_ == wxID_OK) chooser->SetPath(ToWx(path_));
    return answer_;
  }
  wxString* title_;
  std::string path_;
  int answer_;
};

void Press(wxWindow& dialog, int id) {
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(dialog.FindWindow(id));
  dialog.ProcessWindowEvent(click);
}

void Type(wxWindow& dialog, int id, const std::string& text) {
  dynamic_cast<wxTextCtrl*>(dialog.FindWindow(id))->SetValue(ToWx(text));
}

bool ShowsImage(wxWindow& dialog, int bitmapId) {
  auto* status = dynamic_cast<wxButton*>(dialog.FindWindow(IDC_STATUS));
  const wxImage shown = status->GetBitmap().ConvertToImage();
  const wxImage wanted = LoadResBitmap(bitmapId).ConvertToImage();
  return shown.IsOk() && shown.GetSize() == wanted.GetSize() &&
         std::equal(shown.GetData(), shown.GetData() + shown.GetWidth() * shown.GetHeight() * 3,
                    wanted.GetData());
}

TEST(PatchDlg, TypedFolderReplacesTheFolderInUse) {
  SampleInstall install("");
  // A Linux path with a non-ASCII name must survive the field and the pass.
  const std::string simRelative = "Flight Simulé X";
  install.WriteSimulator(simRelative, "1.0.0");
  const std::string typed = (install.Dir().Path() / simRelative).string();

  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  MessageSeen startup;
  auto start = [&] { dialog.StartUp(); };
  wxTEST_DIALOG(start(), ExpectMsgBox(&startup));
  ASSERT_TRUE(test::ShowAndWait(dialog));
  ASSERT_FALSE(Enabled(dialog, IDOK));

  std::string registryShown = "<not shown>";
  auto typeAndAccept = [&](CLocationDlg& location) {
    registryShown = Field(location, IDC_REGISTRY_PATH);
    Type(location, IDC_NEW_PATH, typed);
    Press(location, IDOK);
    return location.Result();
  };
  auto change = [&] {
    test::ClickOn(*dialog.FindWindow(IDC_CHANGE_LOCATION));
    EXPECT_TRUE(test::WaitUntil([&] { return Enabled(dialog, IDOK); }));
  };
  wxTEST_DIALOG(change(), DriveLocation(typeAndAccept));

  EXPECT_EQ(registryShown, "");
  EXPECT_EQ(Field(dialog, IDC_SIMPATH), typed);
  EXPECT_TRUE(Enabled(dialog, IDOK));
  EXPECT_FALSE(dialog.Ended()) << "the installed version passes the gate";

  MessageSeen seen;
  auto press = [&] { PressAndWaitForMessage(dialog, IDOK, seen); };
  wxTEST_DIALOG(press(), ExpectMsgBox(&seen));
  EXPECT_EQ(seen.caption, "Success");
  ExpectPreparedScenery(install.Dir(), simRelative);
  EXPECT_EQ(install.Patch(), "MZpatch body");
}

}  // namespace
}  // namespace svx

namespace svx {
namespace {

// A pick is not driven here: wxGTK's chooser reports its path only from its own
// response to the user, which a test hook cannot give.
TEST(LocationDlg, CancelledChooserChangesNothingAndCancelAsksFirst) {
  SampleInstall install("");
  const std::string typed = (install.Dir().Path() / SampleInstall::kSimFolder).string();
  CPatchDlg dialog(SystemPlatform(CheckRegistryFolder));
  MessageSeen startup;
  auto start = [&] { dialog.StartUp(); };
  wxTEST_DIALOG(start(), ExpectMsgBox(&startup));

  bool redAtStart = false, redAfterBrowse = false;
  std::string afterBrowse;
  auto drive = [&](CLocationDlg& location) {
    redAtStart = ShowsImage(location, IDB_INVALID);
    Type(location, IDC_NEW_PATH, typed);
    Press(location, IDC_BROWSE);
    afterBrowse = Field(location, IDC_NEW_PATH);
    redAfterBrowse = ShowsImage(location, IDB_INVALID);
    Press(location, IDCANCEL);
    return location.Result();
  };
  wxString title;
  MessageSeen question;
  auto change = [&] { dialog.Behaviour().OnChangeLocation(); };
  wxTEST_DIALOG(change(), DriveLocation(drive), ExpectChooser(&title, "", wxID_CANCEL),
                ExpectMsgBox(&question, wxID_YES));

  EXPECT_TRUE(redAtStart);
  EXPECT_EQ(title, "Select FSX Folder Location");
  EXPECT_EQ(afterBrowse, typed);
  EXPECT_TRUE(redAfterBrowse);
  EXPECT_EQ(question.text, "Are you sure you want to cancel the changes ?\n");
  EXPECT_EQ(question.caption, "");
  EXPECT_TRUE(question.style & wxYES_NO);
  // Cancelled: the main window keeps its (empty) folder and its disabled button.
  EXPECT_EQ(Field(dialog, IDC_SIMPATH), "");
  EXPECT_FALSE(Enabled(dialog, IDOK));
}

}  // namespace
}  // namespace svx

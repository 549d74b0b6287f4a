// The real main window over a Wine-style prefix: start-up, the preparation
// pressed with the mouse, the change of folder, and the end of the dialog.
#include <gtest/gtest.h>

#include <functional>

#include <wx/button.h>
#include <wx/textctrl.h>

#include "GuiSupport.h"
#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "res/ResourceIds.h"
#include "ui/wx/LocationDlg.h"
#include "ui/wx/PatchDlg.h"
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
  CPatchDlg dialog(SystemPlatform());
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
    CPatchDlg dialog(SystemPlatform());
    ASSERT_TRUE(dialog.StartUp());
    end(dialog);
    EXPECT_TRUE(dialog.Ended());
    EXPECT_EQ(dialog.Result(), IDCANCEL);
  }
}

TEST(PatchDlg, WithoutPrefixReportsTheFolderAndDisablesPreparation) {
  SampleInstall install("");
  CPatchDlg dialog(SystemPlatform());
  MessageSeen seen;
  bool open = false;
  auto start = [&] { open = dialog.StartUp(); };
  wxTEST_DIALOG(start(), ExpectMsgBox(&seen));

  EXPECT_TRUE(open);
  EXPECT_EQ(FromWx(seen.text), kFolderNotFoundText);
  EXPECT_EQ(FromWx(seen.caption), kFolderNotFoundCaption);
  EXPECT_EQ(Field(dialog, IDC_SIMPATH), "");
  EXPECT_FALSE(Enabled(dialog, IDOK));
  EXPECT_FALSE(Enabled(dialog, IDC_LAUNCH));
  EXPECT_TRUE(Enabled(dialog, IDC_CHANGE_LOCATION));
  EXPECT_TRUE(Enabled(dialog, IDCANCEL));
}

TEST(PatchDlg, FailedVersionGateEndsBeforeTheWindowIsShown) {
  SampleInstall install("C:\\FSX\\", "1.1.0");
  CPatchDlg dialog(SystemPlatform());
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

// Stands in for the modal change-location dialog: types a folder into the
// new-folder field and presses OK through the dialog's own command path.
struct TypeFolderAndAccept : wxExpectModalBase<CLocationDlg, TypeFolderAndAccept> {
  TypeFolderAndAccept(std::string folder, std::string* registryShown)
      : folder_(std::move(folder)), registryShown_(registryShown) {}
  int OnInvoked(CLocationDlg* dialog) const override {
    *registryShown_ = Field(*dialog, IDC_REGISTRY_PATH);
    dynamic_cast<wxTextCtrl*>(dialog->FindWindow(IDC_NEW_PATH))->SetValue(ToWx(folder_));
    wxCommandEvent ok(wxEVT_BUTTON, IDOK);
    ok.SetEventObject(dialog->FindWindow(IDOK));
    dialog->ProcessWindowEvent(ok);
    return dialog->Result();
  }
  std::string folder_;
  std::string* registryShown_;
};

TEST(PatchDlg, TypedFolderReplacesTheFolderInUse) {
  SampleInstall install("");
  // A Linux path with a non-ASCII name must survive the field and the pass.
  const std::string simRelative = "Flight Simulé X";
  install.WriteSimulator(simRelative, "1.0.0");
  const std::string typed = (install.Dir().Path() / simRelative).string();

  CPatchDlg dialog(SystemPlatform());
  MessageSeen startup;
  auto start = [&] { dialog.StartUp(); };
  wxTEST_DIALOG(start(), ExpectMsgBox(&startup));
  ASSERT_TRUE(test::ShowAndWait(dialog));
  ASSERT_FALSE(Enabled(dialog, IDOK));

  std::string registryShown = "<not shown>";
  auto change = [&] {
    test::ClickOn(*dialog.FindWindow(IDC_CHANGE_LOCATION));
    EXPECT_TRUE(test::WaitUntil([&] { return Enabled(dialog, IDOK); }));
  };
  wxTEST_DIALOG(change(), TypeFolderAndAccept(typed, &registryShown));

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

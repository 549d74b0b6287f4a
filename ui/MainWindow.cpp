#include "ui/MainWindow.h"

#include "install/SimulatorChecks.h"
#include "install/VersionGate.h"
#include "prep/PatchExecutable.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "ui/LocationDialog.h"

namespace svx {
MainWindow::MainWindow(MainView& view, Platform& platform, const ProductConfig& config)
    : view_(view), platform_(platform), config_(config) {}

bool MainWindow::OnInitDialog() {
  // The toolkit's base initialisation pushes the members once before anything
  // else; the system-menu item, the icons and the bitmaps are the view's.
  ShowValues();

  values_.title = ProductTitleLine(config_.ProductName(), config_.TargetVersion());
  ShowValues();

  // Ending the dialog here only marks it as ended; the remaining checks still
  // run and show their messages before the window goes away unseen.
  if (IsSimulatorRunning(platform_.windows)) {
    view_.ShowMessage(kSimulatorRunningText, kToolWarningCaption, kSimulatorRunningStyle);
    view_.EndDialog(kResultCancel);
  }

  values_.simFolder = ReadRegistryPath();
  ShowValues();

  CollectValues();
  const bool valid = IsValidSimFolder(platform_.files, values_.simFolder);
  ShowValues();

  view_.EnableControl(IDC_LAUNCH, false);
  if (valid) {
    view_.EnableControl(IDOK, true);
    RunVersionGate();
  } else {
    view_.ShowMessage(kFolderNotFoundText, kWarningCaption, kFolderNotFoundStyle);
    view_.EnableControl(IDOK, false);
  }

  CollectValues();
  return true;
}

void MainWindow::OnPreparation() {
  // A second press inside one of the pass's waits would start a nested pass
  // over files the outer one is still changing. The pass refuses it anyway,
  // but an end asked for meanwhile belongs to the outer pass.
  if (PreparationRunning()) return;
  RunPreparation(*this, platform_.files, config_);
  if (endAfterPass_) view_.EndDialog(kResultCancel);
}

void MainWindow::OnCancel() {
  // Ending the dialog from inside one of the pass's waits would hide the
  // window while the pass goes on, and a toolkit's modal loop may not even
  // learn of it from a nested loop.
  if (PreparationRunning()) {
    endAfterPass_ = true;
    return;
  }
  view_.EndDialog(kResultCancel);
}

void MainWindow::OnLaunch() {
  // A key press inside one of the pass's waits can send this command while
  // files are still being renamed; the patch must not start on a half-prepared
  // tree.
  if (PreparationRunning()) return;
  LaunchPatch(*this, platform_.processes, config_.PatchExecutable(), preparedFolder_);
}

void MainWindow::OnEscape() {
  if (PreparationRunning()) return;
  OnCancel();
}

void MainWindow::OnChangeLocation() {
  // Same reason as for the launch: a new folder (and a version gate that may
  // end the tool) must not arrive in the middle of a pass over the old one.
  if (PreparationRunning()) return;

  LocationDialog dialog(platform_.files, registryFolder_);
  const int result = view_.RunLocationDialog(dialog);
  // Yes to "exit anyway" ends the dialog with OK as well, so the flag decides.
  if (result != kResultOk || !dialog.Valid()) return;

  values_.simFolder = dialog.Values().newFolder;
  view_.EnableControl(IDOK, true);
  ShowValues();
  RunVersionGate();
}

void MainWindow::OnAbout() {
  // A modal box opened inside one of the pass's waits holds the pass up for as
  // long as it stays open.
  if (PreparationRunning()) return;
  view_.RunAboutBox();
}

bool MainWindow::OffersAboutMenu() const {
  return !PreparationRunning();
}

bool MainWindow::OnQueryEndSession() {
  // Cut off half-way, a pass leaves the scenery half-prepared and the patch
  // locked. The end of the session is refused; the tool ends after the pass.
  if (!PreparationRunning()) return true;
  endAfterPass_ = true;
  return false;
}

std::string MainWindow::ReadRegistryPath() {
  registryFolder_ = svx::ReadRegistryPath(platform_.registry);
  return registryFolder_;
}

bool MainWindow::RunVersionGate() {
  CollectValues();
  const VersionVerdict verdict =
      CheckInstalledVersion(platform_.profiles, values_.simFolder, config_);
  if (verdict.kind == VersionVerdictKind::kPass) return true;
  view_.ShowMessage(verdict.message, verdict.caption, verdict.style);
  view_.EndDialog(kResultCancel);
  return false;
}

void MainWindow::ShowValues() {
  view_.ShowValues(values_);
}

void MainWindow::CollectValues() {
  view_.CollectValues(values_);
}

void MainWindow::BeginBusy() {
  view_.BeginBusy();
}

void MainWindow::EndBusy() {
  view_.EndBusy();
}

void MainWindow::SetStatusImage(StatusImage image) {
  view_.SetStatusImage(image);
}

void MainWindow::EnableLaunch() {
  preparedFolder_ = values_.simFolder;
  view_.EnableControl(IDC_LAUNCH, true);
}

int MainWindow::PumpWait(int timerId, int ms) {
  return view_.PumpWait(timerId, ms);
}

int MainWindow::ShowMessage(const std::string& text, const std::string& caption, int style) {
  return view_.ShowMessage(text, caption, style);
}

}  // namespace svx

// Behaviour of the main window (CPatchDlg): start-up checks, commands and
// button states. The toolkit window implements MainView and forwards its
// events here; it holds no behaviour of its own.
#pragma once

#include <string>

#include "config/ProductConfig.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "prep/Preparation.h"

namespace svx {

class LocationDialog;

// The values bound to the main window's controls.
struct MainValues {
  std::string title;      // 1000
  std::string simFolder;  // 1001, the folder in use
  PrepCounters counters;  // 1002, 1003, 1004
};

class MainView : public MessageOwner {
 public:
  // Members to controls and back, in the binding order of the window.
  virtual void ShowValues(const MainValues& values) = 0;
  virtual void CollectValues(MainValues& values) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual void SetStatusImage(StatusImage image) = 0;
  // Marks the modal dialog as ended with a result; during start-up the window
  // then never enters its modal loop.
  virtual void EndDialog(int result) = 0;
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;
  virtual int PumpWait(int timerId, int ms) = 0;
  // Runs the change-location dialog modally over the given behaviour and
  // returns how it ended.
  virtual int RunLocationDialog(LocationDialog& dialog) = 0;
  virtual void RunAboutBox() = 0;
};

class MainWindow : public PrepOwner {
 public:
  MainWindow(MainView& view, Platform& platform, const ProductConfig& config = TheProductConfig());

  // Start-up; true lets the toolkit place the keyboard focus.
  bool OnInitDialog();

  void OnPreparation();  // 1, "Patch Preparation"
  // 2, "Exit" and the close command: ends the dialog with Cancel. During a pass
  // the request is kept and honoured once the pass has shown its outcome, so
  // the user learns whether the files are ready and no window goes away while
  // files are still being changed.
  void OnCancel();
  // Escape works as "Exit" only while no pass runs: during a pass the keyboard
  // does not drive the dialog, and a stray key must not end the tool.
  void OnEscape();
  // The patch starts for the folder the last successful pass prepared, which
  // a later change of location does not undo.
  void OnLaunch();          // 1005
  void OnChangeLocation();  // 3
  void OnAbout();           // system command 16
  // A toolkit whose About entry sits in a menu of its own offers no menu during
  // a pass: the menu's loop would hold the pass up as the About box would.
  bool OffersAboutMenu() const;
  // The system asks whether the session may end. During a pass the answer is
  // no and the tool ends once the pass is over, as after Exit.
  bool OnQueryEndSession();

  std::string ReadRegistryPath();
  // Collects, checks the installed version and, on a failed gate, shows the
  // verdict and ends the dialog. True on a pass.
  bool RunVersionGate();

  const MainValues& Values() const { return values_; }
  const std::string& RegistryFolder() const { return registryFolder_; }

  // PrepOwner
  std::string SimFolder() const override { return values_.simFolder; }
  PrepCounters& Counters() override { return values_.counters; }
  void ShowValues() override;
  void BeginBusy() override;
  void EndBusy() override;
  void SetStatusImage(StatusImage image) override;
  void EnableLaunch() override;
  int PumpWait(int timerId, int ms) override;
  int ShowMessage(const std::string& text, const std::string& caption, int style) override;

  void CollectValues();

 private:
  MainView& view_;
  Platform& platform_;
  const ProductConfig& config_;
  MainValues values_;
  std::string registryFolder_;
  std::string preparedFolder_;
  // An end asked for during a pass, carried out when the pass is over.
  bool endAfterPass_ = false;
};

}  // namespace svx

// The main window on wx. All behaviour lives in MainWindow; this class moves
// values between its members and the controls and forwards the events.
#pragma once

#include "platform/Platform.h"
#include "ui/MainWindow.h"
#include "ui/wx/WxView.h"

namespace svx {

class CPatchDlg : public WxView<MainView> {
 public:
  explicit CPatchDlg(Platform& platform, const ProductConfig& config = TheProductConfig());
  ~CPatchDlg() override;

  // Start-up, then the modal loop unless start-up already ended the dialog;
  // such a window is never shown. Returns how the dialog ended.
  int RunModal();
  // Start-up alone, for callers that show the window themselves. True when
  // start-up left the dialog open.
  bool StartUp();

  MainWindow& Behaviour() { return behaviour_; }
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  // MainView
  void ShowValues(const MainValues& values) override;
  void CollectValues(MainValues& values) override;
  void EnableControl(int id, bool enable) override;
  void EndDialog(int result) override;
  void BeginBusy() override;
  void EndBusy() override;
  int PumpWait(int timerId, int ms) override;
  int RunLocationDialog(LocationDialog& dialog) override;
  void RunAboutBox() override;

 private:
  void OnButton(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnContextMenu(wxContextMenuEvent& event);
  void OnCharHook(wxKeyEvent& event);

  MainWindow behaviour_;
  bool busy_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace svx

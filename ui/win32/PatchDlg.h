// Win32 only: the main window (template 102) over the MainWindow behaviour.
#pragma once

#include <windows.h>

#include "ui/MainWindow.h"
#include "ui/win32/Win32Dialog.h"

namespace svx {

class CPatchDlg : public Win32View<MainView> {
 public:
  explicit CPatchDlg(Platform& platform, const ProductConfig& config = TheProductConfig());
  ~CPatchDlg() override;
  CPatchDlg(const CPatchDlg&) = delete;
  CPatchDlg& operator=(const CPatchDlg&) = delete;

  MainWindow& Behaviour() { return behaviour_; }

  // MainView
  void ShowValues(const MainValues& values) override;
  void CollectValues(MainValues& values) override;
  void EnableControl(int id, bool enable) override;
  void BeginBusy() override;
  void EndBusy() override;
  int PumpWait(int timerId, int ms) override;
  int RunLocationDialog(LocationDialog& dialog) override;
  void RunAboutBox() override;

 protected:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AppendAboutItem();
  bool PaintMinimized();

  MainWindow behaviour_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

}  // namespace svx

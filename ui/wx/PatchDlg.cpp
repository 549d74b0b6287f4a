#include "ui/wx/PatchDlg.h"

#include <cstdlib>

#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "ui/wx/AboutDlg.h"
#include "ui/wx/DialogBuilder.h"
#include "ui/wx/Fields.h"
#include "ui/wx/LocationDlg.h"
#include "ui/wx/WxImages.h"
#include "ui/wx/WxPumpWait.h"
#include "ui/wx/WxText.h"

namespace svx {
namespace {

// A counter field holds what ShowValues wrote; a text that is not a decimal
// number leaves the counter as it was.
void GetCounter(wxWindow& dialog, int id, int32_t& counter) {
  const std::string text = FieldText(dialog, id);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (!text.empty() && end && *end == '\0') counter = static_cast<int32_t>(value);
}

}  // namespace

CPatchDlg::CPatchDlg(Platform& platform, const ProductConfig& config)
    : behaviour_(*this, platform, config) {
  CreateFromTemplate(*this, nullptr, *FindDialogTemplate(IDD_MAIN));
  SetIcons(LoadResIcons(IDR_MAINFRAME));
  // Escape presses "Exit", as IDCANCEL does on Windows.
  SetEscapeId(IDCANCEL);
  Bind(wxEVT_BUTTON, &CPatchDlg::OnButton, this);
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { behaviour_.OnAbout(); }, IDM_ABOUTBOX);
  Bind(wxEVT_CLOSE_WINDOW, &CPatchDlg::OnClose, this);
  Bind(wxEVT_CONTEXT_MENU, &CPatchDlg::OnContextMenu, this);
  // Before wx's own handling, which would press "Exit" during a pass too.
  Bind(wxEVT_CHAR_HOOK, &CPatchDlg::OnCharHook, this);
  // A message box shown during a pass takes the capture away; wx insists that
  // the loss is handled.
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
}

CPatchDlg::~CPatchDlg() {
  if (HasCapture()) ReleaseMouse();
  if (busy_) wxEndBusyCursor();
}

bool CPatchDlg::StartUp() {
  behaviour_.OnInitDialog();
  return !ended_;
}

int CPatchDlg::RunModal() {
  // wx cannot end a modal loop that has not started, so start-up runs before
  // it, and a dialog ended during start-up never enters it.
  if (!StartUp()) return result_;
  CallAfter([this] { FocusFirstTabStop(*this); });
  return ShowModal();
}

void CPatchDlg::ShowValues(const MainValues& v) {
  SetFieldText(*this, IDC_TITLE, v.title);
  SetFieldText(*this, IDC_SIMPATH, v.simFolder);
  SetFieldText(*this, IDC_CHECKED, std::to_string(v.counters.checked));
  SetFieldText(*this, IDC_REMOVED, std::to_string(v.counters.removed));
  SetFieldText(*this, IDC_RENAMED, std::to_string(v.counters.renamed));
}

void CPatchDlg::CollectValues(MainValues& v) {
  v.title = FieldText(*this, IDC_TITLE);
  v.simFolder = FieldText(*this, IDC_SIMPATH);
  GetCounter(*this, IDC_CHECKED, v.counters.checked);
  GetCounter(*this, IDC_REMOVED, v.counters.removed);
  GetCounter(*this, IDC_RENAMED, v.counters.renamed);
}

void CPatchDlg::EnableControl(int id, bool enable) {
  if (wxWindow* control = FindWindow(id)) control->Enable(enable);
}

void CPatchDlg::EndDialog(int result) {
  if (IsModal()) {
    EndModal(result);
  } else {
    ended_ = true;
    result_ = result;
    SetReturnCode(result);
    Hide();
  }
}

void CPatchDlg::BeginBusy() {
  if (!busy_) wxBeginBusyCursor();
  busy_ = true;
  if (!HasCapture()) CaptureMouse();
}

void CPatchDlg::EndBusy() {
  // A message box shown during the pass may already have taken the capture.
  if (HasCapture()) ReleaseMouse();
  if (busy_) wxEndBusyCursor();
  busy_ = false;
}

int CPatchDlg::PumpWait(int timerId, int ms) {
  return WxPumpWait(*this, timerId, ms);
}

int CPatchDlg::RunLocationDialog(LocationDialog& dialog) {
  CLocationDlg window(this, dialog);
  return window.RunModal();
}

void CPatchDlg::RunAboutBox() {
  CAboutDlg about(this);
  about.ShowModal();
}

void CPatchDlg::OnButton(wxCommandEvent& event) {
  switch (event.GetId()) {
    case IDOK:
      behaviour_.OnPreparation();
      break;
    case IDCANCEL:
      behaviour_.OnCancel();
      break;
    case IDC_LAUNCH:
      behaviour_.OnLaunch();
      break;
    case IDC_CHANGE_LOCATION:
      behaviour_.OnChangeLocation();
      break;
    default:
      event.Skip();
  }
}

void CPatchDlg::OnClose(wxCloseEvent&) {
  behaviour_.OnCancel();
}

void CPatchDlg::OnCharHook(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    behaviour_.OnEscape();
  } else {
    event.Skip();
  }
}

void CPatchDlg::OnContextMenu(wxContextMenuEvent&) {
  // GTK has no window menu; the About item the Windows build appends to the
  // system menu lives in the window's context menu instead.
  const std::string_view item = LoadResString(IDS_ABOUTBOX);
  if (item.empty() || !behaviour_.OffersAboutMenu()) return;
  wxMenu menu;
  menu.Append(IDM_ABOUTBOX, ToWx(item));
  PopupMenu(&menu);
}

}  // namespace svx

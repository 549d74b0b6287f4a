// Numeric identifiers of dialogs, controls, bitmaps, icons and strings, as the
// Windows resources of the tool number them.
#pragma once

namespace svx {

enum ResourceId : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDC_CHANGE_LOCATION = 3,
  IDM_ABOUTBOX = 16,  // system-menu command

  IDD_ABOUT = 100,
  IDS_ABOUTBOX = 101,
  IDD_MAIN = 102,
  IDR_MAINFRAME = 128,
  IDD_LOCATION = 129,
  IDB_VALID = 130,
  IDB_INVALID = 131,

  IDC_TITLE = 1000,
  IDC_SIMPATH = 1001,
  IDC_CHECKED = 1002,
  IDC_RENAMED = 1003,
  IDC_REMOVED = 1004,
  IDC_LAUNCH = 1005,
  IDC_BROWSE = 1059,
  IDC_STATUS = 1077,
  IDC_REGISTRY_PATH = 1081,
  IDC_NEW_PATH = 1082,
  IDC_USE_REGISTRY = 1084,
};

// Ends of a modal dialog.
enum DialogResult : int { kResultOk = IDOK, kResultCancel = IDCANCEL };

}  // namespace svx

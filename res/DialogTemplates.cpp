#include "res/DialogTemplates.h"

#include <array>

#include "res/ResourceIds.h"
#include "res/Strings.h"

namespace svx {
namespace {

constexpr unsigned kButton = kCtlTabStop;
constexpr unsigned kDefault = kCtlTabStop | kCtlDefault;
constexpr unsigned kOutput = kCtlReadOnly | kCtlTabStop | kCtlBorder | kCtlAutoHScroll;
constexpr unsigned kInput = kCtlTabStop | kCtlBorder | kCtlAutoHScroll;

using K = ControlKind;

const std::array<ControlTemplate, 4> kAbout = {{
    {kStaticId, K::kIcon, "", 11, 17, 20, 20, 0, 0, IDR_MAINFRAME},
    {kStaticId, K::kStaticText, kAboutVersionLine, 40, 10, 119, 8, 0},
    {kStaticId, K::kStaticText, kAboutSecondLine, 40, 25, 119, 8, 0},
    {IDOK, K::kDefPushButton, "OK", 178, 7, 50, 14, kDefault},
}};

const std::array<ControlTemplate, 16> kMain = {{
    {IDOK, K::kDefPushButton, "Patch Preparation", 183, 68, 60, 25, kDefault | kCtlMultiLine},
    {IDCANCEL, K::kPushButton, "Exit", 263, 68, 60, 25, kButton},
    {kStaticId, K::kStaticText, "Product Version After Patch", 9, 19, 88, 8, 0, IDC_TITLE},
    {IDC_TITLE, K::kEdit, "", 102, 16, 254, 14, kOutput},
    {kStaticId, K::kStaticText, "FSX Location", 51, 39, 44, 8, 0, IDC_SIMPATH},
    {IDC_CHANGE_LOCATION, K::kDefPushButton, "Change FSX\nLocation", 103, 68, 60, 25,
     kDefault | kCtlMultiLine},
    {IDC_SIMPATH, K::kEdit, "", 101, 36, 255, 14, kOutput},
    {kStaticId, K::kGroupBox, "Patch Preparation Status", 380, 7, 92, 109, 0},
    {kStaticId, K::kStaticText, "Checked", 386, 21, 30, 8, 0, IDC_CHECKED},
    {kStaticId, K::kStaticText, "Renamed", 385, 39, 32, 8, 0, IDC_RENAMED},
    {kStaticId, K::kStaticText, "Removed", 386, 56, 32, 8, 0, IDC_REMOVED},
    {IDC_CHECKED, K::kEdit, "", 421, 17, 43, 14, kOutput},
    {IDC_RENAMED, K::kEdit, "", 421, 35, 43, 14, kOutput},
    {IDC_REMOVED, K::kEdit, "", 421, 54, 43, 14, kOutput},
    {IDC_STATUS, K::kBitmapButton, "", 422, 73, 31, 26, kCtlFlat},
    {IDC_LAUNCH, K::kPushButton, "Launch Patch Application", 103, 102, 220, 14, kButton},
}};

const std::array<ControlTemplate, 10> kLocation = {{
    {IDOK, K::kDefPushButton, "OK", 7, 116, 50, 14, kDefault},
    {IDCANCEL, K::kPushButton, "Cancel", 239, 116, 50, 14, kButton},
    {kStaticId, K::kStaticText, "FSX Location In Windows Registry:", 7, 7, 112, 8, 0,
     IDC_REGISTRY_PATH},
    {IDC_REGISTRY_PATH, K::kEdit, "", 7, 20, 282, 14, kOutput},
    {kStaticId, K::kStaticText, "FSX Location Used By Skarvane:", 7, 44, 126, 8, 0, IDC_NEW_PATH},
    {IDC_NEW_PATH, K::kEdit, "", 7, 55, 282, 14, kInput},
    {IDC_BROWSE, K::kPushButton, "Browse For FSX", 81, 116, 58, 14, kButton},
    {IDC_USE_REGISTRY, K::kPushButton, "Use Registry", 159, 116, 58, 14, kButton},
    {IDC_STATUS, K::kBitmapButton, "", 7, 78, 31, 26, kCtlFlat},
    {kStaticId, K::kStaticText,
     "Green checkmark indicates a valid location for FSX.\nRed X indicates invalid location.", 45,
     83, 174, 17, kCtlMultiLine},
}};

const std::array<DialogTemplate, 3> kTemplates = {{
    {IDD_ABOUT, 235, 55, "About SvxPatch", "MS Sans Serif", 8, kDlgModal, kAbout},
    {IDD_MAIN, 479, 123, "Skarvane X- Patch Preparation Tool", "MS Sans Serif", 8,
     kDlgModal | kDlgVisible | kDlgAppWindow, kMain},
    {IDD_LOCATION, 295, 137, "Change FSX Location", "MS Sans Serif", 8, kDlgModal, kLocation},
}};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& t : kTemplates) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace svx

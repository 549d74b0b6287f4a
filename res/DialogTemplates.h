// The dialog templates of the tool as plain data, in dialog units, the way a
// Windows resource script holds them. Each toolkit has one builder that turns
// a template into a window; nothing here knows a toolkit.
#pragma once

#include <span>

namespace svx {

enum class ControlKind {
  kPushButton,
  kDefPushButton,
  kEdit,
  kStaticText,
  kGroupBox,
  kIcon,          // shows the icon named by ControlTemplate::image
  kBitmapButton,  // a push button that shows an image set at run time
};

enum ControlFlag : unsigned {
  kCtlReadOnly = 1u << 0,
  kCtlTabStop = 1u << 1,
  kCtlMultiLine = 1u << 2,
  kCtlAutoHScroll = 1u << 3,
  kCtlBorder = 1u << 4,
  kCtlFlat = 1u << 5,
  kCtlDefault = 1u << 6,
};

// Every window of the tool is a modal dialog frame (a popup with a caption and
// a system menu that closes it); only the main window shows itself at once and
// has a task-bar button of its own.
enum DialogStyle : unsigned {
  kDlgModal = 1u << 0,
  kDlgVisible = 1u << 1,
  kDlgAppWindow = 1u << 2,
};

constexpr int kStaticId = -1;

struct ControlTemplate {
  int id;  // kStaticId for statics and group boxes
  ControlKind kind;
  const char* text;  // UTF-8; "\n" breaks a line
  int x, y, width, height;
  unsigned flags;
  // The id of the control a kStaticText names for a screen reader, 0 for none.
  // Tab order does not give it: the counters' labels come as a block before
  // their fields, and "FSX Location" comes before a button.
  int labelFor = 0;
  int image = 0;  // resource id of the icon of a kIcon control
};

struct DialogTemplate {
  int id;
  int width, height;  // client area
  const char* caption;
  const char* fontName;
  int pointSize;
  unsigned style;
  std::span<const ControlTemplate> controls;  // template order, which is the tab order
};

// Templates 100 (About), 102 (main) and 129 (change location); nullptr for any
// other id.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace svx

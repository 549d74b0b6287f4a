// Message boxes as the core sees them: a text, a caption and a Windows style
// value, answered with a Windows result value. The values are the platform's
// own so that the Win32 view passes them through unchanged and tests can
// assert on exactly what the user is shown.
#pragma once

#include <string>

namespace svx {

enum MessageStyle : int {
  kStyleYesNo = 4,         // MB_YESNO, no icon
  kStyleStop = 16,         // MB_OK | MB_ICONSTOP
  kStyleExclamation = 48,  // MB_OK | MB_ICONEXCLAMATION
};

enum MessageAnswer : int {
  kAnswerOk = 1,   // IDOK
  kAnswerYes = 6,  // IDYES
  kAnswerNo = 7,   // IDNO
};

// Anything that can own a message box: a dialog, or a test double.
class MessageOwner {
 public:
  virtual ~MessageOwner() = default;
  virtual int ShowMessage(const std::string& text, const std::string& caption, int style) = 0;
};

}  // namespace svx

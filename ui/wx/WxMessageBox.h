// Message boxes with the Windows style and answer values the core uses.
#pragma once

#include <string>

class wxWindow;

namespace svx {

// The wxMessageDialog style for a Windows message-box style.
long WxMessageStyle(int style);
// The Windows answer for what a wxMessageDialog of that style returned. A Yes/No
// box closed without either button counts as No, the answer that changes nothing.
int MessageAnswerFromWx(int style, int wxAnswer);

int ShowWxMessage(wxWindow* owner, const std::string& text, const std::string& caption, int style);

}  // namespace svx

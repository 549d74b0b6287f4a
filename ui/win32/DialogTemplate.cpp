// Win32 only.
#include "ui/win32/DialogTemplate.h"

#include <string>

namespace svx {
namespace {

// Predefined window classes by ordinal, as resource scripts name them.
enum PredefinedClass : WORD { kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082 };

class TemplateWriter {
 public:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Short(int v) { Word(static_cast<WORD>(static_cast<short>(v))); }
  // The dialog manager reads UTF-16 whatever the character set of the program.
  void Text(const char* utf8) {
    for (wchar_t c : WideFromUtf8(utf8)) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Ordinal(WORD id) {
    Word(0xFFFF);
    Word(id);
  }
  void AlignDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  std::vector<WORD> Take() { return std::move(words_); }

 private:
  std::vector<WORD> words_;
};

DWORD DialogWindowStyle(unsigned style) {
  // DS_CENTER: the templates hold no position of their own.
  DWORD s = DS_SETFONT | DS_CENTER;
  if (style & kDlgModal) s |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  if (style & kDlgVisible) s |= WS_VISIBLE;
  return s;
}

}  // namespace

std::wstring WideFromUtf8(const char* utf8) {
  std::wstring wide;
  if (utf8 == nullptr || *utf8 == '\0') return wide;
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (length <= 1) return wide;
  wide.resize(static_cast<size_t>(length));
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
  wide.pop_back();  // its terminating zero
  return wide;
}

WORD ControlClass(const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::kEdit:
      return kEditClass;
    case ControlKind::kStaticText:
    case ControlKind::kIcon:
      return kStaticClass;
    default:
      return kButtonClass;
  }
}

DWORD ControlStyle(const ControlTemplate& control) {
  DWORD s = WS_CHILD | WS_VISIBLE;
  const unsigned f = control.flags;
  if (f & kCtlTabStop) s |= WS_TABSTOP;
  if (f & kCtlBorder) s |= WS_BORDER;
  switch (control.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton:
      s |= (control.kind == ControlKind::kDefPushButton || (f & kCtlDefault)) ? BS_DEFPUSHBUTTON
                                                                              : BS_PUSHBUTTON;
      if (f & kCtlMultiLine) s |= BS_MULTILINE;
      break;
    case ControlKind::kBitmapButton:
      s |= BS_PUSHBUTTON | BS_BITMAP;
      if (f & kCtlFlat) s |= BS_FLAT;
      break;
    case ControlKind::kGroupBox:
      s |= BS_GROUPBOX;
      break;
    case ControlKind::kEdit:
      s |= ES_LEFT;
      if (f & kCtlReadOnly) s |= ES_READONLY;
      if (f & kCtlAutoHScroll) s |= ES_AUTOHSCROLL;
      break;
    case ControlKind::kStaticText:
      s |= SS_LEFT;
      break;
    case ControlKind::kIcon:
      s |= SS_ICON;
      break;
  }
  return s;
}

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog) {
  TemplateWriter w;
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature of the extended template
  w.Dword(0);      // helpID
  w.Dword((dialog.style & kDlgAppWindow) ? WS_EX_APPWINDOW : 0);
  w.Dword(DialogWindowStyle(dialog.style));
  w.Word(static_cast<WORD>(dialog.controls.size()));
  w.Short(0);
  w.Short(0);
  w.Short(dialog.width);
  w.Short(dialog.height);
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.Text(dialog.caption);
  w.Word(static_cast<WORD>(dialog.pointSize));
  w.Word(FW_NORMAL);
  w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
  w.Text(dialog.fontName);

  for (const ControlTemplate& control : dialog.controls) {
    w.AlignDword();
    w.Dword(0);  // helpID
    w.Dword(0);  // exStyle
    w.Dword(ControlStyle(control));
    w.Short(control.x);
    w.Short(control.y);
    w.Short(control.width);
    w.Short(control.height);
    // Statics carry the id -1 (0xFFFF), as a resource compiler writes IDC_STATIC.
    w.Dword(static_cast<DWORD>(control.id));
    w.Ordinal(ControlClass(control));
    if (control.kind == ControlKind::kIcon) {
      w.Ordinal(static_cast<WORD>(control.image));
    } else {
      w.Text(control.text);
    }
    w.Word(0);  // no creation data
  }
  return w.Take();
}

INT_PTR RunDialogTemplate(int templateId, HWND owner, DLGPROC proc, LPARAM param) {
  const DialogTemplate* dialog = FindDialogTemplate(templateId);
  if (dialog == nullptr) return -1;
  std::vector<WORD> words = BuildDialogTemplate(*dialog);
  return ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEA>(words.data()), owner, proc,
                                   param);
}

}  // namespace svx

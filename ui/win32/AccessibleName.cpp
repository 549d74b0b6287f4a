// Win32 only.
#include "ui/win32/AccessibleName.h"

#include <commctrl.h>
#include <oleacc.h>

#include <memory>

#include "res/Strings.h"
#include "ui/win32/DialogTemplate.h"

namespace svx {
namespace {

// A name outlives its control in every accessible object handed out for it:
// a client may keep one, and ask it for the name, after the window is gone.
using SharedName = std::shared_ptr<std::wstring>;

// Interface ids by __uuidof throughout: MinGW's oleacc import library also
// holds a symbol IID_IAccessible, an import stub, and a link that takes it
// from there hands the system the stub's code bytes as the id (seen with
// Wine's oleacc, which then answers E_NOINTERFACE).

// oleacc is no known DLL: imported, the loader would look for it in the
// program's folder first, before any code of the program can restrict the
// search, and the program runs elevated from a Downloads folder. So it is
// loaded by its full path in the system folder, at the first accessibility
// request; without it the controls keep the names the system derives.
struct Oleacc {
  decltype(&::CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
  decltype(&::LresultFromObject) lresultFromObject = nullptr;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  // Through void (*)(void), the one function type GCC lets stand for any.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

const Oleacc& SystemOleacc() {
  static const Oleacc loaded = [] {
    Oleacc o;
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return o;
    const std::wstring path = std::wstring(folder, length) + L"\\oleacc.dll";
    HMODULE module = ::LoadLibraryW(path.c_str());
    if (module == nullptr) return o;
    o.createStdAccessibleObject =
        Lookup<decltype(&::CreateStdAccessibleObject)>(module, "CreateStdAccessibleObject");
    o.lresultFromObject = Lookup<decltype(&::LresultFromObject)>(module, "LresultFromObject");
    if (o.createStdAccessibleObject == nullptr || o.lresultFromObject == nullptr) o = Oleacc{};
    return o;
  }();
  return loaded;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The system's proxy for a control, with the name replaced. Everything else
// (role, state, value, location, navigation) is the proxy's, so the control
// is read as the system reads any of its kind.
//
// A COM object is deleted by its own Release, never through an interface,
// whose destructors COM leaves non-virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class NamedAccessible final : public IAccessible, public IOleWindow {
 public:
  NamedAccessible(HWND control, IAccessible* proxy, SharedName name)
      : control_(control), proxy_(proxy), name_(std::move(name)) {}
  NamedAccessible(const NamedAccessible&) = delete;
  NamedAccessible& operator=(const NamedAccessible&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (iid == __uuidof(IOleWindow)) {
      *out = static_cast<IOleWindow*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG refs = ::InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
  }

  // IDispatch: through the proxy's type information, but onto this object,
  // so that a late-bound client gets the same name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return proxy_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return proxy_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return proxy_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* badArgument) override {
    ITypeInfo* info = nullptr;
    HRESULT hr = proxy_->GetTypeInfo(0, locale, &info);
    if (FAILED(hr)) return hr;
    hr = info->Invoke(static_cast<IAccessible*>(this), id, flags, params, result, error,
                      badArgument);
    info->Release();
    return hr;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return proxy_->get_accName(child, name);
    if (name == nullptr) return E_POINTER;
    *name = ::SysAllocStringLen(name_->data(), static_cast<UINT>(name_->size()));
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return proxy_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return proxy_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return proxy_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return proxy_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return proxy_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return proxy_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return proxy_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return proxy_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return proxy_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return proxy_->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return proxy_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return proxy_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return proxy_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
    return proxy_->accSelect(how, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return proxy_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return proxy_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return proxy_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return proxy_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return proxy_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return proxy_->put_accValue(child, value);
  }

  // IOleWindow, by which a client finds the control's window.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = control_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  ~NamedAccessible() { proxy_->Release(); }

  LONG refs_ = 1;
  HWND control_;
  IAccessible* proxy_;
  SharedName name_;
};
#pragma GCC diagnostic pop

constexpr UINT_PTR kNameSubclass = 1;
// Where a named control keeps its name, so that a second call finds it.
constexpr wchar_t kNameProperty[] = L"SvxAccessibleName";

LRESULT CALLBACK NamedControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR, DWORD_PTR data) {
  auto* name = reinterpret_cast<SharedName*>(data);
  switch (message) {
    case WM_GETOBJECT:
      // The object id comes in the low 32 bits, sign-extended or not.
      if (const Oleacc& oleacc = SystemOleacc();
          static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT) &&
          oleacc.createStdAccessibleObject != nullptr) {
        IAccessible* proxy = nullptr;
        if (SUCCEEDED(oleacc.createStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&proxy)))) {
          auto* named = new NamedAccessible(control, proxy, *name);
          const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wParam,
                                                          static_cast<IAccessible*>(named));
          named->Release();
          // Failed (COM not started, say): the client gets the system's proxy,
          // wrongly named, rather than nothing.
          if (result > 0) return result;
        }
      }
      break;
    case WM_NCDESTROY:
      ::RemovePropW(control, kNameProperty);
      ::RemoveWindowSubclass(control, &NamedControlProc, kNameSubclass);
      delete name;
      break;
  }
  return ::DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void SetAccessibleName(HWND control, const std::string& utf8Name) {
  if (control == nullptr) return;
  std::wstring wide = WideFromUtf8(utf8Name.c_str());
  if (auto* name = static_cast<SharedName*>(::GetPropW(control, kNameProperty))) {
    if (**name == wide) return;
    **name = std::move(wide);
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    return;
  }
  auto* name = new SharedName(std::make_shared<std::wstring>(std::move(wide)));
  if (!::SetWindowSubclass(control, &NamedControlProc, kNameSubclass,
                           reinterpret_cast<DWORD_PTR>(name))) {
    delete name;
    return;
  }
  ::SetPropW(control, kNameProperty, name);
}

void NameTemplateControls(HWND dialog, const DialogTemplate& t) {
  for (const ControlTemplate& c : t.controls) {
    if (c.labelFor != 0) {
      SetAccessibleName(::GetDlgItem(dialog, c.labelFor), c.text);
    } else if (c.kind == ControlKind::kBitmapButton) {
      SetAccessibleName(::GetDlgItem(dialog, c.id), std::string(StatusButtonName(t.id, 0)));
    }
  }
}

}  // namespace svx

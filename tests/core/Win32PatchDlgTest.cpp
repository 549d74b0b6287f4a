// The Win32 dialogs over fake services, as real windows: what they answer the
// system, and the ways out while a preparation pass runs.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

// Before anything that reads the shared resource ids: <windows.h> spells IDOK
// and IDCANCEL as macros.
#include "ui/win32/ResourceIds.h"

#include "support/PlatformFakes.h"
#include "support/PrepFaultyFileSystem.h"
#include "ui/win32/LocationDlg.h"
#include "ui/win32/PatchDlg.h"

namespace svx {
namespace {

// Calls a function on every tick of a thread timer. Whatever loop runs at the
// time (the dialog's, a wait's, a message box's) dispatches the tick, so a
// test can act from inside any of them.
class Ticker {
 public:
  explicit Ticker(std::function<void()> tick) : tick_(std::move(tick)) {
    current_ = this;
    id_ = ::SetTimer(nullptr, 0, 10, &Ticker::Proc);
  }
  ~Ticker() {
    ::KillTimer(nullptr, id_);
    current_ = nullptr;
  }
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

 private:
  static void CALLBACK Proc(HWND, UINT, UINT_PTR, DWORD) {
    // A tick that runs a loop of its own must not be entered again from it.
    if (current_ == nullptr || current_->inTick_) return;
    current_->inTick_ = true;
    current_->tick_();
    current_->inTick_ = false;
  }
  static inline Ticker* current_ = nullptr;
  std::function<void()> tick_;
  UINT_PTR id_ = 0;
  bool inTick_ = false;
};

// The registry's folder, with one scenery file for the pass to rename, and the
// locked patch.
void LayOutSimulator(test::FakePlatform& fake) {
  fake.registry.setupPath = "C:\\FSX";
  fake.AddSimulator("C:\\FSX", "1.0.0");
  fake.files.AddFile("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.XXX");
  fake.files.AddFile(TheProductConfig().PatchExecutable(), "??patch");
}

// What the system's accessibility interface reports as the name of a
// control, as a screen reader asks for it. Everything else must be what the
// system's own proxy for the control reports: the role here.
std::string AccessibleName(HWND control) {
  IAccessible* named = nullptr;
  IAccessible* proxy = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&named))) ||
      FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&proxy)))) {
    if (named) named->Release();
    return "(no accessible object)";
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role{}, proxyRole{};
  EXPECT_EQ(named->get_accRole(self, &role), proxy->get_accRole(self, &proxyRole));
  EXPECT_EQ(role.lVal, proxyRole.lVal);
  BSTR name = nullptr;
  const HRESULT hr = named->get_accName(self, &name);
  const std::string text = hr == S_OK && name ? NarrowText(name) : "(no name)";
  ::SysFreeString(name);
  named->Release();
  proxy->Release();
  return text;
}

// What a screen reader reads of a dialog: every edit field with the label
// beside it, and the status button as what its image shows.
void ExpectNames(HWND dialog, const char* status) {
  const std::pair<int, const char*> fields[] = {
      {IDC_TITLE, "Product Version After Patch"},
      {IDC_SIMPATH, "FSX Location"},
      {IDC_CHECKED, "Checked"},
      {IDC_RENAMED, "Renamed"},
      {IDC_REMOVED, "Removed"},
      {IDC_REGISTRY_PATH, "FSX Location In Windows Registry:"},
      {IDC_NEW_PATH, "FSX Location Used By Skarvane:"},
  };
  for (const auto& [id, label] : fields) {
    if (HWND field = ::GetDlgItem(dialog, id)) {
      EXPECT_EQ(AccessibleName(field), label);
    }
  }
  EXPECT_EQ(AccessibleName(::GetDlgItem(dialog, IDC_STATUS)), status);
}

// COM, which hands the accessible objects out, for one test.
struct ComApartment {
  ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { ::CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

// The main window at start-up and after a pass that succeeds or fails.
TEST(Win32PatchDlg, NamesItsFieldsByTheirLabelsAndTheStatusByItsImage) {
  ComApartment com;
  const struct {
    bool refuse;
    const char* outcomeCaption;
    const char* status;
  } cases[] = {
      {false, "Success", "Patch preparation status: ready"},
      {true, "Error", "Patch preparation status: failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    test::FakePlatform fake;
    LayOutSimulator(fake);
    test::PrepFaultyFileSystem files(fake.files);
    if (c.refuse) files.RefuseRename("L1L_0001.XXX");
    Platform platform{files, fake.registry, fake.windows, fake.profiles, fake.processes};
    CPatchDlg dialog(platform);
    enum { kIdle, kPressed, kAnswered, kRead } stage = kIdle;
    Ticker ticker([&] {
      HWND w = dialog.Handle();
      if (w == nullptr) return;
      if (stage == kIdle && ::IsWindowVisible(w)) {
        ExpectNames(w, "Patch preparation status: not run");
        ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stage = kPressed;
      } else if (stage == kPressed) {
        HWND box = ::FindWindowA(nullptr, c.outcomeCaption);
        if (box == nullptr || ::GetWindow(box, GW_OWNER) != w) return;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        stage = kAnswered;
      } else if (stage == kAnswered && ::FindWindowA(nullptr, c.outcomeCaption) == nullptr) {
        ExpectNames(w, c.status);
        ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        stage = kRead;
      }
    });
    EXPECT_EQ(dialog.RunModal(), IDCANCEL);
    EXPECT_EQ(stage, kRead);
  }
}

// The change-location dialog as it opens with no folder, then after Use
// Registry; OK then takes the valid folder without a question.
TEST(Win32LocationDlg, NamesItsFieldsByTheirLabelsAndTheStatusByItsImage) {
  ComApartment com;
  test::FakePlatform fake;
  fake.AddSimulator("C:\\FSX", "1.0.0");
  LocationDialog behaviour(fake.files, "C:\\FSX");
  CLocationDlg dialog(behaviour);
  enum { kIdle, kUsed, kRead } stage = kIdle;
  Ticker ticker([&] {
    HWND w = dialog.Handle();
    if (w == nullptr || !::IsWindowVisible(w)) return;
    if (stage == kIdle) {
      ExpectNames(w, "invalid FSX location");
      ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_USE_REGISTRY, BN_CLICKED), 0);
      stage = kUsed;
    } else if (stage == kUsed) {
      ExpectNames(w, "valid FSX location");
      ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      stage = kRead;
    }
  });
  EXPECT_EQ(dialog.RunModal(), IDOK);
  EXPECT_EQ(stage, kRead);
}

// Before the pass: the system's queries. Whichever way the end is then asked
// for inside the pass's wait, the window stays until the outcome has been
// shown and answered, then ends with Cancel.
TEST(Win32PatchDlg, AnEndAskedForDuringAPassComesAfterTheOutcome) {
  const struct {
    const char* name;
    std::function<void(HWND)> ask;
  } ways[] = {
      {"Exit",
       [](HWND w) {
         ::SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                        reinterpret_cast<LPARAM>(::GetDlgItem(w, IDCANCEL)));
       }},
      {"close box", [](HWND w) { ::SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"quit", [](HWND) { ::PostQuitMessage(0); }},
      {"end of session",
       [](HWND w) { EXPECT_EQ(::SendMessageA(w, WM_QUERYENDSESSION, 0, 0), FALSE); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    test::FakePlatform fake;
    LayOutSimulator(fake);
    CPatchDlg dialog(fake.platform);
    enum { kIdle, kPressed, kAsked, kAnswered } stage = kIdle;
    bool shownAtOutcome = false;
    Ticker ticker([&] {
      HWND w = dialog.Handle();
      if (w == nullptr) return;
      if (stage == kIdle && ::IsWindowVisible(w)) {
        // The drag icon is the dialog procedure's own return value.
        EXPECT_EQ(::SendMessageA(w, WM_QUERYDRAGICON, 0, 0),
                  ::SendMessageA(w, WM_GETICON, ICON_BIG, 0));
        EXPECT_NE(::SendMessageA(w, WM_QUERYDRAGICON, 0, 0), 0);
        EXPECT_NE(::SendMessageA(w, WM_QUERYENDSESSION, 0, 0), 0) << "no pass runs yet";
        ::PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        stage = kPressed;
      } else if (stage == kPressed && ::GetCapture() == w) {  // the pass holds the mouse
        way.ask(w);
        stage = kAsked;
      } else if (stage == kAsked) {
        HWND box = ::FindWindowA(nullptr, "Success");
        if (box == nullptr || ::GetWindow(box, GW_OWNER) != w) return;
        shownAtOutcome = ::IsWindowVisible(w);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        stage = kAnswered;
      }
    });
    EXPECT_EQ(dialog.RunModal(), IDCANCEL);
    EXPECT_EQ(stage, kAnswered) << "the outcome was not shown";
    EXPECT_TRUE(shownAtOutcome) << "the window went away during the pass";
    EXPECT_EQ(fake.files.Content(TheProductConfig().PatchExecutable()), "MZpatch");
  }
}

}  // namespace
}  // namespace svx

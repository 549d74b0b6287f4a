// The Win32 main window over fake services, as a real window: what it answers
// the system, and the ways out while a preparation pass runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

// Before anything that reads the shared resource ids: <windows.h> spells IDOK
// and IDCANCEL as macros.
#include "ui/win32/ResourceIds.h"

#include "support/PlatformFakes.h"
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
    fake.registry.setupPath = "C:\\FSX";
    fake.AddSimulator("C:\\FSX", "1.0.0");
    fake.files.AddFile("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.XXX");
    fake.files.AddFile(TheProductConfig().PatchExecutable(), "??patch");
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

#include "GuiSupport.h"

#include <filesystem>

#include <stdlib.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "config/ProductConfig.h"
#include "support/FakePrefix.h"

namespace svx::test {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  wxStopWatch watch;
  while (!done()) {
    if (watch.Time() > timeoutMs) return false;
    wxYield();
    wxMilliSleep(5);
  }
  return true;
}

void Settle(int ms) {
  WaitUntil([] { return false; }, ms);
}

bool ShowAndWait(wxWindow& window) {
  window.Show();
  window.Raise();
  const bool shown = WaitUntil([&] { return window.IsShownOnScreen(); });
  // Mapping and the first paint come a little after the window counts as shown.
  Settle(300);
  return shown;
}

void ClickOn(wxWindow& window) {
  wxUIActionSimulator mouse;
  const wxRect rect = window.GetScreenRect();
  mouse.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
  Settle(50);
  mouse.MouseClick();
}

SampleInstall::SampleInstall(const std::string& registryFolder, const std::string& version) {
  namespace fs = std::filesystem;
  oldCwd_ = fs::current_path().string();
  dir_.MakeDir("home");
  const test::FakePrefix prefix(dir_.Path() / "prefix", test::Arch::kWin32);
  if (!registryFolder.empty()) prefix.SetupPath(registryFolder);
  WriteSimulator(kSimFolder, version);
  dir_.Write("work/" + TheProductConfig().PatchExecutable(), "XXpatch body");
  setenv("HOME", (dir_.Path() / "home").c_str(), 1);
  setenv("WINEPREFIX", (dir_.Path() / "prefix").c_str(), 1);
  fs::current_path(dir_.Path() / "work");
}

SampleInstall::~SampleInstall() {
  std::error_code ec;
  std::filesystem::current_path(oldCwd_, ec);
}

void SampleInstall::WriteSimulator(const std::string& relative, const std::string& version) {
  const std::string sim = relative + "/";
  dir_.Write(sim + "TERRAIN.CFG", "[General]\n");
  dir_.Write(sim + "Quellmark/RoDeZez/PRODUCT.INI", "[Product]\r\nVersion=" + version + "\r\n");
  const std::string scenery = sim + "Scenery/VODeVevuza/Scenery/";
  dir_.Write(scenery + "L1L_0001.XXX", "inactive");  // to be activated
  dir_.Write(scenery + "L1L_0002.BGL", "active");    // already in place
  dir_.Write(scenery + "L1L_0003.XXX", "inactive");
  dir_.Write(scenery + "LLC_0001.BGL", "old");  // redundant beside its .XXX
  dir_.Write(scenery + "LLC_0001.XXX", "kept");
  dir_.Write(scenery + "OTHER.BGL", "not covered");
}

std::string SampleInstall::Patch() const {
  return dir_.Read("work/" + TheProductConfig().PatchExecutable());
}

}  // namespace svx::test

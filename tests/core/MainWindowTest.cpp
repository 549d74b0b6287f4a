#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "res/ResourceIds.h"
#include "support/PlatformFakes.h"
#include "support/UiFakes.h"
#include "ui/LocationDialog.h"

namespace svx {
namespace {

using test::FakeLocationView;
using test::FakeMainView;
using test::FakePlatform;
using test::ShownMessage;

const ShownMessage kRunningMessage{
    "A process named \"Microsoft Flight Simulator X\" has been found running in the "
    "background.\n\nYou must terminate this process before any modifications can be made to the "
    "FSX environment.\n\nAfter terminating the background process, you can restart this "
    "application.\n\nPress any key to exit this application.",
    "Skarvane X Patch Preparation Tool Warning", 16};
const ShownMessage kNotLocatedMessage{
    "FSX could not be located at the path defined in the Windows Registry.\n\nPress the \"Change "
    "FSX Location\" button to locate FSX manually",
    "Warning", 16};
const ShownMessage kAlreadyInstalledMessage{
    "Kelmirth X - Version 1.1.0 is already installed on this machine !\n\nThe patch is not "
    "necessary.",
    "Notice", 16};

ShownMessage WrongVersionMessage(const std::string& installed) {
  return {"The installed version of this product is \"" + installed +
              "\".\n\nThis patch requires one of the following versions: \"1.0.0\"\n\nPlease "
              "install any previous required patches to get to the required version.",
          "Warning", 16};
}

// What the add-on's version file says.
enum class Installed { kRequired, kTarget, kOther, kNoFile };

std::optional<std::string> VersionText(Installed v) {
  switch (v) {
    case Installed::kRequired:
      return "1.0.0";
    case Installed::kTarget:
      return "1.1.0";
    case Installed::kOther:
      return "1.0";
    case Installed::kNoFile:
      return std::nullopt;
  }
  return std::nullopt;
}

// The message a failed version gate shows, if any.
std::optional<ShownMessage> GateMessage(Installed v) {
  switch (v) {
    case Installed::kRequired:
      return std::nullopt;
    case Installed::kTarget:
      return kAlreadyInstalledMessage;
    case Installed::kOther:
      return WrongVersionMessage("1.0");
    case Installed::kNoFile:
      return WrongVersionMessage("undefined");
  }
  return std::nullopt;
}

// The main window over fake services: the fixture's, or one per case of a table.
struct Session {
  FakePlatform fake;
  FakeMainView view;
  MainWindow window{view, fake.platform};

  // A simulator at C:\FSX on the registry's word, with scenery for two rules
  // and the patch file in the working directory.
  void StartWithPreparedTree() {
    fake.registry.setupPath = "C:\\FSX";
    fake.AddSimulator("C:\\FSX", "1.0.0");
    fake.files.AddFile("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.XXX", "a");
    fake.files.AddFile("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\LLC_0001.BGL", "b");
    fake.files.AddFile("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\LLC_0001.XXX", "c");
    fake.files.AddFile(TheProductConfig().PatchExecutable(), "??patch");
    ASSERT_TRUE(window.OnInitDialog());
    ASSERT_TRUE(view.Messages().empty());
  }

  // Presses "Change FSX Location" and plays the dialog it opens: initialises
  // it over its fake view and lets act do the user's part.
  void ChangeLocation(FakeLocationView& dialogView, std::function<void(LocationDialog&)> act) {
    view.locationScript = [&dialogView, act](LocationDialog& dialog) {
      dialog.Attach(dialogView);
      EXPECT_TRUE(dialog.OnInitDialog());
      act(dialog);
      if (dialogView.endResults.empty()) {
        ADD_FAILURE() << "the change-location dialog was left open";
        return static_cast<int>(kResultCancel);
      }
      return dialogView.endResults.back();
    };
    window.OnChangeLocation();
  }
};

class MainWindowTest : public ::testing::Test, protected Session {};

enum class RegistryState { kValid, kTrailingBackslash, kNoValue, kNotASimulator };

TEST_F(MainWindowTest, StartUpMatrix) {
  for (bool running : {false, true}) {
    for (RegistryState reg : {RegistryState::kValid, RegistryState::kTrailingBackslash,
                              RegistryState::kNoValue, RegistryState::kNotASimulator}) {
      for (Installed installed :
           {Installed::kRequired, Installed::kTarget, Installed::kOther, Installed::kNoFile}) {
        SCOPED_TRACE(::testing::Message()
                     << "running=" << running << " registry=" << static_cast<int>(reg)
                     << " installed=" << static_cast<int>(installed));
        Session run;
        if (running) run.fake.windows.titles = {"Microsoft Flight Simulator X"};
        run.fake.AddSimulator("C:\\FSX", VersionText(installed));
        run.fake.files.AddFile("D:\\Elsewhere\\readme.txt");
        std::string folder;
        switch (reg) {
          case RegistryState::kValid:
            run.fake.registry.setupPath = folder = "C:\\FSX";
            break;
          case RegistryState::kTrailingBackslash:
            run.fake.registry.setupPath = "C:\\FSX\\";
            folder = "C:\\FSX";
            break;
          case RegistryState::kNoValue:
            break;
          case RegistryState::kNotASimulator:
            run.fake.registry.setupPath = folder = "D:\\Elsewhere";
            break;
        }
        const bool valid = reg == RegistryState::kValid || reg == RegistryState::kTrailingBackslash;

        std::vector<ShownMessage> messages;
        std::vector<int> ends;
        if (running) {
          messages.push_back(kRunningMessage);
          ends.push_back(kResultCancel);
        }
        if (!valid) {
          messages.push_back(kNotLocatedMessage);
        } else if (auto gate = GateMessage(installed)) {
          messages.push_back(*gate);
          ends.push_back(kResultCancel);
        }

        EXPECT_TRUE(run.window.OnInitDialog());
        EXPECT_EQ(run.view.Messages(), messages);
        EXPECT_EQ(run.view.endResults, ends);
        EXPECT_EQ(run.view.controls.title, "Kelmirth X- Version 1.1.0");
        EXPECT_EQ(run.view.controls.simFolder, folder);
        EXPECT_EQ(run.window.RegistryFolder(), folder);
        EXPECT_EQ(run.view.Enabled(IDOK), valid);
        EXPECT_FALSE(run.view.Enabled(IDC_LAUNCH));
        EXPECT_EQ(run.view.image, StatusImage::kNone);
        // The version file is only consulted for a folder that passed the test.
        EXPECT_EQ(run.fake.profiles.pathsRead.size(), valid ? 1u : 0u);
      }
    }
  }
}

TEST_F(MainWindowTest, ExitEndsAtOnceWithoutAQuestion) {
  for (const auto exit : {&MainWindow::OnCancel, &MainWindow::OnEscape}) {
    Session run;
    run.StartWithPreparedTree();
    run.window.OnPreparation();
    const size_t shown = run.view.Messages().size();
    (run.window.*exit)();
    EXPECT_EQ(run.view.endResults, std::vector<int>{kResultCancel});
    EXPECT_EQ(run.view.Messages().size(), shown);
  }
}

TEST_F(MainWindowTest, AboutRunsTheAboutBox) {
  StartWithPreparedTree();
  window.OnAbout();
  EXPECT_EQ(view.aboutRuns, 1);
  EXPECT_TRUE(view.endResults.empty());
}

TEST_F(MainWindowTest, PreparationShowsItsWorkAndEnablesLaunch) {
  StartWithPreparedTree();
  window.OnPreparation();

  EXPECT_EQ(view.controls.counters.checked, 3);
  EXPECT_EQ(view.controls.counters.renamed, 1);
  EXPECT_EQ(view.controls.counters.removed, 1);
  EXPECT_EQ(view.image, StatusImage::kValid);
  EXPECT_TRUE(view.Enabled(IDC_LAUNCH));
  EXPECT_EQ(view.busyDepth, 0);
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].caption, "Success");
  EXPECT_EQ(fake.files.Content(TheProductConfig().PatchExecutable()), "MZpatch");
  EXPECT_TRUE(view.endResults.empty());  // the window stays open
}

TEST_F(MainWindowTest, SecondPreparationChangesNothing) {
  StartWithPreparedTree();
  window.OnPreparation();
  const auto after = fake.files.Files();

  window.OnPreparation();
  EXPECT_EQ(fake.files.Files(), after);
  EXPECT_EQ(view.controls.counters.checked, 2);  // L1L_0001.BGL and LLC_0001.XXX
  EXPECT_EQ(view.controls.counters.renamed, 0);
  EXPECT_EQ(view.controls.counters.removed, 0);
  EXPECT_EQ(view.image, StatusImage::kValid);
  EXPECT_TRUE(view.Enabled(IDC_LAUNCH));
}

TEST_F(MainWindowTest, LaunchStartsThePatchAndReportsAFailure) {
  StartWithPreparedTree();
  window.OnPreparation();
  const size_t shown = view.Messages().size();

  window.OnLaunch();
  EXPECT_EQ(fake.processes.started, std::vector<std::string>{"SvxKmV11.exe"});
  EXPECT_EQ(fake.processes.simFolders, std::vector<std::string>{window.Values().simFolder});
  EXPECT_EQ(view.Messages().size(), shown);

  fake.processes.failure = "No such file or directory";
  window.OnLaunch();
  ASSERT_EQ(view.Messages().size(), shown + 1);
  EXPECT_EQ(view.Messages().back(), (ShownMessage{"No such file or directory", "Warning", 16}));
  // Nothing changes, so the user may try again.
  EXPECT_TRUE(view.Enabled(IDC_LAUNCH));
  EXPECT_TRUE(view.endResults.empty());
  window.OnLaunch();
  EXPECT_EQ(fake.processes.started.size(), 3u);
}

// Keys pressed inside the pass's waits are dispatched; the commands they send
// must not start the patch, swap the folder, nest a second pass or open a
// modal box that holds the pass up.
TEST_F(MainWindowTest, CommandsSentDuringAPassAreIgnored) {
  StartWithPreparedTree();
  view.duringWait = [&] {
    window.OnLaunch();
    window.OnChangeLocation();
    window.OnPreparation();
    window.OnAbout();
    EXPECT_FALSE(window.OffersAboutMenu());
    window.OnEscape();
  };
  window.OnPreparation();

  EXPECT_TRUE(view.endResults.empty()) << "Escape during the pass ended the tool";
  EXPECT_TRUE(window.OffersAboutMenu());
  EXPECT_TRUE(fake.processes.started.empty());
  EXPECT_EQ(view.locationRuns, 0);
  EXPECT_EQ(view.aboutRuns, 0);
  EXPECT_EQ(view.busyRuns, 1);
  EXPECT_EQ(view.controls.counters.checked, 3);
  EXPECT_EQ(view.Messages().size(), 1u);

  // Once the pass is over the same commands work again.
  window.OnLaunch();
  EXPECT_EQ(fake.processes.started.size(), 1u);
}

// Exit, the close command and the end of the session during a pass: the pass
// finishes and reports, and only then does the window end.
TEST_F(MainWindowTest, AnEndAskedForDuringAPassComesAfterTheOutcome) {
  const struct {
    const char* name;
    std::function<void(MainWindow&)> ask;
  } ways[] = {
      {"Exit or close", [](MainWindow& w) { w.OnCancel(); }},
      {"end of session", [](MainWindow& w) { EXPECT_FALSE(w.OnQueryEndSession()); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    Session run;
    run.StartWithPreparedTree();
    run.view.duringWait = [&] {
      way.ask(run.window);
      EXPECT_TRUE(run.view.endResults.empty()) << "the window went away during the pass";
    };
    run.window.OnPreparation();

    ASSERT_EQ(run.view.Messages().size(), 1u);
    EXPECT_EQ(run.view.Messages()[0].caption, "Success");
    EXPECT_EQ(run.view.endResults, std::vector<int>{kResultCancel});
    EXPECT_EQ(run.view.busyDepth, 0);
    EXPECT_EQ(run.fake.files.Content(TheProductConfig().PatchExecutable()), "MZpatch");
    EXPECT_TRUE(run.fake.files.Content("C:\\FSX\\SCENERY\\VODeVevuza\\Scenery\\L1L_0001.BGL"));
  }

  // Outside a pass the session may end at once.
  StartWithPreparedTree();
  EXPECT_TRUE(window.OnQueryEndSession());
  window.OnPreparation();
  EXPECT_TRUE(view.endResults.empty()) << "no end was asked for during this pass";
}

TEST_F(MainWindowTest, ValidTypedFolderReplacesTheFolderAndRunsTheGate) {
  const struct {
    Installed installed;
    bool ends;
  } cases[] = {{Installed::kRequired, false},
               {Installed::kTarget, true},
               {Installed::kOther, true},
               {Installed::kNoFile, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.installed));
    Session run;
    run.fake.AddSimulator("C:\\FSX", "1.1.0");  // registry folder is invalid: no value
    run.fake.AddSimulator("D:\\Games\\FSX", VersionText(c.installed));
    run.window.OnInitDialog();
    ASSERT_FALSE(run.view.Enabled(IDOK));

    FakeLocationView dialogView;
    run.ChangeLocation(dialogView, [&](LocationDialog& dialog) {
      dialogView.Type("D:\\Games\\FSX");
      dialog.OnOk();
    });

    EXPECT_EQ(run.window.Values().simFolder, "D:\\Games\\FSX");
    EXPECT_EQ(run.view.controls.simFolder, "D:\\Games\\FSX");
    EXPECT_EQ(run.window.RegistryFolder(), "");
    EXPECT_TRUE(run.view.Enabled(IDOK));
    EXPECT_EQ(run.fake.profiles.pathsRead,
              std::vector<std::string>{"D:\\Games\\FSX\\Quellmark\\RoDeZez\\PRODUCT.INI"});
    std::vector<ShownMessage> messages{kNotLocatedMessage};
    if (auto gate = GateMessage(c.installed)) messages.push_back(*gate);
    EXPECT_EQ(run.view.Messages(), messages);
    EXPECT_EQ(run.view.endResults, c.ends ? std::vector<int>{kResultCancel} : std::vector<int>{});
  }
}

TEST_F(MainWindowTest, ADialogThatEndsWithoutAValidFolderChangesNothing) {
  const struct {
    const char* name;
    std::function<void(FakeLocationView&, LocationDialog&)> act;
  } cases[] = {
      {"invalid typed, OK, Yes",
       [](FakeLocationView& v, LocationDialog& d) {
         v.Type("E:\\Nothing");
         v.box.answers = {kAnswerYes};
         d.OnOk();
       }},
      {"invalid typed, OK, No, then Cancel, Yes",
       [](FakeLocationView& v, LocationDialog& d) {
         v.Type("E:\\Nothing");
         v.box.answers = {kAnswerNo, kAnswerYes};
         d.OnOk();
         d.OnCancel();
       }},
      {"valid browsed, Cancel, Yes",
       [](FakeLocationView& v, LocationDialog& d) {
         v.picks = {std::string("D:\\Games\\FSX")};
         v.box.answers = {kAnswerYes};
         d.OnBrowse();
         d.OnCancel();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session run;
    run.fake.registry.setupPath = "C:\\Missing";
    run.fake.AddSimulator("D:\\Games\\FSX", "1.0.0");
    run.window.OnInitDialog();

    FakeLocationView dialogView;
    run.ChangeLocation(dialogView, [&](LocationDialog& dialog) { c.act(dialogView, dialog); });

    EXPECT_EQ(run.window.Values().simFolder, "C:\\Missing");
    EXPECT_EQ(run.view.controls.simFolder, "C:\\Missing");
    EXPECT_FALSE(run.view.Enabled(IDOK));
    EXPECT_TRUE(run.fake.profiles.pathsRead.empty());
    EXPECT_EQ(run.view.Messages(), std::vector<ShownMessage>{kNotLocatedMessage});
    EXPECT_TRUE(run.view.endResults.empty());
  }
}

TEST_F(MainWindowTest, ChangeAfterASuccessfulPreparationKeepsItsResults) {
  StartWithPreparedTree();
  window.OnPreparation();
  const PrepCounters counters = view.controls.counters;
  fake.AddSimulator("D:\\Other", "1.0.0");
  fake.files.AddFile("D:\\Other\\SCENERY\\VODeVevuza\\Scenery\\L1L_0002.XXX");

  FakeLocationView dialogView;
  ChangeLocation(dialogView, [&](LocationDialog& d) {
    dialogView.Type("D:\\Other");
    d.OnOk();
  });

  EXPECT_EQ(window.Values().simFolder, "D:\\Other");
  EXPECT_EQ(view.controls.counters.checked, counters.checked);
  EXPECT_EQ(view.controls.counters.renamed, counters.renamed);
  EXPECT_EQ(view.controls.counters.removed, counters.removed);
  EXPECT_EQ(view.image, StatusImage::kValid);
  EXPECT_TRUE(view.Enabled(IDC_LAUNCH));
  // Nothing runs on the new folder until the user asks for it.
  EXPECT_TRUE(fake.files.Content("D:\\Other\\SCENERY\\VODeVevuza\\Scenery\\L1L_0002.XXX"));
  EXPECT_EQ(view.busyRuns, 1);
  // The patch starts for the folder that was prepared, not the new one.
  window.OnLaunch();
  EXPECT_EQ(fake.processes.simFolders, std::vector<std::string>{"C:\\FSX"});

  // Opened again, the dialog starts from the registry's folder, not the one in use.
  FakeLocationView again;
  ChangeLocation(again, [&](LocationDialog& d) {
    EXPECT_EQ(again.controls.registryFolder, "C:\\FSX");
    EXPECT_EQ(again.controls.newFolder, "");
    EXPECT_EQ(again.Image(), StatusImage::kInvalid);
    again.box.answers = {kAnswerYes};
    d.OnCancel();
  });
  EXPECT_EQ(window.Values().simFolder, "D:\\Other");
}

}  // namespace
}  // namespace svx

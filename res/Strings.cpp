#include "res/Strings.h"

#include "res/ResourceIds.h"

namespace svx {

const char* const kAboutBoxItem = "&About SvxPatch...";
// Fixed, as the About box has always read; the release number is in the
// Windows program's version information.
const char* const kAboutVersionLine = "SvxPatch Version 1.0";
const char* const kAboutSecondLine = "Scenery patch preparation";

std::string_view LoadResString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return kAboutBoxItem;
    default:
      return {};
  }
}

const char* const kWarningCaption = "Warning";
const char* const kErrorCaption = "Error";
const char* const kSuccessCaption = "Success";
const char* const kNoticeCaption = "Notice";
const char* const kToolWarningCaption = "Skarvane X Patch Preparation Tool Warning";
const char* const kQuestionCaption = "";

std::string ProductTitleLine(const std::string& product, const std::string& targetVersion) {
  // The product name runs straight into the dash, as the tool's title line
  // always has.
  return product + "- Version " + targetVersion;
}

const char* const kSimulatorRunningText =
    "A process named \"Microsoft Flight Simulator X\" has been found running in the "
    "background.\n\n"
    "You must terminate this process before any modifications can be made to the FSX "
    "environment.\n\n"
    "After terminating the background process, you can restart this application.\n\n"
    "Press any key to exit this application.";
const char* const kFolderNotFoundText =
    "FSX could not be located at the path defined in the Windows Registry.\n\n"
    "Press the \"Change FSX Location\" button to locate FSX manually";

std::string AlreadyInstalledText(const std::string& product, const std::string& targetVersion) {
  return product + " - Version " + targetVersion +
         " is already installed on this machine !\n\nThe patch is not necessary.";
}

std::string WrongVersionText(const std::string& installed,
                             std::span<const std::string> requiredVersions) {
  std::string text = "The installed version of this product is \"" + installed + "\".\n\n" +
                     "This patch requires one of the following versions: ";
  for (size_t i = 0; i < requiredVersions.size(); ++i) {
    text += "\"" + requiredVersions[i] + "\"";
    if (i + 1 < requiredVersions.size()) text += ", ";
  }
  return text + "\n\nPlease install any previous required patches to get to the required version.";
}

const char* const kPreparationFailedText =
    "The patch preparation failed because windows prevented modifications of the required "
    "scenery files\n\nTry rebooting to clear any file locks.  Then, retry this patch preparation "
    "tool.";
const char* const kPreparationSucceededText =
    "The patch preparation was successful and the patch has been unlocked.\n\nPress the \"Launch "
    "Patch Application\" button to begin the patch process.";
const char* const kUnlockFailedText =
    "The patch preparation was successful.  But, the patch file could not be unlocked !\nAre you "
    "sure that you followed the patch instructions correctly ?\n";

std::string NotStartedText(const std::string& program) {
  return program + " could not be started.";
}

// Both say what is missing rather than "No such file or directory", which
// would read as if the patch itself were.
std::string WineMissingText(const std::string& program) {
  return "Wine is needed to start " + program +
         ", and no Wine was found.\n\nInstall the wine package (sudo apt install wine), or set "
         "WINE to the Wine program to use, then launch the patch again.";
}

std::string WineNotRunnableText(const std::string& program, const std::string& wine) {
  return "Wine is needed to start " + program + ", but WINE names \"" + wine +
         "\", which is not a program that can be run.\n\nSet WINE to the Wine program to use, "
         "or unset it to use the Wine of the wine package.";
}

// Another Wine than the manager's would update the prefix for itself, which
// the manager may then undo or refuse; so the patch is not started with one
// unless the user names it.
std::string ManagersWineGoneText(const std::string& program, const std::string& reason) {
  return program + " was not started: " + reason +
         ".\n\nTo start the patch with another Wine all the same, which may change the prefix "
         "for that Wine, start this tool with WINE set to it (WINE=/path/to/wine svxpatch) and "
         "launch the patch again.";
}

std::string WineNotInstalledReason(const std::string& manager, const std::string& prefix,
                                   std::span<const std::string> wines) {
  std::string text = manager + " runs the Wine prefix " + prefix + " with ";
  for (size_t i = 0; i < wines.size(); ++i) {
    if (i > 0) text += ", else with ";
    text += wines[i];
  }
  return text + (wines.size() > 1 ? ", none of which is installed" : ", which is not installed");
}

std::string NoProtonRecordedReason(const std::string& prefix) {
  return "Steam has no record of the Proton that runs the Wine prefix " + prefix +
         " (neither its config_info nor Steam's config.vdf names one)";
}

std::string ProtonNotRunnableReason(const std::string& prefix, const std::string& proton) {
  return "Steam runs the Wine prefix " + prefix + " with " + proton +
         ", which cannot be started here: it needs umu-run, or python3 for its proton script, or "
         "a Wine of its own in its files or dist folder";
}

std::string OlderProtonReason(const std::string& prefix, const std::string& prefixVersion,
                              const std::string& proton, const std::string& protonVersion) {
  return "the Wine prefix " + prefix + " was last run by Proton " + prefixVersion +
         ", and the Proton Steam would start it with now, " + proton + " (" + protonVersion +
         "), is older: it would first remove the files the newer Proton put into the prefix";
}

std::string UmuMissingReason(const std::string& manager, const std::string& prefix,
                             const std::string& proton) {
  return manager + " runs the Wine prefix " + prefix + " with " + proton +
         " through umu-run, which is not installed";
}

const char* const kBrowseTitle = "Select FSX Folder Location";
// Two spaces after the first full stop and a blank before each question mark:
// these are the texts users have always been shown.
const char* const kInvalidOnExitQuestion =
    "The specified FSX path is not valid.  The new path\n"
    "will not be saved if you exit now.\n\n"
    "Are you sure you want to exit ?";
const char* const kCancelQuestion = "Are you sure you want to cancel the changes ?\n";

std::string_view StatusButtonName(int dialogId, int bitmapId) {
  struct Name {
    int dialog, bitmap;
    const char* text;
  };
  static constexpr Name kNames[] = {
      {IDD_MAIN, 0, "Patch preparation status: not run"},
      {IDD_MAIN, IDB_VALID, "Patch preparation status: ready"},
      {IDD_MAIN, IDB_INVALID, "Patch preparation status: failed"},
      {IDD_LOCATION, 0, "FSX location not checked"},
      {IDD_LOCATION, IDB_VALID, "valid FSX location"},
      {IDD_LOCATION, IDB_INVALID, "invalid FSX location"},
  };
  for (const Name& n : kNames) {
    if (n.dialog == dialogId && n.bitmap == bitmapId) return n.text;
  }
  return {};
}

}  // namespace svx

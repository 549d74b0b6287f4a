// Every text the tool shows that its dialog templates do not spell out: the string table,
// the About box's lines, the captions and texts of the message boxes, the
// folder chooser's title and the main window's title line. A text with inserts
// is a function that puts them in; the styles of the boxes are the code's.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace svx {

extern const char* const kAboutBoxItem;      // string 101
extern const char* const kAboutVersionLine;  // "SvxPatch Version 1.0", whatever the release
extern const char* const kAboutSecondLine;

// The text of a string-table entry; empty for an id the table does not hold,
// as loading a missing string gives on Windows.
std::string_view LoadResString(int id);

// The captions of the message boxes; the two Yes/No questions have none.
extern const char* const kWarningCaption;
extern const char* const kErrorCaption;
extern const char* const kSuccessCaption;
extern const char* const kNoticeCaption;
extern const char* const kToolWarningCaption;
extern const char* const kQuestionCaption;

// "<product>- Version <target version>", the main window's first field.
std::string ProductTitleLine(const std::string& product, const std::string& targetVersion);

// Start-up: the simulator runs; the registry's folder fails the folder test.
extern const char* const kSimulatorRunningText;
extern const char* const kFolderNotFoundText;

// The version gate's verdicts.
std::string AlreadyInstalledText(const std::string& product, const std::string& targetVersion);
std::string WrongVersionText(const std::string& installed,
                             std::span<const std::string> requiredVersions);

// The outcome of a preparation pass, and an unlock that failed after it.
extern const char* const kPreparationFailedText;
extern const char* const kPreparationSucceededText;
extern const char* const kUnlockFailedText;

// Starting the patch: the system had no text for its error; on Linux, no Wine
// to start a Windows program with, or a WINE that names none.
std::string NotStartedText(const std::string& program);
std::string WineMissingText(const std::string& program);
std::string WineNotRunnableText(const std::string& program, const std::string& wine);

// Starting the patch on Linux when what the prefix's manager runs it with is
// not there: the box's text, around one of the reasons below. `prefix` is the
// prefix's folder, `manager` the manager's name (Steam, Lutris, ...).
std::string ManagersWineGoneText(const std::string& program, const std::string& reason);
// The manager's Wine (a folder or program; several: each it would take in turn)
// is not installed.
std::string WineNotInstalledReason(const std::string& manager, const std::string& prefix,
                                   std::span<const std::string> wines);
// Steam has no record of which Proton runs the prefix.
std::string NoProtonRecordedReason(const std::string& prefix);
// The Proton is there, but neither it nor its Wine can be started here.
std::string ProtonNotRunnableReason(const std::string& prefix, const std::string& proton);
// The Proton would first take back the files a newer one put into the prefix.
std::string OlderProtonReason(const std::string& prefix, const std::string& prefixVersion,
                              const std::string& proton, const std::string& protonVersion);
// The manager runs this Proton only through umu-run, which is not installed.
std::string UmuMissingReason(const std::string& manager, const std::string& prefix,
                             const std::string& proton);

// The change-location dialog.
extern const char* const kBrowseTitle;
extern const char* const kInvalidOnExitQuestion;
extern const char* const kCancelQuestion;

// What a screen reader reads for the status button of the main window (102)
// or the change-location dialog (129) while it shows the green check mark
// (130), the red X (131) or no image (0); empty for any other. The button
// shows no text, so nothing else tells a blind user what the image says.
std::string_view StatusButtonName(int dialogId, int bitmapId);

}  // namespace svx

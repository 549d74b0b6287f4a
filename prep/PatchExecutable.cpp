#include "prep/PatchExecutable.h"

#include <memory>

#include "res/Strings.h"

namespace svx {

int UnlockPatch(MessageOwner& owner, FileSystem& files, const std::string& executable) {
  bool unlocked = false;
  if (std::unique_ptr<UpdateFile> file = files.OpenForUpdate(executable)) {
    const bool written = file->Write("MZ", 2);
    // Closed even after a failed write so that the file is not held open; a
    // close that fails may have lost the two bytes, which is no unlock either.
    const bool closed = file->Close();
    unlocked = written && closed;
  }
  if (!unlocked) {
    owner.ShowMessage(kUnlockFailedText, kSuccessCaption, kStyleExclamation);
    return -1;
  }
  return 0;
}

void LaunchPatch(MessageOwner& owner, ProcessLauncher& processes, const std::string& executable,
                 const std::string& simFolder) {
  const std::string commandLine = executable;
  const std::optional<std::string> error = processes.StartDetachedFor(commandLine, simFolder);
  if (!error) return;
  // The system may have no text for an error; an empty box would leave the
  // user guessing what went wrong, so say at least which program did not start.
  const std::string text = error->empty() ? NotStartedText(executable) : *error;
  owner.ShowMessage(text, kWarningCaption, kStyleStop);
}

}  // namespace svx

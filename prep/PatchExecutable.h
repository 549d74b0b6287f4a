// The patch program: unlocking its file and starting it.
#pragma once

#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/ProcessLauncher.h"

namespace svx {

// Writes "MZ" over the first two bytes of the file of that bare name in the
// working directory. 0 on success; -1 after showing the failure message.
int UnlockPatch(MessageOwner& owner, FileSystem& files, const std::string& executable);

// Starts the patch program without waiting for it, for the simulator in
// simFolder (the folder in use); any failure is shown.
void LaunchPatch(MessageOwner& owner, ProcessLauncher& processes, const std::string& executable,
                 const std::string& simFolder);

}  // namespace svx

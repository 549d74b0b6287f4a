// POSIX code only. Windows programs run through Wine: what the launcher asks
// of the Wine subsystem (see WindowsPrograms in PosixProcessLauncher.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/posix/PosixProcessLauncher.h"
#include "platform/posix/wine/PrefixSearch.h"

namespace svx {

class WinePrograms : public WindowsPrograms {
 public:
  // prefixInUse: the prefix chosen at start-up.
  WinePrograms(PrefixSearch search, std::string prefixInUse)
      : search_(std::move(search)), prefixInUse_(std::move(prefixInUse)) {}

  // The prefix that holds simFolder (a Linux path, or a drive such as Z: that
  // reaches one), else the prefix in use.
  std::string PrefixFor(const std::string& simFolder) const override;

  // drive_c/windows/system32 and drive_c/windows.
  std::vector<std::string> SystemFolders(const std::string& prefix) const override;

  // The command FindWine picks for the prefix: the way its manager starts
  // programs there, so that no other Wine version updates the user's prefix;
  // where the manager's choice is gone, the text that says so.
  Start CommandFor(const std::string& path, const std::string& commandLine,
                   const std::string& prefix) const override;

 private:
  PrefixSearch search_;
  std::string prefixInUse_;
};

}  // namespace svx

// POSIX code only. Which prefix a simulator folder lies in. A folder given as
// a Windows path reaches Linux through the drive links of the prefix in use
// (DriveLink.h); a Linux path, typed or so reached, lies in the nearest folder
// at or above it that holds drive_c and system.reg, which may well be another
// prefix than the one in use (a Z: path leads anywhere).
#pragma once

#include <optional>
#include <string>

namespace svx {

// The prefix a Linux path lies in: the nearest folder at or above it that
// holds drive_c and system.reg.
std::optional<std::string> PrefixHolding(const std::string& path);

// The prefix a program for the simulator in simFolder runs in: the one that
// holds the folder, else the prefix in use.
std::string PrefixForFolder(const std::string& simFolder, const std::string& prefixInUse);

}  // namespace svx

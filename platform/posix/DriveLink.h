// POSIX code only. How Wine shows a prefix's drives to Linux: one link per
// drive letter in the prefix's dosdevices folder (c: -> ../drive_c, z: -> /).
// The file layer reaches every drive-letter path through them.
#pragma once

#include <optional>
#include <string>

namespace svx {

// The folder `letter` maps to in `prefix`, links resolved; nothing when the
// prefix has no such drive, or there is no prefix.
std::optional<std::string> DriveRoot(const std::string& prefix, char letter);

}  // namespace svx

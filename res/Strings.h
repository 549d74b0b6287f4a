// The string table and the fixed texts of the About box.
#pragma once

#include <string_view>

namespace svx {

inline constexpr const char* kAboutBoxItem = "&About SvxPatch...";  // string 101
inline constexpr const char* kAboutVersionLine = "SvxPatch Version 1.0";
inline constexpr const char* kAboutSecondLine = "Scenery patch preparation";

// The text of a string-table entry; empty for an id the table does not hold,
// as loading a missing string gives on Windows.
std::string_view LoadResString(int id);

}  // namespace svx

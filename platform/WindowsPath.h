// Windows paths taken apart by their text alone, as Windows does before it
// looks at any disk. No I/O: the file layers and the tests' in-memory file
// systems build on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svx {

bool IsWindowsSeparator(char c);

struct WindowsPath {
  enum class Start {
    kCurrentFolder,  // "FSX\TERRAIN.CFG"
    kRoot,           // "\FSX\TERRAIN.CFG": the root of the current drive
    // "C:\FSX" and "C:FSX": Windows takes the second from the drive's own
    // current folder; this tool keeps none, so both start at the drive's root.
    kDrive,
  };
  Start start = Start::kCurrentFolder;
  char drive = 0;  // kDrive: the letter as written
  // kCurrentFolder: how many ".." climb above the current folder. From a root
  // ".." goes nowhere.
  size_t up = 0;
  // The names in order; empty components (doubled separators), "." and ".."
  // are gone.
  std::vector<std::string> parts;
  // Ended in a separator: names a folder only.
  bool folderOnly = false;

  bool operator==(const WindowsPath&) const = default;
};

// Nothing for an empty path, for a NUL byte inside (a system call would take
// the text before it and reach another entry), and for a "\\server\share"
// network path, which the tool has no way to reach.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path);

// A path's text up to and including its last separator, and the name after it.
struct FolderAndName {
  std::string_view folder;
  std::string_view name;
};

// Nothing when the path has no separator or its last component is no plain
// name ("", "." or "..", or holds a NUL byte). Lets a caller that has resolved
// a folder's text once serve further names in it without parsing again.
std::optional<FolderAndName> SplitLastName(std::string_view path);

}  // namespace svx

// POSIX code only. Path helpers shared by the file layer, the launcher and the
// Wine prefix search.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

namespace svx {

// folder/name, with one "/" between them.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

// The folder that holds `path` ("/" for the root's entries, "." for a bare
// name), and the last name in it; trailing separators do not count.
std::string ParentFolder(std::string path);
std::string BaseName(std::string path);

// The folders of a colon-separated search path ($PATH and its like), empty
// entries left out.
std::vector<std::string> SearchPathFolders(const std::string& path);

// What is at a path, links followed.
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// A regular file this process may execute.
bool IsProgram(const std::string& path);
// Both paths reach the same folder (or file), through whatever links.
bool SameFolder(const std::string& a, const std::string& b);

// The errno of a path with nothing at its end, as opposed to one that is there
// but could not be opened or read.
inline bool IsAbsence(int error) {
  return error == ENOENT || error == ENOTDIR;
}

}  // namespace svx

// POSIX code only.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>

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

// The errno of a path with nothing at its end, as opposed to one that is there
// but could not be opened or read.
inline bool IsAbsence(int error) {
  return error == ENOENT || error == ENOTDIR;
}

}  // namespace svx

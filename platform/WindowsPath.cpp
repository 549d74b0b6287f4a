#include "platform/WindowsPath.h"

namespace svx {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool IsWindowsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;

  WindowsPath out;
  out.folderOnly = IsWindowsSeparator(path.back());
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    out.start = WindowsPath::Start::kDrive;
    out.drive = path[0];
    path.remove_prefix(2);
  } else if (IsWindowsSeparator(path[0])) {
    if (path.size() >= 2 && IsWindowsSeparator(path[1])) return std::nullopt;
    out.start = WindowsPath::Start::kRoot;
  }

  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsWindowsSeparator(path[i])) ++i;
    size_t end = i;
    while (end < path.size() && !IsWindowsSeparator(path[end])) ++end;
    const std::string_view part = path.substr(i, end - i);
    if (part.empty() || part == ".") {
      // nothing: doubled separators and "." name the same folder
    } else if (part != "..") {
      out.parts.emplace_back(part);
    } else if (!out.parts.empty()) {
      out.parts.pop_back();
    } else if (out.start == WindowsPath::Start::kCurrentFolder) {
      ++out.up;
    }
    i = end;
  }
  return out;
}

std::optional<FolderAndName> SplitLastName(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) return std::nullopt;
  const std::string_view name = path.substr(cut + 1);
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  return FolderAndName{path.substr(0, cut + 1), name};
}

}  // namespace svx

// POSIX code only.
#include "platform/posix/DriveLink.h"

#include <stdlib.h>

#include <memory>

#include "platform/posix/PosixPath.h"

namespace svx {

std::optional<std::string> DriveRoot(const std::string& prefix, char letter) {
  // Without a prefix no drive exists (rather than one under "/dosdevices").
  if (prefix.empty()) return std::nullopt;
  std::string link = JoinPath(prefix, "dosdevices/");
  link += static_cast<char>(letter | 0x20);
  link += ':';
  const std::unique_ptr<char, void (*)(void*)> real(::realpath(link.c_str(), nullptr), ::free);
  if (!real || !IsFolder(real.get())) return std::nullopt;
  return std::string(real.get());
}

}  // namespace svx

// Read-only access to HKEY_LOCAL_MACHINE, in the view a 32-bit program sees.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace svx {

class Registry {
 public:
  virtual ~Registry() = default;
  // The text of a string value, as the system's narrow string. Nothing when the
  // key or value is missing, the value is not text, or it needs more than
  // maxBytes bytes including its terminating zero.
  virtual std::optional<std::string> ReadLocalMachineString(const std::string& key,
                                                            const std::string& value,
                                                            size_t maxBytes) = 0;
};

}  // namespace svx

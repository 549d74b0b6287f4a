// INI (profile) file reading with the rules of the Windows profile reader.
#pragma once

#include <cstddef>
#include <string>

namespace svx {

class ProfileReader {
 public:
  virtual ~ProfileReader() = default;
  // The value of key in section of the file at path, cut to bufferSize - 1
  // characters; the default when the file, the section or the key is missing.
  virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue, const std::string& path,
                                       size_t bufferSize) = 0;
};

}  // namespace svx

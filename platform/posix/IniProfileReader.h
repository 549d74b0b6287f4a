// Profile (INI) files read with the rules of the Windows profile reader, for
// platforms that have none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/ProfileReader.h"

namespace svx {

// The value of key in the first section named `section` of an INI text, cut to
// bufferSize - 1 bytes; defaultValue (less trailing blanks, also cut) when the
// section or the key is missing. Section and key names match without regard to
// ASCII letter case.
std::string ReadProfileValue(std::string_view iniText, std::string_view section,
                             std::string_view key, std::string_view defaultValue,
                             size_t bufferSize);

class IniProfileReader : public ProfileReader {
 public:
  // A version file is a few lines; anything larger than this is not one and
  // is treated like a missing file rather than read in part, so that a value
  // is never taken from a file cut at an arbitrary point.
  static constexpr size_t kMaxFileBytes = 16u << 20;

  explicit IniProfileReader(FileSystem& files) : files_(files) {}

  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue, const std::string& path,
                               size_t bufferSize) override;

 private:
  FileSystem& files_;
};

}  // namespace svx

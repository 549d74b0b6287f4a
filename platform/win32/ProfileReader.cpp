// Win32 only.
#include <windows.h>

#include <vector>

#include "platform/win32/Win32Platform.h"

namespace svx {

std::string Win32ProfileReader::GetProfileString(const std::string& section, const std::string& key,
                                                 const std::string& defaultValue,
                                                 const std::string& path, size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  if (bufferSize > 0x7fffffff) bufferSize = 0x7fffffff;
  std::vector<char> buffer(bufferSize, '\0');
  DWORD length =
      ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                 static_cast<DWORD>(bufferSize), path.c_str());
  return std::string(buffer.data(), length);
}

}  // namespace svx

// Win32 only.
#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"

namespace svx {

namespace {

// The simulator's installer is a 32-bit program and writes to the 32-bit view;
// a 64-bit build asks for that view so that it reads what the 32-bit tool reads.
constexpr REGSAM kViewFlag = sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0;

}  // namespace

std::optional<std::string> Win32Registry::ReadLocalMachineString(const std::string& key,
                                                                 const std::string& value,
                                                                 size_t maxBytes) {
  if (maxBytes == 0 || maxBytes > 0x7fffffff) return std::nullopt;
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | kViewFlag, &opened) !=
      ERROR_SUCCESS) {
    return std::nullopt;  // never opened, so never closed
  }
  const UniqueKey handle(opened);
  // One byte beyond the limit tells a value of exactly maxBytes stored without
  // its zero (which needs maxBytes + 1 to read as text) from one that fits.
  std::vector<char> buffer(maxBytes + 1, '\0');
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(maxBytes);
  LONG status = ::RegQueryValueExA(handle.Get(), value.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status != ERROR_SUCCESS) return std::nullopt;  // missing, or larger than maxBytes
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  // The text ends at its first zero; a value stored without one ends with the data.
  std::string text(buffer.data(), size);
  size_t zero = text.find('\0');
  if (zero != std::string::npos) {
    text.resize(zero);
  } else if (text.size() + 1 > maxBytes) {
    return std::nullopt;
  }
  return text;
}

}  // namespace svx

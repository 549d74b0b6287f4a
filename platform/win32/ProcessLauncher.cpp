// Win32 only.
#include <windows.h>

#include <vector>

#include "platform/win32/Win32Platform.h"

namespace svx {

std::string SystemErrorText(unsigned long code) {
  char* text = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
      nullptr);
  std::string result;
  if (length != 0 && text != nullptr) result.assign(text, length);
  // Freed only when the system allocated it.
  if (text != nullptr) ::LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

std::optional<std::string> Win32ProcessLauncher::StartDetached(const std::string& commandLine) {
  // CreateProcessA may write into the command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};

  // No application name: the system then looks for the program in the tool's
  // own folder, the working directory, the system folders and the search path.
  char* environment = ::GetEnvironmentStringsA();
  BOOL started = ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                  NORMAL_PRIORITY_CLASS, environment, nullptr, &startup, &process);
  DWORD error = started ? 0 : ::GetLastError();
  if (environment != nullptr) ::FreeEnvironmentStringsA(environment);
  if (!started) return SystemErrorText(error);

  for (HANDLE handle : {process.hProcess, process.hThread}) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  return std::nullopt;
}

}  // namespace svx

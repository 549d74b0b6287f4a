// Win32 only.
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"

namespace svx {

namespace {

struct LocalFreer {
  void operator()(char* text) const { ::LocalFree(text); }
};

struct EnvironmentFreer {
  void operator()(char* block) const { ::FreeEnvironmentStringsA(block); }
};

}  // namespace

std::string SystemErrorText(unsigned long code) {
  char* text = nullptr;
  DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
      nullptr);
  // Freed only when the system allocated it.
  const std::unique_ptr<char, LocalFreer> allocated(text);
  std::string result;
  if (length != 0 && allocated) result.assign(allocated.get(), length);
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
  const std::unique_ptr<char, EnvironmentFreer> environment(::GetEnvironmentStringsA());
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                        environment.get(), nullptr, &startup, &process)) {
    return SystemErrorText(::GetLastError());
  }
  // The tool neither waits for the program nor controls it.
  const UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  return std::nullopt;
}

}  // namespace svx

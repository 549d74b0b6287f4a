// How long the registry read takes on a prefix-sized system.reg: builds a file
// of many keys with the simulator's key last, and times the search.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/posix/WineRegistry.h"

int main() {
  std::string text =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
  for (int i = 0; text.size() < (48u << 20); ++i) {
    text += "[Software\\\\Wow6432Node\\\\Classes\\\\CLSID\\\\{" + std::to_string(i) +
            "-0000-0000-C000-000000000046}\\\\InprocServer32] 1796747077\n#time=1d9a0b1c2d3e4f5\n"
            "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n\"ThreadingModel\"=\"Both\"\n\n";
  }
  text +=
      "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1\n"
      "\"SetupPath\"=\"C:\\\\Program Files\\\\FSX\\\\\"\n";
  const auto start = std::chrono::steady_clock::now();
  const auto found = svx::FindRegistryString(
      text, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0", "SetupPath", 999);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu MiB searched in %.1f ms: %s\n", text.size() >> 20, ms,
              found ? found->c_str() : "(not found)");
  return found ? 0 : 1;
}

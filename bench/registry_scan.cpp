// How long the registry read takes on a prefix-sized system.reg: builds a file
// of many keys with the simulator's key last, and times the search.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/posix/wine/WineRegistry.h"
#include "support/FakePrefix.h"

int main() {
  const std::string text =
      svx::test::RegistryHead() +
      svx::test::FillerKeys("Software\\Wow6432Node\\Classes\\CLSID", 48u << 20) +
      svx::test::SimulatorKey("C:\\Program Files\\FSX\\");
  const auto start = std::chrono::steady_clock::now();
  const auto found = svx::FindRegistryString(
      text, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0", "SetupPath", 999);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%zu MiB searched in %.1f ms: %s\n", text.size() >> 20, ms,
              found ? found->c_str() : "(not found)");
  return found ? 0 : 1;
}

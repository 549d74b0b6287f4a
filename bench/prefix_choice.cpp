// How long start-up takes to choose the Wine prefix in a home with many
// prefixes: N-1 Steam prefixes without the simulator, tried first, and the
// simulator in a Bottles bottle, tried last, every system.reg of M MiB laid
// out as wineserver writes one. The files are written to a temporary home
// (N x M MiB on disk) and removed afterwards.
//
// Usage: prefix_choice [N=200] [M=10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "install/SimulatorChecks.h"
#include "platform/posix/wine/PrefixSearch.h"
#include "platform/posix/wine/WineRegistry.h"
#include "support/FakePrefix.h"

namespace {

namespace fs = std::filesystem;

// A system.reg of about `bytes`, the simulator's key among the others where
// wineserver's order puts it.
std::string Registry(size_t bytes, bool withSimulator) {
  const size_t perGroup = bytes / 5;
  std::string keys =
      svx::test::FillerKeys("Software\\Classes\\CLSID", perGroup) +
      svx::test::FillerKeys("Software\\Microsoft\\Windows\\CurrentVersion", perGroup) +
      svx::test::FillerKeys("Software\\Wow6432Node\\Classes\\CLSID", perGroup);
  if (withSimulator) keys += svx::test::SimulatorKey("C:\\Games\\FSX\\");
  return keys +
         svx::test::FillerKeys("Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                               perGroup) +
         svx::test::FillerKeys("System\\CurrentControlSet\\Services", perGroup);
}

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const int prefixes = argc > 1 ? std::atoi(argv[1]) : 200;
  const size_t mib = argc > 2 ? static_cast<size_t>(std::atoi(argv[2])) : 10;
  if (prefixes < 1 || mib < 1) {
    std::fprintf(stderr, "usage: prefix_choice [prefixes] [MiB per system.reg]\n");
    return 2;
  }
  char pattern[] = "/tmp/svx-prefix-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path home = fs::path(pattern) / "home";
  std::printf("writing %d prefixes of %zu MiB in %s ...\n", prefixes, mib, pattern);

  const std::string plain = Registry(mib << 20, false);
  const fs::path steam = home / ".local/share/Steam/steamapps/compatdata";
  for (int i = 0; i + 1 < prefixes; ++i) {
    svx::test::FakePrefix(steam / std::to_string(1000 + i) / "pfx").Registry(plain);
  }
  const fs::path bottle = home / ".local/share/bottles/bottles/Flight";
  svx::test::FakePrefix(bottle).Registry(Registry(mib << 20, true)).DriveC("Games/FSX/TERRAIN.CFG");
  svx::test::WriteFile(bottle / "bottle.yml", "Name: Flight\nRunner: sys-wine\n");

  svx::PrefixSearch search;
  search.home = home.string();
  search.dataHome = (home / ".local/share").string();
  search.configHome = (home / ".config").string();

  auto start = std::chrono::steady_clock::now();
  svx::PrefixInUse inUse = svx::ChoosePrefixInUse(search, svx::CheckRegistryFolder);
  const double choice = Ms(start);
  const std::string folder = svx::ReadRegistryPath(*inUse.registry);
  const bool right = inUse.prefix.path == bottle.string() && folder == "C:\\Games\\FSX";

  // For comparison: every registry read whole and parsed, as before.
  start = std::chrono::steady_clock::now();
  size_t read = 0;
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (entry.path().filename() != "system.reg") continue;
    svx::WineRegistry whole(
        svx::WineRegistryOptions{entry.path().parent_path().string(), 256u << 20, SIZE_MAX});
    whole.ReadLocalMachineString("SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0",
                                 "SetupPath", 999);
    ++read;
  }
  const double wholeMs = Ms(start);

  std::printf("chose %s (%s) among %d prefixes of %zu MiB in %.1f ms\n", inUse.prefix.path.c_str(),
              folder.c_str(), prefixes, mib, choice);
  std::printf("reading all %zu registries whole instead: %.1f ms\n", read, wholeMs);
  fs::remove_all(pattern);
  return right ? 0 : 1;
}

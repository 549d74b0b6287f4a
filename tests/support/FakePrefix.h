// Wine prefixes laid out on disk as Wine and the prefix managers leave them,
// for the tests and the benchmarks: the registry file as wineserver writes
// it, drive_c and the drive links; and Steam's KeyValues files as Steam
// writes them. The managers' YAML files are written out in the tests
// themselves, where the exact text is what a case is about.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace svx::test {

enum class Arch { kWin32, kWin64 };

// Backslashes and quotes escaped, as system.reg and Steam's files hold them.
inline std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// system.reg's text before its first key, as wineserver writes it.
inline std::string RegistryHead(Arch arch = Arch::kWin64) {
  return std::string("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=") +
         (arch == Arch::kWin64 ? "win64" : "win32") + "\n";
}

// A key as wineserver writes it: its line, named with single backslashes
// here ("Software\\Wine"), its time line, then `values` as they stand.
inline std::string RegistryKey(std::string_view name, std::string_view values = {}) {
  return "\n[" + Escaped(name) + "] 1796747077\n#time=1d9a0b1c2d3e4f5\n" + std::string(values);
}

// The simulator's key, where its 32-bit installer leaves it in a prefix of
// `arch`, with SetupPath `folder` (as the installer stores it).
inline std::string SimulatorKey(std::string_view folder, Arch arch = Arch::kWin64) {
  const std::string view = arch == Arch::kWin64 ? "Software\\Wow6432Node" : "Software";
  return RegistryKey(view + "\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0",
                     "\"SetupPath\"=\"" + Escaped(folder) + "\"\n");
}

// Keys in wineserver's order (depth first, names sorted without regard to
// case) below `parent`, each like a COM class's, until they make `bytes`.
inline std::string FillerKeys(std::string_view parent, size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) {
    char id[16];
    std::snprintf(id, sizeof id, "%08d", i);
    text += RegistryKey(
        std::string(parent) + "\\{" + id + "-0000-0000-C000-000000000046}\\InprocServer32",
        "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n\"ThreadingModel\"=\"Both\"\n");
  }
  return text;
}

// A file with its content, its folders made.
inline std::filesystem::path WriteFile(const std::filesystem::path& path,
                                       std::string_view content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

// A prefix on disk.
class FakePrefix {
 public:
  // The prefix as wineboot leaves one: drive_c, drive C: linked to it, and a
  // registry without the simulator's key.
  explicit FakePrefix(std::filesystem::path path, Arch arch = Arch::kWin64)
      : path_(std::move(path)), arch_(arch) {
    std::filesystem::create_directories(path_ / "drive_c");
    Drive('c', "../drive_c");
    Registry();
  }

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }

  // system.reg written afresh, with these keys after its head.
  const FakePrefix& Registry(std::string_view keys = {}) const {
    WriteFile(path_ / "system.reg", RegistryHead(arch_) + std::string(keys));
    return *this;
  }
  // The registry naming `folder` as the simulator's.
  const FakePrefix& SetupPath(std::string_view folder) const {
    return Registry(SimulatorKey(folder, arch_));
  }
  // The link dosdevices/<letter>: to `target`, as winecfg makes it.
  const FakePrefix& Drive(char letter, const std::filesystem::path& target) const {
    std::filesystem::create_directories(path_ / "dosdevices");
    std::filesystem::create_directory_symlink(target,
                                              path_ / "dosdevices" / std::string{letter, ':'});
    return *this;
  }
  // A file below drive_c.
  std::filesystem::path DriveC(const std::string& relative, std::string_view content = {}) const {
    return WriteFile(path_ / "drive_c" / relative, content);
  }

 private:
  std::filesystem::path path_;
  Arch arch_;
};

// A KeyValues key with its value, or (made by Block) with a block of keys.
struct KeyValue {
  KeyValue(std::string k, std::string v) : key(std::move(k)), value(std::move(v)) {}
  std::string key;
  std::string value;
  std::vector<KeyValue> block;
  bool isBlock = false;
};

inline KeyValue Block(std::string key, std::vector<KeyValue> keys) {
  KeyValue kv(std::move(key), "");
  kv.block = std::move(keys);
  kv.isBlock = true;
  return kv;
}

// The text as Steam writes its files: tab-indented, two tabs between a key
// and its value, each brace on a line of its own.
inline std::string KeyValuesText(const KeyValue& kv, size_t depth = 0) {
  const std::string indent(depth, '\t');
  std::string text = indent + "\"" + Escaped(kv.key) + "\"";
  if (!kv.isBlock) return text + "\t\t\"" + Escaped(kv.value) + "\"\n";
  text += "\n" + indent + "{\n";
  for (const KeyValue& inner : kv.block) text += KeyValuesText(inner, depth + 1);
  return text + indent + "}\n";
}

}  // namespace svx::test

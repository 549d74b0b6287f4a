// POSIX code only.
#include "platform/posix/WinePrefix.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/posix/RegularFile.h"
#include "platform/posix/UniqueFd.h"

namespace svx {
namespace {

// The managers' own files are small; anything larger is not one of them.
constexpr size_t kMaxRecordBytes = 1u << 20;

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty() || folder.back() == '/') return folder + std::string(name);
  return folder + "/" + std::string(name);
}

std::string Parent(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path.substr(path.find_last_of('/') + 1);
}

// A runner or version name from a manager's file names one folder among its
// siblings, never a way out of them.
bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsProgram(const std::string& path) {
  return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

bool LooksLikePrefix(const std::string& folder) {
  return IsFolder(Join(folder, "drive_c")) || IsRegularFile(Join(folder, "system.reg"));
}

// The names in a folder that end in `suffix`, in byte order so that every run
// tries them alike.
std::vector<std::string> Entries(const std::string& folder, std::string_view suffix = {}) {
  std::vector<std::string> names;
  const UniqueDir dir = OpenDir(folder);
  if (!dir) return names;
  ForEachEntry(dir.get(), [&](std::string_view name, unsigned char) {
    if (name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix) {
      names.emplace_back(name);
    }
  });
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> names = Entries(folder);
  std::erase_if(names, [&](const std::string& name) { return !IsFolder(Join(folder, name)); });
  return names;
}

std::string ReadRecord(const std::string& path) {
  return ReadRegularFile(path, kMaxRecordBytes).value_or(std::string());
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x110000) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<uint32_t> Hex(std::string_view digits) {
  uint32_t value = 0;
  for (char c : digits) {
    const int d = (c >= '0' && c <= '9')   ? c - '0'
                  : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                           : -1;
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return value;
}

// --- YAML, as Lutris and Bottles write it (PyYAML, block style) ---

int Indent(std::string_view line) {
  int n = 0;
  while (static_cast<size_t>(n) < line.size() && line[static_cast<size_t>(n)] == ' ') ++n;
  return n;
}

bool IsBlankOrComment(std::string_view line) {
  const std::string_view t = Trim(line);
  return t.empty() || t.front() == '#';
}

// A quoted scalar that starts at text[0] and may run over several lines, each
// line break folded into a space as YAML does. PyYAML writes non-ASCII
// characters of paths as escapes unless told otherwise.
std::optional<std::string> QuotedScalar(std::string_view text) {
  const char quote = text.front();
  std::string out;
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
      out += ' ';
      while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) ++i;
    } else if (quote == '\'' && c == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        out += '\'';
        ++i;
      } else {
        return out;
      }
    } else if (quote == '"' && c == '"') {
      return out;
    } else if (quote == '"' && c == '\\' && i + 1 < text.size()) {
      const char e = text[++i];
      const size_t digits = e == 'x' ? 2 : e == 'u' ? 4 : e == 'U' ? 8 : 0;
      if (digits != 0) {
        const auto cp = Hex(text.substr(i + 1, digits));
        if (!cp || i + digits >= text.size()) return std::nullopt;
        AppendUtf8(out, *cp);
        i += digits;
      } else if (e == '\n') {
        while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) ++i;
      } else {
        // \\ \" \/ and the like stand for the character itself.
        constexpr std::string_view kEscapes = "0abtnvfre";
        constexpr std::string_view kMeanings{"\0\a\b\t\n\v\f\r\x1b", 9};
        const size_t k = kEscapes.find(e);
        out += k == std::string_view::npos ? e : kMeanings[k];
      }
    } else {
      out += c;
    }
  }
  return std::nullopt;  // never closed
}

// The scalar at `path` (a key, then keys nested under it) of a YAML mapping.
// Only what PyYAML writes for these files is understood: block mappings,
// plain or quoted scalars, long plain scalars folded onto further lines.
// Nothing for a missing key, a null, or anything that is not a scalar.
std::optional<std::string> YamlScalar(std::string_view text,
                                      std::initializer_list<std::string_view> path) {
  const std::vector<std::string_view> lines = Lines(text);
  auto want = path.begin();
  int parentIndent = -1;
  int levelIndent = -1;  // not yet known
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (IsBlankOrComment(line)) continue;
    const int indent = Indent(line);
    if (indent <= parentIndent) return std::nullopt;  // the wanted block ended
    if (levelIndent < 0) levelIndent = indent;
    if (indent != levelIndent) continue;

    std::string_view body = line.substr(static_cast<size_t>(indent));
    size_t colon = body.find(": ");
    if (colon == std::string_view::npos && !body.empty() && body.back() == ':') {
      colon = body.size() - 1;
    }
    if (colon == std::string_view::npos) continue;
    std::string_view key = Trim(body.substr(0, colon));
    if (key.size() >= 2 && (key.front() == '"' || key.front() == '\'') &&
        key.back() == key.front()) {
      key = key.substr(1, key.size() - 2);
    }
    if (key != *want) continue;

    const std::string_view rest = Trim(body.substr(colon + 1));
    if (++want != path.end()) {
      if (!rest.empty()) return std::nullopt;
      parentIndent = indent;
      levelIndent = -1;
      continue;
    }
    // The value, with every more deeply indented line after it.
    size_t end = i + 1;
    while (end < lines.size() && (Trim(lines[end]).empty() || Indent(lines[end]) > indent)) ++end;
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
      const size_t from = static_cast<size_t>(rest.data() - text.data());
      const size_t to =
          end < lines.size() ? static_cast<size_t>(lines[end].data() - text.data()) : text.size();
      return QuotedScalar(text.substr(from, to - from));
    }
    if (rest.empty() || rest.front() == '|' || rest.front() == '>' || rest.front() == '{' ||
        rest.front() == '[') {
      return std::nullopt;
    }
    std::string value(rest.substr(0, rest.find(" #")));
    for (size_t j = i + 1; j < end; ++j) {
      if (IsBlankOrComment(lines[j])) continue;
      value += ' ';
      value += Trim(lines[j]);
    }
    if (value == "~" || value == "null" || value == "Null" || value == "NULL") return std::nullopt;
    return value;
  }
  return std::nullopt;
}

bool YamlTrue(const std::optional<std::string>& value) {
  return value && (*value == "true" || *value == "True" || *value == "TRUE" || *value == "yes");
}

std::string ExpandHome(std::string path, const PrefixSearch& search) {
  if (path == "~" || path.rfind("~/", 0) == 0) path = search.home + path.substr(1);
  return path;
}

// --- Steam's libraryfolders.vdf (Valve's KeyValues text) ---

// Every library folder the file lists: the "path" of each numbered block, or,
// in the older form, the numbered values themselves.
std::vector<std::string> SteamLibraries(std::string_view vdf) {
  std::vector<std::string> libraries;
  std::vector<std::string> keys;  // the open blocks
  std::optional<std::string> key;
  size_t i = 0;
  while (i < vdf.size()) {
    const char c = vdf[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (vdf.substr(i, 2) == "//") {
      i = std::min(vdf.find('\n', i), vdf.size());
    } else if (c == '{') {
      if (!key) return libraries;
      keys.push_back(*key);
      key.reset();
      ++i;
    } else if (c == '}') {
      if (keys.empty()) return libraries;
      keys.pop_back();
      key.reset();
      ++i;
    } else {
      std::string token;
      if (c == '"') {
        for (++i; i < vdf.size() && vdf[i] != '"'; ++i) {
          if (vdf[i] == '\\' && i + 1 < vdf.size()) {
            const char e = vdf[++i];
            token += e == 'n' ? '\n' : e == 't' ? '\t' : e;
          } else {
            token += vdf[i];
          }
        }
        ++i;
      } else {
        while (i < vdf.size() &&
               std::string_view(" \t\r\n{}\"").find(vdf[i]) == std::string_view::npos) {
          token += vdf[i++];
        }
      }
      if (!key) {
        key = std::move(token);
        continue;
      }
      const bool numbered =
          !key->empty() && key->find_first_not_of("0123456789") == std::string::npos;
      if ((keys.size() == 2 && *key == "path") || (keys.size() == 1 && numbered)) {
        libraries.push_back(token);
      }
      key.reset();
    }
  }
  return libraries;
}

// A Wine build's program in its folder: Wine's own layout, or a Proton
// build's (files/ since Proton 8, dist/ before).
std::optional<std::string> WineIn(const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  for (const char* program : {"bin/wine", "bin/wine64", "files/bin/wine", "dist/bin/wine"}) {
    const std::string path = Join(folder, program);
    if (IsProgram(path)) return path;
  }
  return std::nullopt;
}

using WineCommand = std::vector<std::string>;

std::optional<WineCommand> Command(std::optional<std::string> program) {
  if (!program) return std::nullopt;
  return WineCommand{std::move(*program)};
}

void Add(std::vector<WinePrefix>& out, std::string path, PrefixManager manager,
         std::string runner = {}) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // A NUL (a YAML escape can write one) would cut the path short at the system.
  if (path.empty() || path.find('\0') != std::string::npos) return;
  if (IsFolder(path)) out.push_back({std::move(path), manager, std::move(runner)});
}

// --- The managers, one row each: where its prefixes are, which Wine runs them ---

// Steam keeps one prefix per game, compatdata/<app id>/pfx, in each of its
// libraries: its own folder and those libraryfolders.vdf lists. The Proton
// build that last ran a prefix wrote config_info beside it: its version, then
// its fonts folder <build>/share/fonts/, then its library folder <build>/lib/.
// (Checked against Proton's own script, which writes that file.)
void FindSteam(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string flatpak = Join(s.home, ".var/app/com.valvesoftware.Steam");
  std::vector<std::string> libraries;
  for (const std::string& root :
       {Join(s.dataHome, "Steam"), Join(s.home, ".steam/steam"), Join(s.home, ".steam/root"),
        Join(s.home, ".steam/debian-installation"), Join(flatpak, ".local/share/Steam"),
        Join(flatpak, "data/Steam")}) {
    if (!IsFolder(root)) continue;
    libraries.push_back(root);
    for (const char* list : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"}) {
      for (const std::string& library : SteamLibraries(ReadRecord(Join(root, list)))) {
        libraries.push_back(library);
      }
    }
  }
  std::vector<std::string> seen;
  for (const std::string& library : libraries) {
    if (std::any_of(seen.begin(), seen.end(),
                    [&](const std::string& other) { return SameFolder(other, library); })) {
      continue;
    }
    seen.push_back(library);
    const std::string compatdata = Join(library, "steamapps/compatdata");
    for (const std::string& app : SubFolders(compatdata)) {
      Add(out, Join(Join(compatdata, app), "pfx"), PrefixManager::kSteam);
    }
  }
}

std::optional<WineCommand> SteamWine(const WinePrefix& prefix, const PrefixSearch&) {
  const std::string info = ReadRecord(Join(Parent(prefix.path), "config_info"));
  const std::vector<std::string_view> lines = Lines(info);
  for (size_t i = 1; i < lines.size() && i <= 3; ++i) {
    std::string folder(Trim(lines[i]));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (std::string_view tail : {"/share/fonts", "/lib64", "/lib"}) {
      if (folder.size() > tail.size() &&
          folder.compare(folder.size() - tail.size(), tail.size(), tail) == 0) {
        if (auto wine = WineIn(folder.substr(0, folder.size() - tail.size()))) {
          return Command(wine);
        }
      }
    }
  }
  return std::nullopt;
}

// Lutris keeps a YAML file per game in games/ of its configuration folder
// (~/.config/lutris, or ~/.local/share/lutris once ~/.config/lutris is gone;
// Flatpak: ~/.var/app/net.lutris.Lutris/{config,data}/lutris): the prefix is
// game: prefix:, the Wine build wine: version:, a folder in its data folder's
// runners/wine/ ("custom" names wine: custom_wine_path: instead); a game
// without a version takes that of runners/wine.yml. Prefixes whose game files
// are gone are still in ~/Games, where Lutris puts them by default. (Checked
// against Lutris's settings.py and runners/wine.py.)
void FindLutris(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string flatpak = Join(s.home, ".var/app/net.lutris.Lutris");
  const std::pair<std::string, std::string> installs[] = {
      {Join(s.configHome, "lutris"), Join(s.dataHome, "lutris")},
      {Join(s.dataHome, "lutris"), Join(s.dataHome, "lutris")},
      {Join(flatpak, "config/lutris"), Join(flatpak, "data/lutris")},
      {Join(flatpak, "data/lutris"), Join(flatpak, "data/lutris")},
  };
  for (const auto& [config, data] : installs) {
    const std::optional<std::string> usual =
        YamlScalar(ReadRecord(Join(config, "runners/wine.yml")), {"wine", "version"});
    const std::string games = Join(config, "games");
    for (const std::string& file : Entries(games, ".yml")) {
      const std::string game = ReadRecord(Join(games, file));
      const std::optional<std::string> prefix = YamlScalar(game, {"game", "prefix"});
      if (!prefix) continue;
      std::optional<std::string> version = YamlScalar(game, {"wine", "version"});
      if (!version) version = usual;
      std::string runner;
      if (version == "custom") {
        runner = ExpandHome(YamlScalar(game, {"wine", "custom_wine_path"}).value_or(""), s);
      } else if (version && PlainName(*version)) {
        runner = Join(data, "runners/wine/" + *version);
      }
      Add(out, ExpandHome(*prefix, s), PrefixManager::kLutris, std::move(runner));
    }
  }
  const std::string games = Join(s.home, "Games");
  for (const std::string& name : SubFolders(games)) {
    if (LooksLikePrefix(Join(games, name))) Add(out, Join(games, name), PrefixManager::kLutris);
  }
}

// Lutris and Bottles name the Wine while their prefixes are listed: a runner
// folder, or (Lutris's "custom") the program itself.
std::optional<WineCommand> RecordedWine(const WinePrefix& prefix, const PrefixSearch&) {
  if (IsProgram(prefix.runner)) return Command(prefix.runner);
  return Command(WineIn(prefix.runner));
}

// Bottles keeps each bottle, a prefix, in bottles/ of its data folder
// (~/.local/share/bottles; Flatpak: ~/.var/app/com.usebottles.bottles/data/
// bottles), or in data.yml's custom_bottles_path. A bottle's bottle.yml names
// its Wine build in Runner:, a folder in runners/ ("sys-..." is the system's
// Wine), and, with Custom_Path: true, the prefix's own folder in Path:.
// (Checked against Bottles' backend: models/config.py, globals.py, data.py.)
void FindBottles(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  for (const std::string& base : {Join(s.dataHome, "bottles"),
                                  Join(s.home, ".var/app/com.usebottles.bottles/data/bottles")}) {
    std::vector<std::string> folders;
    if (auto custom = YamlScalar(ReadRecord(Join(base, "data.yml")), {"custom_bottles_path"})) {
      folders.push_back(ExpandHome(*custom, s));
    }
    folders.push_back(Join(base, "bottles"));
    for (const std::string& folder : folders) {
      for (const std::string& name : SubFolders(folder)) {
        const std::string bottle = Join(folder, name);
        const std::string config = ReadRecord(Join(bottle, "bottle.yml"));
        if (config.empty()) continue;
        const std::string runner = YamlScalar(config, {"Runner"}).value_or("");
        const std::optional<std::string> path = YamlScalar(config, {"Path"});
        const bool elsewhere = YamlTrue(YamlScalar(config, {"Custom_Path"})) && path &&
                               !path->empty() && path->front() == '/';
        const bool system = !PlainName(runner) || runner.rfind("sys-", 0) == 0;
        Add(out, elsewhere ? *path : bottle, PrefixManager::kBottles,
            system ? std::string() : Join(base, "runners/" + runner));
      }
    }
  }
}

// PlayOnLinux keeps its prefixes in ~/.PlayOnLinux/wineprefix/, each with a
// playonlinux.cfg of KEY=VALUE lines; VERSION and ARCH (x86 or amd64) name
// the Wine build in ~/.PlayOnLinux/wine/linux-ARCH/VERSION/, no VERSION the
// system's Wine. (Checked against PlayOnLinux's lib/playonlinux.lib and
// lib/wine.lib.)
void FindPlayOnLinux(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = Join(s.home, ".PlayOnLinux/wineprefix");
  for (const std::string& name : SubFolders(folder)) {
    Add(out, Join(folder, name), PrefixManager::kPlayOnLinux);
  }
}

std::optional<WineCommand> PlayOnLinuxWine(const WinePrefix& prefix, const PrefixSearch& s) {
  // As PlayOnLinux reads it: the first line that starts with the key, up to
  // the next '='.
  std::string version, arch;
  const std::string config = ReadRecord(Join(prefix.path, "playonlinux.cfg"));
  for (std::string_view line : Lines(config)) {
    for (auto [key, into] : {std::pair<std::string_view, std::string*>{"VERSION=", &version},
                             std::pair<std::string_view, std::string*>{"ARCH=", &arch}}) {
      if (line.substr(0, key.size()) == key && into->empty()) {
        const std::string_view value = line.substr(key.size());
        *into = std::string(value.substr(0, value.find('=')));
      }
    }
  }
  if (arch.empty()) arch = "x86";
  if (!PlainName(version) || !PlainName(arch)) return std::nullopt;
  return Command(WineIn(Join(s.home, ".PlayOnLinux/wine/linux-" + arch + "/" + version)));
}

// CrossOver keeps its bottles, prefixes, in ~/.cxoffice/, and starts a program
// in one with its own Wine, installed in /opt/cxoffice or ~/cxoffice:
// "wine --bottle NAME program". (Checked against CodeWeavers' CrossOver Linux
// user guide.)
void FindCrossOver(const PrefixSearch& s, std::vector<WinePrefix>& out) {
  if (s.home.empty()) return;
  const std::string folder = Join(s.home, ".cxoffice");
  for (const std::string& name : SubFolders(folder)) {
    if (LooksLikePrefix(Join(folder, name)))
      Add(out, Join(folder, name), PrefixManager::kCrossOver);
  }
}

std::optional<WineCommand> CrossOverWine(const WinePrefix& prefix, const PrefixSearch& s) {
  for (const std::string& install : s.crossOverFolders) {
    const std::string wine = Join(install, "bin/wine");
    if (IsProgram(wine)) return WineCommand{wine, "--bottle", BaseName(prefix.path)};
  }
  return std::nullopt;
}

struct ManagerRules {
  PrefixManager manager;
  void (*find)(const PrefixSearch&, std::vector<WinePrefix>&);
  std::optional<WineCommand> (*wine)(const WinePrefix&, const PrefixSearch&);
};

// In the order their prefixes are tried, after ~/.wine.
constexpr ManagerRules kManagers[] = {
    {PrefixManager::kSteam, FindSteam, SteamWine},
    {PrefixManager::kLutris, FindLutris, RecordedWine},
    {PrefixManager::kBottles, FindBottles, RecordedWine},
    {PrefixManager::kPlayOnLinux, FindPlayOnLinux, PlayOnLinuxWine},
    {PrefixManager::kCrossOver, FindCrossOver, CrossOverWine},
};

std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& path) {
  if (name.find('/') != std::string::npos) {
    return IsProgram(name) ? std::optional<std::string>(name) : std::nullopt;
  }
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      const std::string candidate = Join(path.substr(start, end - start), name);
      if (IsProgram(candidate)) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

PrefixSearch PrefixSearch::FromEnvironment() {
  PrefixSearch s;
  s.home = EnvOrEmpty("HOME");
  s.winePrefix = EnvOrEmpty("WINEPREFIX");
  s.wine = EnvOrEmpty("WINE");
  s.path = EnvOrEmpty("PATH");
  // XDG says a relative value is to be ignored.
  s.dataHome = EnvOrEmpty("XDG_DATA_HOME");
  if (s.dataHome.empty() || s.dataHome.front() != '/') {
    s.dataHome = s.home.empty() ? "" : Join(s.home, ".local/share");
  }
  s.configHome = EnvOrEmpty("XDG_CONFIG_HOME");
  if (s.configHome.empty() || s.configHome.front() != '/') {
    s.configHome = s.home.empty() ? "" : Join(s.home, ".config");
  }
  s.crossOverFolders.push_back("/opt/cxoffice");
  if (!s.home.empty()) s.crossOverFolders.push_back(Join(s.home, "cxoffice"));
  s.packagedWines = {"/usr/lib/wine/wine64", "/usr/lib/wine/wine"};
  return s;
}

WinePrefix DefaultWinePrefix(const PrefixSearch& search) {
  if (!search.winePrefix.empty()) return {search.winePrefix, PrefixManager::kNone, {}};
  if (!search.home.empty()) return {Join(search.home, ".wine"), PrefixManager::kNone, {}};
  return {};
}

std::vector<WinePrefix> FindWinePrefixes(const PrefixSearch& search) {
  std::vector<WinePrefix> found;
  if (!search.home.empty()) Add(found, Join(search.home, ".wine"), PrefixManager::kNone);
  for (const ManagerRules& rules : kManagers) rules.find(search, found);

  // One folder reached twice (~/.wine linked to a manager's prefix, a library
  // listed twice) is one candidate, in the first place it was found, but with
  // the manager's record of its Wine: ~/.wine, found first, has none.
  std::vector<WinePrefix> unique;
  std::map<std::pair<dev_t, ino_t>, size_t> seen;
  for (WinePrefix& prefix : found) {
    struct stat st;
    if (::stat(prefix.path.c_str(), &st) != 0) continue;
    const auto [at, added] = seen.emplace(std::pair{st.st_dev, st.st_ino}, unique.size());
    if (added) {
      unique.push_back(std::move(prefix));
    } else if (WinePrefix& first = unique[at->second]; first.manager == PrefixManager::kNone) {
      first.manager = prefix.manager;
      first.runner = std::move(prefix.runner);
    }
  }
  return unique;
}

WinePrefix ChooseWinePrefix(const PrefixSearch& search,
                            const std::function<PrefixFit(const WinePrefix&)>& fit) {
  if (!search.winePrefix.empty()) return DefaultWinePrefix(search);
  std::optional<WinePrefix> withValue;
  for (WinePrefix& prefix : FindWinePrefixes(search)) {
    const PrefixFit f = fit(prefix);
    if (f == PrefixFit::kFolderFound) return std::move(prefix);
    if (f == PrefixFit::kValueOnly && !withValue) withValue = std::move(prefix);
  }
  return withValue ? std::move(*withValue) : DefaultWinePrefix(search);
}

WinePrefix IdentifyWinePrefix(const std::string& path, const PrefixSearch& search) {
  for (WinePrefix& prefix : FindWinePrefixes(search)) {
    if (SameFolder(prefix.path, path)) {
      prefix.path = path;
      return std::move(prefix);
    }
  }
  return {path, PrefixManager::kNone, {}};
}

std::optional<std::string> DriveRoot(const std::string& prefix, char letter) {
  // Wine keeps one link per drive: dosdevices/c: -> ../drive_c, z: -> /.
  // Without a prefix no drive exists (rather than one under "/dosdevices").
  if (prefix.empty()) return std::nullopt;
  std::string link = Join(prefix, "dosdevices/");
  link += static_cast<char>(letter | 0x20);
  link += ':';
  const std::unique_ptr<char, void (*)(void*)> real(::realpath(link.c_str(), nullptr), ::free);
  if (!real || !IsFolder(real.get())) return std::nullopt;
  return std::string(real.get());
}

std::optional<std::string> PrefixHolding(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  for (std::string folder = path;; folder = Parent(folder)) {
    if (IsFolder(Join(folder, "drive_c")) && IsRegularFile(Join(folder, "system.reg"))) {
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      return folder;
    }
    if (folder == "/") return std::nullopt;
  }
}

bool SameFolder(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::optional<std::vector<std::string>> FindWine(const WinePrefix& prefix,
                                                 const PrefixSearch& search) {
  // An explicit choice is kept even when it is wrong: another Wine would
  // update the user's prefix behind their back.
  if (!search.wine.empty()) return Command(FindOnSearchPath(search.wine, search.path));
  for (const ManagerRules& rules : kManagers) {
    if (rules.manager != prefix.manager) continue;
    if (auto command = rules.wine(prefix, search)) return command;
  }
  for (const char* name : {"wine", "wine64"}) {
    if (auto program = FindOnSearchPath(name, search.path)) return Command(program);
  }
  for (const std::string& loader : search.packagedWines) {
    if (IsProgram(loader)) return Command(loader);
  }
  return std::nullopt;
}

}  // namespace svx

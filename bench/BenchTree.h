// A simulator tree for the benchmarks: N entries spread over the folders of the
// toggle rules, of every kind the pass meets (inactive only, active only,
// pairs, names in other letter case, names no rule covers), and the end state
// the pass must leave.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "config/ProductConfig.h"
#include "platform/posix/UniqueFd.h"

namespace svx::bench {

inline std::string Posix(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

inline std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class BenchTree {
 public:
  // One base name a rule covers, with the POSIX paths of its two files: the
  // source as created, the target as created or as a rename would name it.
  struct Unit {
    int rule;
    std::string source, target;
    bool hasSource, hasTarget;
  };

  // Creates the tree in a new temporary folder, which becomes the working
  // directory so that the patch file is found there. A traceable tree records
  // its units, and each file holds its own path below the tree, so that a
  // file's content tells where it came from; the timed benchmarks leave both
  // out, which would count in their peak memory. A tree of pairs has only
  // pairs under the rules that cover many names (in either letter case).
  explicit BenchTree(long files, bool traceable = false, bool pairs = false)
      : patch_(TheProductConfig().PatchExecutable()), traceable_(traceable) {
    std::string templ = (std::filesystem::temp_directory_path() / "svxbench-XXXXXX").string();
    if (!mkdtemp(templ.data())) Die("mkdtemp");
    root_ = templ;
    if (chdir(root_.c_str()) != 0) Die("chdir");
    const ProductConfig& config = TheProductConfig();
    Touch(root_ + "/" + config.PatchExecutable(), std::string(4, '\0'));

    std::vector<int> open;  // rules that cover many names
    for (int i = 0; i < config.ToggleRuleCount(); ++i) {
      const ToggleRule& r = config.ToggleRuleAt(i);
      std::filesystem::create_directories(Folder(r));
      expected_[Folder(r)];
      if (r.middle == "*") open.push_back(i);
    }
    // Rules with middle "A" cover one pair each: give each its source.
    for (int i = 0; i < config.ToggleRuleCount() && created_ < files; ++i) {
      const ToggleRule& r = config.ToggleRuleAt(i);
      if (r.middle != "*") Add(i, r.prefix + r.middle, kSourceOnly);
    }
    for (long unit = 0; created_ < files; ++unit) {
      const int rule = open[static_cast<size_t>(unit) % open.size()];
      const ToggleRule& r = config.ToggleRuleAt(rule);
      const long round = unit / static_cast<long>(open.size());
      const Kind kind =
          pairs ? (round % 2 ? kLowerPair : kPair) : static_cast<Kind>(round % kKinds);
      std::string base = r.prefix + "_" + std::to_string(unit);
      if (kind == kLowerSource || kind == kLowerPair) base = Lower(base);
      if (kind == kUncovered) base = "ZQZ_" + std::to_string(unit);
      const bool pair = kind == kPair || kind == kLowerPair;
      Add(rule, base, pair && created_ + 2 > files ? kSourceOnly : kind);
    }
    for (auto& [folder, names] : expected_) std::sort(names.begin(), names.end());
  }

  ~BenchTree() {
    std::error_code ec;
    if (chdir("/") != 0) return;
    std::filesystem::remove_all(root_, ec);
  }

  const std::string& Root() const { return root_; }
  long Created() const { return created_; }
  const std::vector<Unit>& Units() const { return units_; }  // traceable trees only
  // What a file of the tree held when it was created (traceable trees only).
  std::string ContentOf(const std::string& path) const {
    return traceable_ ? path.substr(root_.size()) : std::string();
  }

  // Every rule folder holds exactly the names it should; the patch is unlocked.
  bool Verify() const {
    bool ok = true;
    for (const auto& [folder, names] : expected_) {
      std::vector<std::string> found;
      if (const UniqueDir d = OpenDir(folder)) {
        ForEachEntry(d.get(),
                     [&](std::string_view name, unsigned char) { found.emplace_back(name); });
      }
      std::sort(found.begin(), found.end());
      if (found != names) {
        auto diff = std::mismatch(found.begin(), found.end(), names.begin(), names.end());
        std::fprintf(stderr, "%s: %zu entries, %zu expected; first difference: %s, expected %s\n",
                     folder.c_str(), found.size(), names.size(),
                     diff.first == found.end() ? "(end)" : diff.first->c_str(),
                     diff.second == names.end() ? "(end)" : diff.second->c_str());
        ok = false;
      }
    }
    std::ifstream patch(root_ + "/" + patch_, std::ios::binary);
    char head[2] = {};
    patch.read(head, 2);
    if (head[0] != 'M' || head[1] != 'Z') {
      std::fprintf(stderr, "patch not unlocked\n");
      ok = false;
    }
    return ok;
  }

  std::string Folder(const ToggleRule& r) const { return root_ + "/SCENERY/" + Posix(r.folder); }

 private:
  enum Kind { kSourceOnly, kTargetOnly, kPair, kLowerSource, kUncovered, kLowerPair, kKinds };

  void Add(int rule, const std::string& base, Kind kind) {
    const ToggleRule& r = TheProductConfig().ToggleRuleAt(rule);
    const std::string folder = Folder(r);
    const bool lower = kind == kLowerSource || kind == kLowerPair;
    const std::string src = "." + (lower ? Lower(r.source) : r.source);
    const std::string dst = "." + (lower ? Lower(r.target) : r.target);
    std::vector<std::string>& after = expected_[folder];
    auto touch = [&](const std::string& name) {
      const std::string path = folder + "/" + name;
      Touch(path, traceable_ ? ContentOf(path) : std::string());
      ++created_;
    };
    switch (kind) {
      case kSourceOnly:
      case kLowerSource:
      case kUncovered:
        touch(base + src);
        // A rename writes the target extension in capitals.
        after.push_back(base + (kind == kUncovered ? src : "." + r.target));
        if (kind != kUncovered) {
          Record({rule, folder + "/" + base + src, folder + "/" + after.back(), true, false});
        }
        break;
      case kTargetOnly:
        touch(base + dst);
        after.push_back(base + dst);
        Record({rule, folder + "/" + base + src, folder + "/" + base + dst, false, true});
        break;
      case kPair:
      case kLowerPair:
        touch(base + src);
        touch(base + dst);
        after.push_back(base + dst);
        Record({rule, folder + "/" + base + src, folder + "/" + base + dst, true, true});
        break;
      case kKinds:
        break;
    }
  }

  void Record(Unit unit) {
    if (traceable_) units_.push_back(std::move(unit));
  }

  static void Touch(const std::string& path, const std::string& content = {}) {
    const UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
    if (!fd) Die(path.c_str());
    if (!content.empty() && write(fd.Get(), content.data(), content.size()) < 0) Die("write");
  }

  [[noreturn]] static void Die(const char* what) {
    std::perror(what);
    std::exit(2);
  }

  std::string patch_;
  bool traceable_;
  std::string root_;
  long created_ = 0;
  std::vector<Unit> units_;
  std::map<std::string, std::vector<std::string>> expected_;
};

// Options shared by the benchmark programs.
inline long ParseFiles(int argc, char** argv, const char* program) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--files") == 0) return std::atol(argv[i + 1]);
  }
  std::fprintf(stderr, "usage: %s --files N\n", program);
  std::exit(2);
}

// Lets the peak resident size be measured from here on, not from the tree's
// construction.
inline void ResetPeakRss() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

inline double PeakRssMib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace svx::bench

// The floor for prep_bench: the same renames and deletes over the same tree,
// done with plain system calls by code that knows the folders' exact names and
// reads each folder once into a case-folded index shared by its rules.
//
//   syscall_baseline --files N
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/BenchTree.h"
#include "platform/Wildcard.h"
#include "platform/posix/UniqueFd.h"

namespace {

using namespace svx;

std::string Fold(const std::string& s) {
  std::string out(s);
  for (char& c : out) c = FoldCase(c);
  return out;
}

struct Counts {
  long checked = 0, renamed = 0, removed = 0;
  bool failed = false;
};

// Returns 'f' for a file, 'd' for anything else that exists, 0 for nothing.
char KindAt(int dir, const std::unordered_map<std::string, std::string>& index,
            const std::string& name) {
  auto it = index.find(Fold(name));
  if (it == index.end()) return 0;
  struct stat st;
  if (fstatat(dir, it->second.c_str(), &st, 0) != 0) return 0;
  return S_ISREG(st.st_mode) ? 'f' : 'd';
}

// One folder's entries, read once for all the rules that share it.
struct Folder {
  UniqueFd dir;
  std::unordered_map<std::string, std::string> index;  // folded name -> stored name
};

Folder& Open(std::unordered_map<std::string, Folder>& folders, const std::string& path) {
  auto [it, added] = folders.try_emplace(path);
  Folder& f = it->second;
  if (!added) return f;
  f.dir = UniqueFd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!f.dir) return f;
  if (const UniqueDir d = OpenDir(UniqueFd(dup(f.dir.Get())))) {
    ForEachEntry(d.get(), [&](std::string_view name, unsigned char) {
      f.index.emplace(Fold(std::string(name)), std::string(name));
    });
  }
  return f;
}

void RunRule(Folder& folder, const ToggleRule& rule, Counts& n) {
  if (!folder.dir) return;
  const int dir = folder.dir.Get();
  auto& index = folder.index;
  const std::string pattern = rule.prefix + rule.middle + ".*";
  std::vector<std::string> names;
  for (const auto& entry : index) {
    if (MatchesWildcard(entry.second, pattern)) names.push_back(entry.second);
  }
  const bool activate = rule.source == "XXX";
  for (const std::string& name : names) {
    ++n.checked;
    const std::string base = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
    const std::string src = base + (activate ? ".XXX" : ".BGL");
    const std::string dst = base + (activate ? ".BGL" : ".XXX");
    if (!MatchesWildcard(src, pattern) || !MatchesWildcard(dst, pattern)) continue;
    if (KindAt(dir, index, src) != 'f') continue;
    const std::string srcName = index[Fold(src)];
    switch (KindAt(dir, index, dst)) {
      case 'f':
        ++n.removed;
        if (unlinkat(dir, srcName.c_str(), 0) != 0) {
          n.failed = true;
        } else {
          index.erase(Fold(src));
        }
        break;
      case 0:
        ++n.renamed;
        if (renameat2(dir, srcName.c_str(), dir, dst.c_str(), RENAME_NOREPLACE) != 0) {
          n.failed = true;
        } else {
          index.erase(Fold(src));
          index.emplace(Fold(dst), dst);
        }
        break;
      default:
        n.failed = true;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long files = bench::ParseFiles(argc, argv, "syscall_baseline");
  bench::BenchTree tree(files);
  const ProductConfig& config = TheProductConfig();

  bench::ResetPeakRss();
  const auto start = std::chrono::steady_clock::now();
  Counts n;
  std::unordered_map<std::string, Folder> folders;
  for (int i = 0; i < config.ToggleRuleCount(); ++i) {
    const ToggleRule& rule = config.ToggleRuleAt(i);
    RunRule(Open(folders, tree.Folder(rule)), rule, n);
  }
  folders.clear();
  bool unlocked = false;
  if (const UniqueFd fd{open(config.PatchExecutable().c_str(), O_WRONLY | O_CLOEXEC)}) {
    unlocked = pwrite(fd.Get(), "MZ", 2, 0) == 2;
  }
  const double seconds = bench::Seconds(start);
  const double rss = bench::PeakRssMib();

  if (n.failed || !unlocked || !tree.Verify()) {
    std::fprintf(stderr, "syscall_baseline: wrong end state\n");
    return 1;
  }
  std::printf(
      "syscall_baseline files=%ld checked=%ld renamed=%ld removed=%ld seconds=%.3f "
      "peak_rss_mib=%.1f\n",
      tree.Created(), n.checked, n.renamed, n.removed, seconds, rss);
  return 0;
}

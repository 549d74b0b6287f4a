#include "prep/Preparation.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Wildcard.h"
#include "prep/PatchExecutable.h"
#include "res/Strings.h"

namespace svx {
namespace {

constexpr int kRefreshTimerId = 0;
constexpr int kRefreshMs = 100;

// One thread runs the tool, and a key pressed inside a refresh wait can send
// "Patch Preparation" again; the second run would interleave with the first on
// the same files and counters, so it is refused.
bool passRunning = false;

class RunningFlag {
 public:
  RunningFlag() { passRunning = true; }
  ~RunningFlag() { passRunning = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;
};

std::string RuleFolder(const std::string& simFolder, const RuleRow& rule) {
  return simFolder + "\\SCENERY\\" + rule.folder + "\\";
}

// The name of a directory entry becomes part of a path in the tool's own
// syntax; a name holding a separator (possible on a POSIX file system) would
// lead the pass into another folder, and "." or ".." would name a folder
// rather than an entry of it. Such an entry is counted, but the pass cannot
// bring it into its state, so the run fails rather than pass over it.
bool IsPlainEntryName(const std::string& name) {
  return name != "." && name != ".." && name.find_first_of("\\/") == std::string::npos;
}

class Pass {
 public:
  Pass(PrepOwner& owner, FileSystem& files, const ProductConfig& config)
      : owner_(owner), files_(files), config_(config), sim_(owner.SimFolder()) {}

  bool Run() {
    PrepCounters& c = owner_.Counters();
    c.checked = 0;
    c.removed = 0;
    c.renamed = 0;

    for (int i = 0; i < config_.ToggleRuleCount(); ++i) Toggle(config_.ToggleRuleAt(i));
    for (int i = 0; i < config_.PrefixDeleteRuleCount(); ++i) {
      const DeleteRule& rule = config_.PrefixDeleteRuleAt(i);
      Delete(rule, rule.prefix + rule.middle + ".*");
    }
    for (int i = 0; i < config_.ContainingDeleteRuleCount(); ++i) {
      const DeleteRule& rule = config_.ContainingDeleteRuleAt(i);
      Delete(rule, rule.prefix + "*" + rule.middle + "*.*");
    }
    Refresh();
    return !failed_;
  }

 private:
  void Toggle(const ToggleRule& rule) {
    const std::string folder = RuleFolder(sim_, rule);
    const std::string pattern = rule.prefix + rule.middle + ".*";
    for (const std::string& name : Entries(folder + pattern)) {
      ++owner_.Counters().checked;
      if (!IsPlainEntryName(name)) {
        failed_ = true;
        continue;
      }
      const std::string base = name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
      const std::string xxxName = base + ".XXX";
      const std::string bglName = base + ".BGL";
      // The cut at four characters can leave the rule's coverage: "QLPA" gives
      // an empty base, "L1L_1" the base "L". The pair such a base names is no
      // file of this rule, so it is left alone.
      if (!MatchesWildcard(xxxName, pattern) || !MatchesWildcard(bglName, pattern)) continue;

      std::string source, target;
      if (rule.source == "XXX" && rule.target == "BGL") {
        source = folder + xxxName;
        target = folder + bglName;
      } else if (rule.source == "BGL" && rule.target == "XXX") {
        source = folder + bglName;
        target = folder + xxxName;
      } else {
        continue;
      }

      // Only files are scenery files. A folder that carries a source name is
      // not renamed or deleted as if it were one, and a folder that carries the
      // target name is no copy of the source: deleting the source then would
      // lose its only copy, and the patch would not find its file either.
      if (files_.Kind(source) != PathKind::kFile) continue;
      switch (files_.Kind(target)) {
        case PathKind::kFile:
          RemoveRedundant(source, target);
          break;
        case PathKind::kMissing:
          RenameToTarget(source, target);
          break;
        case PathKind::kFolder:
          // Nothing is attempted, so no counter rises; the run still fails,
          // since the file stays in the state the patch does not expect.
          failed_ = true;
          break;
      }
    }
    RefreshEvery100();
  }

  // The source of a pair is deleted only because its target already holds the
  // file the patch expects. The pass's listing may be stale by now (a sync tool
  // or an add-on manager may have moved the target away), and the target may be
  // the source itself under a second name: a symbolic link to the source
  // would lose the only copy with it, and a hard link is refused all the
  // same, since the pair is not what the patch expects. The file layer decides
  // on the disk itself, and holds the target while the source goes.
  void RemoveRedundant(const std::string& source, const std::string& target) {
    switch (files_.RemoveRedundant(source, target)) {
      case RemovalOutcome::kRemoved:
        ++owner_.Counters().removed;
        break;
      case RemovalOutcome::kFailed:
        ++owner_.Counters().removed;
        failed_ = true;
        break;
      case RemovalOutcome::kSourceGone:  // moved away by another program
        break;
      case RemovalOutcome::kTargetGone:
        RenameToTarget(source, target);
        break;
      case RemovalOutcome::kNotRedundant:
        // Nothing is attempted; the file stays in a state the patch does not expect.
        failed_ = true;
        break;
    }
  }

  // Counted as attempted; a target that appears after the test still blocks
  // the rename, which never overwrites.
  void RenameToTarget(const std::string& source, const std::string& target) {
    ++owner_.Counters().renamed;
    if (!files_.Rename(source, target)) failed_ = true;
  }

  void Delete(const DeleteRule& rule, const std::string& pattern) {
    const std::string folder = RuleFolder(sim_, rule);
    for (const std::string& name : Entries(folder + pattern)) {
      ++owner_.Counters().checked;
      if (!IsPlainEntryName(name)) {
        failed_ = true;
        continue;
      }
      const std::string path = folder + name;
      if (!files_.Exists(path)) continue;
      // Remove refuses a folder, so a matching folder survives and marks the
      // run as failed, as on Windows.
      if (!files_.Remove(path)) failed_ = true;
      ++owner_.Counters().removed;
    }
    RefreshEvery100();
  }

  // A rule folder that exists but cannot be read may hold covered files; the
  // run cannot succeed without them. A missing folder holds none.
  std::vector<std::string> Entries(const std::string& pattern) {
    std::optional<std::vector<std::string>> names = files_.Enumerate(pattern);
    if (!names) {
      failed_ = true;
      return {};
    }
    return std::move(*names);
  }

  void RefreshEvery100() {
    if (owner_.Counters().checked % 100 == 0) Refresh();
  }

  void Refresh() {
    owner_.ShowValues();
    owner_.PumpWait(kRefreshTimerId, kRefreshMs);
  }

  PrepOwner& owner_;
  FileSystem& files_;
  const ProductConfig& config_;
  const std::string sim_;
  bool failed_ = false;
};

}  // namespace

void RunPreparation(PrepOwner& owner, FileSystem& files, const ProductConfig& config) {
  if (passRunning) return;
  RunningFlag running;

  owner.BeginBusy();
  bool succeeded;
  {
    PassScope scope(files);
    succeeded = Pass(owner, files, config).Run();
  }

  if (!succeeded) {
    owner.SetStatusImage(StatusImage::kInvalid);
    owner.EndBusy();
    owner.ShowMessage(kPreparationFailedText, kErrorCaption, kStyleExclamation);
    return;
  }
  // The unlock shows its own message while the capture is still held.
  if (UnlockPatch(owner, files, config.PatchExecutable()) != 0) {
    owner.EndBusy();
    return;
  }
  owner.SetStatusImage(StatusImage::kValid);
  owner.EnableLaunch();
  owner.EndBusy();
  owner.ShowMessage(kPreparationSucceededText, kSuccessCaption, kStyleExclamation);
}

bool PreparationRunning() {
  return passRunning;
}

}  // namespace svx

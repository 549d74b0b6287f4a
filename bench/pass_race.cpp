// Other programs at work in the scenery tree while a preparation pass runs on
// the real file layer. Not a timing: it counts what a user would lose. Every
// file of the generated tree holds its own path, so a content found under
// another name, or found nowhere, shows what happened to it.
//
//   pass_race --files 20000 --runs 20 --mode move
//       A second process moves pair targets out of the tree (to a folder beside
//       it, as a sync tool or an add-on manager would) while the pass works on
//       their rule: each as soon as the pass has listed the rule's folder, in
//       random order, and only while the pair's source is still there.
//   pass_race --files 20000 --runs 20 --mode create
//       A second process creates the target names of lone sources (exclusive
//       create, as an installer would) while the pass works on their rule.
//   pass_race --files 20000 --runs 20 --mode case
//       A tree of pairs, so that the folders are large and the pass removes
//       many names from each; a second process changes the letter case of
//       pair targets (L1L_1.BGL -> l1l_1.bgl) while the pass works on their
//       rule, each as soon as the pass has listed the rule's folder and only
//       while the pair's source is still there.
//   pass_race --files 20000 --runs 40 --mode kill
//   pass_race --files 20000 --runs 20 --mode term
//       The pass runs in a child that gets SIGKILL (or SIGTERM) at a random
//       moment within an uninterrupted pass's time; then the pass runs again
//       to the end.
//
// Counted per run, and summed:
//   moved        move: targets moved away; "raced" of them while the source
//                was still there just after the move (so the pass, if it
//                deletes the source, does so after the target had gone), and
//                "crossed" where the pass dealt with the source during the
//                move (either order is possible; not counted as lost).
//   put_back     move: raced pairs whose target's content is under its name
//                again at the end (the pass took it back after its source went).
//   lost         move: raced pairs that end with no file of their name in the
//                tree (the pass deleted the only copy it had left).
//                kill, term: files whose content is gone although no rule says
//                to delete it (pair sources are redundant and may go).
//   overwritten  files the pass must keep (pair targets, lone files, created
//                files) whose content is found nowhere afterwards (tree or
//                moved-to folder), or whose name holds another file's content.
//   stray        entries of the rule folders that are neither a name the tree
//                had (or a rename gives) nor one of the contents it had (or the
//                rival created): what a pass stopped half-way could leave, such
//                as a temporary file. kill, term: counted after the stopped pass
//                and again after the second.
//   end state    kill, term: whether the second pass left exactly the names an
//                uninterrupted pass leaves, each with its content, and unlocked
//                the patch. A stopped pass on a volume that renames by claims
//                may leave a claim (an empty file under a target name, counted
//                as stray and overwritten until the second pass finishes it).
//   wrong        case: units not in the uninterrupted end state, names taken
//                without regard to case: a source left, a target not holding
//                its content, two files under one name; "false_success" counts
//                the runs that had any and still said "Success".
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bench/BenchTree.h"
#include "bench/QuietOwner.h"
#include "platform/Wildcard.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/UniqueFd.h"
#include "prep/Preparation.h"

namespace {

using namespace svx;
using bench::BenchTree;

enum class Mode { kMove, kCreate, kCase, kKill, kTerm };

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::exit(2);
}

void WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n <= 0) Die("write");
    p += n;
    size -= static_cast<size_t>(n);
  }
}

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = read(fd, p, size);
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool Present(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The same path with the letter case of its file name turned over.
std::string FlipCase(const std::string& path) {
  std::string flipped = path;
  for (size_t i = flipped.find_last_of('/') + 1; i < flipped.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(flipped[i]);
    flipped[i] = static_cast<char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
  }
  return flipped;
}

// The tree's path with the file name case-folded: names that differ only in
// case are one name to the simulator.
std::string Key(const std::string& path) {
  std::string key = path;
  for (size_t i = key.find_last_of('/') + 1; i < key.size(); ++i) key[i] = FoldCase(key[i]);
  return key;
}

std::string ReadContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below the rule folders, by Key, with its content.
std::set<std::string> RuleFolders(const BenchTree& tree) {
  std::set<std::string> folders;
  for (int i = 0; i < TheProductConfig().ToggleRuleCount(); ++i) {
    folders.insert(tree.Folder(TheProductConfig().ToggleRuleAt(i)));
  }
  return folders;
}

std::unordered_map<std::string, std::string> Snapshot(const BenchTree& tree) {
  std::unordered_map<std::string, std::string> files;
  for (const std::string& folder : RuleFolders(tree)) {
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      if (e.is_regular_file()) files[Key(e.path().string())] = ReadContent(e.path().string());
    }
  }
  return files;
}

std::unordered_set<std::string> ContentsIn(const std::string& folder) {
  std::unordered_set<std::string> contents;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    contents.insert(ReadContent(e.path().string()));
  }
  return contents;
}

// Files the pass must keep whose content is found nowhere, or whose name holds
// a content that none of its name's files had. Pair sources may go.
long CountOverwritten(const BenchTree& tree,
                      const std::unordered_map<std::string, std::string>& files,
                      const std::unordered_set<std::string>& elsewhere,
                      const std::unordered_set<std::string>& created) {
  std::unordered_set<std::string> present(elsewhere);
  for (const auto& [key, content] : files) present.insert(content);
  long n = 0;
  for (const BenchTree::Unit& u : tree.Units()) {
    const std::string kept = tree.ContentOf(u.hasTarget ? u.target : u.source);
    if (!present.count(kept)) ++n;
    for (const std::string& path : {u.source, u.target}) {
      auto it = files.find(Key(path));
      if (it == files.end()) continue;
      if (it->second != tree.ContentOf(u.source) && it->second != tree.ContentOf(u.target) &&
          !created.count(it->second)) {
        ++n;
      }
    }
  }
  return n;
}

// What the tree held before the pass: names (and the names renames give) and contents.
struct Origin {
  std::unordered_set<std::string> names, contents;
};

Origin OriginOf(const BenchTree& tree, const std::unordered_map<std::string, std::string>& files) {
  Origin o;
  for (const auto& [key, content] : files) {
    o.names.insert(key);
    o.contents.insert(content);
  }
  for (const BenchTree::Unit& u : tree.Units()) o.names.insert(Key(u.target));
  return o;
}

long CountStray(const BenchTree& tree, const Origin& origin,
                const std::unordered_set<std::string>& created) {
  long n = 0;
  for (const std::string& folder : RuleFolders(tree)) {
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const std::string path = e.path().string();
      const bool known = e.is_regular_file() && origin.names.count(Key(path));
      const std::string content = known ? ReadContent(path) : std::string();
      if (!known || (!origin.contents.count(content) && !created.count(content))) {
        ++n;
        if (getenv("RACE_DEBUG")) std::fprintf(stderr, "stray %s\n", path.c_str());
      }
    }
  }
  return n;
}

// Units not in the state an uninterrupted pass leaves, names taken without
// regard to case: one file under the target's name, holding the target's
// content (a lone source's, renamed), and nothing under the source's.
long CountWrongUnits(const BenchTree& tree) {
  std::unordered_map<std::string, std::vector<std::string>> byKey;
  for (const std::string& folder : RuleFolders(tree)) {
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      byKey[Key(e.path().string())].push_back(ReadContent(e.path().string()));
    }
  }
  long n = 0;
  for (const BenchTree::Unit& u : tree.Units()) {
    const auto target = byKey.find(Key(u.target));
    const std::string kept = tree.ContentOf(u.hasTarget ? u.target : u.source);
    if (byKey.count(Key(u.source)) || target == byKey.end() || target->second.size() != 1 ||
        target->second[0] != kept) {
      ++n;
      if (getenv("RACE_DEBUG")) {
        std::fprintf(stderr, "wrong %s | %s:", u.source.c_str(), u.target.c_str());
        if (target != byKey.end()) {
          for (const std::string& c : target->second) std::fprintf(stderr, " [%s]", c.c_str());
        }
        std::fprintf(stderr, " source there: %d\n", int(byKey.count(Key(u.source))));
      }
    }
  }
  return n;
}

// Contents of files no rule says to delete that are found nowhere.
long CountLostContents(const BenchTree& tree,
                       const std::unordered_map<std::string, std::string>& files) {
  std::unordered_set<std::string> present;
  for (const auto& [key, content] : files) present.insert(content);
  long n = 0;
  for (const BenchTree::Unit& u : tree.Units()) {
    if (!present.count(tree.ContentOf(u.hasTarget ? u.target : u.source))) ++n;
  }
  return n;
}

// Tells the second process which rule the pass has just listed.
class AnnouncingFileSystem : public FileSystem {
 public:
  AnnouncingFileSystem(FileSystem& inner, int fd) : inner_(inner), fd_(fd) {}

  PathKind Kind(const std::string& path) override { return inner_.Kind(path); }
  std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) override {
    auto names = inner_.Enumerate(pattern);
    // The pass enumerates the toggle rules in table order, once each.
    WriteAll(fd_, &rule_, sizeof rule_);
    ++rule_;
    return names;
  }
  bool Rename(const std::string& from, const std::string& to) override {
    return inner_.Rename(from, to);
  }
  bool Remove(const std::string& path) override { return inner_.Remove(path); }
  RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) override {
    return inner_.RemoveRedundant(source, target);
  }
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override {
    return inner_.OpenForUpdate(path);
  }
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override {
    return inner_.ReadFile(path, maxBytes);
  }
  void BeginPass() override { inner_.BeginPass(); }
  void EndPass() override { inner_.EndPass(); }

 private:
  FileSystem& inner_;
  int fd_;
  int32_t rule_ = 0;
};

// The second process: after each announced rule, works through that rule's
// units in random order. Reports the units it acted on, then a count.
struct RivalReport {
  std::vector<uint32_t> units;  // move: raced pairs; create: created names
  long tries = 0;               // move: moves; create: creation attempts
  long crossed = 0;             // move: the pass handled the source during the move
};

[[noreturn]] void RunRival(Mode mode, const BenchTree& tree, int in, int out, unsigned seed) {
  std::vector<std::vector<uint32_t>> byRule(
      static_cast<size_t>(TheProductConfig().ToggleRuleCount()));
  const auto& units = tree.Units();
  for (uint32_t i = 0; i < units.size(); ++i) {
    const bool wanted = mode == Mode::kCreate ? units[i].hasSource && !units[i].hasTarget
                                              : units[i].hasSource && units[i].hasTarget;
    if (wanted) byRule[static_cast<size_t>(units[i].rule)].push_back(i);
  }
  std::mt19937 random(seed);
  const std::string movedTo = tree.Root() + "/moved/";
  RivalReport report;
  int32_t rule;
  while (ReadAll(in, &rule, sizeof rule)) {
    if (rule < 0 || static_cast<size_t>(rule) >= byRule.size()) continue;
    std::vector<uint32_t> todo = byRule[static_cast<size_t>(rule)];
    std::shuffle(todo.begin(), todo.end(), random);
    for (uint32_t i : todo) {
      const BenchTree::Unit& u = units[i];
      if (mode == Mode::kMove || mode == Mode::kCase) {
        // Only pairs the pass has not dealt with yet: moving a target after
        // its source was rightly deleted loses the name, but not by the pass.
        if (!Present(u.source)) continue;
        const std::string to =
            mode == Mode::kMove ? movedTo + std::to_string(i) : FlipCase(u.target);
        if (rename(u.target.c_str(), to.c_str()) != 0) continue;
        ++report.tries;
        if (Present(u.source)) {
          report.units.push_back(i);
        } else {
          ++report.crossed;
        }
      } else {
        ++report.tries;
        const UniqueFd fd(open(u.target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!fd) continue;
        const std::string content = "created " + std::to_string(i);
        WriteAll(fd.Get(), content.data(), content.size());
        report.units.push_back(i);
      }
    }
  }
  const uint64_t count = report.units.size();
  WriteAll(out, &count, sizeof count);
  WriteAll(out, report.units.data(), count * sizeof(uint32_t));
  WriteAll(out, &report.tries, sizeof report.tries);
  WriteAll(out, &report.crossed, sizeof report.crossed);
  _exit(0);
}

struct Totals {
  long lost = 0, overwritten = 0, stray = 0, tries = 0, acted = 0, crossed = 0, putBack = 0;
  long wrong = 0, lostAfter = 0, overwrittenAfter = 0, strayAfter = 0;
  int runs = 0, failedRuns = 0, interrupted = 0, endStateOk = 0, falseSuccess = 0;
};

void RivalRun(Mode mode, long files, unsigned seed, Totals& t) {
  BenchTree tree(files, true, mode == Mode::kCase);
  const Origin origin = OriginOf(tree, Snapshot(tree));
  const std::string movedTo = tree.Root() + "/moved";
  if (mkdir(movedTo.c_str(), 0755) != 0) Die("mkdir");
  int ends[2];
  if (pipe(ends) != 0) Die("pipe");
  UniqueFd toRivalIn(ends[0]), toRival(ends[1]);
  if (pipe(ends) != 0) Die("pipe");
  UniqueFd fromRival(ends[0]), fromRivalOut(ends[1]);
  const pid_t pid = fork();
  if (pid < 0) Die("fork");
  if (pid == 0) {
    toRival.Reset();
    fromRival.Reset();
    RunRival(mode, tree, toRivalIn.Get(), fromRivalOut.Get(), seed);
  }
  toRivalIn.Reset();
  fromRivalOut.Reset();

  PosixFileSystem posix;
  AnnouncingFileSystem files_(posix, toRival.Get());
  bench::QuietOwner owner(tree.Root());
  RunPreparation(owner, files_);
  toRival.Reset();  // the rival's end of input

  RivalReport report;
  uint64_t count = 0;
  if (!ReadAll(fromRival.Get(), &count, sizeof count)) Die("rival report");
  report.units.resize(count);
  if (!ReadAll(fromRival.Get(), report.units.data(), count * sizeof(uint32_t)) ||
      !ReadAll(fromRival.Get(), &report.tries, sizeof report.tries) ||
      !ReadAll(fromRival.Get(), &report.crossed, sizeof report.crossed)) {
    Die("rival report");
  }
  fromRival.Reset();
  waitpid(pid, nullptr, 0);

  const auto snapshot = Snapshot(tree);
  std::unordered_set<std::string> created;
  long lost = 0, overwritten = 0, putBack = 0;
  for (uint32_t i : report.units) {
    const BenchTree::Unit& u = tree.Units()[i];
    if (mode == Mode::kMove || mode == Mode::kCase) {
      // The target's content under its name again, while the moved file stays.
      auto it = snapshot.find(Key(u.target));
      if (it != snapshot.end() && it->second == tree.ContentOf(u.target)) ++putBack;
      if (!snapshot.count(Key(u.source)) && !snapshot.count(Key(u.target))) {
        ++lost;
        if (getenv("RACE_DEBUG"))
          std::fprintf(stderr, "lost %s | %s\n", u.source.c_str(), u.target.c_str());
      }
    } else {
      const std::string content = "created " + std::to_string(i);
      created.insert(content);
      auto it = snapshot.find(Key(u.target));
      if (it == snapshot.end() || it->second != content) ++overwritten;
    }
  }
  overwritten += CountOverwritten(tree, snapshot, ContentsIn(movedTo), created);
  const long stray = CountStray(tree, origin, created);
  const bool failed = owner.lastCaption != "Success";
  const long wrong = mode == Mode::kCase ? CountWrongUnits(tree) : 0;
  std::string details;
  if (mode == Mode::kMove) {
    details = " crossed=" + std::to_string(report.crossed) + " put_back=" + std::to_string(putBack);
  } else if (mode == Mode::kCase) {
    details = " crossed=" + std::to_string(report.crossed) + " wrong=" + std::to_string(wrong);
  }
  std::printf("run %d: %s=%ld %s=%zu%s lost=%ld overwritten=%ld stray=%ld outcome=%s\n", t.runs + 1,
              mode == Mode::kMove   ? "moved"
              : mode == Mode::kCase ? "case_changed"
                                    : "create_attempts",
              report.tries, mode == Mode::kCreate ? "created" : "raced", report.units.size(),
              details.c_str(), lost, overwritten, stray, owner.lastCaption.c_str());
  ++t.runs;
  t.lost += lost;
  t.overwritten += overwritten;
  t.stray += stray;
  t.tries += report.tries;
  t.acted += static_cast<long>(report.units.size());
  t.crossed += report.crossed;
  t.putBack += putBack;
  t.wrong += wrong;
  if (failed) ++t.failedRuns;
  if (!failed && wrong > 0) ++t.falseSuccess;
}

bool RunToTheEnd(bench::QuietOwner& owner) {
  PosixFileSystem files;
  RunPreparation(owner, files);
  return owner.lastCaption == "Success";
}

double UninterruptedSeconds(long files) {
  BenchTree tree(files, true);
  bench::QuietOwner owner(tree.Root());
  const auto start = std::chrono::steady_clock::now();
  RunToTheEnd(owner);
  return bench::Seconds(start);
}

void StopRun(Mode mode, long files, double seconds, std::mt19937& random, Totals& t) {
  BenchTree tree(files, true);
  const Origin origin = OriginOf(tree, Snapshot(tree));
  const pid_t pid = fork();
  if (pid < 0) Die("fork");
  if (pid == 0) {
    bench::QuietOwner owner(tree.Root());
    RunToTheEnd(owner);
    _exit(0);
  }
  const auto delay =
      std::uniform_int_distribution<long>(0, static_cast<long>(seconds * 1e6))(random);
  usleep(static_cast<useconds_t>(delay));
  kill(pid, mode == Mode::kKill ? SIGKILL : SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  const bool interrupted = WIFSIGNALED(status);

  long lost = CountLostContents(tree, Snapshot(tree));
  long overwritten = CountOverwritten(tree, Snapshot(tree), {}, {});
  long stray = CountStray(tree, origin, {});
  bench::QuietOwner owner(tree.Root());
  const bool succeeded = RunToTheEnd(owner);
  const bool endState = succeeded && tree.Verify() && CountWrongUnits(tree) == 0;
  const long lostAfter = CountLostContents(tree, Snapshot(tree));
  const long overwrittenAfter = CountOverwritten(tree, Snapshot(tree), {}, {});
  const long strayAfter = CountStray(tree, origin, {});
  std::printf(
      "run %d: stopped after %.3f s%s lost=%ld overwritten=%ld stray=%ld (after the second pass: "
      "%ld %ld %ld) end_state=%s\n",
      t.runs + 1, static_cast<double>(delay) / 1e6, interrupted ? "" : " (had finished)",
      lost + lostAfter, overwritten + overwrittenAfter, stray + strayAfter, lostAfter,
      overwrittenAfter, strayAfter, endState ? "ok" : "WRONG");
  ++t.runs;
  t.lost += lost + lostAfter;
  t.overwritten += overwritten + overwrittenAfter;
  t.stray += stray + strayAfter;
  t.lostAfter += lostAfter;
  t.overwrittenAfter += overwrittenAfter;
  t.strayAfter += strayAfter;
  if (interrupted) ++t.interrupted;
  if (endState) ++t.endStateOk;
}

}  // namespace

int main(int argc, char** argv) {
  const long files = bench::ParseFiles(argc, argv, "pass_race");
  int runs = 20;
  Mode mode = Mode::kMove;
  unsigned seed = std::random_device{}();
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--seed")) seed = static_cast<unsigned>(std::atol(argv[i + 1]));
    if (!std::strcmp(argv[i], "--mode")) {
      const std::string m = argv[i + 1];
      mode = m == "create" ? Mode::kCreate
             : m == "case" ? Mode::kCase
             : m == "kill" ? Mode::kKill
             : m == "term" ? Mode::kTerm
                           : Mode::kMove;
    }
  }
  std::printf("pass_race files=%ld runs=%d seed=%u\n", files, runs, seed);
  std::mt19937 random(seed);
  Totals t;
  if (mode == Mode::kMove || mode == Mode::kCreate || mode == Mode::kCase) {
    for (int i = 0; i < runs; ++i) RivalRun(mode, files, static_cast<unsigned>(random()), t);
    std::printf(
        "total: %s=%ld %s=%ld put_back=%ld lost=%ld overwritten=%ld stray=%ld wrong=%ld "
        "runs_not_success=%d false_success=%d of %d\n",
        mode == Mode::kMove   ? "moved"
        : mode == Mode::kCase ? "case_changed"
                              : "create_attempts",
        t.tries, mode == Mode::kCreate ? "created" : "raced", t.acted, t.putBack, t.lost,
        t.overwritten, t.stray, t.wrong, t.failedRuns, t.falseSuccess, t.runs);
  } else {
    const double seconds = UninterruptedSeconds(files);
    std::printf("uninterrupted pass: %.3f s\n", seconds);
    for (int i = 0; i < runs; ++i) StopRun(mode, files, seconds, random, t);
    std::printf(
        "total: interrupted=%d end_state_ok=%d of %d lost=%ld overwritten=%ld stray=%ld "
        "(after the second pass: lost=%ld overwritten=%ld stray=%ld)\n",
        t.interrupted, t.endStateOk, t.runs, t.lost, t.overwritten, t.stray, t.lostAfter,
        t.overwrittenAfter, t.strayAfter);
  }
  return t.lost == 0 && t.overwritten == 0 && t.stray == 0 && t.falseSuccess == 0 ? 0 : 1;
}

#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/Wildcard.h"
#include "platform/posix/WinePrefix.h"

namespace svx {

namespace {

// From <linux/fs.h>; spelled here so that the build does not depend on kernel
// headers or on a glibc new enough to wrap renameat2.
constexpr unsigned kRenameNoReplace = 1;

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string Join(const std::string& dir, std::string_view name) {
  std::string out;
  out.reserve(dir.size() + 1 + name.size());
  out = dir;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

// Splits on either separator and resolves "." and ".." lexically, as Windows
// does before it looks at the disk: ".." never climbs above the root.
void AppendParts(std::string_view path, std::vector<std::string>& parts) {
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string_view part = path.substr(i, end - i);
    if (part.empty() || part == ".") {
      // nothing: doubled separators and "." name the same folder
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.emplace_back(part);
    }
    i = end;
  }
}

uint64_t FoldedHash(std::string_view name) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : name) {
    h ^= static_cast<unsigned char>(FoldCase(c));
    h *= 1099511628211ull;
  }
  return h;
}

// Nothing when the name is free.
std::optional<PathKind> KindOnDisk(const std::string& full) {
  struct stat st;
  if (::stat(full.c_str(), &st) != 0) return std::nullopt;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

PathKind KindByStat(const std::string& full) {
  struct stat st;
  if (::stat(full.c_str(), &st) != 0) return PathKind::kMissing;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

// Lower is better. Among names that differ only in letter case, the kind looked
// for comes first, then the exact spelling; a dangling link is of no kind.
int Rank(PathKind kind, bool exact, bool wantFolder) {
  const bool wanted = wantFolder ? kind == PathKind::kFolder : kind == PathKind::kFile;
  return (wanted ? 0 : 2) + (exact ? 0 : 1);
}

// Absence of the folder itself, as opposed to a folder that is there but
// could not be read.
bool IsAbsence(int error) {
  return error == ENOENT || error == ENOTDIR;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kRenameNoReplace) ==
      0) {
    return true;
  }
  // Some file systems (older NFS, FUSE) and sandboxes refuse the flag; a hard
  // link keeps the same guarantee there. Never fall back to a plain rename.
  if (errno != EINVAL && errno != ENOSYS) return false;
  return RenameByLink(from, to);
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Gives an open file the name to, never replacing an entry there. 0, or the
// errno of the first way tried (EEXIST when the name is taken). Through
// /proc/self/fd any user can; AT_EMPTY_PATH, for a system without /proc,
// needs CAP_DAC_READ_SEARCH. A file whose last name is gone can be linked only
// if it was made unnamed (O_TMPFILE).
int LinkDescriptor(int fd, const std::string& to) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int first = errno;
  if (first == EEXIST) return first;
  if (::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return errno == EEXIST ? EEXIST : first;
}

// Copies the whole content of from into to, and its mode and times, then
// flushes it: a name given to the copy must never reach a partial file.
bool CopyContent(int from, int to, const struct stat& st) {
  char buf[65536];
  for (off_t at = 0;;) {
    ssize_t n = ::pread(from, buf, sizeof buf, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(to, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
    at += n;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  return ::fchmod(to, st.st_mode & 07777) == 0 && ::futimens(to, times) == 0 &&
         ::fdatasync(to) == 0;
}

// Puts a copy of the held file under the free name dir/name. true when the
// name ends up holding a file: the copy, or one another program put there.
bool CopyBack(int held, const struct stat& st, const std::string& dir, const std::string& name) {
  if (!S_ISREG(st.st_mode)) return false;
  // A descriptor opened only as a path (a file the user may not read) cannot
  // be read; /proc reopens it if the file's permissions allow.
  Descriptor reopened(::open(("/proc/self/fd/" + std::to_string(held)).c_str(),
                             O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  const int in = reopened.get() >= 0 ? reopened.get() : held;
  const std::string to = Join(dir, name);
  // An unnamed file leaves nothing behind if the tool is killed while it is written.
  Descriptor unnamed(::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (unnamed.get() >= 0) {
    if (!CopyContent(in, unnamed.get(), st)) return false;
    const int error = LinkDescriptor(unnamed.get(), to);
    if (error == 0 || error == EEXIST) return true;
    if (error != ENOENT && error != EPERM) return false;
  }
  // No unnamed files here (NFS, some FUSE file systems), or no way to name
  // one: a temporary name that the rename never lets replace another file.
  const std::string temp = Join(dir, "." + name + ".svx-restore-" + std::to_string(::getpid()));
  bool named = false;
  {
    Descriptor out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (out.get() < 0) return false;
    named = CopyContent(in, out.get(), st) && ::close(out.release()) == 0;
  }
  if (named && RenameNoReplace(temp, to)) return true;
  const bool taken = named && errno == EEXIST;
  ::unlink(temp.c_str());
  return taken;
}

class PosixUpdateFile : public UpdateFile {
 public:
  explicit PosixUpdateFile(int fd) : fd_(fd) {}
  ~PosixUpdateFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Write(const void* data, size_t size) override {
    if (fd_ < 0 || failed_) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::write(fd_, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failed_ = true;
        return false;
      }
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return false;
    // Linux closes the descriptor even when close() reports EINTR, so it is
    // never retried; the report still counts as a failure because data written
    // to a network file system may be lost.
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 && !failed_;
  }

 private:
  int fd_;
  bool failed_ = false;
};

}  // namespace

bool RenameByLink(const std::string& from, const std::string& to) {
  // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, as rename would.
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) return false;
  if (::unlink(from.c_str()) != 0) {
    // Take back the new name only: the file is still reachable by the old one.
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

// One folder's names as read at the first lookup of a pass.
//
// Entries stay in the order they were read or added; a removed entry keeps its
// slot with an empty name until enough have piled up to compact. The index maps
// the hash of the case-folded name to slots, so a lookup is one hash probe and
// no folded copy of any name is stored.
struct PosixFileSystem::Listing {
  struct Entry {
    std::string name;
    PathKind kind = PathKind::kMissing;
    bool kindKnown = false;  // symbolic links and DT_UNKNOWN are looked up when asked
  };

  std::vector<Entry> entries;
  std::unordered_multimap<uint64_t, uint32_t> index;
  size_t removed = 0;

  // Calls f(slot) for each stored name that equals name without regard to
  // letter case, until f returns false.
  template <typename F>
  void ForEachNamed(std::string_view name, F f) const {
    auto [it, end] = index.equal_range(FoldedHash(name));
    for (; it != end; ++it) {
      if (EqualsNoCase(entries[it->second].name, name) && !f(size_t{it->second})) return;
    }
  }

  void Add(std::string name, PathKind kind, bool kindKnown) {
    index.emplace(FoldedHash(name), static_cast<uint32_t>(entries.size()));
    entries.push_back(Entry{std::move(name), kind, kindKnown});
  }

  void Erase(size_t slot) {
    auto [it, end] = index.equal_range(FoldedHash(entries[slot].name));
    for (; it != end; ++it) {
      if (it->second == slot) {
        index.erase(it);
        break;
      }
    }
    std::string().swap(entries[slot].name);
    if (++removed > 1024 && removed > entries.size() / 2) Compact();
  }

  void Compact() {
    std::erase_if(entries, [](const Entry& e) { return e.name.empty(); });
    removed = 0;
    index.clear();
    index.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      index.emplace(FoldedHash(entries[i].name), static_cast<uint32_t>(i));
    }
  }

  static std::unique_ptr<Listing> Read(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      return nullptr;
    }
    auto listing = std::make_unique<Listing>();
    errno = 0;
    while (dirent* e = ::readdir(dir)) {
      std::string_view name = e->d_name;
      if (name == "." || name == "..") continue;
      switch (e->d_type) {
        case DT_DIR:
          listing->Add(std::string(name), PathKind::kFolder, true);
          break;
        case DT_LNK:
        case DT_UNKNOWN:
          listing->Add(std::string(name), PathKind::kMissing, false);
          break;
        default:
          listing->Add(std::string(name), PathKind::kFile, true);
          break;
      }
      errno = 0;
    }
    // A listing cut short would make files look missing: treat the folder as
    // unreadable instead.
    bool failed = errno != 0;
    ::closedir(dir);
    if (failed) return nullptr;
    return listing;
  }
};

struct PosixFileSystem::Resolved {
  std::string dir;          // POSIX folder that holds the last component
  std::string name;         // stored name, or the name as given for a free name; empty for a root
  bool folderOnly = false;  // the path ended in a separator
  Listing* listing = nullptr;  // during a pass: the folder's listing and the entry's slot
  size_t slot = 0;

  std::string Full() const { return name.empty() ? dir : Join(dir, name); }
};

PosixFileSystem::PosixFileSystem(Options options)
    : prefix_(std::move(options.winePrefix)),
      currentDirectory_(std::move(options.currentDirectory)),
      listingRefused_(std::move(options.listingRefused)),
      whileTargetHeld_(std::move(options.whileTargetHeld)) {
  if (prefix_.empty()) prefix_ = DefaultWinePrefix().path;
  if (!currentDirectory_.empty() && currentDirectory_.front() != '/') {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf)) currentDirectory_ = Join(buf, currentDirectory_);
  }
}

PosixFileSystem::~PosixFileSystem() = default;

void PosixFileSystem::BeginPass() {
  ++passDepth_;
}

void PosixFileSystem::EndPass() {
  if (passDepth_ > 0 && --passDepth_ == 0) DropCache();
}

void PosixFileSystem::DropCache() {
  lastFolderKnown_ = false;
  listingByPath_.clear();
  listingByFile_.clear();
  driveRootKnown_.fill(false);
}

std::optional<std::string> PosixFileSystem::RootOfDrive(char letter) {
  char lower = static_cast<char>(letter | 0x20);
  size_t i = static_cast<size_t>(lower - 'a');
  if (passDepth_ > 0 && driveRootKnown_[i]) return driveRoots_[i];

  std::optional<std::string> root = DriveRoot(prefix_, lower);
  if (passDepth_ > 0) {
    driveRoots_[i] = root;
    driveRootKnown_[i] = true;
  }
  return root;
}

int PosixFileSystem::OpenFolder(const std::string& dir) {
  if (listingRefused_ && listingRefused_(dir)) {
    errno = EACCES;
    return -1;
  }
  return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

PosixFileSystem::Listing* PosixFileSystem::ListingOf(const std::string& dir, bool* unreadable) {
  if (auto it = listingByPath_.find(dir); it != listingByPath_.end()) {
    if (!it->second && unreadable) *unreadable = true;
    return it->second;
  }

  Listing* found = nullptr;
  int fd = OpenFolder(dir);
  if (fd < 0) {
    // Nothing there is no listing to remember: a later lookup tries again.
    if (IsAbsence(errno)) return nullptr;
  } else {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      ::close(fd);
    } else if (auto it = listingByFile_.find({st.st_dev, st.st_ino}); it != listingByFile_.end()) {
      // The same folder reached by another path (a link) shares one listing,
      // so a rename through one path is seen through the other.
      ::close(fd);
      found = it->second.get();
    } else if (auto listing = Listing::Read(fd)) {
      found = listing.get();
      listingByFile_.emplace(std::make_pair(st.st_dev, st.st_ino), std::move(listing));
    }
  }
  // A folder that cannot be read is remembered too, so a pass does not retry it per file.
  if (!found && unreadable) *unreadable = true;
  listingByPath_.emplace(dir, found);
  return found;
}

PathKind PosixFileSystem::SlotKind(Listing& listing, const std::string& dir, size_t slot) {
  Listing::Entry& e = listing.entries[slot];
  if (!e.kindKnown) {
    e.kind = KindByStat(Join(dir, e.name));
    e.kindKnown = true;
  }
  return e.kind;
}

std::optional<PosixFileSystem::Found> PosixFileSystem::LookupEntry(const std::string& dir,
                                                                   std::string_view name,
                                                                   Prefer prefer, bool* unknown) {
  if (passDepth_ == 0) return DirectLookup(dir, name, prefer, true, unknown);

  bool unreadable = false;
  Listing* l = ListingOf(dir, &unreadable);
  if (!l) {
    if (!unreadable) return std::nullopt;
    // A folder that can be entered but not read: its entries can still be
    // reached by their exact names, as outside a pass.
    return DirectLookup(dir, name, prefer, false, unknown);
  }
  std::optional<size_t> first;
  bool several = false;
  l->ForEachNamed(name, [&](size_t slot) {
    several = first.has_value();
    if (!first) first = slot;
    return !several;
  });
  if (!first) return std::nullopt;
  size_t best = *first;
  if (several) {
    // Names that differ only in case: rare, so only then are kinds looked up.
    const bool wantFolder = prefer == Prefer::kFolder;
    int bestRank = Rank(SlotKind(*l, dir, best), l->entries[best].name == name, wantFolder);
    l->ForEachNamed(name, [&](size_t slot) {
      const std::string& stored = l->entries[slot].name;
      const int rank = Rank(SlotKind(*l, dir, slot), stored == name, wantFolder);
      if (rank < bestRank || (rank == bestRank && stored < l->entries[best].name)) {
        best = slot;
        bestRank = rank;
      }
      return true;
    });
  }
  return Found{l->entries[best].name, l, best};
}

std::optional<PosixFileSystem::Found> PosixFileSystem::DirectLookup(const std::string& dir,
                                                                    std::string_view name,
                                                                    Prefer prefer, bool mayList,
                                                                    bool* unknown) {
  // Nothing cached, so others' changes are always seen. The exact spelling,
  // when it exists and is of the kind looked for, spares the scan.
  const bool wantFolder = prefer == Prefer::kFolder;
  const std::string exactPath = Join(dir, name);
  struct stat st;
  const bool taken = ::lstat(exactPath.c_str(), &st) == 0;
  if (taken) {
    const PathKind kind = S_ISLNK(st.st_mode)   ? KindByStat(exactPath)
                          : S_ISDIR(st.st_mode) ? PathKind::kFolder
                                                : PathKind::kFile;
    if (Rank(kind, true, wantFolder) == 0) return Found{std::string(name)};
  }

  int fd = mayList ? OpenFolder(dir) : -1;
  DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!d) {
    const bool absent = mayList && fd < 0 && IsAbsence(errno);
    if (fd >= 0) ::close(fd);
    if (taken) return Found{std::string(name)};
    // Another spelling of the name may be stored in the unread folder.
    if (!absent && unknown) *unknown = true;
    return std::nullopt;
  }
  std::optional<std::string> best;
  int bestRank = 0;
  while (dirent* e = ::readdir(d)) {
    std::string_view stored = e->d_name;
    if (stored == "." || stored == ".." || !EqualsNoCase(stored, name)) continue;
    const int rank = Rank(KindByStat(Join(dir, stored)), stored == name, wantFolder);
    if (!best || rank < bestRank || (rank == bestRank && stored < *best)) {
      best = std::string(stored);
      bestRank = rank;
    }
  }
  ::closedir(d);
  if (!best) return std::nullopt;
  return Found{std::move(*best)};
}

std::optional<PosixFileSystem::Resolved> PosixFileSystem::Resolve(const std::string& path,
                                                                  Want want, bool* unknown) {
  // A NUL inside the string would cut the POSIX path short and reach another file.
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;

  Resolved r;
  std::vector<std::string> parts;
  r.folderOnly = IsSeparator(path.back());
  // A pass asks about many names of one folder in a row: the folder part of
  // the last path (up to its last separator, when a plain name follows) is
  // remembered with the folder it reached, until the cache is dropped.
  const size_t cut = path.find_last_of("\\/");
  const std::string_view lastPart =
      cut == std::string::npos ? std::string_view() : std::string_view(path).substr(cut + 1);
  const bool sharesFolder = passDepth_ > 0 && !lastPart.empty() && lastPart != "." &&
                            lastPart != ".." && cut != std::string::npos;
  if (sharesFolder && lastFolderKnown_ &&
      std::string_view(path).substr(0, cut + 1) == lastFolder_) {
    r.dir = lastFolderDir_;
    parts.emplace_back(lastPart);
  } else {
    size_t start = 0;
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
      // "C:name" (relative to the drive's own current folder on Windows) is
      // taken from the drive's root: this tool keeps no per-drive folders.
      std::optional<std::string> root = RootOfDrive(path[0]);
      if (!root) return std::nullopt;
      r.dir = *root;
      start = 2;
    } else if (IsSeparator(path[0])) {
      if (path.size() >= 2 && IsSeparator(path[1])) return std::nullopt;  // \\server\share
      // assign(): GCC 12 at -O3 warns falsely (-Wrestrict) on r.dir = "/".
      r.dir.assign(1, '/');
    } else {
      std::string cwd = currentDirectory_;
      if (cwd.empty()) {
        char buf[PATH_MAX];
        if (!::getcwd(buf, sizeof buf)) return std::nullopt;
        cwd = buf;
      }
      r.dir.assign(1, '/');
      AppendParts(cwd, parts);
    }
    AppendParts(std::string_view(path).substr(start), parts);

    if (parts.empty()) {
      // The root itself: a folder, but never a name to create or rename to.
      if (want == Want::kFreeName) return std::nullopt;
      return r;
    }
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      std::optional<Found> part = LookupEntry(r.dir, parts[i], Prefer::kFolder, unknown);
      if (!part) return std::nullopt;
      r.dir = Join(r.dir, part->name);
    }
    if (sharesFolder) {
      lastFolder_.assign(path, 0, cut + 1);
      lastFolderDir_ = r.dir;
      lastFolderKnown_ = true;
    }
  }
  if (want == Want::kFreeName) {
    if (r.folderOnly) return std::nullopt;
    r.name = std::move(parts.back());
    return r;
  }
  std::optional<Found> last =
      LookupEntry(r.dir, parts.back(), r.folderOnly ? Prefer::kFolder : Prefer::kFile, unknown);
  if (!last) return std::nullopt;
  r.name = std::move(last->name);
  r.listing = last->listing;
  r.slot = last->slot;
  // As on Windows, "name\" names a folder only.
  if (r.folderOnly && EntryKind(r) != PathKind::kFolder) return std::nullopt;
  return r;
}

PathKind PosixFileSystem::EntryKind(const Resolved& r) {
  if (r.name.empty()) return PathKind::kFolder;
  if (!r.listing) return KindByStat(r.Full());
  return SlotKind(*r.listing, r.dir, r.slot);
}

PathKind PosixFileSystem::Kind(const std::string& path) {
  std::optional<Resolved> r = Resolve(path, Want::kEntry);
  return r ? EntryKind(*r) : PathKind::kMissing;
}

std::optional<std::vector<std::string>> PosixFileSystem::Enumerate(const std::string& pattern) {
  std::vector<std::string> out;
  bool unknown = false;
  std::optional<Resolved> r = Resolve(pattern, Want::kFreeName, &unknown);
  if (!r) {
    if (unknown) return std::nullopt;
    return out;
  }
  const std::string& wildcard = r->name;

  if (passDepth_ > 0) {
    bool unreadable = false;
    Listing* l = ListingOf(r->dir, &unreadable);
    if (!l) {
      if (unreadable) return std::nullopt;
      return out;
    }
    for (const Listing::Entry& e : l->entries) {
      if (!e.name.empty() && MatchesWildcard(e.name, wildcard)) out.push_back(e.name);
    }
  } else {
    int fd = OpenFolder(r->dir);
    if (fd < 0) {
      if (IsAbsence(errno)) return out;
      return std::nullopt;
    }
    DIR* d = ::fdopendir(fd);
    if (!d) {
      ::close(fd);
      return std::nullopt;
    }
    errno = 0;
    while (dirent* e = ::readdir(d)) {
      std::string_view name = e->d_name;
      if (name != "." && name != ".." && MatchesWildcard(name, wildcard)) out.emplace_back(name);
      errno = 0;
    }
    // A listing cut short would hide files as surely as an unreadable folder.
    const bool failed = errno != 0;
    ::closedir(d);
    if (failed) return std::nullopt;
  }
  // Byte order: the same folder yields the same sequence on every run,
  // whatever order the directory happens to be stored in.
  std::sort(out.begin(), out.end());
  return out;
}

// The stored name a path reaches, also one another program created after the
// pass read its folder (at the cost of a read of the folder); the disk may
// since have changed.
std::optional<PosixFileSystem::Resolved> PosixFileSystem::ResolveOnDisk(const std::string& path) {
  std::optional<Resolved> r = Resolve(path, Want::kEntry);
  if (r || passDepth_ == 0) return r;
  r = Resolve(path, Want::kFreeName);
  if (!r) return r;
  std::optional<Found> found = DirectLookup(r->dir, r->name, Prefer::kFile, true, nullptr);
  if (!found) return std::nullopt;
  r->name = std::move(found->name);
  return r;
}

// The entry is gone from the disk: the cache must not keep the name taken, or
// a rename to it would be refused.
void PosixFileSystem::Forget(const Resolved& r) {
  if (!r.listing) return;
  const Listing::Entry& e = r.listing->entries[r.slot];
  if (e.kindKnown && e.kind == PathKind::kFolder) {
    DropCache();
  } else {
    r.listing->Erase(r.slot);
  }
}

// The entry is on the disk, of this kind.
void PosixFileSystem::Learn(const Resolved& r, PathKind kind) {
  if (r.listing) {
    Listing::Entry& e = r.listing->entries[r.slot];
    e.kind = kind;
    e.kindKnown = true;
  } else if (passDepth_ > 0) {
    // Found past the listing: it holds no spelling of the name yet.
    if (Listing* l = ListingOf(r.dir)) l->Add(r.name, kind, true);
  }
}

RemovalOutcome PosixFileSystem::RemoveRedundant(const std::string& source,
                                                const std::string& target) {
  std::optional<Resolved> src = ResolveOnDisk(source);
  if (!src) return RemovalOutcome::kSourceGone;
  const std::string sourceFull = src->Full();
  struct stat sourceLink, sourceFile;
  if (::lstat(sourceFull.c_str(), &sourceLink) != 0) {
    if (!IsAbsence(errno)) return RemovalOutcome::kNotRedundant;  // there, but not to be looked at
    Forget(*src);
    return RemovalOutcome::kSourceGone;
  }
  sourceFile = sourceLink;
  // A dangling link is missing, as for Kind().
  if (S_ISLNK(sourceLink.st_mode) && ::stat(sourceFull.c_str(), &sourceFile) != 0) {
    return RemovalOutcome::kSourceGone;
  }

  std::optional<Resolved> dst = ResolveOnDisk(target);
  if (!dst) return RemovalOutcome::kTargetGone;
  const std::string targetFull = dst->Full();
  // Held for reading, so that its content can be copied back; a file the user
  // may not read is held as a path. O_NONBLOCK: a FIFO must not hang the tool.
  int fd = ::open(targetFull.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 && !IsAbsence(errno)) fd = ::open(targetFull.c_str(), O_PATH | O_CLOEXEC);
  const Descriptor held(fd);
  struct stat targetFile;
  if (held.get() < 0) {
    if (!IsAbsence(errno)) return RemovalOutcome::kNotRedundant;
    // A dangling link is missing too, but its name still blocks the rename.
    struct stat st;
    if (::lstat(targetFull.c_str(), &st) != 0 && IsAbsence(errno)) Forget(*dst);
    return RemovalOutcome::kTargetGone;
  }
  if (::fstat(held.get(), &targetFile) != 0) return RemovalOutcome::kNotRedundant;
  const PathKind targetKind = S_ISDIR(targetFile.st_mode) ? PathKind::kFolder : PathKind::kFile;
  Learn(*dst, targetKind);
  if (targetKind == PathKind::kFolder ||
      (targetFile.st_dev == sourceFile.st_dev && targetFile.st_ino == sourceFile.st_ino)) {
    return RemovalOutcome::kNotRedundant;
  }

  // As Remove(): never a folder, never a read-only file.
  if (S_ISDIR(sourceFile.st_mode)) return RemovalOutcome::kFailed;
  if (!S_ISLNK(sourceLink.st_mode) && (sourceLink.st_mode & 0222) == 0) {
    return RemovalOutcome::kFailed;
  }
  if (whileTargetHeld_) whileTargetHeld_(targetFull);
  if (::unlink(sourceFull.c_str()) != 0) {
    if (!IsAbsence(errno)) return RemovalOutcome::kFailed;
    Forget(*src);
    return RemovalOutcome::kSourceGone;
  }

  // The source is gone. If the target's name was freed meanwhile, the held
  // file goes back under it; a name another program took, in any spelling,
  // is left to it.
  bool named;
  if (std::optional<PathKind> now = KindOnDisk(targetFull)) {
    named = *now == PathKind::kFile;
  } else if (std::optional<Found> other =
                 DirectLookup(dst->dir, dst->name, Prefer::kFile, true, nullptr)) {
    named = KindByStat(Join(dst->dir, other->name)) == PathKind::kFile;
  } else {
    const int error = LinkDescriptor(held.get(), targetFull);
    named = error == 0 || error == EEXIST || CopyBack(held.get(), targetFile, dst->dir, dst->name);
  }
  if (!named) {
    // Rare; both names may have changed in the listings, and one erase can
    // move the other's slot.
    DropCache();
    return RemovalOutcome::kFailed;
  }
  if (src->listing) src->listing->Erase(src->slot);
  return RemovalOutcome::kRemoved;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  std::optional<Resolved> src = Resolve(from, Want::kEntry);
  if (!src || src->name.empty()) return false;
  std::optional<Resolved> dst = Resolve(to, Want::kFreeName);
  if (!dst) return false;

  // A Windows folder holds one entry per name whatever its letter case, so
  // "L1L.bgl" blocks a rename to "L1L.BGL". The one exception is the entry
  // itself: changing only the case of a name is allowed there too.
  if (std::optional<Found> clash = LookupEntry(dst->dir, dst->name, Prefer::kFile, nullptr)) {
    if (!(dst->dir == src->dir && clash->name == src->name)) return false;
  }
  // The kernel refuses to replace an entry of exactly the target name, also one
  // created after the test above. One differing only in case that appears in
  // that moment is not caught; both files then survive side by side.
  if (!RenameNoReplace(src->Full(), dst->Full())) return false;

  if (passDepth_ > 0 && src->listing) {
    Listing::Entry moved = src->listing->entries[src->slot];
    if (!moved.kindKnown || moved.kind == PathKind::kFolder) {
      // Listings are keyed by path, and every path below a moved folder has
      // changed: start the pass's cache afresh rather than patch it.
      DropCache();
    } else {
      src->listing->Erase(src->slot);
      if (Listing* target = ListingOf(dst->dir)) target->Add(dst->name, moved.kind, true);
    }
  }
  return true;
}

bool PosixFileSystem::Remove(const std::string& path) {
  std::optional<Resolved> r = Resolve(path, Want::kEntry);
  if (!r || r->name.empty()) return false;
  std::string full = r->Full();
  if (EntryKind(*r) == PathKind::kFolder) return false;
  // Windows refuses to delete a read-only file; Wine maps that attribute to a
  // file without write permission, and so does this layer (root included).
  struct stat st;
  if (::lstat(full.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return false;
  if (::unlink(full.c_str()) != 0) return false;
  if (r->listing) r->listing->Erase(r->slot);
  return true;
}

std::unique_ptr<UpdateFile> PosixFileSystem::OpenForUpdate(const std::string& path) {
  std::optional<Resolved> r = Resolve(path, Want::kEntry);
  if (!r || r->name.empty()) return nullptr;
  // No O_CREAT and no O_TRUNC: only an existing file is opened, and it keeps its length.
  int fd = ::open(r->Full().c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  // A read-only file cannot be opened for writing on Windows, even by an
  // administrator; root would get it here without this test.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixUpdateFile>(fd);
}

std::optional<std::string> PosixFileSystem::ReadFile(const std::string& path, size_t maxBytes) {
  std::optional<Resolved> r = Resolve(path, Want::kEntry);
  if (!r || r->name.empty()) return std::nullopt;
  // O_NONBLOCK: opening a FIFO of that name must not hang the tool.
  int fd = ::open(r->Full().c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> out;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<unsigned long long>(st.st_size) <= maxBytes) {
    std::string data;
    char buf[65536];
    bool ok = true;
    for (;;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;
      // The file may have grown since fstat.
      if (static_cast<size_t>(n) > maxBytes - data.size()) {
        ok = false;
        break;
      }
      data.append(buf, static_cast<size_t>(n));
    }
    if (ok) out = std::move(data);
  }
  ::close(fd);
  return out;
}

}  // namespace svx

#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <string>

#include "platform/WindowsPath.h"
#include "platform/posix/NoReplaceRename.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/RegularFile.h"
#include "platform/posix/RetryOnEintr.h"
#include "platform/posix/UniqueFd.h"

namespace svx {

namespace {

class PosixUpdateFile : public UpdateFile {
 public:
  explicit PosixUpdateFile(UniqueFd fd) : fd_(std::move(fd)) {}

  bool Write(const void* data, size_t size) override {
    if (!fd_ || failed_) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = RetryOnEintr(::write, fd_.Get(), p, size);
      if (n <= 0) {
        failed_ = true;
        return false;
      }
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

  // Flushed before it is closed: close() does not report a write-back error
  // (a full copy-on-write volume, a failing disk), and an unlock that never
  // reached the disk must not be reported as done.
  bool Close() override {
    if (!fd_) return false;
    const bool flushed = ::fdatasync(fd_.Get()) == 0 || errno == EINVAL;
    return fd_.Close() && flushed && !failed_;
  }

 private:
  UniqueFd fd_;
  bool failed_ = false;
};

// Nothing when the name is free.
std::optional<PathKind> KindOnDisk(const std::string& full) {
  struct stat st;
  if (::stat(full.c_str(), &st) != 0) return std::nullopt;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

// What holds a name now, in any spelling; nothing when the name is free.
std::optional<PathKind> NameKind(const std::string& dir, const std::string& name) {
  if (std::optional<PathKind> exact = KindOnDisk(JoinPath(dir, name))) return exact;
  const std::optional<std::string> other = StoredNameOnDisk(dir, name, Prefer::kFile);
  if (!other) return std::nullopt;
  return KindOnDisk(JoinPath(dir, *other));
}

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

// A file's mode or times set, or not kept by the volume at all (fusefat has
// no chmod): a copy is no less whole without them.
bool Kept(int result) {
  return result == 0 || errno == ENOSYS || errno == EOPNOTSUPP || errno == EPERM;
}

// Copies the whole content of from into to, and its mode and times, then
// flushes it: a name given to the copy must never reach a partial file.
bool CopyContent(int from, int to, const struct stat& st) {
  char buf[65536];
  for (off_t at = 0;;) {
    const ssize_t n = RetryOnEintr(::pread, from, buf, sizeof buf, at);
    if (n < 0) return false;
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = RetryOnEintr(::write, to, buf + done, static_cast<size_t>(n - done));
      if (w <= 0) return false;
      done += w;
    }
    at += n;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  return Kept(::fchmod(to, st.st_mode & 07777)) && Kept(::futimens(to, times)) &&
         ::fdatasync(to) == 0;
}

// Puts a copy of the held file under the free name dir/name, renaming as the
// folder's volume allows (`way`). true when the name ends up holding a file:
// the copy, or one another program put there. A folder or a dangling link
// another program put there is no file.
bool CopyBack(int held, const struct stat& st, const std::string& dir, const std::string& name,
              RenameWay& way) {
  if (!S_ISREG(st.st_mode)) return false;
  // A descriptor opened only as a path (a file the user may not read) cannot
  // be read; /proc reopens it if the file's permissions allow.
  const UniqueFd reopened(::open(("/proc/self/fd/" + std::to_string(held)).c_str(),
                                 O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  const int in = reopened ? reopened.Get() : held;
  const std::string to = JoinPath(dir, name);
  // An unnamed file leaves nothing behind if the tool is killed while it is written.
  const UniqueFd unnamed(::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (unnamed) {
    if (!CopyContent(in, unnamed.Get(), st)) return false;
    const int error = LinkDescriptor(unnamed.Get(), to);
    if (error == 0) return true;
    if (error == EEXIST) return NameKind(dir, name) == PathKind::kFile;
    if (error != ENOENT && error != EPERM) return false;
  }
  // No unnamed files here (NFS, some FUSE file systems), or no way to name
  // one: a temporary name that the rename never lets replace another file.
  const std::string temp = JoinPath(dir, "." + name + ".svx-restore-" + std::to_string(::getpid()));
  bool named = false;
  {
    UniqueFd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    if (!out) return false;
    named = CopyContent(in, out.Get(), st) && out.Close();
  }
  if (named && RenameWithoutReplace(temp, to, way)) return true;
  const bool taken = named && errno == EEXIST;
  ::unlink(temp.c_str());
  return taken && NameKind(dir, name) == PathKind::kFile;
}

}  // namespace

PosixFileSystem::PosixFileSystem(Options options)
    : prefix_(std::move(options.winePrefix)),
      currentDirectory_(std::move(options.currentDirectory)),
      cache_(std::move(options.listingRefused)),
      whileTargetHeld_(std::move(options.whileTargetHeld)) {
  if (!currentDirectory_.empty() && currentDirectory_.front() != '/') {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf)) currentDirectory_ = JoinPath(buf, currentDirectory_);
  }
}

PosixFileSystem::~PosixFileSystem() = default;

void PosixFileSystem::BeginPass() {
  cache_.BeginPass();
}

void PosixFileSystem::EndPass() {
  cache_.EndPass();
}

PosixFileSystem::PlaceLookup PosixFileSystem::PlaceOf(const std::string& path) {
  // A pass asks about many names of one folder in a row: the folder part of
  // the last path is remembered with the folder it reached.
  const std::optional<FolderAndName> split = SplitLastName(path);
  if (split) {
    if (std::optional<std::string> dir = cache_.FolderReachedBy(split->folder)) {
      return {Place{std::move(*dir), std::string(split->name)}};
    }
  }
  std::optional<WindowsPath> parsed = ParseWindowsPath(path);
  if (!parsed) return {};

  Place place;
  place.folderOnly = parsed->folderOnly;
  std::vector<std::string> parts;
  switch (parsed->start) {
    case WindowsPath::Start::kDrive: {
      std::optional<std::string> root = cache_.RootOfDrive(prefix_, parsed->drive);
      if (!root) return {};
      place.dir = std::move(*root);
      break;
    }
    case WindowsPath::Start::kRoot:
      // assign(): GCC 12 at -O3 warns falsely (-Wrestrict) on dir = "/".
      place.dir.assign(1, '/');
      break;
    case WindowsPath::Start::kCurrentFolder: {
      // The current folder's own names are matched as the path's are.
      std::string cwd = currentDirectory_;
      if (cwd.empty()) {
        char buf[PATH_MAX];
        if (!::getcwd(buf, sizeof buf)) return {};
        cwd = buf;
      }
      std::optional<WindowsPath> current = ParseWindowsPath(cwd);
      if (!current) return {};
      parts = std::move(current->parts);
      parts.resize(parts.size() - std::min(parsed->up, parts.size()));
      place.dir.assign(1, '/');
      break;
    }
  }
  parts.insert(parts.end(), std::make_move_iterator(parsed->parts.begin()),
               std::make_move_iterator(parsed->parts.end()));

  if (parts.empty()) return {std::move(place)};
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const ListingCache::Lookup folder = cache_.Find(place.dir, parts[i], Prefer::kFolder);
    if (!folder.entry) return {std::nullopt, folder.unknown};
    place.dir = JoinPath(place.dir, folder.entry->name);
  }
  place.name = std::move(parts.back());
  if (split) cache_.RememberFolder(split->folder, place.dir);
  return {std::move(place)};
}

std::optional<PosixFileSystem::Place> PosixFileSystem::FreeName(const std::string& path) {
  std::optional<Place> place = PlaceOf(path).place;
  // A root, or "name\", is never a name to create or rename to.
  if (!place || place->name.empty() || place->folderOnly) return std::nullopt;
  return place;
}

std::optional<PosixFileSystem::Resolved> PosixFileSystem::Resolve(const std::string& path) {
  std::optional<Place> place = PlaceOf(path).place;
  if (!place) return std::nullopt;
  if (place->name.empty()) return Resolved{std::move(place->dir), {}};
  std::optional<Resolved> r =
      cache_.Find(place->dir, place->name, place->folderOnly ? Prefer::kFolder : Prefer::kFile)
          .entry;
  // As on Windows, "name\" names a folder only.
  if (r && place->folderOnly && EntryKind(*r) != PathKind::kFolder) return std::nullopt;
  return r;
}

PathKind PosixFileSystem::EntryKind(const Resolved& r) {
  if (r.name.empty()) return PathKind::kFolder;
  return cache_.KindOf(r);
}

std::optional<std::string> PosixFileSystem::HostPath(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  if (!r) return std::nullopt;
  return r->Full();
}

PathKind PosixFileSystem::Kind(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  return r ? EntryKind(*r) : PathKind::kMissing;
}

std::optional<std::vector<std::string>> PosixFileSystem::Enumerate(const std::string& pattern) {
  const PlaceLookup where = PlaceOf(pattern);
  if (!where.place) {
    if (where.unknown) return std::nullopt;
    return std::vector<std::string>{};
  }
  if (where.place->name.empty() || where.place->folderOnly) return std::vector<std::string>{};
  return cache_.Matching(where.place->dir, where.place->name);
}

PosixFileSystem::Probed PosixFileSystem::ProbeOnDisk(
    const std::string& path, const std::function<bool(const std::string& full)>& probe) {
  // The spelling the pass listed may have been renamed since, if only in
  // letter case, or the name created after the folder was read; taken as gone,
  // the name would be given to a second file beside it. One fresh read of the
  // folder settles it, and spares the names after it a read of their own.
  for (int look = 0; look < 2; ++look) {
    std::optional<Resolved> r = Resolve(path);
    if (r && r->name.empty()) break;
    if (r) {
      if (probe(r->Full())) return {std::move(r), 0};
      if (!IsAbsence(errno)) return {std::nullopt, errno};
    }
    std::optional<std::string> dir;
    if (r) {
      dir = std::move(r->dir);
    } else if (std::optional<Place> place = FreeName(path)) {
      dir = std::move(place->dir);
    }
    if (!dir || !cache_.Reread(*dir)) break;
  }
  return {std::nullopt, ENOENT};
}

RemovalOutcome PosixFileSystem::RemoveRedundant(const std::string& source,
                                                const std::string& target) {
  struct stat sourceLink, sourceFile;
  const Probed src = ProbeOnDisk(
      source, [&](const std::string& full) { return ::lstat(full.c_str(), &sourceLink) == 0; });
  if (!src.at) {
    // There, but not to be looked at: kept, and the run fails.
    return IsAbsence(src.error) ? RemovalOutcome::kSourceGone : RemovalOutcome::kNotRedundant;
  }
  const std::string sourceFull = src.at->Full();
  sourceFile = sourceLink;
  // A dangling link is missing, as for Kind().
  if (S_ISLNK(sourceLink.st_mode) && ::stat(sourceFull.c_str(), &sourceFile) != 0) {
    return IsAbsence(errno) ? RemovalOutcome::kSourceGone : RemovalOutcome::kNotRedundant;
  }

  // Held for reading, so that its content can be copied back; a file the user
  // may not read is held as a path. O_NONBLOCK: a FIFO must not hang the tool.
  UniqueFd held;
  const Probed dst = ProbeOnDisk(target, [&](const std::string& full) {
    held = UniqueFd(::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!held && !IsAbsence(errno)) held = UniqueFd(::open(full.c_str(), O_PATH | O_CLOEXEC));
    if (held) return true;
    // A dangling link is missing too, but its name still blocks the rename.
    const int error = errno;
    struct stat st;
    if (IsAbsence(error) && ::lstat(full.c_str(), &st) == 0) return true;
    errno = error;
    return false;
  });
  if (!dst.at) {
    return IsAbsence(dst.error) ? RemovalOutcome::kTargetGone : RemovalOutcome::kNotRedundant;
  }
  if (!held) return RemovalOutcome::kTargetGone;
  const std::string targetFull = dst.at->Full();
  struct stat targetFile;
  if (::fstat(held.Get(), &targetFile) != 0) return RemovalOutcome::kNotRedundant;
  const PathKind targetKind = S_ISDIR(targetFile.st_mode) ? PathKind::kFolder : PathKind::kFile;
  cache_.Seen(*dst.at, targetKind);
  if (targetKind == PathKind::kFolder) return RemovalOutcome::kNotRedundant;
  if (targetFile.st_dev == sourceFile.st_dev && targetFile.st_ino == sourceFile.st_ino) {
    // One file under both names: a link between them is kept, and the run
    // fails, unless it is what a stopped rename by link left.
    RenameWay way = cache_.RenameWayIn(dst.at->dir);
    held.Reset();
    const bool finished = FinishStoppedLink(sourceFull, targetFull, way);
    cache_.RememberRenameWay(dst.at->dir, way);
    if (!finished) return RemovalOutcome::kNotRedundant;
    cache_.Gone(*src.at);
    return RemovalOutcome::kRemoved;
  }

  // A rename that was stopped after it claimed the target's name left this
  // empty file beside the source that was to take the name: the rename is
  // finished, as the pass that began it would have done.
  if (targetFile.st_size == 0 && S_ISREG(sourceLink.st_mode) && sourceLink.st_size > 0) {
    RenameWay way = cache_.RenameWayIn(dst.at->dir);
    const bool finished = FinishStoppedRename(sourceFull, targetFull, targetFile, held, way);
    cache_.RememberRenameWay(dst.at->dir, way);
    if (finished) {
      cache_.Gone(*src.at);
      return RemovalOutcome::kRemoved;
    }
    // Let go for a rename that then failed: the source stays.
    if (!held) return RemovalOutcome::kNotRedundant;
  }

  // As Remove(): never a folder, never a read-only file.
  if (S_ISDIR(sourceFile.st_mode)) return RemovalOutcome::kFailed;
  if (!S_ISLNK(sourceLink.st_mode) && (sourceLink.st_mode & 0222) == 0) {
    return RemovalOutcome::kFailed;
  }
  if (whileTargetHeld_) whileTargetHeld_(targetFull);
  if (::unlink(sourceFull.c_str()) != 0) {
    if (!IsAbsence(errno)) return RemovalOutcome::kFailed;
    cache_.Gone(*src.at);
    return RemovalOutcome::kSourceGone;
  }

  // The source is gone. If the target's name was freed meanwhile, the held
  // file goes back under it; a name another program took, in any spelling,
  // is left to it.
  const std::string& dir = dst.at->dir;
  const std::string& name = dst.at->name;
  bool named;
  if (std::optional<PathKind> now = NameKind(dir, name)) {
    named = *now == PathKind::kFile;
  } else if (const int error = LinkDescriptor(held.Get(), targetFull); error == EEXIST) {
    named = NameKind(dir, name) == PathKind::kFile;
  } else {
    RenameWay way = cache_.RenameWayIn(dir);
    named = error == 0 || CopyBack(held.Get(), targetFile, dir, name, way);
    cache_.RememberRenameWay(dir, way);
  }
  if (!named) {
    // Rare; what holds the target's name now is not known to the listing.
    cache_.Drop();
    return RemovalOutcome::kFailed;
  }
  cache_.Gone(*src.at);
  return RemovalOutcome::kRemoved;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  std::optional<Resolved> src = Resolve(from);
  if (!src || src->name.empty()) return false;
  std::optional<Place> dst = FreeName(to);
  if (!dst) return false;

  // A Windows folder holds one entry per name whatever its letter case, so
  // "L1L.bgl" blocks a rename to "L1L.BGL". The one exception is the entry
  // itself: changing only the case of a name is allowed there too.
  if (std::optional<ListingCache::Entry> clash =
          cache_.Find(dst->dir, dst->name, Prefer::kFile).entry) {
    if (!(dst->dir == src->dir && clash->name == src->name)) return false;
  }
  // The volume refuses to replace an entry of exactly the target name (of any
  // case, where it ignores case), also one created after the test above. On
  // one that keeps case, a name differing only in case that appears in that
  // moment is not caught; both files then survive side by side.
  RenameWay way = cache_.RenameWayIn(dst->dir);
  const bool renamed = RenameWithoutReplace(src->Full(), JoinPath(dst->dir, dst->name), way);
  cache_.RememberRenameWay(dst->dir, way);
  if (!renamed) return false;
  cache_.Moved(*src, dst->dir, dst->name);
  return true;
}

bool PosixFileSystem::Remove(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  if (!r || r->name.empty()) return false;
  if (EntryKind(*r) == PathKind::kFolder) return false;
  const std::string full = r->Full();
  // Windows refuses to delete a read-only file; Wine maps that attribute to a
  // file without write permission, and so does this layer (root included).
  struct stat st;
  if (::lstat(full.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return false;
  if (::unlink(full.c_str()) != 0) return false;
  cache_.Gone(*r);
  return true;
}

std::unique_ptr<UpdateFile> PosixFileSystem::OpenForUpdate(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  if (!r || r->name.empty()) return nullptr;
  // No O_CREAT and no O_TRUNC: only an existing file is opened, and it keeps its length.
  UniqueFd fd(::open(r->Full().c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
  if (!fd) return nullptr;
  struct stat st;
  // A read-only file cannot be opened for writing on Windows, even by an
  // administrator; root would get it here without this test.
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) {
    return nullptr;
  }
  return std::make_unique<PosixUpdateFile>(std::move(fd));
}

std::optional<std::string> PosixFileSystem::ReadFile(const std::string& path, size_t maxBytes) {
  std::optional<Resolved> r = Resolve(path);
  if (!r || r->name.empty()) return std::nullopt;
  return ReadRegularFile(r->Full(), maxBytes);
}

}  // namespace svx

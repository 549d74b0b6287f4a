#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "platform/WindowsPath.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/RegularFile.h"
#include "platform/posix/RetryOnEintr.h"
#include "platform/posix/UniqueFd.h"
#include "platform/posix/WinePrefix.h"

namespace svx {

namespace {

// From <linux/fs.h>; spelled here so that the build does not depend on kernel
// headers or on a glibc new enough to wrap renameat2.
constexpr unsigned kRenameNoReplace = 1;

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

  bool Close() override {
    if (!fd_) return false;
    return fd_.Close() && !failed_;
  }

 private:
  UniqueFd fd_;
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

std::string PosixFileSystem::Resolved::Full() const {
  return entry.name.empty() ? dir : JoinPath(dir, entry.name);
}

PosixFileSystem::PosixFileSystem(Options options)
    : prefix_(std::move(options.winePrefix)),
      currentDirectory_(std::move(options.currentDirectory)),
      cache_(std::move(options.listingRefused)) {
  if (prefix_.empty()) prefix_ = DefaultWinePrefix().path;
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
  Resolved r{std::move(place->dir), {}};
  if (place->name.empty()) return r;
  std::optional<ListingCache::Entry> last =
      cache_.Find(r.dir, place->name, place->folderOnly ? Prefer::kFolder : Prefer::kFile).entry;
  if (!last) return std::nullopt;
  r.entry = std::move(*last);
  // As on Windows, "name\" names a folder only.
  if (place->folderOnly && EntryKind(r) != PathKind::kFolder) return std::nullopt;
  return r;
}

PathKind PosixFileSystem::EntryKind(const Resolved& r) {
  if (r.entry.name.empty()) return PathKind::kFolder;
  return cache_.KindOf(r.dir, r.entry);
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

EntryNow PosixFileSystem::OnDisk(const std::string& path) {
  EntryNow now;
  std::optional<Resolved> r = Resolve(path);
  if (!r) {
    // A pass's listing may not know a name another program created since it
    // was read; the disk is asked, at the cost of a read of the folder. The
    // pass asks only about names its listing holds.
    std::optional<Place> place = FreeName(path);
    if (!place) return now;
    std::optional<std::string> stored = StoredNameOnDisk(place->dir, place->name, Prefer::kFile);
    if (!stored) return now;
    r = Resolved{std::move(place->dir), {std::move(*stored)}};
  }
  const std::string full = r->Full();
  struct stat st;
  if (::lstat(full.c_str(), &st) != 0) {
    // Gone since the folder was read: the cache must not keep the name taken,
    // or a rename to it would be refused.
    if (errno == ENOENT || errno == ENOTDIR) cache_.Gone(r->entry);
    return now;
  }
  // A dangling link is missing, as for Kind(), but its name stays taken.
  if (S_ISLNK(st.st_mode) && ::stat(full.c_str(), &st) != 0) return now;
  now.kind = S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
  now.identity = FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  if (!r->entry.name.empty()) cache_.Seen(r->dir, r->entry, now.kind);
  return now;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  std::optional<Resolved> src = Resolve(from);
  if (!src || src->entry.name.empty()) return false;
  std::optional<Place> dst = FreeName(to);
  if (!dst) return false;

  // A Windows folder holds one entry per name whatever its letter case, so
  // "L1L.bgl" blocks a rename to "L1L.BGL". The one exception is the entry
  // itself: changing only the case of a name is allowed there too.
  if (std::optional<ListingCache::Entry> clash =
          cache_.Find(dst->dir, dst->name, Prefer::kFile).entry) {
    if (!(dst->dir == src->dir && clash->name == src->entry.name)) return false;
  }
  // The kernel refuses to replace an entry of exactly the target name, also one
  // created after the test above. One differing only in case that appears in
  // that moment is not caught; both files then survive side by side.
  if (!RenameNoReplace(src->Full(), JoinPath(dst->dir, dst->name))) return false;
  cache_.Moved(src->entry, dst->dir, dst->name);
  return true;
}

bool PosixFileSystem::Remove(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  if (!r || r->entry.name.empty()) return false;
  if (EntryKind(*r) == PathKind::kFolder) return false;
  const std::string full = r->Full();
  // Windows refuses to delete a read-only file; Wine maps that attribute to a
  // file without write permission, and so does this layer (root included).
  struct stat st;
  if (::lstat(full.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return false;
  if (::unlink(full.c_str()) != 0) return false;
  cache_.Gone(r->entry);
  return true;
}

std::unique_ptr<UpdateFile> PosixFileSystem::OpenForUpdate(const std::string& path) {
  std::optional<Resolved> r = Resolve(path);
  if (!r || r->entry.name.empty()) return nullptr;
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
  if (!r || r->entry.name.empty()) return std::nullopt;
  return ReadRegularFile(r->Full(), maxBytes);
}

}  // namespace svx

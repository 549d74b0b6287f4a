// POSIX code only.
#include "platform/posix/NoReplaceRename.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace svx {

namespace {

// From <linux/fs.h>; spelled here so that the build does not depend on kernel
// headers or on a glibc new enough to wrap renameat2.
constexpr unsigned kRenameNoReplace = 1;

// Each way gives 0, or the errno of its failure.
int ByNoReplace(const std::string& from, const std::string& to) {
  return ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kRenameNoReplace) ==
                 0
             ? 0
             : errno;
}

int ByLink(const std::string& from, const std::string& to) {
  // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, as rename would.
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) return errno;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    // Take back the new name only: the file is still reachable by the old one.
    ::unlink(to.c_str());
    return error;
  }
  return 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name still holds the claim as it was made: the same empty file.
bool HoldsClaim(const std::string& to, const struct stat& claim) {
  struct stat now;
  return ::lstat(to.c_str(), &now) == 0 && S_ISREG(now.st_mode) && SameFile(now, claim) &&
         now.st_size == 0;
}

// The exclusive create fails on any entry of the name (in any letter case
// where the volume ignores case, as FAT does), so no file that had the name is
// ever replaced, and while the claim stands every program that creates a name
// only where none is (exclusive create, link, no-replace rename) is refused,
// as it would be by the renamed file. What remains is the moment between the
// last look at the claim and the rename: a program that in that moment writes
// into the claim, deletes it or renames its own file over it has that file
// replaced by the rename. Only a program that overwrites a name it finds taken
// does that, and what it overwrote was the claim, a file of this tool; the
// same program coming a moment later would overwrite the renamed file itself.
// No file that another program had, or made only where no file was, is lost.
// A kill between the claim and the rename leaves the claim beside the source;
// FinishStoppedRename() takes it for what it is.
int ByClaim(const std::string& from, const std::string& to) {
  UniqueFd fd(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd) return errno;
  struct stat claim;
  const bool known = ::fstat(fd.Get(), &claim) == 0;
  int error = known ? 0 : errno;
  // Closed first: FUSE keeps a file that is renamed over while open under a
  // hidden name of its own until it is closed.
  fd.Reset();
  if (known) {
    if (!HoldsClaim(to, claim)) {
      error = EEXIST;
    } else if (::rename(from.c_str(), to.c_str()) == 0) {
      return 0;
    } else {
      error = errno;
    }
    // Left behind, the claim would look like an empty file the source is
    // redundant beside.
    if (HoldsClaim(to, claim)) ::unlink(to.c_str());
  }
  return error;
}

// The volume does not offer the way at all, as opposed to refusing this one
// rename (a taken name, a missing file, no write permission).
bool Refused(RenameWay way, int error) {
  switch (way) {
    case RenameWay::kNoReplace:
      return error == EINVAL || error == ENOSYS;
    case RenameWay::kLink:
      // EPERM: no hard links (FAT), or links to another user's files refused
      // (fs.protected_hardlinks).
      return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
    case RenameWay::kClaim:
      break;
  }
  return false;
}

int By(RenameWay way, const std::string& from, const std::string& to) {
  switch (way) {
    case RenameWay::kNoReplace:
      return ByNoReplace(from, to);
    case RenameWay::kLink:
      return ByLink(from, to);
    case RenameWay::kClaim:
      break;
  }
  return ByClaim(from, to);
}

RenameWay Next(RenameWay way) {
  return way == RenameWay::kNoReplace ? RenameWay::kLink : RenameWay::kClaim;
}

// The best way the volume of `dir` offers, asked with scratch files of its
// own: asked with a taken name, the kernel answers EEXIST for every volume
// before the volume is asked. A kill in between leaves an empty hidden file
// that no rule covers. Nothing when the volume could not be asked.
std::optional<RenameWay> BestWayIn(const std::string& dir) {
  const std::string scratch = dir + ".svx-probe-" + std::to_string(::getpid());
  const std::string second = scratch + "-2";
  UniqueFd fd(::open(scratch.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd) return std::nullopt;
  fd.Reset();
  std::optional<RenameWay> best;
  if (const int error = ByNoReplace(scratch, second); error == 0) {
    best = RenameWay::kNoReplace;
  } else if (Refused(RenameWay::kNoReplace, error)) {
    if (::link(scratch.c_str(), second.c_str()) == 0) {
      best = RenameWay::kLink;
    } else if (Refused(RenameWay::kLink, errno)) {
      best = RenameWay::kClaim;
    }
  }
  ::unlink(second.c_str());
  ::unlink(scratch.c_str());
  return best;
}

// Whether the folder's volume offers `way` as its best, from what the pass
// knows (`known`) or else by asking the volume; `known` is updated.
bool BestWayIs(RenameWay way, const std::string& to, RenameWay& known) {
  if (known == way) return true;
  const std::optional<RenameWay> best = BestWayIn(to.substr(0, to.find_last_of('/') + 1));
  if (best != way) return false;
  known = way;
  return true;
}

}  // namespace

bool RenameWithoutReplace(const std::string& from, const std::string& to, RenameWay& way) {
  for (;;) {
    const int error = By(way, from, to);
    if (error == 0) return true;
    if (!Refused(way, error)) {
      errno = error;
      return false;
    }
    way = Next(way);
  }
}

bool FinishStoppedRename(const std::string& from, const std::string& to, const struct stat& claim,
                         UniqueFd& held, RenameWay& way) {
  if (!S_ISREG(claim.st_mode) || claim.st_size != 0) return false;
  if (!BestWayIs(RenameWay::kClaim, to, way) || !HoldsClaim(to, claim)) return false;
  held.Reset();
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FinishStoppedLink(const std::string& from, const std::string& to, RenameWay& way) {
  struct stat a, b;
  // Exactly the two names the rename gave the file: a file linked elsewhere
  // too is somebody's arrangement, not a stopped rename.
  if (::lstat(from.c_str(), &a) != 0 || ::lstat(to.c_str(), &b) != 0 || !S_ISREG(a.st_mode) ||
      !S_ISREG(b.st_mode) || !SameFile(a, b) || a.st_nlink != 2) {
    return false;
  }
  if (!BestWayIs(RenameWay::kLink, to, way)) return false;
  return ::unlink(from.c_str()) == 0;
}

}  // namespace svx

// POSIX code only. Renaming a file without ever replacing an entry that has
// the new name, on every volume a simulator may live on.
//
// Volumes differ in what they offer (measured on Debian 12's kernel):
// - ext4, tmpfs, overlayfs and other local file systems: the kernel's own
//   no-replace rename.
// - ntfs-3g, and FUSE volumes in general, refuse the no-replace flag (EINVAL)
//   but keep hard links: a link to the new name fails on a taken name.
// - fusefat and exfat-fuse (FAT volumes) have neither: the new name is claimed
//   by an exclusive create, and the file renamed over the claim.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/posix/UniqueFd.h"

namespace svx {

// The ways, best first.
enum class RenameWay {
  kNoReplace,  // renameat2(RENAME_NOREPLACE)
  kLink,       // a hard link under the new name, then the old name removed
  kClaim,      // the new name claimed by an exclusive create, then renamed over
};

// Renames from to `to` (files only), never replacing an entry of that name.
// Starts with `way` and goes down the ladder where the volume refuses a way;
// `way` is left at the one the volume answered to, so that the next rename in
// the same folder starts there. false with errno set (EEXIST: the name is
// taken).
bool RenameWithoutReplace(const std::string& from, const std::string& to, RenameWay& way);

// A rename over a claim that was stopped between the two (the tool killed, the
// machine off) leaves an empty file under the new name beside the file that
// was to take it; taken for a pair, that would cost the file its only copy.
// When `to` is such an empty file on a volume that renames by claims, finishes
// the rename: true once `from` has the name. `held` is a descriptor of the
// file at `to` with `claim` its status; it is closed just before the rename,
// as FUSE keeps a file renamed over while open under a hidden name of its own.
// `way` is the folder's way as far as known; it becomes kClaim when the volume
// is asked and offers no other.
bool FinishStoppedRename(const std::string& from, const std::string& to, const struct stat& claim,
                         UniqueFd& held, RenameWay& way);

// A rename by link stopped between the link and the unlink leaves the file
// under both names, the old one and `to`; taken for a pair whose target is
// its source, it would fail every later pass. When both are the same regular
// file with exactly those two names, on a volume whose best way is the link,
// finishes the rename by removing `from`: true once it is gone. The file
// keeps its content under `to` either way.
bool FinishStoppedLink(const std::string& from, const std::string& to, RenameWay& way);

}  // namespace svx

// The file system of a case-insensitive Windows volume, given on Linux through
// the drive links of a Wine prefix.
//
// Choices this layer makes where Windows and Linux differ:
// - Each path component is matched to the stored name without regard to letter
//   case. If a folder holds several names that differ only in case (possible on
//   Linux only), one of the kind looked for wins: a folder for every component
//   but the last and for a path ending in a separator, a file otherwise, so a
//   folder "L1L.XXX" never hides the file "l1l.xxx". Among those, the name
//   spelled exactly as asked wins, then the first in byte order, so the same
//   path always reaches the same entry.
// - A folder that can be entered but not read (mode 711 for another user)
//   still yields the names asked for in their exact spelling; what else it
//   holds is unknown, so Enumerate() reports it as unreadable.
// - A symbolic link is followed: Kind() reports what it points to, and a
//   dangling link is missing. Its name is still taken, so no rename lands on it.
// - A file without any write permission bit is the Windows read-only file: it
//   cannot be removed or opened for update (also for root, as under Wine), but
//   it can be renamed.
// - Enumerate() yields names in byte order, never "." or "..", and knows no
//   short 8.3 alias names.
// - "\\server\share" network paths have no mapping here and are missing.
//
// Outside a pass nothing is cached, so a lookup of a name not stored in exactly
// that spelling, or stored so but of the other kind (a missing one included),
// reads its whole folder: a loop over many files belongs inside a PassScope,
// where every folder is read once. RemoveRedundant() asks the disk in any
// case: a few calls for names the pass's listing holds.
//
// RemoveRedundant() holds the target by an open descriptor while it unlinks
// the source. Nothing on Linux stops another program from moving the target
// away meanwhile, so the name is looked at again after the unlink, and if it
// has become free the held file is linked back under it (through
// /proc/self/fd), or, where that cannot be done (no /proc, the file moved to
// another file system), copied back: into an unnamed file (O_TMPFILE) that
// takes the name whole, or, where there is none or it cannot be named, a
// temporary name renamed without replace. Neither ever replaces a name
// another program took meanwhile. A kill at any moment leaves the source and
// the target, or the target alone, and no copy: O_TMPFILE's file has no name
// until it is whole. Only a kill inside the last fallback can leave its
// temporary file.
#pragma once

#include <sys/types.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

namespace svx {

class PosixFileSystem : public FileSystem {
 public:
  struct Options {
    // The prefix whose drive links serve drive letters. Empty: $WINEPREFIX,
    // else $HOME/.wine.
    std::string winePrefix;
    // POSIX folder that relative paths start from. Empty: the process's.
    std::string currentDirectory;
    // Tests only: POSIX folders whose listing fails as it does for a user
    // without read permission (tests run as root in CI, which reads any folder).
    std::function<bool(const std::string& folder)> listingRefused = nullptr;
    // Tests only: runs while RemoveRedundant() holds a target (its POSIX
    // path), just before the source is unlinked, where another program could
    // move the target away.
    std::function<void(const std::string& target)> whileTargetHeld = nullptr;
  };

  PosixFileSystem() : PosixFileSystem(Options{}) {}
  explicit PosixFileSystem(Options options);
  ~PosixFileSystem() override;

  PathKind Kind(const std::string& path) override;
  std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) override;
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override;
  void BeginPass() override;
  void EndPass() override;

  const std::string& WinePrefix() const { return prefix_; }

 private:
  struct Listing;
  struct Resolved;
  enum class Want { kEntry, kFreeName };
  enum class Prefer { kFile, kFolder };
  // A stored name, and during a pass the listing and slot that hold it.
  struct Found {
    std::string name;
    Listing* listing = nullptr;
    size_t slot = 0;
  };

  // *unknown is set when the path could not be followed for a reason other
  // than absence: a folder on it could not be read.
  std::optional<Resolved> Resolve(const std::string& path, Want want, bool* unknown = nullptr);
  std::optional<std::string> RootOfDrive(char letter);
  std::optional<Found> LookupEntry(const std::string& dir, std::string_view name, Prefer prefer,
                                   bool* unknown);
  std::optional<Found> DirectLookup(const std::string& dir, std::string_view name, Prefer prefer,
                                    bool mayList, bool* unknown);
  PathKind SlotKind(Listing& listing, const std::string& dir, size_t slot);
  PathKind EntryKind(const Resolved& r);
  std::optional<Resolved> ResolveOnDisk(const std::string& path);
  void Forget(const Resolved& r);
  void Learn(const Resolved& r, PathKind kind);
  Listing* ListingOf(const std::string& dir, bool* unreadable = nullptr);
  int OpenFolder(const std::string& dir);
  void DropCache();

  std::string prefix_;
  std::string currentDirectory_;
  std::function<bool(const std::string&)> listingRefused_;
  std::function<void(const std::string&)> whileTargetHeld_;

  int passDepth_ = 0;
  // A null listing: the folder exists but could not be read.
  std::unordered_map<std::string, Listing*> listingByPath_;
  std::map<std::pair<dev_t, ino_t>, std::unique_ptr<Listing>> listingByFile_;
  std::array<std::optional<std::string>, 26> driveRoots_;
  std::string lastFolder_, lastFolderDir_;  // see Resolve
  bool lastFolderKnown_ = false;
  std::array<bool, 26> driveRootKnown_{};
};

// Renames by a new hard link and the removal of the old name: the link fails
// rather than replace an existing target. The fallback for file systems that
// refuse a no-replace rename; files only.
bool RenameByLink(const std::string& from, const std::string& to);

}  // namespace svx

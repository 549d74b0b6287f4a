// The file system of a case-insensitive Windows volume, given on Linux through
// the drive links of a Wine prefix.
//
// Choices this layer makes where Windows and Linux differ:
// - Each path component is matched to the stored name without regard to letter
//   case; among names that differ only in case, ListingCache.h says which wins.
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
// Outside a pass nothing is cached, and most lookups of a name not stored in
// exactly the spelling asked read its whole folder (ListingCache.h): a loop
// over many files belongs inside a PassScope, where every folder is read once.
// RemoveRedundant() asks the disk in any case: a few calls for names the
// pass's listing holds.
//
// RemoveRedundant() holds the target by an open descriptor while it unlinks
// the source. Nothing on Linux stops another program from moving the target
// away meanwhile, so the name is looked at again after the unlink, and if it
// has become free the held file is linked back under it (through
// /proc/self/fd), or, where that cannot be done (no /proc, the file moved to
// another file system, a volume without hard links), copied back: into an
// unnamed file (O_TMPFILE) that takes the name whole, or, where there is none
// or it cannot be named, a temporary name renamed without replace. Neither
// ever replaces a name another program took meanwhile. A kill leaves the
// source and the target, or the target alone, and no partial copy: O_TMPFILE's
// file has no name until it is whole. Two exceptions: a kill inside the last
// fallback can leave its temporary file (and, on a volume that renames by
// claims, an empty file under the target's name), and a kill after the unlink,
// while a target another program moved away is not yet back, leaves the file
// only where that program put it.
//
// Renames never replace an entry, on any volume: NoReplaceRename.h says how,
// and each folder's volume is asked once per pass which way it allows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/posix/ListingCache.h"

namespace svx {

class PosixFileSystem : public FileSystem {
 public:
  struct Options {
    // The prefix whose drive links serve drive letters (the one chosen at
    // start-up). Empty: none, and a drive-letter path reaches nothing.
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

  // The POSIX path of what a path names, each name matched as every other call
  // here matches it: a Windows path through the prefix's drives, a Linux path
  // from "/", a relative one from the current directory, in any letter case.
  // Whatever else needs a folder on disk (the prefix a program runs in) takes
  // it from here, so that it is the folder the pass worked on. Nothing when no
  // entry has that path.
  std::optional<std::string> HostPath(const std::string& path);

 private:
  // Where a path's last component is, or would be: the POSIX folder that holds
  // it and the name as given (empty for a root).
  struct Place {
    std::string dir;
    std::string name;
    bool folderOnly = false;  // the path ended in a separator
  };
  struct PlaceLookup {
    std::optional<Place> place;
    // The path could not be followed for a reason other than absence: a
    // folder on it could not be read.
    bool unknown = false;
  };
  // The entry a path names; a root is a folder with an empty entry name.
  using Resolved = ListingCache::Entry;

  PlaceLookup PlaceOf(const std::string& path);
  std::optional<Place> FreeName(const std::string& path);
  std::optional<Resolved> Resolve(const std::string& path);
  PathKind EntryKind(const Resolved& r);
  // The entry a path names on the disk now, as the probe finds it; otherwise
  // the probe's errno, ENOENT when no entry has the name.
  struct Probed {
    std::optional<Resolved> at;
    int error = 0;
  };
  Probed ProbeOnDisk(const std::string& path,
                     const std::function<bool(const std::string& full)>& probe);

  std::string prefix_;
  std::string currentDirectory_;
  ListingCache cache_;
  std::function<void(const std::string&)> whileTargetHeld_;
};

}  // namespace svx

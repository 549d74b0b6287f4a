// POSIX code only. Which stored name a name of a case-insensitive Windows
// folder reaches in a Linux folder, and what a preparation pass remembers of
// the folders it reads.
//
// A folder may hold several names that differ only in letter case (possible on
// Linux only). One of the kind looked for wins (Prefer: the file layer asks for
// a folder for every component of a path but the last and for a path ending in
// a separator, a file otherwise), so a folder "L1L.XXX" never hides the file
// "l1l.xxx". Among those, the name spelled exactly as asked wins, then the
// first in byte order, so the same name always reaches the same entry.
//
// Outside a pass nothing is kept and the disk is asked every time: a name
// stored in exactly the spelling asked, of the kind looked for, costs one
// lstat; any other name reads its whole folder. During a pass (BeginPass to
// EndPass, which nest) each folder is read once, at its first lookup, and kept
// true across the changes the file layer reports (Gone, Moved, Seen); changes
// made by other programs go unseen until the pass ends, or until the file
// layer finds a name out of date and has the folder read again (Reread).
#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
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
#include "platform/posix/NoReplaceRename.h"
#include "platform/posix/UniqueFd.h"

namespace svx {

enum class Prefer { kFile, kFolder };

class ListingCache {
 public:
  struct Listing;

  // A stored name, by the POSIX folder that holds it; an empty name is the
  // folder itself (a root). It is a key, looked up again whenever it is used,
  // so it stays good whatever the cache did since it was found: a listing
  // compacted, read again or dropped.
  struct Entry {
    std::string dir;
    std::string name;
    std::string Full() const;
  };

  // What a folder holds under one name.
  struct Lookup {
    std::optional<Entry> entry;
    // Nothing found, but only because the folder could not be read: another
    // spelling of the name may be stored there.
    bool unknown = false;
  };

  // listingRefused: tests only (see PosixFileSystem::Options).
  explicit ListingCache(std::function<bool(const std::string& folder)> listingRefused = nullptr);
  ~ListingCache();
  ListingCache(const ListingCache&) = delete;
  ListingCache& operator=(const ListingCache&) = delete;

  void BeginPass();
  void EndPass();

  // The entry `name` reaches in the POSIX folder `dir`. A folder that can be
  // entered but not read (mode 711 for another user) still yields the name in
  // its exact spelling.
  Lookup Find(const std::string& dir, std::string_view name, Prefer prefer);

  // The names in `dir` that match a Windows wildcard, in byte order: the same
  // folder yields the same sequence on every run, whatever order it is stored
  // in. Empty for a missing folder; nothing for one that cannot be read, as
  // what it holds is unknown.
  std::optional<std::vector<std::string>> Matching(const std::string& dir,
                                                   std::string_view wildcard);

  // What a found entry is, links followed; a dangling link is missing.
  PathKind KindOf(const Entry& entry);

  // What the file layer did or learnt, so that a pass's listings stay true.
  // An entry no longer on disk:
  void Gone(const Entry& entry);
  // An entry renamed to toName in the folder toDir:
  void Moved(const Entry& entry, const std::string& toDir, const std::string& toName);
  // An entry the disk showed to be of `kind` (also one the listing missed):
  void Seen(const Entry& entry, PathKind kind);
  // A name of `dir` proved the pass's listing of it out of date (another
  // program changed the folder): it is read again now. false when nothing of
  // it is kept (outside a pass, or a folder that cannot be read), so that
  // asking again would tell nothing new.
  bool Reread(const std::string& dir);
  // Something changed that the calls above cannot describe: the pass's
  // folders are read afresh at their next lookup.
  void Drop();

  // During a pass, the folder the text of a path's folder part (up to its last
  // separator) reached last, so that the many names of one folder asked in a
  // row cost no walk of the path; outside a pass nothing is remembered.
  std::optional<std::string> FolderReachedBy(std::string_view folderText) const;
  void RememberFolder(std::string_view folderText, const std::string& dir);

  // The folder a drive letter of the prefix maps to; read once per pass.
  std::optional<std::string> RootOfDrive(const std::string& prefix, char letter);

  // During a pass, the way renames in `dir` got past its volume last, so that
  // a way the volume refuses costs a try per folder, not per file; the best
  // way when none is known.
  RenameWay RenameWayIn(const std::string& dir) const;
  void RememberRenameWay(const std::string& dir, RenameWay way);

 private:
  struct Folder;

  Folder ListingOf(const std::string& dir);
  Lookup Pick(Listing& listing, const std::string& dir, std::string_view name, Prefer prefer);
  Listing* KeptListing(const std::string& dir) const;
  // The kept listing of the entry's folder and the entry's slot in it.
  std::pair<Listing*, std::optional<size_t>> SlotOf(const Entry& entry) const;
  UniqueFd OpenFolder(const std::string& dir) const;

  std::function<bool(const std::string&)> listingRefused_;
  int passDepth_ = 0;
  // A null listing: the folder exists but could not be read, so a pass does
  // not retry it per file.
  std::unordered_map<std::string, Listing*> listingByPath_;
  // The same folder reached by another path (a link) shares one listing, so a
  // rename through one path is seen through the other.
  std::map<std::pair<dev_t, ino_t>, std::unique_ptr<Listing>> listingByFile_;
  std::string lastFolderText_, lastFolder_;
  bool lastFolderKnown_ = false;
  std::unordered_map<std::string, RenameWay> renameWays_;
  std::array<std::optional<std::string>, 26> driveRoots_;
  std::array<bool, 26> driveRootKnown_{};
};

// The stored name `name` reaches in `dir` now, by the rule above, asked of the
// disk; nothing when there is none.
std::optional<std::string> StoredNameOnDisk(const std::string& dir, std::string_view name,
                                            Prefer prefer);

}  // namespace svx

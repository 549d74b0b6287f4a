// POSIX code only.
#include "platform/posix/ListingCache.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <unordered_set>

#include "platform/Wildcard.h"
#include "platform/posix/DriveLink.h"
#include "platform/posix/PosixPath.h"

namespace svx {

namespace {

uint64_t FoldedHash(std::string_view name) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : name) {
    h ^= static_cast<unsigned char>(FoldCase(c));
    h *= 1099511628211ull;
  }
  return h;
}

PathKind KindByStat(const std::string& full) {
  struct stat st;
  if (::stat(full.c_str(), &st) != 0) return PathKind::kMissing;
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

// Nothing when the name is free. A dangling link takes its name but is of no
// kind (kMissing).
std::optional<PathKind> EntryAt(const std::string& full) {
  struct stat st;
  if (::lstat(full.c_str(), &st) != 0) return std::nullopt;
  if (S_ISLNK(st.st_mode)) return KindByStat(full);
  return S_ISDIR(st.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

// Lower is better: the kind looked for first, then the exact spelling.
int Rank(PathKind kind, bool exact, Prefer prefer) {
  const bool wanted =
      prefer == Prefer::kFolder ? kind == PathKind::kFolder : kind == PathKind::kFile;
  return (wanted ? 0 : 2) + (exact ? 0 : 1);
}

}  // namespace

// One folder's names as read at its first lookup.
//
// Entries stay in the order they were read or added; a removed entry keeps its
// slot with an empty name until enough have piled up to compact. The index maps
// the hash of the case-folded name to slots, so a lookup is one hash probe and
// no folded copy of any name is stored.
struct ListingCache::Listing {
  struct Entry {
    std::string name;
    PathKind kind = PathKind::kMissing;
    bool kindKnown = false;  // symbolic links and DT_UNKNOWN are looked up when asked
  };

  std::vector<Entry> entries;
  std::unordered_multimap<uint64_t, uint32_t> index;
  size_t removed = 0;
  // Hashes of the folded names that were listed once and gone from a later
  // reading: renamed by another program, perhaps while the folder was read,
  // when the new name can be missed by both readings.
  std::unordered_set<uint64_t> vanished;

  // Calls f(slot) for each stored name that equals name without regard to
  // letter case, until f returns false.
  template <typename F>
  void ForEachNamed(std::string_view name, F f) const {
    auto [it, end] = index.equal_range(FoldedHash(name));
    for (; it != end; ++it) {
      if (EqualsNoCase(entries[it->second].name, name) && !f(size_t{it->second})) return;
    }
  }

  // The slot of the name stored in exactly this spelling.
  std::optional<size_t> SlotNamed(std::string_view name) const {
    std::optional<size_t> found;
    ForEachNamed(name, [&](size_t slot) {
      if (entries[slot].name == name) found = slot;
      return !found;
    });
    return found;
  }

  PathKind KindAt(const std::string& dir, size_t slot) {
    Entry& e = entries[slot];
    if (!e.kindKnown) {
      e.kind = KindByStat(JoinPath(dir, e.name));
      e.kindKnown = true;
    }
    return e.kind;
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

  static std::unique_ptr<Listing> Read(UniqueFd fd) {
    const UniqueDir dir = OpenDir(std::move(fd));
    if (!dir) return nullptr;
    auto listing = std::make_unique<Listing>();
    const bool complete = ForEachEntry(dir.get(), [&](std::string_view name, unsigned char type) {
      switch (type) {
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
    });
    // A listing cut short would make files look missing: treat the folder as
    // unreadable instead.
    if (!complete) return nullptr;
    return listing;
  }
};

// A folder's listing as a lookup gets it.
struct ListingCache::Folder {
  Listing* listing = nullptr;  // null: missing, or there but unreadable
  bool absent = false;
  // Outside a pass: the listing, read for one question.
  std::unique_ptr<Listing> throwaway;
};

std::string ListingCache::Entry::Full() const {
  return name.empty() ? dir : JoinPath(dir, name);
}

ListingCache::ListingCache(std::function<bool(const std::string&)> listingRefused)
    : listingRefused_(std::move(listingRefused)) {}

ListingCache::~ListingCache() = default;

void ListingCache::BeginPass() {
  ++passDepth_;
}

void ListingCache::EndPass() {
  if (passDepth_ > 0 && --passDepth_ == 0) Drop();
}

void ListingCache::Drop() {
  lastFolderKnown_ = false;
  listingByPath_.clear();
  listingByFile_.clear();
  renameWays_.clear();
  driveRootKnown_.fill(false);
}

UniqueFd ListingCache::OpenFolder(const std::string& dir) const {
  if (listingRefused_ && listingRefused_(dir)) {
    errno = EACCES;
    return UniqueFd();
  }
  return UniqueFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

ListingCache::Folder ListingCache::ListingOf(const std::string& dir) {
  Folder folder;
  const bool keep = passDepth_ > 0;
  if (keep) {
    if (auto it = listingByPath_.find(dir); it != listingByPath_.end()) {
      folder.listing = it->second;
      return folder;
    }
  }
  UniqueFd fd = OpenFolder(dir);
  if (!fd) {
    // Nothing there is no listing to remember: a later lookup tries again.
    folder.absent = IsAbsence(errno);
    if (folder.absent) return folder;
  } else if (!keep) {
    folder.throwaway = Listing::Read(std::move(fd));
    folder.listing = folder.throwaway.get();
    return folder;
  } else if (struct stat st; ::fstat(fd.Get(), &st) == 0) {
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (auto it = listingByFile_.find(id); it != listingByFile_.end()) {
      folder.listing = it->second.get();
    } else if (std::unique_ptr<Listing> read = Listing::Read(std::move(fd))) {
      folder.listing = read.get();
      listingByFile_.emplace(id, std::move(read));
    }
  }
  if (keep) listingByPath_.emplace(dir, folder.listing);
  return folder;
}

ListingCache::Listing* ListingCache::KeptListing(const std::string& dir) const {
  const auto it = listingByPath_.find(dir);
  return it == listingByPath_.end() ? nullptr : it->second;
}

std::pair<ListingCache::Listing*, std::optional<size_t>> ListingCache::SlotOf(
    const Entry& entry) const {
  Listing* listing = KeptListing(entry.dir);
  if (!listing) return {nullptr, std::nullopt};
  return {listing, listing->SlotNamed(entry.name)};
}

bool ListingCache::Reread(const std::string& dir) {
  Listing* listing = KeptListing(dir);
  if (!listing) return false;
  // Read into the same listing, which every path to the folder shares, once
  // it is certain that the path still leads to that folder.
  UniqueFd fd = OpenFolder(dir);
  struct stat st;
  auto owner = listingByFile_.end();
  if (fd && ::fstat(fd.Get(), &st) == 0) owner = listingByFile_.find({st.st_dev, st.st_ino});
  std::unique_ptr<Listing> fresh;
  if (owner != listingByFile_.end() && owner->second.get() == listing) {
    fresh = Listing::Read(std::move(fd));
  }
  if (!fresh) {
    Drop();
    return true;
  }
  fresh->vanished = std::move(listing->vanished);
  for (const Listing::Entry& e : listing->entries) {
    if (!e.name.empty() && !fresh->SlotNamed(e.name)) fresh->vanished.insert(FoldedHash(e.name));
  }
  *listing = std::move(*fresh);
  return true;
}

ListingCache::Lookup ListingCache::Find(const std::string& dir, std::string_view name,
                                        Prefer prefer) {
  if (passDepth_ == 0) {
    // The exact spelling, when it is there and of the kind looked for, spares
    // reading the folder.
    const std::optional<PathKind> exact = EntryAt(JoinPath(dir, name));
    if (exact && Rank(*exact, true, prefer) == 0) return {Entry{dir, std::string(name)}};
  }
  Folder folder = ListingOf(dir);
  if (folder.listing) {
    Lookup found = Pick(*folder.listing, dir, name, prefer);
    // A name that vanished from a reading may have been missed by it under a
    // new spelling: taken as free, the name would be given to a second file.
    // Asked once: the disk's answer is what the listing holds from then on.
    if (!found.entry && !folder.throwaway && folder.listing->vanished.erase(FoldedHash(name))) {
      if (std::optional<std::string> stored = StoredNameOnDisk(dir, name, prefer)) {
        folder.listing->Add(*stored, PathKind::kMissing, false);
        return {Entry{dir, std::move(*stored)}};
      }
    }
    return found;
  }
  if (folder.absent) return {};
  if (EntryAt(JoinPath(dir, name))) return {Entry{dir, std::string(name)}};
  return {std::nullopt, true};
}

ListingCache::Lookup ListingCache::Pick(Listing& listing, const std::string& dir,
                                        std::string_view name, Prefer prefer) {
  std::optional<size_t> first;
  bool several = false;
  listing.ForEachNamed(name, [&](size_t slot) {
    several = first.has_value();
    if (!first) first = slot;
    return !several;
  });
  if (!first) return {};
  size_t best = *first;
  if (several) {
    // Names that differ only in case: rare, so only then are kinds looked up.
    int bestRank = Rank(listing.KindAt(dir, best), listing.entries[best].name == name, prefer);
    listing.ForEachNamed(name, [&](size_t slot) {
      const std::string& stored = listing.entries[slot].name;
      const int rank = Rank(listing.KindAt(dir, slot), stored == name, prefer);
      if (rank < bestRank || (rank == bestRank && stored < listing.entries[best].name)) {
        best = slot;
        bestRank = rank;
      }
      return true;
    });
  }
  return {Entry{dir, listing.entries[best].name}};
}

std::optional<std::vector<std::string>> ListingCache::Matching(const std::string& dir,
                                                               std::string_view wildcard) {
  const Folder folder = ListingOf(dir);
  std::vector<std::string> names;
  if (!folder.listing) {
    if (folder.absent) return names;
    return std::nullopt;
  }
  for (const Listing::Entry& e : folder.listing->entries) {
    if (!e.name.empty() && MatchesWildcard(e.name, wildcard)) names.push_back(e.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

PathKind ListingCache::KindOf(const Entry& entry) {
  const auto [listing, slot] = SlotOf(entry);
  if (!slot) return KindByStat(entry.Full());
  return listing->KindAt(entry.dir, *slot);
}

void ListingCache::Gone(const Entry& entry) {
  const auto [listing, slot] = SlotOf(entry);
  if (!slot) return;
  const Listing::Entry& e = listing->entries[*slot];
  // Listings are kept by path, and every path below a folder has changed with
  // it: start the pass's cache afresh rather than patch it.
  if (e.kindKnown && e.kind == PathKind::kFolder) {
    Drop();
  } else {
    listing->Erase(*slot);
  }
}

void ListingCache::Moved(const Entry& entry, const std::string& toDir, const std::string& toName) {
  const auto [listing, slot] = SlotOf(entry);
  Listing* target = KeptListing(toDir);
  if (!slot) {
    // Of unknown kind, and the target's listing would miss the new name.
    if (target) Drop();
    return;
  }
  const Listing::Entry moved = listing->entries[*slot];
  // As for Gone(), and a name of unknown kind may be a folder.
  if (!moved.kindKnown || moved.kind == PathKind::kFolder) {
    Drop();
    return;
  }
  listing->Erase(*slot);
  if (target) target->Add(toName, moved.kind, true);
}

void ListingCache::Seen(const Entry& entry, PathKind kind) {
  const auto [listing, slot] = SlotOf(entry);
  if (slot) {
    Listing::Entry& e = listing->entries[*slot];
    e.kind = kind;
    e.kindKnown = true;
  } else if (listing) {
    // Found past the listing: it holds no spelling of the name yet.
    listing->Add(entry.name, kind, true);
  }
}

std::optional<std::string> ListingCache::FolderReachedBy(std::string_view folderText) const {
  if (!lastFolderKnown_ || folderText != lastFolderText_) return std::nullopt;
  return lastFolder_;
}

void ListingCache::RememberFolder(std::string_view folderText, const std::string& dir) {
  if (passDepth_ == 0) return;
  lastFolderText_.assign(folderText);
  lastFolder_ = dir;
  lastFolderKnown_ = true;
}

std::optional<std::string> ListingCache::RootOfDrive(const std::string& prefix, char letter) {
  const char lower = static_cast<char>(letter | 0x20);
  const size_t i = static_cast<size_t>(lower - 'a');
  if (passDepth_ > 0 && driveRootKnown_[i]) return driveRoots_[i];
  std::optional<std::string> root = DriveRoot(prefix, lower);
  if (passDepth_ > 0) {
    driveRoots_[i] = root;
    driveRootKnown_[i] = true;
  }
  return root;
}

RenameWay ListingCache::RenameWayIn(const std::string& dir) const {
  const auto it = renameWays_.find(dir);
  return it == renameWays_.end() ? RenameWay::kNoReplace : it->second;
}

void ListingCache::RememberRenameWay(const std::string& dir, RenameWay way) {
  if (passDepth_ > 0) renameWays_[dir] = way;
}

std::optional<std::string> StoredNameOnDisk(const std::string& dir, std::string_view name,
                                            Prefer prefer) {
  std::optional<ListingCache::Entry> entry = ListingCache().Find(dir, name, prefer).entry;
  if (!entry) return std::nullopt;
  return std::move(entry->name);
}

}  // namespace svx

// What the tool needs from the file system, with the semantics of a
// case-insensitive Windows file system whatever the host's rules.
//
// Paths arrive as the tool builds them: "\" separators (possibly doubled, possibly
// mixed with "/"), a drive letter or not, any letter case. An implementation
// maps them to its own names; callers never do.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace svx {

enum class PathKind { kMissing, kFile, kFolder };

// What RemoveRedundant did with a pair's source.
enum class RemovalOutcome {
  kRemoved,       // the source is gone and a file has the target's name: the target's
                  // own (put back if another program moved it away meanwhile), one
                  // another program put there, or the source itself, where a rename
                  // stopped half-way had left an empty file in the target's place
  kTargetGone,    // the target was not there: the source is untouched
  kSourceGone,    // the source was not there: nothing was done
  kNotRedundant,  // the target is a folder, the source itself under a second name, or
                  // which file it is cannot be told or held: the source is untouched
  kFailed,        // the source could not be removed (a folder, read-only, locked), or it
                  // was removed and the target's name could not be given a file again
};

// A file opened for reading and writing without creating or truncating it,
// positioned at byte 0.
class UpdateFile {
 public:
  virtual ~UpdateFile() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Flushes and closes; false if anything written did not reach the file.
  virtual bool Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Existence only: no access right is tested.
  virtual PathKind Kind(const std::string& path) = 0;
  bool Exists(const std::string& path) { return Kind(path) != PathKind::kMissing; }

  // The entry names (no folder, folders included) of the pattern's folder that
  // match its last component by the Windows wildcard rules (see Wildcard.h).
  // A missing folder yields no names. A folder that exists but cannot be read
  // (or whose path cannot be followed for a reason other than absence) yields
  // nothing at all: what it holds is unknown, which is not the same as empty.
  virtual std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) = 0;

  // Fails rather than overwrite an existing entry of any letter case, also when
  // the target appears between a test and the rename.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;

  // Removes one file; never a folder.
  virtual bool Remove(const std::string& path) = 0;

  // Removes the source of a pair because its target holds the file the patch
  // expects. Both are looked at on the disk itself, past anything a pass has
  // cached (which is corrected by the answer), and the target is held while the
  // source goes: another program that moves the target away in that moment
  // must not leave the pair's name without a file.
  virtual RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) = 0;

  virtual std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) = 0;

  // Reads a whole file of at most maxBytes; nothing if it is missing, a folder,
  // unreadable or larger.
  virtual std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) = 0;

  // Between BeginPass and EndPass the implementation may cache directory
  // listings; it keeps them true across its own renames and removes. Changes
  // made by others during a pass may go unseen until EndPass, except by
  // RemoveRedundant.
  virtual void BeginPass() {}
  virtual void EndPass() {}
};

// Holds a pass's cache scope open for the life of a block.
class PassScope {
 public:
  explicit PassScope(FileSystem& fs) : fs_(fs) { fs_.BeginPass(); }
  ~PassScope() { fs_.EndPass(); }
  PassScope(const PassScope&) = delete;
  PassScope& operator=(const PassScope&) = delete;

 private:
  FileSystem& fs_;
};

}  // namespace svx

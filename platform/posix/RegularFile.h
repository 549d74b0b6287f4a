// POSIX code only. Reading files the tool does not control (a prefix's
// registry, the prefix managers' own files, the add-on's version file) without
// ever hanging on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace svx {

// A file opened for reading only when it is a regular file. The open never
// blocks: a FIFO in the file's place would otherwise hold the tool until
// someone wrote to it. Anything but a regular file is a failed open.
class RegularFile {
 public:
  static std::optional<RegularFile> Open(const std::string& path);

  // The size when the file was opened.
  uint64_t Size() const { return size_; }
  // Up to length bytes from offset: fewer where the file ends (it may have
  // shrunk since it was opened), nothing on a read error.
  std::optional<std::string> ReadAt(uint64_t offset, size_t length) const;
  // Everything up to the file's end, also what was added since the open;
  // nothing when that is more than maxBytes or a read fails.
  std::optional<std::string> ReadAll(size_t maxBytes) const;

 private:
  RegularFile(UniqueFd fd, uint64_t size) : fd_(std::move(fd)), size_(size) {}
  UniqueFd fd_;
  uint64_t size_;
};

// The whole file, read once and closed at once; nothing when it is not a
// regular file, is larger than maxBytes or cannot be read.
std::optional<std::string> ReadRegularFile(const std::string& path, size_t maxBytes);

}  // namespace svx

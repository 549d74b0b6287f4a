// POSIX code only.
#include "platform/posix/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/RetryOnEintr.h"

namespace svx {

std::optional<RegularFile> RegularFile::Open(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return RegularFile(std::move(fd), static_cast<uint64_t>(st.st_size));
}

std::optional<std::string> RegularFile::ReadAt(uint64_t offset, size_t length) const {
  std::string data(length, '\0');
  size_t got = 0;
  while (got < length) {
    const ssize_t n = RetryOnEintr(::pread, fd_.Get(), data.data() + got, length - got,
                                   static_cast<off_t>(offset + got));
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return data;
}

std::optional<std::string> RegularFile::ReadAll(size_t maxBytes) const {
  if (size_ > maxBytes) return std::nullopt;
  std::string data;
  data.reserve(static_cast<size_t>(size_));
  char piece[65536];
  for (;;) {
    const ssize_t n =
        RetryOnEintr(::pread, fd_.Get(), piece, sizeof piece, static_cast<off_t>(data.size()));
    if (n < 0) return std::nullopt;
    if (n == 0) return data;
    if (static_cast<size_t>(n) > maxBytes - data.size()) return std::nullopt;
    data.append(piece, static_cast<size_t>(n));
  }
}

std::optional<std::string> ReadRegularFile(const std::string& path, size_t maxBytes) {
  // The version file and the prefix managers' records are small; read whole
  // and closed again at once.
  const std::optional<RegularFile> file = RegularFile::Open(path);
  if (!file) return std::nullopt;
  return file->ReadAll(maxBytes);
}

}  // namespace svx

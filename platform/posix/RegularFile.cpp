// POSIX code only.
#include "platform/posix/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace svx {

std::optional<RegularFile> RegularFile::Open(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  return RegularFile(fd, static_cast<uint64_t>(st.st_size));
}

RegularFile::RegularFile(RegularFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
  other.fd_ = -1;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> RegularFile::ReadAt(uint64_t offset, size_t length) const {
  std::string data(length, '\0');
  size_t got = 0;
  while (got < length) {
    const ssize_t n =
        ::pread(fd_, data.data() + got, length - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return data;
}

std::optional<std::string> ReadRegularFile(const std::string& path, size_t maxBytes) {
  // Closed again at once: wineserver rewrites system.reg whenever it saves, and
  // must never find it held by us.
  const std::optional<RegularFile> file = RegularFile::Open(path);
  if (!file || file->Size() > maxBytes) return std::nullopt;
  return file->ReadAt(0, static_cast<size_t>(file->Size()));
}

}  // namespace svx

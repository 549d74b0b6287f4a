// POSIX code only. Owners of file descriptors and directory streams, so that
// every way out of a function gives them back.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace svx {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

  // Closes now; false when close() reports a failure, as it does for data
  // written to a network file system that did not reach it. Linux closes the
  // descriptor even when it reports EINTR, so it is never retried.
  bool Close() { return fd_ >= 0 && ::close(Release()) == 0; }

 private:
  int fd_ = -1;
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

// The stream takes over the descriptor; on failure the descriptor is closed.
inline UniqueDir OpenDir(UniqueFd fd) {
  UniqueDir dir(::fdopendir(fd.Get()));
  if (dir) fd.Release();
  return dir;
}

inline UniqueDir OpenDir(const std::string& path) {
  return UniqueDir(::opendir(path.c_str()));
}

// Calls f(name, d_type) for each entry but "." and "..". False when reading
// broke off: a listing cut short would make files look missing.
template <typename F>
bool ForEachEntry(DIR* dir, F f) {
  errno = 0;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") f(name, e->d_type);
    errno = 0;
  }
  return errno == 0;
}

}  // namespace svx

// POSIX code only.
#pragma once

#include <cerrno>

namespace svx {

// Calls f(args...) again for as long as it fails (returns -1) with EINTR: a
// signal that arrives during a slow call (a pipe, a wait, a file on a network
// file system) cuts it short although nothing went wrong. Allocates nothing,
// so a child may use it between fork and exec.
template <typename F, typename... Args>
auto RetryOnEintr(F f, Args&&... args) -> decltype(f(args...)) {
  decltype(f(args...)) result;
  do {
    result = f(args...);
  } while (result == -1 && errno == EINTR);
  return result;
}

}  // namespace svx

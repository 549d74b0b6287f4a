// Win32 only. Owners of what the system hands out, so that every way out of a
// function gives it back.
#pragma once

#include <windows.h>

#include <utility>

namespace svx {

// Traits: the handle type, its empty value, and how to give one back.
template <typename Traits>
class UniqueWin32 {
 public:
  using Handle = typename Traits::Handle;

  UniqueWin32() = default;
  explicit UniqueWin32(Handle handle) : handle_(handle) {}
  UniqueWin32(UniqueWin32&& other) noexcept : handle_(other.Release()) {}
  UniqueWin32& operator=(UniqueWin32&& other) noexcept {
    Close();
    handle_ = other.Release();
    return *this;
  }
  ~UniqueWin32() { Close(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return Traits::Valid(handle_); }
  Handle Release() { return std::exchange(handle_, Traits::Empty()); }
  // Gives the handle back now; false when the system reports a failure (a
  // write-back error of a network or removable drive shows up here).
  bool Close() {
    if (!Traits::Valid(handle_)) return true;
    return Traits::Close(Release());
  }

 private:
  Handle handle_ = Traits::Empty();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return nullptr; }
  // CreateFileA fails with INVALID_HANDLE_VALUE, other calls with null.
  static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return ::CloseHandle(h) != 0; }
};
using UniqueHandle = UniqueWin32<KernelHandleTraits>;

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Handle h) { return h != INVALID_HANDLE_VALUE; }
  static bool Close(Handle h) { return ::FindClose(h) != 0; }
};
using UniqueFindHandle = UniqueWin32<FindHandleTraits>;

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Empty() { return nullptr; }
  static bool Valid(Handle h) { return h != nullptr; }
  static bool Close(Handle h) { return ::RegCloseKey(h) == ERROR_SUCCESS; }
};
using UniqueKey = UniqueWin32<RegistryKeyTraits>;

}  // namespace svx

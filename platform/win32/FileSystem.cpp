// Win32 only: the file layer over the system's own calls. Windows already has
// the rules the interface asks for (names in any letter case, "\" and "/" as
// separators, doubled separators count once), so paths go through unchanged.
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/Wildcard.h"
#include "platform/win32/Handles.h"

namespace svx {

namespace {

class Win32UpdateFile : public UpdateFile {
 public:
  explicit Win32UpdateFile(UniqueHandle handle) : handle_(std::move(handle)) {}
  ~Win32UpdateFile() override { Close(); }

  bool Write(const void* data, size_t size) override {
    if (!handle_) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(handle_.Get(), p, chunk, &written, nullptr) || written == 0) {
        failed_ = true;
        return false;
      }
      p += written;
      size -= written;
    }
    return true;
  }

  bool Close() override {
    if (!handle_) return !failed_;
    // A write-back error of a network or removable drive shows up at the flush
    // or the close, not at WriteFile.
    if (!::FlushFileBuffers(handle_.Get())) failed_ = true;
    if (!handle_.Close()) failed_ = true;
    return !failed_;
  }

 private:
  UniqueHandle handle_;
  bool failed_ = false;
};

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The part of a pattern after its last separator.
std::string LastComponent(const std::string& pattern) {
  size_t cut = pattern.find_last_of("\\/");
  return cut == std::string::npos ? pattern : pattern.substr(cut + 1);
}

// The ANSI calls stop at the first zero byte, so a path with one inside would
// name another entry (its leading part); such a path names nothing.
bool HasZero(const std::string& path) {
  return path.find('\0') != std::string::npos;
}

// Which file a handle reaches: two names of one file (a hard link, or a link
// and what it points to) give one volume and index.
struct FileId {
  uint64_t volume, index;
  bool folder;
  bool SameFile(const FileId& other) const {
    return volume == other.volume && index == other.index;
  }
};

bool IsAbsence(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Another program's handle in the way: it goes when that program lets go.
bool IsBriefLock(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

constexpr ULONGLONG kBriefLockPerFileMs = 500;
constexpr ULONGLONG kBriefLockPerPassMs = 5000;

// A handle on what a name reaches now; links are followed, so a link and
// what it points to are one file.
class OpenedFile {
 public:
  OpenedFile(const std::string& path, DWORD access, DWORD share) {
    // The flag lets a folder be opened too.
    handle_ = UniqueHandle(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    error_ = handle_ ? ERROR_SUCCESS : ::GetLastError();
    found_ = handle_ || !IsAbsence(error_);
  }

  bool Open() const { return static_cast<bool>(handle_); }
  // Why it could not be opened.
  DWORD Error() const { return error_; }

  // false: nothing of that name. Otherwise *id is which file it is, or
  // nothing when it is there but could not be opened or asked.
  bool Identify(std::optional<FileId>* id) const {
    id->reset();
    if (!found_) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (handle_ && ::GetFileInformationByHandle(handle_.Get(), &info)) {
      *id = FileId{info.dwVolumeSerialNumber,
                   (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                   (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
    }
    return true;
  }

 private:
  UniqueHandle handle_;
  DWORD error_;
  bool found_;
};

}  // namespace

void Win32FileSystem::BeginPass() {
  if (passDepth_++ == 0) waitedInPassMs_ = 0;
}

void Win32FileSystem::EndPass() {
  if (passDepth_ > 0) --passDepth_;
}

bool Win32FileSystem::PastBriefLocks(const std::function<bool()>& attempt) {
  const ULONGLONG start = ::GetTickCount64();
  DWORD pause = 10;
  for (;;) {
    if (attempt()) return true;
    const DWORD error = ::GetLastError();
    const ULONGLONG spent = ::GetTickCount64() - start;
    ULONGLONG left = spent < kBriefLockPerFileMs ? kBriefLockPerFileMs - spent : 0;
    // Outside a pass a call has its own half second only.
    if (passDepth_ > 0) {
      left = std::min(left, kBriefLockPerPassMs - std::min(waitedInPassMs_, kBriefLockPerPassMs));
    }
    if (!IsBriefLock(error) || left == 0) {
      ::SetLastError(error);
      return false;
    }
    const DWORD nap = static_cast<DWORD>(std::min<ULONGLONG>(pause, left));
    ::Sleep(nap);
    if (passDepth_ > 0) waitedInPassMs_ += nap;
    pause = std::min<DWORD>(pause * 2, 100);
  }
}

PathKind Win32FileSystem::Kind(const std::string& path) {
  if (HasZero(path)) return PathKind::kMissing;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

std::optional<std::vector<std::string>> Win32FileSystem::Enumerate(const std::string& pattern) {
  std::vector<std::string> names;
  if (HasZero(pattern)) return names;
  WIN32_FIND_DATAA data;
  const UniqueFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) {
    // No match, no such folder, or a file in the place of a folder: nothing
    // there. Anything else (access denied, a drive that fails) leaves the
    // folder's entries unknown.
    switch (::GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_NO_MORE_FILES:
      case ERROR_DIRECTORY:
      case ERROR_INVALID_NAME:
        return names;
      default:
        return std::nullopt;
    }
  }
  // FindFirstFileA also matches a name through its 8.3 alias, and treats "?",
  // "<" and ">" as wildcards of its own; checking the long name against the
  // tool's own rule keeps both platforms finding the same entries.
  const std::string last = LastComponent(pattern);
  do {
    if (IsDotEntry(data.cFileName)) continue;
    if (!MatchesWildcard(data.cFileName, last)) continue;
    names.emplace_back(data.cFileName);
  } while (::FindNextFileA(find.Get(), &data));
  // A listing cut short would hide files as surely as an unreadable folder.
  if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return names;
}

RemovalOutcome Win32FileSystem::RemoveRedundant(const std::string& source,
                                                const std::string& target) {
  if (HasZero(source)) return RemovalOutcome::kSourceGone;
  // The source is only looked at: no access asked for, so a file another
  // program holds open without sharing is still reached.
  std::optional<FileId> sourceId;
  if (!OpenedFile(source, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)
           .Identify(&sourceId)) {
    return RemovalOutcome::kSourceGone;
  }
  if (HasZero(target)) return RemovalOutcome::kTargetGone;
  // The target is held without FILE_SHARE_DELETE: while the handle is open no
  // Windows program can delete it or move it away. Sharing is checked only
  // against handles with data, execute or delete access (a handle with
  // attribute access alone holds nothing, on Windows and, as measured, under
  // Wine 8), so the handle takes one of those rights: read first, and for a
  // target the user may not read, the next the user has. One the user may
  // open with none of them is only identified. One that another program has
  // open with delete access, perhaps to move it, cannot be held past the
  // brief wait, and the source stays. What the handle does not hold: the name
  // of a link to the target, and, under Wine, the file against programs of
  // the host; so the name is looked at again once the source is gone.
  std::optional<OpenedFile> held;
  const DWORD rights[] = {FILE_READ_DATA, FILE_EXECUTE, DELETE, FILE_READ_ATTRIBUTES};
  for (const DWORD access : rights) {
    PastBriefLocks([&] {
      held.emplace(target, access, FILE_SHARE_READ | FILE_SHARE_WRITE);
      ::SetLastError(held->Error());
      return held->Open();
    });
    if (held->Open() || held->Error() != ERROR_ACCESS_DENIED) break;
  }
  std::optional<FileId> targetId;
  if (!held->Identify(&targetId)) return RemovalOutcome::kTargetGone;
  if (!targetId || targetId->folder || !sourceId || targetId->SameFile(*sourceId)) {
    return RemovalOutcome::kNotRedundant;
  }
  if (whileTargetHeld_) whileTargetHeld_(target);
  // By name, as Remove(): it refuses a folder and a read-only file, and a
  // source that is a link goes as a link.
  if (!PastBriefLocks([&] { return ::DeleteFileA(source.c_str()) != 0; })) {
    return IsAbsence(::GetLastError()) ? RemovalOutcome::kSourceGone : RemovalOutcome::kFailed;
  }
  return Kind(target) == PathKind::kFile ? RemovalOutcome::kRemoved : RemovalOutcome::kFailed;
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  // MoveFileA never replaces an existing target (error 183), and the test is
  // the file system's own, so no other program can slip a file in between.
  if (HasZero(from) || HasZero(to)) return false;
  return PastBriefLocks([&] { return ::MoveFileA(from.c_str(), to.c_str()) != 0; });
}

bool Win32FileSystem::Remove(const std::string& path) {
  // DeleteFileA refuses folders.
  if (HasZero(path)) return false;
  return PastBriefLocks([&] { return ::DeleteFileA(path.c_str()) != 0; });
}

std::unique_ptr<UpdateFile> Win32FileSystem::OpenForUpdate(const std::string& path) {
  if (HasZero(path)) return nullptr;
  // Windows refuses to open a read-only file for writing; Wine run by root
  // does not (it leaves the test to the POSIX permissions, which root passes),
  // so the attribute is tested here too.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return nullptr;
  }
  UniqueHandle handle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return nullptr;
  return std::make_unique<Win32UpdateFile>(std::move(handle));
}

std::optional<std::string> Win32FileSystem::ReadFile(const std::string& path, size_t maxBytes) {
  if (HasZero(path)) return std::nullopt;
  const UniqueHandle handle(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return std::nullopt;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(handle.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    return std::nullopt;
  }
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < content.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
    if (!::ReadFile(handle.Get(), content.data() + done, want, &got, nullptr) || got == 0) {
      return std::nullopt;
    }
    done += got;
  }
  return content;
}

}  // namespace svx

// Win32 only: the platform services over the Windows ANSI calls. Every string
// crosses in the process's ANSI code page, as the tool's own strings are; the
// program's manifest makes that UTF-8 (Windows 10 1903 and later, and Wine),
// so folder names in any script arrive as they do on Linux.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProfileReader.h"
#include "platform/Registry.h"
#include "platform/WindowFinder.h"

namespace svx {

// A rename, delete or hold that another program's handle refuses for a moment
// (a virus scanner, an indexer or a sync client looking at a file just renamed:
// a sharing or lock violation) is tried again for up to half a second, and
// for at most five seconds in all during a pass, so that a file locked for
// good still ends the run soon. A read-only file and a refused permission fail
// at once.
class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem() = default;
  // Tests only: runs while RemoveRedundant() holds a target, just before the
  // source is deleted, where another program could try to move the target away.
  explicit Win32FileSystem(std::function<void(const std::string& target)> whileTargetHeld)
      : whileTargetHeld_(std::move(whileTargetHeld)) {}

  void BeginPass() override;
  void EndPass() override;

  // By the system call each stands on, as a reader of a Windows trace sees them.
  // CreateFileA, then ReadFile or WriteFile:
  std::unique_ptr<UpdateFile> OpenForUpdate(const std::string& path) override;
  std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes) override;
  // GetFileAttributesA:
  PathKind Kind(const std::string& path) override;
  // FindFirstFileA and FindNextFileA:
  std::optional<std::vector<std::string>> Enumerate(const std::string& pattern) override;
  // MoveFileA:
  bool Rename(const std::string& from, const std::string& to) override;
  // DeleteFileA; the redundant source only while CreateFileA holds its target:
  bool Remove(const std::string& path) override;
  RemovalOutcome RemoveRedundant(const std::string& source, const std::string& target) override;

 private:
  // Calls `attempt` (true on success, the error left in GetLastError) until it
  // succeeds, fails for another reason than a brief lock, or the time allowed
  // has passed.
  bool PastBriefLocks(const std::function<bool()>& attempt);

  std::function<void(const std::string&)> whileTargetHeld_;
  int passDepth_ = 0;
  unsigned long long waitedInPassMs_ = 0;
};

class Win32Registry : public Registry {
 public:
  std::optional<std::string> ReadLocalMachineString(const std::string& key,
                                                    const std::string& value,
                                                    size_t maxBytes) override;
};

class Win32WindowFinder : public WindowFinder {
 public:
  bool TopLevelWindowExists(const std::string& title) override;
};

class Win32ProfileReader : public ProfileReader {
 public:
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue, const std::string& path,
                               size_t bufferSize) override;
};

class Win32ProcessLauncher : public ProcessLauncher {
 public:
  std::optional<std::string> StartDetached(const std::string& commandLine) override;
};

// The system's text for an error code, without the trailing line break;
// empty when the system has none.
std::string SystemErrorText(unsigned long code);

}  // namespace svx

// POSIX code only.
#include "platform/posix/PosixProcessLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/posix/ListingCache.h"
#include "platform/posix/PosixPath.h"
#include "platform/posix/RetryOnEintr.h"
#include "platform/posix/UniqueFd.h"

extern char** environ;

namespace svx {
namespace {

// Windows finds "SvxKmV11.exe" whatever the letter case it is stored in. Among
// several case variants the file layer's choice is taken, so that the program
// started is the very file the unlock wrote.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return std::nullopt;
  const std::optional<std::string> stored = StoredNameOnDisk(folder, name, Prefer::kFile);
  if (!stored) return std::nullopt;
  std::string path = JoinPath(folder, *stored);
  if (!IsRegularFile(path)) return std::nullopt;
  return path;
}

std::string DefaultOwnFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, static_cast<size_t>(n));
  return exe.substr(0, exe.find_last_of('/') + 1);
}

std::string DefaultCurrentFolder() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// This process's environment as it is now (the toolkit may have removed its
// own variables since start-up, which a program started later must not
// inherit), with the command's changes.
std::vector<std::string> EnvironmentFor(const Command& command) {
  std::vector<std::string> env;
  auto changed = [&](const char* var) {
    return std::any_of(command.environment.begin(), command.environment.end(), [&](const auto& c) {
      return std::strncmp(var, c.first.c_str(), c.first.size()) == 0 && var[c.first.size()] == '=';
    });
  };
  for (char** var = environ; *var; ++var) {
    if (!changed(*var)) env.emplace_back(*var);
  }
  for (const auto& [name, value] : command.environment) {
    if (value) env.push_back(name + "=" + *value);
  }
  return env;
}

bool StartsWithMz(const std::string& path, int& error) {
  const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    error = errno;
    return false;
  }
  char head[2] = {};
  const ssize_t n = RetryOnEintr(read, fd.Get(), head, sizeof head);
  error = 0;
  return n == 2 && head[0] == 'M' && head[1] == 'Z';
}

void WriteErrno(int fd, int error) {
  RetryOnEintr(write, fd, &error, sizeof error);
}

// Double fork: the intermediate child exits at once and is reaped here, so the
// program is adopted by init and never becomes a zombie of the tool, and no
// SIGCHLD handler is needed that could disturb the GUI toolkit's own. A
// close-on-exec pipe carries the errno of a failed exec back.
std::optional<std::string> Spawn(const Command& command) {
  // Everything the children use is prepared before fork: after it only
  // async-signal-safe calls are allowed in a process that may have threads.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(command.program.c_str()));
  for (const std::string& a : command.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> env = EnvironmentFor(command);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::string(std::strerror(errno));
  UniqueFd statusIn(ends[0]), statusOut(ends[1]);

  pid_t middle = fork();
  if (middle < 0) return std::string(std::strerror(errno));
  if (middle == 0) {
    statusIn.Reset();
    pid_t child = fork();
    if (child < 0) {
      WriteErrno(statusOut.Get(), errno);
      _exit(1);
    }
    if (child > 0) _exit(0);
    // A program the user starts should not share the tool's session or
    // inherit what the toolkit blocked or ignored.
    setsid();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    execve(argv[0], argv.data(), envp.data());
    WriteErrno(statusOut.Get(), errno);
    _exit(127);
  }

  statusOut.Reset();
  int waitStatus;
  RetryOnEintr(waitpid, middle, &waitStatus, 0);
  int error = 0;
  const ssize_t n = RetryOnEintr(read, statusIn.Get(), &error, sizeof error);
  if (n == static_cast<ssize_t>(sizeof error)) return std::string(std::strerror(error));
  return std::nullopt;
}

}  // namespace

std::string PosixProcessLauncher::PrefixFor(const std::string& simFolder) const {
  return options_.windowsPrograms ? options_.windowsPrograms->PrefixFor(simFolder) : std::string();
}

std::optional<std::string> PosixProcessLauncher::Resolve(const std::string& name) const {
  return ResolveIn(name, PrefixFor(std::string()));
}

std::optional<std::string> PosixProcessLauncher::ResolveIn(const std::string& name,
                                                           const std::string& prefix) const {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsRegularFile(name)) return name;
    return std::nullopt;
  }
  std::vector<std::string> folders;
  folders.push_back(options_.ownFolder.value_or(DefaultOwnFolder()));
  folders.push_back(options_.currentFolder.value_or(DefaultCurrentFolder()));
  if (options_.systemFolders) {
    folders.insert(folders.end(), options_.systemFolders->begin(), options_.systemFolders->end());
  } else if (options_.windowsPrograms) {
    for (std::string& f : options_.windowsPrograms->SystemFolders(prefix)) {
      folders.push_back(std::move(f));
    }
  }
  for (std::string& f : SearchPathFolders(options_.searchPath)) folders.push_back(std::move(f));
  for (const std::string& folder : folders) {
    if (auto found = FindInFolder(folder, name)) return found;
  }
  return std::nullopt;
}

std::optional<std::string> PosixProcessLauncher::StartDetached(const std::string& commandLine) {
  return StartDetachedFor(commandLine, std::string());
}

std::optional<std::string> PosixProcessLauncher::StartDetachedFor(const std::string& commandLine,
                                                                  const std::string& simFolder) {
  const std::string prefix = PrefixFor(simFolder);
  const std::optional<std::string> program = ResolveIn(commandLine, prefix);
  if (!program) return std::string(std::strerror(ENOENT));

  int error = 0;
  const bool windowsProgram = StartsWithMz(*program, error);
  if (error != 0) return std::string(std::strerror(error));
  if (!windowsProgram || !options_.windowsPrograms) return Spawn(Command{*program, {}, {}});

  WindowsPrograms::Start start =
      options_.windowsPrograms->CommandFor(*program, commandLine, prefix);
  if (!start.command) return std::move(start.failure);
  return Spawn(*start.command);
}

}  // namespace svx

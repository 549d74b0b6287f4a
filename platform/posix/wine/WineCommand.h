// POSIX code only. Which Wine runs a Windows program in a prefix, and how it
// is started there: as a Command, so that a manager whose programs start
// through a launcher of its own (with its own arguments and variables) answers
// with one as well.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/Command.h"
#include "platform/posix/wine/Managers.h"
#include "platform/posix/wine/PrefixSearch.h"

namespace svx {

// The program, run without arguments of its own; nothing without one.
std::optional<Command> ProgramCommand(std::optional<std::string> program);

// `name` as the shell finds it: a path as it is, a bare name in the folders
// of the colon-separated search path; only a program that may be run.
std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& path);

// How a Windows program is started in `prefix`, the program's path to be
// added: with WINE when set; else as the prefix's manager starts programs
// there, or, where what it needs is gone, the reason (no other Wine is taken
// in its place); else, where the manager leaves it to the system or there is
// none, wine, then wine64, on the search path, else one of the packaged
// loaders. Neither a command nor a reason when none of them exists.
ManagerWine FindWine(const WinePrefix& prefix, const PrefixSearch& search);

// FindWine's command for the program at `path`, with WINEPREFIX set to the
// prefix where the command does not set it itself (and removed where there
// is no prefix, so that no stale value leads Wine elsewhere).
ManagerWine WineCommandFor(const WinePrefix& prefix, const PrefixSearch& search,
                           const std::string& path);

}  // namespace svx

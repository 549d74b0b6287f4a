// POSIX code only. Which Wine runs a Windows program in a prefix, and how it
// is started there: as a Command, so that a manager whose programs start
// through a launcher of its own (with its own arguments and variables) answers
// with one as well.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/Command.h"
#include "platform/posix/wine/PrefixSearch.h"

namespace svx {

// A Wine build's program in its folder: Wine's own layout, or a Proton
// build's (files/ since Proton 8, dist/ before).
std::optional<std::string> WineIn(const std::string& folder);

// The program, run without arguments of its own; nothing without one.
std::optional<Command> ProgramCommand(std::optional<std::string> program);

// `name` as the shell finds it: a path as it is, a bare name in the folders
// of the colon-separated search path; only a program that may be run.
std::optional<std::string> FindOnSearchPath(const std::string& name, const std::string& path);

// The command that runs a Windows program in `prefix`, the program's path to
// be added: WINE when set; else the Wine the prefix's manager records for it,
// where that exists on disk; else wine, then wine64, on the search path; else
// one of the packaged loaders. Nothing when none of them exists.
std::optional<Command> FindWine(const WinePrefix& prefix, const PrefixSearch& search);

// FindWine's command for the program at `path`, with WINEPREFIX set to the
// prefix (removed where there is none, so that no stale value leads Wine
// elsewhere).
std::optional<Command> WineCommandFor(const WinePrefix& prefix, const PrefixSearch& search,
                                      const std::string& path);

}  // namespace svx

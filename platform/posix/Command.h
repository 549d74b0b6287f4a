// POSIX code only. A program to start, as a value: what runs, with which
// arguments, and what changes in the environment it inherits from the tool.
// The Wine subsystem answers with one when asked how a Windows program runs,
// so that each way of running one (a Wine loader, a launcher script with its
// own variables) is a value and not code in the launcher.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace svx {

struct Command {
  std::string program;  // a path
  std::vector<std::string> arguments;
  // Each name set to its value over the tool's own, or, without a value,
  // removed from what the program inherits.
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;

  bool operator==(const Command&) const = default;
};

}  // namespace svx

// POSIX code only. The tool's environment variables, read once at start-up and
// handed to the pieces that depend on them, so that every piece sees the same
// values and a test can give any piece an environment of its own.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace svx {

class Environment {
 public:
  Environment() = default;
  explicit Environment(std::map<std::string, std::string, std::less<>> variables)
      : variables_(std::move(variables)) {}

  // This process's variables as they are now.
  static Environment OfThisProcess();

  // The value; empty when the variable is unset, as the tool makes no
  // difference between an unset variable and an empty one.
  std::string Get(std::string_view name) const;

 private:
  std::map<std::string, std::string, std::less<>> variables_;
};

}  // namespace svx

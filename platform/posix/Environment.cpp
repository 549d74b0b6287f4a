// POSIX code only.
#include "platform/posix/Environment.h"

#include <cstring>

extern char** environ;

namespace svx {

Environment Environment::OfThisProcess() {
  std::map<std::string, std::string, std::less<>> variables;
  for (char** var = environ; *var; ++var) {
    const char* eq = std::strchr(*var, '=');
    if (!eq) continue;
    // The first of a name given twice is the one getenv() returns.
    variables.emplace(std::string(*var, static_cast<size_t>(eq - *var)), std::string(eq + 1));
  }
  return Environment(std::move(variables));
}

std::string Environment::Get(std::string_view name) const {
  const auto it = variables_.find(name);
  return it == variables_.end() ? std::string() : it->second;
}

}  // namespace svx

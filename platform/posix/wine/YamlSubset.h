// POSIX code only. The part of YAML that Lutris and Bottles write their files
// in (PyYAML, block style), enough to read single values out of them.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace svx {

// The scalar at `path` (a key, then keys nested under it) of a YAML mapping.
// Only what PyYAML writes for these files is understood: block mappings,
// plain or quoted scalars, long plain scalars folded onto further lines.
// Nothing for a missing key, a null, or anything that is not a scalar.
std::optional<std::string> YamlScalar(std::string_view text,
                                      std::initializer_list<std::string_view> path);

// A YAML true, as PyYAML writes it or a user might.
bool YamlTrue(const std::optional<std::string>& value);

}  // namespace svx

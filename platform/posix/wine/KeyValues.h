// POSIX code only. Valve's KeyValues text, the format of Steam's own files
// (libraryfolders.vdf, config.vdf): "key" "value" pairs and "key" { ... }
// blocks, tab-indented, with // comments; a token without blanks, braces or
// quotes may stand without its quotes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace svx {

using KeyValueVisitor = std::function<void(const std::vector<std::string>& blocks,
                                           const std::string& key, const std::string& value)>;

// Calls visit(blocks, key, value) for each key that has a value, in the
// order of the text; `blocks` are the keys of the blocks around it, the
// outermost first. Reading stops where the text stops making sense (a block
// without a key, a brace that closes none), as nothing after it can be placed.
void ReadKeyValues(std::string_view text, const KeyValueVisitor& visit);

}  // namespace svx

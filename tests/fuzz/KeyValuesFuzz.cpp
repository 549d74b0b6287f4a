// Feeds arbitrary text to the reader of Steam's KeyValues files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "platform/posix/wine/KeyValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool escapes = text.find('\\') != std::string_view::npos;
  const size_t opened = static_cast<size_t>(std::count(text.begin(), text.end(), '{'));
  size_t pairs = 0;
  svx::ReadKeyValues(text, [&](const std::vector<std::string>& blocks, const std::string& key,
                               const std::string& value) {
    ++pairs;
    // Nesting is bounded by the braces the text opens.
    svx::fuzz::Require(blocks.size() <= opened, "deeper than the text nests");
    // Without escapes every name and value is a piece of the text, and none
    // runs past a closing quote.
    if (!escapes) {
      for (const std::string* token : {&key, &value}) {
        svx::fuzz::Require(text.find(*token) != std::string_view::npos, "token not in the text");
        svx::fuzz::Require(token->find('"') == std::string::npos, "quote inside a token");
      }
      for (const std::string& block : blocks) {
        svx::fuzz::Require(text.find(block) != std::string_view::npos, "block not in the text");
      }
    }
  });
  // Each pair takes at least a character for its name and one for its value.
  svx::fuzz::Require(pairs * 2 <= size, "more pairs than the text holds");
  return 0;
}

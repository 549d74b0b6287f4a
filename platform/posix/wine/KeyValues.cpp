// POSIX code only.
#include "platform/posix/wine/KeyValues.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace svx {

void ReadKeyValues(std::string_view text, const KeyValueVisitor& visit) {
  std::vector<std::string> blocks;  // the open ones
  std::optional<std::string> key;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (text.substr(i, 2) == "//") {
      i = std::min(text.find('\n', i), text.size());
    } else if (c == '{') {
      if (!key) return;
      blocks.push_back(std::move(*key));
      key.reset();
      ++i;
    } else if (c == '}') {
      if (blocks.empty()) return;
      blocks.pop_back();
      key.reset();
      ++i;
    } else {
      std::string token;
      if (c == '"') {
        for (++i; i < text.size() && text[i] != '"'; ++i) {
          if (text[i] == '\\' && i + 1 < text.size()) {
            const char e = text[++i];
            token += e == 'n' ? '\n' : e == 't' ? '\t' : e;
          } else {
            token += text[i];
          }
        }
        ++i;
      } else {
        while (i < text.size() &&
               std::string_view(" \t\r\n{}\"").find(text[i]) == std::string_view::npos) {
          token += text[i++];
        }
      }
      if (!key) {
        key = std::move(token);
        continue;
      }
      visit(blocks, *key, token);
      key.reset();
    }
  }
}

}  // namespace svx

// POSIX code only.
#include "platform/posix/wine/YamlSubset.h"

#include <vector>

#include "platform/Text.h"

namespace svx {
namespace {

int Indent(std::string_view line) {
  int n = 0;
  while (static_cast<size_t>(n) < line.size() && line[static_cast<size_t>(n)] == ' ') ++n;
  return n;
}

bool IsBlankOrComment(std::string_view line) {
  const std::string_view t = Trim(line);
  return t.empty() || t.front() == '#';
}

// A quoted scalar that starts at text[0] and may run over several lines, each
// line break folded into a space as YAML does. PyYAML writes non-ASCII
// characters of paths as escapes unless told otherwise.
std::optional<std::string> QuotedScalar(std::string_view text) {
  const char quote = text.front();
  std::string out;
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
      out += ' ';
      while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) ++i;
    } else if (quote == '\'' && c == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        out += '\'';
        ++i;
      } else {
        return out;
      }
    } else if (quote == '"' && c == '"') {
      return out;
    } else if (quote == '"' && c == '\\' && i + 1 < text.size()) {
      const char e = text[++i];
      const size_t digits = e == 'x' ? 2 : e == 'u' ? 4 : e == 'U' ? 8 : 0;
      if (digits != 0) {
        const auto cp = ParseHex(text.substr(i + 1, digits));
        if (!cp || i + digits >= text.size()) return std::nullopt;
        if (*cp >= 0xDC80 && *cp <= 0xDCFF) {
          // A byte of a file name that is not UTF-8, as Python (and so the
          // managers) holds it: the byte itself is the name's.
          out += static_cast<char>(*cp - 0xDC00);
        } else if ((*cp >= 0xD800 && *cp <= 0xDFFF) || *cp > 0x10FFFF) {
          // No file name holds such a character; the manager could not use
          // the value either.
          return std::nullopt;
        } else {
          AppendUtf8(out, *cp);
        }
        i += digits;
      } else if (e == '\n') {
        while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t')) ++i;
      } else {
        // \\ \" \/ and the like stand for the character itself.
        constexpr std::string_view kEscapes = "0abtnvfre";
        constexpr std::string_view kMeanings{"\0\a\b\t\n\v\f\r\x1b", 9};
        const size_t k = kEscapes.find(e);
        out += k == std::string_view::npos ? e : kMeanings[k];
      }
    } else {
      out += c;
    }
  }
  return std::nullopt;  // never closed
}

}  // namespace

std::optional<std::string> YamlScalar(std::string_view text,
                                      std::initializer_list<std::string_view> path) {
  const std::vector<std::string_view> lines = Lines(text);
  auto want = path.begin();
  int parentIndent = -1;
  int levelIndent = -1;  // not yet known
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (IsBlankOrComment(line)) continue;
    const int indent = Indent(line);
    if (indent <= parentIndent) return std::nullopt;  // the wanted block ended
    if (levelIndent < 0) levelIndent = indent;
    if (indent != levelIndent) continue;

    std::string_view body = line.substr(static_cast<size_t>(indent));
    size_t colon = body.find(": ");
    if (colon == std::string_view::npos && !body.empty() && body.back() == ':') {
      colon = body.size() - 1;
    }
    if (colon == std::string_view::npos) continue;
    std::string_view key = Trim(body.substr(0, colon));
    if (key.size() >= 2 && (key.front() == '"' || key.front() == '\'') &&
        key.back() == key.front()) {
      key = key.substr(1, key.size() - 2);
    }
    if (key != *want) continue;

    const std::string_view rest = Trim(body.substr(colon + 1));
    if (++want != path.end()) {
      if (!rest.empty()) return std::nullopt;
      parentIndent = indent;
      levelIndent = -1;
      continue;
    }
    // The value, with every more deeply indented line after it.
    size_t end = i + 1;
    while (end < lines.size() && (Trim(lines[end]).empty() || Indent(lines[end]) > indent)) ++end;
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
      const size_t from = static_cast<size_t>(rest.data() - text.data());
      const size_t to =
          end < lines.size() ? static_cast<size_t>(lines[end].data() - text.data()) : text.size();
      return QuotedScalar(text.substr(from, to - from));
    }
    if (rest.empty() || rest.front() == '|' || rest.front() == '>' || rest.front() == '{' ||
        rest.front() == '[') {
      return std::nullopt;
    }
    std::string value(rest.substr(0, rest.find(" #")));
    for (size_t j = i + 1; j < end; ++j) {
      if (IsBlankOrComment(lines[j])) continue;
      value += ' ';
      value += Trim(lines[j]);
    }
    if (value == "~" || value == "null" || value == "Null" || value == "NULL") return std::nullopt;
    return value;
  }
  return std::nullopt;
}

bool YamlTrue(const std::optional<std::string>& value) {
  return value && (*value == "true" || *value == "True" || *value == "TRUE" || *value == "yes");
}

}  // namespace svx

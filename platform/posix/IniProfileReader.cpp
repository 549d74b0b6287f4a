#include "platform/posix/IniProfileReader.h"

#include <optional>

#include "platform/Text.h"
#include "platform/Wildcard.h"

namespace svx {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// CR LF, LF and a lone CR all end a line, as in the Windows reader.
std::string_view NextProfileLine(std::string_view text, size_t& pos) {
  const size_t start = pos;
  const size_t stop = text.find_first_of("\r\n", pos);
  if (stop == std::string_view::npos) {
    pos = text.size();
    return text.substr(start);
  }
  pos = stop + 1;
  if (text[stop] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  return text.substr(start, stop - start);
}

// The caller receives a C string in a buffer of bufferSize bytes.
std::string Fit(std::string_view s, size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  s = s.substr(0, s.find('\0'));
  return std::string(s.substr(0, bufferSize - 1));
}

}  // namespace

std::string ReadProfileValue(std::string_view iniText, std::string_view section,
                             std::string_view key, std::string_view defaultValue,
                             size_t bufferSize) {
  section = Trim(section);
  key = Trim(key);
  // Windows drops trailing blanks of the default too.
  while (!defaultValue.empty() && IsBlank(defaultValue.back())) defaultValue.remove_suffix(1);

  size_t pos = 0;
  if (iniText.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;

  // Only the first section of the name is searched: leaving it ends the search.
  bool inSection = false;
  while (pos < iniText.size()) {
    const std::string_view line = Trim(NextProfileLine(iniText, pos));
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;

    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      // Without a closing bracket the line is not a section header, but it may
      // still be a key line, as in the Windows reader.
      if (close != std::string_view::npos) {
        if (inSection) break;
        inSection = EqualsNoCase(Trim(line.substr(1, close - 1)), section);
        continue;
      }
    }
    if (!inSection) continue;

    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!EqualsNoCase(Trim(line.substr(0, eq)), key)) continue;

    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return Fit(value, bufferSize);
  }
  return Fit(defaultValue, bufferSize);
}

std::string IniProfileReader::GetProfileString(const std::string& section, const std::string& key,
                                               const std::string& defaultValue,
                                               const std::string& path, size_t bufferSize) {
  const std::optional<std::string> text = files_.ReadFile(path, kMaxFileBytes);
  if (!text) return ReadProfileValue({}, section, key, defaultValue, bufferSize);
  return ReadProfileValue(*text, section, key, defaultValue, bufferSize);
}

}  // namespace svx

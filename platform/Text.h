// Small text helpers shared by the readers of files the tool does not control:
// the registry file, the add-on's version file and the prefix managers' files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace svx {

// Without the spaces and tabs at both ends.
std::string_view Trim(std::string_view s);

// The line that starts at `pos`, without its line break (LF, or CR LF as a
// file edited on Windows has it); pos is left at the next line's start.
std::string_view NextLine(std::string_view text, size_t& pos);
// Every line of the text, by NextLine.
std::vector<std::string_view> Lines(std::string_view text);

// The value of one hex digit, or -1.
int HexDigit(char c);
// The value of a run of hex digits, or nothing when any is not one; the caller
// bounds the run's length.
std::optional<uint32_t> ParseHex(std::string_view digits);

// The UTF-8 form of a code point; nothing is added for one beyond U+10FFFF.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace svx

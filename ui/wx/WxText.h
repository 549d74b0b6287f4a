// The core's strings are UTF-8 bytes. wxString's narrow constructor goes through
// the current locale, and in the C locale a wx program often runs in it turns
// "é" into an empty string, so every crossing converts explicitly.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace svx {

inline wxString ToWx(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

inline std::string FromWx(const wxString& text) {
  const wxScopedCharBuffer bytes = text.utf8_str();
  return std::string(bytes.data(), bytes.length());
}

}  // namespace svx

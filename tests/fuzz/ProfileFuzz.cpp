// Feeds arbitrary text to the profile reader. The first byte picks the result
// buffer size so that the cut is exercised at every length.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/posix/IniProfileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t bufferSize = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (const char* section : {"Product", " product ", ""}) {
    const std::string value =
        svx::ReadProfileValue(text, section, "Version", "undefined", bufferSize);
    svx::fuzz::Require(bufferSize == 0 ? value.empty() : value.size() < bufferSize,
                       "value not cut to the buffer");
    svx::fuzz::Require(value.find('\0') == std::string::npos, "zero inside the value");
    // Whatever is returned comes from the text or is the default.
    svx::fuzz::Require(text.find(value) != std::string_view::npos ||
                           std::string_view("undefined").substr(0, value.size()) == value,
                       "value not taken from the text");
  }
  return 0;
}

// Feeds arbitrary text to the reader of the prefix managers' YAML files, with
// each key path the prefix search asks for.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/posix/wine/YamlSubset.h"

namespace {

bool HasSurrogateEscape(std::string_view text) {
  for (size_t at = text.find("\\u"); at != std::string_view::npos; at = text.find("\\u", at + 1)) {
    const std::string_view digits = text.substr(at + 2, 2);
    if (digits.size() == 2 && (digits[0] == 'd' || digits[0] == 'D') &&
        (digits[1] == 'c' || digits[1] == 'C')) {
      return true;
    }
  }
  return false;
}

void Check(std::string_view text, std::initializer_list<std::string_view> path) {
  const auto value = svx::YamlScalar(text, path);
  if (!value) return;
  // Escapes and folded lines only ever shrink the text.
  svx::fuzz::Require(value->size() <= text.size(), "value longer than the text");
  // A line break in a value can only come from an escape: a folded one is a
  // space, and a path with a line break in it is a different folder.
  if (text.find('\\') == std::string_view::npos) {
    svx::fuzz::Require(value->find('\n') == std::string::npos, "line break in a value");
  }
  // What is read from UTF-8 stays UTF-8, but for the bytes of file names
  // that are not UTF-8, which Python writes as \udc80 to \udcff.
  if (svx::fuzz::IsUtf8(text) && !HasSurrogateEscape(text)) {
    svx::fuzz::Require(svx::fuzz::IsUtf8(*value), "value not UTF-8");
  }
  // Each key of the path is one of the text's keys.
  for (std::string_view key : path) {
    svx::fuzz::Require(text.find(key) != std::string_view::npos, "a key not in the text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(text, {"game", "prefix"});
  Check(text, {"wine", "version"});
  Check(text, {"wine", "custom_wine_path"});
  Check(text, {"custom_bottles_path"});
  Check(text, {"Runner"});
  Check(text, {"Path"});
  return 0;
}

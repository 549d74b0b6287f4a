// Feeds arbitrary text to the registry-file parser, once as it is and once
// behind a valid header so that the fuzzer need not find the header first.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/posix/wine/WineRegistry.h"

namespace {

void Check(std::string_view text) {
  constexpr const char* kKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
  for (size_t limit : {size_t{999}, size_t{8}}) {
    const auto value = svx::FindRegistryString(text, kKey, "SetupPath", limit);
    if (!value) continue;
    svx::fuzz::Require(value->size() + 1 <= limit, "value over the size limit");
    svx::fuzz::Require(svx::fuzz::IsUtf8(*value), "value not UTF-8");
    svx::fuzz::Require(value->find('\0') == std::string::npos, "zero inside the value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(text);
  Check("WINE REGISTRY Version 2\n" + std::string(text));
  return 0;
}

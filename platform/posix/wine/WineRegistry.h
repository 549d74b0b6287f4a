// POSIX code only. The registry of a Wine prefix, read from the text file in
// which wineserver keeps HKEY_LOCAL_MACHINE ("system.reg").
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace svx {

struct WineRegistryOptions {
  // The prefix folder; empty: there is none, and nothing is found.
  std::string prefix;
  // A system.reg larger than this is not read at all. Real ones are a few MiB.
  size_t maxFileBytes = 256u << 20;
  // A system.reg of at least this size is searched by its key order (see
  // FindRegistryStringInFile) instead of being read whole.
  size_t sortedSearchFromBytes = 1u << 20;
};

// The string value `value` of the HKEY_LOCAL_MACHINE key `key` ("A\B\C", single
// backslashes) in the text of a system.reg, as a 32-bit program sees it: in a
// 64-bit prefix ("#arch=win64") keys under Software are read from
// Software\Wow6432Node. Key and value names match without regard to case.
// Nothing when the text is not a registry file, the key or value is missing,
// the value is not a string, or its UTF-8 form needs more than maxBytes bytes
// with its terminating zero.
std::optional<std::string> FindRegistryString(std::string_view regText, std::string_view key,
                                              std::string_view value, size_t maxBytes);

class RegularFile;

// As FindRegistryString, for the system.reg open in `file`, without reading
// all of a file that wineserver wrote: wineserver saves its key tree depth
// first with each key's subkeys sorted by lower-cased name, so the file's key
// lines are in order, and a binary search over byte offsets reads a few pages
// of a file of many MiB. Where the key is not where the order puts it, the
// file's end is read too, as that is where a key added by hand lands until
// wineserver saves again. A name the search
// cannot place sends it back to reading the whole file (up to maxFileBytes).
std::optional<std::string> FindRegistryStringInFile(const RegularFile& file, std::string_view key,
                                                    std::string_view value, size_t maxBytes,
                                                    size_t maxFileBytes);

class WineRegistry : public Registry {
 public:
  explicit WineRegistry(WineRegistryOptions options = {});

  // The file is read afresh for every new question; the answer to the last one
  // is kept, so that start-up, which asks the chosen prefix's registry the
  // question the choice already asked, does not read the file again.
  std::optional<std::string> ReadLocalMachineString(const std::string& key,
                                                    const std::string& value,
                                                    size_t maxBytes) override;

 private:
  struct Answer {
    std::string key;
    std::string value;
    size_t maxBytes;
    std::optional<std::string> text;
  };

  WineRegistryOptions options_;
  std::optional<Answer> last_;
};

}  // namespace svx

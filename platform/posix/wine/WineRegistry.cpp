// POSIX code only.
#include "platform/posix/wine/WineRegistry.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Text.h"
#include "platform/Wildcard.h"
#include "platform/posix/RegularFile.h"

namespace svx {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kWow64Node = "Wow6432Node";

// One code point from the raw bytes at text[pos]. wineserver itself writes
// only ASCII, but a hand-edited file may hold UTF-8, or bytes of some 8-bit
// code page; those cannot be told apart, so a byte that does not start a valid
// UTF-8 sequence is taken as Latin-1 rather than dropped.
char32_t DecodeRawChar(std::string_view text, size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  size_t length = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07;
  }
  if (length != 0 && pos + length <= text.size()) {
    bool valid = true;
    for (size_t i = 1; i < length && valid; ++i) {
      const auto cont = static_cast<unsigned char>(text[pos + i]);
      valid = (cont & 0xC0) == 0x80;
      cp = (cp << 6) | (cont & 0x3F);
    }
    const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
      pos += length;
      return cp;
    }
  }
  ++pos;
  return lead;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// As the Windows conversion to UTF-8 does, a surrogate without its partner
// becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

// The C escapes that stand for one control character.
const char16_t* SimpleEscape(char e) {
  static constexpr std::pair<char, char16_t> kEscapes[] = {
      {'a', u'\a'}, {'b', u'\b'}, {'e', u'\x1b'}, {'f', u'\f'},
      {'n', u'\n'}, {'r', u'\r'}, {'t', u'\t'},   {'v', u'\v'},
  };
  for (const auto& [letter, unit] : kEscapes) {
    if (letter == e) return &unit;
  }
  return nullptr;
}

// Undoes wineserver's escaping from text[pos] up to the unescaped `end`
// character, leaving pos just past it. The escapes are those wineserver
// writes: \\ \" \[ \], C escapes, octal, and \x with up to four hex digits
// standing for one UTF-16 code unit. False when the text ends first.
bool DecodeEscaped(std::string_view text, size_t& pos, char end, std::u16string& out) {
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == end) {
      ++pos;
      return true;
    }
    if (c != '\\') {
      AppendUtf16(out, DecodeRawChar(text, pos));
      continue;
    }
    if (++pos >= text.size()) return false;
    const char e = text[pos++];
    if (const char16_t* simple = SimpleEscape(e)) {
      out.push_back(*simple);
      continue;
    }
    switch (e) {
      case 'x': {
        if (pos >= text.size() || HexDigit(text[pos]) < 0) {
          out.push_back(u'x');
          break;
        }
        unsigned unit = 0;
        for (int i = 0; i < 4 && pos < text.size() && HexDigit(text[pos]) >= 0; ++i) {
          unit = unit * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
        }
        out.push_back(static_cast<char16_t>(unit));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned unit = static_cast<unsigned>(e - '0');
          for (int i = 0; i < 2 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++i) {
            unit = unit * 8 + static_cast<unsigned>(text[pos++] - '0');
          }
          out.push_back(static_cast<char16_t>(unit));
        } else {
          // \\, \", \[ and \] (and anything else) stand for the character.
          --pos;
          AppendUtf16(out, DecodeRawChar(text, pos));
        }
    }
  }
  return false;
}

std::optional<std::string> DecodeUntil(std::string_view text, size_t& pos, char end) {
  std::u16string units;
  if (!DecodeEscaped(text, pos, end, units)) return std::nullopt;
  return Utf16ToUtf8(units);
}

// A 32-bit program's view of HKLM\Software in a 64-bit prefix is the
// Wow6432Node subkey; other roots are shared between the views.
std::string KeyInView(std::string_view key, bool win64) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  std::string result(key);
  if (!win64) return result;
  const size_t sep = key.find('\\');
  const std::string_view first = key.substr(0, sep);
  if (!EqualsNoCase(first, "Software")) return result;
  const std::string_view rest = sep == std::string_view::npos ? "" : key.substr(sep + 1);
  if (EqualsNoCase(rest.substr(0, rest.find('\\')), kWow64Node)) return result;
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on the
  // same built with operator+.
  result.assign(first);
  result += '\\';
  result += kWow64Node;
  if (!rest.empty()) {
    result += '\\';
    result += rest;
  }
  return result;
}

// The text of a value line's data, or nothing when it is not a string. Only
// REG_SZ (written as "...") and REG_EXPAND_SZ (str(2):"...") count as text,
// the latter unexpanded as the registry returns it. Every other kind, and a
// string wineserver had to write as hex because it lacks its terminating
// zero, counts as a failed query: a folder cannot be made from it safely.
std::optional<std::string> StringData(std::string_view line, size_t pos) {
  if (line.substr(pos, 7) == "str(2):") pos += 7;
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  ++pos;
  return DecodeUntil(line, pos, '"');
}

// Everything before the first key line: the header, then comment lines, one of
// which names the prefix's architecture.
struct Preamble {
  size_t firstKey;  // offset of the first key line, or the text's size
  bool win64 = false;
};

std::optional<Preamble> ReadPreamble(std::string_view text) {
  size_t pos = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  // wineserver refuses a file without its header; so do we.
  if (NextLine(text, pos).substr(0, kHeader.size()) != kHeader) return std::nullopt;
  Preamble preamble{text.size()};
  while (pos < text.size()) {
    const size_t start = pos;
    const std::string_view line = NextLine(text, pos);
    if (!line.empty() && line[0] == '[') {
      preamble.firstKey = start;
      break;
    }
    if (line == "#arch=win64") preamble.win64 = true;
  }
  return preamble;
}

// Whether a key line may name `wanted`, decided on the raw bytes while the
// name holds only plain ASCII and escaped backslashes, as wineserver writes
// ASCII names; anything else is left to the decoder. Sparing the decoder the
// thousands of other keys makes a scan several times faster.
bool MayName(std::string_view line, std::string_view wanted) {
  size_t j = 0;
  for (size_t i = 1; i < line.size(); ++i) {
    char c = line[i];
    if (c == ']') return j == wanted.size();
    if (static_cast<unsigned char>(c) >= 0x80) return true;
    if (c == '\\') {
      if (i + 1 >= line.size() || line[i + 1] != '\\') return true;
      ++i;
    }
    if (j >= wanted.size() || FoldCase(c) != FoldCase(wanted[j])) return false;
    ++j;
  }
  return true;
}

// The offset of the first line at or after pos (a line start) that starts
// with '['. Brackets are far rarer than line breaks, so they are what is
// searched for.
size_t NextKeyLine(std::string_view text, size_t pos) {
  if (pos >= text.size() || text[pos] == '[') return std::min(pos, text.size());
  for (size_t at = pos + 1; (at = text.find('[', at)) != std::string_view::npos; ++at) {
    if (text[at - 1] == '\n') return at;
  }
  return text.size();
}

struct Scan {
  bool found = false;  // the value line was there, whatever it held
  std::optional<std::string> text;
};

// Looks for the value in the keys whose lines start at or after pos (a line
// start), in a key path already put into the prefix's view.
Scan ScanKeys(std::string_view text, size_t pos, std::string_view wanted, std::string_view value,
              size_t maxBytes) {
  bool inKey = false;
  while (pos < text.size()) {
    if (!inKey) pos = NextKeyLine(text, pos);
    const std::string_view line = NextLine(text, pos);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      size_t at = 1;
      inKey = MayName(line, wanted) && [&] {
        const auto name = DecodeUntil(line, at, ']');
        return name && EqualsNoCase(*name, wanted);
      }();
      continue;
    }
    if (!inKey) continue;

    size_t at = 0;
    std::optional<std::string> name;
    if (line[0] == '@') {
      name = std::string();
      at = 1;
    } else if (line[0] == '"') {
      at = 1;
      name = DecodeUntil(line, at, '"');
    }
    if (!name || at >= line.size() || line[at] != '=') continue;
    if (!EqualsNoCase(*name, value)) continue;

    Scan scan{true, StringData(line, at + 1)};
    if (scan.text && scan.text->size() + 1 > maxBytes) scan.text.reset();
    // The caller sees a C string: an embedded zero ends it.
    if (scan.text) {
      const size_t zero = scan.text->find('\0');
      if (zero != std::string::npos) scan.text->resize(zero);
    }
    return scan;
  }
  return {};
}

// --- Searching a large system.reg by its key order ---

constexpr size_t kProbeBytes = 4096;
// Below this the key lines left are read and scanned in one piece.
constexpr size_t kWindowBytes = 16384;
// No key line wineserver writes comes near this; a longer one is not trusted.
constexpr size_t kLongestKeyLine = 65536;

// Lower case, as wineserver compares when it sorts: "_" and "[" come before
// the letters then, and an upper-case fold would misplace them in the search.
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::vector<std::string_view> SplitKey(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t sep; (sep = path.find('\\', start)) != std::string_view::npos; start = sep + 1) {
    parts.push_back(path.substr(start, sep - start));
  }
  parts.push_back(path.substr(start));
  return parts;
}

// wineserver orders names by their lower-cased UTF-16 units; for ASCII that
// is the byte order of the lower-cased names. Where a non-ASCII character
// decides, its case mapping would be needed, so the order is unknown here.
std::optional<int> CompareNames(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i] == b[i]) continue;
    const char la = LowerAscii(a[i]), lb = LowerAscii(b[i]);
    if (la == lb) continue;
    if (static_cast<unsigned char>(a[i]) >= 0x80 || static_cast<unsigned char>(b[i]) >= 0x80) {
      return std::nullopt;
    }
    return static_cast<unsigned char>(la) < static_cast<unsigned char>(lb) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

enum class Place { kBefore, kSame, kAfter, kUnknown };

// Where the key of a key line stands to the wanted one in the file's order: a
// key comes before its subkeys, and siblings come in name order.
Place PlaceOf(std::string_view line, const std::vector<std::string_view>& wanted) {
  size_t at = 1;
  const auto name = DecodeUntil(line, at, ']');
  if (!name) return Place::kUnknown;
  const std::vector<std::string_view> parts = SplitKey(*name);
  for (size_t i = 0; i < parts.size() && i < wanted.size(); ++i) {
    const std::optional<int> order = CompareNames(parts[i], wanted[i]);
    if (!order) return Place::kUnknown;
    if (*order != 0) return *order < 0 ? Place::kBefore : Place::kAfter;
  }
  if (parts.size() == wanted.size()) return Place::kSame;
  return parts.size() < wanted.size() ? Place::kBefore : Place::kAfter;
}

// Reads pieces of the file around the offsets the search probes. Any failed
// read makes the whole lookup a failed one.
class Probe {
 public:
  explicit Probe(const RegularFile& file) : file_(file) {}
  bool failed() const { return failed_; }

  // The offset of the first key line that starts in [from, limit); from > 0.
  std::optional<uint64_t> KeyLineIn(uint64_t from, uint64_t limit) {
    // One byte of overlap, so that "\n[" is found across two pieces.
    for (uint64_t at = from - 1; at + 1 < limit;) {
      const std::optional<std::string> piece = file_.ReadAt(at, kProbeBytes);
      if (!piece) {
        failed_ = true;
        return std::nullopt;
      }
      const size_t hit = piece->find("\n[");
      if (hit != std::string::npos) {
        const uint64_t start = at + hit + 1;
        return start < limit ? std::optional<uint64_t>(start) : std::nullopt;
      }
      if (piece->size() < 2) break;
      at += piece->size() - 1;
    }
    return std::nullopt;
  }

  // The line that starts at `start`, without its line break; nothing when it
  // is longer than any key line wineserver writes.
  std::optional<std::string> LineAt(uint64_t start) {
    std::string line;
    while (line.size() < kLongestKeyLine) {
      const std::optional<std::string> piece = file_.ReadAt(start + line.size(), kProbeBytes);
      if (!piece) {
        failed_ = true;
        return std::nullopt;
      }
      const size_t end = piece->find('\n');
      line.append(*piece, 0, end);
      if (end != std::string::npos || piece->size() < kProbeBytes) return line;
    }
    return std::nullopt;
  }

 private:
  const RegularFile& file_;
  bool failed_ = false;
};

}  // namespace

std::optional<std::string> FindRegistryString(std::string_view regText, std::string_view key,
                                              std::string_view value, size_t maxBytes) {
  const std::optional<Preamble> preamble = ReadPreamble(regText);
  if (!preamble) return std::nullopt;
  return ScanKeys(regText, preamble->firstKey, KeyInView(key, preamble->win64), value, maxBytes)
      .text;
}

std::optional<std::string> FindRegistryStringInFile(const RegularFile& file, std::string_view key,
                                                    std::string_view value, size_t maxBytes,
                                                    size_t maxFileBytes) {
  const uint64_t size = file.Size();
  auto readWhole = [&]() -> std::optional<std::string> {
    const std::optional<std::string> text = file.ReadAll(maxFileBytes);
    if (!text) return std::nullopt;
    return FindRegistryString(*text, key, value, maxBytes);
  };
  if (size <= 2 * kWindowBytes) return readWhole();

  const std::optional<std::string> head = file.ReadAt(0, kProbeBytes);
  if (!head) return std::nullopt;
  const std::optional<Preamble> preamble = ReadPreamble(*head);
  if (!preamble) return std::nullopt;
  // Real files name their first key within a few lines; let the plain reading
  // judge any other.
  if (preamble->firstKey >= head->size()) return readWhole();
  const std::string wanted = KeyInView(key, preamble->win64);
  const std::vector<std::string_view> wantedParts = SplitKey(wanted);

  // The wanted key's line, if the file holds it, starts in [lo, hi).
  Probe probe(file);
  uint64_t lo = preamble->firstKey, hi = size;
  while (lo < hi && hi - lo > kWindowBytes) {
    const uint64_t mid = lo + (hi - lo) / 2;
    const std::optional<uint64_t> start = probe.KeyLineIn(mid, hi);
    if (probe.failed()) return std::nullopt;
    if (!start) {
      hi = mid;
      continue;
    }
    const std::optional<std::string> line = probe.LineAt(*start);
    if (probe.failed()) return std::nullopt;
    const Place place = line ? PlaceOf(*line, wantedParts) : Place::kUnknown;
    if (place == Place::kUnknown) return readWhole();
    if (place == Place::kBefore) {
      lo = *start + line->size() + 1;
    } else if (place == Place::kAfter) {
      hi = *start;
    } else {
      lo = *start;
      hi = *start + 1;
    }
  }

  // The key lines that start in [lo, hi), each with all its values.
  uint64_t scanned = lo;
  if (lo < hi) {
    const std::optional<uint64_t> next = probe.KeyLineIn(hi, size);
    if (probe.failed()) return std::nullopt;
    scanned = next.value_or(size);
    const std::optional<std::string> window = file.ReadAt(lo, static_cast<size_t>(scanned - lo));
    if (!window) return std::nullopt;
    Scan scan = ScanKeys(*window, 0, wanted, value, maxBytes);
    if (scan.found) return std::move(scan.text);
  }

  // The file's end, from its first key line on.
  const uint64_t tail = std::max(scanned, size - kWindowBytes);
  if (tail >= size) return std::nullopt;
  const std::optional<uint64_t> tailKey = probe.KeyLineIn(std::max<uint64_t>(tail, 1), size);
  if (probe.failed() || !tailKey) return std::nullopt;
  const std::optional<std::string> end =
      file.ReadAt(*tailKey, static_cast<size_t>(size - *tailKey));
  if (!end) return std::nullopt;
  return ScanKeys(*end, 0, wanted, value, maxBytes).text;
}

WineRegistry::WineRegistry(WineRegistryOptions options) : options_(std::move(options)) {}

std::optional<std::string> WineRegistry::ReadLocalMachineString(const std::string& key,
                                                                const std::string& value,
                                                                size_t maxBytes) {
  if (last_ && last_->key == key && last_->value == value && last_->maxBytes == maxBytes) {
    return last_->text;
  }
  std::optional<std::string> text;
  if (!options_.prefix.empty()) {
    const std::optional<RegularFile> file = RegularFile::Open(options_.prefix + "/system.reg");
    if (file && file->Size() <= options_.maxFileBytes) {
      if (file->Size() >= options_.sortedSearchFromBytes) {
        text = FindRegistryStringInFile(*file, key, value, maxBytes, options_.maxFileBytes);
      } else if (auto whole = file->ReadAll(options_.maxFileBytes)) {
        // A file that shrank while it was read is parsed as far as it went; the
        // parser copes with a cut line.
        text = FindRegistryString(*whole, key, value, maxBytes);
      }
    }
  }
  last_ = Answer{key, value, maxBytes, text};
  return text;
}

}  // namespace svx

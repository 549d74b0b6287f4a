#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <optional>
#include <string>

#include "install/SimulatorChecks.h"
#include "platform/posix/wine/WineRegistry.h"
#include "support/FakePrefix.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

namespace svx {
namespace {

constexpr const char* kKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0";
constexpr const char* kPlainKeyLine =
    "[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] 1796747077\n"
    "#time=1d9a0b1c2d3e4f5\n";
constexpr const char* kWowKeyLine =
    "[Software\\\\Wow6432Node\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0] "
    "1796747077\n#time=1d9a0b1c2d3e4f5\n";

std::string Reg32(const std::string& body) {
  return test::RegistryHead(test::Arch::kWin32) + "\n" + body;
}
std::string Reg64(const std::string& body) {
  return test::RegistryHead(test::Arch::kWin64) + "\n" + body;
}
std::string SetupPathLine(const std::string& data) {
  return "\"SetupPath\"=" + data + "\n";
}

TEST(WineRegistryFile, FindsTheSetupPathAsA32BitProgramSeesIt) {
  const std::string fsx = SetupPathLine("\"C:\\\\Program Files\\\\FSX\\\\\"");
  const std::string wanted = "C:\\Program Files\\FSX\\";
  const std::string other = "[Software\\\\Other] 1\n\"SetupPath\"=\"D:\\\\Wrong\"\n";
  struct Case {
    const char* name;
    std::string text;
    std::optional<std::string> expected;
  } cases[] = {
      {"32-bit prefix, plain key", Reg32(other + kPlainKeyLine + fsx), wanted},
      {"32-bit prefix ignores Wow6432Node", Reg32(std::string(kWowKeyLine) + fsx), std::nullopt},
      {"64-bit prefix reads Wow6432Node", Reg64(std::string(kWowKeyLine) + fsx), wanted},
      {"64-bit prefix ignores the 64-bit view", Reg64(std::string(kPlainKeyLine) + fsx),
       std::nullopt},
      {"no arch line is a 32-bit prefix",
       "WINE REGISTRY Version 2\n" + std::string(kPlainKeyLine) + fsx, wanted},
      {"key and value names in other case",
       Reg32("[software\\\\MICROSOFT\\\\microsoft games\\\\Flight Simulator\\\\10.0] 1\n"
             "\"setuppath\"=\"C:\\\\FSX\"\n"),
       "C:\\FSX"},
      {"CRLF line ends",
       "WINE REGISTRY Version 2\r\n#arch=win32\r\n[Software\\\\Microsoft\\\\Microsoft "
       "Games\\\\Flight Simulator\\\\10.0] 1\r\n\"SetupPath\"=\"C:\\\\FSX\\\\\"\r\n",
       "C:\\FSX\\"},
      {"other values around it",
       Reg32(std::string(kPlainKeyLine) + "@=\"default\"\n\"Blob\"=hex:00,01,\\\n  02,03\n" +
             "\"Escaped\"=\"a\\\"b\"\n" + fsx + "\"Later\"=dword:00000001\n"),
       wanted},
      {"empty file", "", std::nullopt},
      {"not a registry file", "[Software\\\\Microsoft]\n\"SetupPath\"=\"C:\\\\FSX\"\n",
       std::nullopt},
      {"truncated in the value", Reg32(std::string(kPlainKeyLine) + "\"SetupPath\"=\"C:\\\\Pro"),
       std::nullopt},
      {"truncated in the key line", Reg32("[Software\\\\Microsoft\\\\Microsoft Ga"), std::nullopt},
      {"truncated after an escape", Reg32(std::string(kPlainKeyLine) + "\"SetupPath\"=\"C:\\"),
       std::nullopt},
      {"key without SetupPath", Reg32(std::string(kPlainKeyLine) + "\"Other\"=\"C:\\\\FSX\"\n"),
       std::nullopt},
      {"SetupPath in a subkey only",
       Reg32(std::string(kPlainKeyLine) +
             "\n[Software\\\\Microsoft\\\\Microsoft Games\\\\Flight Simulator\\\\10.0\\\\Sub] 1\n" +
             fsx),
       std::nullopt},
      {"SetupPath a dword", Reg32(std::string(kPlainKeyLine) + SetupPathLine("dword:00000001")),
       std::nullopt},
      {"SetupPath hex", Reg32(std::string(kPlainKeyLine) + SetupPathLine("hex:43,00,3a,00")),
       std::nullopt},
      {"SetupPath a multi-string",
       Reg32(std::string(kPlainKeyLine) + SetupPathLine("str(7):\"C:\\\\FSX\\0\"")), std::nullopt},
      {"SetupPath an expandable string, unexpanded",
       Reg32(std::string(kPlainKeyLine) + SetupPathLine("str(2):\"%ProgramFiles%\\\\FSX\"")),
       "%ProgramFiles%\\FSX"},
      {"hex escape of a UTF-16 unit",
       Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"caf\\xe9\"")), "caf\xC3\xA9"},
      {"surrogate pair", Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"\\xd83d\\xde00\"")),
       "\xF0\x9F\x98\x80"},
      {"lone surrogate", Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"a\\xd83d\"")),
       "a\xEF\xBF\xBD"},
      {"raw UTF-8", Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"caf\xC3\xA9\"")),
       "caf\xC3\xA9"},
      {"raw Latin-1", Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"caf\xE9\"")),
       "caf\xC3\xA9"},
      {"embedded zero ends the string",
       Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"C:\\\\FSX\\0junk\"")), "C:\\FSX"},
      {"escaped quote, tab and bracket",
       Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"a\\\"b\\tc\\]\"")), "a\"b\tc]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindRegistryString(c.text, kKey, "SetupPath", 999), c.expected) << c.name;
  }
}

TEST(WineRegistryFile, KeepsTheSizeLimitWithTheTerminatingZero) {
  auto find = [](const std::string& data) {
    return FindRegistryString(Reg32(std::string(kPlainKeyLine) + SetupPathLine(data)), kKey,
                              "SetupPath", 999);
  };
  const std::string fits(998, 'a');
  EXPECT_EQ(find("\"" + fits + "\""), fits);
  EXPECT_EQ(find("\"" + std::string(999, 'a') + "\""), std::nullopt);
  EXPECT_EQ(find("\"" + std::string(1200, 'a') + "\""), std::nullopt);
  // The limit is on bytes of the narrow string: 997 + a two-byte character.
  EXPECT_EQ(find("\"" + std::string(996, 'a') + "\\xe9\""), std::string(996, 'a') + "\xC3\xA9");
  EXPECT_EQ(find("\"" + std::string(997, 'a') + "\\xe9\""), std::nullopt);
}

class WineRegistryPrefix : public ::testing::Test {
 protected:
  std::optional<std::string> Read(const std::string& prefix) {
    WineRegistry registry(WineRegistryOptions{prefix});
    return registry.ReadLocalMachineString(kKey, "SetupPath", 999);
  }
  test::TempDir dir_;
};

TEST_F(WineRegistryPrefix, ReadsSystemRegOfThePrefix) {
  dir_.Write("prefix/system.reg", Reg32(std::string(kPlainKeyLine) +
                                        SetupPathLine("\"C:\\\\Program Files\\\\FSX\\\\\"")));
  EXPECT_EQ(Read(dir_.Str() + "/prefix"), "C:\\Program Files\\FSX\\");
  WineRegistry registry(WineRegistryOptions{dir_.Str() + "/prefix"});
  EXPECT_EQ(ReadRegistryPath(registry), "C:\\Program Files\\FSX");
}

TEST_F(WineRegistryPrefix, FailsQuietlyOnABrokenPrefix) {
  dir_.Write("file-prefix", "not a folder");
  dir_.MakeDir("folder-reg/system.reg");
  dir_.Write("empty/system.reg", "");
  // Opened for reading, a FIFO would hold the tool until someone wrote to it.
  dir_.MakeDir("fifo");
  ASSERT_EQ(mkfifo((dir_.Str() + "/fifo/system.reg").c_str(), 0600), 0);
  EXPECT_EQ(Read(dir_.Str() + "/missing"), std::nullopt);
  EXPECT_EQ(Read(dir_.Str() + "/file-prefix"), std::nullopt);
  EXPECT_EQ(Read(dir_.Str() + "/folder-reg"), std::nullopt);
  EXPECT_EQ(Read(dir_.Str() + "/empty"), std::nullopt);
  EXPECT_EQ(Read(dir_.Str() + "/fifo"), std::nullopt);
}

// A large system.reg is searched by its key order; whatever the file, the
// answer must be the one reading it whole gives.
TEST_F(WineRegistryPrefix, SearchesALargeFileAsReadingItWholeWould) {
  // Keys under `parent` (as written in the file) in wineserver's order.
  auto keys = [](const std::string& parent, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      const std::string n = std::to_string(100000 + i).substr(1);
      text += "\n[" + parent + "\\\\K" + n + "] 1\n\"SetupPath\"=\"D:\\\\" + n +
              "\"\n\"Blob\"=hex:00,01,\\\n  02,03\n";
    }
    return text;
  };
  const std::string classes = keys("Software\\\\Classes", 3000);
  const std::string wine = keys("Software\\\\Wine", 1000);
  const std::string system = keys("System", 1000);
  const std::string fsx = SetupPathLine("\"C:\\\\FSX\"");
  const std::string plain = std::string(kPlainKeyLine) + fsx;
  const struct {
    const char* what;
    std::string text;
    std::optional<std::string> expected;
  } cases[] = {
      {"32-bit prefix", Reg32(classes + plain + wine + system), "C:\\FSX"},
      {"64-bit prefix", Reg64(classes + wine + kWowKeyLine + fsx + system), "C:\\FSX"},
      {"absent", Reg64(classes + wine + system), std::nullopt},
      {"not a string", Reg32(classes + kPlainKeyLine + SetupPathLine("dword:1") + wine),
       std::nullopt},
      {"added by hand at the end", Reg32(classes + wine + system + plain), "C:\\FSX"},
      // Where a non-ASCII letter decides the order, the file is read whole.
      {"names it cannot place",
       Reg32(classes + plain + keys("Software\\\\Microsoft\\\\Microsoft Gam\\xe9s", 5000)),
       "C:\\FSX"},
      {"not a registry file", "[Software]\n" + classes, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write("big/system.reg", c.text);
    WineRegistry registry(WineRegistryOptions{dir_.Str() + "/big", 256u << 20, 0});
    const auto searched = registry.ReadLocalMachineString(kKey, "SetupPath", 999);
    EXPECT_EQ(searched, c.expected);
    EXPECT_EQ(searched, FindRegistryString(c.text, kKey, "SetupPath", 999));
  }
}

TEST_F(WineRegistryPrefix, RefusesAFileOverTheLimit) {
  dir_.Write("prefix/system.reg",
             Reg32(std::string(kPlainKeyLine) + SetupPathLine("\"C:\\\\FSX\"")));
  WineRegistry small(WineRegistryOptions{dir_.Str() + "/prefix", 16});
  EXPECT_EQ(small.ReadLocalMachineString(kKey, "SetupPath", 999), std::nullopt);
}

TEST(ReadRegistryPath, DropsOneTrailingBackslash) {
  struct Case {
    std::optional<std::string> stored;
    std::string folder;
  } cases[] = {
      {"C:\\FSX\\", "C:\\FSX"},
      {"C:\\FSX", "C:\\FSX"},
      {"C:\\FSX\\\\", "C:\\FSX\\"},
      {"\\", ""},
      {"", ""},
      {std::nullopt, ""},
  };
  for (const auto& c : cases) {
    test::FakeRegistry registry;
    registry.setupPath = c.stored;
    EXPECT_EQ(ReadRegistryPath(registry), c.folder) << c.stored.value_or("(none)");
    EXPECT_EQ(registry.key, kKey);
    EXPECT_EQ(registry.value, "SetupPath");
    EXPECT_EQ(registry.maxBytes, 999u);
  }
}

}  // namespace
}  // namespace svx

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/posix/IniProfileReader.h"
#include "support/MemoryFileSystem.h"

namespace svx {
namespace {

std::string Version(const std::string& ini) {
  return ReadProfileValue(ini, "Product", "Version", "undefined", 80);
}

TEST(ProfileValue, FollowsTheWindowsReadersRules) {
  struct Case {
    const char* name;
    std::string ini;
    std::string expected;
  } cases[] = {
      {"plain", "[Product]\nVersion=1.0.0\n", "1.0.0"},
      {"CRLF", "[Product]\r\nName=x\r\nVersion=1.0.0\r\n", "1.0.0"},
      {"CR only", "[Product]\rName=x\rVersion=1.0.0\r", "1.0.0"},
      {"no final line end", "[Product]\nVersion=1.0.0", "1.0.0"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Product]\nVersion=1.0.0\n", "1.0.0"},
      {"blanks and tabs dropped", " \t[ Product\t]\n \tVersion \t= \t1.0.0 \t\n", "1.0.0"},
      {"names in other case", "[PRODUCT]\nversion=1.0.0\n", "1.0.0"},
      {"double quotes", "[Product]\nVersion=\" 1.0.0 \"\n", " 1.0.0 "},
      {"single quotes", "[Product]\nVersion='1.0.0'\n", "1.0.0"},
      {"unmatched quote kept", "[Product]\nVersion=\"1.0.0\n", "\"1.0.0"},
      {"mixed quotes kept", "[Product]\nVersion=\"1.0.0'\n", "\"1.0.0'"},
      {"lone quote kept", "[Product]\nVersion=\"\n", "\""},
      {"semicolon comment", "[Product]\n;Version=9\nVersion=1.0.0\n", "1.0.0"},
      {"hash comment", "[Product]\n  #Version=9\nVersion=1.0.0\n", "1.0.0"},
      {"semicolon inside the value", "[Product]\nVersion=1.0.0 ; note\n", "1.0.0 ; note"},
      {"line without =", "[Product]\nVersion\nVersion=1.0.0\n", "1.0.0"},
      {"first of two keys", "[Product]\nVersion=1.0.0\nVersion=1.1.0\n", "1.0.0"},
      {"second section not searched", "[Product]\nName=x\n[Product]\nVersion=1.0.0\n", "undefined"},
      {"key of another section", "[Other]\nVersion=1.1.0\n[Product]\nVersion=1.0.0\n", "1.0.0"},
      {"key before any section", "Version=1.1.0\n[Product]\n", "undefined"},
      {"key after the section", "[Product]\n[Other]\nVersion=1.1.0\n", "undefined"},
      {"empty value", "[Product]\nVersion=\n", ""},
      {"empty quoted value", "[Product]\nVersion=\"\"\n", ""},
      {"text after the bracket", "[Product] ; main\nVersion=1.0.0\n", "1.0.0"},
      {"no section", "Version=1.0.0\n", "undefined"},
      {"empty file", "", "undefined"},
      {"value with = in it", "[Product]\nVersion=a=b\n", "a=b"},
      {"cut to 79", "[Product]\nVersion=" + std::string(100, 'v') + "\n", std::string(79, 'v')},
      {"zero byte ends the value", std::string("[Product]\nVersion=1.0\0.0\n", 25), "1.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Version(c.ini), c.expected) << c.name;
}

TEST(ProfileValue, CutsTheDefaultToo) {
  EXPECT_EQ(ReadProfileValue("", "Product", "Version", "undefined  ", 80), "undefined");
  EXPECT_EQ(ReadProfileValue("", "Product", "Version", "undefined", 4), "und");
  EXPECT_EQ(ReadProfileValue("[Product]\nVersion=1.0.0", "Product", "Version", "x", 0), "");
}

TEST(ProfileValue, SurvivesBinaryJunk) {
  std::mt19937 random(7);
  std::string junk;
  for (int round = 0; round < 200; ++round) {
    junk.resize(random() % 4096);
    for (char& c : junk) c = static_cast<char>(random());
    // Mostly to run under the sanitizers; the result only has to be sane.
    EXPECT_LE(ReadProfileValue(junk, "Product", "Version", "undefined", 80).size(), 79u);
  }
  EXPECT_EQ(Version(std::string(1000, '\0') + "\n[Product]\nVersion=1.0.0\n"), "1.0.0");
}

TEST(IniProfileReader, ReadsThroughTheFileLayer) {
  test::MemoryFileSystem files;
  files.AddFile("C:\\FSX\\PRODUCT.INI", "[Product]\r\nVersion=1.0.0\r\n");
  files.AddFolder("C:\\FSX\\FOLDER.INI");
  IniProfileReader reader(files);

  EXPECT_EQ(reader.GetProfileString("Product", "Version", "undefined", "C:\\FSX\\PRODUCT.INI", 80),
            "1.0.0");
  ASSERT_FALSE(files.readLimits.empty());
  EXPECT_EQ(files.readLimits.back(), IniProfileReader::kMaxFileBytes);

  // A folder, a missing file and one past the size limit all read as missing.
  EXPECT_EQ(reader.GetProfileString("Product", "Version", "undefined", "C:\\FSX\\FOLDER.INI", 80),
            "undefined");
  EXPECT_EQ(reader.GetProfileString("Product", "Version", "undefined", "C:\\FSX\\NONE.INI", 80),
            "undefined");
  files.AddFile("C:\\FSX\\HUGE.INI",
                "[Product]\nVersion=1.0.0\n" + std::string(IniProfileReader::kMaxFileBytes, ';'));
  EXPECT_EQ(reader.GetProfileString("Product", "Version", "undefined", "C:\\FSX\\HUGE.INI", 80),
            "undefined");
}

}  // namespace
}  // namespace svx

// The Win32 services other than the file layer, against the real system calls
// (run under Wine in the cross build).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "install/SimulatorChecks.h"
#include "platform/Platform.h"
#include "platform/win32/Win32Platform.h"
#include "support/TempDir.h"

namespace svx {
namespace {

constexpr const char* kTestKey = "SOFTWARE\\SvxPatchTest";

// Writes test values into one registry view and removes them afterwards.
class RegistryFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kTestKey, KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kTestKey, KEY_WOW64_64KEY, 0);
  }
  static void Put(REGSAM view, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_WRITE | view,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  static void PutText(REGSAM view, const char* name, const std::string& text) {
    Put(view, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  Win32Registry registry_;
};

TEST_F(RegistryFixture, ReadsTextValuesWithinTheLimit) {
  const std::string fits(998, 'a');  // 999 bytes with its zero
  const std::string over(999, 'b');  // 1000 bytes with its zero
  // The limit counts bytes of the narrow text, two for each of these letters
  // under the UTF-8 code page, not characters.
  std::string lettersFit;
  for (int i = 0; i < 499; ++i) lettersFit += "Ж";
  const std::string lettersOver = lettersFit + "a";
  const std::string named = "S:\\Симулятор Ü\\FSX\\";
  PutText(KEY_WOW64_32KEY, "SetupPath", "C:\\FSX\\");
  PutText(KEY_WOW64_32KEY, "Empty", "");
  PutText(KEY_WOW64_32KEY, "Fits", fits);
  PutText(KEY_WOW64_32KEY, "Over", over);
  PutText(KEY_WOW64_32KEY, "LettersFit", lettersFit);
  PutText(KEY_WOW64_32KEY, "LettersOver", lettersOver);
  PutText(KEY_WOW64_32KEY, "Named", named);
  const DWORD number = 7;
  Put(KEY_WOW64_32KEY, "Number", REG_DWORD, &number, sizeof number);
  Put(KEY_WOW64_32KEY, "Unterminated", REG_SZ, "C:\\Sim", 6);
  Put(KEY_WOW64_32KEY, "UnterminatedFull", REG_SZ, over.data(), 999);

  struct Case {
    const char* value;
    std::optional<std::string> expected;
  } cases[] = {
      {"SetupPath", "C:\\FSX\\"},  // the trailing backslash is the caller's business
      {"setuppath", "C:\\FSX\\"},  // value names in any letter case
      {"Empty", ""},
      {"Fits", fits},
      {"Over", std::nullopt},
      {"LettersFit", lettersFit},
      {"LettersOver", std::nullopt},
      {"Named", named},
      {"Number", std::nullopt},
      {"Missing", std::nullopt},
      {"Unterminated", "C:\\Sim"},
      {"UnterminatedFull", std::nullopt},  // would need 1000 bytes as text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(registry_.ReadLocalMachineString(kTestKey, c.value, 999), c.expected) << c.value;
  }
  EXPECT_EQ(registry_.ReadLocalMachineString("SOFTWARE\\SvxPatchTestMissing", "SetupPath", 999),
            std::nullopt);
}

TEST_F(RegistryFixture, ReadsTheViewOfA32BitProgram) {
  // A value only in the 64-bit view is what a 32-bit program cannot see.
  PutText(KEY_WOW64_64KEY, "SetupPath", "C:\\Native");
  EXPECT_EQ(registry_.ReadLocalMachineString(kTestKey, "SetupPath", 999), std::nullopt);
  PutText(KEY_WOW64_32KEY, "SetupPath", "C:\\Redirected");
  EXPECT_EQ(registry_.ReadLocalMachineString(kTestKey, "SetupPath", 999), "C:\\Redirected");
}

TEST(Win32WindowFinder, MatchesTheWholeTitleInAnyLetterCase) {
  HWND window = ::CreateWindowExA(0, "STATIC", "Svx Finder Test Window", WS_OVERLAPPEDWINDOW, 0, 0,
                                  100, 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr) << "no window (is there a display?)";
  Win32WindowFinder finder;
  EXPECT_TRUE(finder.TopLevelWindowExists("Svx Finder Test Window"));
  EXPECT_TRUE(finder.TopLevelWindowExists("SVX FINDER test window"));
  EXPECT_FALSE(finder.TopLevelWindowExists("Svx Finder Test"));
  EXPECT_FALSE(finder.TopLevelWindowExists("Svx Finder Test Window 2"));
  ::DestroyWindow(window);
  EXPECT_FALSE(finder.TopLevelWindowExists("Svx Finder Test Window"));
}

TEST(Win32ProfileReader, ReadsWithTheSystemsRules) {
  test::TempDir dir;
  const std::string path = dir.Write("PRODUCT.INI",
                                     "[Other]\r\nVersion=9.9.9\r\n"
                                     "[Product]\r\n"
                                     "Version=1.0.0\r\n"
                                     "Spaced =  1.1.0  \r\n"
                                     "Quoted=\"2.0.0\"\r\n"
                                     "Long=123456789\r\n")
                               .string();
  struct Case {
    const char* section;
    const char* key;
    size_t buffer;
    const char* expected;
  } cases[] = {
      {"Product", "Version", 256, "1.0.0"},
      {"PRODUCT", "version", 256, "1.0.0"},  // names in any letter case
      {"Product", "Spaced", 256, "1.1.0"},   // blanks around the value dropped
      {"Product", "Quoted", 256, "2.0.0"},   // one pair of quotes dropped
      {"Product", "Long", 5, "1234"},        // cut to the buffer less its zero
      {"Product", "Missing", 256, "default"},
      {"Missing", "Version", 256, "default"},
  };
  Win32ProfileReader reader;
  for (const Case& c : cases) {
    EXPECT_EQ(reader.GetProfileString(c.section, c.key, "default", path, c.buffer), c.expected)
        << c.section << "/" << c.key;
  }
  EXPECT_EQ(reader.GetProfileString("Product", "Version", "default", dir.Str() + "\\NONE.INI", 256),
            "default");
}

TEST(Win32ProcessLauncher, StartsWithoutWaitingInTheWorkingDirectory) {
  test::TempDir dir;
  char previous[MAX_PATH];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(dir.Str().c_str()));
  Win32ProcessLauncher launcher;
  std::optional<std::string> error = launcher.StartDetached("cmd.exe /c echo started>child.txt");
  ::SetCurrentDirectoryA(previous);
  ASSERT_EQ(error, std::nullopt);
  for (int i = 0; i < 200 && dir.Read("child.txt").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(dir.Read("child.txt").substr(0, 7), "started");
}

TEST(Win32ProcessLauncher, ReportsTheSystemsTextForAMissingProgram) {
  Win32ProcessLauncher launcher;
  std::optional<std::string> error = launcher.StartDetached("SvxNoSuchProgram.exe");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, SystemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(error->empty());
  EXPECT_NE(error->back(), '\n');
}

TEST(Win32ErrorText, IsEmptyForACodeWithoutText) {
  EXPECT_EQ(SystemErrorText(0x3fffffffu), "");
}

TEST(Win32SystemPlatform, HandsOutOneSetOfServices) {
  Platform& a = SystemPlatform(CheckRegistryFolder);
  Platform& b = SystemPlatform(CheckRegistryFolder);
  EXPECT_EQ(&a.files, &b.files);
  EXPECT_NE(dynamic_cast<Win32FileSystem*>(&a.files), nullptr);
  EXPECT_NE(dynamic_cast<Win32Registry*>(&a.registry), nullptr);
}

}  // namespace
}  // namespace svx

#include "adapters/win32/RegistrySettingsBackend.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "adapters/win32/RunKeyAutostart.h"
#include "adapters/win32/WindowsPlatform.h"
#include "mainwindow/Settings.h"

namespace tg {
namespace {

// The raw value as the registry holds it: type and text.
std::pair<DWORD, std::string> RawValue(HKEY root, const std::string& key, const std::string& name) {
  char data[1024] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_ANY, &type, data, &size) !=
      ERROR_SUCCESS) {
    return {REG_NONE, ""};
  }
  return {type, std::string(data)};
}

void DeleteTree(const char* key) { RegDeleteTreeA(HKEY_CURRENT_USER, key); }

class RegistrySettings : public ::testing::Test {
 protected:
  void SetUp() override { DeleteTree("Software\\Morvane"); }
  void TearDown() override { DeleteTree("Software\\Morvane"); }
  RegistrySettingsBackend backend;
};

TEST_F(RegistrySettings, WritesOneTextValuePerKeyUnderTheUsersSoftwareKey) {
  backend.write("Morvane", "Tallyguard", "OftenIndex", "7");
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Morvane\\Tallyguard", "OftenIndex"),
            std::make_pair(DWORD{REG_SZ}, std::string("7")));
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "OftenIndex"), "7");
}

TEST_F(RegistrySettings, AnAbsentKeyReadsAsAbsentAndAStoredEmptyTextAsEmpty) {
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Path"), std::nullopt);
  backend.write("Morvane", "Tallyguard", "Path", "");
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Path"), std::string());
}

TEST_F(RegistrySettings, AWriteReplacesTheValueAndLeavesTheOthers) {
  backend.write("Morvane", "Tallyguard", "Include Date", "On");
  backend.write("Morvane", "Tallyguard", "Minimized", "On");
  backend.write("Morvane", "Tallyguard", "Include Date", "Off");
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Include Date"), "Off");
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Minimized"), "On");
}

TEST_F(RegistrySettings, AValueThatIsNoTextReadsAsAbsent) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Morvane\\Tallyguard", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD number = 3;
  RegSetValueExA(key, "OftenIndex", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4);
  RegCloseKey(key);
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "OftenIndex"), std::nullopt);
}

TEST_F(RegistrySettings, TheSettingsOfTheProgramLandInTheRegistry) {
  Settings settings(backend);
  settings.WriteSetting("Backup Option", "2");
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Morvane\\Tallyguard", "Backup Option").second,
            "2");
  EXPECT_EQ(settings.ReadSetting("Backup Option", "1"), "2");
  EXPECT_EQ(settings.ReadSetting("WhereOption", "2"), "2");
}

TEST_F(RegistrySettings, LongTextsWithBlanksAndBackslashesComeBackWhole) {
  const std::string folder = "C:\\users\\a user\\Backups #1\\" + std::string(300, 'x') + "\\";
  backend.write("Morvane", "Tallyguard", "Path", folder);
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Path"), folder);
}

class RunKey : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* name : {"Tallyguard.exe", "tallyguard_win32_tests.exe"}) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
      }
    }
  }
};

TEST_F(RunKey, EnableWritesTheRunningProgramsQuotedFullPathUnderItsFileName) {
  const std::string self = RunningExecutablePath();
  ASSERT_FALSE(self.empty());
  RunKeyAutostart autostart(self);
  autostart.enable();
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "tallyguard_win32_tests.exe"),
            std::make_pair(DWORD{REG_SZ}, "\"" + self + "\""));
  // The machine-wide key is never touched.
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, RunKeyPath, "tallyguard_win32_tests.exe").first,
            DWORD{REG_NONE});
}

TEST_F(RunKey, AFolderWithBlanksIsQuotedWhole) {
  RunKeyAutostart autostart("C:\\Program Files\\Tallyguard\\Tallyguard.exe");
  autostart.enable();
  autostart.enable();
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "Tallyguard.exe").second,
            "\"C:\\Program Files\\Tallyguard\\Tallyguard.exe\"");
}

TEST_F(RunKey, DisableRemovesTheValueAndLeavesOthers) {
  RunKeyAutostart other("C:\\Other\\Tallyguard.exe");
  other.enable();
  RunKeyAutostart autostart(RunningExecutablePath());
  autostart.enable();
  autostart.disable();
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "tallyguard_win32_tests.exe").first,
            DWORD{REG_NONE});
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "Tallyguard.exe").first, DWORD{REG_SZ});
  // Disabling again, with nothing left to remove, changes nothing and reports nothing.
  autostart.disable();
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "Tallyguard.exe").first, DWORD{REG_SZ});
}

TEST_F(RunKey, AProgramWhosePathIsUnknownWritesNothing) {
  RunKeyAutostart autostart("");
  autostart.enable();
  // An empty name would be the key's default value.
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, RunKeyPath, "").first, DWORD{REG_NONE});
}

}  // namespace
}  // namespace tg

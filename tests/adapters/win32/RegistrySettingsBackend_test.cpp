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

// The administrator's layers under HKEY_LOCAL_MACHINE, written as Group Policy and the installer
// write them; Wine lets the tests write there.
class AdministeredSettings : public RegistrySettings {
 protected:
  void SetUp() override {
    RegistrySettings::SetUp();
    CleanMachine();
  }
  void TearDown() override {
    CleanMachine();
    RegistrySettings::TearDown();
  }
  static void CleanMachine() {
    for (const char* key : {"Software\\Policies\\Morvane", "Software\\Morvane"}) {
      HKEY root = nullptr;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &root) ==
          ERROR_SUCCESS) {
        RegDeleteTreeA(root, key);
        RegCloseKey(root);
      }
    }
  }
  static void SetMachineValue(const char* key, const char* name, DWORD type, const void* data,
                              DWORD size) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(handle);
  }
  static void SetMachineText(const char* key, const char* name, const std::string& text) {
    SetMachineValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  static void SetMachineNumber(const char* key, const char* name, DWORD number) {
    SetMachineValue(key, name, REG_DWORD, &number, sizeof number);
  }
  // The value in force and its source, comparable as a whole.
  std::optional<std::pair<std::string, SettingSource>> found(std::string_view key) const {
    std::optional<StoredSetting> stored = backend.lookup("Morvane", "Tallyguard", key);
    if (!stored) return std::nullopt;
    return std::make_pair(stored->text, stored->source);
  }
  static constexpr const char* Defaults = "Software\\Morvane\\Tallyguard";
  static constexpr const char* Policies = "Software\\Policies\\Morvane\\Tallyguard";
};

TEST_F(AdministeredSettings, AMachineDefaultAppliesUntilTheUserChoosesAndNumbersReadAsText) {
  SetMachineText(Defaults, "Path", "\\\\server\\share\\Backups");
  SetMachineNumber(Defaults, "OftenIndex", 5);
  EXPECT_EQ(found("Path"), std::make_pair(std::string("\\\\server\\share\\Backups"),
                                          SettingSource::SystemDefault));
  EXPECT_EQ(found("OftenIndex"), std::make_pair(std::string("5"), SettingSource::SystemDefault));
  EXPECT_FALSE(backend.locked("Morvane", "Tallyguard", "Path"));

  backend.write("Morvane", "Tallyguard", "Path", "D:\\Mine");
  EXPECT_EQ(found("Path"), std::make_pair(std::string("D:\\Mine"), SettingSource::User));
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Path"), "D:\\Mine");
  // The user's value went to the user's key; the default is still there for the next user.
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, Defaults, "Path").second, "\\\\server\\share\\Backups");
  EXPECT_EQ(found("Keep Copies"), std::nullopt);
}

TEST_F(AdministeredSettings, APolicyWinsOverTheUsersValueAndRefusesTheUsersWrites) {
  backend.write("Morvane", "Tallyguard", "Keep Copies", "3");
  SetMachineText(Defaults, "Keep Copies", "7");
  SetMachineNumber(Policies, "Keep Copies", 10);
  EXPECT_EQ(found("Keep Copies"), std::make_pair(std::string("10"), SettingSource::Policy));
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Keep Copies"), "10");
  EXPECT_TRUE(backend.locked("Morvane", "Tallyguard", "Keep Copies"));

  backend.write("Morvane", "Tallyguard", "Keep Copies", "4");
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, Defaults, "Keep Copies").second, "3")
      << "the user's value under a lock is left as it was";
  EXPECT_EQ(found("Keep Copies"), std::make_pair(std::string("10"), SettingSource::Policy));

  // A text policy locks as well, and other keys stay the user's to write.
  SetMachineText(Policies, "Include Date", "Off");
  EXPECT_EQ(found("Include Date"), std::make_pair(std::string("Off"), SettingSource::Policy));
  backend.write("Morvane", "Tallyguard", "Minimized", "On");
  EXPECT_EQ(found("Minimized"), std::make_pair(std::string("On"), SettingSource::User));
}

TEST_F(AdministeredSettings, AnAdministratorsValueOfAnotherTypeIsPassedOver) {
  backend.write("Morvane", "Tallyguard", "Path", "D:\\Mine");
  const char binary[] = {'C', ':', '\\', 0};
  SetMachineValue(Policies, "Path", REG_BINARY, binary, sizeof binary);
  SetMachineValue(Policies, "OftenIndex", REG_EXPAND_SZ, "4", 2);
  SetMachineValue(Defaults, "OftenIndex", REG_MULTI_SZ, "6\0\0", 3);
  EXPECT_EQ(found("Path"), std::make_pair(std::string("D:\\Mine"), SettingSource::User));
  EXPECT_FALSE(backend.locked("Morvane", "Tallyguard", "Path"));
  EXPECT_EQ(found("OftenIndex"), std::nullopt);
  backend.write("Morvane", "Tallyguard", "Path", "E:\\Other");
  EXPECT_EQ(found("Path"), std::make_pair(std::string("E:\\Other"), SettingSource::User));
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

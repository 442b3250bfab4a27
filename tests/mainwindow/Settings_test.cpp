// The settings store's reading rules and the desktop default.

#include "mainwindow/Settings.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "memory/MemoryEnvironment.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"

namespace tg {
namespace {

TEST(Settings, AbsentKeysReadTheirDefaultWhichIsNeverStored) {
  MemorySettingsBackend backend;
  Settings settings(backend);
  EXPECT_EQ(settings.ReadSetting("OftenIndex", "3"), "3");
  EXPECT_TRUE(backend.writes.empty());
}

TEST(Settings, WritesGoUnderMorvaneTallyguardAndAreReadBackAtOnce) {
  MemorySettingsBackend backend;
  Settings settings(backend);
  settings.WriteSetting("Backup Option", "2");
  EXPECT_EQ(backend.read("Morvane", "Tallyguard", "Backup Option"), "2");
  EXPECT_EQ(settings.ReadSetting("Backup Option", "1"), "2");
  settings.WriteSetting("Backup Option", "1");
  EXPECT_EQ(settings.ReadSetting("Backup Option", "7"), "1");
}

TEST(Settings, StoredEmptyTextStaysEmpty) {
  MemorySettingsBackend backend;
  Settings settings(backend);
  settings.WriteSetting("Path", "");
  EXPECT_EQ(settings.ReadSetting("Path", "/home/user/Desktop/"), "");
}

TEST(Settings, OnlyExactOnIsOn) {
  EXPECT_TRUE(IsSettingOn("On"));
  for (const char* text : {"on", "ON", "On ", " On", "1", "", "Off", "True"}) {
    EXPECT_FALSE(IsSettingOn(text)) << '"' << text << '"';
  }
}

TEST(Settings, NumbersConvertWithinSixteenBits) {
  EXPECT_EQ(ToInteger16("3"), 3);
  EXPECT_EQ(ToInteger16("12"), 12);
  EXPECT_EQ(ToInteger16(" 7 "), 7);
  EXPECT_EQ(ToInteger16("+2"), 2);
  EXPECT_EQ(ToInteger16("007"), 7);
  EXPECT_EQ(ToInteger16("32767"), 32767);
  EXPECT_EQ(ToInteger16("-32768"), -32768);
}

TEST(Settings, NonNumbersAndOutOfRangeValuesFail) {
  for (const char* text : {"", " ", "five", "3a", "1.5", "-", "1 2", "0x3"}) {
    EXPECT_THROW(ToInteger16(text), std::invalid_argument) << '"' << text << '"';
  }
  for (const char* text : {"32768", "-32769", "99999999999999999999999"}) {
    EXPECT_THROW(ToInteger16(text), std::out_of_range) << text;
  }
}

TEST(Settings, DesktopFolderEndsInASeparatorAndFailsWhenUnknown) {
  MemoryShell shell;
  shell.desktop = "/home/ann/Desktop";
  EXPECT_EQ(GetDesktopFolder(shell, PathStyle::Posix), "/home/ann/Desktop/");
  shell.desktop = "C:\\Users\\ann\\Desktop";
  EXPECT_EQ(GetDesktopFolder(shell, PathStyle::Windows), "C:\\Users\\ann\\Desktop\\");
  shell.desktop.reset();
  EXPECT_THROW(GetDesktopFolder(shell, PathStyle::Posix), std::invalid_argument);
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// One folder an administrator sets gives each user a folder of their own.
TEST(Settings, AFolderNamesTheUserAsItsPlatformWritesIt) {
  MemoryEnvironment environment;
  EXPECT_EQ(FolderOfUser("/srv/$USER/", environment, PathStyle::Posix), "/srv/$USER/")
      << "no name known: the text as it is";
  environment.values["USER"] = "ann";
  environment.values["USERNAME"] = "Ann";
  EXPECT_EQ(FolderOfUser("/srv/$USER/x${USER}", environment, PathStyle::Posix), "/srv/ann/xann");
  EXPECT_EQ(FolderOfUser("/srv/$USERS/$USER_x/$USER.d", environment, PathStyle::Posix),
            "/srv/$USERS/$USER_x/ann.d");
  EXPECT_EQ(FolderOfUser("\\\\server\\share\\%username%\\", environment, PathStyle::Windows),
            "\\\\server\\share\\Ann\\");
  EXPECT_EQ(FolderOfUser("C:\\$USER\\", environment, PathStyle::Windows), "C:\\$USER\\");
}

}  // namespace
}  // namespace tg

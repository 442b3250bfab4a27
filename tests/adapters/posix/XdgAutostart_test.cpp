#include "adapters/posix/XdgAutostart.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/posix/RunningExecutable.h"
#include "memory/MemoryEnvironment.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class XdgAutostartTest : public ::testing::Test {
 protected:
  XdgAutostartTest() {
    environment.values["HOME"] = (root / "home").string();
    environment.values["XDG_CONFIG_HOME"] = (root / "config").string();
  }

  static std::string read(const fs::path& path) { return tg::testing::ReadWholeFile(path); }

  tg::testing::TempFolder folder;
  fs::path root = folder.path();
  MemoryEnvironment environment;
};

TEST_F(XdgAutostartTest, EnableWritesAnEntryNamedAfterTheRunningExecutable) {
  XdgAutostart autostart(environment, "/opt/morvane/bin/tg-backup");
  autostart.enable();
  fs::path entry = root / "config" / "autostart" / "tg-backup.desktop";
  ASSERT_TRUE(fs::exists(entry));
  std::string text = read(entry);
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_THAT(text, HasSubstr("\nType=Application\n"));
  EXPECT_THAT(text, HasSubstr("\nExec=\"/opt/morvane/bin/tg-backup\"\n"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Hidden=true")));
}

// The package's entry counts in any folder of XDG_CONFIG_DIRS that is absolute, and nowhere else.
TEST_F(XdgAutostartTest, TheMachineWideEntryIsFoundAlongTheConfigFolders) {
  XdgAutostart autostart(environment, "/usr/bin/tallyguard");
  environment.values["XDG_CONFIG_DIRS"] =
      "relative:" + (root / "site").string() + ":" + (root / "vendor").string();
  fs::create_directories(root / "vendor" / "autostart");
  fs::create_directories(root / "config" / "autostart");
  std::ofstream(root / "config" / "autostart" / "tallyguard-administered.desktop") << "x";
  EXPECT_FALSE(autostart.startsForEveryone());  // the user's own folder is not the machine's
  std::ofstream(root / "vendor" / "autostart" / "tallyguard.desktop") << "x";
  EXPECT_FALSE(autostart.startsForEveryone());
  std::ofstream(root / "vendor" / "autostart" / "tallyguard-administered.desktop") << "x";
  EXPECT_TRUE(autostart.startsForEveryone());
  environment.values["XDG_CONFIG_DIRS"] = (root / "site").string();
  EXPECT_FALSE(autostart.startsForEveryone());
}

TEST_F(XdgAutostartTest, WithoutUsableConfigHomeTheEntryGoesUnderHome) {
  for (std::string config : {"", "relative/config"}) {
    if (config.empty()) {
      environment.values.erase("XDG_CONFIG_HOME");
    } else {
      environment.values["XDG_CONFIG_HOME"] = config;
    }
    XdgAutostart autostart(environment, "/usr/bin/tallyguard");
    autostart.enable();
    EXPECT_TRUE(fs::exists(root / "home" / ".config" / "autostart" / "tallyguard.desktop"))
        << config;
    autostart.disable();
  }
  EXPECT_FALSE(fs::exists("relative"));
}

TEST_F(XdgAutostartTest, ExecQuotesReservedCharactersAndEscapesForTheKeyFile) {
  EXPECT_EQ(DesktopEntryExecValue("/usr/bin/tallyguard"), "\"/usr/bin/tallyguard\"");
  EXPECT_EQ(DesktopEntryExecValue("/opt/My Apps/tallyguard"), "\"/opt/My Apps/tallyguard\"");
  // A literal backslash takes four, a quote, dollar or backtick two, a percent sign doubles.
  EXPECT_EQ(DesktopEntryExecValue("/opt/a\"b$c`d\\e%f"),
            "\"/opt/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"");
  EXPECT_EQ(DesktopEntryExecValue("/opt/line\nbreak"), "\"/opt/line\\nbreak\"");
}

TEST_F(XdgAutostartTest, DisableDeletesAndSwitchingIsRepeatable) {
  XdgAutostart autostart(environment, "/usr/bin/tallyguard");
  autostart.enable();
  std::string first = read(autostart.entryPath());
  autostart.enable();
  EXPECT_EQ(read(autostart.entryPath()), first);
  EXPECT_EQ(std::distance(fs::directory_iterator(autostart.folder()), fs::directory_iterator()),
            1);  // no partial file left behind

  autostart.disable();
  EXPECT_FALSE(fs::exists(autostart.entryPath()));
  autostart.disable();  // nothing there: still silent
  EXPECT_TRUE(fs::exists(autostart.folder()));
}

TEST_F(XdgAutostartTest, DisableLeavesOtherProgramsEntriesAlone) {
  fs::create_directories(root / "config" / "autostart");
  std::ofstream(root / "config" / "autostart" / "other.desktop") << "[Desktop Entry]\n";
  XdgAutostart autostart(environment, "/usr/bin/tallyguard");
  autostart.enable();
  autostart.disable();
  EXPECT_TRUE(fs::exists(root / "config" / "autostart" / "other.desktop"));
}

TEST_F(XdgAutostartTest, FailuresStaySilent) {
  // The autostart folder cannot be made: a file stands where it should be.
  fs::create_directories(root / "config");
  std::ofstream(root / "config" / "autostart") << "not a folder";
  XdgAutostart blocked(environment, "/usr/bin/tallyguard");
  EXPECT_NO_THROW(blocked.enable());
  EXPECT_NO_THROW(blocked.disable());

  MemoryEnvironment nowhere;
  XdgAutostart homeless(nowhere, "/usr/bin/tallyguard");
  EXPECT_TRUE(homeless.entryPath().empty());
  EXPECT_NO_THROW(homeless.enable());
  EXPECT_NO_THROW(homeless.disable());
}

// A copy of this test program, upgraded under its own feet: it replaces its file, then says which
// program the logon entry would start. Run by the test below, with the answer's file named.
TEST(XdgAutostartRunning, AfterAnUpgradeReplacedTheProgramTheEntryStartsTheInstalledPath) {
  if (const char* answer = std::getenv("TALLYGUARD_TEST_ANSWER")) {
    const fs::path self = RunningExecutable();
    const fs::path upgrade = self.string() + ".new";
    fs::copy_file(self, upgrade);
    fs::rename(upgrade, self);
    MemoryEnvironment environment;
    environment.values["XDG_CONFIG_HOME"] = fs::path(answer).parent_path().string();
    XdgAutostart(environment, RunningExecutable()).enable();
    return;
  }
  tg::testing::TempFolder folder;
  const fs::path installed = folder / "tallyguard";
  fs::copy_file(RunningExecutable(), installed);
  const std::string command = "TALLYGUARD_TEST_ANSWER='" + (folder / "answer") + "' '" +
                              installed.string() +
                              "' --gtest_filter='XdgAutostartRunning.AfterAnUpgrade*' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string entry = tg::testing::ReadWholeFile(folder / "autostart/tallyguard.desktop");
  EXPECT_THAT(entry, HasSubstr("\nExec=\"" + installed.string() + "\"\n"));
}

TEST(XdgAutostartRunning, RunningExecutableIsThisTestProgram) {
  fs::path running = RunningExecutable();
  EXPECT_TRUE(running.is_absolute());
  EXPECT_EQ(running.filename(), "tallyguard_posix_tests");
}

}  // namespace
}  // namespace tg

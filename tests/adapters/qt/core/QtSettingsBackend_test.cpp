// The QSettings store seen from two processes. The test binary plays the second process itself:
// started with "--read KEY" it prints the stored text (or "<absent>"), with "--write KEY TEXT" it
// stores it. Both processes use a private XDG_CONFIG_HOME and HOME.

#include "adapters/qt/core/QtSettingsBackend.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QProcess>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "support/VisibleSkips.h"

namespace tg {
namespace {

std::string SelfPath;
std::filesystem::path ConfigHome;

constexpr const char* Application = "Morvane";
constexpr const char* Section = "Tallyguard";

// Runs this binary as another process and returns what it printed.
std::string RunOther(const QStringList& arguments) {
  QProcess other;
  other.start(QString::fromStdString(SelfPath), arguments);
  EXPECT_TRUE(other.waitForFinished(30000));
  EXPECT_EQ(other.exitCode(), 0);
  return other.readAllStandardOutput().toStdString();
}

std::string ReadInOther(const char* key) { return RunOther({"--read", key}); }
void WriteInOther(const char* key, const char* text) { RunOther({"--write", key, text}); }

TEST(QtSettingsBackend, AValueWrittenHereIsReadByAnotherProcessAtOnce) {
  QtSettingsBackend settings;
  settings.write(Application, Section, "Backup Option", "2");
  EXPECT_EQ(ReadInOther("Backup Option"), "2");
  settings.write(Application, Section, "Backup Option", "1");
  EXPECT_EQ(ReadInOther("Backup Option"), "1");
}

TEST(QtSettingsBackend, AValueWrittenByAnotherProcessIsReadHere) {
  QtSettingsBackend settings;
  EXPECT_EQ(settings.read(Application, Section, "Path"), std::nullopt);
  WriteInOther("Path", "/home/ann/My Backups/");
  EXPECT_EQ(settings.read(Application, Section, "Path"), "/home/ann/My Backups/");
  WriteInOther("Path", "/srv/other/");
  EXPECT_EQ(settings.read(Application, Section, "Path"), "/srv/other/");
}

TEST(QtSettingsBackend, AbsentStaysAbsentAndEmptyStaysEmpty) {
  QtSettingsBackend settings;
  EXPECT_EQ(settings.read(Application, Section, "Minimized"), std::nullopt);
  EXPECT_EQ(ReadInOther("Minimized"), "<absent>");
  settings.write(Application, Section, "Include Date", "");
  EXPECT_EQ(settings.read(Application, Section, "Include Date"), "");
  EXPECT_EQ(ReadInOther("Include Date"), "");
}

TEST(QtSettingsBackend, KeysLiveInTheSectionOfThePerUserFile) {
  QtSettingsBackend settings;
  settings.write(Application, Section, "Windows Startup", "On");
  std::ifstream file(ConfigHome / "Morvane" / "Tallyguard.conf");
  ASSERT_TRUE(file.good());
  const std::string contents{std::istreambuf_iterator<char>(file), {}};
  EXPECT_NE(contents.find("[Tallyguard]"), std::string::npos) << contents;
  EXPECT_NE(contents.find("Windows%20Startup=On"), std::string::npos) << contents;
  EXPECT_EQ(settings.read(Application, "Other", "Windows Startup"), std::nullopt);
}

// An administrator's folder along XDG_CONFIG_DIRS for one test, with this file text.
class SystemFolder {
 public:
  explicit SystemFolder(const std::string& text) {
    std::filesystem::create_directories(folder_ / "Morvane");
    std::ofstream(folder_ / "Morvane" / "Tallyguard.conf") << text;
    ::setenv("XDG_CONFIG_DIRS", ("relative/ignored:" + folder_.string()).c_str(), 1);
  }
  ~SystemFolder() {
    ::unsetenv("XDG_CONFIG_DIRS");
    std::filesystem::remove_all(folder_);
  }

 private:
  std::filesystem::path folder_ = ConfigHome.parent_path() / "system";
};

std::string UserFileText() {
  std::ifstream file(ConfigHome / "Morvane" / "Tallyguard.conf");
  return {std::istreambuf_iterator<char>(file), {}};
}

// The user's own value stays in their file, unused, and no write of the program replaces it.
TEST(QtSettingsBackend, ALockedKeyIsInForceAndTheUsersFileNeverGetsIt) {
  WriteInOther("StartStopState", "On");
  const SystemFolder system("[Tallyguard]\nStartStopState[$i]=Off\n");
  QtSettingsBackend settings;
  EXPECT_EQ(settings.read(Application, Section, "StartStopState"), "Off");
  EXPECT_TRUE(settings.locked(Application, Section, "StartStopState"));
  const std::string before = UserFileText();
  ASSERT_NE(before.find("StartStopState=On"), std::string::npos) << before;
  settings.write(Application, Section, "StartStopState", "Off");
  EXPECT_EQ(UserFileText(), before);
  EXPECT_EQ(ReadInOther("StartStopState"), "Off");
}

int RunAsOtherProcess(int argc, char** argv) {
  QtSettingsBackend settings;
  if (argc == 3 && std::strcmp(argv[1], "--read") == 0) {
    std::cout << settings.read(Application, Section, argv[2]).value_or("<absent>");
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
    settings.write(Application, Section, argv[2], argv[3]);
    return 0;
  }
  return 2;
}

// A private configuration folder for this run, inherited by the other process.
std::filesystem::path MakeConfigHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tg-qtcore-XXXXXX").string();
  std::filesystem::path home = ::mkdtemp(pattern.data());
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  return home / "config";
}

}  // namespace
}  // namespace tg

int main(int argc, char** argv) {
  if (argc > 1 && std::strncmp(argv[1], "--read", 6) == 0) return tg::RunAsOtherProcess(argc, argv);
  if (argc > 1 && std::strncmp(argv[1], "--write", 7) == 0) {
    return tg::RunAsOtherProcess(argc, argv);
  }
  tg::SelfPath = std::filesystem::canonical("/proc/self/exe").string();
  tg::ConfigHome = tg::MakeConfigHome();
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = tg::testing::StatusShowingSkips(RUN_ALL_TESTS());
  std::filesystem::remove_all(tg::ConfigHome.parent_path());
  return result;
}

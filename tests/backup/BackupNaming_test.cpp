#include "backup/BackupNaming.h"

#include <gtest/gtest.h>

#include <vector>

#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

constexpr LocalDateTime SixthOfDecember{2026, 12, 6, 13, 58, 16};
constexpr SuffixOptions Plain{false, true, false};
constexpr SuffixOptions NewFile{true, true, false};
constexpr SuffixOptions Overwrite{true, false, true};

class Naming : public ::testing::Test {
 protected:
  BackupTarget SameFolder(std::string location, PathStyle style, SuffixOptions suffix = Plain) {
    return ComputeBackupTarget({std::move(location), true, "", suffix}, style, when, us);
  }
  BackupTarget Chosen(std::string location, std::string folder, PathStyle style,
                      SuffixOptions suffix = Plain) {
    return ComputeBackupTarget({std::move(location), false, std::move(folder), suffix}, style, when,
                               us);
  }
  UnitedStatesRegionalSettings us;
  LocalDateTime when = SixthOfDecember;
};

// --- Windows path style: the rules exactly as the program has always applied them ---

TEST_F(Naming, WindowsSameFolderPlainName) {
  BackupTarget t = SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows);
  EXPECT_EQ(t.localPath, "C:\\Data\\Budget.ods");
  EXPECT_EQ(t.fileName.shown, "Budget.ods");
  EXPECT_EQ(t.extension.shown, ".ods");
  EXPECT_EQ(t.folder.shown, "C:\\Data\\");
  EXPECT_EQ(t.backupPath.shown, "C:\\Data\\Budget Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///C:/Data/Budget Backup.ods");
}

TEST_F(Naming, WindowsChosenFolderWithClosingSeparatorIsTidied) {
  EXPECT_EQ(JoinBackupPath("D:\\Safe\\", "Budget.ods", PathStyle::Windows),
            "D:\\Safe\\\\Budget.ods");
  EXPECT_EQ(Chosen("file:///C:/Data/Budget.ods", "D:\\Safe\\", PathStyle::Windows).backupPath.shown,
            "D:\\Safe\\Budget Backup.ods");
}

TEST_F(Naming, WindowsNetworkFolderKeepsItsLeadingPair) {
  BackupTarget t =
      Chosen("file:///C:/Data/Budget.ods", "\\\\server\\share\\Backups", PathStyle::Windows);
  EXPECT_EQ(t.backupPath.shown, "\\\\server\\share\\Backups\\Budget Backup.ods");
  EXPECT_EQ(t.backupUrl, "file://///server/share/Backups/Budget Backup.ods");
}

TEST_F(Naming, WindowsEscapesStayEscapedAndBlanksStayRaw) {
  BackupTarget t = SameFolder("file:///C:/My%20Data/Q1.ods", PathStyle::Windows);
  EXPECT_EQ(t.localPath, "C:\\My%20Data\\Q1.ods");
  EXPECT_EQ(t.backupPath.shown, "C:\\My%20Data\\Q1 Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///C:/My%20Data/Q1 Backup.ods");
}

TEST_F(Naming, ExtensionIsAfterTheLastDotOfTheFileNameOnly) {
  BackupTarget t = SameFolder("file:///C:/Data/Q1.2026.ods", PathStyle::Windows);
  EXPECT_EQ(t.extension.shown, ".ods");
  EXPECT_EQ(t.backupPath.shown, "C:\\Data\\Q1.2026 Backup.ods");
  EXPECT_EQ(SameFolder("file:///C:/Data/Budget", PathStyle::Windows).backupPath.shown,
            "C:\\Data\\Budget Backup");
  // A dot in a folder name is no extension.
  EXPECT_EQ(SameFolder("file:///C:/Data.v2/Budget", PathStyle::Windows).backupPath.shown,
            "C:\\Data.v2\\Budget Backup");
  EXPECT_EQ(SameFolder("file:///C:/Data/BUDGET.ODS", PathStyle::Windows).backupPath.shown,
            "C:\\Data\\BUDGET Backup.ODS");
}

TEST_F(Naming, StampForms) {
  EXPECT_EQ(SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows, NewFile).backupPath.shown,
            "C:\\Data\\Budget Date December.6.2026 Time 01.58.16.PM.ods");
  EXPECT_EQ(
      SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows, Overwrite).backupPath.shown,
      "C:\\Data\\Budget December.6.2026.ods");
  // "Create new file" wins when both are somehow selected; neither gives no name at all.
  EXPECT_EQ(SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows, {true, true, true})
                .backupPath.shown,
            "C:\\Data\\Budget Date December.6.2026 Time 01.58.16.PM.ods");
  EXPECT_EQ(SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows, {true, false, false})
                .backupPath.shown,
            "");
  // Without the stamp the options do not matter.
  EXPECT_EQ(SameFolder("file:///C:/Data/Budget.ods", PathStyle::Windows, {false, false, true})
                .backupPath.shown,
            "C:\\Data\\Budget Backup.ods");
}

TEST_F(Naming, TimeStampUsesTwelveHourClockWithTwoDigits) {
  EXPECT_EQ(FormatStampTime({2026, 1, 2, 0, 5, 9}, us), "12.05.09.AM");
  EXPECT_EQ(FormatStampTime({2026, 1, 2, 12, 0, 0}, us), "12.00.00.PM");
  EXPECT_EQ(FormatStampTime({2026, 1, 2, 23, 59, 59}, us), "11.59.59.PM");
  EXPECT_EQ(FormatStampDate({2026, 1, 2, 0, 0, 0}, us), "January.2.2026");
}

TEST_F(Naming, LocaleWithoutDesignatorEndsTheTimeInAFullStop) {
  us.am = "";
  us.pm = "";
  EXPECT_EQ(FormatStampTime(SixthOfDecember, us), "01.58.16.");
}

TEST_F(Naming, OverwriteStampChangesWithTheDateNotTheTime) {
  when = {2026, 12, 6, 23, 59, 59};
  std::string late =
      SameFolder("file:///C:/D/B.ods", PathStyle::Windows, Overwrite).backupPath.shown;
  when = {2026, 12, 7, 0, 0, 30};
  std::string early =
      SameFolder("file:///C:/D/B.ods", PathStyle::Windows, Overwrite).backupPath.shown;
  EXPECT_EQ(late, "C:\\D\\B December.6.2026.ods");
  EXPECT_EQ(early, "C:\\D\\B December.7.2026.ods");
}

TEST_F(Naming, WindowsNetworkLocationInSameFolderModePointsNowhere) {
  BackupTarget t = SameFolder("file://server/share/Budget.ods", PathStyle::Windows);
  EXPECT_EQ(t.localPath, "file:\\\\server\\share\\Budget.ods");
  EXPECT_EQ(t.backupPath.shown, "file:\\server\\share\\Budget Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///file:/server/share/Budget Backup.ods");
  // In chosen-folder mode the copy lands in the chosen folder under the last component.
  EXPECT_EQ(
      Chosen("file://server/share/Budget.ods", "D:\\Safe", PathStyle::Windows).backupPath.shown,
      "D:\\Safe\\Budget Backup.ods");
}

TEST_F(Naming, WindowsEmptyChosenFolderStartsWithTwoSeparators) {
  EXPECT_EQ(Chosen("file:///C:/Data/Budget.ods", "", PathStyle::Windows).backupPath.shown,
            "\\\\Budget Backup.ods");
}

TEST(SeparatorTidying, AppliedTwice) {
  EXPECT_EQ(TidySeparators("C:\\a\\\\b", PathStyle::Windows), "C:\\a\\b");
  EXPECT_EQ(TidySeparators("C:\\a\\\\\\b", PathStyle::Windows), "C:\\a\\b");
  EXPECT_EQ(TidySeparators("C:\\a\\\\\\\\b", PathStyle::Windows), "C:\\a\\b");
  // Five in a row is more than two applications can fold.
  EXPECT_EQ(TidySeparators("C:\\a\\\\\\\\\\b", PathStyle::Windows), "C:\\a\\\\b");
  EXPECT_EQ(TidySeparators("\\\\\\\\\\server\\\\x", PathStyle::Windows), "\\\\server\\x");
  EXPECT_EQ(TidySeparators("\\x", PathStyle::Windows), "\\\\x");
  EXPECT_EQ(TidySeparators("", PathStyle::Windows), "");
  EXPECT_EQ(TidySeparators("\\\\\\", PathStyle::Windows), "\\\\");
}

// --- Posix path style: what the Linux program uses ---

TEST_F(Naming, PosixSameFolderPlainName) {
  BackupTarget t = SameFolder("file:///home/u/Data/Budget.ods", PathStyle::Posix);
  EXPECT_EQ(t.localPath, "/home/u/Data/Budget.ods");
  EXPECT_EQ(t.folder.shown, "/home/u/Data/");
  EXPECT_EQ(t.backupPath.shown, "/home/u/Data/Budget Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///home/u/Data/Budget Backup.ods");
}

TEST_F(Naming, PosixChosenFolderForms) {
  EXPECT_EQ(Chosen("file:///home/u/Budget.ods", "/srv/safe/", PathStyle::Posix).backupPath.shown,
            "/srv/safe/Budget Backup.ods");
  EXPECT_EQ(
      Chosen("file:///home/u/Budget.ods", "/srv/safe", PathStyle::Posix, NewFile).backupPath.shown,
      "/srv/safe/Budget Date December.6.2026 Time 01.58.16.PM.ods");
  // No network form on Posix: a leading run folds like any other.
  EXPECT_EQ(Chosen("file:///home/u/Budget.ods", "//srv///safe", PathStyle::Posix).backupPath.shown,
            "/srv/safe/Budget Backup.ods");
  EXPECT_EQ(TidySeparators("/a//b///c////d", PathStyle::Posix), "/a/b/c/d");
}

TEST_F(Naming, PosixEscapesStayEscaped) {
  BackupTarget t = SameFolder("file:///home/u/My%20Data/Q1.ods", PathStyle::Posix);
  EXPECT_EQ(t.backupPath.shown, "/home/u/My%20Data/Q1 Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///home/u/My%20Data/Q1 Backup.ods");
}

TEST_F(Naming, PosixNonFileLocationsPassThrough) {
  BackupTarget t = SameFolder("https://host/a/Budget.ods", PathStyle::Posix);
  EXPECT_EQ(t.localPath, "https://host/a/Budget.ods");
  EXPECT_EQ(t.backupUrl, "file://https:/host/a/Budget Backup.ods");
  EXPECT_EQ(
      Chosen("file://server/share/Budget.ods", "/srv/safe", PathStyle::Posix).backupPath.shown,
      "/srv/safe/Budget Backup.ods");
}

TEST_F(Naming, HashInAFolderBecomesAnEscapeInTheUrlOnly) {
  // A raw "#" would start a fragment: the suite would write "/srv/c" instead.
  BackupTarget t = Chosen("file:///home/u/Budget.ods", "/srv/c#d", PathStyle::Posix);
  EXPECT_EQ(t.backupPath.shown, "/srv/c#d/Budget Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///srv/c%23d/Budget Backup.ods");
  EXPECT_EQ(Chosen("file:///C:/a.ods", "D:\\x#1", PathStyle::Windows).backupUrl,
            "file:///D:/x%231/a Backup.ods");
}

// The office decodes "%41" in a URL: a typed "x%41y" unescaped would send the copies to "xAy",
// beside the folder that was checked and created. Every typed character reaches the disk as typed.
TEST_F(Naming, EveryCharacterOfATypedFolderReachesTheDiskAsTyped) {
  BackupTarget t = Chosen("file:///home/u/My%20Data/a.ods", "/srv/x%41y 100%?\n", PathStyle::Posix);
  EXPECT_EQ(t.backupPath.shown, "/srv/x%41y 100%?\n/a Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///srv/x%2541y 100%25%3F%0A/a Backup.ods");
  EXPECT_EQ(t.backupPath.onDisk, "/srv/x%41y 100%?\n/a Backup.ods");
  EXPECT_EQ(DecodeUrlEscapes(t.backupUrl.substr(7)), t.backupPath.onDisk);
  // The office's own escapes name the file it reported: "%20" is a blank on disk.
  EXPECT_EQ(SameFolder("file:///home/u/My%20Data/a.ods", PathStyle::Posix).backupPath.onDisk,
            "/home/u/My Data/a Backup.ods");
}

TEST_F(Naming, NeverStoredDocumentIsNamedAfterItsTitleInThePickedFolder) {
  BackupTarget t =
      ComputeBackupTarget({"", true, "/srv/100%", Plain, "Q1/Q2 #1"}, PathStyle::Posix, when, us);
  EXPECT_EQ(t.localPath, "");
  EXPECT_EQ(t.fileName.shown, "Q1_Q2 #1.ods");
  EXPECT_EQ(t.extension.shown, ".ods");
  EXPECT_EQ(t.backupPath.shown, "/srv/100%/Q1_Q2 #1 Backup.ods");
  EXPECT_EQ(t.backupUrl, "file:///srv/100%25/Q1_Q2 %231 Backup.ods");
}

TEST_F(Naming, NonAsciiNamesAreKeptWhole) {
  BackupTarget t = SameFolder("file:///home/ü/Bücher.ods", PathStyle::Posix);
  EXPECT_EQ(t.backupPath.shown, "/home/ü/Bücher Backup.ods");
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(NamingBadInput, NoTextBreaksTheRules) {
  UnitedStatesRegionalSettings us;
  const std::vector<std::string> texts = {"",
                                          "/",
                                          "\\",
                                          std::string(500, '/'),
                                          std::string(500, '\\'),
                                          "file:///",
                                          "file://",
                                          std::string(10000, 'a'),
                                          "file:///" + std::string(10000, '/') + "x.ods",
                                          std::string(1000, '%'),
                                          "file:///%%%/%25%/a.ods",
                                          "file:///\xff\xfe/\xc3.ods",
                                          "....",
                                          "#"};
  for (PathStyle style : {PathStyle::Posix, PathStyle::Windows}) {
    for (const std::string& location : texts) {
      for (const std::string& folder : texts) {
        for (bool sameFolder : {true, false}) {
          BackupTarget t = ComputeBackupTarget({location, sameFolder, folder, {false, true, false}},
                                               style, {2026, 12, 6, 13, 58, 16}, us);
          ASSERT_EQ(t.backupUrl.find('#'), std::string::npos);
          ASSERT_NE(t.backupPath.shown, t.localPath);
          ASSERT_EQ(t.backupUrl.rfind("file://", 0), 0u);
        }
      }
    }
  }
  // Each application halves a run: four separators at most fold into one.
  EXPECT_EQ(TidySeparators(std::string(10000, '/'), PathStyle::Posix).size(), 2500u);
}

}  // namespace
}  // namespace tg

// The copies as the Versions window and --list-copies read them back from the history log and
// the record of kept copies.

#include "backup/CopyCatalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "backup/HistoryLog.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

std::string Line(std::string_view name, std::string_view path, LocalDateTime when) {
  return HistoryLine(name, path, when, UnitedStatesRegionalSettings()) + "\r\n";
}

std::vector<std::string> PathsOf(const CatalogueDocument& document) {
  std::vector<std::string> paths;
  for (const CatalogueCopy& copy : document.copies) paths.emplace_back(copy.path);
  return paths;
}

// Lines as the pass writes them: copies beside the document and in a chosen folder, a fixed
// " Backup" copy replaced by every pass, a removal, names holding " at " and an escaped blank,
// and the copy of an opened copy.
TEST(CopyCatalogue, DocumentsAndTheirCopiesAreReadBackNewestFirst) {
  const LocalDateTime day{2026, 12, 7, 9, 0, 0};
  auto at = [&](int minute) {
    LocalDateTime when = day;
    when.minute = minute;
    return when;
  };
  const std::string log =
      Line("Budget.ods", "/data/Budget Date December.7.2026 Time 09.01.00.AM.ods", at(1)) +
      Line("Look at me.ods", "/data/Look at me Backup.ods", at(2)) +
      Line("Budget.ods", "/safe/Budget Date December.7.2026 Time 09.03.00.AM.ods", at(3)) +
      "/data/Budget Date December.7.2026 Time 09.01.00.AM.ods removed (keeping the newest 1) at "
      "12/7/2026 9:04:00 AM\r\n" +
      Line("Look at me.ods", "/data/Look at me Backup.ods", at(5)) +
      Line("My%20Plan.ods", "/data/My%20Plan Backup.ods", at(6)) +
      Line("Budget Date December.7.2026 Time 09.03.00.AM.ods",
           "/safe/Budget Date December.7.2026 Time 09.03.00.AM Backup.ods", at(7));
  // Only the record knows that the copy in /safe/ is of /data/Budget.ods.
  const std::vector<RecordedCopy> record{{"file:///data/Budget.ods",
                                          {},
                                          "/safe/Budget Date December.7.2026 Time 09.03.00.AM.ods",
                                          false,
                                          false,
                                          std::nullopt}};
  const CopyCatalogue catalogue(log, record, PathStyle::Posix, UnitedStatesRegionalSettings());
  const std::vector<CatalogueDocument>& documents = catalogue.documents();

  ASSERT_EQ(documents.size(), 3u);  // the copy of a copy is no document of its own
  EXPECT_EQ(documents[0].name, "My Plan.ods");
  EXPECT_EQ(PathsOf(documents[0]), std::vector<std::string>{"/data/My Plan Backup.ods"});
  EXPECT_EQ(documents[1].name, "Look at me.ods");
  EXPECT_EQ(PathsOf(documents[1]), std::vector<std::string>{"/data/Look at me Backup.ods"});
  EXPECT_EQ(documents[1].newest().time, at(5));  // the replaced file, as its last line tells
  EXPECT_EQ(documents[2].name, "Budget.ods");
  EXPECT_EQ(documents[2].folder, "/data/");
  EXPECT_EQ(PathsOf(documents[2]),
            (std::vector<std::string>{"/safe/Budget Date December.7.2026 Time 09.03.00.AM.ods",
                                      "/data/Budget Date December.7.2026 Time 09.01.00.AM.ods"}));
  EXPECT_EQ(MadeAt(documents[2].newest(), UnitedStatesRegionalSettings()), "12/7/2026 9:03:00 AM");

  EXPECT_TRUE(MatchesFilter(documents[2], "BUDG"));
  EXPECT_TRUE(MatchesFilter(documents[2], "/data/budget.ods"));
  EXPECT_FALSE(MatchesFilter(documents[2], "plan"));
}

// A copy made as its workbook closed is a copy like any other; its line only says when.
TEST(CopyCatalogue, ACopyMadeAtCloseIsListedWithItsOwnPath) {
  const std::string copy =
      "/home/ann/.local/share/Tallyguard/Unsaved workbooks/Untitled 1 "
      "Date December.7.2026 Time 09.05.00.AM.ods";
  const std::string log = ClosingHistoryLine("Untitled 1", copy, {2026, 12, 7, 9, 5, 0},
                                             UnitedStatesRegionalSettings()) +
                          "\r\n";
  const CopyCatalogue catalogue(log, {}, PathStyle::Posix, UnitedStatesRegionalSettings());
  ASSERT_EQ(catalogue.documents().size(), 1u);
  EXPECT_EQ(catalogue.documents()[0].name, "Untitled 1");
  EXPECT_EQ(PathsOf(catalogue.documents()[0]), std::vector<std::string>{copy});
  EXPECT_TRUE(IsLoggedCopy(log, copy));
}

// The time reads back under the settings that wrote it, whichever order they write the parts in.
class DayFirstClock : public UnitedStatesRegionalSettings {
 public:
  std::string shortDate(const LocalDateTime& when) const override {
    return std::to_string(when.day) + "." + std::to_string(when.month) + "." +
           std::to_string(when.year % 100);
  }
  std::string longTime(const LocalDateTime& when) const override {
    return std::to_string(when.hour) + ":" + std::to_string(when.minute) + ":" +
           std::to_string(when.second);
  }
};

TEST(CopyCatalogue, LoggedTimesReadBackUnderTheSettingsThatWroteThem) {
  const UnitedStatesRegionalSettings american;
  const DayFirstClock european;
  for (const LocalDateTime& when :
       {LocalDateTime{2026, 12, 7, 0, 0, 0}, LocalDateTime{2026, 1, 31, 0, 30, 5},
        LocalDateTime{2026, 7, 4, 12, 0, 1}, LocalDateTime{2026, 7, 4, 23, 59, 59}}) {
    EXPECT_EQ(ReadGeneralDate(GeneralDate(when, american), american), when);
    EXPECT_EQ(ReadGeneralDate(GeneralDate(when, european), european), when);
  }
  EXPECT_EQ(IsoDateTime({2026, 7, 4, 23, 5, 9}), "2026-07-04T23:05:09");
  EXPECT_EQ(ReadGeneralDate("yesterday", american), std::nullopt);
  EXPECT_EQ(ReadGeneralDate("13/45/2026", american), std::nullopt);
}

// The log spells a typed folder as it is and the office's part of a path escaped: a folder whose
// very name holds "%20" is found as well as one whose blank the office wrote as "%20".
TEST(CopyCatalogue, APercentInAPathIsReadAsTheFileOnDiskSpellsIt) {
  MemoryFileSystem files;
  files.files["/data/a%20b/Budget Date 1.ods"] = "typed folder";
  files.files["/data/My Data/Budget Date 2.ods"] = "the office's folder";
  const std::string log =
      Line("Budget.ods", "/data/a%20b/Budget Date 1.ods", {2026, 12, 7, 9, 0, 0}) +
      Line("Budget.ods", "/data/My%20Data/Budget Date 2.ods", {2026, 12, 7, 9, 1, 0});
  const CopyCatalogue catalogue(
      log, {}, PathStyle::Posix, UnitedStatesRegionalSettings(),
      [&files](const std::string& path) { return files.files.count(path) > 0; });
  std::set<std::string> paths;
  for (const CatalogueDocument& document : catalogue.documents()) {
    for (const CatalogueCopy& copy : document.copies) paths.emplace(copy.path);
  }
  EXPECT_EQ(paths, (std::set<std::string>{"/data/a%20b/Budget Date 1.ods",
                                          "/data/My Data/Budget Date 2.ods"}));
}

TEST(CopyCatalogue, TheScriptsListSaysWhatIsOnDiskNow) {
  MemoryFileSystem files;
  files.files["/data/Budget Date 2.ods"] = "12345";
  MemoryFileFacts facts(files);
  const std::string log = Line("Budget.ods", "/data/Budget Date 1.ods", {2026, 12, 7, 9, 0, 0}) +
                          Line("Budget.ods", "/data/Budget Date 2.ods", {2026, 12, 7, 9, 1, 0});
  const CopyCatalogue catalogue(log, {}, PathStyle::Posix, UnitedStatesRegionalSettings());
  const auto& documents = catalogue.documents();
  EXPECT_EQ(ListCopiesText(documents, "", facts, PathStyle::Posix),
            "/data/Budget.ods\t2026-12-07T09:01:00\t5\t/data/Budget Date 2.ods\tpresent\n"
            "/data/Budget.ods\t2026-12-07T09:00:00\t\t/data/Budget Date 1.ods\tgone\n");
  EXPECT_EQ(ListCopiesText(documents, "Stock", facts, PathStyle::Posix), "");

  // A tab or a backslash in a name never adds or splits a field.
  const RecordedCopy recorded{
      "file:///data/Q1%09Q2.ods", {}, "/data/a\\b Date 3.ods", false, false, std::nullopt};
  const CopyCatalogue odd(Line("Q1?Q2.ods", recorded.path, {2026, 12, 7, 9, 2, 0}), {recorded},
                          PathStyle::Posix, UnitedStatesRegionalSettings());
  EXPECT_EQ(ListCopiesText(odd.documents(), "", facts, PathStyle::Posix),
            "/data/Q1\\tQ2.ods\t2026-12-07T09:02:00\t\t/data/a\\\\b Date 3.ods\tgone\n");
}

}  // namespace
}  // namespace tg

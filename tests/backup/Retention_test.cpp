// The stored "Keep Copies" text as a count, the record of the copies, and which copies the rules
// keep.

#include "backup/Retention.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>

#include "memory/FixedClock.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"

namespace tg::testing {
namespace {

// Only a plain decimal number counts; anything else, a sign, a blank or a unit included, keeps
// every copy (0), since a count misread could only delete copies the user meant to keep.
TEST(KeepCountOf, IsAPlainDecimalNumberElseKeepAll) {
  const struct {
    const char* text;
    int count;
  } cases[] = {
      {"3", 3},    {"0", 0},   {"12", 12},  {"007", 7},         {"3x", 0},
      {"-2", 0},   {" 4", 0},  {"4 ", 0},   {"+4", 0},          {"", 0},
      {"0x10", 0}, {"2.5", 0}, {"four", 0}, {"99999999999", 0}, {"2147483647", 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(KeepCountOf(c.text), c.count) << '"' << c.text << '"';
}

// A record written before copies could be pinned reads as it did and is written back the same;
// the pin is one more mark in front of the others and comes back with everything else.
TEST(CopyRecord, APinReadsBackBeforeTheOtherMarksAndAnEarlierRecordReadsUnchanged) {
  const std::string earlier =
      "file:///data/Budget.ods\t10\t100\t/data/Budget 1.ods\n"
      "removing\tunsure\tfile:///data/Budget.ods\t11\t200\t/data/Budget 2.ods\n"
      "unsure\tsaved:5:50\tescaped\tfile:///data/Tab\\there.ods\t12\t300\t/data/Tab 3.ods\n";
  std::vector<RecordedCopy> copies = ParseCopyRecord(earlier);
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(copies[1].path, "/data/Budget 2.ods");
  EXPECT_TRUE(copies[1].removing && copies[1].unsure);
  EXPECT_EQ(copies[2].document, "file:///data/Tab\there.ods");
  EXPECT_EQ(copies[2].savedFile, (FileStamp{5, 50}));
  for (const RecordedCopy& copy : copies) EXPECT_FALSE(copy.pinned) << copy.path;
  EXPECT_EQ(FormatCopyRecord(copies), earlier);

  for (RecordedCopy& copy : copies) copy.pinned = true;
  const std::string pinned = FormatCopyRecord(copies);
  EXPECT_EQ(pinned,
            "pinned\tfile:///data/Budget.ods\t10\t100\t/data/Budget 1.ods\n"
            "pinned\tremoving\tunsure\tfile:///data/Budget.ods\t11\t200\t/data/Budget 2.ods\n"
            "pinned\tunsure\tsaved:5:50\tescaped\tfile:///data/Tab\\there.ods\t12\t300\t"
            "/data/Tab 3.ods\n");
  EXPECT_EQ(ParseCopyRecord(pinned), copies);
}

// A year of work on one workbook: a copy every 10 minutes from 8:00 to 16:50 on every working
// day, from Monday 6 January 2025 to Wednesday 7 January 2026 at 12:05, in a time zone five hours
// behind UTC; one Sunday morning worked, and only the mornings of the Monday and Tuesday 30 days
// back. A few copies are not known to differ from the one before; the last two days' all are
// not. Three are pinned, one is open in the office, one was edited by the user, and another
// workbook's copies lie in the same folder. What stays is worked out from the simulation's own
// calendar: day 0 is a Monday, so day d lies in week d / 7.
TEST(ThinningByAge, AYearOfCopiesKeepsTheLastDayEveryDayOfAMonthAndEveryWeekBefore) {
  constexpr int Slots = 54;                    // 8:00, 8:10, ..., 16:50
  constexpr std::int64_t Monday = 1736121600;  // 2025-01-06 00:00 as UTC counts it
  constexpr int NowDay = 366;
  constexpr int NowMinute = 12 * 60 + 5;
  const auto minuteOf = [](int slot) { return 8 * 60 + 10 * slot; };
  const auto worked = [&](int day, int slot) {
    if (day == NowDay) return minuteOf(slot) <= NowMinute;
    if (day == 336 || day == 337) return minuteOf(slot) <= 12 * 60;
    if (day == 13) return slot < 6;  // a Sunday, the last day of its week
    return day % 7 < 5;
  };
  MemoryFileSystem files;
  MemoryFileFacts facts{files};
  FixedClock clock({2026, 1, 7, 12, 5, 0});
  clock.utcOffset = -std::chrono::hours(5);
  const std::string budget = "file:///data/Budget.ods";
  const auto made = [&](const std::string& document, const std::string& path, int day, int minute) {
    files.files[path] = path;
    facts.modifiedAt[path] =
        (Monday + day * 86400LL + minute * 60LL + 5 * 3600LL) * 1'000'000'000LL;
    return RecordedCopy{document, *facts.stampOf(path), path, false, false, std::nullopt};
  };
  const auto nameOf = [](int day, int slot) {
    return "/copies/Budget " + std::to_string(day) + "-" + std::to_string(slot) + ".ods";
  };
  const std::set<std::string> pinned = {nameOf(10, 8), nameOf(340, 0), nameOf(365, 0)};
  const std::string open = nameOf(100, 1);
  const std::string edited = nameOf(200, 0);
  std::vector<RecordedCopy> year;
  std::map<int, int> lastSlotOfDay;
  std::map<int, std::pair<int, int>> lastOfWeek;
  for (int day = 0; day <= NowDay; ++day) {
    if (!worked(day, 0)) continue;
    year.push_back(made("file:///data/Stock.ods", "/copies/Stock " + std::to_string(day) + ".ods",
                        day, 7 * 60));
    for (int slot = 0; slot < Slots && worked(day, slot); ++slot) {
      RecordedCopy copy = made(budget, nameOf(day, slot), day, minuteOf(slot));
      copy.unsure = slot % 9 == 4 || day >= 365;
      copy.pinned = pinned.count(copy.path) > 0;
      year.push_back(std::move(copy));
      lastSlotOfDay[day] = slot;
      lastOfWeek[day / 7] = {day, slot};
    }
  }
  files.files[edited] = "the user's own edit";

  // Age in minutes on the local clock; the newest copy, 12:00 today, is under a day old.
  const auto keptByAge = [&](int day, int slot) {
    const int age = (NowDay - day) * 1440 + NowMinute - minuteOf(slot);
    if (age < 1440) return true;
    if (age < 30 * 1440) return lastSlotOfDay[day] == slot;
    return lastOfWeek[day / 7] == std::pair(day, slot);
  };
  for (const int keep : {0, 2}) {
    SCOPED_TRACE(keep);
    std::vector<RecordedCopy> record = year;
    const PruneRules rules{facts, PathStyle::Posix,
                           [&](const std::string& path) { return path == open; }, &clock};
    const std::vector<RecordedCopy> removed = PruneCopies(record, budget, "/copies/", keep, rules);

    std::vector<RecordedCopy> stays;
    std::set<std::string> goes;
    size_t budgetStays = 0;
    for (const RecordedCopy& copy : year) {
      if (copy.document != budget) {
        stays.push_back(copy);
        continue;
      }
      int day = 0, slot = 0;
      ASSERT_EQ(std::sscanf(copy.path.c_str(), "/copies/Budget %d-%d.ods", &day, &slot), 2);
      if (copy.path == edited) continue;  // no longer the copy made: out of the record, on disk
      // Keep Copies 2 keeps the newest two and the newest copy of the version before them: the
      // last two days are one version begun by Monday's 16:50, so Monday's 16:40 as well.
      const bool keptByCount = keep == 2 && day == 364 && slot == Slots - 2;
      if (keptByAge(day, slot) || keptByCount || copy.pinned || copy.path == open) {
        stays.push_back(copy);
        ++budgetStays;
      } else {
        goes.insert(copy.path);
      }
    }
    EXPECT_EQ(record, stays);
    std::set<std::string> removedPaths;
    for (const RecordedCopy& copy : removed) removedPaths.insert(copy.path);
    EXPECT_EQ(removedPaths.size(), removed.size());
    EXPECT_EQ(removedPaths, goes);
    // A year's history in little more than a hundred of some 14000 copies.
    EXPECT_LT(budgetStays, 150u);
    EXPECT_GT(goes.size(), 13000u);
  }
}

}  // namespace
}  // namespace tg::testing

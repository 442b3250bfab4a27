#include "adapters/posix/LocaleRegionalSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::TempFolder;

TEST(LocaleRegionalSettings, ReadsTheCLibrarysTimeData) {
  LocaleRegionalSettings c("C");
  EXPECT_EQ(c.monthName(12), "December");
  EXPECT_EQ(c.monthName(1), "January");
  EXPECT_EQ(c.amDesignator(), "AM");
  EXPECT_EQ(c.pmDesignator(), "PM");
  EXPECT_EQ(c.shortDate({2026, 12, 6, 14, 0, 40}), "12/06/26");
  EXPECT_EQ(c.longTime({2026, 12, 6, 14, 0, 40}), "14:00:40");
  EXPECT_EQ(c.monthName(13), "");
}

// Compiles the German locale into a private folder: real locale data without AM/PM designators.
TEST(LocaleRegionalSettings, GermanLocaleHasItsOwnMonthsAndNoDesignators) {
  TempFolder folder;
  std::string command =
      "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8") + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "locale sources not installed";
  ::setenv("LOCPATH", folder.path().c_str(), 1);
  LocaleRegionalSettings german("de_DE.UTF-8");
  ::unsetenv("LOCPATH");
  EXPECT_EQ(german.monthName(12), "Dezember");
  EXPECT_EQ(german.monthName(3), "M\xc3\xa4rz");
  EXPECT_EQ(german.amDesignator(), "");
  EXPECT_EQ(german.shortDate({2026, 12, 6, 14, 0, 40}), "06.12.2026");
  EXPECT_EQ(german.longTime({2026, 12, 6, 14, 0, 40}), "14:00:40");
}

TEST(LocaleRegionalSettings, UnknownLocaleFallsBackInsteadOfFailing) {
  LocaleRegionalSettings unknown("xx_NOWHERE.UTF-8");
  EXPECT_EQ(unknown.monthName(6), "June");
}

}  // namespace
}  // namespace tg

// The administrator's file as KDE writes it: "[$i]" locks, and is never part of a name.

#include "common/SystemSettingsFile.h"

#include <gtest/gtest.h>

namespace tg {
namespace {

std::string Describe(std::string_view fileText, std::string_view group = "Tallyguard") {
  std::string described;
  for (const auto& [key, value] : ReadSystemSettings(fileText, group)) {
    described += key + "=" + value.text + (value.locked ? " (locked)" : "") + ";";
  }
  return described;
}

TEST(SystemSettingsFile, AKeyMarkedImmutableIsLockedAndTheOthersAreDefaults) {
  EXPECT_EQ(Describe("# set by IT\n"
                     "[Tallyguard]\n"
                     "Path[$i]=/srv/backups\n"
                     "  Keep Copies = 5 \n"
                     "Include%20Date[$ie]=Off\n"
                     "[Other]\n"
                     "OftenIndex[$i]=7\n"),
            "Include Date=Off (locked);Keep Copies=5;Path=/srv/backups (locked);");
  // A lock is not undone later in the file; a default is replaced.
  EXPECT_EQ(Describe("[Tallyguard]\nPath[$i]=/first\nPath=/second\nWhereOption=1\nWhereOption=2\n"),
            "Path=/first (locked);WhereOption=2;");
}

TEST(SystemSettingsFile, AGroupMarkedImmutableLocksEveryKeyInIt) {
  EXPECT_EQ(Describe("[Tallyguard][$i]\nPath=/srv/a\nWhereOption=1\n"
                     "[Other]\nMinimized=On\n"
                     "[Tallyguard]\nOftenIndex=4\n"),
            "OftenIndex=4;Path=/srv/a (locked);WhereOption=1 (locked);");
  EXPECT_EQ(Describe("[$i]\n[Tallyguard]\nPath=/srv/b\n"), "Path=/srv/b (locked);");
  // A mark that is not "i" locks nothing; nor does a mark after the first group.
  EXPECT_EQ(Describe("[Tallyguard][$e]\nPath=/srv/c\n[$i]\nMinimized=On\n"), "Path=/srv/c;");
}

TEST(SystemSettingsFile, BadLinesAreSkippedAndNeverMisplaceAKey) {
  EXPECT_EQ(Describe("[Tallyguard]\n"
                     "no equals sign here\n"
                     "=no name\n"
                     "Path[de]=/übersetzt\n"
                     "Path[$i=/unclosed\n"
                     "Keep Copies=3\n"
                     "[Tallyguard\n"  // a header that does not close: its keys belong nowhere
                     "Minimized=On\n"
                     "[Tallyguard]trailing\n"
                     "StartStopState=Off\n"
                     "[Tallyguard][Nested]\n"
                     "OftenIndex=2\n"
                     "[]\n"
                     "WhereOption=1\n"),
            "Keep Copies=3;");
}

TEST(SystemSettingsFile, QuotedAndEscapedValuesReadAsTheirText) {
  EXPECT_EQ(Describe("[Tallyguard]\r\nPath=\"  /srv/with \\\"quotes\\\"  \"\r\n"
                     "Versions Size=\\s12\\t34\\\\\r\n"
                     "Empty=\r\n"),
            "Empty=;Path=  /srv/with \"quotes\"  ;Versions Size= 12\t34\\;");
}

}  // namespace
}  // namespace tg

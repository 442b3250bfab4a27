// The stored "Keep Copies" text as a count.

#include "backup/Retention.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tg::testing

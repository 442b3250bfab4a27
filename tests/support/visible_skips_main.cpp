// The main of a test program that ctest runs whole: a skipped case makes the run a skipped test.
#include "support/VisibleSkips.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return tg::testing::StatusShowingSkips(RUN_ALL_TESTS());
}

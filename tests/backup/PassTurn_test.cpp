// One backup at a time: a pass that finds another running waits for it up to two minutes, by a
// clock of the test's own, never by the wall clock.

#include "backup/PassTurn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace tg::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// The turn is held by another pass until `releasedAt` (never, without one); each wait for it
// moves the test's clock on by as long as the wait lasted.
class TurnHeldElsewhere : public PrivateState {
 public:
  std::unique_ptr<Lock> lock(std::string_view, milliseconds wait) override {
    longestWait = std::max(longestWait, wait);
    if (!releasedAt || now + wait < *releasedAt) {
      now += wait;
      return nullptr;
    }
    now = std::max(now, *releasedAt);
    return std::make_unique<Lock>();
  }
  std::optional<std::string> read(std::string_view) override { return std::nullopt; }
  void replace(std::string_view, std::string_view) override {}

  std::optional<milliseconds> releasedAt;
  milliseconds now{0};
  milliseconds longestWait{0};
};

TEST(TakePassTurn, WaitsTwoMinutesForAnotherPassTellingEverySecondThenGivesUp) {
  struct Case {
    std::optional<milliseconds> releasedAt;
    bool turnTaken;
    milliseconds endsAt;
  };
  const Case cases[] = {
      {std::nullopt, false, seconds(120)},
      {seconds(125), false, seconds(120)},
      {milliseconds(119'500), true, milliseconds(119'500)},
      {seconds(3), true, seconds(3)},
      {seconds(0), true, seconds(0)},
  };
  for (const Case& c : cases) {
    TurnHeldElsewhere state;
    state.releasedAt = c.releasedAt;
    int told = 0;
    const auto turn = TakePassTurn(state, [&] { ++told; });
    const auto at = c.endsAt.count();
    EXPECT_EQ(turn != nullptr, c.turnTaken) << at;
    EXPECT_EQ(state.now, c.endsAt) << at;
    // Told about once a second while it waits: never before the first second has passed.
    EXPECT_EQ(told, static_cast<int>((c.endsAt - milliseconds(1)) / seconds(1))) << at;
    EXPECT_LE(state.longestWait, seconds(1)) << "each wait is short, so it can be told";
  }
}

}  // namespace
}  // namespace tg::testing

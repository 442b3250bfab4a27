// The window's hold on the change watch, over a watch process that answers as told.

#include "app/WatchKeeper.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "backup/PassProtocol.h"
#include "backup/WatchProtocol.h"
#include "memory/FixedClock.h"

namespace tg::testing {
namespace {

using namespace std::chrono_literals;

class WatchStandIn : public HelperProcess {
 public:
  void start(std::string_view log) override {
    ++starts;
    startedWith = log;
    running_ = true;
    lines.clear();
  }
  std::optional<std::string> takeLine() override {
    if (lines.empty()) return std::nullopt;
    std::string line = lines.front();
    lines.pop_front();
    return line;
  }
  void send(std::string_view line) override {
    sent = line;
    if (ParsePing(line) && answers) lines.push_back("pong");
  }
  bool running() const override { return running_; }
  void stop() override {
    ++stops;
    running_ = false;
  }
  std::uint64_t workDone() const override { return work; }

  bool answers = true;  // false: stopped, or stuck
  bool running_ = false;
  int starts = 0;
  int stops = 0;
  std::string startedWith;
  std::string sent;
  std::uint64_t work = 0;  // the watch's and the office's processor time
  std::deque<std::string> lines;
};

struct Told {
  std::string text;
  std::string title;
};

class KeepingTheWatch : public ::testing::Test {
 protected:
  // Ticks every period for `span`.
  void run(WatchKeeper::Time::duration span) {
    for (const auto end = now + span; now < end; now += WatchKeeper::Period) keeper.tick(now);
  }
  WatchStandIn watch;
  std::vector<Told> told;
  PassOptions options;
  FixedClock clock;
  WatchKeeper keeper{watch,
                     "/logs/Tallyguard.txt",
                     [this] { return options; },
                     [this](const std::string& text, const std::string& title) {
                       told.push_back({text, title});
                     },
                     clock,
                     60.0};
  WatchKeeper::Time::time_point now{};
};

// Answering, it is left alone however long it runs. Silent, it is ended within two seconds of its
// last answer (the office's waiting call returns then), and another is started at once.
TEST_F(KeepingTheWatch, AWatchThatStopsAnsweringIsEndedWithinTwoSecondsAndReplaced) {
  run(30s);
  EXPECT_EQ(watch.starts, 1);
  EXPECT_EQ(watch.stops, 0);
  EXPECT_EQ(watch.startedWith, "/logs/Tallyguard.txt");
  // Each heartbeat brings the options as they stand, a folder with a tab and a line end too.
  options.chosenFolder = true;
  options.sameFolder = false;
  options.folder = "/data/odd\tname\nhere";
  options.keep = 7;
  run(WatchKeeper::Period);
  EXPECT_EQ(ParsePing(watch.sent), std::optional<std::optional<PassOptions>>(options));

  watch.answers = false;
  const auto silentSince = now;
  while (watch.stops == 0 && now < silentSince + 10s) run(WatchKeeper::Period);
  EXPECT_EQ(watch.stops, 1);
  EXPECT_LE(now - silentSince, 2s);
  EXPECT_EQ(watch.starts, 2);
  EXPECT_EQ(keeper.ended(), 1);
  watch.answers = true;
  run(30s);
  EXPECT_EQ(watch.starts, 2);
}

// A watch that ended by itself (no office module, a crash) is started again, but not at every
// tick. What it reports reaches the user; its other lines do not.
TEST_F(KeepingTheWatch, AWatchThatEndedIsStartedAgainLaterAndItsReportsAreTold) {
  run(1s);
  watch.lines.push_back("watching");
  watch.lines.push_back(EncodePassMessage(
      {PassVerb::Message, {"The copy of Budget.ods failed.", "Application Error", "0", "1", ""}}));
  watch.lines.push_back("a line no one sends");
  run(1s);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].text, "The copy of Budget.ods failed.");
  EXPECT_EQ(told[0].title, "Application Error");

  watch.running_ = false;
  run(5s);
  EXPECT_EQ(watch.starts, 1);
  run(6s);
  EXPECT_EQ(watch.starts, 2);
  EXPECT_EQ(watch.stops, 0);
}

// A copy made as a document closes holds the office: while the office or the watch works it runs
// as long as it takes; when neither does for the pass's bound, the watch is ended, the office's
// close goes on, and the user is told in one sentence.
TEST_F(KeepingTheWatch, ACopyAtCloseThatMakesNoProgressIsEndedAfterThePassesBound) {
  run(1s);
  watch.lines.push_back("closing");
  for (int minute = 0; minute < 5; ++minute) {
    watch.work += 100;  // a big workbook, stored slowly
    clock.advance(59);
    run(WatchKeeper::Period);
  }
  watch.lines.push_back("closed");
  clock.advance(120);
  run(1s);
  EXPECT_EQ(watch.stops, 0);
  EXPECT_TRUE(told.empty());

  watch.lines.push_back("closing");
  run(WatchKeeper::Period);
  clock.advance(61);  // nothing done by either
  run(WatchKeeper::Period);
  EXPECT_EQ(watch.stops, 1);
  EXPECT_EQ(watch.starts, 2);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].text, ClosingCopyGivenUp);
}

}  // namespace
}  // namespace tg::testing

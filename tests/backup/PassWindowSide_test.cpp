// The pass across the helper's line: the window's side against a scripted helper, the helper's
// side against the in-memory office, and the line format between them.

#include "backup/PassWindowSide.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "CalcTestDoubles.h"
#include "backup/CopyKeeping.h"
#include "backup/PassHelperSide.h"
#include "backup/PassProtocol.h"
#include "common/Descriptions.h"

namespace tg::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A helper that says what the test queued, records the window's answers and can be made to end,
// hang or keep working.
class ScriptedHelper : public HelperProcess {
 public:
  void start(std::string_view historyLogPath) override {
    startedWith = historyLogPath;
    alive = true;
  }
  std::optional<std::string> takeLine() override {
    if (lines.empty()) return std::nullopt;
    std::string line = lines.front();
    lines.pop_front();
    return line;
  }
  void send(std::string_view line) override {
    answers.emplace_back(line);
    if (onAnswer) onAnswer();
  }
  bool running() const override { return alive; }
  void stop() override {
    ++stops;
    alive = false;
  }
  std::uint64_t workDone() const override { return work; }

  void say(PassVerb verb, std::vector<std::string> fields = {}) {
    lines.push_back(EncodePassMessage({verb, std::move(fields)}));
  }

  std::deque<std::string> lines;
  std::vector<std::string> answers;
  std::function<void()> onAnswer;
  std::string startedWith;
  bool alive = false;
  int stops = 0;
  std::uint64_t work = 0;
};

class WindowSide : public ::testing::Test, public OptionPanel {
 protected:
  void run(double hangSeconds = OfficeHangSeconds) {
    RunPassInHelper(
        WindowSideContext{helper, passOptions(), dialogs, loop, clock, log, hangSeconds, notices});
  }
  std::string answer(std::string text) {
    return EncodePassMessage({PassVerb::Answer, {std::move(text)}});
  }
  bool reportSays(std::string_view description, int line) const {
    return dialogs.messages.size() == 1 && dialogs.messages[0].title == "Application Error" &&
           dialogs.messages[0].text.find(description) == 0 &&
           dialogs.messages[0].text.find("SaveAll at line " + std::to_string(line)) !=
               std::string::npos;
  }

  ScriptedHelper helper;
  PassNotices* notices = nullptr;
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  FixedClock clock;
  std::string log = "/logs/Tallyguard.txt";
};

TEST_F(WindowSide, AsksAreAnsweredFromTheLiveControlsAndTheDialogs) {
  Text1.setText("/safe/with\ttab");
  helper.say(PassVerb::Options);
  helper.say(PassVerb::Prompt, {" is unsaved. Please select location:"});
  helper.say(PassVerb::Message,
             {"It failed.\r\nin x at line 182\r\r", "Application Error", "0", "1", "a.ods"});
  helper.say(PassVerb::Store, {"/safe/a.ods", "a.ods"});
  helper.say(PassVerb::Copy, {"/safe/a.ods"});
  helper.say(PassVerb::Done);
  dialogs.folderAnswers = {"/picked"};
  // The user turns the same-folder option off while the pass waits for the prompt.
  dialogs.whileOpen = [this] { Option2.setSelected(false); };
  helper.onAnswer = [this] {
    if (helper.answers.size() == 2) helper.say(PassVerb::Options);
  };

  run();

  EXPECT_EQ(helper.startedWith, log);
  PassOptions before{.folder = "/safe/with\ttab"};
  PassOptions after = before;
  after.sameFolder = false;
  EXPECT_THAT(helper.answers, ElementsAre(answer(EncodePassOptions(before)), answer("/picked"),
                                          answer("ok"), answer(EncodePassOptions(after))));
  EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "It failed.\r\nin x at line 182\r\r");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(helper.stops, 0);
}

TEST_F(WindowSide, AGarbledOrTruncatedLineIsOneReportAndTheHelperIsEnded) {
  for (const std::string& bad :
       {std::string("copy"), std::string("message\tonly\ttwo"), std::string("options\tOption2"),
        std::string("store\t/a%2\ta.ods"), std::string("store\t/a.ods"), std::string("hello"),
        std::string("message\ta\tb\t7\t0\ta.ods"), std::string("message\ta\tb\t0\t0")}) {
    SCOPED_TRACE(bad);
    helper = ScriptedHelper();
    dialogs.messages.clear();
    helper.say(PassVerb::Store, {"/safe/a.ods", "a.ods"});
    helper.lines.push_back(bad);
    helper.say(PassVerb::Done);
    run();
    EXPECT_TRUE(reportSays(Descriptions::HelperGarbled, 182)) << dialogs.messages.size();
    EXPECT_EQ(helper.stops, 1);
    EXPECT_TRUE(helper.answers.empty());
  }
}

TEST_F(WindowSide, AHelperThatEndsBeforeDoneIsReported) {
  helper.say(PassVerb::Copy, {"/safe/a.ods"});
  loop.onYield = [this] { helper.alive = false; };
  run();
  EXPECT_TRUE(reportSays(Descriptions::HelperEndedEarly, 184));
}

// A stopped office: no line, no processor time anywhere. The window keeps running its messages
// and gives up after the bound, once.
TEST_F(WindowSide, AnOfficeWithoutProgressIsGivenUpAfterTheBound) {
  loop.onYield = [this] { clock.advance(0.25); };
  run(60);
  EXPECT_TRUE(reportSays(Descriptions::OfficeNotResponding, 100));
  EXPECT_EQ(helper.stops, 1);
  EXPECT_GE(clock.secondsSinceStart(), 60);
  EXPECT_LT(clock.secondsSinceStart(), 61);
  EXPECT_GE(loop.yields, 240);
}

// A watch's report names the document whose store it cut short, and none once that copy is
// complete: the pass may be at the next one, which no line named yet.
TEST_F(WindowSide, AReportOfTheWatchIsAboutTheDocumentBeingStoredAndNoneAfterItsCopy) {
  struct Visits : PassNotices {
    void storing(std::string_view) override {}
    void stored(std::string_view) override {}
    void officeNotRunning(std::string_view) override {}
    void waiting() override {}
    void copied(const std::string&) override {}
    void skipped(const std::string&, const std::string&) override {}
    void visiting(std::string_view fileName) override { at = std::string(fileName); }
    std::string at = "(never told)";
  } visits;
  notices = &visits;
  loop.onYield = [this] { clock.advance(0.25); };
  helper.say(PassVerb::Store, {"/safe/big.ods", "big.ods"});
  run(60);
  EXPECT_TRUE(reportSays(Descriptions::OfficeNotResponding, 182));
  EXPECT_EQ(visits.at, "big.ods");

  helper = ScriptedHelper();
  dialogs.messages.clear();
  helper.say(PassVerb::Store, {"/safe/big.ods", "big.ods"});
  helper.say(PassVerb::Copy, {"/safe/big.ods"});
  run(60);
  EXPECT_TRUE(reportSays(Descriptions::OfficeNotResponding, 184));
  EXPECT_EQ(visits.at, "");
}

// A slow store of a big workbook keeps the office busy: never cut off, however long it takes.
TEST_F(WindowSide, AnOfficeThatKeepsWorkingIsNeverCutOff) {
  helper.say(PassVerb::Store, {"/safe/big.ods", "big.ods"});
  loop.onYield = [this] {
    clock.advance(1);
    ++helper.work;
    if (clock.secondsSinceStart() > 600) helper.say(PassVerb::Done);
  };
  run(60);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(helper.stops, 0);
}

// The time the user spends in the folder prompt is not the office's.
TEST_F(WindowSide, TimeInADialogDoesNotCountAgainstTheOffice) {
  helper.say(PassVerb::Prompt, {" is unsaved. Please select location:"});
  dialogs.whileOpen = [this] { clock.advance(300); };
  loop.onYield = [this] {
    clock.advance(1);
    if (clock.secondsSinceStart() > 330) helper.say(PassVerb::Done);
  };
  run(60);
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

// A command line prints what the helper tells; a window, which has no notices, shows the folders
// that were too full once, after the pass.
TEST_F(WindowSide, WhatTheHelperTellsReachesTheNoticesElseTheFullFoldersAreShownOnce) {
  struct Told : PassNotices {
    void storing(std::string_view path) override { said.push_back("storing " + std::string(path)); }
    void stored(std::string_view path) override { said.push_back("stored " + std::string(path)); }
    void officeNotRunning(std::string_view why) override { said.push_back(std::string(why)); }
    void waiting() override { said.push_back("waiting"); }
    void copied(const std::string& line) override { said.push_back(line); }
    void skipped(const std::string& file, const std::string& folder) override {
      said.push_back(file + " in " + folder);
    }
    std::vector<std::string> said;
  };
  auto script = [this] {
    helper = ScriptedHelper();
    helper.say(PassVerb::Wait);
    helper.say(PassVerb::Skipped, {"a.ods", "/full/"});
    helper.say(PassVerb::Store, {"/safe/b.ods", "b.ods"});
    helper.say(PassVerb::Copy, {"/safe/b.ods"});
    helper.say(PassVerb::Logged, {"b.ods was backup saved as /safe/b.ods at 1"});
    helper.say(PassVerb::Skipped, {"c.ods", "/full/"});
    helper.say(PassVerb::NoOffice, {"none"});
    helper.say(PassVerb::Done);
  };
  Told told;
  notices = &told;
  script();
  run();
  EXPECT_THAT(told.said,
              ElementsAre("waiting", "a.ods in /full/", "storing /safe/b.ods", "stored /safe/b.ods",
                          "b.ods was backup saved as /safe/b.ods at 1", "c.ods in /full/", "none"));
  EXPECT_THAT(dialogs.messages, IsEmpty());

  notices = nullptr;
  script();
  run();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, NearlyFullMessage({"/full/"}));
}

// --- The helper's side ---------------------------------------------------------------------------

class HelperSide : public CalcTest {
 protected:
  // Runs the helper's pass with the window's answers given in advance; returns what it said.
  std::vector<PassMessage> serve(const std::vector<std::string>& windowAnswers) {
    std::stringstream fromWindow, toWindow;
    for (const std::string& text : windowAnswers) {
      fromWindow << EncodePassMessage({PassVerb::Answer, {text}}) << '\n';
    }
    ServePass(fromWindow, toWindow,
              PassEnvironment{suite, files, clock, regional, historyLogPath, PathStyle::Posix});
    std::vector<PassMessage> said;
    for (std::string line; std::getline(toWindow, line);) {
      std::optional<PassMessage> message = ParsePassMessage(line);
      EXPECT_TRUE(message.has_value()) << line;
      if (message) said.push_back(*message);
    }
    return said;
  }
  static std::vector<PassVerb> verbs(const std::vector<PassMessage>& said) {
    std::vector<PassVerb> result;
    for (const PassMessage& message : said) result.push_back(message.verb);
    return result;
  }
};

TEST_F(HelperSide, ReadsTheOptionsAsItNamesStoresThenSaysDone) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  // Same folder, no stamp.
  std::vector<PassMessage> said = serve({EncodePassOptions(PassOptions{})});
  EXPECT_THAT(verbs(said),
              ElementsAre(PassVerb::Options, PassVerb::Store, PassVerb::Copy, PassVerb::Done));
  EXPECT_EQ(said[1].fields[1], "Budget.ods") << "the store names its document";
  EXPECT_EQ(said[2].fields[0], "/data/Budget Backup.ods");
  EXPECT_TRUE(files.exists("/data/Budget Backup.ods"));
  EXPECT_THAT(historyLines(), ElementsAre(HasSubstr("Budget.ods was backup saved as "
                                                    "/data/Budget Backup.ods at ")));
}

// The report the window shows is the helper's own: same description, label and line.
TEST_F(HelperSide, AFailureCrossesAsTheSameReport) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.failOn("storetourl", 1, "Disk full.");
  std::vector<PassMessage> said = serve({EncodePassOptions(PassOptions{}), "ok"});
  ASSERT_EQ(verbs(said).back(), PassVerb::Done);
  const PassMessage& report = said[said.size() - 2];
  ASSERT_EQ(report.verb, PassVerb::Message);
  EXPECT_THAT(report.fields[0], HasSubstr("Disk full."));
  EXPECT_THAT(report.fields[0], HasSubstr("in Quirnel2021/08/31.Calc.SaveAll at line 182"));
  EXPECT_EQ(report.fields[1], "Application Error");
  EXPECT_EQ(report.fields[4], "Budget.ods") << "the report names the document it is about";
  EXPECT_THAT(historyLines(), IsEmpty());
}

// Once the window has garbled an answer, the lines after it answer nothing: they could belong to
// other asks than they seem to. The pass ends as with a window that is gone, without a copy.
TEST_F(HelperSide, AGarbledAnswerCountsAsAWindowThatIsGone) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  std::stringstream fromWindow, toWindow;
  fromWindow << "options\n";
  for (int i = 0; i < 20; ++i) {
    fromWindow << EncodePassMessage({PassVerb::Answer, {EncodePassOptions(PassOptions{})}}) << '\n';
  }
  EXPECT_THROW(
      ServePass(fromWindow, toWindow,
                PassEnvironment{suite, files, clock, regional, historyLogPath, PathStyle::Posix}),
      std::runtime_error);
  std::vector<PassVerb> said;
  for (std::string line; std::getline(toWindow, line);) {
    said.push_back(ParsePassMessage(line).value().verb);
  }
  // The ask, then the report of the garbled answer, which no one answers any more.
  EXPECT_THAT(said, ElementsAre(PassVerb::Options, PassVerb::Message));
  EXPECT_THAT(suite.copies, IsEmpty());
  EXPECT_THAT(historyLines(), IsEmpty());
}

TEST_F(HelperSide, NoOfficeRunningEndsQuietlyAtOnceAndSaysWhy) {
  suite.running = false;
  std::vector<PassMessage> said = serve({});
  EXPECT_THAT(verbs(said), ElementsAre(PassVerb::NoOffice, PassVerb::Done));
  EXPECT_EQ(said[0].fields[0], "No office suite is running.");
}

TEST(PassProtocol, OptionsCrossWhateverTheFolderAndNothingElseReadsAsOptions) {
  const PassOptions options{.sameFolder = false,
                            .chosenFolder = true,
                            .folder = " /a b\t%20c\n",
                            .stamp = true,
                            .newFile = false,
                            .overwrite = true,
                            .keep = 12};
  EXPECT_EQ(ParsePassOptions(EncodePassOptions(options)), options);
  EXPECT_EQ(ParsePassOptions(EncodePassOptions(PassOptions{})), PassOptions{});
  PassOptions thinning = options;
  thinning.thin = true;
  EXPECT_EQ(ParsePassOptions(EncodePassOptions(thinning)), thinning);
  // As the program wrote them before it thinned out copies.
  EXPECT_EQ(ParsePassOptions("0110112 /a"), (PassOptions{.sameFolder = false,
                                                         .chosenFolder = true,
                                                         .folder = "/a",
                                                         .stamp = true,
                                                         .newFile = false,
                                                         .overwrite = true,
                                                         .keep = 12}));
  for (std::string_view bad : {"", "10010", "100105", "1001a5 /x", "10012 /x", "10010-1 /x",
                               "100109999999999 /x", "10010t /x", "100103tt /x", "10010t3 /x"}) {
    EXPECT_FALSE(ParsePassOptions(bad).has_value()) << bad;
  }
}

TEST(PassProtocol, AnyTextCrossesAsOneLineAndComesBackTheSame) {
  const std::string text = "a\tb\r\nc%41d%\n\xc3\xa4";
  const std::string line = EncodePassMessage({PassVerb::Prompt, {text}});
  EXPECT_EQ(line.find('\n'), std::string::npos);
  std::optional<PassMessage> back = ParsePassMessage(line);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->verb, PassVerb::Prompt);
  EXPECT_THAT(back->fields, ElementsAre(text));
}

}  // namespace
}  // namespace tg::testing

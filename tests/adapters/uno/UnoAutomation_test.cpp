// The backup pass against a real headless LibreOffice: the documents are made through the suite's
// own API in a temporary folder, the pass runs through the office module, and the copies are
// opened again to see what they hold.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "OfficeProcess.h"
#include "RealSuite.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/OfficeInstance.h"
#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixPrivateState.h"
#include "adapters/posix/RunningExecutable.h"
#include "backup/CalcTestDoubles.h"
#include "backup/RunPass.h"
#include "support/VisibleSkips.h"

namespace tg::office {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr const char* At = " at 12/6/2026 1:58:16 PM";
constexpr const char* ExcelFilter = "Calc MS Excel 2007 XML";

// One office serves every test but the one that kills its office.
class SharedOffice : public ::testing::Environment {
 public:
  void SetUp() override {
    process = std::make_unique<OfficeProcess>();
    process->start();
    try {
      suite = std::make_unique<RealSuite>(process->pipeName(), 120);
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "The test office (%s) did not start: %s\n", TestLauncher().c_str(),
                   failure.what());
    }
  }
  void TearDown() override {
    suite.reset();
    process.reset();
  }
  static inline std::unique_ptr<OfficeProcess> process;
  static inline std::unique_ptr<RealSuite> suite;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool Contains(const std::string& haystack, std::string_view needle) {
  return haystack.find(needle) != std::string::npos;
}

// The office reads "%20" in a location as a blank; the file on disk has the blank.
std::string OnDisk(std::string path) {
  for (size_t at; (at = path.find("%20")) != std::string::npos;) path.replace(at, 3, " ");
  return path;
}

class RealPass : public ::testing::Test, public tg::testing::OptionPanel {
 protected:
  void SetUp() override {
    ASSERT_NE(SharedOffice::suite, nullptr) << "the test office did not start";
    office().closeAll();
    std::string base = (fs::temp_directory_path() / "tallyguard-pass-XXXXXX").string();
    ASSERT_NE(mkdtemp(base.data()), nullptr);
    folder = base;
    fs::create_directories(folder + "/log");
    historyLogPath = folder + "/log/Tallyguard.txt";
  }
  void TearDown() override {
    try {
      if (SharedOffice::suite) office().closeAll();
    } catch (const std::exception&) {
      // The next test starts by closing what is open; a dead office fails it there.
    }
    for (const std::string& locked : immutable) std::system(("chattr -i '" + locked + "'").c_str());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  RealSuite& office() { return *SharedOffice::suite; }

  CalcContext context() { return context(automation); }
  CalcContext context(AutomationFactory& through) {
    return calcContext(through, dialogs, loop, files, clock, regional, historyLogPath,
                       PathStyle::Posix);
  }
  // A pass as the program runs it: this user's turn taken in a private folder of the test's, the
  // copies told apart by the files' own times, and Keep Copies as the options say.
  void runPass() {
    PosixPrivateState state(folder + "/state");
    RunPass(PassEnvironment{.automation = automation,
                            .fileSystem = files,
                            .clock = clock,
                            .regional = regional,
                            .historyLogPath = historyLogPath,
                            .pathStyle = PathStyle::Posix,
                            .facts = &facts,
                            .state = &state},
            PassSurface{passOptions(), dialogs, loop, notices});
  }

  // A stored spreadsheet with "saved" in A1, opened again and edited without saving.
  Document openEdited(const std::string& path, const std::string& filter = "calc8",
                      const std::string& password = "") {
    Document made = office().newSpreadsheet();
    office().setCell(made, "A1", "saved");
    office().storeAs(made, path, filter, password);
    office().close(made);
    originals[path] = ReadBytes(path);
    Document opened = office().load(path, password);
    office().setCell(opened, "A1", "edit of " + fs::path(path).filename().string());
    return opened;
  }

  void chooseFolder(const std::string& chosen) {
    Option2.setSelected(false);
    Option1.setSelected(true);
    Text1.setText(chosen);
  }

  std::vector<int> reportedLines() const {
    std::vector<int> lines;
    for (const ShownMessage& message : dialogs.messages) {
      size_t at = message.text.find("Calc.SaveAll at line ");
      if (at != std::string::npos) lines.push_back(std::stoi(message.text.substr(at + 21)));
    }
    return lines;
  }

  std::vector<std::string> history() const {
    std::vector<std::string> lines;
    std::string text = ReadBytes(historyLogPath);
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  // A1 of a copy, opened on its own.
  std::string firstCellOf(const std::string& path, const std::string& password = "") {
    Document copy = office().load(path, password);
    std::string value = office().cell(copy, "A1");
    office().close(copy);
    return value;
  }

  std::string folder;
  std::string historyLogPath;
  std::map<std::string, std::string> originals;
  std::vector<std::string> immutable;
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  PosixFileSystem files;
  PosixFileFacts facts;
  // The pass's own report is its message boxes and the history log; nothing more is heard here.
  struct : PassNotices {
    void storing(std::string_view) override {}
    void stored(std::string_view) override {}
    void waiting() override {}
    void copied(const std::string&) override {}
    void skipped(const std::string&, const std::string&) override {}
  } notices;
  FixedClock clock{{2026, 12, 6, 13, 58, 16}};
  UnitedStatesRegionalSettings regional;
  ModuleAutomationFactory automation{
      OfficeConnectionOptions{SharedOffice::process ? SharedOffice::process->pipeName() : "", "",
                              5.0,
                              SharedOffice::process ? SharedOffice::process->profileUrl() : ""},
      TALLYGUARD_OFFICE_MODULE_PATH};
};

// --- The whole scene in each mode and each form of the name -------------------------------------

struct Naming {
  const char* name;
  bool sameFolder;
  bool stamp;
  bool newFile;
};

class RealPassNaming : public RealPass, public ::testing::WithParamInterface<Naming> {
 protected:
  std::string suffix() const {
    if (!GetParam().stamp) return " Backup";
    return GetParam().newFile ? " Date December.6.2026 Time 01.58.16.PM" : " December.6.2026";
  }
};

TEST_P(RealPassNaming, EverySpreadsheetGetsItsCopyInItsOwnFormatWithItsUnsavedEdits) {
  const Naming& naming = GetParam();
  fs::create_directories(folder + "/a b");
  fs::create_directories(folder + "/picked");
  Document blank = openEdited(folder + "/a b/Blank.ods");
  Document book = openEdited(folder + "/Book.xlsx", ExcelFilter);
  Document secret = openEdited(folder + "/Secret.ods", "calc8", "pw");
  Document letter = office().newTextDocument();
  office().setText(letter, "saved");
  office().storeAs(letter, folder + "/Letter.odt", "writer8");
  originals[folder + "/Letter.odt"] = ReadBytes(folder + "/Letter.odt");
  office().setText(letter, "edited");
  Document fresh = office().newSpreadsheet();
  office().setCell(fresh, "A1", "edit of the new one");
  std::string freshName = office().title(fresh) + ".ods";

  std::string target = naming.sameFolder ? "" : folder + "/chosen";
  if (naming.sameFolder) {
    dialogs.folderAnswers = {folder + "/picked"};
  } else {
    chooseFolder(target);
  }
  if (naming.stamp) {
    Check6.setValue(CheckBox::Checked);
    Option3.setSelected(naming.newFile);
    Option4.setSelected(!naming.newFile);
  }
  // Where each copy goes, as the history names it (escapes of the location kept).
  auto pathOf = [&](const std::string& sameFolder, const std::string& stem,
                    const std::string& ext) {
    return (naming.sameFolder ? sameFolder : target) + "/" + stem + suffix() + ext;
  };
  std::map<std::string, std::string> expected = {
      {office().url(blank), pathOf(folder + "/a%20b", "Blank", ".ods")},
      {office().url(book), pathOf(folder, "Book", ".xlsx")},
      {office().url(secret), pathOf(folder, "Secret", ".ods")},
      {"", pathOf(folder + "/picked", office().title(fresh), ".ods")}};
  std::vector<std::string> expectedHistory;
  for (const Document& component : office().components()) {
    if (!office().isSpreadsheet(component)) continue;
    std::string location = office().url(component);
    std::string fileName = location.empty() ? freshName : location.substr(location.rfind('/') + 1);
    expectedHistory.push_back(fileName + " was backup saved as " + expected[location] + At);
  }
  std::map<Document*, std::pair<std::string, bool>> before;
  std::vector<Document*> open = {&blank, &book, &secret, &letter, &fresh};
  for (Document* document : open)
    before[document] = {office().url(*document), office().modified(*document)};

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages.front().text;
  EXPECT_THAT(history(), ElementsAreArray(expectedHistory));
  if (naming.sameFolder) {
    EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  } else {
    EXPECT_THAT(dialogs.folderPrompts, IsEmpty());
  }
  // The copies: right place, right format, the unsaved edits in them, the protection kept.
  std::string blankCopy = OnDisk(expected[office().url(blank)]);
  std::string bookCopy = expected[office().url(book)];
  std::string secretCopy = expected[office().url(secret)];
  std::string freshCopy = expected[""];
  for (const std::string& copy : {blankCopy, bookCopy, secretCopy, freshCopy}) {
    ASSERT_TRUE(fs::exists(copy)) << copy;
  }
  for (const std::string& copy : {blankCopy, secretCopy, freshCopy}) {
    EXPECT_TRUE(Contains(ReadBytes(copy), "mimetypeapplication/vnd.oasis.opendocument.spreadsheet"))
        << copy;
  }
  EXPECT_TRUE(Contains(ReadBytes(bookCopy), "[Content_Types].xml")) << "an .xlsx copy is OOXML";
  EXPECT_EQ(firstCellOf(blankCopy), "edit of Blank.ods");
  EXPECT_EQ(firstCellOf(bookCopy), "edit of Book.xlsx");
  EXPECT_EQ(firstCellOf(freshCopy), "edit of the new one");
  EXPECT_ANY_THROW(firstCellOf(secretCopy))
      << "the copy of a protected document needs its password";
  EXPECT_EQ(firstCellOf(secretCopy, "pw"), "edit of Secret.ods");
  // The text document has no copy; the originals and the open documents are as they were.
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    EXPECT_FALSE(Contains(entry.path().filename().string(), "Letter ")) << entry.path();
  }
  for (const auto& [path, bytes] : originals) EXPECT_EQ(ReadBytes(path), bytes) << path;
  for (Document* document : open) {
    EXPECT_EQ(office().url(*document), before[document].first);
    EXPECT_EQ(office().modified(*document), before[document].second);
  }
}

INSTANTIATE_TEST_SUITE_P(ModesAndStamps, RealPassNaming,
                         ::testing::Values(Naming{"SameFolderPlain", true, false, false},
                                           Naming{"SameFolderNewFile", true, true, true},
                                           Naming{"SameFolderOverwrite", true, true, false},
                                           Naming{"ChosenFolderPlain", false, false, false},
                                           Naming{"ChosenFolderNewFile", false, true, true},
                                           Naming{"ChosenFolderOverwrite", false, true, false}),
                         [](const ::testing::TestParamInfo<Naming>& naming) {
                           return std::string(naming.param.name);
                         });

// --- Failures --------------------------------------------------------------------------------

TEST_F(RealPass, AFolderThatCannotBeWrittenIsReportedInPlainWordsAndGetsNoHistoryLine) {
  fs::create_directories(folder + "/locked");
  Document locked = openEdited(folder + "/locked/Locked.ods");
  if (std::system(("chattr +i '" + folder + "/locked' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr +i is not available here (needs root and a file system that has it)";
  }
  immutable.push_back(folder + "/locked");

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(dialogs.messages.at(0).text, StartsWith("The folder cannot be written.\r\n"));
  EXPECT_FALSE(fs::exists(folder + "/locked/Locked Backup.ods"));
  EXPECT_FALSE(fs::exists(historyLogPath));
}

TEST_F(RealPass, AChosenFolderTwoLevelsBelowAMissingOneGetsTwoReportsAndNoCopy) {
  Document budget = openEdited(folder + "/Budget.ods");
  chooseFolder(folder + "/missing/deeper");
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(164, 182));
  EXPECT_FALSE(fs::exists(folder + "/missing")) << "the suite must not make the folders itself";
  EXPECT_FALSE(fs::exists(historyLogPath));
}

TEST_F(RealPass, AChosenFolderHoldingAHashGetsTheCopyInsideIt) {
  Document budget = openEdited(folder + "/Budget.ods");
  chooseFolder(folder + "/x#y");
  runPass();
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_TRUE(fs::exists(folder + "/x#y/Budget Backup.ods"));
  EXPECT_FALSE(fs::exists(folder + "/x"));
  EXPECT_THAT(history(), ElementsAre("Budget.ods was backup saved as " + folder +
                                     "/x#y/Budget Backup.ods" + At));
}

TEST_F(RealPass, AHistoryLogThatCannotBeWrittenIsReportedAtStep184AndTheCopyStays) {
  Document budget = openEdited(folder + "/Budget.ods");
  historyLogPath = folder + "/no such folder/Tallyguard.txt";
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(184));
  EXPECT_TRUE(fs::exists(folder + "/Budget Backup.ods"));
}

TEST_F(RealPass, NeverStoresOverAnotherOpenDocument) {
  Document backupOpen = openEdited(folder + "/Budget Backup.ods");
  Document budget = openEdited(folder + "/Budget.ods");
  std::string before = ReadBytes(folder + "/Budget Backup.ods");

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(dialogs.messages.at(0).text, HasSubstr("is open in the office suite"));
  EXPECT_EQ(ReadBytes(folder + "/Budget Backup.ods"), before);
  EXPECT_TRUE(fs::exists(folder + "/Budget Backup Backup.ods"));
}

// --- Every copy where it is said to be, and never over anything of the user's -----------------

TEST_F(RealPass, ACopyThroughAFolderLinkNeverReplacesTheOpenDocumentThatIsThatFile) {
  fs::create_directories(folder + "/real");
  fs::create_directory_symlink(folder + "/real", folder + "/alias");
  Document theirs = openEdited(folder + "/real/Budget Backup.ods");
  std::string before = ReadBytes(folder + "/real/Budget Backup.ods");
  Document budget = openEdited(folder + "/alias/Budget.ods");

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(dialogs.messages.at(0).text, HasSubstr("is open in the office suite"));
  EXPECT_EQ(ReadBytes(folder + "/real/Budget Backup.ods"), before);
  EXPECT_THAT(history(), ElementsAre("Budget%20Backup.ods was backup saved as " + folder +
                                     "/real/Budget%20Backup Backup.ods" + At));
}

TEST_F(RealPass, ATypedFolderIsWrittenIntoAsTypedAndItsLineStaysOneLine) {
  Document budget = openEdited(folder + "/Budget.ods");
  std::string typed = folder + "/x%41y?\nz";
  chooseFolder(typed);

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(firstCellOf(typed + "/Budget Backup.ods"), "edit of Budget.ods");
  EXPECT_FALSE(fs::exists(folder + "/xAy?\nz")) << "the office must not decode what was typed";
  EXPECT_THAT(history(), ElementsAre("Budget.ods was backup saved as " + folder +
                                     "/x%41y??z/Budget Backup.ods" + At));
}

TEST_F(RealPass, TwoDocumentsOfOneNameInOnePassKeepACopyEach) {
  fs::create_directories(folder + "/east");
  fs::create_directories(folder + "/west");
  Document east = openEdited(folder + "/east/Sales.ods");
  office().setCell(east, "A1", "east");
  Document west = openEdited(folder + "/west/Sales.ods");
  office().setCell(west, "A1", "west");
  chooseFolder(folder + "/safe");

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty());
  std::vector<std::string> lines = history();
  ASSERT_EQ(lines.size(), 2u);
  std::string prefix = "Sales.ods was backup saved as " + folder + "/safe/";
  std::set<std::string> contents;
  for (const std::string& line : lines) {
    ASSERT_THAT(line, StartsWith(prefix));
    std::string copy =
        folder + "/safe/" +
        line.substr(prefix.size(), line.size() - prefix.size() - std::string(At).size());
    contents.insert(firstCellOf(copy));
  }
  EXPECT_EQ(contents, (std::set<std::string>{"east", "west"}));
  EXPECT_TRUE(fs::exists(folder + "/safe/Sales (2) Backup.ods"));
}

// A Gnumeric file (gzip-packed XML): the office reads it but has no filter to write it.
TEST_F(RealPass, AWorkbookInAFormatTheOfficeCannotWriteIsCopiedInItsOwnFormat) {
  std::string plain = folder + "/Plan.xml";
  std::ofstream(plain) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<gnm:Workbook xmlns:gnm=\"http://www.gnumeric.org/v10.dtd\">"
                          "<gnm:Sheets><gnm:Sheet><gnm:Name>Sheet1</gnm:Name>"
                          "<gnm:MaxCol>0</gnm:MaxCol><gnm:MaxRow>0</gnm:MaxRow><gnm:Cells>"
                          "<gnm:Cell Row=\"0\" Col=\"0\" ValueType=\"60\">saved</gnm:Cell>"
                          "</gnm:Cells></gnm:Sheet></gnm:Sheets></gnm:Workbook>\n";
  ASSERT_EQ(std::system(("gzip -c '" + plain + "' > '" + folder + "/Plan.gnumeric'").c_str()), 0);
  Document plan = office().load(folder + "/Plan.gnumeric");
  ASSERT_EQ(office().filterName(plan), "Gnumeric Spreadsheet");
  office().setCell(plan, "A1", "edited");

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty());
  std::string copy = folder + "/Plan Backup.ods";
  EXPECT_TRUE(Contains(ReadBytes(copy), "mimetypeapplication/vnd.oasis.opendocument.spreadsheet"));
  EXPECT_EQ(firstCellOf(copy), "edited");
  EXPECT_THAT(history(), ElementsAre("Plan.gnumeric was backup saved as " + copy + At));
}

TEST_F(RealPass, AHistoryLogThatIsNoPlainFileOfTheUserIsRefusedAtStep184AndTheCopyStays) {
  Document budget = openEdited(folder + "/Budget.ods");
  // A FIFO with a reader would swallow the lines; one without would hang the program.
  historyLogPath = folder + "/log/fifo";
  ASSERT_EQ(mkfifo(historyLogPath.c_str(), 0600), 0);
  int reader = open(historyLogPath.c_str(), O_RDONLY | O_NONBLOCK);
  runPass();
  char swallowed[256];
  EXPECT_LE(read(reader, swallowed, sizeof swallowed), 0) << "nothing went into the FIFO";
  close(reader);
  EXPECT_THAT(reportedLines(), ElementsAre(184));
  EXPECT_TRUE(fs::exists(folder + "/Budget Backup.ods"));

  if (geteuid() != 0) GTEST_SKIP() << "another user's file needs root to be made";
  dialogs.messages.clear();
  historyLogPath = folder + "/log/theirs.txt";
  std::ofstream(historyLogPath) << "their own text";
  ASSERT_EQ(chown(historyLogPath.c_str(), 65534, 65534), 0);
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(184));
  EXPECT_EQ(ReadBytes(historyLogPath), "their own text");
}

TEST_F(RealPass, NoSpreadsheetOpenLeavesNoTrace) {
  Document letter = office().newTextDocument();
  runPass();
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_FALSE(fs::exists(historyLogPath));
}

TEST_F(RealPass, AnOfficeKilledInThePassEndsItWithAReportAndARestartedOfficeServesTheNext) {
  OfficeProcess doomed;
  doomed.start();
  ModuleAutomationFactory own{
      OfficeConnectionOptions{doomed.pipeName(), "", 5.0, doomed.profileUrl()},
      TALLYGUARD_OFFICE_MODULE_PATH};
  const CalcContext onDoomed = context(own);
  {
    RealSuite suite(doomed.pipeName(), 120);
    for (const char* name : {"One.ods", "Two.ods"}) {
      Document made = suite.newSpreadsheet();
      suite.storeAs(made, folder + "/" + name, "calc8");
    }
  }
  loop.onYield = [&] {
    if (loop.yields == 1) doomed.kill();
  };

  SaveAll(onDoomed);

  ASSERT_FALSE(dialogs.messages.empty());
  EXPECT_THAT(dialogs.messages.front().text,
              StartsWith("The connection to the office suite was lost"));
  EXPECT_FALSE(fs::exists(historyLogPath));

  dialogs.messages.clear();
  loop.onYield = nullptr;
  doomed.start();
  {
    RealSuite restarted(doomed.pipeName(), 120);
    Document again = restarted.load(folder + "/One.ods");
    SaveAll(onDoomed);
    restarted.close(again);
  }
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_TRUE(fs::exists(folder + "/One Backup.ods"));
  EXPECT_THAT(history(),
              ElementsAre("One.ods was backup saved as " + folder + "/One Backup.ods" + At));
}

// Cancel on the prompt of a never-stored workbook skips it for this pass; the others are copied.
TEST_F(RealPass, CancelOnTheFolderPromptSkipsTheNeverStoredWorkbook) {
  Document fresh = office().newSpreadsheet();
  openEdited(folder + "/Budget.ods");
  dialogs.folderAnswers = {""};

  runPass();

  EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_THAT(history(),
              ElementsAre("Budget.ods was backup saved as " + folder + "/Budget Backup.ods" + At));
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    EXPECT_EQ(entry.path().string().find(office().title(fresh)), std::string::npos) << entry.path();
  }
}

// A user who closed the office at five must not find a hidden one started at five past. Offices
// of other profiles (a conversion service, the test's own office here) are not the user's.
TEST_F(RealPass, WithTheUsersOwnOfficeClosedAPassStartsNoneAndEndsQuietly) {
  const std::string marker = folder + "/launched";
  const std::string launcher = folder + "/soffice";
  std::ofstream(launcher) << "#!/bin/sh\ntouch '" << marker << "'\n";
  fs::permissions(launcher, fs::perms::owner_all);
  fs::create_directories(folder + "/profile B");
  const std::string pipe = "tallyguard_nobody_listens_" + std::to_string(getpid());
  auto factory = [&](const std::string& profile) {
    return ModuleAutomationFactory{OfficeConnectionOptions{pipe, launcher, 0.3, profile},
                                   TALLYGUARD_OFFICE_MODULE_PATH};
  };
  openEdited(folder + "/Budget.ods");
  ModuleAutomationFactory closed = factory("file://" + folder + "/profile B");
  SaveAll(context(closed));
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_FALSE(fs::exists(historyLogPath));
  EXPECT_FALSE(fs::exists(folder + "/Budget Backup.ods"));

  // The test's office as the user's: then the launcher is asked to open the pipe.
  ModuleAutomationFactory running = factory(SharedOffice::process->profileUrl());
  SaveAll(context(running));
  EXPECT_TRUE(fs::exists(marker));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, HasSubstr("does not answer"));
}

// The launcher is asked for the profile's own office: with a home of its own here, a launcher
// asked for the default profile would start an office of that home instead.
TEST_F(RealPass, TheLauncherHandsThePipeToTheOfficeOfTheProfile) {
  const std::string home = getenv("HOME") ? getenv("HOME") : "";
  const std::string xdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  fs::create_directories(folder + "/home");
  setenv("HOME", (folder + "/home").c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  openEdited(folder + "/Budget.ods");
  const std::string pipe = "tallyguard_test_launched_" + std::to_string(getpid());
  ModuleAutomationFactory launching{
      OfficeConnectionOptions{pipe, TestLauncher(), 30.0, SharedOffice::process->profileUrl()},
      TALLYGUARD_OFFICE_MODULE_PATH};
  SaveAll(context(launching));
  if (std::optional<pid_t> stray = ProfileOffice("")) {
    ::kill(*stray, SIGKILL);
    ADD_FAILURE() << "an office of the default profile was started";
  }
  setenv("HOME", home.c_str(), 1);
  if (!xdg.empty()) setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_TRUE(fs::exists(folder + "/Budget Backup.ods"));
  // The shared office keeps the pipe it was handed open, and its socket file would outlive it.
  ::unlink(OfficePipePath(pipe).c_str());
}

// The pass's pipe has a fixed name, and whichever office opened it first serves it: here the
// test's office, of profile A, while the user's profile is B. A's documents are never copied,
// whether B's office is closed or runs on a pipe of its own.
TEST_F(RealPass, AnOfficeOfAnotherProfileServingThePipeIsNeverBackedUp) {
  openEdited(folder + "/Theirs.ods");
  OfficeProcess users;
  ModuleAutomationFactory onTheirPipe{
      OfficeConnectionOptions{SharedOffice::process->pipeName(), "", 5.0, users.profileUrl()},
      TALLYGUARD_OFFICE_MODULE_PATH};
  const CalcContext pass = context(onTheirPipe);
  SaveAll(pass);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_FALSE(fs::exists(historyLogPath));
  EXPECT_FALSE(fs::exists(folder + "/Theirs Backup.ods"));

  users.start();
  { RealSuite up(users.pipeName(), 120); }
  SaveAll(pass);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_FALSE(fs::exists(historyLogPath));
  EXPECT_FALSE(fs::exists(folder + "/Theirs Backup.ods"));

  // Told that A is the user's, the same pass copies A's document.
  runPass();
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_TRUE(fs::exists(folder + "/Theirs Backup.ods"));
}

// The office of a profile is found through the socket the office itself names after the
// profile, and it is the process serving the pipes it was asked to open; once it ends, it is
// not found, though its socket files may stay behind.
TEST(OfficeInstance, AProfilesOfficeIsFoundByItsOwnSocketUntilItEnds) {
  OfficeProcess office;
  office.start();
  { RealSuite up(office.pipeName(), 120); }
  const std::optional<pid_t> found = ProfileOffice(office.profileUrl());
  ASSERT_TRUE(found) << SingleInstanceSocket(office.profileUrl());
  EXPECT_EQ(PipeServer(office.pipeName()), found);
  std::ifstream comm("/proc/" + std::to_string(*found) + "/comm");
  std::string name;
  std::getline(comm, name);
  EXPECT_EQ(name, "soffice.bin");
  office.kill();
  // The system closes a killed process's sockets as it finishes dying, a moment that can stretch
  // on a busy machine; an office that is gone is not found from then on.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((ProfileOffice(office.profileUrl()) || PipeServer(office.pipeName())) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(ProfileOffice(office.profileUrl()));
  EXPECT_FALSE(PipeServer(office.pipeName()));
}

TEST(OfficeModule, AMissingModuleOrOfficeIsACleanCreationFailure) {
  ModuleAutomationFactory noModule{OfficeConnectionOptions{},
                                   "/nonexistent/libtallyguard_office.so"};
  EXPECT_THROW(noModule.create("com.sun.star.ServiceManager"), AutomationError);
  std::string notAModule = (fs::temp_directory_path() / "tallyguard-not-a-module.so").string();
  std::ofstream(notAModule) << "not a shared object";
  ModuleAutomationFactory brokenModule{OfficeConnectionOptions{}, notAModule};
  try {
    brokenModule.create("com.sun.star.ServiceManager");
    ADD_FAILURE() << "an unloadable module must fail the creation";
  } catch (const AutomationError& failure) {
    EXPECT_THAT(failure.what(), StartsWith("The office suite (LibreOffice) is not installed"));
  }
  fs::remove(notAModule);
  ModuleAutomationFactory noOffice{OfficeConnectionOptions{"tallyguard_nobody_listens", "", 0.2},
                                   TALLYGUARD_OFFICE_MODULE_PATH};
  try {
    noOffice.create("com.sun.star.ServiceManager");
    ADD_FAILURE() << "no office listens on that pipe";
  } catch (const AutomationError& failure) {
    EXPECT_THAT(failure.what(), HasSubstr("not running"));
  }
}

// An installed program never reaches into a build folder (a stale module of another version);
// the module is looked for where it was chosen, then beside the program only.
TEST(OfficeModule, IsLookedForInTheChosenPlaceThenBesideTheProgramAndNowhereElse) {
  setenv("TALLYGUARD_OFFICE_MODULE", "/chosen/libtallyguard_office.so", 1);
  std::vector<std::string> candidates = ModuleAutomationFactory{}.moduleCandidates();
  unsetenv("TALLYGUARD_OFFICE_MODULE");
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates.front(), "/chosen/libtallyguard_office.so");
  for (size_t i = 1; i < candidates.size(); ++i) {
    EXPECT_THAT(candidates[i], StartsWith(RunningExecutable().parent_path().string() + "/../"));
    EXPECT_THAT(candidates[i], HasSubstr("/tallyguard/libtallyguard_office.so"));
  }
  EXPECT_THAT(candidates, ::testing::Not(::testing::Contains(TALLYGUARD_OFFICE_MODULE_PATH)));
}

TEST(OfficeModule, NamesResolveWithoutRegardToCase) {
  ModuleAutomationFactory factory{OfficeConnectionOptions{SharedOffice::process->pipeName(), "",
                                                          5.0, SharedOffice::process->profileUrl()},
                                  TALLYGUARD_OFFICE_MODULE_PATH};
  ObjectRef manager = factory.create("com.sun.star.ServiceManager");
  ObjectRef desktop = manager->call("CREATEINSTANCE", {"com.sun.star.frame.Desktop"}).asObject();
  ASSERT_TRUE(desktop);
  ObjectRef components = desktop->call("getcomponents").asObject();
  ObjectRef enumeration = components->call("CreateEnumeration").asObject();
  EXPECT_NO_THROW(enumeration->call("HASMOREELEMENTS").asBool());
  try {
    desktop->call("noSuchCall");
    ADD_FAILURE() << "an unknown name must fail";
  } catch (const AutomationError& failure) {
    EXPECT_THAT(failure.what(), HasSubstr("noSuchCall"));
  }
  // The connection survives a wrong name.
  EXPECT_TRUE(desktop->call("getComponents").asObject());
}

}  // namespace
}  // namespace tg::office

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new tg::office::SharedOffice);
  return tg::testing::StatusShowingSkips(RUN_ALL_TESTS());
}

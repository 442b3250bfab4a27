// Times the backup pass against a bare loop of typed store calls on the same open documents, and a
// late-bound call against a typed one, in a headless LibreOffice of its own; then, with Keep
// Copies 3, a pass over open workbooks left unchanged against one that stores them all, with the
// office's processor time for each; then the same with the change watch, the office's calls into
// it, an edit's time with and without it, a close-time copy, and the watch process's memory; and
// the comparison of two versions of a workbook (the office's reads and the diff apart) and a
// restore over the open workbook.
// Prints the figures.
//
//   tallyguard_office_bench [counts (default 1,10,50)] [repetitions (default 3)]
//                           [unchanged workbooks (default 10)] [their rows (default 1000)]
//                           [tallyguard-watch, for its memory (default: not measured)]

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "OfficeProcess.h"
#include "RealSuite.h"
#include "adapters/posix/ModuleAutomationFactory.h"
#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixPrivateState.h"
#include "adapters/posix/StagingFolder.h"
#include "backup/Calc.h"
#include "backup/ChangeWatch.h"
#include "backup/ClosingCopySurface.h"
#include "backup/RestoreCopy.h"
#include "backup/RunPass.h"
#include "backup/VersionCompare.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/RecordingDialogs.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg::office {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor seconds the office's processes have used so far: its soffice.bin (and any other
// process) started with this benchmark's own pipe.
double OfficeProcessorSeconds(const std::string& pipe) {
  double seconds = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream command(entry.path() / "cmdline");
    std::string line((std::istreambuf_iterator<char>(command)), {});
    if (line.find("soffice.bin") == std::string::npos || line.find(pipe) == std::string::npos) {
      continue;
    }
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) user = std::stoll(field);
      if (i == 15) system = std::stoll(field);
    }
    seconds += static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return seconds;
}

class CountingNotices : public PassNotices {
 public:
  void storing(std::string_view) override {}
  void stored(std::string_view) override { ++count; }
  void waiting() override {}
  void copied(const std::string&) override {}
  void skipped(const std::string&, const std::string&) override {}
  int count = 0;
};

// The watch as the program runs it, counting the office's calls of an edit into it.
class CountingWatch : public ChangeWatch {
 public:
  using ChangeWatch::ChangeWatch;
  void changed(std::uint64_t document) override {
    ++edits;
    ChangeWatch::changed(document);
  }
  std::atomic<int> edits = 0;
};

// "Rss" and "Pss" of a process, in kB.
std::pair<long, long> ResidentAndProportional(pid_t process) {
  std::ifstream rollup("/proc/" + std::to_string(process) + "/smaps_rollup");
  long rss = 0, pss = 0;
  for (std::string line; std::getline(rollup, line);) {
    if (line.starts_with("Rss:")) rss = std::stol(line.substr(4));
    if (line.starts_with("Pss:")) pss = std::stol(line.substr(4));
  }
  return {rss, pss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Size {
  const char* name;
  int rows;
  int columns;
};

class Bench {
 public:
  Bench() : suite_((office_.start(), office_.pipeName()), 120) {
    std::string base = (fs::temp_directory_path() / "tallyguard-bench-XXXXXX").string();
    folder_ = mkdtemp(base.data());
  }
  ~Bench() {
    fs::remove_all(folder_);
    fs::remove_all(sharedMemoryFolder());
  }

  void passAgainstBareLoop(int count, const Size& size, int repetitions) {
    suite_.closeAll();
    std::vector<Document> documents;
    for (int i = 0; i < count; ++i) {
      Document sheet = suite_.newSpreadsheet();
      suite_.fill(sheet, size.rows, size.columns);
      suite_.storeAs(sheet, folder_ + "/Sheet" + std::to_string(i) + ".ods", "calc8");
      documents.push_back(sheet);
    }
    std::vector<double> pass, fresh, bare;
    for (int round = 0; round < repetitions; ++round) {
      // Once with no copy on disk yet (no open-document check), once replacing the copies.
      for (int i = 0; i < count; ++i) {
        fs::remove(folder_ + "/Sheet" + std::to_string(i) + " Backup.ods");
      }
      auto start = Clock::now();
      runPass();
      fresh.push_back(SecondsSince(start));
      start = Clock::now();
      runPass();
      pass.push_back(SecondsSince(start));
      start = Clock::now();
      for (const Document& document : suite_.components()) {
        if (!suite_.isSpreadsheet(document)) continue;
        std::string url = suite_.url(document);
        suite_.storeCopy(document, url.substr(0, url.size() - 4) + " Bare.ods", "calc8");
      }
      bare.push_back(SecondsSince(start));
    }
    double ratio = Median(pass) / Median(bare);
    std::printf(
        "N=%-3d %-10s pass %7.3f s (first %7.3f s)   bare loop %7.3f s   pass/bare %.3f "
        "(first %.3f)%s\n",
        count, size.name, Median(pass), Median(fresh), Median(bare), ratio,
        Median(fresh) / Median(bare),
        count == 10 ? (ratio <= 1.05 ? "   (goal <= 1.05: met)" : "   (goal <= 1.05: MISSED)")
                    : "");
    std::fflush(stdout);
    suite_.closeAll();
  }

  // Keep Copies 3 over `count` saved workbooks: a pass after an edit of each (every one stored),
  // a pass with those edits still unsaved (each stored, then found the same and not kept), and,
  // once the user saved them and a pass stored that version, a pass over them unchanged (the
  // office says so: nothing stored).
  void unchangedAgainstStored(int count, int rows, int repetitions) {
    const std::vector<Document> documents = openWorkbooks(count, rows);
    std::vector<double> storing, unsaved, saved, storingBusy, unsavedBusy, savedBusy;
    std::vector<double> staged, stagedBusy;
    int keptUnsaved = 0, keptSaved = 0;
    for (int round = 0; round < repetitions; ++round) {
      for (const Document& sheet : documents) {
        suite_.setCell(sheet, "A1", "staged round " + std::to_string(round));
      }
      timedKeepingPass(staged, stagedBusy, stagingFolder());
      for (const Document& sheet : documents) {
        suite_.setCell(sheet, "A1", "round " + std::to_string(round));
      }
      timedKeepingPass(storing, storingBusy);
      keptUnsaved += timedKeepingPass(unsaved, unsavedBusy);
      for (int i = 0; i < count; ++i) suite_.storeAs(documents[i], workbook(i), "calc8");
      timedKeepingPass(storing, storingBusy);  // saved anew: a version of its own, stored
      keptSaved += timedKeepingPass(saved, savedBusy);
    }
    std::printf(
        "Keep 3, N=%d x %d cells: storing pass %.3f s (office %.3f s)\n"
        "  unchanged, edits unsaved: %.3f s (office %.3f s), pass/storing %.3f, %d kept\n"
        "  unchanged, saved:         %.3f s (office %.3f s), pass/storing %.3f, %d kept\n"
        "  storing, staged in %s: %.3f s (office %.3f s), staged/direct %.3f\n",
        count, rows * 100, Median(storing), Median(storingBusy), Median(unsaved),
        Median(unsavedBusy), Median(unsaved) / Median(storing), keptUnsaved, Median(saved),
        Median(savedBusy), Median(saved) / Median(storing), keptSaved, stagingFolder().c_str(),
        Median(staged), Median(stagedBusy), Median(staged) / Median(storing));
    std::fflush(stdout);
    suite_.closeAll();
  }

  // Keep Copies 3 over `count` workbooks with the change watch: edited once and left alone with
  // the edits unsaved, a pass after the edit (each stored) against the passes after it (nothing
  // stored: the watch vouches for each). Then the office's calls into the watch and the time of
  // an edit, with and without it, and the copy a closing 100k-cell workbook gets.
  void watchedAgainstStored(int count, int rows, int repetitions) {
    const std::vector<Document> documents = openWorkbooks(count, rows);
    const double unwatchedEdit = editTime(documents[0], "unwatched");
    std::unique_ptr<OfficeWatch> office = automation_.watch();
    ClosingCopySurface surface([](const std::string&) {}, folder_ + "/");
    int closingCopies = 0;
    std::atomic<bool> watching = false;
    CountingWatch watch(
        *office,
        [&](const ObjectRef& model) {
          PosixFileSystem files;
          PosixFileFacts facts;
          FixedClock clock({2026, 12, 8, 20, 0, ++closingCopies});
          UnitedStatesRegionalSettings regional;
          PassOptions options;
          options.stamp = true;
          RunClosingCopy({.automation = office->automation(),
                          .fileSystem = files,
                          .clock = clock,
                          .regional = regional,
                          .historyLogPath = folder_ + "/Tallyguard.txt",
                          .pathStyle = PathStyle::Posix,
                          .facts = &facts},
                         {[options] { return options; }, surface, surface, surface}, model);
        },
        [&watching] { watching = true; });
    std::thread listening([&] {
      try {
        office->watch(watch);
      } catch (const std::exception& failure) {
        std::printf("  the watch failed: %s\n", failure.what());
      }
    });
    for (int tries = 0; tries < 300 && !watching; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<double> storing, unchanged, storingBusy, unchangedBusy;
    int keptUnchanged = 0;
    for (int round = 0; round < repetitions; ++round) {
      for (const Document& sheet : documents) {
        suite_.setCell(sheet, "A1", "watched round " + std::to_string(round));
      }
      timedKeepingPass(storing, storingBusy, "", &watch);
      keptUnchanged += timedKeepingPass(unchanged, unchangedBusy, "", &watch);
    }
    const double ratio = Median(unchanged) / Median(storing);
    std::printf(
        "Watched, Keep 3, N=%d x %d cells, edits unsaved: storing pass %.3f s (office %.3f s)\n"
        "  unchanged: %.3f s (office %.3f s), pass/storing %.4f, %d stored%s\n",
        count, rows * 100, Median(storing), Median(storingBusy), Median(unchanged),
        Median(unchangedBusy), ratio, keptUnchanged,
        ratio <= 0.05 ? "   (goal <= 0.05: met)" : "   (goal <= 0.05: MISSED)");
    const int before = watch.edits;
    const double watchedEdit = editTime(documents[0], "watched");
    std::printf(
        "  the office's calls into the watch for 1000 cell edits: %d (goal: 1 per document)\n"
        "  an edit: %.1f us unwatched, %.1f us watched, watched/unwatched %.3f%s\n",
        watch.edits - before, unwatchedEdit * 1e6, watchedEdit * 1e6, watchedEdit / unwatchedEdit,
        watchedEdit / unwatchedEdit <= 1.05 ? "   (goal <= 1.05: met)"
                                            : "   (goal <= 1.05: MISSED)");
    closingCopy(watch, documents[0]);
    office_.stop();  // the watch's connection ends with it
    listening.join();
  }

  // The memory of the program's own watch process, at rest over the open workbooks.
  void watchMemory(const std::string& program) {
    int window[2];  // the watch ends when its input does, as when the window ends
    if (::pipe(window) != 0) return;
    const pid_t watch = ::fork();
    if (watch == 0) {
      ::dup2(window[0], 0);
      ::close(window[1]);
      ::setenv("TALLYGUARD_OFFICE_PIPE", office_.pipeName().c_str(), 1);
      ::setenv("TALLYGUARD_OFFICE_PROFILE", office_.profileUrl().c_str(), 1);
      ::setenv("TALLYGUARD_OFFICE_LAUNCHER", "", 1);
      const std::string log = folder_ + "/watch.txt";
      ::execl(program.c_str(), program.c_str(), log.c_str(), nullptr);
      ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const auto [rss, pss] = ResidentAndProportional(watch);
    std::printf(
        "the watch process at rest: resident %.1f MB, proportional %.1f MB%s\n", rss / 1024.0,
        pss / 1024.0,
        pss <= 15 * 1024 ? "   (goal PSS <= 15 MB: met)" : "   (goal PSS <= 15 MB: MISSED)");
    ::close(window[0]);
    ::close(window[1]);
    ::kill(watch, SIGKILL);
    ::waitpid(watch, nullptr, 0);
  }

  void lateBoundAgainstTyped(int calls) {
    suite_.closeAll();
    Document sheet = suite_.newSpreadsheet();
    suite_.storeAs(sheet, folder_ + "/Calls.ods", "calc8");
    ObjectRef manager = automation_.create("com.sun.star.ServiceManager");
    ObjectRef desktop = manager->call("createInstance", {"com.sun.star.frame.Desktop"}).asObject();
    ObjectRef components = desktop->call("getComponents").asObject();
    ObjectRef enumeration = components->call("createenumeration").asObject();
    ObjectRef document = enumeration->call("nextelement").asObject();
    std::vector<double> late, typed;
    for (int round = 0; round < 5; ++round) {
      auto start = Clock::now();
      for (int i = 0; i < calls; ++i) document->call("geturl");
      late.push_back(SecondsSince(start) / calls);
      start = Clock::now();
      for (int i = 0; i < calls; ++i) suite_.url(sheet);
      typed.push_back(SecondsSince(start) / calls);
    }
    // A new remote object: its first late-bound call pays for the Invocation made for it.
    std::vector<double> fresh;
    for (int round = 0; round < 5; ++round) {
      auto start = Clock::now();
      for (int i = 0; i < 100; ++i)
        components->call("createenumeration").asObject()->call("hasMoreElements");
      fresh.push_back(SecondsSince(start) / 100);
    }
    std::printf("new enumeration + first call, late-bound: %.1f us\n", Median(fresh) * 1e6);
    double ratio = Median(late) / Median(typed);
    std::printf("call geturl: late-bound %.1f us   typed %.1f us   late/typed %.3f%s\n",
                Median(late) * 1e6, Median(typed) * 1e6, ratio,
                ratio <= 1.2 ? "   (goal <= 1.2: met)" : "   (goal <= 1.2: MISSED)");
    suite_.closeAll();
  }

 private:
  // The user's runtime folder as the program stages there; else a private folder in /dev/shm.
  std::string stagingFolder() const {
    const std::string own = PrivateStagingFolder();
    if (!own.empty()) return own;
    const std::string shm = sharedMemoryFolder();
    fs::create_directories(shm);
    fs::permissions(shm, fs::perms::owner_all);
    return shm;
  }

  static std::string sharedMemoryFolder() {
    return "/dev/shm/tallyguard-bench-" + std::to_string(::getpid()) + "/";
  }

  // `count` saved workbooks of `rows` x 100 numbers, alone in the office.
  std::vector<Document> openWorkbooks(int count, int rows) {
    suite_.closeAll();
    std::vector<Document> documents;
    for (int i = 0; i < count; ++i) {
      Document sheet = suite_.newSpreadsheet();
      suite_.fill(sheet, rows, 100);
      suite_.storeAs(sheet, workbook(i), "calc8");
      documents.push_back(sheet);
    }
    return documents;
  }

  std::string workbook(int i) const { return folder_ + "/Workbook" + std::to_string(i) + ".ods"; }

  // One pass as the program runs it, with Keep Copies 3 and stamped copies; its time and the
  // office's processor time go to the lists. Returns how many copies were kept.
  int timedKeepingPass(std::vector<double>& times, std::vector<double>& busy,
                       const std::string& staging = "", ChangeWitness* witness = nullptr) {
    RecordingDialogs dialogs;
    CountingMessageLoop loop;
    PosixFileSystem files;
    PosixFileFacts facts;
    FixedClock clock;
    ++passes_;
    clock.set({2026, 12, 8, 9 + passes_ / 60, passes_ % 60, 0});
    UnitedStatesRegionalSettings regional;
    PosixPrivateState state(folder_ + "/state");
    CountingNotices notices;
    PassOptions options;
    options.stamp = true;
    options.keep = 3;
    const double before = OfficeProcessorSeconds(office_.pipeName());
    const auto start = Clock::now();
    RunPass({.automation = automation_,
             .fileSystem = files,
             .clock = clock,
             .regional = regional,
             .historyLogPath = folder_ + "/Tallyguard.txt",
             .pathStyle = PathStyle::Posix,
             .facts = &facts,
             .state = &state,
             .stagingFolder = staging,
             .witness = witness},
            {[options] { return options; }, dialogs, loop, notices});
    times.push_back(SecondsSince(start));
    busy.push_back(OfficeProcessorSeconds(office_.pipeName()) - before);
    if (!dialogs.messages.empty()) std::printf("  report: %s\n", dialogs.messages[0].text.c_str());
    return notices.count;
  }

  // The median of 1000 cell edits from a client, in seconds.
  double editTime(const Document& sheet, const std::string& label) {
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
      const auto start = Clock::now();
      suite_.setCell(sheet, "B1", label + " " + std::to_string(i));
      times.push_back(SecondsSince(start));
    }
    return Median(times);
  }

  // The copy a workbook with unsaved edits gets as it closes, while the office waits.
  void closingCopy(ChangeWatch& watch, const Document& sheet) {
    suite_.setCell(sheet, "A2", "typed before closing");
    const std::string url = suite_.url(sheet);
    ObjectRef manager = automation_.create("com.sun.star.ServiceManager");
    ObjectRef desktop = manager->call("createInstance", {"com.sun.star.frame.Desktop"}).asObject();
    ObjectRef open =
        desktop->call("getComponents").asObject()->call("createEnumeration").asObject();
    while (open->call("hasMoreElements").asBool()) {
      ObjectRef document = open->call("nextElement").asObject();
      if (document->call("getURL").asText() != url) continue;
      const auto start = Clock::now();
      watch.closing(0, document);  // a document the watch has no copy of
      std::printf("  a close that makes a copy first, 100k cells: %.3f s more\n",
                  SecondsSince(start));
    }
  }

 public:
  // Two versions of a workbook of `rows` x 100 numbers: its copy, and the workbook open with a
  // row inserted near the top and two cells edited. The office's reads, the comparison, and the
  // whole --diff work; then a restore of the copy over the open workbook.
  void compareAndRestore(int rows, int repetitions) {
    suite_.closeAll();
    Document sheet = suite_.newSpreadsheet();
    suite_.fill(sheet, rows, 100);
    suite_.storeAs(sheet, workbook(0), "calc8");
    suite_.closeAll();
    sheet = suite_.show(workbook(0));
    const std::string copy = folder_ + "/Workbook0 copy.ods";
    suite_.storeCopy(sheet, FileUrl(copy), "calc8");
    suite_.insertRow(sheet, 2);
    suite_.setCell(sheet, "C100", "edited");
    suite_.setCell(sheet, "E250", "edited too");
    PosixFileSystem files;
    std::vector<double> reads, diffs, whole, restores;
    std::size_t changes = 0;
    for (int i = 0; i < repetitions; ++i) {
      const RunningOffice office = ReachRunningOffice(automation_);
      auto start = Clock::now();
      WorkbookCells earlier, later;
      {
        const OfficeVersion version(office, files, copy, PathStyle::Posix);
        earlier = ReadWorkbookCells(version.document(), CellContent::Values);
      }
      {
        const OfficeVersion version(office, files, workbook(0), PathStyle::Posix);
        later = ReadWorkbookCells(version.document(), CellContent::Values);
      }
      reads.push_back(SecondsSince(start));
      start = Clock::now();
      changes = CompareWorkbooks(earlier, later).size();
      diffs.push_back(SecondsSince(start));
      start = Clock::now();
      CompareVersions(automation_, files, {copy, workbook(0), workbook(0), CellContent::Values},
                      PathStyle::Posix);
      whole.push_back(SecondsSince(start));
    }
    std::printf(
        "compare two versions of %d cells (%zu changes): office reads %.3f s   diff %.3f s   "
        "whole %.3f s%s\n",
        rows * 100, changes, Median(reads), Median(diffs), Median(whole),
        rows * 100 >= 100000
            ? (Median(whole) < 1.0 ? "   (goal < 1 s: met)" : "   (goal < 1 s: NOT met)")
            : "");
    for (int i = 0; i < repetitions; ++i) {
      suite_.setCell(suite_.components().front(), "B2", "typed " + std::to_string(i));
      PosixFileFacts facts;
      FixedClock clock;
      clock.set({2026, 12, 9, 10, i, 0});
      UnitedStatesRegionalSettings regional;
      PassOptions options;
      const auto start = Clock::now();
      RestoreCopy({.automation = automation_,
                   .fileSystem = files,
                   .clock = clock,
                   .regional = regional,
                   .historyLogPath = folder_ + "/Tallyguard.txt",
                   .pathStyle = PathStyle::Posix,
                   .facts = &facts},
                  {copy, workbook(0), options});
      restores.push_back(SecondsSince(start));
    }
    std::printf(
        "restore over the open workbook of %d cells (state kept, written, reloaded): %.3f s\n",
        rows * 100, Median(restores));
    suite_.closeAll();
  }

 private:
  void runPass() {
    RecordingDialogs dialogs;
    CountingMessageLoop loop;
    PosixFileSystem files;
    FixedClock clock;
    UnitedStatesRegionalSettings regional;
    std::string log = folder_ + "/Tallyguard.txt";
    SaveAll(CalcContext{.automation = automation_,
                        .options = [] { return PassOptions{}; },  // same folder, new file, no stamp
                        .dialogs = dialogs,
                        .messageLoop = loop,
                        .fileSystem = files,
                        .clock = clock,
                        .regional = regional,
                        .historyLogPath = log,
                        .pathStyle = PathStyle::Posix});
    if (!dialogs.messages.empty()) std::printf("  report: %s\n", dialogs.messages[0].text.c_str());
  }

  OfficeProcess office_;
  RealSuite suite_;
  ModuleAutomationFactory automation_{
      OfficeConnectionOptions{office_.pipeName(), "", 5.0, office_.profileUrl()},
      TALLYGUARD_OFFICE_MODULE_PATH};
  std::string folder_;
  int passes_ = 0;
};

std::vector<int> Counts(const char* text) {
  std::vector<int> counts;
  std::stringstream list(text);
  for (std::string item; std::getline(list, item, ',');) counts.push_back(std::stoi(item));
  return counts;
}

}  // namespace
}  // namespace tg::office

int main(int argc, char** argv) {
  using namespace tg::office;
  std::vector<int> counts = Counts(argc > 1 ? argv[1] : "1,10,50");
  int repetitions = argc > 2 ? std::stoi(argv[2]) : 3;
  int unchanged = argc > 3 ? std::stoi(argv[3]) : 10;
  int rows = argc > 4 ? std::stoi(argv[4]) : 1000;
  Bench bench;
  bench.lateBoundAgainstTyped(2000);
  for (const Size& size : {Size{"10x10", 10, 10}, Size{"100k cells", 1000, 100}}) {
    for (int count : counts) bench.passAgainstBareLoop(count, size, repetitions);
  }
  bench.unchangedAgainstStored(unchanged, rows, repetitions);
  bench.compareAndRestore(rows, repetitions);
  if (argc > 5) bench.watchMemory(argv[5]);
  bench.watchedAgainstStored(unchanged, rows, repetitions);  // ends the office
  return 0;
}

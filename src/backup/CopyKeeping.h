#pragma once
// The housekeeping around one backup pass: a copy that would leave its disk nearly full is
// skipped, leftovers of passes that ended abnormally are cleared away, each stamped copy is
// recorded, and at the end of the pass the recorded copies of each document
// that Keep Copies and the thinning by age let go are removed and logged. Removal waits for the
// end of the pass because only then is every document the office has open known.

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "backup/Calc.h"
#include "backup/CopyContent.h"
#include "backup/Retention.h"
#include "common/ports/FileFacts.h"
#include "common/ports/PrivateState.h"

namespace tg {

struct CopyKeepingContext {
  FileSystem& fileSystem;
  const FileFacts& facts;
  const Clock& clock;
  const RegionalSettings& regional;
  std::string historyLogPath;
  PathStyle pathStyle;
  int keep = 0;  // 0 keeps every copy, unless `thin`
  // The callbacks are optional: one left out is not called.
  // Each copy stored, as its history line.
  std::function<void(const std::string& line)> copied = nullptr;
  // Each copy skipped for want of space, by file name and folder; whoever waits on the pass tells
  // the user once, from these.
  std::function<void(const std::string& fileName, const std::string& folder)> skipped = nullptr;
  // Where the record of the copies lives; none: nothing is recorded and nothing removed.
  PrivateState* state = nullptr;
  // Once per pass, when old copies could not be looked after: what went wrong, in plain words.
  std::function<void(const std::string& problem)> keepingFailed = nullptr;
  bool thin = false;  // "Thin out old copies"
};

// "<copy path> removed (keeping the newest N)", "... removed (thinning out old copies)" or
// "... removed (thinning out old copies, keeping the newest N)", then " at " and the date.
std::string RemovedHistoryLine(std::string_view copyPath, int keep, bool thin,
                               const LocalDateTime& when, const RegionalSettings& regional);

// Pins the recorded copy at `copyPath` (its path as the record and the Versions window hold it),
// or lets it go again: no rule removes a pinned copy. Pinning one that a pass cut short marked
// for removal takes the mark away. The record is changed under the lock a pass holds from reading
// it to its last write, so a pass ending meanwhile neither writes the mark away nor removes the
// copy once it is pinned. False when the record holds no such copy. Throws std::runtime_error
// when the record cannot be read or written, or another backup holds it for PinWait.
bool SetCopyPinned(PrivateState& state, std::string_view copyPath, bool pinned);
// True when the record holds the copy at `copyPath` pinned. Throws as PrivateState::read does.
bool IsCopyPinned(PrivateState& state, std::string_view copyPath);
// A pass holds the record only for the moment it takes to remove its old copies.
inline constexpr std::chrono::seconds PinWait{5};

// The text that tells the user once per pass which folders were too full.
std::string NearlyFullMessage(const std::vector<std::string>& folders);
// Tells it in one message box, the same whether the pass runs in the window or in its helper.
void TellNearlyFull(Dialogs& dialogs, const std::vector<std::string>& folders);
// Tells, in one message box, why old copies were not removed.
void TellKeepingFailed(Dialogs& dialogs, const std::string& problem);

// The office's lock file beside a document it has open.
std::string LockFileOf(std::string_view path, PathStyle style);

// The file of a document's location: the scheme dropped and "%XX" read as one byte.
std::string FileOfUrl(std::string_view url, PathStyle style);

// What a copy is expected to take on disk when nothing better is known: a document never stored
// has no file to measure.
inline constexpr std::uint64_t UnknownCopySize = 16 * 1024 * 1024;

class CopyKeeping : public PassExtras {
 public:
  explicit CopyKeeping(CopyKeepingContext context) : c_(std::move(context)) {}

  void seen(std::string_view location) override;
  bool mayStore(const BackupTarget& target) override;
  bool mayStage(const BackupTarget& target, std::string_view stagingFolder) override;
  bool mayKeep(const BackupTarget& target, std::string_view writtenPath, bool staged) override;
  std::optional<std::string> repeatedCopy() const override { return repeated_; }
  void stored(std::string_view location, const BackupTarget& target) override;
  void ended() override;

  int skippedCount() const { return skippedCount_; }

 private:
  struct Group {
    std::string document;
    std::string folder;
    bool operator<(const Group& other) const {
      return std::tie(document, folder) < std::tie(other.document, other.folder);
    }
  };
  bool inUse(const std::string& path) const;
  // Keep Copies above 0 or the thinning on: copies are recorded and old ones removed.
  bool removesCopies() const { return c_.keep > 0 || c_.thin; }
  std::uint64_t expectedSize(const BackupTarget& target);
  void readRecordOnce();
  bool countsCopies(const BackupTarget& target) const;
  // The document's own file as it is now.
  std::optional<FileStamp> documentFile(const BackupTarget& target) const;
  bool unchangedSinceNewestCopy(const BackupTarget& target);
  void rememberSavedFileOfNewestCopy(const BackupTarget& target);
  Sameness compareWithNewestCopy(const BackupTarget& target, std::string_view writtenPath);
  std::optional<RecordedCopy> newestCopyOf(const BackupTarget& target);
  void skip(const std::string& file, const std::string& folder);
  void clearLeftovers(const std::string& folder);
  void prune();
  void deleteRemoved(std::vector<RecordedCopy>& removed, std::vector<RecordedCopy>& record);

  CopyKeepingContext c_;
  std::set<std::string> openFiles_;
  std::set<std::string> clearedFolders_;
  std::set<Group> stampedGroups_;
  std::vector<RecordedCopy> newCopies_;
  std::optional<std::vector<RecordedCopy>> knownCopies_;  // the record as the pass began
  bool unsure_ = false;
  std::optional<std::string> repeated_;  // the kept copy the one written last repeats  // the copy
                                         // last let keep its name may repeat the one before it
  // Copies found to hold what their document's saved file holds, to note in the record.
  struct SavedFile {
    std::string copy;
    FileStamp copyStamp;
    FileStamp file;
  };
  std::vector<SavedFile> savedFiles_;
  int skippedCount_ = 0;
};

}  // namespace tg

#pragma once
// The housekeeping around one backup pass: a copy that would leave its disk nearly full is
// skipped, each stamped copy is recorded, and at the end of the pass the recorded copies of each
// document beyond the newest N are removed and logged. Removal waits for the end of the pass
// because only then is every document the office has open known.

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "backup/Calc.h"
#include "backup/Retention.h"
#include "common/ports/FileFacts.h"

namespace tg {

struct CopyKeepingContext {
  FileSystem& fileSystem;
  const FileFacts& facts;
  const Clock& clock;
  const RegionalSettings& regional;
  std::string historyLogPath;
  PathStyle pathStyle;
  int keep = 0;  // 0 keeps every copy
  // Each copy stored, as its history line.
  std::function<void(const std::string& line)> copied;
  // Each copy skipped for want of space, by file name and folder.
  std::function<void(const std::string& fileName, const std::string& folder)> skipped;
  // Once per pass, when copies were skipped: the nearly full folders.
  std::function<void(const std::vector<std::string>& folders)> nearlyFull;
};

// "<copy path> removed (keeping the newest N)", before " at " and the date.
std::string RemovedHistoryLine(std::string_view copyPath, int keep, const LocalDateTime& when,
                               const RegionalSettings& regional);

// The text that tells the user once per pass which folders were too full.
std::string NearlyFullMessage(const std::vector<std::string>& folders);
// Tells it in one message box, the same whether the pass runs in the window or in its helper.
void TellNearlyFull(Dialogs& dialogs, const std::vector<std::string>& folders);

// The file of a document's location: the scheme dropped and "%XX" read as one byte.
std::string FileOfUrl(std::string_view url, PathStyle style);

class CopyKeeping : public PassExtras {
 public:
  explicit CopyKeeping(CopyKeepingContext context) : c_(std::move(context)) {}

  void seen(std::string_view location) override;
  bool mayStore(const BackupTarget& target) override;
  void stored(std::string_view location, const BackupTarget& target) override;
  void ended() override;

  const std::vector<std::string>& fullFolders() const { return fullFolders_; }
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
  void prune();

  CopyKeepingContext c_;
  std::set<std::string> openFiles_;
  std::set<Group> stampedGroups_;
  std::vector<RecordedCopy> newCopies_;
  std::vector<std::string> fullFolders_;
  int skippedCount_ = 0;
};

}  // namespace tg

#include "backup/CopyKeeping.h"

#include <algorithm>

#include "backup/DiskGuard.h"
#include "backup/HistoryLog.h"
#include "common/Globals.h"

namespace tg {
namespace {

std::string DocumentKey(std::string_view location, const BackupTarget& target) {
  return location.empty() ? "untitled:" + target.fileName.onDisk : std::string(location);
}

// The office's lock file beside a document it has open.
std::string LockFileOf(const std::string& path, PathStyle style) {
  return FolderPartOf(path, style) + ".~lock." + FileNameOf(path, style) + "#";
}

}  // namespace

std::string FileOfUrl(std::string_view url, PathStyle style) {
  return DecodeUrlEscapes(LocalPathFromLocation(url, style));
}

std::string RemovedHistoryLine(std::string_view copyPath, int keep, const LocalDateTime& when,
                               const RegionalSettings& regional) {
  return std::string(copyPath) + " removed (keeping the newest " + std::to_string(keep) + ") at " +
         GeneralDate(when, regional);
}

std::string NearlyFullMessage(const std::vector<std::string>& folders) {
  std::string text = "Not enough free disk space, so no copy was stored in ";
  for (size_t i = 0; i < folders.size(); ++i) {
    if (i > 0) text += i + 1 == folders.size() ? " and " : ", ";
    text += folders[i];
  }
  return text + ". The next backup tries again.";
}

void TellNearlyFull(Dialogs& dialogs, const std::vector<std::string>& folders) {
  dialogs.messageBox(NearlyFullMessage(folders), ProductTitle, MessageButtons::Ok,
                     MessageIcon::Warning);
}

void CopyKeeping::seen(std::string_view location) {
  if (!location.empty()) openFiles_.insert(FileOfUrl(location, c_.pathStyle));
}

// A folder whose figures cannot be read is not held back: the store itself then says what fails.
bool CopyKeeping::mayStore(const BackupTarget& target) {
  const std::string& file = target.backupPath.onDisk;
  const std::string folder = FolderPartOf(file, c_.pathStyle);
  const std::optional<SpaceFigures> space = c_.facts.spaceOf(folder);
  if (!space) return true;
  // The copy will be about as large as the document's own file; a new document counts as none.
  const std::optional<FileStamp> original = c_.facts.stampOf(DecodeUrlEscapes(target.localPath));
  if (LeavesEnoughSpace(*space, original ? original->size : 0)) return true;
  ++skippedCount_;
  if (std::find(fullFolders_.begin(), fullFolders_.end(), folder) == fullFolders_.end()) {
    fullFolders_.push_back(folder);
  }
  if (c_.skipped) c_.skipped(FileNameOf(file, c_.pathStyle), folder);
  return false;
}

void CopyKeeping::stored(std::string_view location, const BackupTarget& target) {
  const std::string& file = target.backupPath.onDisk;
  if (c_.copied) {
    c_.copied(
        HistoryLine(target.fileName.shown, target.backupPath.shown, c_.clock.now(), c_.regional));
  }
  if (c_.keep <= 0 || !IsStampedCopy(file, target.extension.onDisk)) return;
  const std::optional<FileStamp> stamp = c_.facts.stampOf(file);
  if (!stamp) return;  // nothing this program can be sure it wrote
  const std::string document = DocumentKey(location, target);
  newCopies_.push_back(RecordedCopy{document, *stamp, file});
  stampedGroups_.insert(Group{document, FolderPartOf(file, c_.pathStyle)});
}

bool CopyKeeping::inUse(const std::string& path) const {
  return openFiles_.count(path) > 0 || c_.facts.stampOf(LockFileOf(path, c_.pathStyle));
}

void CopyKeeping::ended() {
  if (!fullFolders_.empty() && c_.nearlyFull) c_.nearlyFull(fullFolders_);
  if (newCopies_.empty()) return;
  try {
    prune();
  } catch (const std::exception&) {
    // The record could not be read or written: nothing more is removed this time.
  }
}

void CopyKeeping::prune() {
  const std::string recordPath = CopyRecordPath(c_.historyLogPath);
  std::vector<RecordedCopy> record;
  if (c_.fileSystem.canReadModificationTime(recordPath)) {
    record = ParseCopyRecord(c_.fileSystem.readText(recordPath));
  }
  for (RecordedCopy& copy : newCopies_) RecordCopy(record, std::move(copy));
  newCopies_.clear();
  const PruneRules rules{c_.fileSystem, c_.facts, c_.pathStyle,
                         [this](const std::string& path) { return inUse(path); }};
  std::vector<std::string> removed;
  for (const Group& group : stampedGroups_) {
    for (std::string& path : PruneCopies(record, group.document, group.folder, c_.keep, rules)) {
      removed.push_back(std::move(path));
    }
  }
  // Written whole before the log, so a failure leaves at worst a log line short.
  if (c_.fileSystem.canReadModificationTime(recordPath)) c_.fileSystem.deleteFile(recordPath);
  c_.fileSystem.appendText(recordPath, FormatCopyRecord(record));
  for (const std::string& path : removed) {
    AppendHistoryLine(c_.fileSystem, c_.historyLogPath,
                      RemovedHistoryLine(path, c_.keep, c_.clock.now(), c_.regional));
  }
}

}  // namespace tg

#include "backup/CopyKeeping.h"

#include <algorithm>

#include "backup/CopyContent.h"
#include "backup/DiskGuard.h"
#include "backup/HistoryLog.h"
#include "common/Globals.h"

namespace tg {
namespace {

bool IsPartialCopyName(std::string_view name) {
  return name.size() > PartialCopyPrefix.size() + PartialCopySuffix.size() &&
         name.starts_with(PartialCopyPrefix) && name.ends_with(PartialCopySuffix);
}

constexpr std::string_view CopyRecordLock = "copies";
// Another pass of this user holds the record only for the moment it takes to rewrite it.
constexpr std::chrono::seconds CopyRecordWait{30};

}  // namespace

std::string LockFileOf(std::string_view path, PathStyle style) {
  return FolderPartOf(path, style) + ".~lock." + FileNameOf(path, style) + "#";
}

std::string FileOfUrl(std::string_view url, PathStyle style) {
  return DecodeUrlEscapes(LocalPathFromLocation(url, style));
}

std::string RemovedHistoryLine(std::string_view copyPath, int keep, bool thin,
                               const LocalDateTime& when, const RegionalSettings& regional) {
  const std::string newest = "keeping the newest " + std::to_string(keep);
  const std::string why = !thin      ? newest
                          : keep > 0 ? "thinning out old copies, " + newest
                                     : "thinning out old copies";
  return OnOneLine(copyPath) + " removed (" + why + ") at " + GeneralDate(when, regional);
}

bool SetCopyPinned(PrivateState& state, std::string_view copyPath, bool pinned) {
  const std::unique_ptr<PrivateState::Lock> lock = state.lock(CopyRecordLock, PinWait);
  if (!lock) throw std::runtime_error("a backup held the record of the copies too long.");
  std::vector<RecordedCopy> record = ParseCopyRecord(state.read(CopyRecordName).value_or(""));
  const auto copy = std::find_if(record.begin(), record.end(),
                                 [&](const RecordedCopy& each) { return each.path == copyPath; });
  if (copy == record.end()) return false;
  if (copy->pinned == pinned && !(pinned && copy->removing)) return true;
  copy->pinned = pinned;
  if (pinned) copy->removing = false;
  state.replace(CopyRecordName, FormatCopyRecord(record));
  return true;
}

bool IsCopyPinned(PrivateState& state, std::string_view copyPath) {
  const std::vector<RecordedCopy> record = ParseCopyRecord(state.read(CopyRecordName).value_or(""));
  return std::any_of(record.begin(), record.end(), [&](const RecordedCopy& copy) {
    return copy.path == copyPath && copy.pinned;
  });
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

void TellKeepingFailed(Dialogs& dialogs, const std::string& problem) {
  dialogs.messageBox(problem, ProductTitle, MessageButtons::Ok, MessageIcon::Warning);
}

void CopyKeeping::seen(std::string_view location) {
  if (!location.empty()) openFiles_.insert(FileOfUrl(location, c_.pathStyle));
}

// The record as the pass began, read once. The end of the pass says what is wrong with a record
// that does not read; meanwhile the pass does without it.
void CopyKeeping::readRecordOnce() {
  if (!c_.state || knownCopies_) return;
  knownCopies_.emplace();
  try {
    *knownCopies_ = ParseCopyRecord(c_.state->read(CopyRecordName).value_or(""));
  } catch (const std::exception&) {
    knownCopies_->clear();
  }
}

// The larger of what is known of this document's copies: its own file, the copy about to be
// replaced, the newest copy recorded. A workbook grown in memory far beyond its file is caught
// again once the copy is written (mayKeep).
std::uint64_t CopyKeeping::expectedSize(const BackupTarget& target) {
  std::uint64_t expected = 0;
  const auto consider = [&](const std::optional<FileStamp>& stamp) {
    if (stamp) expected = std::max(expected, stamp->size);
  };
  if (!target.localPath.empty()) consider(c_.facts.stampOf(DecodeUrlEscapes(target.localPath)));
  consider(c_.facts.stampOf(target.backupPath.onDisk));
  readRecordOnce();
  const std::string folder = FolderPartOf(target.backupPath.onDisk, c_.pathStyle);
  if (knownCopies_) {
    for (const RecordedCopy& copy : *knownCopies_) {
      if (FolderPartOf(copy.path, c_.pathStyle) == folder &&
          FileOfUrl(copy.document, c_.pathStyle) == DecodeUrlEscapes(target.localPath)) {
        expected = std::max(expected, copy.stamp.size);
      }
    }
  }
  return expected > 0 || !target.localPath.empty() ? expected : UnknownCopySize;
}

void CopyKeeping::skip(const std::string& file, const std::string& folder) {
  ++skippedCount_;
  if (c_.skipped) c_.skipped(FileNameOf(file, c_.pathStyle), folder);
}

// A partial copy outlives its pass only when the pass was cut short (the program killed, the
// machine off); its stamped name is never used again, so the next pass into that folder clears it.
// One pass runs at a time for this user, so no partial copy of its is being written meanwhile.
void CopyKeeping::clearLeftovers(const std::string& folder) {
  if (!clearedFolders_.insert(folder).second) return;
  for (const std::string& name : c_.facts.namesIn(folder)) {
    if (!IsPartialCopyName(name)) continue;
    const std::string path = folder + name;
    if (!c_.facts.stampOf(path) || c_.facts.stampOf(LockFileOf(path, c_.pathStyle))) continue;
    try {
      c_.fileSystem.deleteFile(path);
    } catch (const std::exception&) {
      // Left for a later pass.
    }
  }
}

// A folder whose figures cannot be read is not held back: the store itself then says what fails.
bool CopyKeeping::mayStore(const BackupTarget& target) {
  if (unchangedSinceNewestCopy(target)) return false;
  const std::string& file = target.backupPath.onDisk;
  const std::string folder = FolderPartOf(file, c_.pathStyle);
  clearLeftovers(folder);
  const std::optional<SpaceFigures> space = c_.facts.spaceOf(folder);
  if (!space || LeavesEnoughSpace(*space, expectedSize(target))) return true;
  skip(file, folder);
  return false;
}

// The office says the document holds no unsaved edits, and its file is the very one the newest
// kept copy was made from, then also without unsaved edits: that copy holds this version already,
// and the office is not asked to store it again. Only where copies are counted and recorded.
bool CopyKeeping::unchangedSinceNewestCopy(const BackupTarget& target) {
  if (target.unsavedEdits != false || !countsCopies(target)) return false;
  const std::optional<RecordedCopy> newest = newestCopyOf(target);
  return newest && newest->savedFile && documentFile(target) == newest->savedFile;
}

// Only where copies are counted: stamped copies of a stored document, Keep Copies above 0 or the
// thinning on.
bool CopyKeeping::countsCopies(const BackupTarget& target) const {
  const std::string& file = target.backupPath.onDisk;
  return removesCopies() && c_.state && !target.localPath.empty() &&
         IsStampedCopy(file, ExtensionOf(FileNameOf(file, c_.pathStyle)));
}

std::optional<FileStamp> CopyKeeping::documentFile(const BackupTarget& target) const {
  return c_.facts.stampOf(DecodeUrlEscapes(target.localPath));
}

// The staging folder's file system is guarded as the copies' is: other programs of the user's
// keep what they write there too.
bool CopyKeeping::mayStage(const BackupTarget& target, std::string_view stagingFolder) {
  const std::optional<SpaceFigures> space = c_.facts.spaceOf(stagingFolder);
  return space && LeavesEnoughSpace(*space, expectedSize(target));
}

// The copy is written; the file it replaces frees its room at the rename. A staged copy is yet to
// be written into its folder, now that its size is known. A copy that repeats the newest kept
// one is not kept either, without a word: while a workbook stays unchanged, its earlier versions
// are not pushed out by copies of the same.
bool CopyKeeping::mayKeep(const BackupTarget& target, std::string_view writtenPath, bool staged) {
  unsure_ = false;
  repeated_.reset();
  const std::string& file = target.backupPath.onDisk;
  const std::string folder = FolderPartOf(file, c_.pathStyle);
  if (std::optional<SpaceFigures> space = c_.facts.spaceOf(folder)) {
    if (const std::optional<FileStamp> replaced = c_.facts.stampOf(file)) {
      space->available += replaced->size;
    }
    const std::optional<FileStamp> written = c_.facts.stampOf(writtenPath);
    const std::uint64_t stillToWrite = staged ? (written ? written->size : UnknownCopySize) : 0;
    if (!LeavesEnoughSpace(*space, stillToWrite)) {
      skip(file, folder);
      return false;
    }
  }
  const Sameness sameness = compareWithNewestCopy(target, writtenPath);
  if (sameness == Sameness::Same) {
    rememberSavedFileOfNewestCopy(target);
    if (const std::optional<RecordedCopy> newest = newestCopyOf(target)) repeated_ = newest->path;
    return false;
  }
  unsure_ = sameness == Sameness::Unknown;
  return true;
}

// The document was saved with what its newest copy holds: from now on that copy stands for the
// saved file, and the passes while it stays so store nothing.
void CopyKeeping::rememberSavedFileOfNewestCopy(const BackupTarget& target) {
  if (target.unsavedEdits != false) return;
  const std::optional<RecordedCopy> newest = newestCopyOf(target);
  const std::optional<FileStamp> file = documentFile(target);
  if (newest && file && newest->savedFile != file) {
    savedFiles_.push_back({newest->path, newest->stamp, *file});
  }
}

// The first copy, or one not counted at all, begins a version of its own.
Sameness CopyKeeping::compareWithNewestCopy(const BackupTarget& target,
                                            std::string_view writtenPath) {
  if (!countsCopies(target)) return Sameness::Different;
  const std::optional<RecordedCopy> newest = newestCopyOf(target);
  if (!newest) return Sameness::Different;
  Sameness sameness = Sameness::Unknown;  // a copy that cannot be read is no reason to give up
  try {
    sameness =
        CompareCopies(c_.fileSystem.readText(newest->path), c_.fileSystem.readText(writtenPath));
  } catch (const std::exception&) {
  }
  // The office told of an edit since the last copy, or both were made from the saved document and
  // the user has saved it since: a version of its own, also where the bytes cannot tell (a
  // protected workbook, charts renumbered at every store).
  if (sameness == Sameness::Unknown &&
      (target.changeKnown || (target.unsavedEdits == false && newest->savedFile &&
                              documentFile(target) != newest->savedFile))) {
    return Sameness::Different;
  }
  return sameness;
}

// The newest copy of the document in the folder of `target` that is still as it was recorded.
// Newest by the order in which this program made them (the record's order, then this pass's),
// never by file times: a clock set back or a file system with coarse times would turn it around.
std::optional<RecordedCopy> CopyKeeping::newestCopyOf(const BackupTarget& target) {
  readRecordOnce();
  const std::string folder = FolderPartOf(target.backupPath.onDisk, c_.pathStyle);
  const std::string document = DecodeUrlEscapes(target.localPath);
  std::optional<RecordedCopy> newest;
  const auto consider = [&](const RecordedCopy& copy) {
    if (FolderPartOf(copy.path, c_.pathStyle) == folder &&
        FileOfUrl(copy.document, c_.pathStyle) == document) {
      newest = copy;
    }
  };
  if (knownCopies_) std::for_each(knownCopies_->begin(), knownCopies_->end(), consider);
  std::for_each(newCopies_.begin(), newCopies_.end(), consider);
  if (newest && c_.facts.stampOf(newest->path) != newest->stamp) return std::nullopt;
  return newest;
}

void CopyKeeping::stored(std::string_view location, const BackupTarget& target) {
  const std::string& file = target.backupPath.onDisk;
  if (c_.copied) {
    c_.copied(
        HistoryLine(target.fileName.shown, target.backupPath.shown, c_.clock.now(), c_.regional));
  }
  // A document never stored is known only by a title the office gives the next new document
  // too: its copies, perhaps the only trace of it, are never counted against another's.
  if (location.empty() || !countsCopies(target)) return;
  const std::optional<FileStamp> stamp = c_.facts.stampOf(file);
  if (!stamp) return;  // nothing this program can be sure it wrote
  const std::string document(location);
  RecordedCopy copy{document, *stamp, file, false, unsure_, std::nullopt};
  unsure_ = false;
  if (target.unsavedEdits == false) copy.savedFile = documentFile(target);
  newCopies_.push_back(std::move(copy));
  stampedGroups_.insert(Group{document, FolderPartOf(file, c_.pathStyle)});
}

bool CopyKeeping::inUse(const std::string& path) const {
  return openFiles_.count(path) > 0 || c_.facts.stampOf(LockFileOf(path, c_.pathStyle));
}

// A pass that stored no stamped copy still finishes what a pass cut short left half removed.
void CopyKeeping::ended() {
  if (newCopies_.empty() && savedFiles_.empty()) {
    readRecordOnce();
    if (!knownCopies_ || std::none_of(knownCopies_->begin(), knownCopies_->end(),
                                      [](const RecordedCopy& copy) { return copy.removing; })) {
      return;
    }
  }
  try {
    prune();
  } catch (const std::exception& failure) {
    if (c_.keepingFailed)
      c_.keepingFailed("No old copy was removed: " + std::string(failure.what()));
  }
}

// What goes is first marked in the record as being removed, then each copy gets its history
// line, written to the disk, and only then is deleted; a record or a log that cannot be written
// deletes nothing. A pass cut short in between leaves the marks, and the next pass finishes.
void CopyKeeping::prune() {
  const std::unique_ptr<PrivateState::Lock> lock = c_.state->lock(CopyRecordLock, CopyRecordWait);
  if (!lock) throw std::runtime_error("another backup held the record of the copies too long.");
  std::vector<RecordedCopy> record = ParseCopyRecord(c_.state->read(CopyRecordName).value_or(""));
  for (RecordedCopy& copy : newCopies_) RecordCopy(record, std::move(copy));
  newCopies_.clear();
  for (const SavedFile& saved : savedFiles_) {
    for (RecordedCopy& copy : record) {
      if (copy.path == saved.copy && copy.stamp == saved.copyStamp) copy.savedFile = saved.file;
    }
  }
  savedFiles_.clear();
  std::vector<RecordedCopy> removed;
  std::erase_if(record, [&](RecordedCopy& copy) {
    if (copy.removing) removed.push_back(std::move(copy));
    return copy.removing;
  });
  const PruneRules rules{c_.facts, c_.pathStyle,
                         [this](const std::string& path) { return inUse(path); },
                         c_.thin ? &c_.clock : nullptr};
  for (const Group& group : stampedGroups_) {
    for (RecordedCopy& copy : PruneCopies(record, group.document, group.folder, c_.keep, rules)) {
      removed.push_back(std::move(copy));
    }
  }
  if (removed.empty()) {
    c_.state->replace(CopyRecordName, FormatCopyRecord(record));
    return;
  }
  for (RecordedCopy& copy : removed) copy.removing = true;
  std::vector<RecordedCopy> marked = record;
  marked.insert(marked.end(), removed.begin(), removed.end());
  c_.state->replace(CopyRecordName, FormatCopyRecord(marked));
  deleteRemoved(removed, record);
}

// A copy that cannot be deleted, or whose line cannot be written, goes back into the record as
// the oldest of its document's, for a later pass. One that is no longer the file this program
// wrote, or that the office has open now, is left alone; one pinned stays.
void CopyKeeping::deleteRemoved(std::vector<RecordedCopy>& removed,
                                std::vector<RecordedCopy>& record) {
  std::vector<RecordedCopy> keptBack;
  std::optional<std::string> logFailure;
  for (RecordedCopy& copy : removed) {
    copy.removing = false;
    if (c_.facts.stampOf(copy.path) != copy.stamp) continue;
    // Keep Copies set to keep all since a pass was cut short: what it marked stays after all.
    if (logFailure || !removesCopies() || copy.pinned || inUse(copy.path)) {
      keptBack.push_back(std::move(copy));
      continue;
    }
    try {
      AppendHistoryLine(
          c_.fileSystem, c_.historyLogPath,
          RemovedHistoryLine(copy.path, c_.keep, c_.thin, c_.clock.now(), c_.regional));
    } catch (const std::exception& failure) {
      logFailure = failure.what();
      keptBack.push_back(std::move(copy));
      continue;
    }
    try {
      c_.fileSystem.deleteFile(copy.path);
    } catch (const std::exception&) {
      keptBack.push_back(std::move(copy));
    }
  }
  record.insert(record.begin(), keptBack.begin(), keptBack.end());
  c_.state->replace(CopyRecordName, FormatCopyRecord(record));
  if (logFailure && c_.keepingFailed) {
    c_.keepingFailed(
        "Old copies were kept, because the history log could not take the line "
        "that tells of their removal: " +
        *logFailure);
  }
}

}  // namespace tg

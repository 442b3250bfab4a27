#include "mainwindow/Versions.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "backup/BackupNaming.h"
#include "backup/CopyKeeping.h"
#include "backup/RestoreCopy.h"
#include "backup/VersionCompare.h"
#include "common/Globals.h"
#include "mainwindow/Settings.h"

namespace tg {
namespace {

constexpr const char* OpenInTheOffice =
    " is open in the office, so it was not written over. Close it there first, or choose another "
    "name.";

std::optional<WindowSize> ReadSize(std::string_view text) {
  const size_t by = text.find('x');
  if (by == std::string_view::npos) return std::nullopt;
  try {
    WindowSize size{std::stoi(std::string(text.substr(0, by))),
                    std::stoi(std::string(text.substr(by + 1)))};
    if (size.width < 200 || size.height < 150 || size.width > 20000 || size.height > 20000)
      return std::nullopt;
    return size;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

CopyCatalogue ReadCopiesOfUser(FileSystem& fileSystem, PrivateState* state,
                               const RegionalSettings& regional, PathStyle style,
                               const std::string& historyLogPath) {
  std::string log;
  try {
    log = fileSystem.readText(historyLogPath);
  } catch (const std::exception&) {
    // No log yet (no copy made, or the log was cleared): no documents.
  }
  std::vector<RecordedCopy> record;
  try {
    if (state) record = ParseCopyRecord(state->read(CopyRecordName).value_or(""));
  } catch (const std::exception&) {
    // An untrusted record tells nothing; the log still lists every copy.
  }
  return CopyCatalogue(log, record, style, regional, [&fileSystem](const std::string& path) {
    return fileSystem.identity(path).has_value();
  });
}

Versions::Versions(VersionsView& view, VersionsPorts ports)
    : view_(view),
      ports_(std::move(ports)),
      catalogue_(ReadCopiesOfUser(ports_.fileSystem, ports_.state, ports_.regional,
                                  ports_.pathStyle, ports_.historyLogPath)) {
  view_.filterChanged = [this](const std::string& text) { filterChanged(text); };
  view_.documentChosen = [this](int row) { documentChosen(row); };
  view_.copyChosen = [this](int row) { copyChosen(row); };
  view_.openClicked = [this] { openCopy(); };
  view_.showInFolderClicked = [this] { showCopyInFolder(); };
  view_.saveAsClicked = [this] { saveCopyAs(); };
  view_.compareClicked = [this] { compareWithWorkbook(); };
  view_.comparePreviousClicked = [this] { compareWithPrevious(); };
  view_.restoreClicked = [this] { restoreCopy(); };
  view_.keepClicked = [this] { toggleKeep(); };
  view_.changeChosen = [this](int row) { showChange(row); };
  view_.closed = [this] {
    const std::function<void()> done = finished;  // outlives this, which it may free
    rememberSize();
    if (done) done();
  };
  if (std::optional<WindowSize> size =
          ReadSize(Settings(ports_.settings).ReadSetting(VersionsSizeKey, ""))) {
    view_.setSize(*size);
  }
  filterChanged("");
  if (catalogue_.documents().empty()) {
    view_.setStatus("No copies yet: every backup adds its copies here.");
  }
}

void Versions::rememberSize() {
  const WindowSize size = view_.size();
  Settings(ports_.settings)
      .WriteSetting(VersionsSizeKey,
                    std::to_string(size.width) + "x" + std::to_string(size.height));
}

void Versions::filterChanged(const std::string& text) {
  filter_ = text;
  shown_.clear();
  std::vector<DocumentRow> rows;
  for (const CatalogueDocument& document : catalogue_.documents()) {
    if (!MatchesFilter(document, text)) continue;
    shown_.push_back(&document);
    rows.push_back({document.name, document.folder, MadeAt(document.newest(), ports_.regional)});
  }
  view_.showDocuments(rows);
  // The document chosen stays chosen while the filter keeps it; else the one copied last is.
  const auto kept = std::find(shown_.begin(), shown_.end(), document_);
  if (document_ && kept != shown_.end()) {
    view_.chooseDocument(static_cast<int>(kept - shown_.begin()));
  } else if (!shown_.empty()) {
    view_.chooseDocument(0);
    documentChosen(0);
  } else {
    document_ = nullptr;
    copy_ = -1;
    view_.showCopies({});
    enableActions();
  }
}

void Versions::documentChosen(int row) {
  if (row < 0 || row >= static_cast<int>(shown_.size())) return;
  document_ = shown_[static_cast<size_t>(row)];
  std::vector<CopyRow> rows;
  for (const CatalogueCopy& copy : document_->copies) {
    const CopyOnDisk disk = LookAtCopy(ports_.facts, copy.path);
    rows.push_back({MadeAt(copy, ports_.regional),
                    disk.present ? SizeText(disk.size) : std::string(),
                    FolderPartOf(copy.path, ports_.pathStyle), disk.present});
  }
  view_.showCopies(rows);
  view_.chooseCopy(0);
  copyChosen(0);
}

const CatalogueCopy* Versions::chosenCopy() const {
  if (!document_ || copy_ < 0 || copy_ >= static_cast<int>(document_->copies.size()))
    return nullptr;
  return &document_->copies[static_cast<size_t>(copy_)];
}

bool Versions::chosenCopyPresent() const {
  const CatalogueCopy* copy = chosenCopy();
  return copy && LookAtCopy(ports_.facts, copy->path).present;
}

const CatalogueCopy* Versions::previousCopy() const {
  if (!chosenCopy() || copy_ + 1 >= static_cast<int>(document_->copies.size())) return nullptr;
  return &document_->copies[static_cast<size_t>(copy_ + 1)];
}

std::string Versions::workbookPath() const {
  return document_ ? document_->folder + document_->name : std::string();
}

void Versions::enableActions() {
  const bool present = chosenCopyPresent();
  const CatalogueCopy* previous = previousCopy();
  view_.enableCopyActions(present, present, present);
  const auto [recorded, kept] = keepState();
  view_.enableWorkActions(present,
                          present && previous && LookAtCopy(ports_.facts, previous->path).present,
                          present, present && recorded, kept);
}

// Only copies in the record are ever removed, by Keep Copies or thinning: those alone can be
// kept from it. A record that can't be read keeps nothing either way.
std::pair<bool, bool> Versions::keepState() const {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !ports_.state) return {false, false};
  try {
    for (const RecordedCopy& recorded :
         ParseCopyRecord(ports_.state->read(CopyRecordName).value_or(""))) {
      if (recorded.path == copy->path) return {true, recorded.pinned};
    }
  } catch (const std::exception&) {
  }
  return {false, false};
}

void Versions::toggleKeep() {
  const CatalogueCopy* copy = chosenCopy();
  const auto [recorded, kept] = keepState();
  if (!copy || !recorded) return;
  try {
    SetCopyPinned(*ports_.state, copy->path, !kept);
    view_.setStatus(kept ? "The copy of " + MadeAt(*copy, ports_.regional) +
                               " may be removed again by Keep Copies or thinning."
                         : "The copy of " + MadeAt(*copy, ports_.regional) +
                               " is kept: neither Keep Copies nor thinning removes it.");
  } catch (const std::exception& failure) {
    view_.tell("The copy's Keep mark was not changed: " + std::string(failure.what()));
  }
  enableActions();
}

void Versions::copyChosen(int row) {
  copy_ = row;
  const CatalogueCopy* copy = chosenCopy();
  const bool present = chosenCopyPresent();
  enableActions();
  if (!copy) return;
  const std::string path(copy->path);
  view_.setStatus(present ? path
                          : path + " is no longer on disk: Keep Copies or someone removed it.");
}

void Versions::openCopy() {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !chosenCopyPresent()) return;
  const std::string name = FileNameOf(copy->path, ports_.pathStyle);
  try {
    if (ports_.office.openReadOnly(copy->path)) {
      view_.setStatus("Opened " + name +
                      " in the office, read-only: the copy and your document stay as they are, "
                      "and backups leave it alone. To take it back, save it under a name of "
                      "your own.");
      return;
    }
    ports_.shell.openDocument(copy->path);
    view_.setStatus("Opened " + name + " with the desktop's application for it (no office is " +
                    "running): save it under a name of your own to keep changes apart.");
  } catch (const std::exception& failure) {
    view_.tell("The copy could not be opened: " + std::string(failure.what()));
  }
}

void Versions::showCopyInFolder() {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !chosenCopyPresent()) return;
  try {
    ports_.shell.showInFileManager(copy->path);
  } catch (const std::exception& failure) {
    view_.tell("The folder could not be shown: " + std::string(failure.what()));
  }
}

// True, once told, when the office has the target open (with lock files off it leaves none) or
// could not say whether it has.
bool Versions::officeHasOpen(const std::string& target) {
  try {
    if (!ports_.office.hasOpen(target)) return false;
    view_.tell(target + OpenInTheOffice);
  } catch (const std::exception& failure) {
    view_.tell("Whether the office has " + target +
               " open could not be learned, so it was not written over: " + failure.what());
  }
  return true;
}

// A file the office has open is never written over: the office would go on with the text it
// holds and store it over the copy put there.
void Versions::saveCopyAs() {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !chosenCopyPresent()) return;
  const std::string name = FileNameOf(copy->path, ports_.pathStyle);
  const std::optional<std::string> target = view_.askWhereToSave(document_->folder + name);
  if (!target || target->empty()) return;
  if (*target == copy->path) {
    view_.tell("That is the copy itself. Choose another name or folder.");
    return;
  }
  // Whoever's lock it is: in a shared folder another account's office may have it open.
  if (ports_.fileSystem.identity(LockFileOf(*target, ports_.pathStyle))) {
    view_.tell(*target + OpenInTheOffice);
    return;
  }
  // Only a file that is there can be open; a new one costs no question.
  if (ports_.fileSystem.identity(*target) && officeHasOpen(*target)) return;
  try {
    ports_.fileSystem.copyFile(copy->path, *target);
    view_.setStatus("Saved " + name + " as " + *target + ".");
  } catch (const std::exception& failure) {
    view_.tell("The copy was not saved: " + std::string(failure.what()));
  }
}

namespace {

std::vector<ChangeRow> RowsOf(const std::vector<CellChange>& changes) {
  std::vector<ChangeRow> rows;
  rows.reserve(changes.size());
  for (const CellChange& change : changes) {
    std::string place = PlaceOf(change);
    if (change.kind != ChangeKind::Cell) {
      std::string_view kind = KindWord(change.kind);
      place += (place.empty() ? "" : " ") + std::string(kind.substr(kind.find(' ') + 1));
    }
    rows.push_back({change.sheet, std::move(place), change.before, change.after});
  }
  return rows;
}

}  // namespace

void Versions::compare(const CatalogueCopy& earlier, const std::string& later,
                       const std::string& title) {
  std::vector<CellChange> changes;
  try {
    changes = ports_.office.compare(earlier.path, later, view_.formulasChosen());
  } catch (const std::exception& failure) {
    view_.tell("The versions could not be compared: " + std::string(failure.what()));
    return;
  }
  if (changes.empty()) {
    view_.setStatus("No cell differs: " + title + ".");
    return;
  }
  view_.setStatus(std::to_string(changes.size()) +
                  (changes.size() == 1 ? " change: " : " changes: ") + title + ".");
  view_.showChanges(title, RowsOf(changes));
  changes_ = std::move(changes);
  changesWorkbook_ = workbookPath();
}

// The place of a change in the workbook, shown in the office: the user sees it where they work.
void Versions::showChange(int row) {
  if (row < 0 || row >= static_cast<int>(changes_.size())) return;
  const CellChange& change = changes_[static_cast<size_t>(row)];
  if (change.kind == ChangeKind::SheetRemoved) return;
  try {
    ports_.office.showCell(changesWorkbook_, change.sheet, CellToShow(change));
  } catch (const std::exception& failure) {
    view_.tell("The change could not be shown in the office: " + std::string(failure.what()));
  }
}

// Against the workbook as it is now, unsaved edits included: what the user would lose or get
// back by restoring this copy.
void Versions::compareWithWorkbook() {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !chosenCopyPresent()) return;
  compare(*copy, "",
          "from the copy of " + MadeAt(*copy, ports_.regional) + " to " + document_->name +
              " as it is now");
}

void Versions::compareWithPrevious() {
  const CatalogueCopy* copy = chosenCopy();
  const CatalogueCopy* previous = previousCopy();
  if (!copy || !previous || !chosenCopyPresent()) return;
  compare(*previous, std::string(copy->path),
          "from the copy of " + MadeAt(*previous, ports_.regional) + " to the copy of " +
              MadeAt(*copy, ports_.regional));
}

void Versions::restoreCopy() {
  const CatalogueCopy* copy = chosenCopy();
  if (!copy || !chosenCopyPresent()) return;
  if (!view_.confirm(RestoreQuestion(document_->name, MadeAt(*copy, ports_.regional)))) return;
  std::string done;
  try {
    done = ports_.office.restore(copy->path);
  } catch (const std::exception& failure) {
    view_.tell("The copy was not restored: " + std::string(failure.what()));
    return;
  }
  readCopiesAgain();
  view_.setStatus(done);
}

// After a restore the list holds one copy more, the workbook's state from before: the document
// stays chosen, and its newest copy with it.
void Versions::readCopiesAgain() {
  const std::string workbook = workbookPath();
  catalogue_ = ReadCopiesOfUser(ports_.fileSystem, ports_.state, ports_.regional, ports_.pathStyle,
                                ports_.historyLogPath);
  document_ = nullptr;
  copy_ = -1;
  filterChanged(filter_);
  for (size_t row = 0; row < shown_.size(); ++row) {
    if (shown_[row]->folder + shown_[row]->name != workbook) continue;
    view_.chooseDocument(static_cast<int>(row));
    documentChosen(static_cast<int>(row));
  }
}

}  // namespace tg

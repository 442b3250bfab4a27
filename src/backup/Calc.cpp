#include "backup/Calc.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "backup/CopyCatalogue.h"
#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"
#include "backup/OpenDocuments.h"
#include "backup/Retention.h"
#include "desktop/AddFolder.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {
namespace {

// What the store is given: the document's own format with its options, or the suite's own
// format when the document's filter only reads; a protected document's key either way.
struct StoreFormat {
  bool known = false;  // false while the document's arguments could not be read
  ValueList properties;
  bool ownFilterWrites = true;
  bool readOnly = false;  // opened read-only
};
// A copy is first written under a hidden name in its own folder (see PartialCopyPrefix).
PathText PartialCopyPath(const PathText& backupPath, PathStyle style) {
  auto partial = [style](const std::string& path) {
    const std::string folder = FolderPartOf(path, style);
    return folder + std::string(PartialCopyPrefix) + path.substr(folder.size()) +
           std::string(PartialCopySuffix);
  };
  return PathText{partial(backupPath.shown), partial(backupPath.inUrl), partial(backupPath.onDisk)};
}

// The values of one document's turn. They start empty for every document, so a failed step can
// never name a document after the one visited before it.
struct DocumentValues : BackupTarget {
  bool neverStored = false;
  bool folderNotCreated = false;
  std::string location;
  PassOptions options;
  PathText copyExtension;  // the file's own, or the suite's when its format cannot be written
  StoreFormat format;
  // What the name was made of, to number it when it is taken by a copy of another moment.
  PathText base;
  SuffixOptions suffix;
  LocalDateTime when;
};

// Files written this close together count as made at one moment: FAT keeps times to 2 seconds.
constexpr std::int64_t OneMomentNanoseconds = 2'000'000'000;

// A name with date and time is meant to be a new file at every pass; it replaces a file only
// when that was made within the same moment. Any other clock reading that repeats (the 12-hour
// clock of a locale without AM/PM, a clock set back) must never cost an earlier copy.
bool NewFileEveryPass(const SuffixOptions& suffix) { return suffix.stamp && suffix.newFile; }

// A filter the suite offers for writing carries this flag.
constexpr std::int32_t FilterExportFlag = 0x2;

class Pass {
 public:
  explicit Pass(const CalcContext& context)
      : c_(context), trap_(context.dialogs, ContextLabels::SaveAll) {}

  void run() {
    if (connect()) visitAll();
    release();
  }

  void runOne(const ObjectRef& document) {
    if (connect()) {
      visit(*document);
      if (std::exchange(visitingNamed_, false) && c_.stores) c_.stores->visiting("");
    }
    release();
  }

 private:
  void release() {
    // Released in reverse order of creation; the current document went at the end of its turn.
    trap_.step(188, [&] {
      filters_.reset();
      enumeration_.reset();
    });
    trap_.step(190, [&] { components_.reset(); });
    trap_.step(192, [&] { desktop_.reset(); });
    trap_.step(194, [&] { serviceManager_.reset(); });
    if (c_.extras) c_.extras->ended();
  }

  // Steps 100 to 106. A failure here ends the pass after one report.
  bool connect() {
    bool noOffice = false;
    const bool created = trap_.step(100, [&] {
      try {
        serviceManager_ = c_.automation.create(OfficeServiceManagerId);
      } catch (const OfficeNotRunning& notRunning) {
        noOffice = true;  // nothing open, nothing to back up: the pass ends quietly
        if (c_.stores) c_.stores->officeNotRunning(notRunning.what());
      }
    });
    return created && !noOffice && trap_.step(102, [&] {
      desktop_ = RequireObject(
          serviceManager_->call("createInstance", {"com.sun.star.frame.Desktop"}), "desktop");
    }) && trap_.step(104, [&] {
      components_ = RequireObject(desktop_->call("getComponents"), "list of components");
    }) && trap_.step(106, [&] {
      enumeration_ = RequireObject(components_->call("createenumeration"), "enumeration");
    });
  }

  // Steps 110 to 186. A failing loop test or a failing next element ends the pass: going on would
  // repeat the same report for ever. So does an office that died in the middle of a call, or one
  // busy with a dialog past the wait: it has been reported once, and would refuse every document.
  void visitAll() {
    for (;;) {
      if (trap_.lastFailureWas<OfficeConnectionLost>() || trap_.lastFailureWas<OfficeBusy>())
        return;
      bool more = false;
      if (!trap_.step(110, [&] { more = enumeration_->call("hasMoreElements").asBool(); })) return;
      if (!more) return;
      ObjectRef document;
      if (!trap_.step(112, [&] {
            document = RequireObject(enumeration_->call("nextelement"), "component");
          })) {
        return;
      }
      visit(*document);
      if (std::exchange(visitingNamed_, false) && c_.stores) c_.stores->visiting("");
      document.reset();  // step 186
    }
  }

  void visit(AutomationObject& document) {
    if (!trap_.test(114, [&] {
          return document.call("SupportsService", {SpreadsheetDocumentService}).asBool();
        })) {
      return;
    }
    trap_.step(118, [&] { c_.messageLoop.yield(); });
    DocumentValues v;
    if (!trap_.step(122, [&] { v.location = document.call("geturl").asText(); })) return;
    if (c_.extras) c_.extras->seen(v.location);
    if (!nameFile(document, v)) return;
    if (c_.stores) {
      c_.stores->visiting(v.fileName.shown);
      visitingNamed_ = true;
    }
    // One of this program's own copies, opened read-only to look at (as the Versions window
    // opens them), would only give a copy of a copy.
    if (v.format.readOnly && !v.neverStored && isOwnCopy(v.location)) return;
    // Options that cannot be read stay as they start: same folder, a new file, no stamp.
    if (trap_.test(134, [&] {
          v.options = c_.options();
          return v.options.sameFolder;
        })) {
      if (!chooseSameFolder(v)) return;
    } else if (trap_.test(158, [&] { return v.options.chosenFolder; })) {
      chooseTypedFolder(v);
    }
    nameBackup(v);
    if (c_.witness && !v.location.empty()) {
      const ChangeAnswer answer = c_.witness->ask(v.location);
      if (answer.known == ChangeKnown::Unchanged && copyStillStands(*answer.copy, v)) return;
      v.changeKnown = answer.known == ChangeKnown::Changed;
    }
    if (c_.extras) {
      v.unsavedEdits = unsavedEdits(document);
      if (!c_.extras->mayStore(v)) return;
    }
    // Armed before the store: an edit the office tells of from here on is not in this copy.
    std::uint64_t token = 0;
    const bool armed = arm(v.location, token);
    bool kept = false;
    if (trap_.step(182, [&] { kept = store(document, v); }) && kept) {
      trap_.step(184, [&] {
        const LocalDateTime now = c_.clock.now();
        AppendHistoryLine(c_.fileSystem, c_.historyLogPath,
                          OccasionHistoryLine(v.fileName.shown, v.backupPath.shown, c_.occasion,
                                              now, c_.regional));
      });
      if (c_.extras) c_.extras->stored(v.location, v);
      if (armed) tellStored(v, token, v.backupPath.onDisk);
    } else if (armed && c_.extras) {
      // Not kept because its last copy holds the same: that copy stands for this moment.
      if (const std::optional<std::string> repeated = c_.extras->repeatedCopy()) {
        tellStored(v, token, *repeated);
      }
    }
  }

  // The watch listens for the document's next edit; `token` names this moment to it.
  bool arm(const std::string& location, std::uint64_t& token) {
    if (!c_.witness || location.empty()) return false;
    const std::optional<std::uint64_t> armedAt = c_.witness->arm(location);
    token = armedAt.value_or(0);
    return armedAt.has_value();
  }

  // The watch's last copy is still there as it was made, and stands where this pass would put
  // the document's copy under the same kind of name.
  bool copyStillStands(const LastCopy& copy, const DocumentValues& v) const {
    if (!c_.facts || c_.facts->stampOf(copy.path) != copy.stamp) return false;
    const std::string& path = v.backupPath.onDisk;
    if (!NewFileEveryPass(v.suffix)) return copy.path == path;
    return FolderPartOf(copy.path, c_.pathStyle) == FolderPartOf(path, c_.pathStyle) &&
           IsStampedCopy(copy.path, ExtensionOf(FileNameOf(copy.path, c_.pathStyle)));
  }

  void tellStored(const DocumentValues& v, std::uint64_t token, const std::string& copy) {
    if (!c_.facts) return;
    if (const std::optional<FileStamp> stamp = c_.facts->stampOf(copy)) {
      c_.witness->stored(v.location, token, LastCopy{copy, *stamp});
    }
  }

  std::optional<bool> unsavedEdits(AutomationObject& document) {
    try {
      return document.call("isModified").asBool();
    } catch (const AutomationError&) {
      return std::nullopt;
    }
  }

  // Read only when a document is open read-only, which is seldom: the log can be long.
  bool isOwnCopy(const std::string& location) {
    try {
      return IsLoggedCopy(c_.fileSystem.readText(c_.historyLogPath),
                          FileOfUrl(location, c_.pathStyle));
    } catch (const std::exception&) {
      return false;  // no log to tell: copied as any other document
    }
  }

  // Steps 124 to 132. A document that was never stored is named after its title, as the suite
  // shows it, in the suite's own format; when the title cannot be read it cannot be named.
  bool nameFile(AutomationObject& document, DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    v.neverStored = v.location.empty();
    trap_.step(124, [&] { v.localPath = LocalPathFromLocation(v.location, style); });
    trap_.step(130, [&] {
      v.extension = v.neverStored ? PlainText(NeverStoredExtension)
                                  : OfficeText(ExtensionOf(FileNameOf(v.localPath, style)));
    });
    trap_.step(130, [&] {
      v.format = storeFormat(document, v.neverStored);
      v.copyExtension = v.format.ownFilterWrites ? v.extension : PlainText(NeverStoredExtension);
    });
    return trap_.step(132, [&] {
      v.fileName = v.neverStored ? FileNameForTitle(document.call("getTitle").asText())
                                 : OfficeText(FileNameOf(v.localPath, style));
    });
  }

  // Steps 136 to 156. False when no folder could be asked for: the document is then not stored,
  // rather than stored in a folder the user never chose.
  bool chooseSameFolder(DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    trap_.step(136, [&] { v.folder = OfficeText(FolderPartOf(v.localPath, style)); });
    bool hadNoFolderPart = v.folder.empty();
    // The prompt names the file as it lies on disk, so a document that was never stored has none
    // to show: its prompt begins with the blank.
    std::string prompt = (v.neverStored ? std::string() : v.fileName.shown) + UnsavedPromptTail;
    // A cancel leaves the document without a copy for this pass; the next pass asks again.
    if (trap_.test(138, [&] { return v.folder.empty(); })) {
      if (!trap_.step(140, [&] {
            v.folder = PlainText(BrowseForFolder(c_.dialogs, prompt, ""));
            // What the user changed while the prompt was open counts for this document already.
            v.options = c_.options();
          })) {
        return false;
      }
      if (v.folder.empty()) return false;
    }
    if (hadNoFolderPart) {
      // Picked folder and title: plain text all through.
      trap_.step(142, [&] {
        v.localPath = TidySeparators(JoinBackupPath(v.folder, v.fileName, style), style).shown;
      });
      trap_.step(154, [&] { v.folder = PlainText(FolderPartOf(v.localPath, style)); });
      trap_.step(156, [&] { v.fileName = PlainText(FileNameOf(v.localPath, style)); });
    }
    return true;
  }

  // Steps 160 to 164. The folder tested and created is the one the office will write into: the
  // URL carries the typed text escaped.
  void chooseTypedFolder(DocumentValues& v) {
    trap_.step(160, [&] { v.folder = PlainText(v.options.folder); });
    if (trap_.test(162, [&] { return !c_.fileSystem.isDirectory(v.folder.onDisk); })) {
      if (!trap_.step(164, [&] { c_.fileSystem.makeDirectory(v.folder.onDisk); })) {
        v.folderNotCreated = true;
      }
    }
  }

  // Steps 166 to 180.
  void nameBackup(DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    PathText path;
    trap_.step(166, [&] { path = JoinBackupPath(v.folder, v.fileName, style); });
    trap_.step(168, [&] { path = TidySeparators(path, style); });
    trap_.step(172, [&] { v.base = RemoveExtension(path, v.extension); });
    trap_.step(174, [&] { v.suffix.stamp = v.options.stamp; });
    trap_.step(176, [&] {
      v.when = c_.clock.now();
      v.suffix.newFile = v.options.newFile;
      v.suffix.overwrite = v.options.overwrite;
    });
    trap_.step(178, [&] {
      v.backupPath = numbered(v, 1);
      for (int number = 2; !v.backupPath.empty() && takenInThisPass(v.backupPath); ++number) {
        v.backupPath = numbered(v, number);
      }
    });
    trap_.step(180, [&] { v.backupUrl = BackupUrlFromPath(v.backupPath, style); });
  }

  // The backup name with " (2)", " (3)"... before its suffix; the plain name for 1.
  PathText numbered(const DocumentValues& v, int number) const {
    const PathText base = number < 2 ? v.base : v.base + DistinctNameMark(number);
    return AddBackupSuffix(base, v.copyExtension, v.suffix, v.when, c_.regional);
  }

  // Two documents of one pass that map to one backup path (same file names from different
  // folders, a case-blind mount) never replace each other's copy: the later one gets a number.
  bool takenInThisPass(const PathText& backupPath) const {
    std::optional<FileIdentity> there = c_.fileSystem.identity(backupPath.onDisk);
    return there && storedThisPass_.count(*there) > 0;
  }

  // Step 182. The copy keeps the document's format and its password protection. False when the
  // copy was written but not kept (the disk nearly full after all).
  bool store(AutomationObject& document, DocumentValues& v) {
    // The suite would create the missing folders itself; a folder that could not be made is
    // reported and gets no copy.
    if (v.folderNotCreated && !c_.fileSystem.isDirectory(v.folder.onDisk)) {
      throw AutomationError("The backup folder " + v.folder.shown +
                            " could not be created, so no copy was stored.");
    }
    if (v.folder.empty()) {
      throw AutomationError("No backup folder is chosen, so no copy was stored.");
    }
    if (v.backupPath.empty()) {
      throw AutomationError(
          "No backup name: with the date/time stamp on, choose \"Create new file on backup\" or "
          "\"Overwrite old backup file on backup\".");
    }
    if (!v.format.known) {
      throw AutomationError("The document's file format could not be read, so no copy was stored.");
    }
    // A name taken by a copy of another moment is numbered once the copy is written; the file
    // there then stays whatever it is.
    if (!NewFileEveryPass(v.suffix) || !c_.facts) refuseToReplaceAnOpenDocument(v);
    const PathText partial = PartialCopyPath(v.backupPath, c_.pathStyle);
    if (c_.stores) c_.stores->storing(v.backupPath.shown);
    const std::optional<PathText> staged = stageCopy(document, v);
    try {
      if (!staged) {
        document.call("storetourl",
                      {BackupUrlFromPath(partial, c_.pathStyle), v.format.properties});
      }
      const std::string& written = staged ? staged->onDisk : partial.onDisk;
      if (c_.extras && !c_.extras->mayKeep(v, written, staged.has_value())) {
        removePartial(written);
        return false;
      }
      if (staged) {
        c_.fileSystem.copyFile(staged->onDisk, partial.onDisk);
        removePartial(staged->onDisk);
      }
      if (NewFileEveryPass(v.suffix) && c_.facts) takeAFreeName(v, partial.onDisk);
      c_.fileSystem.rename(partial.onDisk, v.backupPath.onDisk);
    } catch (...) {
      if (staged) removePartial(staged->onDisk);
      removePartial(partial.onDisk);
      throw;
    }
    std::optional<FileIdentity> stored = c_.fileSystem.identity(v.backupPath.onDisk);
    if (!stored) {
      throw AutomationError("The office suite reported the copy as stored, but there is no file " +
                            v.backupPath.shown + ".");
    }
    storedThisPass_.insert(*stored);
    if (c_.stores) c_.stores->stored(v.backupPath.shown);
    return true;
  }

  // The office writes the copy into the staging folder first, where there is one and it has the
  // room. A staging folder the office cannot write into (too small after all, out of reach of a
  // sandboxed office) costs nothing but the try: the copy is then written as without one.
  std::optional<PathText> stageCopy(AutomationObject& document, const DocumentValues& v) {
    // Staging needs the disk guard's judgement of its room, and the file facts to clear it.
    const bool staging = !c_.stagingFolder.empty() && c_.extras && c_.facts;
    if (!staging || !c_.extras->mayStage(v, c_.stagingFolder)) {
      return std::nullopt;
    }
    clearStagingFolder();
    const PathText staged = PlainText(c_.stagingFolder + "copy") + v.copyExtension;
    try {
      document.call("storetourl", {BackupUrlFromPath(staged, c_.pathStyle), v.format.properties});
      return staged;
    } catch (const OfficeConnectionLost&) {
      removePartial(staged.onDisk);
      throw;
    } catch (const AutomationError&) {
      removePartial(staged.onDisk);
      return std::nullopt;
    }
  }

  // What a pass cut short left there. This user's passes take turns, so none writes there now.
  void clearStagingFolder() {
    if (std::exchange(stagingCleared_, true)) return;
    for (const std::string& name : c_.facts->namesIn(c_.stagingFolder)) {
      removePartial(c_.stagingFolder + name);
    }
  }

  // The stamped name, unless a file of another moment has it: then the first free numbered one.
  // The office wrote the partial copy just now, so its time is the moment of this copy by the
  // same clock that timed the file already there.
  void takeAFreeName(DocumentValues& v, const std::string& partial) {
    // Where times follow summer time, the hour repeated in autumn reads as the same moment:
    // there every taken name is numbered, two passes in one second included.
    const std::optional<FileStamp> written = c_.facts->timesFollowSummerTime(v.folder.onDisk)
                                                 ? std::nullopt
                                                 : c_.facts->stampOf(partial);
    for (int number = 2;; ++number) {
      if (!c_.fileSystem.identity(v.backupPath.onDisk)) return;
      const std::optional<FileStamp> there = c_.facts->stampOf(v.backupPath.onDisk);
      if (written && there && !takenInThisPass(v.backupPath) &&
          std::llabs(written->modifiedNanoseconds - there->modifiedNanoseconds) <
              OneMomentNanoseconds) {
        refuseToReplaceAnOpenDocument(v);
        return;
      }
      v.backupPath = numbered(v, number);
      v.backupUrl = BackupUrlFromPath(v.backupPath, c_.pathStyle);
    }
  }

  // A store that failed halfway may have left part of the copy; it never outlives its store.
  void removePartial(const std::string& partial) {
    try {
      if (c_.fileSystem.canReadModificationTime(partial)) c_.fileSystem.deleteFile(partial);
    } catch (const std::exception&) {
      // The next pass into this folder clears it.
    }
  }

  // The document's filter and its options (a CSV file's separator and character set), unless
  // the filter only reads; a never-stored document keeps the suite's default format.
  StoreFormat storeFormat(AutomationObject& document, bool neverStored) {
    StoreFormat format;
    format.known = true;
    ValueList filter;
    const Value arguments = document.call("getArgs");
    for (const Value& entry : arguments.asList()) {
      const ObjectRef& property = entry.asObject();
      if (!property) continue;
      std::string name = property->call("Name").asText();
      if (name == "EncryptionData") format.properties.emplace_back(property);
      if (name == "ReadOnly") format.readOnly = property->call("Value").asBool();
      if (neverStored || (name != "FilterName" && name != "FilterOptions")) continue;
      filter.emplace_back(property);
      if (name == "FilterName") {
        format.ownFilterWrites = filterWrites(property->call("Value").asText());
      }
    }
    if (format.ownFilterWrites) {
      format.properties.insert(format.properties.end(), filter.begin(), filter.end());
    }
    return format;
  }

  // Asked once per filter and pass. When the suite cannot say, the document's own filter is
  // tried, and a store it refuses is reported.
  bool filterWrites(const std::string& filterName) {
    auto known = filterWrites_.find(filterName);
    if (known != filterWrites_.end()) return known->second;
    bool writes = true;
    try {
      if (!filters_) {
        filters_ = RequireObject(
            serviceManager_->call("createInstance", {"com.sun.star.document.FilterFactory"}),
            "list of file formats");
      }
      const Value description = filters_->call("getByName", {filterName});
      for (const Value& entry : description.asList()) {
        const ObjectRef& property = entry.asObject();
        if (property && property->call("Name").asText() == "Flags") {
          writes = (property->call("Value").asInt() & FilterExportFlag) != 0;
        }
      }
    } catch (const AutomationError&) {
    }
    filterWrites_[filterName] = writes;
    return writes;
  }

  // Only a file that already exists can be an open document, so the usual first pass makes no
  // extra calls on the suite. The open documents are listed at every check, never remembered: a
  // prompt or a yield may have let the user open the very file since.
  void refuseToReplaceAnOpenDocument(const DocumentValues& v) {
    if (ComponentsHaveOpen(*components_, c_.fileSystem, v.backupPath.onDisk, c_.pathStyle)) {
      throw AutomationError("The copy was not stored: its backup file " + v.backupPath.shown +
                            " is open in the office suite as a document of its own, and storing "
                            "would replace that document's file.");
    }
  }

  const CalcContext& c_;
  FailureTrap trap_;
  bool visitingNamed_ = false;  // the observer was told of the document now visited
  ObjectRef serviceManager_;
  ObjectRef desktop_;
  ObjectRef components_;
  ObjectRef enumeration_;
  ObjectRef filters_;
  std::map<std::string, bool> filterWrites_;
  std::set<FileIdentity> storedThisPass_;
  bool stagingCleared_ = false;
};

}  // namespace

ObjectRef RequireObject(const Value& value, std::string_view what) {
  const ObjectRef& object = value.asObject();
  if (!object) throw AutomationError("The office suite returned no " + std::string(what) + ".");
  return object;
}

void SaveAll(const CalcContext& context) { Pass(context).run(); }

void SaveClosing(const CalcContext& context, const ObjectRef& document) {
  Pass(context).runOne(document);
}

}  // namespace tg

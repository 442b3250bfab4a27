#include "backup/RestoreCopy.h"

#include <algorithm>
#include <cctype>

#include "backup/BackupNaming.h"
#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"
#include "backup/OpenDocuments.h"
#include "backup/VersionCompare.h"

namespace tg {
namespace {

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

// Hears what the copy of the workbook's state makes of it, and asks nothing: a failure or a
// question (the folder prompt) means no copy, and then nothing is restored.
class StateCopySurface : public Dialogs, public PassNotices, public MessageLoop {
 public:
  MessageAnswer messageBox(std::string_view text, std::string_view, MessageButtons,
                           MessageIcon) override {
    if (problem.empty()) problem = text;
    return MessageAnswer::Ok;
  }
  std::string browseForFolder(std::string_view, std::string_view) override { return ""; }
  void waiting() override {}
  void copied(const std::string&) override {}
  void skipped(const std::string& fileName, const std::string& folder) override {
    problem =
        "the disk of " + folder + " is nearly full, so no copy of " + fileName + " was made there.";
  }
  void storing(std::string_view) override {}
  void stored(std::string_view backupPath) override { keptAs = backupPath; }
  void yield() override {}

  std::string keptAs;
  std::string problem;
};

// The folder options of the user's backups, with a name no other copy can have.
PassOptions StateCopyOptions(PassOptions options) {
  options.stamp = true;
  options.newFile = true;
  options.overwrite = false;
  return options;
}

// The workbook's state, through the office, which has it open with whatever edits it holds.
std::string KeepOpenState(const PassEnvironment& environment, const RestoreRequest& request,
                          const ObjectRef& document) {
  StateCopySurface surface;
  const PassOptions options = StateCopyOptions(request.options);
  RunRestoringCopy(environment,
                   PassSurface{[options] { return options; }, surface, surface, surface}, document);
  if (surface.keptAs.empty() || !surface.problem.empty()) {
    throw RestoreRefused(
        "Its current state could not be kept as a copy, so nothing was "
        "restored" +
        (surface.problem.empty() ? std::string(".") : ": " + surface.problem));
  }
  return surface.keptAs;
}

// The workbook's file as it is, copied as a pass names a copy with its date and time.
std::string KeepFileState(const PassEnvironment& environment, const RestoreRequest& request) {
  const PassOptions options = StateCopyOptions(request.options);
  const LocalDateTime now = environment.clock.now();
  BackupRequest naming{
      .location = BackupUrlFromPath(PlainText(request.workbook), environment.pathStyle),
      .sameFolder = options.sameFolder || options.folder.empty(),
      .chosenFolder = options.folder,
      .suffix = {options.stamp, options.newFile, options.overwrite}};
  const BackupTarget target =
      ComputeBackupTarget(naming, environment.pathStyle, now, environment.regional);
  std::string path = DecodeUrlEscapes(target.backupPath.onDisk);
  const std::string extension = ExtensionOf(path);
  for (int number = 2; environment.fileSystem.identity(path); ++number) {
    path = RemoveExtension(DecodeUrlEscapes(target.backupPath.onDisk), extension) +
           DistinctNameMark(number).onDisk + extension;
  }
  try {
    environment.fileSystem.copyFile(request.workbook, path);
    try {
      AppendHistoryLine(environment.fileSystem, environment.historyLogPath,
                        OccasionHistoryLine(FileNameOf(request.workbook, environment.pathStyle),
                                            path, BeforeRestoringMark, now, environment.regional));
    } catch (...) {
      // A copy the log does not name is found by no one: the restore could not be undone.
      environment.fileSystem.deleteFile(path);
      throw;
    }
  } catch (const std::exception& failure) {
    throw RestoreRefused(
        "Its current state could not be kept as a copy, so nothing was "
        "restored: " +
        std::string(failure.what()));
  }
  return path;
}

// The copy in the workbook's own format, written by the office beside the workbook; the file
// written, to be put in the workbook's place.
std::string ConvertedCopy(const PassEnvironment& environment, const RunningOffice& office,
                          const RestoreRequest& request, const ObjectRef& encryption) {
  const PathStyle style = environment.pathStyle;
  ValueList format;
  {
    const OfficeVersion workbook(office, environment.fileSystem, request.workbook, style,
                                 encryption);
    const Value arguments = workbook.document().call("getArgs");
    for (const Value& entry : arguments.asList()) {
      const ObjectRef& property = entry.asObject();
      if (!property) continue;
      const std::string name = property->call("Name").asText();
      if (name == "FilterName" || name == "FilterOptions" || name == "EncryptionData") {
        format.emplace_back(property);
      }
    }
  }
  const std::string written = FolderPartOf(request.workbook, style) +
                              std::string(PartialCopyPrefix) + FileNameOf(request.workbook, style) +
                              std::string(PartialCopySuffix);
  const OfficeVersion copy(office, environment.fileSystem, request.copy, style, encryption);
  copy.document().call("storeToURL", {BackupUrlFromPath(PlainText(written), style), format});
  return written;
}

// The office shows the restored content where it showed the workbook. Not modified first, so it
// asks nothing: its edits are in the copy just made.
void Reload(const RunningOffice& office, AutomationObject& document) {
  document.call("setModified", {false});
  ObjectRef controller = RequireObject(document.call("getCurrentController"), "document window");
  ObjectRef frame = RequireObject(controller->call("getFrame"), "document window");
  ObjectRef dispatcher = RequireObject(
      office.serviceManager->call("createInstance", {"com.sun.star.frame.DispatchHelper"}),
      "dispatcher");
  dispatcher->call("executeDispatch", {frame, ".uno:Reload", "", std::int32_t{0}, ValueList{}});
}

// A workbook a program held open without a window is closed by a reload, not loaded again: it is
// opened again as it was, hidden, so nothing that held it finds it gone.
void KeepOpen(const RunningOffice& office, const FileSystem& fileSystem, const std::string& path,
              PathStyle style, const ObjectRef& encryption) {
  if (FindOpenDocument(*office.desktop, fileSystem, path, style)) return;
  ValueList arguments{OfficeProperty(office, "Hidden", true)};
  if (encryption) arguments.emplace_back(encryption);
  office.desktop->call("loadComponentFromURL", {BackupUrlFromPath(PlainText(path), style), "_blank",
                                                std::int32_t{0}, arguments});
}

}  // namespace

RestoreOutcome RestoreCopy(const PassEnvironment& environment, const RestoreRequest& request) {
  FileSystem& files = environment.fileSystem;
  const PathStyle style = environment.pathStyle;
  const std::string name = FileNameOf(request.workbook, style);
  if (!files.identity(request.copy)) {
    throw RestoreRefused("The copy " + request.copy + " is no longer on disk.");
  }
  if (!files.identity(request.workbook)) {
    throw RestoreRefused(name + " is not in " + FolderPartOf(request.workbook, style) +
                         " any more: use Save As to put the copy where you want it.");
  }
  const bool sameFormat = Lowered(ExtensionOf(request.copy)) == Lowered(ExtensionOf(name));
  RunningOffice office = ReachRunningOffice(environment.automation);
  const ObjectRef open =
      office.desktop ? FindOpenDocument(*office.desktop, files, request.workbook, style) : nullptr;
  if (!open && files.identity(LockFileOf(request.workbook, style))) {
    throw RestoreRefused(name +
                         " is open in another office (its lock file is beside it), so it was "
                         "not written over. Close it there first.");
  }
  if (!sameFormat && !office.desktop) {
    throw RestoreRefused("The copy is in another format than " + name +
                         ", and only the office can convert it: start LibreOffice, then try "
                         "again.");
  }
  RestoreOutcome outcome;
  const ObjectRef encryption = open ? EncryptionOf(*open) : nullptr;
  outcome.keptAs =
      open ? KeepOpenState(environment, request, open) : KeepFileState(environment, request);
  if (sameFormat) {
    files.copyFile(request.copy, request.workbook);
  } else {
    const std::string converted = ConvertedCopy(environment, office, request, encryption);
    try {
      files.copyFile(converted, request.workbook);
    } catch (...) {
      files.deleteFile(converted);
      throw;
    }
    files.deleteFile(converted);
  }
  if (open) {
    Reload(office, *open);
    KeepOpen(office, files, request.workbook, style, encryption);
    outcome.reloaded = true;
  }
  return outcome;
}

std::string RestoreQuestion(std::string_view workbookName, std::string_view madeAt) {
  return std::string(workbookName) + " will get the content of its copy of " + std::string(madeAt) +
         "; its current state is kept as a copy first.";
}

std::string RestoredText(std::string_view workbookName, const RestoreOutcome& outcome) {
  return std::string(workbookName) + " has the copy's content" +
         (outcome.reloaded ? " (the office shows it)" : "") + "; its state before is kept as " +
         outcome.keptAs + ".";
}

}  // namespace tg

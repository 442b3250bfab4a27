#include "backup/Calc.h"

#include <algorithm>
#include <optional>
#include <set>

#include "backup/HistoryLog.h"
#include "desktop/AddFolder.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {
namespace {

ObjectRef RequireObject(const Value& value, std::string_view what) {
  const ObjectRef& object = value.asObject();
  if (!object) throw AutomationError("The office suite returned no " + std::string(what) + ".");
  return object;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The suite reads "%XX" in a URL as one character; two URLs name the same file when they agree
// after that decoding.
std::string DecodeEscapes(std::string_view url) {
  std::string decoded;
  decoded.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && HexDigit(url[i + 1]) >= 0 &&
        HexDigit(url[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(url[i + 1]) * 16 + HexDigit(url[i + 2]));
      i += 2;
    } else {
      decoded += url[i];
    }
  }
  return decoded;
}

// Where the office writes a file URL on disk: the scheme dropped, escapes decoded, as it does.
std::string FilePathFromUrl(std::string_view url, PathStyle style) {
  const std::string_view scheme = style == PathStyle::Windows ? "file:///" : "file://";
  std::string path = DecodeEscapes(url.substr(std::min(url.size(), scheme.size())));
  if (style == PathStyle::Windows) std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string PartialCopyPath(std::string_view backupPath, PathStyle style) {
  const std::string folder = FolderPartOf(backupPath, style);
  return folder + std::string(PartialCopyPrefix) + std::string(backupPath.substr(folder.size())) +
         std::string(PartialCopySuffix);
}

// A title may hold characters that would move the copy out of the chosen folder.
std::string FileNameFromTitle(std::string title) {
  for (char& c : title) {
    if (c == '/' || c == '\\') c = '_';
  }
  return title + NeverStoredExtension;
}

// The values of one document's turn. They start empty for every document, so a failed step can
// never name a document after the one visited before it.
struct DocumentValues : BackupTarget {
  bool neverStored = false;
  bool folderNotCreated = false;
  std::string location;
};

class Pass {
 public:
  explicit Pass(const CalcContext& context)
      : c_(context), trap_(context.dialogs, ContextLabels::SaveAll) {}

  void run() {
    if (connect()) visitAll();
    // Released in reverse order of creation; the current document went at the end of its turn.
    trap_.step(188, [&] { enumeration_.reset(); });
    trap_.step(190, [&] { components_.reset(); });
    trap_.step(192, [&] { desktop_.reset(); });
    trap_.step(194, [&] { serviceManager_.reset(); });
  }

 private:
  // Steps 100 to 106. A failure here ends the pass after one report.
  bool connect() {
    bool noOffice = false;
    const bool created = trap_.step(100, [&] {
      try {
        serviceManager_ = c_.automation.create(OfficeServiceManagerId);
      } catch (const OfficeNotRunning&) {
        noOffice = true;  // nothing open, nothing to back up: the pass ends quietly
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
  // repeat the same report for ever.
  void visitAll() {
    for (;;) {
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
    if (!nameFile(document, v)) return;
    if (trap_.test(134, [&] { return c_.controls.Option2.selected(); })) {
      if (!chooseSameFolder(v)) return;
    } else if (trap_.test(158, [&] { return c_.controls.Option1.selected(); })) {
      chooseTypedFolder(v);
    }
    nameBackup(v);
    if (trap_.step(182, [&] { store(document, v); })) {
      trap_.step(184, [&] {
        AppendHistoryLine(c_.fileSystem, c_.historyLogPath,
                          HistoryLine(v.fileName, v.backupPath, c_.clock.now(), c_.regional));
      });
    }
  }

  // Steps 124 to 132. A document that was never stored is named after its title, as the suite
  // shows it, in the suite's own format; when the title cannot be read it cannot be named.
  bool nameFile(AutomationObject& document, DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    v.neverStored = v.location.empty();
    trap_.step(124, [&] { v.localPath = LocalPathFromLocation(v.location, style); });
    trap_.step(130, [&] {
      v.extension =
          v.neverStored ? NeverStoredExtension : ExtensionOf(FileNameOf(v.localPath, style));
    });
    return trap_.step(132, [&] {
      v.fileName = v.neverStored ? FileNameFromTitle(document.call("getTitle").asText())
                                 : FileNameOf(v.localPath, style);
    });
  }

  // Steps 136 to 156. False when no folder could be asked for: the document is then not stored,
  // rather than stored in a folder the user never chose.
  bool chooseSameFolder(DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    trap_.step(136, [&] { v.folder = FolderPartOf(v.localPath, style); });
    bool hadNoFolderPart = v.folder.empty();
    // The prompt names the file as it lies on disk, so a document that was never stored has none
    // to show: its prompt begins with the blank.
    std::string prompt = (v.neverStored ? std::string() : v.fileName) + UnsavedPromptTail;
    // A cancel leaves the document without a copy for this pass; the next pass asks again.
    if (trap_.test(138, [&] { return v.folder.empty(); })) {
      if (!trap_.step(140, [&] { v.folder = BrowseForFolder(c_.dialogs, prompt, ""); })) {
        return false;
      }
      if (v.folder.empty()) return false;
    }
    if (hadNoFolderPart) {
      trap_.step(142, [&] {
        v.localPath = TidySeparators(JoinBackupPath(v.folder, v.fileName, style), style);
      });
      trap_.step(154, [&] { v.folder = FolderPartOf(v.localPath, style); });
      trap_.step(156, [&] { v.fileName = FileNameOf(v.localPath, style); });
    }
    return true;
  }

  // Steps 160 to 164.
  void chooseTypedFolder(DocumentValues& v) {
    trap_.step(160, [&] { v.folder = c_.controls.Text1.text(); });
    if (trap_.test(162, [&] { return !c_.fileSystem.isDirectory(v.folder); })) {
      if (!trap_.step(164, [&] { c_.fileSystem.makeDirectory(v.folder); })) {
        v.folderNotCreated = true;
      }
    }
  }

  // Steps 166 to 180.
  void nameBackup(DocumentValues& v) {
    PathStyle style = c_.pathStyle;
    std::string path;
    trap_.step(166, [&] { path = JoinBackupPath(v.folder, v.fileName, style); });
    trap_.step(168, [&] { path = TidySeparators(path, style); });
    trap_.step(172, [&] { path = RemoveExtension(path, v.extension); });
    SuffixOptions suffix;
    LocalDateTime when;
    trap_.step(174, [&] { suffix.stamp = c_.controls.Check6.value() == CheckBox::Checked; });
    trap_.step(176, [&] {
      when = c_.clock.now();
      suffix.newFile = c_.controls.Option3.selected();
      suffix.overwrite = c_.controls.Option4.selected();
    });
    trap_.step(
        178, [&] { v.backupPath = AddBackupSuffix(path, v.extension, suffix, when, c_.regional); });
    trap_.step(180, [&] { v.backupUrl = BackupUrlFromPath(v.backupPath, style); });
  }

  // Step 182. The copy keeps the document's format and its password protection.
  void store(AutomationObject& document, const DocumentValues& v) {
    // The suite would create the missing folders itself; a folder that could not be made is
    // reported and gets no copy.
    if (v.folderNotCreated && !c_.fileSystem.isDirectory(v.folder)) {
      throw AutomationError("The backup folder could not be created, so no copy was stored: " +
                            v.folder);
    }
    if (v.folder.empty()) {
      throw AutomationError("No backup folder is chosen, so no copy was stored.");
    }
    if (v.backupPath.empty()) {
      throw AutomationError(
          "No backup name: with the date/time stamp on, choose \"Create new file on backup\" or "
          "\"Overwrite old backup file on backup\".");
    }
    ValueList properties = storeProperties(document, v.neverStored);
    refuseToReplaceAnOpenDocument(v);
    const std::string partialUrl =
        BackupUrlFromPath(PartialCopyPath(v.backupPath, c_.pathStyle), c_.pathStyle);
    if (c_.stores) c_.stores->storing(v.backupPath);
    document.call("storetourl", {partialUrl, properties});
    c_.fileSystem.rename(FilePathFromUrl(partialUrl, c_.pathStyle),
                         FilePathFromUrl(v.backupUrl, c_.pathStyle));
    if (c_.stores) c_.stores->stored(v.backupPath);
  }

  ValueList storeProperties(AutomationObject& document, bool neverStored) {
    ValueList kept;
    Value arguments = document.call("getArgs");
    for (const Value& entry : arguments.asList()) {
      const ObjectRef& property = entry.asObject();
      if (!property) continue;
      std::string name = property->call("Name").asText();
      // A document that was never stored keeps the suite's default format.
      if (name == "EncryptionData" || (name == "FilterName" && !neverStored)) {
        kept.push_back(property);
      }
    }
    return kept;
  }

  // Only a file that already exists can be an open document, so the usual first pass makes no
  // extra calls on the suite. The open documents are listed once per pass, when first needed: a
  // listing costs a round trip per document, and the pass itself takes only seconds.
  void refuseToReplaceAnOpenDocument(const DocumentValues& v) {
    // The backup path keeps the location's escapes; the file on disk has them decoded.
    if (!c_.fileSystem.canReadModificationTime(DecodeEscapes(v.backupPath))) return;
    if (!openLocations_) openLocations_ = listOpenLocations();
    if (openLocations_->count(DecodeEscapes(v.backupUrl))) {
      throw AutomationError("The copy was not stored: its backup file " + v.backupPath +
                            " is open in the office suite as a document of its own, and storing "
                            "would replace that document's file.");
    }
  }

  std::set<std::string> listOpenLocations() {
    std::set<std::string> locations;
    ObjectRef open = RequireObject(components_->call("createenumeration"), "enumeration");
    while (open->call("hasMoreElements").asBool()) {
      ObjectRef component = RequireObject(open->call("nextelement"), "component");
      try {
        std::string location = component->call("geturl").asText();
        if (!location.empty()) locations.insert(DecodeEscapes(location));
      } catch (const std::exception&) {
        // A component without a location cannot be in the way.
      }
    }
    return locations;
  }

  const CalcContext& c_;
  FailureTrap trap_;
  ObjectRef serviceManager_;
  ObjectRef desktop_;
  ObjectRef components_;
  ObjectRef enumeration_;
  std::optional<std::set<std::string>> openLocations_;  // decoded file URLs
};

}  // namespace

void SaveAll(const CalcContext& context) { Pass(context).run(); }

}  // namespace tg

#pragma once
// Reading two versions of a workbook through the user's office and telling what changed: a
// workbook the office has open is read as it is there, unsaved edits included; any other file
// (a copy, a workbook not open) is opened hidden and read-only, read, and closed again. Each
// sheet's used area is read in one call. The office's own document comparison is never used: on
// an open workbook it would discard the changes the user recorded.

#include <string>
#include <string_view>
#include <vector>

#include "backup/OpenDocuments.h"
#include "backup/SheetDiff.h"
#include "common/PathStyle.h"
#include "common/ports/Automation.h"
#include "common/ports/FileSystem.h"

namespace tg {

enum class CellContent { Values, Formulas };

// Every sheet of an office spreadsheet document, in the office's order.
WorkbookCells ReadWorkbookCells(AutomationObject& document, CellContent content);

// A file as a document of the running office: the one the office has open, or the file opened
// hidden and read-only for this alone, closed again when this ends. A protected file opens with
// `encryption` (a document's "EncryptionData" property) when one is given.
class OfficeVersion {
 public:
  OfficeVersion(const RunningOffice& office, const FileSystem& fileSystem, std::string_view path,
                PathStyle style, const ObjectRef& encryption = nullptr);
  ~OfficeVersion();
  OfficeVersion(const OfficeVersion&) = delete;
  OfficeVersion& operator=(const OfficeVersion&) = delete;

  AutomationObject& document() const { return *document_; }
  const ObjectRef& documentRef() const { return document_; }
  bool openByUser() const { return !openedHere_; }

 private:
  ObjectRef document_;
  bool openedHere_ = false;
};

// The "EncryptionData" property of an open document, passed on to open its copies; none when it
// has no password.
ObjectRef EncryptionOf(AutomationObject& document);

// A property for a call into the office ("Hidden", true).
ObjectRef OfficeProperty(const RunningOffice& office, std::string_view name, const Value& value);

struct CompareRequest {
  std::string earlier;
  std::string later;
  // The workbook the versions are of: when the office has it open, its password opens them.
  std::string workbook;
  CellContent content = CellContent::Values;
};

// What changed from `earlier` to `later`. Throws AutomationError when no office runs or a version
// could not be read, with a sentence that says which and why.
std::vector<CellChange> CompareVersions(AutomationFactory& automation, const FileSystem& fileSystem,
                                        const CompareRequest& request, PathStyle style);

// Brings the workbook at `path` to the front in the office (opening it when it is not open), with
// `sheet` showing and `cell` ("B7"; empty: none) chosen. Throws AutomationError with a sentence
// when no office runs or the sheet is not there.
void ShowCellInOffice(AutomationFactory& automation, const FileSystem& fileSystem,
                      std::string_view path, std::string_view sheet, std::string_view cell,
                      PathStyle style);

// Where a change is found in the later version: a cell, or an inserted row's or column's first
// cell; empty for what is no longer there.
std::string CellToShow(const CellChange& change);

}  // namespace tg

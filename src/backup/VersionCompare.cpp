#include "backup/VersionCompare.h"

#include "backup/BackupNaming.h"
#include "backup/Calc.h"

namespace tg {
namespace {

// A sheet the size of a whole office's worth of rows would not fit in memory as text: beyond
// this many cells it is not compared.
constexpr std::size_t MostCellsRead = 20'000'000;

std::string CellText(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value.data)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value.data)) return std::to_string(*number);
  if (const auto* flag = std::get_if<bool>(&value.data)) return *flag ? "TRUE" : "FALSE";
  return "";
}

SheetCells ReadSheet(AutomationObject& sheet, std::string name, CellContent content) {
  ObjectRef cursor = RequireObject(sheet.call("createCursor"), "sheet cursor");
  cursor->call("gotoEndOfUsedArea", {false});
  ObjectRef end = RequireObject(cursor->call("getRangeAddress"), "used area");
  const std::int32_t lastRow = end->call("EndRow").asInt();
  const std::int32_t lastColumn = end->call("EndColumn").asInt();
  SheetCells cells;
  cells.name = std::move(name);
  cells.rows = static_cast<std::size_t>(lastRow) + 1;
  cells.columns = static_cast<std::size_t>(lastColumn) + 1;
  if (cells.rows * cells.columns > MostCellsRead) {
    throw AutomationError("The sheet \"" + cells.name + "\" is too large to compare.");
  }
  ObjectRef area = RequireObject(
      sheet.call("getCellRangeByPosition", {std::int32_t{0}, std::int32_t{0}, lastColumn, lastRow}),
      "used area");
  const Value rows =
      area->call(content == CellContent::Values ? "getDataArray" : "getFormulaArray");
  cells.cells.reserve(cells.rows * cells.columns);
  for (const Value& row : rows.asList()) {
    const ValueList& values = row.asList();
    for (std::size_t c = 0; c < cells.columns; ++c) {
      cells.cells.push_back(c < values.size() ? CellText(values[c]) : std::string());
    }
  }
  cells.cells.resize(cells.rows * cells.columns);
  return cells;
}

}  // namespace

WorkbookCells ReadWorkbookCells(AutomationObject& document, CellContent content) {
  ObjectRef sheets = RequireObject(document.call("getSheets"), "sheets");
  WorkbookCells book;
  const Value names = sheets->call("getElementNames");
  for (const Value& name : names.asList()) {
    ObjectRef sheet = RequireObject(sheets->call("getByName", {name}), "sheet");
    book.push_back(ReadSheet(*sheet, name.asText(), content));
  }
  return book;
}

ObjectRef OfficeProperty(const RunningOffice& office, std::string_view name, const Value& value) {
  ObjectRef property = RequireObject(
      office.serviceManager->call("Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}),
      "property");
  property->set("Name", std::string(name));
  property->set("Value", value);
  return property;
}

ObjectRef EncryptionOf(AutomationObject& document) {
  const Value arguments = document.call("getArgs");
  for (const Value& entry : arguments.asList()) {
    const ObjectRef& property = entry.asObject();
    if (property && property->call("Name").asText() == "EncryptionData") return property;
  }
  return nullptr;
}

OfficeVersion::OfficeVersion(const RunningOffice& office, const FileSystem& fileSystem,
                             std::string_view path, PathStyle style, const ObjectRef& encryption) {
  if (!fileSystem.identity(path)) {
    throw AutomationError(std::string(path) + " is not on disk.");
  }
  document_ = FindOpenDocument(*office.desktop, fileSystem, path, style);
  if (document_) return;
  ValueList arguments{OfficeProperty(office, "Hidden", true),
                      OfficeProperty(office, "ReadOnly", true)};
  if (encryption) arguments.emplace_back(encryption);
  try {
    document_ = office.desktop
                    ->call("loadComponentFromURL", {BackupUrlFromPath(PlainText(path), style),
                                                    "_blank", std::int32_t{0}, arguments})
                    .asObject();
  } catch (const OfficeConnectionLost&) {
    throw;
  } catch (const AutomationError&) {
    // The office refuses a file it can't read without a password it was not given.
  }
  if (!document_) {
    throw AutomationError("The office could not read " + FileNameOf(path, style) +
                          (encryption ? "."
                                      : ": if it has a password, open its workbook in the "
                                        "office first, then try again."));
  }
  openedHere_ = true;
}

OfficeVersion::~OfficeVersion() {
  if (!openedHere_) return;
  try {
    document_->call("close", {true});
  } catch (const std::exception&) {
    // The office went away with it.
  }
}

void ShowCellInOffice(AutomationFactory& automation, const FileSystem& fileSystem,
                      std::string_view path, std::string_view sheet, std::string_view cell,
                      PathStyle style) {
  const RunningOffice office = ReachRunningOffice(automation);
  if (!office.desktop) throw AutomationError("No office suite is running.");
  ObjectRef document = FindOpenDocument(*office.desktop, fileSystem, path, style);
  if (!document) {
    document = RequireObject(
        office.desktop->call("loadComponentFromURL", {BackupUrlFromPath(PlainText(path), style),
                                                      "_default", std::int32_t{0}, ValueList{}}),
        "workbook");
  }
  ObjectRef sheets = RequireObject(document->call("getSheets"), "sheets");
  if (!sheets->call("hasByName", {std::string(sheet)}).asBool()) {
    throw AutomationError(FileNameOf(path, style) + " has no sheet \"" + std::string(sheet) +
                          "\" now.");
  }
  ObjectRef shown = RequireObject(sheets->call("getByName", {std::string(sheet)}), "sheet");
  ObjectRef controller = RequireObject(document->call("getCurrentController"), "document window");
  controller->call("setActiveSheet", {shown});
  if (!cell.empty())
    controller->call("select", {shown->call("getCellRangeByName", {std::string(cell)})});
  ObjectRef frame = RequireObject(controller->call("getFrame"), "document window");
  ObjectRef window = RequireObject(frame->call("getContainerWindow"), "document window");
  window->call("setVisible", {true});
  window->call("toFront");
}

std::string CellToShow(const CellChange& change) {
  switch (change.kind) {
    case ChangeKind::Cell:
    case ChangeKind::RowInserted:
    case ChangeKind::ColumnInserted:
      return CellName(change.row, change.column);
    default:
      return "";
  }
}

std::vector<CellChange> CompareVersions(AutomationFactory& automation, const FileSystem& fileSystem,
                                        const CompareRequest& request, PathStyle style) {
  const RunningOffice office = ReachRunningOffice(automation);
  if (!office.desktop) {
    throw AutomationError(
        "No office suite is running: versions are compared by reading them through the office. "
        "Start LibreOffice, then try again.");
  }
  ObjectRef encryption;
  if (!request.workbook.empty()) {
    if (ObjectRef open = FindOpenDocument(*office.desktop, fileSystem, request.workbook, style)) {
      encryption = EncryptionOf(*open);
    }
  }
  WorkbookCells earlier, later;
  {
    const OfficeVersion version(office, fileSystem, request.earlier, style, encryption);
    earlier = ReadWorkbookCells(version.document(), request.content);
  }
  {
    const OfficeVersion version(office, fileSystem, request.later, style, encryption);
    later = ReadWorkbookCells(version.document(), request.content);
  }
  return CompareWorkbooks(earlier, later);
}

}  // namespace tg

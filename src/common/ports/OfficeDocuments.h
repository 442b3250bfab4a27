#pragma once
// Handing a file to the user's running office, to open as a document of its own, and asking
// whether it has one open.

#include <string>
#include <string_view>
#include <vector>

#include "backup/SheetDiff.h"

namespace tg {

class OfficeDocuments {
 public:
  virtual ~OfficeDocuments() = default;
  // Opens the file read-only in the office that runs for this user; false when none runs (none
  // is started for this). Throws std::runtime_error, in plain words, when the office could not be
  // asked.
  virtual bool openReadOnly(std::string_view path) = 0;
  // True when the office that runs for this user has the file open as a document; false when it
  // has not, or none runs. Throws std::runtime_error, in plain words, when it could not be asked.
  virtual bool hasOpen(std::string_view path) = 0;
  // Gives a copy's workbook the copy's content back, its state kept as a copy first; the sentence
  // that says what was done. Throws std::runtime_error with the reason when nothing was.
  virtual std::string restore(std::string_view copy) = 0;
  // What changed from `earlier` to `later`; an empty `later` is the copy's workbook as it is now.
  // Throws std::runtime_error with the reason when they could not be compared.
  virtual std::vector<CellChange> compare(std::string_view earlier, std::string_view later,
                                          bool formulas) = 0;
  // Brings the workbook to the front in the office with the sheet showing and the cell ("B7";
  // empty: none) chosen, opening it when it is not open. Throws std::runtime_error with the
  // reason when it could not.
  virtual void showCell(std::string_view workbook, std::string_view sheet,
                        std::string_view cell) = 0;
};

}  // namespace tg

#pragma once
// Opening a file in the user's office from the window, and asking whether it has one open: this
// same program, started with "--open-read-only" or "--has-open", does the talking, so an office
// that hangs holds that child, never the window. The window keeps painting and its timers keep
// running while it waits.

#include <windows.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "common/ports/OfficeDocuments.h"

namespace tg {

class Win32OfficeDocuments : public OfficeDocuments {
 public:
  // `executable`: the full path of the running program.
  explicit Win32OfficeDocuments(std::string executable, DWORD waitMilliseconds = 60000)
      : executable_(std::move(executable)), waitMilliseconds_(waitMilliseconds) {}
  bool openReadOnly(std::string_view path) override;
  bool hasOpen(std::string_view path) override;
  std::string restore(std::string_view copy) override;
  std::vector<CellChange> compare(std::string_view earlier, std::string_view later,
                                  bool formulas) override;
  void showCell(std::string_view workbook, std::string_view sheet, std::string_view cell) override;

 private:
  ChildAnswer ask(const std::vector<std::string>& arguments);

  std::string executable_;
  DWORD waitMilliseconds_;
};

}  // namespace tg

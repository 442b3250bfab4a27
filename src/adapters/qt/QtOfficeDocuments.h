#pragma once
// Opening a file in the user's office from the window, and asking whether it has one open: this
// same program, started with "--open-read-only" or "--has-open", does the talking, so an office
// that hangs holds that child, never the window. The window keeps answering while it waits.

#include <QString>
#include <QStringList>

#include "app/CommandLine.h"
#include "common/ports/OfficeDocuments.h"

namespace tg {

class QtOfficeDocuments : public OfficeDocuments {
 public:
  explicit QtOfficeDocuments(QString program, int waitMilliseconds = 60000)
      : program_(std::move(program)), waitMilliseconds_(waitMilliseconds) {}
  bool openReadOnly(std::string_view path) override;
  bool hasOpen(std::string_view path) override;
  std::string restore(std::string_view copy) override;
  std::vector<CellChange> compare(std::string_view earlier, std::string_view later,
                                  bool formulas) override;
  void showCell(std::string_view workbook, std::string_view sheet, std::string_view cell) override;

 private:
  ChildAnswer ask(const QStringList& arguments);

  QString program_;
  int waitMilliseconds_;
};

}  // namespace tg

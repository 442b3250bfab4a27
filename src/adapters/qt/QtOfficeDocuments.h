#pragma once
// Opening a file in the user's office from the window: this same program, started with
// "--open-read-only", does the talking, so an office that hangs holds that child, never the
// window. The window keeps answering while it waits.

#include <QString>

#include "common/ports/OfficeDocuments.h"

namespace tg {

class QtOfficeDocuments : public OfficeDocuments {
 public:
  explicit QtOfficeDocuments(QString program, int waitMilliseconds = 60000)
      : program_(std::move(program)), waitMilliseconds_(waitMilliseconds) {}
  bool openReadOnly(std::string_view path) override;

 private:
  QString program_;
  int waitMilliseconds_;
};

}  // namespace tg

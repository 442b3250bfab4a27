#pragma once
// Handing a file to the user's running office, to open as a document of its own, and asking
// whether it has one open.

#include <string_view>

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
};

}  // namespace tg

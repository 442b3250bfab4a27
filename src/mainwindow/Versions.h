#pragma once
// The Versions window's logic: every document with copies on the left, narrowed by what the user
// types; the chosen document's copies on the right, newest first; and the three ways back to a
// copy: open it in the office (read-only, so neither it nor the original is written over), show
// it in the file manager, or save it as a file of the user's choosing; and the ways to work with
// it: what changed since it (or since the copy before it), and giving the workbook its content
// back.

#include <functional>
#include <string>
#include <vector>

#include "backup/CopyCatalogue.h"
#include "common/PathStyle.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"
#include "common/ports/OfficeDocuments.h"
#include "common/ports/PrivateState.h"
#include "common/ports/RegionalSettings.h"
#include "common/ports/SettingsBackend.h"
#include "common/ports/Shell.h"
#include "common/ports/VersionsView.h"

namespace tg {

struct VersionsPorts {
  FileSystem& fileSystem;
  const FileFacts& facts;
  PrivateState* state;  // where the record of the copies kept is; none: the log alone
  const RegionalSettings& regional;
  Shell& shell;
  OfficeDocuments& office;
  SettingsBackend& settings;
  PathStyle pathStyle;
  std::string historyLogPath;
};

inline constexpr std::string_view VersionsSizeKey = "Versions Size";

// Reads the history log and the record the way the window and --list-copies show them: a log or
// record that cannot be read gives fewer documents, never a failure.
CopyCatalogue ReadCopiesOfUser(FileSystem& fileSystem, PrivateState* state,
                               const RegionalSettings& regional, PathStyle style,
                               const std::string& historyLogPath);

class Versions {
 public:
  // Reads the copies and fills the window, at the size it had when last closed.
  Versions(VersionsView& view, VersionsPorts ports);
  Versions(const Versions&) = delete;
  Versions& operator=(const Versions&) = delete;

  // Once the window has closed; it and this may be freed then.
  std::function<void()> finished;

  // Reads the copies again (the list may be old), keeping the document chosen while it has any.
  void readCopiesAgain();

  // The documents the list shows now, in its order.
  const std::vector<const CatalogueDocument*>& shownDocuments() const { return shown_; }

 private:
  void filterChanged(const std::string& text);
  std::string filter_;
  void showChange(int row);
  std::vector<CellChange> changes_;  // of the last comparison, in the order listed
  std::string changesWorkbook_;
  void documentChosen(int row);
  void copyChosen(int row);
  void openCopy();
  void showCopyInFolder();
  void saveCopyAs();
  void compareWithWorkbook();
  void compareWithPrevious();
  void compare(const CatalogueCopy& earlier, const std::string& later, const std::string& title);
  void restoreCopy();
  void toggleKeep();
  // Whether the chosen copy is one the rules may remove (recorded), and whether it is kept.
  std::pair<bool, bool> keepState() const;
  void enableActions();
  std::string workbookPath() const;
  bool officeHasOpen(const std::string& target);
  void rememberSize();
  const CatalogueCopy* chosenCopy() const;
  const CatalogueCopy* previousCopy() const;
  bool chosenCopyPresent() const;

  VersionsView& view_;
  VersionsPorts ports_;
  CopyCatalogue catalogue_;
  std::vector<const CatalogueDocument*> shown_;
  const CatalogueDocument* document_ = nullptr;
  int copy_ = -1;
};

}  // namespace tg

#pragma once
// The Versions window as its logic sees it: two lists, a filter box, three buttons and a line that
// says what was done. The toolkit's window lays them out and raises the events below; it never
// decides anything itself.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

struct DocumentRow {
  std::string name;
  std::string folder;
  std::string newestCopy;  // when its newest copy was made
};

// One change between two versions as the window lists it.
struct ChangeRow {
  std::string sheet;
  std::string place;  // "B7", "row 3 inserted", "column C deleted", "sheet added"
  std::string before;
  std::string after;
  bool operator==(const ChangeRow&) const = default;
};

struct CopyRow {
  std::string madeAt;
  std::string size;  // empty when the file is gone
  std::string folder;
  bool present = true;  // a gone copy shows greyed
};

namespace VersionsCaptions {
inline constexpr std::string_view Window = "Tallyguard - Versions";
inline constexpr std::string_view Filter = "Find:";
inline constexpr std::string_view Documents = "Documents";
inline constexpr std::string_view Copies = "Copies";
inline constexpr std::string_view Open = "Open";
inline constexpr std::string_view ShowInFolder = "Show in Folder";
inline constexpr std::string_view SaveAs = "Save As...";
inline constexpr std::string_view Compare = "Compare";
inline constexpr std::string_view ComparePrevious = "Compare with Previous";
inline constexpr std::string_view Formulas = "Formulas";
inline constexpr std::string_view Restore = "Restore...";
inline constexpr std::string_view Keep = "Keep";
inline constexpr std::string_view ChangesWindow = "Tallyguard - What Changed";
inline constexpr std::string_view ChangesSheet = "Sheet";
inline constexpr std::string_view ChangesPlace = "Cell";
inline constexpr std::string_view ChangesBefore = "Before";
inline constexpr std::string_view ChangesAfter = "After";
inline constexpr std::string_view Close = "Close";
}  // namespace VersionsCaptions

struct WindowSize {
  int width = 0;  // pixels
  int height = 0;
};

class VersionsView {
 public:
  virtual ~VersionsView() = default;
  // Replaces the list; nothing is chosen in it afterwards, and no event is raised.
  virtual void showDocuments(const std::vector<DocumentRow>& rows) = 0;
  virtual void showCopies(const std::vector<CopyRow>& rows) = 0;
  // Chooses a row from code (from 0), without raising the event of the user's choice.
  virtual void chooseDocument(int row) = 0;
  virtual void chooseCopy(int row) = 0;
  // Open, Show in Folder and Save As... act on the chosen copy: usable only while there is one.
  virtual void enableCopyActions(bool open, bool showInFolder, bool saveAs) = 0;
  // Compare (with the workbook), Compare with Previous (copy), Restore... and Keep, the last
  // shown checked while the chosen copy is kept.
  virtual void enableWorkActions(bool compare, bool comparePrevious, bool restore, bool keep,
                                 bool kept) = 0;
  // Whether "Formulas" is ticked: compare formulas rather than the values they give.
  virtual bool formulasChosen() const = 0;
  // A question with Yes and No; true for Yes.
  virtual bool confirm(std::string_view text) = 0;
  // The window that lists what changed, in front of this one; `title` says between what.
  virtual void showChanges(std::string_view title, const std::vector<ChangeRow>& rows) = 0;
  virtual void setStatus(std::string_view text) = 0;
  // The save dialog, starting at `suggestedPath`; nothing when the user cancels. It asks before
  // replacing a file itself.
  virtual std::optional<std::string> askWhereToSave(std::string_view suggestedPath) = 0;
  // A message box over the window.
  virtual void tell(std::string_view text) = 0;
  virtual void bringToFront() = 0;
  virtual WindowSize size() const = 0;
  virtual void setSize(WindowSize size) = 0;

  // Raised by the user; the chosen row counts from 0.
  std::function<void(const std::string& text)> filterChanged;
  std::function<void(int row)> documentChosen;
  std::function<void(int row)> copyChosen;
  std::function<void()> openClicked;
  std::function<void()> showInFolderClicked;
  std::function<void()> saveAsClicked;
  std::function<void()> compareClicked;
  std::function<void()> comparePreviousClicked;
  std::function<void()> restoreClicked;
  std::function<void()> keepClicked;
  // A change of the last showChanges list chosen to be shown in the office (Enter or a double
  // click on it); the row counts from 0.
  std::function<void(int row)> changeChosen;
  // After the window is gone, outside its own events and from a copy of this handler: the view
  // may be freed from it.
  std::function<void()> closed;
};

}  // namespace tg

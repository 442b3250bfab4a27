#pragma once
// Getting work back from a copy, from the command line and for the window (which runs this same
// program for it, so an office that hangs holds a child, never the window): --restore gives a
// workbook a copy's content back, --diff tells what changed between two versions.

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/SystemServices.h"
#include "backup/CopyCatalogue.h"
#include "backup/RunPass.h"
#include "backup/SheetDiff.h"

namespace tg {

struct CopyCommandPorts {
  PassEnvironment environment;  // where the copy of the workbook's state goes and is logged
  SettingsBackend& settings;
  const Shell& shell;
  const FileFacts& facts;
  const Environment& variables;  // the user's name, for a folder that holds it
};

// The workbook a logged copy was made of, as the Versions window knows it; nothing when the copy
// is not one of this program's. The copy's path may be spelled any way that names its file.
std::optional<std::string> WorkbookOfCopy(const CopyCatalogue& catalogue,
                                          const FileSystem& fileSystem, std::string_view copy);

// Prints the sentence RestoredText makes; exit 0, or 1 with the reason on `errors`.
int RunRestore(const CopyCommandPorts& ports, std::string_view copy, std::ostream& out,
               std::ostream& errors);

// Prints DiffText's lines, from the first version to the second (by default the copy's workbook
// as it is now); exit 0 the same, 1 different, 2 with the reason on `errors`.
int RunDiff(const CopyCommandPorts& ports, const std::vector<std::string>& versions, bool formulas,
            std::ostream& out, std::ostream& errors);

// What the window reads from the child's answers; a failure throws std::runtime_error with its
// reason.
std::string RestoredByAnswer(const ChildAnswer& answer);
std::vector<CellChange> ChangesByAnswer(const ChildAnswer& answer);

inline constexpr const char* RestoreFlag = "--restore";
inline constexpr const char* DiffFlag = "--diff";
inline constexpr const char* FormulasFlag = "--formulas";
// The window has a change shown in the office with this, the workbook, the sheet and the cell.
inline constexpr const char* ShowCellFlag = "--show-cell";

// Shows the cell (see ShowCellInOffice); exit 0, or 1 with the reason on `errors`.
int RunShowCell(const CopyCommandPorts& ports, const std::vector<std::string>& place,
                std::ostream& errors);
// What the window reads from its answer: a failure throws std::runtime_error with its reason.
void ShownByAnswer(const ChildAnswer& answer);

// --restore, --diff and the window's --show-cell with what the platform gives; the history log
// is the window's.
int RunCopyCommand(const SystemServices& services, AutomationFactory& automation,
                   SettingsBackend& settings, const Shell& shell, const Command& command,
                   std::ostream& out, std::ostream& errors);

// The words of the command that name files, to be made whole paths (a --show-cell's sheet and
// cell name none).
std::span<std::string> FilePathsOf(Command& command);

}  // namespace tg

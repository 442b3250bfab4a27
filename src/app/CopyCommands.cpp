#include "app/CopyCommands.h"

#include <ostream>
#include <stdexcept>

#include "backup/BackupNaming.h"
#include "backup/HistoryLog.h"
#include "backup/RestoreCopy.h"
#include "backup/VersionCompare.h"
#include "common/Globals.h"
#include "mainwindow/Versions.h"

namespace tg {
namespace {

struct FoundCopy {
  std::string copy;  // as the catalogue spells it
  std::string workbook;
};

std::optional<FoundCopy> FindCopy(const CopyCatalogue& catalogue, const FileSystem& fileSystem,
                                  std::string_view path) {
  const std::optional<FileIdentity> wanted = fileSystem.identity(path);
  if (!wanted) return std::nullopt;
  for (const CatalogueDocument& document : catalogue.documents()) {
    for (const CatalogueCopy& copy : document.copies) {
      if (fileSystem.identity(copy.path) == wanted) {
        return FoundCopy{std::string(copy.path), document.folder + document.name};
      }
    }
  }
  return std::nullopt;
}

CopyCatalogue CatalogueOf(const CopyCommandPorts& ports) {
  const PassEnvironment& e = ports.environment;
  return ReadCopiesOfUser(e.fileSystem, e.state, e.regional, e.pathStyle, e.historyLogPath);
}

}  // namespace

std::optional<std::string> WorkbookOfCopy(const CopyCatalogue& catalogue,
                                          const FileSystem& fileSystem, std::string_view copy) {
  std::optional<FoundCopy> found = FindCopy(catalogue, fileSystem, copy);
  if (!found) return std::nullopt;
  return found->workbook;
}

int RunRestore(const CopyCommandPorts& ports, std::string_view copy, std::ostream& out,
               std::ostream& errors) {
  const PassEnvironment& e = ports.environment;
  try {
    if (!e.fileSystem.identity(copy)) {
      throw RestoreRefused("There is no file " + std::string(copy) + ".");
    }
    const std::optional<FoundCopy> found = FindCopy(CatalogueOf(ports), e.fileSystem, copy);
    if (!found) {
      throw RestoreRefused(std::string(copy) +
                           " is no copy this program made, so which workbook it belongs to is "
                           "not known. Open it and save it under the name you want.");
    }
    const RestoreOutcome outcome = RestoreCopy(
        e, {found->copy, found->workbook,
            ReadStoredOptions(ports.settings, ports.shell, ports.variables, e.pathStyle)});
    out << RestoredText(FileNameOf(found->workbook, e.pathStyle), outcome) << '\n';
    return ExitCodes::AllCopied;
  } catch (const std::exception& failure) {
    errors << failure.what() << '\n';
    return ExitCodes::SomethingFailed;
  }
}

int RunDiff(const CopyCommandPorts& ports, const std::vector<std::string>& versions, bool formulas,
            std::ostream& out, std::ostream& errors) {
  const PassEnvironment& e = ports.environment;
  try {
    CompareRequest request;
    request.content = formulas ? CellContent::Formulas : CellContent::Values;
    request.earlier = versions.at(0);
    const std::optional<FoundCopy> found = FindCopy(CatalogueOf(ports), e.fileSystem, versions[0]);
    if (found) request.workbook = found->workbook;
    if (versions.size() > 1) {
      request.later = versions[1];
    } else if (found) {
      request.later = found->workbook;
    } else {
      throw std::runtime_error(versions[0] +
                               " is no copy this program made, so its workbook is not known: "
                               "name the second version to compare it with.");
    }
    const std::vector<CellChange> changes =
        CompareVersions(e.automation, e.fileSystem, request, e.pathStyle);
    out << DiffText(changes);
    return changes.empty() ? ExitCodes::AllCopied : ExitCodes::VersionsDiffer;
  } catch (const std::exception& failure) {
    errors << failure.what() << '\n';
    return ExitCodes::DiffTrouble;
  }
}

int RunShowCell(const CopyCommandPorts& ports, const std::vector<std::string>& place,
                std::ostream& errors) {
  const PassEnvironment& e = ports.environment;
  try {
    ShowCellInOffice(e.automation, e.fileSystem, place.at(0), place.at(1), place.at(2),
                     e.pathStyle);
    return ExitCodes::AllCopied;
  } catch (const std::exception& failure) {
    errors << failure.what() << '\n';
    return ExitCodes::SomethingFailed;
  }
}

int RunCopyCommand(const SystemServices& services, AutomationFactory& automation,
                   SettingsBackend& settings, const Shell& shell, const Command& command,
                   std::ostream& out, std::ostream& errors) {
  std::string log;
  try {
    log = HistoryLogPath(ProductTitle, services.environment, services.pathStyle);
  } catch (const std::exception& failure) {
    errors << "The history log has no folder: " << failure.what() << '\n';
    return ExitCodes::DiffTrouble;
  }
  const CopyCommandPorts ports{services.passEnvironment(automation, log), settings, shell,
                               services.facts, services.environment};
  switch (command.kind) {
    case CommandKind::Restore:
      return RunRestore(ports, command.files.front(), out, errors);
    case CommandKind::ShowCell:
      return RunShowCell(ports, command.files, errors);
    default:
      return RunDiff(ports, command.files, command.formulas, out, errors);
  }
}

std::span<std::string> FilePathsOf(Command& command) {
  std::span<std::string> words(command.files);
  return command.kind == CommandKind::ShowCell ? words.first(std::min<size_t>(1, words.size()))
                                               : words;
}

void ShownByAnswer(const ChildAnswer& answer) {
  if (answer.status != ExitCodes::AllCopied) throw std::runtime_error(answer.reason);
}

std::string RestoredByAnswer(const ChildAnswer& answer) {
  if (answer.status != ExitCodes::AllCopied) throw std::runtime_error(answer.reason);
  std::string text = answer.output;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::vector<CellChange> ChangesByAnswer(const ChildAnswer& answer) {
  if (answer.status != ExitCodes::AllCopied && answer.status != ExitCodes::VersionsDiffer) {
    throw std::runtime_error(answer.reason);
  }
  return ParseDiffText(answer.output);
}

}  // namespace tg

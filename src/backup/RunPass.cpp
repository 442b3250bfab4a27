#include "backup/RunPass.h"

#include <optional>

#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"
#include "backup/PassTurn.h"
#include "common/Globals.h"

namespace tg {
namespace {

CopyKeeping KeepingFor(const PassEnvironment& environment, const PassSurface& surface,
                       const PassOptions& options) {
  PassNotices& notices = surface.notices;
  Dialogs& dialogs = surface.dialogs;
  return CopyKeeping(CopyKeepingContext{
      .fileSystem = environment.fileSystem,
      .facts = *environment.facts,
      .clock = environment.clock,
      .regional = environment.regional,
      .historyLogPath = environment.historyLogPath,
      .pathStyle = environment.pathStyle,
      .keep = options.keep,
      .copied = [&notices](const std::string& line) { notices.copied(line); },
      .skipped = [&notices](const std::string& fileName,
                            const std::string& folder) { notices.skipped(fileName, folder); },
      .state = environment.state,
      .keepingFailed =
          [&dialogs](const std::string& problem) { TellKeepingFailed(dialogs, problem); },
      .thin = options.thin});
}

CalcContext ContextFor(const PassEnvironment& environment, const PassSurface& surface) {
  return CalcContext{.automation = environment.automation,
                     .options = surface.options,
                     .dialogs = surface.dialogs,
                     .messageLoop = surface.messageLoop,
                     .fileSystem = environment.fileSystem,
                     .clock = environment.clock,
                     .regional = environment.regional,
                     .historyLogPath = environment.historyLogPath,
                     .pathStyle = environment.pathStyle,
                     .stores = &surface.notices,
                     .facts = environment.facts,
                     .stagingFolder = environment.stagingFolder,
                     .witness = environment.witness};
}

// Runs `save` over the context, with the copies kept by Keep Copies where `turn` was had.
template <typename Save>
void SaveKeeping(const PassEnvironment& environment, const PassSurface& surface, bool turn,
                 CalcContext calc, Save&& save) {
  std::optional<CopyKeeping> keeping;
  if (environment.facts) {
    // The count and the thinning are taken once: copies are removed at the end of the pass, by
    // one rule.
    keeping.emplace(KeepingFor(environment, surface, surface.options()));
    if (turn) calc.extras = &*keeping;
  }
  save(calc);
}

}  // namespace

void RunPass(const PassEnvironment& environment, const PassSurface& surface) {
  std::unique_ptr<PrivateState::Lock> turn;
  if (environment.state) {
    try {
      turn = TakePassTurn(*environment.state, [&] { surface.notices.waiting(); });
      if (!turn) {
        surface.dialogs.messageBox(AnotherBackupRunning, ProductTitle, MessageButtons::Ok,
                                   MessageIcon::Warning);
        return;
      }
    } catch (const std::exception&) {
      // The private folder cannot be trusted (another account's, a link): the copies are made all
      // the same, and Keep Copies, which keeps its record there, says so when it would remove any.
    }
  }
  SaveKeeping(environment, surface, true, ContextFor(environment, surface), SaveAll);
}

void RunClosingCopy(const PassEnvironment& environment, const PassSurface& surface,
                    const ObjectRef& document) {
  std::unique_ptr<PrivateState::Lock> turn;
  if (environment.state) {
    try {
      turn = TakePassTurn(
          *environment.state, [] {}, std::chrono::milliseconds(0));
    } catch (const std::exception&) {
    }
  }
  CalcContext calc = ContextFor(environment, surface);
  calc.witness = nullptr;  // decided already: the document has edits in no copy
  calc.occasion = BeforeClosingMark;
  // Another pass's staging folder is that pass's while it runs.
  if (!turn) calc.stagingFolder.clear();
  SaveKeeping(environment, surface, turn != nullptr, std::move(calc),
              [&](const CalcContext& context) { SaveClosing(context, document); });
}

void RunRestoringCopy(const PassEnvironment& environment, const PassSurface& surface,
                      const ObjectRef& document) {
  CalcContext calc = ContextFor(environment, surface);
  calc.witness = nullptr;
  calc.occasion = BeforeRestoringMark;
  calc.stagingFolder.clear();  // another pass's while it runs
  SaveClosing(calc, document);
}

}  // namespace tg

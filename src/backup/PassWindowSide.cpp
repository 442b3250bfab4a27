#include "backup/PassWindowSide.h"

#include <algorithm>
#include <cstdlib>

#include "backup/CopyKeeping.h"
#include "backup/HangWatch.h"
#include "backup/PassProtocol.h"
#include "common/Descriptions.h"
#include "desktop/AddFolder.h"
#include "reporting/ContextLabels.h"
#include "reporting/ErrorReport.h"

namespace tg {

double ChosenOfficeHangSeconds(const Environment& environment) {
  const std::string chosen = environment.variable("TALLYGUARD_HANG_SECONDS").value_or("");
  char* end = nullptr;
  const double seconds = std::strtod(chosen.c_str(), &end);
  return seconds > 0 && end != chosen.c_str() ? seconds : OfficeHangSeconds;
}
namespace {

class Session {
 public:
  explicit Session(const WindowSideContext& context)
      : c_(context), watch_(context.clock, context.hangSeconds, [&helper = context.helper] {
          return helper.workDone();
        }) {}

  void run() {
    for (;;) {
      if (!takeLines()) return;
      if (done_) return tellFullFolders();
      if (!c_.helper.running()) {
        if (takeLines() && !done_) fail(Descriptions::HelperEndedEarly);
        if (done_) tellFullFolders();
        return;
      }
      if (watch_.hung()) {
        fail(Descriptions::OfficeNotResponding);
        return;
      }
      c_.messageLoop.yield();
    }
  }

 private:
  // False when a line could not be read: the helper is ended and the failure reported.
  bool takeLines() {
    while (std::optional<std::string> line = c_.helper.takeLine()) {
      std::optional<PassMessage> message = ParsePassMessage(*line);
      if (!message) {
        fail(Descriptions::HelperGarbled);
        return false;
      }
      handle(*message);
      watch_.progress();
    }
    return true;
  }

  void handle(const PassMessage& message) {
    const std::vector<std::string>& fields = message.fields;
    switch (message.verb) {
      case PassVerb::Options:
        return answer(EncodePassOptions(c_.options()));
      case PassVerb::Prompt:
        return answer(promptForFolder(fields[0]));
      case PassVerb::Message:
        return answer(std::string(ToText(showMessage(message))));
      case PassVerb::Store:
        line_ = 182;
        if (c_.notices) c_.notices->visiting(fields[1]);
        if (c_.notices) c_.notices->storing(fields[0]);
        return;
      case PassVerb::Copy:
        line_ = 184;
        if (c_.notices) c_.notices->stored(fields[0]);
        // A watch's report from here on may be about the next document, which no line named yet.
        if (c_.notices) c_.notices->visiting("");
        return;
      case PassVerb::Logged:
        if (c_.notices) c_.notices->copied(fields[0]);
        return;
      case PassVerb::Skipped:
        if (std::ranges::find(fullFolders_, fields[1]) == fullFolders_.end()) {
          fullFolders_.push_back(fields[1]);
        }
        if (c_.notices) c_.notices->skipped(fields[0], fields[1]);
        return;
      case PassVerb::NoOffice:
        if (c_.notices) c_.notices->officeNotRunning(fields[0]);
        return;
      case PassVerb::Wait:
        if (c_.notices) c_.notices->waiting();
        return;
      case PassVerb::Done:
        done_ = true;
        return;
      case PassVerb::Answer:
        return;  // the helper never answers; nothing to do
    }
  }

  MessageAnswer showMessage(const PassMessage& message) {
    if (c_.notices) c_.notices->visiting(message.fields[4]);
    const auto buttons = static_cast<MessageButtons>(message.fields[2][0] - '0');
    const auto icon = static_cast<MessageIcon>(message.fields[3][0] - '0');
    return c_.dialogs.messageBox(message.fields[0], message.fields[1], buttons, icon);
  }

  // A picker that cannot open counts as a cancel: that document gets no copy this time.
  std::string promptForFolder(std::string_view prompt) {
    try {
      return BrowseForFolder(c_.dialogs, prompt, "");
    } catch (const std::exception&) {
      return "";
    }
  }

  void answer(std::string text) {
    c_.helper.send(EncodePassMessage({PassVerb::Answer, {std::move(text)}}));
  }

  // The window tells the folders that were too full once per pass; a command line has told each
  // copy as it was skipped.
  void tellFullFolders() {
    if (!c_.notices && !fullFolders_.empty()) TellNearlyFull(c_.dialogs, fullFolders_);
  }

  void fail(std::string_view description) {
    c_.helper.stop();
    ShowApplicationError(c_.dialogs, ContextLabels::SaveAll, description, line_);
  }

  const WindowSideContext& c_;
  HangWatch watch_;
  std::vector<std::string> fullFolders_;
  int line_ = 100;  // where a failure is reported: connecting and visiting, or storing a copy
  bool done_ = false;
};

}  // namespace

void RunPassInHelper(const WindowSideContext& context) {
  try {
    context.helper.start(context.historyLogPath);
  } catch (const std::exception& failure) {
    ShowApplicationError(context.dialogs, ContextLabels::SaveAll, failure.what(), 100);
    return;
  }
  Session(context).run();
}

}  // namespace tg

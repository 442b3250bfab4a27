#include "backup/BackgroundPass.h"

#include <cstdlib>

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
  explicit Session(const BackgroundPassContext& context)
      : c_(context),
        lastProgress_(context.clock.secondsSinceStart()),
        lastWork_(context.helper.workDone()) {}

  void run() {
    for (;;) {
      if (!takeLines()) return;
      if (done_) return;
      if (!c_.helper.running()) {
        if (takeLines() && !done_) fail(Descriptions::HelperEndedEarly);
        return;
      }
      if (hung()) {
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
      // The user's time in a dialog is not the office's: the watch starts again after it.
      lastProgress_ = c_.clock.secondsSinceStart();
    }
    return true;
  }

  void handle(const PassMessage& message) {
    switch (message.verb) {
      case PassVerb::Read:
        return answer(readControl(message.fields[0]));
      case PassVerb::Prompt:
        return answer(promptForFolder(message.fields[0]));
      case PassVerb::Message:
        return answer(std::string(ToText(showMessage(message))));
      case PassVerb::Store:
        line_ = 182;
        return;
      case PassVerb::Copy:
        line_ = 184;
        return;
      case PassVerb::Done:
        done_ = true;
        return;
      case PassVerb::Answer:
        return;  // the helper never answers; nothing to do
      case PassVerb::Wait:
        return;  // a line, so progress: the watch starts again
    }
  }

  MessageAnswer showMessage(const PassMessage& message) {
    const auto buttons = static_cast<MessageButtons>(message.fields[2][0] - '0');
    const auto icon = static_cast<MessageIcon>(message.fields[3][0] - '0');
    return c_.dialogs.messageBox(message.fields[0], message.fields[1], buttons, icon);
  }

  std::string readControl(std::string_view name) const {
    const BackupOptionControls& controls = c_.controls;
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    if (name == "Option2") return flag(controls.Option2.selected());
    if (name == "Option1") return flag(controls.Option1.selected());
    if (name == "Check6") return flag(controls.Check6.value() == CheckBox::Checked);
    if (name == "Option3") return flag(controls.Option3.selected());
    if (name == "Option4") return flag(controls.Option4.selected());
    if (name == KeepCopiesControl) {
      return std::to_string(c_.keepCopies ? c_.keepCopies->value() : 0);
    }
    return controls.Text1.text();
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

  // Any line, any processor time of the helper or the office, counts as progress; a slow store
  // of a big workbook keeps the office busy and is never cut off.
  bool hung() {
    const double now = c_.clock.secondsSinceStart();
    // Reading the processor times walks /proc: once a second is plenty for a 60 s bound.
    if (now - lastSample_ < 1.0) return now - lastProgress_ >= c_.hangSeconds;
    lastSample_ = now;
    const std::uint64_t work = c_.helper.workDone();
    if (work != lastWork_) {
      lastWork_ = work;
      lastProgress_ = now;
    }
    return now - lastProgress_ >= c_.hangSeconds;
  }

  void fail(std::string_view description) {
    c_.helper.stop();
    ShowApplicationError(c_.dialogs, ContextLabels::SaveAll, description, line_);
  }

  const BackgroundPassContext& c_;
  double lastProgress_;
  double lastSample_ = 0;
  std::uint64_t lastWork_;
  int line_ = 100;  // where a failure is reported: connecting and visiting, or storing a copy
  bool done_ = false;
};

}  // namespace

void RunPassInHelper(const BackgroundPassContext& context) {
  try {
    context.helper.start(context.historyLogPath);
  } catch (const std::exception& failure) {
    ShowApplicationError(context.dialogs, ContextLabels::SaveAll, failure.what(), 100);
    return;
  }
  Session(context).run();
}

}  // namespace tg

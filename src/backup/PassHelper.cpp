#include "backup/PassHelper.h"

#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "backup/Calc.h"
#include "backup/CopyKeeping.h"
#include "backup/FixedOptions.h"
#include "backup/PassProtocol.h"
#include "backup/PassTurn.h"
#include "common/Globals.h"

namespace tg {
namespace {

// The helper's end of the line: one ask, one answer.
class WindowLink {
 public:
  WindowLink(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  void tell(PassVerb verb, std::vector<std::string> fields = {}) {
    out_ << EncodePassMessage({verb, std::move(fields)}) << '\n' << std::flush;
  }

  std::string ask(PassVerb verb, std::vector<std::string> fields) {
    tell(verb, std::move(fields));
    std::string line;
    if (!std::getline(in_, line)) throw std::runtime_error("The window no longer answers.");
    std::optional<PassMessage> answer = ParsePassMessage(line);
    if (!answer || answer->verb != PassVerb::Answer) {
      // A window that garbles one answer is not believed for the next ones either: later lines
      // would answer other asks than they seem to. The pass goes on as with a window that is
      // gone, so nothing after this line can lead to a copy.
      in_.setstate(std::ios::failbit);
      throw std::runtime_error("The window's answer could not be read.");
    }
    return answer->fields[0];
  }

 private:
  std::istream& in_;
  std::ostream& out_;
};

// An option control of the window, read live over the link; the pass never changes one.
class RemoteControl : public OptionButton, public CheckBox, public TextBox {
 public:
  RemoteControl(WindowLink& link, std::string name) : link_(link), name_(std::move(name)) {}
  std::string text() const override { return link_.ask(PassVerb::Read, {name_}); }
  bool selected() const override { return text() == "1"; }
  int value() const override { return text() == "1" ? CheckBox::Checked : CheckBox::Unchecked; }

  void setSelected(bool) override { refuse(); }
  void setValue(int) override { refuse(); }
  void setText(std::string_view) override { refuse(); }
  void setSelection(int, int) override { refuse(); }
  bool visible() const override { return true; }
  void setVisible(bool) override { refuse(); }
  void onClick(Handler) override {}
  void onChange(Handler) override {}
  void onGotFocus(Handler) override {}
  void onMouseMove(Handler) override {}

 private:
  [[noreturn]] static void refuse() {
    throw std::logic_error("The backup pass only reads the window's options.");
  }
  WindowLink& link_;
  std::string name_;
};

class RemoteDialogs : public Dialogs {
 public:
  explicit RemoteDialogs(WindowLink& link) : link_(link) {}
  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override {
    const std::string answer =
        link_.ask(PassVerb::Message,
                  {std::string(text), std::string(title), std::to_string(static_cast<int>(buttons)),
                   std::to_string(static_cast<int>(icon))});
    return ParseMessageAnswer(answer).value_or(MessageAnswer::Ok);
  }
  std::string browseForFolder(std::string_view prompt, std::string_view) override {
    return link_.ask(PassVerb::Prompt, {std::string(prompt)});
  }

 private:
  WindowLink& link_;
};

// Every store and every finished copy is told to the window: progress it can show, and a sign
// of life for its watch over the office.
class ReportingStores : public StoreObserver {
 public:
  explicit ReportingStores(WindowLink& link) : link_(link) {}
  void storing(std::string_view backupPath) override {
    link_.tell(PassVerb::Store, {std::string(backupPath)});
  }
  void stored(std::string_view backupPath) override {
    link_.tell(PassVerb::Copy, {std::string(backupPath)});
  }

 private:
  WindowLink& link_;
};

}  // namespace

void ServePass(std::istream& fromWindow, std::ostream& toWindow, const PassHelperContext& context) {
  WindowLink link(fromWindow, toWindow);
  std::unique_ptr<PrivateState::Lock> turn;
  if (context.state) {
    turn = TakePassTurn(*context.state, [&link] { link.tell(PassVerb::Wait); });
    if (!turn) {
      RemoteDialogs(link).messageBox(AnotherBackupRunning, ProductTitle, MessageButtons::Ok,
                                     MessageIcon::Warning);
      link.tell(PassVerb::Done);
      return;
    }
  }
  RemoteControl Option2(link, "Option2"), Option1(link, "Option1"), Text1(link, "Text1"),
      Check6(link, "Check6"), Option3(link, "Option3"), Option4(link, "Option4");
  RemoteDialogs dialogs(link);
  NoMessageLoop messageLoop;
  ReportingStores stores(link);
  CalcContext calc{context.automation,
                   {Option2, Option1, Text1, Check6, Option3, Option4},
                   dialogs,
                   messageLoop,
                   context.fileSystem,
                   context.clock,
                   context.regional,
                   context.historyLogPath,
                   context.pathStyle,
                   &stores};
  RemoteControl Spin1(link, std::string(KeepCopiesControl));
  std::optional<CopyKeeping> keeping;
  if (context.facts) {
    keeping.emplace(CopyKeepingContext{
        context.fileSystem,
        *context.facts,
        context.clock,
        context.regional,
        context.historyLogPath,
        context.pathStyle,
        KeepCountOf(Spin1.text()),
        {},
        {},
        [&dialogs](const std::vector<std::string>& folders) { TellNearlyFull(dialogs, folders); },
        context.state,
        [&dialogs](const std::string& problem) { TellKeepingFailed(dialogs, problem); }});
    calc.extras = &*keeping;
  }
  SaveAll(calc);
  link.tell(PassVerb::Done);
}

}  // namespace tg

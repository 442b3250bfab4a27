#include "backup/PassHelperSide.h"

#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "backup/FixedOptions.h"
#include "backup/PassProtocol.h"

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
    if (!answer || answer->verb != PassVerb::Answer) throw unreadable();
    return answer->fields[0];
  }

  PassOptions options() {
    std::optional<PassOptions> options = ParsePassOptions(ask(PassVerb::Options, {}));
    if (!options) throw unreadable();
    return *options;
  }

 private:
  // A window that garbles one answer is not believed for the next ones either: later lines would
  // answer other asks than they seem to. The pass goes on as with a window that is gone, so
  // nothing after this line can lead to a copy.
  std::runtime_error unreadable() {
    in_.setstate(std::ios::failbit);
    return std::runtime_error("The window's answer could not be read.");
  }
  std::istream& in_;
  std::ostream& out_;
};

// A message names the document the pass is at, so the window needs to remember nothing.
class RemoteDialogs : public Dialogs {
 public:
  RemoteDialogs(WindowLink& link, const std::string& document) : link_(link), document_(document) {}
  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override {
    const std::string answer =
        link_.ask(PassVerb::Message,
                  {std::string(text), std::string(title), std::to_string(static_cast<int>(buttons)),
                   std::to_string(static_cast<int>(icon)), document_});
    return ParseMessageAnswer(answer).value_or(MessageAnswer::Ok);
  }
  std::string browseForFolder(std::string_view prompt, std::string_view) override {
    return link_.ask(PassVerb::Prompt, {std::string(prompt)});
  }

 private:
  WindowLink& link_;
  const std::string& document_;
};

// Everything the pass tells goes to the waiting side: progress it can show, what a command line
// prints, and a sign of life for its watch over the office.
class RemoteNotices : public PassNotices {
 public:
  explicit RemoteNotices(WindowLink& link) : link_(link) {}
  void storing(std::string_view backupPath) override {
    link_.tell(PassVerb::Store, {std::string(backupPath), document});
  }
  void stored(std::string_view backupPath) override {
    link_.tell(PassVerb::Copy, {std::string(backupPath)});
  }
  void officeNotRunning(std::string_view reason) override {
    link_.tell(PassVerb::NoOffice, {std::string(reason)});
  }
  void visiting(std::string_view fileName) override { document = std::string(fileName); }
  void waiting() override { link_.tell(PassVerb::Wait); }
  void copied(const std::string& historyLine) override {
    link_.tell(PassVerb::Logged, {historyLine});
  }
  void skipped(const std::string& fileName, const std::string& folder) override {
    link_.tell(PassVerb::Skipped, {fileName, folder});
  }

  std::string document;  // the file name of the one the pass is at; "" for none

 private:
  WindowLink& link_;
};

}  // namespace

void ServePass(std::istream& fromWindow, std::ostream& toWindow,
               const PassEnvironment& environment) {
  WindowLink link(fromWindow, toWindow);
  NoMessageLoop messageLoop;
  RemoteNotices notices(link);
  RemoteDialogs dialogs(link, notices.document);
  RunPass(environment,
          PassSurface{[&link] { return link.options(); }, dialogs, messageLoop, notices});
  link.tell(PassVerb::Done);
}

int ServeHelperPass(std::istream& fromWindow, std::ostream& toWindow, std::ostream& errors,
                    const PassEnvironment& environment) {
  int status = 0;
  try {
    ServePass(fromWindow, toWindow, environment);
  } catch (const std::exception& failure) {
    errors << "tallyguard backup helper: " << failure.what() << '\n';
    status = 1;
  }
  toWindow.flush();
  return status;
}

}  // namespace tg

// The history commands: view, copy, clear and help. None of them adds to the log.

#include <string>

#include "common/FileExists.h"
#include "mainwindow/DeleteFileForced.h"
#include "mainwindow/Form1.h"
#include "mainwindow/TextLength.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {

void Form1::PushButton3_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton3_Click);
  const std::string& log = ports_.globals.HistoryLogPath;
  if (trap.test(100, [&] { return FileExists(ports_.fileSystem, log); })) {
    // The editor opens the file by name, so only the user's own plain file is handed to it.
    trap.step(102, [&] {
      ports_.fileSystem.checkPlainFileOfUser(log);
      ports_.shell.openInTextEditor(log);
    });
  } else {
    trap.step(104, [&] {
      ports_.dialogs.messageBox(Messages::NoHistory, shortTitle_, MessageButtons::Ok,
                                MessageIcon::None);
    });
  }
}

// Read through the file system port, which never waits on a FIFO and refuses what is not the
// user's own plain file: a log that cannot be read is reported, and the buffer still copies
// whatever it holds.
void Form1::PushButton5_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton5_Click);
  const std::string& log = ports_.globals.HistoryLogPath;
  if (!trap.test(100, [&] { return FileExists(ports_.fileSystem, log); })) return;
  TextBuffer& buffer = c_.RichTextBox1;
  trap.step(102, [&] { buffer.setPlainText(ports_.fileSystem.readText(log)); });
  trap.step(104, [&] { buffer.setSelection(0, 0); });
  trap.step(106, [&] { buffer.setSelection(0, CharacterCount(buffer.text())); });
  trap.step(108, [&] { buffer.copySelection(); });
}

// A tick due while DeleteFileForced lets messages run may still log a pass; those lines go with
// the file. Something at the log's path that is not the user's own plain file is reported and
// left where it is; a log that is not there leaves nothing to report.
void Form1::PushButton12_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton12_Click);
  if (trap.test(100, [&] {
        return ports_.dialogs.messageBox(Messages::ClearHistoryQuestion, shortTitle_,
                                         MessageButtons::YesNo,
                                         MessageIcon::None) == MessageAnswer::Yes;
      })) {
    trap.step(102, [&] {
      const std::string& log = ports_.globals.HistoryLogPath;
      if (FileExists(ports_.fileSystem, log)) ports_.fileSystem.checkPlainFileOfUser(log);
      DeleteFileForced(ports_.messageLoop, ports_.fileSystem, log);
    });
  }
}

namespace {

// Said under the help text when an administrator locked any setting, so the user knows why its
// control is greyed and whom to ask.
std::string LockedSettingsNote(const std::vector<std::string_view>& locked) {
  if (locked.empty()) return "";
  std::string note = "\n\nSet by your administrator: ";
  for (size_t i = 0; i < locked.size(); ++i) {
    if (i > 0) note += ", ";
    note += locked[i];
  }
  return note + ".";
}

}  // namespace

void Form1::PushButton11_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton11_Click);
  trap.step(100, [&] {
    ports_.dialogs.messageBox(std::string(Messages::HelpPrefix) + std::string(MakerContactPage) +
                                  LockedSettingsNote(settings_.LockedKeys()),
                              shortTitle_, MessageButtons::Ok, MessageIcon::None);
  });
}

}  // namespace tg

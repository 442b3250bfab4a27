#pragma once
// Where a copy made as a document closes meets the user: the office waits on it, so nothing may
// wait on the user. No question is asked (a workbook never stored goes into a folder of this
// program's own), and every report becomes a line to the window, in the backup helper's words.

#include <functional>
#include <mutex>
#include <string>

#include "backup/RunPass.h"
#include "common/ports/Dialogs.h"
#include "common/ports/MessageLoop.h"

namespace tg {

using SendLine = std::function<void(const std::string& line)>;

class ClosingCopySurface : public Dialogs, public PassNotices, public MessageLoop {
 public:
  // `unsavedFolder`: where a workbook that was never stored gets its copy (ends with a separator).
  ClosingCopySurface(SendLine send, std::string unsavedFolder)
      : send_(std::move(send)), unsavedFolder_(std::move(unsavedFolder)) {}

  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override;
  std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) override;

  void waiting() override {}
  void copied(const std::string& historyLine) override;
  void skipped(const std::string& fileName, const std::string& folder) override;
  void storing(std::string_view) override {}
  void stored(std::string_view) override {}

  void yield() override {}

 private:
  SendLine send_;
  std::string unsavedFolder_;
};

}  // namespace tg

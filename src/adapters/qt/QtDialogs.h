#pragma once
// Message boxes and the folder chooser, modal and owned by the main window.

#include <QWidget>

#include "common/ports/Dialogs.h"

namespace tg {

// CR LF and a lone CR both break the line, as the messages are written for.
QString MessageText(std::string_view text);

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}
  MessageAnswer messageBox(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon) override;
  // Directories only; an empty initial folder starts at the desktop (or home) folder.
  std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) override;

 private:
  QWidget* owner_;
};

}  // namespace tg

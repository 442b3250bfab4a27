#include "desktop/AddFolder.h"

namespace tg {

std::string BrowseForFolder(Dialogs& dialogs, std::string_view prompt,
                            std::string_view initialFolder) {
  return dialogs.browseForFolder(prompt, initialFolder);
}

}  // namespace tg

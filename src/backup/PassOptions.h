#pragma once
// The options a pass works with, as plain values. The pass reads them afresh for every document,
// so a change the user makes while a pass runs counts from the next document on.

#include <optional>
#include <string>

#include "common/ports/Controls.h"

namespace tg {

struct PassOptions {
  bool sameFolder = true;     // "Save all backups to the same folder as the open files"
  bool chosenFolder = false;  // "Save all backups to this location:"
  std::string folder;         // the chosen folder
  bool stamp = false;         // "Date/Time stamp in file"
  bool newFile = true;        // "Create new file on backup"
  bool overwrite = false;     // "Overwrite old backup file on backup"
  int keep = 0;               // "Keep Copies": 0 keeps every copy, unless `thin`
  bool thin = false;          // "Thin out old copies"
  bool operator==(const PassOptions&) const = default;
};

// The controls of the options panel a pass reads its options from.
struct BackupOptionControls {
  const OptionButton& Option2;
  const OptionButton& Option1;
  const TextBox& Text1;
  const CheckBox& Check6;
  const OptionButton& Option3;
  const OptionButton& Option4;
  const NumberBox* Spin1 = nullptr;  // none reads as 0, keep every copy
  const CheckBox* Check9 = nullptr;  // none reads as off
};

PassOptions ReadPassOptions(const BackupOptionControls& controls);

// One line of text and back, for the helper to ask the window for them; nothing when the text is
// not what EncodePassOptions makes.
std::string EncodePassOptions(const PassOptions& options);
std::optional<PassOptions> ParsePassOptions(std::string_view text);

}  // namespace tg

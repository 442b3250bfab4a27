#include "backup/PassOptions.h"

#include <charconv>

namespace tg {
namespace {

constexpr char Yes = '1';
constexpr char No = '0';
constexpr char Thin = 't';

std::optional<bool> Flag(char c) {
  if (c == Yes) return true;
  if (c == No) return false;
  return std::nullopt;
}

}  // namespace

PassOptions ReadPassOptions(const BackupOptionControls& controls) {
  return PassOptions{.sameFolder = controls.Option2.selected(),
                     .chosenFolder = controls.Option1.selected(),
                     .folder = controls.Text1.text(),
                     .stamp = controls.Check6.value() == CheckBox::Checked,
                     .newFile = controls.Option3.selected(),
                     .overwrite = controls.Option4.selected(),
                     .keep = controls.Spin1 ? controls.Spin1->value() : 0,
                     .thin = controls.Check9 && controls.Check9->value() == CheckBox::Checked};
}

// Five flags, the count, "t" when thinning out old copies, a blank, then the folder as it is: the
// folder is last, so any text fits. The letter after the count leaves a text without it, as the
// program wrote before it thinned out copies, readable as before.
std::string EncodePassOptions(const PassOptions& options) {
  std::string text;
  for (bool flag : {options.sameFolder, options.chosenFolder, options.stamp, options.newFile,
                    options.overwrite}) {
    text += flag ? Yes : No;
  }
  return text + std::to_string(options.keep) + (options.thin ? std::string(1, Thin) : "") + " " +
         options.folder;
}

std::optional<PassOptions> ParsePassOptions(std::string_view text) {
  constexpr size_t Flags = 5;
  const size_t blank = text.find(' ');
  if (blank == std::string_view::npos || blank <= Flags) return std::nullopt;
  bool flags[Flags];
  for (size_t i = 0; i < Flags; ++i) {
    const std::optional<bool> flag = Flag(text[i]);
    if (!flag) return std::nullopt;
    flags[i] = *flag;
  }
  const bool thin = text[blank - 1] == Thin;
  int keep = 0;
  const char* first = text.data() + Flags;
  const char* last = text.data() + blank - (thin ? 1 : 0);
  const auto [end, error] = std::from_chars(first, last, keep);
  if (first == last || error != std::errc() || end != last || keep < 0) return std::nullopt;
  return PassOptions{.sameFolder = flags[0],
                     .chosenFolder = flags[1],
                     .folder = std::string(text.substr(blank + 1)),
                     .stamp = flags[2],
                     .newFile = flags[3],
                     .overwrite = flags[4],
                     .keep = keep,
                     .thin = thin};
}

}  // namespace tg

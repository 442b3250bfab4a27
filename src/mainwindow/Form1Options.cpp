// The options panel: every change is stored the moment it is made. The backup pass reads the
// controls themselves, so nothing else needs telling.

#include <string>

#include "desktop/AddFolder.h"
#include "desktop/mStartUp.h"
#include "mainwindow/Form1.h"
#include "mainwindow/TextLength.h"
#include "reporting/ContextLabels.h"
#include "reporting/FailureTrap.h"

namespace tg {

namespace {

// Any value but 1, the grey state included, counts as not checked.
bool IsChecked(const CheckBox& box) { return box.value() == CheckBox::Checked; }

}  // namespace

// Start-up restores this box from the store; doing so must neither register nor unregister the
// program, nor store the value again.
void Form1::Check5_Click() {
  if (isLoading_) return;
  if (IsChecked(c_.Check5)) {
    WriteSetting(SettingKeys::WindowsStartup, SettingOn);
    c_.Check8.setVisible(true);
    EnableStartup(ports_.autostart);
  } else {
    c_.Check8.setValue(CheckBox::Unchecked);  // stores "Minimized" through its own click
    c_.Check8.setVisible(false);
    WriteSetting(SettingKeys::WindowsStartup, SettingOff);
    DisableStartup(ports_.autostart);
  }
}

void Form1::Check6_Click() {
  WriteSetting(SettingKeys::IncludeDate, OnOffText(IsChecked(c_.Check6)));
}

void Form1::Check8_Click() {
  WriteSetting(SettingKeys::Minimized, OnOffText(IsChecked(c_.Check8)));
}

void Form1::Option1_Click() { WriteSetting(SettingKeys::WhereOption, "1"); }
void Form1::Option2_Click() { WriteSetting(SettingKeys::WhereOption, "2"); }
void Form1::Option3_Click() { WriteSetting(SettingKeys::BackupOption, "1"); }
void Form1::Option4_Click() { WriteSetting(SettingKeys::BackupOption, "2"); }

// Stored keystroke by keystroke; whether the folder exists is the backup pass's concern.
void Form1::Text1_Change() { WriteSetting(SettingKeys::Path, c_.Text1.text()); }

void Form1::Text1_GotFocus() { c_.Text1.setSelection(0, CharacterCount(c_.Text1.text())); }

void Form1::PushButton1_Click() {
  FailureTrap trap(ports_.dialogs, ContextLabels::PushButton1_Click);
  std::string folder;
  trap.step(100, [&] { folder = BrowseForFolder(ports_.dialogs, Messages::BrowsePrompt, ""); });
  if (!trap.test(102, [&] { return !folder.empty(); })) return;
  trap.step(104, [&] { c_.Text1.setText(folder); });  // stores "Path" through its change
}

}  // namespace tg

#include "adapters/qt/QtDialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "GuiTestSupport.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::WhenModalOpens;

TEST(QtDialogsTest, MessageBoxShowsTitleIconButtonsAndBreaksLinesAtEveryCr) {
  QWidget owner;
  QtDialogs dialogs(&owner);
  QString shownText, shownTitle;
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons shownButtons;
  QWidget* shownParent = nullptr;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    shownTitle = box->windowTitle();
    shownIcon = box->icon();
    shownButtons = box->standardButtons();
    shownParent = box->parentWidget();
    box->button(QMessageBox::No)->click();
  });
  const MessageAnswer answer = dialogs.messageBox("one\r\n\r\ntwo\r\rthree <b>", "Short",
                                                  MessageButtons::YesNo, MessageIcon::None);
  EXPECT_EQ(answer, MessageAnswer::No);
  EXPECT_EQ(shownText, "one\n\ntwo\n\nthree <b>");
  EXPECT_EQ(shownTitle, "Short");
  EXPECT_EQ(shownIcon, QMessageBox::NoIcon);
  EXPECT_EQ(shownButtons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(shownParent, &owner);
}

TEST(QtDialogsTest, ApplicationErrorCarriesTheWarningIconAndOk) {
  QtDialogs dialogs(nullptr);
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shownIcon = box->icon();
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(
      dialogs.messageBox("Overflow", "Application Error", MessageButtons::Ok, MessageIcon::Warning),
      MessageAnswer::Ok);
  EXPECT_EQ(shownIcon, QMessageBox::Warning);
}

TEST(QtDialogsTest, YesAnswersYes) {
  QtDialogs dialogs(nullptr);
  WhenModalOpens(
      [](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(dialogs.messageBox("?", "t", MessageButtons::YesNo, MessageIcon::None),
            MessageAnswer::Yes);
}

class FolderPickerTest : public ::testing::Test {
 protected:
  FolderPickerTest() {
    QDir(QString::fromStdString(folder.path().string())).mkpath("first/inner");
    QDir(QString::fromStdString(folder.path().string())).mkpath("second");
    testing::WriteWholeFile(folder / "first/file.ods", "cells");
  }
  // Opens the picker, notes what it shows, and accepts or cancels it.
  std::string pick(std::string_view initial, bool accept) {
    WhenModalOpens([this, accept](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      shownTitle = dialog->windowTitle();
      shownDirectory = dialog->directory().absolutePath();
      directoriesOnly = dialog->testOption(QFileDialog::ShowDirsOnly) &&
                        dialog->fileMode() == QFileDialog::Directory;
      shownParent = dialog->parentWidget();
      accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
    });
    return dialogs.browseForFolder("Please select folder:", initial);
  }

  testing::TempFolder folder;
  QWidget owner;
  QtDialogs dialogs{&owner};
  QString shownTitle, shownDirectory;
  bool directoriesOnly = false;
  QWidget* shownParent = nullptr;
};

TEST_F(FolderPickerTest, ShowsThePromptPreselectsTheFolderAndReturnsIt) {
  const std::string first = folder / "first";
  EXPECT_EQ(pick(first, true), first);
  EXPECT_EQ(shownTitle, "Please select folder:");
  EXPECT_EQ(shownDirectory.toStdString(), first);
  EXPECT_TRUE(directoriesOnly);
  EXPECT_EQ(shownParent, &owner);

  const std::string second = folder / "second";
  EXPECT_EQ(pick(second, true), second);  // the new call's folder, not the last one
  EXPECT_EQ(shownDirectory.toStdString(), second);
}

TEST_F(FolderPickerTest, CancelReturnsEmpty) { EXPECT_EQ(pick(folder / "first", false), ""); }

TEST_F(FolderPickerTest, EmptyInitialFolderStartsAtAnExistingFolder) {
  pick("", false);
  EXPECT_TRUE(QDir(shownDirectory).exists());
}

}  // namespace
}  // namespace tg

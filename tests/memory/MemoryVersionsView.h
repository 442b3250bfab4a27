#pragma once
// A Versions window for tests: keeps what it was told to show, answers the save dialog from a
// queue, and lets a test act as the user by raising the view's events.

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CopyCommands.h"
#include "common/ports/OfficeDocuments.h"
#include "common/ports/VersionsView.h"

namespace tg {

class MemoryVersionsView : public VersionsView {
 public:
  void showDocuments(const std::vector<DocumentRow>& rows) override {
    documents = rows;
    chosenDocument = -1;
  }
  void showCopies(const std::vector<CopyRow>& rows) override {
    copies = rows;
    chosenCopy = -1;
  }
  void chooseDocument(int row) override { chosenDocument = row; }
  void chooseCopy(int row) override { chosenCopy = row; }
  void enableCopyActions(bool open, bool showInFolder, bool saveAs) override {
    openEnabled = open;
    showInFolderEnabled = showInFolder;
    saveAsEnabled = saveAs;
  }
  void enableWorkActions(bool compare, bool comparePrevious, bool restore, bool keep,
                         bool kept) override {
    compareEnabled = compare;
    comparePreviousEnabled = comparePrevious;
    restoreEnabled = restore;
    keepEnabled = keep;
    keptShown = kept;
  }
  bool formulasChosen() const override { return formulas; }
  bool confirm(std::string_view text) override {
    asked.emplace_back(text);
    return confirmAnswer;
  }
  void showChanges(std::string_view title, const std::vector<ChangeRow>& rows) override {
    changesTitle = title;
    changes = rows;
  }
  void setStatus(std::string_view text) override { status = text; }
  std::optional<std::string> askWhereToSave(std::string_view suggestedPath) override {
    suggested = suggestedPath;
    if (saveAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
  void tell(std::string_view text) override { told.emplace_back(text); }
  void bringToFront() override { ++broughtToFront; }
  WindowSize size() const override { return windowSize; }
  void setSize(WindowSize size) override { windowSize = size; }

  // The user's actions.
  void typeFilter(const std::string& text) { filterChanged(text); }
  void pickDocument(int row) {
    chosenDocument = row;
    documentChosen(row);
  }
  void pickCopy(int row) {
    chosenCopy = row;
    copyChosen(row);
  }
  void close() {
    auto handler = closed;
    handler();
  }

  std::vector<DocumentRow> documents;
  std::vector<CopyRow> copies;
  int chosenDocument = -1;
  int chosenCopy = -1;
  bool openEnabled = false;
  bool showInFolderEnabled = false;
  bool saveAsEnabled = false;
  bool compareEnabled = false;
  bool comparePreviousEnabled = false;
  bool restoreEnabled = false;
  bool keepEnabled = false;
  bool keptShown = false;
  bool formulas = false;
  bool confirmAnswer = true;
  std::vector<std::string> asked;
  std::string changesTitle;
  std::vector<ChangeRow> changes;
  std::string status;
  std::string suggested;
  std::deque<std::optional<std::string>> saveAnswers;
  std::vector<std::string> told;
  int broughtToFront = 0;
  WindowSize windowSize{640, 400};
};

// An office for tests that opens what it is given, or says that none runs.
class MemoryOfficeDocuments : public OfficeDocuments {
 public:
  bool openReadOnly(std::string_view path) override {
    if (!running) return false;
    opened.emplace_back(path);
    return true;
  }
  bool hasOpen(std::string_view path) override {
    if (!answers) throw std::runtime_error("the office did not answer within a minute.");
    return running && std::find(opened.begin(), opened.end(), path) != opened.end();
  }
  // Restore and compare as the child would answer: the text it printed and its exit status.
  std::string restore(std::string_view copy) override {
    restored.emplace_back(copy);
    return RestoredByAnswer(childAnswer);
  }
  std::vector<CellChange> compare(std::string_view earlier, std::string_view later,
                                  bool formulas) override {
    compared.push_back(std::string(earlier) + "|" + std::string(later) + (formulas ? "|=" : ""));
    return ChangesByAnswer(childAnswer);
  }
  void showCell(std::string_view workbook, std::string_view sheet, std::string_view cell) override {
    shownCells.push_back(std::string(workbook) + "|" + std::string(sheet) + "|" +
                         std::string(cell));
    ShownByAnswer(childAnswer);
  }
  std::vector<std::string> shownCells;
  bool running = true;
  bool answers = true;
  std::vector<std::string> opened;  // what it opened, and so has open
  ChildAnswer childAnswer{0, "", ""};
  std::vector<std::string> restored;
  std::vector<std::string> compared;
};

}  // namespace tg

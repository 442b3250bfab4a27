#pragma once
// A desktop shell for tests: records what was opened, fails on request, and ends the program by
// throwing ProgramEnded, which no failure trap catches.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Descriptions.h"
#include "common/ports/Shell.h"

namespace tg {

// Thrown by MemoryShell::endProgram; deliberately not a std::exception.
struct ProgramEnded {};

class MemoryShell : public Shell {
 public:
  void openInTextEditor(std::string_view path) override {
    if (failEditor) throw std::runtime_error(Descriptions::NothingOpens(path));
    editedFiles.emplace_back(path);
  }
  void openWebAddress(std::string_view url) override {
    if (failBrowser) throw std::runtime_error(Descriptions::NothingOpens(url));
    openedAddresses.emplace_back(url);
  }
  void openDocument(std::string_view path) override {
    if (failDocuments) throw std::runtime_error(Descriptions::NothingOpens(path));
    openedDocuments.emplace_back(path);
  }
  void showInFileManager(std::string_view path) override {
    if (failDocuments) throw std::runtime_error(Descriptions::NothingOpens(path));
    shownInFileManager.emplace_back(path);
  }
  std::optional<std::string> desktopFolder() const override { return desktop; }
  std::string programFolder() const override {
    if (failProgramFolder) throw std::runtime_error("Path not found");
    return program;
  }
  [[noreturn]] void endProgram() override {
    ++endCount;
    throw ProgramEnded{};
  }

  std::optional<std::string> desktop = std::string("/home/user/Desktop");
  std::string program = "/opt/tallyguard";
  bool failEditor = false;
  bool failDocuments = false;
  std::vector<std::string> openedDocuments;
  std::vector<std::string> shownInFileManager;
  bool failBrowser = false;
  bool failProgramFolder = false;  // the program's own folder cannot be determined
  std::vector<std::string> editedFiles;
  std::vector<std::string> openedAddresses;
  int endCount = 0;
};

}  // namespace tg

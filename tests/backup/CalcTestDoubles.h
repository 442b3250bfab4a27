#pragma once
// Stand-ins for the backup pass's tests: a file system held in memory, and a fixture that wires it
// with the option controls and the in-memory office suite.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "adapters/memory/CountingMessageLoop.h"
#include "adapters/memory/FixedClock.h"
#include "adapters/memory/MemorySuite.h"
#include "adapters/memory/RecordingDialogs.h"
#include "adapters/memory/UnitedStatesRegionalSettings.h"
#include "backup/Calc.h"
#include "backup/OptionControlDoubles.h"

namespace tg::testing {

// Folders and files by absolute path; makeDirectory creates one level, as the real one does.
class FakeFileSystem : public FileSystem {
 public:
  bool canReadModificationTime(std::string_view path) const override {
    return files.count(std::string(path)) || isDirectory(path);
  }
  bool isDirectory(std::string_view path) const override {
    if (testFailures > 0) {
      --testFailures;
      throw std::system_error(std::make_error_code(std::errc::io_error), "Cannot test the folder.");
    }
    return directories.count(WithoutTrailingSlash(path)) > 0;
  }
  void makeDirectory(std::string_view path) override {
    std::string folder = WithoutTrailingSlash(path);
    size_t slash = folder.rfind('/');
    std::string parent =
        slash == std::string::npos ? "" : WithoutTrailingSlash(folder.substr(0, slash + 1));
    if (directories.count(folder)) {
      throw std::system_error(std::make_error_code(std::errc::file_exists),
                              "The folder exists: " + std::string(path));
    }
    if (folder.empty() || !directories.count(parent)) {
      throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                              "Cannot create the folder " + std::string(path));
    }
    directories.insert(folder);
  }
  void appendText(std::string_view path, std::string_view text) override {
    if (appendFails) {
      throw std::system_error(std::make_error_code(std::errc::permission_denied),
                              "Cannot write " + std::string(path));
    }
    files[std::string(path)] += text;
  }
  std::string readText(std::string_view path) const override { return files.at(std::string(path)); }
  void deleteFile(std::string_view path) override { files.erase(std::string(path)); }
  void forceDeleteFile(std::string_view path) override { files.erase(std::string(path)); }

  static std::string WithoutTrailingSlash(std::string_view path) {
    std::string folder(path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }

  std::set<std::string> directories = {"/", "/data", "/logs", "/safe"};
  std::map<std::string, std::string> files;
  bool appendFails = false;
  mutable int testFailures = 0;  // the next so many folder tests fail
};

class CalcTest : public ::testing::Test, public OptionPanel {
 protected:
  CalcTest() {
    // A copy written by the suite shows up as a file, as a real store would.
    suite.onStore = [this](const StoredCopy& copy) {
      files.files[copy.url.substr(std::string("file://").size())] = copy.content;
    };
    // A prompt that is never answered would come back for ever; give up loudly instead.
    dialogs.whileOpen = [this] {
      if (dialogs.folderPrompts.size() > 50) throw std::runtime_error("prompt loops");
    };
  }

  CalcContext context() { return context(suite); }
  CalcContext context(AutomationFactory& automation) {
    return CalcContext{automation, optionControls(), dialogs,         loop, files, clock,
                       regional,   historyLogPath,   PathStyle::Posix};
  }
  void runPass() { SaveAll(context()); }

  // The line numbers of every error report, in the order shown.
  std::vector<int> reportedLines() const {
    std::vector<int> lines;
    static const std::regex atLine("in Quirnel2021/08/31\\.Calc\\.SaveAll at line (\\d+)\r\r");
    for (const ShownMessage& message : dialogs.messages) {
      std::smatch match;
      if (std::regex_search(message.text, match, atLine)) lines.push_back(std::stoi(match[1]));
    }
    return lines;
  }
  std::string reportText(size_t index) const { return dialogs.messages.at(index).text; }

  std::vector<std::string> historyLines() const {
    std::vector<std::string> lines;
    auto log = files.files.find(historyLogPath);
    if (log == files.files.end()) return lines;
    std::string text = log->second;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  std::vector<std::string> copiedUrls() const {
    std::vector<std::string> urls;
    for (const StoredCopy& copy : suite.copies) urls.push_back(copy.url);
    return urls;
  }

  MemorySuite suite;
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  FakeFileSystem files;
  FixedClock clock{{2026, 12, 6, 13, 58, 16}};
  UnitedStatesRegionalSettings regional;
  std::string historyLogPath = "/logs/Tallyguard.txt";
};

}  // namespace tg::testing

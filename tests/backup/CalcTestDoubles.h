#pragma once
// The backup pass's fixture: a file system held in memory wired with the option controls and the
// in-memory office suite.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "backup/Calc.h"
#include "backup/OptionControlDoubles.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySuite.h"
#include "memory/RecordingDialogs.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/HistoryLines.h"

namespace tg::testing {

class CalcTest : public ::testing::Test, public OptionPanel {
 protected:
  CalcTest() {
    files.directories = {"/", "/data", "/logs", "/safe"};
    // A copy written by the suite shows up as a file, as a real store would.
    suite.disk = &files;
    // A prompt that is never answered would come back for ever; give up loudly instead.
    dialogs.whileOpen = [this] {
      if (dialogs.folderPrompts.size() > 50) throw std::runtime_error("prompt loops");
    };
  }

  CalcContext context() { return context(suite); }
  CalcContext context(AutomationFactory& automation) {
    return calcContext(automation, dialogs, loop, files, clock, regional, historyLogPath,
                       PathStyle::Posix);
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
    auto log = files.files.find(historyLogPath);
    if (log == files.files.end()) return {};
    return testing::HistoryLinesOf(log->second);
  }
  // Where each copy lies after the pass: one written under its partial name and then given its
  // final name shows under the final name.
  std::vector<std::string> copiedUrls() const {
    std::vector<std::string> urls;
    for (const StoredCopy& copy : suite.copies) {
      const std::string final = FinalUrl(copy.url);
      const bool renamed = final != copy.url && !files.exists(PathOf(copy.url));
      urls.push_back(renamed ? final : copy.url);
    }
    return urls;
  }

  // The file the office writes for a URL: the scheme dropped, escapes decoded.
  std::string PathOf(const std::string& url) const {
    return files.resolve(DecodeUrlEscapes(url.substr(std::string("file://").size())));
  }

  static std::string FinalUrl(const std::string& url) {
    const size_t slash = url.rfind('/');
    const std::string name = url.substr(slash + 1);
    if (name.rfind(PartialCopyPrefix, 0) != 0 || !name.ends_with(PartialCopySuffix)) return url;
    return url.substr(0, slash + 1) +
           name.substr(PartialCopyPrefix.size(),
                       name.size() - PartialCopyPrefix.size() - PartialCopySuffix.size());
  }

  MemorySuite suite;
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  MemoryFileSystem files;
  FixedClock clock{{2026, 12, 6, 13, 58, 16}};
  UnitedStatesRegionalSettings regional;
  std::string historyLogPath = "/logs/Tallyguard.txt";
};

}  // namespace tg::testing

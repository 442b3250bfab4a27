#pragma once
// An office suite held in memory, behind the automation port: a service manager, a desktop and
// its open components, for tests of everything that drives the suite. Names resolve without
// regard to case, as the real bridge does; every call is recorded; any call can be made to fail.
// Given a disk, a store is no kinder than the office's: it makes the folders a copy needs, and
// fails as the office does in a folder that takes no file, on a full disk, with a filter that only
// reads, and on a document the user has closed.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Automation.h"

namespace tg {

class MemoryFileSystem;

// A protected document's copy stored with its key: encrypted afresh at every store, so no two
// stores of it are the same bytes, and no text of the document shows.
inline constexpr std::string_view EncryptedCopyMark{"\0encrypted package ", 19};
inline bool IsEncryptedCopy(std::string_view bytes) { return bytes.starts_with(EncryptedCopyMark); }

enum class ComponentKind { Spreadsheet, Text, Presentation, Drawing, Other };

struct MemoryDocument {
  ComponentKind kind = ComponentKind::Spreadsheet;
  std::string url;            // "" for a document that was never stored
  std::string title;          // as the suite shows it: "Budget.ods", "Untitled 1"
  std::string filterName;     // the format it was loaded in; "" for none
  std::string filterOptions;  // what it was loaded with: a CSV file's separator and character set
  bool encrypted = false;     // loaded with a password
  bool readOnly = false;      // opened read-only
  std::string content;        // what a copy stored now would hold
  bool modified = false;
  bool closed = false;        // closed by the user: every later call on it fails
  int callsUntilClosed = -1;  // the user closes it after this many more calls on it; -1: never
};

// One copy written by "storetourl".
struct StoredCopy {
  std::string url;
  std::string documentTitle;
  std::string content;
  std::string filterName;  // "" when the store named no filter (the suite's default format)
  std::string filterOptions;
  bool encrypted = false;  // stored with the document's key
};

struct RecordedCall {
  std::string object;  // "ServiceManager", "Desktop", "Components", "Enumeration",
                       // "Document <title>", "Property <name>", or "" for the creation
  std::string method;  // exactly as the caller wrote it
  ValueList args;      // an object argument is recorded as the text "<its label>"
};

class MemorySuite : public AutomationFactory {
 public:
  MemorySuite();
  ~MemorySuite() override;

  // Opens a component; the desktop enumerates components in the order they were opened.
  MemoryDocument& open(MemoryDocument document);
  MemoryDocument& openSpreadsheet(std::string url, std::string content = "cells");
  MemoryDocument& openNeverStored(std::string title,
                                  ComponentKind kind = ComponentKind::Spreadsheet);

  // The `occurrence`-th call (from 1) of `method`, counted over all objects without regard to case,
  // fails with `description`; occurrence 0 makes every call of it fail. "CreateObject" names the
  // creation of the service manager.
  void failOn(std::string_view method, int occurrence = 1,
              std::string description = "The office suite refused the call.");
  // The office dies during that call (0: every one).
  void loseConnectionOn(std::string_view method, int occurrence = 1);

  ObjectRef create(std::string_view programmaticId) override;
  bool isInstalled(std::string_view programmaticId) override {
    return installed && programmaticId == "com.sun.star.ServiceManager";
  }

  bool installed = true;
  bool running = true;  // false: no office runs, creation says so and starts none
  // The suite's file formats and their flags (1 reads, 2 writes); a store with a filter that
  // cannot write fails, as the real suite's does.
  std::map<std::string, std::int32_t> filterFlags = {{"calc8", 3},
                                                     {"calc8_template", 3},
                                                     {"Calc MS Excel 2007 XML", 3},
                                                     {"Text - txt - csv (StarCalc)", 3},
                                                     {"Gnumeric Spreadsheet", 1}};
  std::vector<RecordedCall> calls;
  std::vector<StoredCopy> copies;
  // Where a store writes the file, as the office's store does; none: a store only records.
  MemoryFileSystem* disk = nullptr;
  // Runs after each successful store, e.g. to make the file appear in a file system double.
  std::function<void(const StoredCopy&)> onStore;

  // Method names of the recorded calls on objects whose label starts with `object`.
  std::vector<std::string> methodsCalledOn(std::string_view object) const;
  // Automation objects handed out and not yet released.
  int liveObjects() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tg

#pragma once
// The main window with in-memory controls, ports and files: the program's folder, the desktop and
// TEMP, which holds the history log.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "desktop/cSysTray.h"
#include "mainwindow/Form1.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/FixedRandom.h"
#include "memory/MemoryAutostart.h"
#include "memory/MemoryControls.h"
#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemorySingleInstance.h"
#include "memory/MemorySkin.h"
#include "memory/RecordingDialogs.h"
#include "memory/RecordingTrayShell.h"

namespace tg::testing {

// A failure report as the tests look at it: its label and line, found in the message text.
inline bool IsReport(const ShownMessage& message, std::string_view label, int line) {
  const std::string where = std::string(label) + "at line " + std::to_string(line) + "\r";
  return message.title == "Application Error" && message.text.find(where) != std::string::npos;
}

// Recording dialogs whose folder picker can be made to fail.
class WindowDialogs : public RecordingDialogs {
 public:
  std::string browseForFolder(std::string_view prompt, std::string_view initialFolder) override {
    if (failFolderPicker) throw std::runtime_error("Out of memory");
    return RecordingDialogs::browseForFolder(prompt, initialFolder);
  }
  bool failFolderPicker = false;
};

class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture() {
    environment.values["TEMP"] = Temp;
    shell.program = ProgramFolder;
    shell.desktop = DesktopFolder;
    fileSystem.directories = {"/",           "/tmp",  Temp,        "/opt",
                              ProgramFolder, "/home", "/home/ann", DesktopFolder};
    // Each time messages run a second passes, so the balloon's wait ends after five of them.
    messageLoop.onYield = [this] { clock.advance(1); };
  }

  void create() {
    Form1Controls controls{window,      Frame2,       ProgressBar1, Frame3,      Check8,
                           Check5,      Check6,       Option4,      Option3,     cSysTray1,
                           Frame1,      Option2,      Option1,      Text1,       PushButton1,
                           *timerPort,  ListView1,    PushButton4,  PushButton2, PushButton3,
                           PushButton5, RichTextBox1, PushButton11, PushButton12};
    Form1Ports ports{.dialogs = dialogs,
                     .settings = settings,
                     .fileSystem = *fileSystemPort,
                     .environment = environment,
                     .shell = shell,
                     .singleInstance = singleInstance,
                     .skin = skin,
                     .random = random,
                     .autostart = autostart,
                     .messageLoop = messageLoop,
                     .globals = globals,
                     .pathStyle = PathStyle::Posix,
                     .SaveAll = [this] { SaveAll(); },
                     .CheckOfficeSuite =
                         [this] {
                           ++suiteChecks;
                           if (duringSuiteCheck) duringSuiteCheck();
                         }};
    form = std::make_unique<Form1>(controls, ports);
  }

  // Creates the window, runs its start-up sequence and shows it (or hides it into the tray).
  void start() {
    create();
    form->Form_Load();
    form->ShowAfterLoad();
  }

  // The backup pass stand-in: counts, and lets the test act in the middle of it.
  void SaveAll() {
    ++passes;
    if (duringPass) duringPass();
  }

  // `count` periods of the timer; only a running timer ticks.
  void tick(int count = 1) {
    for (int i = 0; i < count; ++i) Timer1.tick();
  }

  std::string status() const { return Frame2.caption(); }
  std::string countdown(const char* hhmmss) const {
    return std::string(Captions::CountdownPrefix) + hhmmss;
  }
  std::string historyLog() const { return Temp + "/Tallyguard.txt"; }
  std::string historyText() const { return fileSystem.readText(historyLog()); }

  const std::string Temp = "/tmp/tg";
  const std::string ProgramFolder = "/opt/tallyguard";
  const std::string DesktopFolder = "/home/ann/Desktop";
  MemoryFileSystem fileSystem;
  FileSystem* fileSystemPort = &fileSystem;  // a test may hand the window the real disk
  MemoryWindow window;
  MemoryFrame Frame2, Frame3, Frame1;
  MemoryProgressBar ProgressBar1;
  OptionGroup Frame3Options, Frame1Options;
  MemoryCheckBox Check8, Check5, Check6;
  MemoryOptionButton Option4{Frame3Options}, Option3{Frame3Options};
  MemoryOptionButton Option2{Frame1Options}, Option1{Frame1Options};
  MemoryTextBox Text1{"Text1"};
  MemoryPushButton PushButton1, PushButton2, PushButton3, PushButton4, PushButton5, PushButton11,
      PushButton12;
  MemoryTimer Timer1;
  Timer* timerPort = &Timer1;  // a test may hand the window another timer
  MemoryListView ListView1;
  MemoryTextBuffer RichTextBox1;
  RecordingTrayShell trayShell;
  CountingMessageLoop messageLoop;
  FixedClock clock;
  cSysTray cSysTray1{trayShell, messageLoop, clock};
  WindowDialogs dialogs;
  MemorySettingsBackend settings;
  MemoryEnvironment environment;
  MemoryShell shell;
  MemorySingleInstance singleInstance;
  MemorySkin skin;
  FixedRandom random{0.5};
  MemoryAutostart autostart;
  Globals globals;
  int passes = 0;
  int suiteChecks = 0;
  std::function<void()> duringPass;
  std::function<void()> duringSuiteCheck;
  std::unique_ptr<Form1> form;
};

}  // namespace tg::testing

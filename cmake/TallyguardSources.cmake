# The sources of the core and of the in-memory stand-ins, relative to the repository's root: the
# program's build and the fuzzers' (a project of its own, built with clang) compile the same files.
# One file a line, in alphabetical order.
include_guard(GLOBAL)

# Rules and event handlers: no GUI toolkit, no office SDK.
set(TALLYGUARD_CORE_SOURCES
  src/app/CommandLine.cpp
  src/app/CopyCommands.cpp
  src/app/Program.cpp
  src/app/RunningCopy.cpp
  src/app/SystemServices.cpp
  src/app/WatchKeeper.cpp
  src/backup/BackupNaming.cpp
  src/backup/Calc.cpp
  src/backup/ChangeWatch.cpp
  src/backup/ChangeWatchService.cpp
  src/backup/ClosingCopySurface.cpp
  src/backup/CopyCatalogue.cpp
  src/backup/CopyContent.cpp
  src/backup/CopyKeeping.cpp
  src/backup/DiskGuard.cpp
  src/backup/HangWatch.cpp
  src/backup/HistoryLog.cpp
  src/backup/IntervalForSelection.cpp
  src/backup/OfficeFailure.cpp
  src/backup/OpenCopy.cpp
  src/backup/OpenDocuments.cpp
  src/backup/PassHelperSide.cpp
  src/backup/PassOptions.cpp
  src/backup/PassProtocol.cpp
  src/backup/PassTurn.cpp
  src/backup/PassWindowSide.cpp
  src/backup/RestoreCopy.cpp
  src/backup/Retention.cpp
  src/backup/RunPass.cpp
  src/backup/RunningOfficeOnly.cpp
  src/backup/SheetDiff.cpp
  src/backup/VersionCompare.cpp
  src/backup/WatchProtocol.cpp
  src/common/AutomationValue.cpp
  src/common/FileExists.cpp
  src/common/FileTrust.cpp
  src/common/HiddenStateWindow.cpp
  src/common/OfficeProfile.cpp
  src/common/SystemSettingsFile.cpp
  src/desktop/AddFolder.cpp
  src/desktop/IsInstalled.cpp
  src/desktop/SkinColours.cpp
  src/desktop/cSysTray.cpp
  src/desktop/mStartUp.cpp
  src/mainwindow/DeleteFileForced.cpp
  src/mainwindow/Form1.cpp
  src/mainwindow/Form1Design.cpp
  src/mainwindow/Form1History.cpp
  src/mainwindow/Form1Lifecycle.cpp
  src/mainwindow/Form1Options.cpp
  src/mainwindow/Form1Schedule.cpp
  src/mainwindow/KeyboardOrder.cpp
  src/mainwindow/Settings.cpp
  src/mainwindow/Versions.cpp
  src/reporting/ErrorReport.cpp
  src/reporting/FailureTrap.cpp
)

# The in-memory file system, office suite, controls and dialogs the tests, fuzzers and benchmarks
# drive.
set(TALLYGUARD_MEMORY_SOURCES
  tests/memory/LoopbackHelper.cpp
  tests/memory/MemoryControls.cpp
  tests/memory/MemoryFileSystem.cpp
  tests/memory/MemorySuite.cpp
  tests/memory/RecordingDialogs.cpp
  tests/memory/RecordingTrayShell.cpp
  tests/memory/UnitedStatesRegionalSettings.cpp
)

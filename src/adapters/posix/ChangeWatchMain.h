#pragma once
// The change watch's whole life, as a program of its own (tallyguard-watch) that loads no toolkit:
// started by the window, it follows the user's office (through restarts), answers passes on its
// socket, makes the copy of a document closing with edits in no copy, and answers the window's
// heartbeat on its standard streams. The heartbeat brings the options a copy is made with.

#include <memory>

#include "adapters/posix/OfficeModule.h"
#include "common/ports/ChangeWitness.h"

namespace tg {

// The watch program's name, beside the program or in its private folder of programs.
inline constexpr const char* ChangeWatchProgramName = "tallyguard-watch";

// Returns the process's exit code.
int RunChangeWatch(const char* historyLogPath);

// The watch program for this program: beside it (a build), else in ../libexec/tallyguard/; ""
// when there is none.
std::string ChangeWatchProgram();

// The pass's side: the watch of the office these options reach.
std::unique_ptr<ChangeWitness> WitnessOf(const OfficeConnectionOptions& options);

}  // namespace tg

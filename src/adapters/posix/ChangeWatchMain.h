#pragma once
// The change watch's whole life: started by the window, it follows the user's office (through
// restarts), answers passes on its socket, makes the copy of a document closing with edits in no
// copy, and answers the window's heartbeat on its standard streams. No window, no toolkit.

#include <functional>
#include <memory>

#include "adapters/posix/OfficeModule.h"
#include "backup/PassOptions.h"
#include "common/ports/ChangeWitness.h"

namespace tg {

// Returns the process's exit code; `options` reads the options as the window stored them.
int RunChangeWatch(const char* historyLogPath, std::function<PassOptions()> options);

// The pass's side: the watch of the office these options reach.
std::unique_ptr<ChangeWitness> WitnessOf(const OfficeConnectionOptions& options);

// What the watch says once it knows every document of a newly connected office.
inline constexpr std::string_view WatchingLine = "watching";

}  // namespace tg

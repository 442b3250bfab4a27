#pragma once
// One backup pass at a time for each user, whichever process runs it (the window's helper, the
// command line from a timer): two passes at once would write the same history log and the same
// record of copies, and could remove each other's copies.

#include <chrono>
#include <functional>
#include <memory>

#include "common/ports/PrivateState.h"

namespace tg {

inline constexpr std::chrono::seconds PassTurnWait{120};
inline constexpr const char* AnotherBackupRunning =
    "Another backup is running, so this one was not made. The next backup tries again.";

// Waits for this user's turn to back up, telling `stillWaiting` about once a second; nothing when
// the other pass did not end within `limit`.
std::unique_ptr<PrivateState::Lock> TakePassTurn(PrivateState& state,
                                                 const std::function<void()>& stillWaiting,
                                                 std::chrono::milliseconds limit = PassTurnWait);

}  // namespace tg

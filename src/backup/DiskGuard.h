#pragma once
// A copy is not stored when it would leave its file system nearly full: a full disk breaks the
// user's own saves, the very loss the backups are there to prevent.

#include <cstdint>

#include "common/ports/FileFacts.h"

namespace tg {

inline constexpr std::uint64_t OneGibibyte = std::uint64_t{1} << 30;

// The free space a store must leave behind: 1 GiB, or 5 % of the file system when that is less.
std::uint64_t SpaceToLeave(std::uint64_t total);

// True when `expectedBytes` more still leave SpaceToLeave free.
bool LeavesEnoughSpace(const SpaceFigures& space, std::uint64_t expectedBytes);

}  // namespace tg

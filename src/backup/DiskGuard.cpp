#include "backup/DiskGuard.h"

#include <algorithm>

namespace tg {

std::uint64_t SpaceToLeave(std::uint64_t total) { return std::min(OneGibibyte, total / 20); }

bool LeavesEnoughSpace(const SpaceFigures& space, std::uint64_t expectedBytes) {
  if (space.available < expectedBytes) return false;
  return space.available - expectedBytes >= SpaceToLeave(space.total);
}

}  // namespace tg

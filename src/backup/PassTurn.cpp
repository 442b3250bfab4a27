#include "backup/PassTurn.h"

namespace tg {

std::unique_ptr<PrivateState::Lock> TakePassTurn(PrivateState& state,
                                                 const std::function<void()>& stillWaiting,
                                                 std::chrono::milliseconds limit) {
  constexpr std::chrono::milliseconds Slice{1000};
  for (std::chrono::milliseconds waited{0};; waited += Slice) {
    const std::chrono::milliseconds wait = std::min(Slice, limit - waited);
    if (std::unique_ptr<PrivateState::Lock> turn = state.lock("pass", wait)) return turn;
    if (waited + Slice >= limit) return nullptr;
    if (stillWaiting) stillWaiting();
  }
}

}  // namespace tg

#include "backup/IntervalForSelection.h"

#include <string>

namespace tg {

std::int32_t IntervalForText(std::string_view text) {
  for (const IntervalChoice& choice : IntervalTable) {
    if (choice.text == text) return choice.seconds;
  }
  return 0;
}

std::int32_t IntervalForSelection(const ListView& list) {
  return IntervalForText(list.selectedText());
}

}  // namespace tg

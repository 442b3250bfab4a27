#include "mainwindow/KeyboardOrder.h"

#include <algorithm>
#include <map>
#include <utility>

namespace tg {

std::vector<KeyboardStop> KeyboardOrder(const std::function<bool(std::string_view name)>& made) {
  using Place = std::pair<int, int>;  // top, left
  std::map<std::string_view, Place> firstOption;
  for (const ControlDesign& design : Form1Design::Controls) {
    if (design.kind != ControlKind::OptionButton) continue;
    const Place place{design.place.top, design.place.left};
    auto [entry, added] = firstOption.emplace(design.container, place);
    if (!added) entry->second = std::min(entry->second, place);
  }
  auto readingKey = [&](const ControlDesign* design) {
    const Place own{design->place.top, design->place.left};
    const Place at =
        design->kind == ControlKind::OptionButton ? firstOption.at(design->container) : own;
    return std::pair(at, own);
  };
  // Each container's controls in reading order; a container's own come right after it, so one
  // chain through the whole window (as Qt keeps it) never leaves a frame half gone through.
  std::map<std::string_view, std::vector<const ControlDesign*>> held;
  for (const ControlDesign& design : Form1Design::Controls) {
    held[design.container].push_back(&design);
  }
  for (auto& [container, designs] : held) {
    std::stable_sort(designs.begin(), designs.end(),
                     [&](const auto* a, const auto* b) { return readingKey(a) < readingKey(b); });
  }
  std::vector<KeyboardStop> stops;
  const std::function<void(std::string_view)> goThrough = [&](std::string_view container) {
    ControlKind previous = ControlKind::Frame;
    bool first = true;
    for (const ControlDesign* design : held[container]) {
      if (made(design->name)) {
        const bool continuesOptions = !first && design->kind == ControlKind::OptionButton &&
                                      previous == ControlKind::OptionButton;
        stops.push_back({design, !continuesOptions});
        previous = design->kind;
        first = false;
      }
      if (design->kind == ControlKind::Frame) goThrough(design->name);
    }
  };
  goThrough("");
  return stops;
}

}  // namespace tg

#pragma once
// The order in which Tab moves through the window's controls, from the design table: as the eye
// reads them, top to bottom, then left to right, within each container, with a container's
// option buttons kept together where its first one stands. The arrow keys move within a run of
// option buttons, which starts a group; every other control is a group of its own.

#include <functional>
#include <string_view>
#include <vector>

#include "mainwindow/Form1Design.h"

namespace tg {

struct KeyboardStop {
  const ControlDesign* design;
  bool startsGroup;
};

// The stops among the controls a front end made (`made` is asked by name).
std::vector<KeyboardStop> KeyboardOrder(const std::function<bool(std::string_view name)>& made);

}  // namespace tg

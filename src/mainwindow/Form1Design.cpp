#include "mainwindow/Form1Design.h"

#include <stdexcept>
#include <string>

namespace tg::Form1Design {

const ControlDesign& Find(std::string_view name) {
  for (const ControlDesign& control : Controls) {
    if (control.name == name) return control;
  }
  throw std::out_of_range("The window has no control named " + std::string(name) + ".");
}

}  // namespace tg::Form1Design

#pragma once

#include <filesystem>

namespace tg {

// The full path of the program that runs now; empty when it cannot be read.
std::filesystem::path RunningExecutable();

}  // namespace tg

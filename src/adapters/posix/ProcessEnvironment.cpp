#include "adapters/posix/ProcessEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "adapters/posix/XdgStateHome.h"

namespace tg {

std::optional<std::string> ProcessEnvironment::variable(std::string_view name) const {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::string ProcessEnvironment::stateFolder() const {
  const std::string folder = XdgStateHome();
  std::error_code failure;
  std::filesystem::create_directories(folder, failure);
  if (failure) {
    throw std::system_error(failure, "The folder " + folder + " could not be created");
  }
  return folder;
}

}  // namespace tg

#include "adapters/posix/ProcOfficePresence.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tg {
namespace {

constexpr std::string_view OfficeProcessName = "soffice.bin";

bool IsNumber(const std::string& name) {
  return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

// The name the process was started under ("comm" is cut at 15 characters).
bool RunsOffice(const std::filesystem::path& process) {
  std::ifstream commandLine(process / "cmdline", std::ios::binary);
  std::string program;
  std::getline(commandLine, program, '\0');
  return std::filesystem::path(program).filename() == OfficeProcessName;
}

}  // namespace

std::vector<std::string> UsersOfficeProcesses(const std::string& procFolder) {
  std::vector<std::string> offices;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(procFolder, error)) {
    const std::string name = entry.path().filename().string();
    if (!IsNumber(name)) continue;
    struct stat status {};
    if (::stat(entry.path().c_str(), &status) != 0 || status.st_uid != ::getuid()) continue;
    if (RunsOffice(entry.path())) offices.push_back(entry.path().string());
  }
  return offices;
}

bool ProcOfficePresence::officeRuns() const { return !UsersOfficeProcesses(proc_).empty(); }

}  // namespace tg

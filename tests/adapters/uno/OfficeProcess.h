#pragma once
// A headless LibreOffice of the tests' own: a throwaway profile, a unique pipe, stopped by process
// id (the office, then its launcher) when the test ends, also when it fails or crashes.

#include <sys/types.h>

#include <string>

namespace tg::office {

class OfficeProcess {
 public:
  OfficeProcess();  // makes the profile folder and the pipe name; starts nothing
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  void start();  // returns at once; connect with retry to know it is up
  void stop();   // SIGTERM, then SIGKILL for what does not end
  void kill();   // SIGKILL: the office dies as in a crash
  bool running() const { return launcher_ > 0; }

  const std::string& pipeName() const { return pipe_; }
  const std::string& profileFolder() const { return profile_; }
  // The profile as the office is told it (-env:UserInstallation).
  std::string profileUrl() const { return "file://" + profile_; }

 private:
  std::string profile_;
  std::string pipe_;
  pid_t launcher_ = -1;
};

// The launcher the tests start: $TALLYGUARD_TEST_SOFFICE, else LibreOffice's own.
std::string TestLauncher();

}  // namespace tg::office

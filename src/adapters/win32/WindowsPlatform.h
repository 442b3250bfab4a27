#pragma once
// The small Windows ports: environment, local clock, regional settings, the single-instance mutex,
// and the full path of the running program.

#include <windows.h>

#include <string>
#include <vector>

#include "common/ports/Clock.h"
#include "common/ports/Environment.h"
#include "common/ports/RegionalSettings.h"
#include "common/ports/SingleInstance.h"

namespace tg {

class WindowsEnvironment : public Environment {
 public:
  std::optional<std::string> variable(std::string_view name) const override;
  // TEMP's value; when TEMP is unset or empty, the user's temporary folder all the same
  // (GetTempPathA, without its trailing backslash).
  std::string stateFolder() const override;
};

class WindowsClock : public Clock {
 public:
  LocalDateTime now() const override;
  double secondsSinceStart() const override;
  LocalDateTime localTimeOf(std::int64_t fileNanoseconds) const override;
};

// The user's settings from the control panel's region page.
class WindowsRegionalSettings : public RegionalSettings {
 public:
  explicit WindowsRegionalSettings(LCID locale = LOCALE_USER_DEFAULT) : locale_(locale) {}
  std::string monthName(int month) const override;
  std::string amDesignator() const override;
  std::string pmDesignator() const override;
  std::string shortDate(const LocalDateTime& when) const override;
  std::string longTime(const LocalDateTime& when) const override;

 private:
  std::string info(LCTYPE item) const;
  LCID locale_;
};

// One copy per user session: a named mutex held for the whole run, released by Windows when the
// process ends however it ends. The name carries the user's SID, so another account's mutex in the
// same session (a fast user switch, a program run as another user) never counts as this user's
// copy. A mutex that cannot be made at all does not keep the program from starting; lockProblem
// says why.
class MutexSingleInstance : public SingleInstance {
 public:
  MutexSingleInstance();
  explicit MutexSingleInstance(std::string name) : name_(std::move(name)) {}
  ~MutexSingleInstance() override;
  MutexSingleInstance(const MutexSingleInstance&) = delete;
  MutexSingleInstance& operator=(const MutexSingleInstance&) = delete;
  // The first call creates the mutex; later calls repeat the first answer.
  bool anotherCopyRuns() override;
  std::string lockProblem() const override { return problem_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  std::string problem_;
  HANDLE mutex_ = nullptr;
  int answer_ = -1;
};

// The account this process runs as: its SID's bytes, empty when the process's token cannot be read.
std::vector<unsigned char> CurrentUserSidBytes();

// "S-1-5-21-..." of the user the program runs as; empty when it cannot be read.
std::string CurrentUserSid();

// "C:\Program Files\Tallyguard\Tallyguard.exe"; empty when it cannot be read.
std::string RunningExecutablePath();

}  // namespace tg

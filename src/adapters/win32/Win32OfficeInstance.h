#pragma once
// The user's office on Windows, found by its single-instance pipe. LibreOffice lets one office
// run per user profile: it listens on \\.\pipe\OSL_PIPE_<user>_SingleOfficeIPC_<digest of the
// profile>, and every later start hands its request to the office that answers there. So "the
// user's office runs" means an office holds the profile of the office COM would start (the mutex
// it takes, named as that pipe, before it makes the pipe), and the process serving that pipe is
// the one the pass talks to. Process names tell neither: a
// second suite or a conversion service is a soffice.bin too, and reaching for the office
// through COM while none runs would start a hidden one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/ports/OfficePresence.h"

namespace tg {

// The program COM starts for the office's automation service: its registered local server,
// without quotes and options; nothing when no office is registered.
std::optional<std::string> RegisteredOfficeProgram();

// The user's identity as the office writes it into its pipe names: the account's SID as
// "S-1-5-21-..." with at most five sub-authorities; "" when the account cannot be read.
std::string OfficeUserIdent(void* sid);
std::string OfficeUserIdent();

// The profile the office at `programPath` uses when started plainly: the "UserInstallation"
// bootstrap variable from the environment, else the one of program\bootstrap.ini, else the
// office's default, with $SYSUSERCONFIG the user's roaming application data folder.
std::string DefaultOfficeProfileUrl(const std::string& programPath);

// The full path of the single-instance pipe of the office of `profileUrl`.
std::string SingleInstancePipe(const std::string& profileUrl);

// The process serving `pipePath`, when one accepts a connection; nothing when the pipe is absent.
std::optional<std::uint32_t> PipeServer(const std::string& pipePath);

// True when an office holds the profile of `pipePath`. The office takes a mutex named as its pipe
// before it makes the pipe and holds it while it runs; looking at the mutex, unlike connecting,
// takes none of the pipe's instances, which an office still starting answers only once started.
bool OfficeHoldsProfile(const std::string& pipePath);

// The process of the user's office: the server of the single-instance pipe of the profile of the
// registered office; nothing when it does not run or no office is registered.
std::optional<std::uint32_t> UserOffice();

// True when the user's office runs, by its hold on its profile.
bool UserOfficeRuns();

using OfficeFinder = std::function<std::optional<std::uint32_t>()>;

// The office port's presence: the user's office holds its profile.
class Win32OfficePresence : public OfficePresence {
 public:
  explicit Win32OfficePresence(std::function<bool()> runs = UserOfficeRuns)
      : runs_(std::move(runs)) {}
  bool officeRuns() const override { return runs_(); }

 private:
  std::function<bool()> runs_;
};

}  // namespace tg

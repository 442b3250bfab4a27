#pragma once
// The backup helper as a child process of the window: this same program started with
// "--backup-pass", spoken to over anonymous pipes on its standard input and output. The helper
// lives in a job object that ends it when the window ends, however the window ends.

#include <windows.h>

#include <string>

#include "adapters/win32/Win32OfficeInstance.h"
#include "backup/PassProtocol.h"
#include "common/ports/HelperProcess.h"

namespace tg {

class Win32HelperProcess : public HelperProcess {
 public:
  // `findOffice`: the office process whose processor time counts as the office working.
  // `flag`: what the program is started as, the backup helper or the change watch.
  explicit Win32HelperProcess(std::string executablePath, OfficeFinder findOffice = UserOffice,
                              std::string flag = BackupPassFlag)
      : executable_(std::move(executablePath)),
        findOffice_(std::move(findOffice)),
        flag_(std::move(flag)) {}
  ~Win32HelperProcess() override;
  Win32HelperProcess(const Win32HelperProcess&) = delete;
  Win32HelperProcess& operator=(const Win32HelperProcess&) = delete;

  void start(std::string_view historyLogPath) override;
  // Reads only what the pipe already holds; a half-written line waits for its end.
  std::optional<std::string> takeLine() override;
  void send(std::string_view line) override;
  bool running() const override;
  void stop() override;
  // The helper's processor time and that of the office serving the pass, in 100 ns.
  std::uint64_t workDone() const override;

 private:
  void launch(std::string_view historyLogPath);
  void readAvailable();
  void release();

  std::string executable_;
  OfficeFinder findOffice_;
  std::string flag_;
  std::optional<std::uint32_t> office_;
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;
  HANDLE toHelper_ = nullptr;
  HANDLE fromHelper_ = nullptr;
  std::string received_;
};

}  // namespace tg

#include "adapters/win32/Win32HelperProcess.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>

#include "adapters/win32/WinError.h"
#include "backup/PassProtocol.h"

namespace tg {
namespace {

std::uint64_t Count(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::uint64_t ThreadTime(DWORD threadId) {
  HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
  if (!thread) return 0;
  FILETIME created, ended, kernel, user;
  const std::uint64_t time =
      GetThreadTimes(thread, &created, &ended, &kernel, &user) ? Count(kernel) + Count(user) : 0;
  CloseHandle(thread);
  return time;
}

// User and kernel time of the processes' running threads. Summed thread by thread: Wine answers
// GetProcessTimes for another process with the caller's own times, but reads threads right.
std::uint64_t ProcessorTime(const std::vector<std::uint32_t>& processIds) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  std::uint64_t time = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (std::find(processIds.begin(), processIds.end(), entry.th32OwnerProcessID) !=
        processIds.end()) {
      time += ThreadTime(entry.th32ThreadID);
    }
  }
  CloseHandle(snapshot);
  return time;
}

void Close(HANDLE& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

[[noreturn]] void Fail(std::string_view what) {
  const DWORD error = GetLastError();
  throw WinError(error, "The backup helper could not be started: " + std::string(what) + ": " +
                            SystemMessage(error) + ".");
}

// The pipe's ends: the helper's inheritable, the window's not, or the helper would hold the
// window's end too and never see its input end.
struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};

Pipe MakePipe(bool helperReads) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Pipe pipe;
  if (!CreatePipe(&pipe.read, &pipe.write, &inheritable, 0)) Fail("no pipe");
  SetHandleInformation(helperReads ? pipe.write : pipe.read, HANDLE_FLAG_INHERIT, 0);
  return pipe;
}

// The window's own error output, when it has one, so the helper's complaints land beside the
// window's.
HANDLE InheritableErrorOutput() {
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  HANDLE copy = nullptr;
  if (errors && errors != INVALID_HANDLE_VALUE) {
    DuplicateHandle(GetCurrentProcess(), errors, GetCurrentProcess(), &copy, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  }
  return copy;
}

// A job that ends everything in it once its last handle closes: the window holds the only one,
// so the window's end, even a killed window's, ends the helper.
HANDLE MakeJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (!job) Fail("no job object");
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// The helper's ends of the pipes and of the error output: the helper holds its own copies once
// it is created, so the window's close whatever happens.
struct HelperEnds {
  HANDLE input = nullptr;
  HANDLE output = nullptr;
  HANDLE errors = nullptr;
  ~HelperEnds() {
    Close(input);
    Close(output);
    Close(errors);
  }
};

}  // namespace

Win32HelperProcess::~Win32HelperProcess() { stop(); }

void Win32HelperProcess::start(std::string_view historyLogPath) {
  stop();
  // The office the helper finds as it starts is the one its pass talks to.
  office_ = findOffice_();
  try {
    launch(historyLogPath);
  } catch (...) {
    stop();
    throw;
  }
}

void Win32HelperProcess::launch(std::string_view historyLogPath) {
  job_ = MakeJob();
  HelperEnds ends;
  const Pipe input = MakePipe(true);
  toHelper_ = input.write;
  ends.input = input.read;
  const Pipe output = MakePipe(false);
  fromHelper_ = output.read;
  ends.output = output.write;
  ends.errors = InheritableErrorOutput();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ends.input;
  startup.hStdOutput = ends.output;
  startup.hStdError = ends.errors;
  std::string commandLine =
      "\"" + executable_ + "\" " + flag_ + " \"" + std::string(historyLogPath) + "\"";
  PROCESS_INFORMATION created{};
  // Suspended until it is in the job: a helper never runs a moment outside it.
  if (!CreateProcessA(executable_.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &created)) {
    Fail(executable_);
  }
  process_ = created.hProcess;
  // A window inside a job of its own that forbids nesting (before Windows 8) cannot give the
  // helper a job; the pass still runs, watched for hangs as ever.
  AssignProcessToJobObject(job_, process_);
  ResumeThread(created.hThread);
  CloseHandle(created.hThread);
}

void Win32HelperProcess::readAvailable() {
  DWORD available = 0;
  while (fromHelper_ && PeekNamedPipe(fromHelper_, nullptr, 0, nullptr, &available, nullptr) &&
         available > 0) {
    char buffer[4096];
    DWORD read = 0;
    const DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
    if (!ReadFile(fromHelper_, buffer, wanted, &read, nullptr) || read == 0) return;
    received_.append(buffer, read);
  }
}

std::optional<std::string> Win32HelperProcess::takeLine() {
  size_t end = received_.find('\n');
  if (end == std::string::npos) {
    readAvailable();
    end = received_.find('\n');
    if (end == std::string::npos) return std::nullopt;
  }
  std::string line = received_.substr(0, end);
  received_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void Win32HelperProcess::send(std::string_view line) {
  if (!toHelper_) return;
  std::string bytes(line);
  bytes += '\n';
  DWORD written = 0;
  // An ended helper's pipe refuses the write; the window learns of the end from running().
  WriteFile(toHelper_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool Win32HelperProcess::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void Win32HelperProcess::stop() {
  if (running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 1000);
  }
  release();
}

void Win32HelperProcess::release() {
  Close(process_);
  Close(job_);
  Close(toHelper_);
  Close(fromHelper_);
  received_.clear();
}

std::uint64_t Win32HelperProcess::workDone() const {
  std::vector<std::uint32_t> working;
  if (office_) working.push_back(*office_);
  if (running()) working.push_back(GetProcessId(process_));
  return ProcessorTime(working);
}

}  // namespace tg

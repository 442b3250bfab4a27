#include "adapters/win32/Win32WatchPipe.h"

#include <sddl.h>

#include <memory>
#include <stdexcept>
#include <thread>

namespace tg {
namespace {

// An arming waits for the office, which a long store may hold; a watch slower than this is not
// waited for.
constexpr DWORD AnswerMs = 10'000;

// The security identifier of a process's user as text; "" when it cannot be read.
std::string UserOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return "";
  std::string sid;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::unique_ptr<BYTE[]> buffer(new BYTE[size ? size : 1]);
  char* text = nullptr;
  if (size && GetTokenInformation(token, TokenUser, buffer.get(), size, &size) &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

bool SameUser(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return false;
  const std::string other = UserOf(process);
  CloseHandle(process);
  return !other.empty() && other == UserOf(GetCurrentProcess());
}

bool WriteAll(HANDLE pipe, const std::string& text) {
  DWORD written = 0;
  return WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// The next line from `pipe`, keeping what came after it in `pending`; nothing when the pipe ends
// or, with `deadline`, when nothing whole came by then.
std::optional<std::string> ReadLine(HANDLE pipe, std::string& pending, DWORD deadline = 0) {
  for (;;) {
    if (std::optional<std::string> line = TakeWatchLine(pending)) return line;
    if (pending.size() > LongestWatchLine) return std::nullopt;
    if (deadline) {
      DWORD available = 0;
      if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return std::nullopt;
      if (available == 0) {
        if (static_cast<LONG>(deadline - GetTickCount()) <= 0) return std::nullopt;
        Sleep(5);
        continue;
      }
    }
    char buffer[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return std::nullopt;
    pending.append(buffer, got);
  }
}

HANDLE NewInstance(const std::string& name, bool first) {
  return CreateNamedPipeA(
      name.c_str(), PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
      PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
}

void Serve(HANDLE pipe, const WatchPipeServer::Answer& answer) {
  ULONG client = 0;
  std::string pending;
  if (GetNamedPipeClientProcessId(pipe, &client) && SameUser(client)) {
    while (std::optional<std::string> request = ReadLine(pipe, pending)) {
      if (!WriteAll(pipe, answer(*request) + '\n')) break;
    }
  }
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
}

}  // namespace

std::string WatchPipeName() {
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  return "\\\\.\\pipe\\Tallyguard-watch-" + UserOf(GetCurrentProcess()) + "-" +
         std::to_string(session);
}

WatchPipeServer::WatchPipeServer(const std::string& name, Answer answer) {
  HANDLE first = NewInstance(name, true);
  if (first == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("Another change watch serves this session already.");
  }
  std::thread([name, first, answer = std::move(answer)] {
    for (HANDLE pipe = first; pipe != INVALID_HANDLE_VALUE; pipe = NewInstance(name, false)) {
      if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
        std::thread(Serve, pipe, answer).detach();
      } else {
        CloseHandle(pipe);
      }
    }
  }).detach();
}

PipeChangeWitness::~PipeChangeWitness() {
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
}

bool PipeChangeWitness::connect() {
  if (pipe_ != INVALID_HANDLE_VALUE) return true;
  if (givenUp_) return false;
  pipe_ = CreateFileA(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  ULONG server = 0;
  if (pipe_ == INVALID_HANDLE_VALUE || !GetNamedPipeServerProcessId(pipe_, &server) ||
      !SameUser(server)) {
    giveUp();
    return false;
  }
  return true;
}

void PipeChangeWitness::giveUp() {
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  pipe_ = INVALID_HANDLE_VALUE;
  givenUp_ = true;
}

std::optional<std::string> PipeChangeWitness::exchange(const std::string& request) {
  if (!connect()) return std::nullopt;
  std::optional<std::string> answer;
  if (WriteAll(pipe_, request + '\n')) {
    const DWORD deadline = (GetTickCount() + AnswerMs) | 1;  // never 0, which waits for ever
    answer = ReadLine(pipe_, pending_, deadline);
  }
  if (!answer) giveUp();
  return answer;
}

}  // namespace tg

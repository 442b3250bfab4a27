#include "adapters/win32/Win32PrivateState.h"

#include <windows.h>

#include <cstdlib>
#include <thread>

#include "adapters/win32/Win32FileSystem.h"

namespace tg {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (Windows error " + std::to_string(GetLastError()) + ").");
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() {
    HANDLE kept = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return kept;
  }

 private:
  HANDLE handle_;
};

// Never through a link (a reparse point is opened as itself and refused), only a plain file.
HANDLE OpenTrusted(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            disposition, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  const std::optional<FileNature> nature = Win32FileSystem::ReadNature(file);
  if (!nature || !IsPlainDiskFile(*nature)) {
    CloseHandle(file);
    throw std::runtime_error("The file " + path + " is not a plain file, so it is not used.");
  }
  return file;
}

class FileLock : public PrivateState::Lock {
 public:
  explicit FileLock(HANDLE file) : file_(file) {}
  ~FileLock() override { CloseHandle(file_); }  // closing lets the lock go

 private:
  HANDLE file_;
};

}  // namespace

std::string Win32PrivateState::DefaultFolder() {
  const char* local = std::getenv("LOCALAPPDATA");
  const char* profile = std::getenv("USERPROFILE");
  const std::string base = local && *local
                               ? std::string(local)
                               : std::string(profile ? profile : "") + "\\AppData\\Local";
  return base + "\\Tallyguard";
}

void Win32PrivateState::ensureFolder() const {
  if (!CreateDirectoryA(folder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    Fail("The folder " + folder_ + " could not be created");
  }
  const DWORD attributes = GetFileAttributesA(folder_.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    throw std::runtime_error("The folder " + folder_ +
                             " is not a plain folder, so Tallyguard keeps nothing there.");
  }
}

std::unique_ptr<PrivateState::Lock> Win32PrivateState::lock(std::string_view name,
                                                            std::chrono::milliseconds wait) {
  ensureFolder();
  const std::string path = pathOf(std::string(name) + ".lock");
  Handle file(OpenTrusted(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS));
  if (file.get() == INVALID_HANDLE_VALUE) Fail("The lock " + path + " could not be opened");
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    OVERLAPPED whole{};
    if (LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &whole)) {
      return std::make_unique<FileLock>(file.release());
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION) Fail("The lock " + path + " could not be taken");
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::optional<std::string> Win32PrivateState::read(std::string_view name) {
  const std::string path = pathOf(name);
  Handle file(OpenTrusted(path, GENERIC_READ, OPEN_EXISTING));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    Fail("The file " + path + " could not be opened");
  }
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return content;
}

void Win32PrivateState::replace(std::string_view name, std::string_view text) {
  ensureFolder();
  const std::string path = pathOf(name);
  const std::string temporary = pathOf("." + std::string(name) + ".new");
  bool written = false;
  {
    Handle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) Fail("The file " + path + " could not be written");
    DWORD count = 0;
    written =
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &count, nullptr) &&
        count == text.size() && FlushFileBuffers(file.get());
  }
  if (!written) {
    DeleteFileA(temporary.c_str());
    Fail("The file " + path + " could not be written");
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
    Fail("The file " + path + " could not be replaced");
  }
}

}  // namespace tg

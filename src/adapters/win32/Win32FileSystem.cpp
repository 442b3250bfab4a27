#include "adapters/win32/Win32FileSystem.h"

#include <windows.h>

#include <string>
#include <utility>

#include "adapters/win32/WinError.h"

namespace tg {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  // False when the system could not finish what was written (a full network share).
  bool close() {
    const bool closed = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(std::string(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return data;
}

void WriteAll(HANDLE file, std::string_view text, std::string_view path) {
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written == 0) {
      ThrowLastError("The file", path, "written");
    }
    text.remove_prefix(written);
  }
}

// An earlier write that stopped halfway (a full disk, a crash) left a line without its end.
bool EndsInsideALine(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return false;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>((size.QuadPart - 1) & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
  char last = '\n';
  DWORD got = 0;
  return ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n';
}

// Only a plain file on a disk, never through a link (a reparse point is opened as itself and
// refused): a device or pipe name put at the log's path would otherwise hang the program or take
// the lines, and a link would lead the user's reads and writes to another file. The nearest this
// comes to the owner check of the POSIX side: the user's own folders are what TEMP names.
// `refused` ends the sentence that reports a file that is not one ("so it was not read").
Handle OpenPlainFile(const Win32FileSystem::NatureReader& natureOf, std::string_view path,
                     DWORD access, DWORD share, DWORD disposition, std::string_view refused) {
  Handle file(CreateFileA(std::string(path).c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                          nullptr));
  if (!file.valid()) ThrowLastError("The file", path, "opened");
  const std::optional<FileNature> nature = natureOf(file.get());
  if (!nature || !IsPlainDiskFile(*nature)) {
    throw WinError(
        ERROR_ACCESS_DENIED,
        "The file " + std::string(path) + " is not a plain file, so " + std::string(refused) + ".");
  }
  return file;
}

// A link is written through, as an editor saves: the file it leads to gets the bytes, and the
// link stays. A path that leads nowhere yet is its own.
std::string WrittenThroughLinks(std::string_view to) {
  Handle existing(CreateFileA(std::string(to).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!existing.valid()) return std::string(to);
  char resolved[MAX_PATH + 8] = {};
  const DWORD length =
      GetFinalPathNameByHandleA(existing.get(), resolved, sizeof resolved, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= sizeof resolved) return std::string(to);
  std::string path(resolved, length);
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// A new file beside `target` that no other file has the name of, for writing alone.
std::pair<Handle, std::string> CreatePartialBeside(std::string_view target) {
  const size_t separator = target.find_last_of("\\/");
  const std::string folder(separator == std::string_view::npos ? ""
                                                               : target.substr(0, separator + 1));
  for (unsigned attempt = 0;; ++attempt) {
    const std::string partial = folder + "~tallyguard-save-" +
                                std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount() + attempt) + ".tmp";
    Handle file(CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) return {std::move(file), partial};
    if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100) {
      ThrowLastError("The file", target, "written");
    }
  }
}

}  // namespace

std::optional<FileNature> Win32FileSystem::ReadNature(void* file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
  return FileNature{GetFileType(file) == FILE_TYPE_DISK, info.dwFileAttributes};
}

bool Win32FileSystem::canReadModificationTime(std::string_view path) const {
  return Attributes(path).has_value();
}

bool Win32FileSystem::isDirectory(std::string_view path) const {
  auto data = Attributes(path);
  return data && (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<FileIdentity> Win32FileSystem::identity(std::string_view path) const {
  // Backup semantics opens folders too; no access right is needed to read the identity.
  Handle file(CreateFileA(std::string(path).c_str(), 0,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

void Win32FileSystem::makeDirectory(std::string_view path) {
  if (!CreateDirectoryA(std::string(path).c_str(), nullptr)) {
    ThrowLastError("The folder", path, "created");
  }
}

// Writers of the log (the window's pass, a pass from the command line, Keep Copies) open it
// together, and take turns by a lock on one byte far past any line: readers never meet it, and
// the check for a cut line and the writing of the next one are one step for each writer. Deletion
// is not shared: a log deleted while open would refuse the next writer until closed.
void Win32FileSystem::appendText(std::string_view path, std::string_view text) {
  Handle file =
      OpenPlainFile(natureOf_, path, FILE_APPEND_DATA | FILE_READ_DATA,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, "nothing was written to it");
  OVERLAPPED turn{};
  turn.OffsetHigh = 0x7FFFFFFF;
  if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn)) {
    ThrowLastError("The file", path, "written");
  }
  struct Unlock {
    HANDLE file;
    OVERLAPPED& turn;
    ~Unlock() { UnlockFileEx(file, 0, 1, 0, &turn); }
  } unlock{file.get(), turn};
  if (EndsInsideALine(file.get())) WriteAll(file.get(), "\r\n", path);
  WriteAll(file.get(), text, path);
  // On the disk before it returns: a copy is deleted only once its line is there to tell.
  if (!FlushFileBuffers(file.get())) ThrowLastError("The file", path, "written");
}

std::string Win32FileSystem::readText(std::string_view path) const {
  Handle file = OpenPlainFile(natureOf_, path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                              "it was not read");
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
      ThrowLastError("The file", path, "read");
    }
    if (got == 0) break;
    content.append(buffer, got);
  }
  return content;
}

void Win32FileSystem::checkPlainFileOfUser(std::string_view path) const {
  OpenPlainFile(natureOf_, path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                OPEN_EXISTING, "it was left alone");
}

// Windows itself refuses a read-only file here.
void Win32FileSystem::deleteFile(std::string_view path) {
  if (!DeleteFileA(std::string(path).c_str())) ThrowLastError("The file", path, "deleted");
}

void Win32FileSystem::forceDeleteFile(std::string_view path) {
  const std::string name(path);
  DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesA(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  }
  if (!DeleteFileA(name.c_str())) ThrowLastError("The file", path, "deleted");
}

// Written beside the target under another name and moved over it once whole and on the disk: a
// full disk or a crash leaves the target as it was, never half a spreadsheet under its name.
void Win32FileSystem::copyFile(std::string_view from, std::string_view to) {
  Handle source = OpenPlainFile(natureOf_, from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                OPEN_EXISTING, "it was not copied");
  const std::string target = WrittenThroughLinks(to);
  const DWORD replacedAttributes = GetFileAttributesA(target.c_str());
  const bool replacing = replacedAttributes != INVALID_FILE_ATTRIBUTES;
  auto [written, partial] = CreatePartialBeside(target);
  try {
    char buffer[65536];
    for (DWORD got = 0;;) {
      if (!ReadFile(source.get(), buffer, sizeof buffer, &got, nullptr)) {
        ThrowLastError("The copy", from, "read");
      }
      if (got == 0) break;
      WriteAll(written.get(), std::string_view(buffer, got), to);
    }
    if (!FlushFileBuffers(written.get()) || !written.close())
      ThrowLastError("The file", to, "written");
    // Replacing keeps what the file had besides its bytes: its permissions, attributes and
    // creation time.
    if (replacing) {
      SetFileAttributesA(partial.c_str(),
                         replacedAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    }
    // Where replacing fails halfway the file replaced may be gone already: the written one then
    // takes its name as a plain rename would give it.
    const bool renamed =
        (replacing && ReplaceFileA(target.c_str(), partial.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                   nullptr, nullptr)) ||
        MoveFileExA(partial.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!renamed) ThrowLastError("The file", to, "written");
  } catch (...) {
    if (written.valid()) written.close();
    // Never the only copy left: a replaced file that is gone leaves the written one in its place.
    if (!replacing || GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      DeleteFileA(partial.c_str());
    }
    throw;
  }
}

void Win32FileSystem::rename(std::string_view from, std::string_view to) {
  if (!MoveFileExA(std::string(from).c_str(), std::string(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ThrowLastError("The copy", to, "given its name");
  }
}

}  // namespace tg

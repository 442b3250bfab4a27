#include "memory/MemoryFileSystem.h"

#include <functional>
#include <system_error>
#include <vector>

namespace tg {
namespace {

[[noreturn]] void Fail(std::errc error, std::string_view doing, std::string_view path) {
  throw std::system_error(std::make_error_code(error),
                          std::string(doing) + " \"" + std::string(path) + "\"");
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string ParentKey(const std::string& folder) {
  const size_t last = folder.find_last_of("/\\");
  if (last == std::string::npos) return "";
  return MemoryFileSystem::FolderKey(folder.substr(0, last + 1));
}

}  // namespace

std::string MemoryFileSystem::FolderKey(std::string_view path) {
  std::string folder(path);
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

bool MemoryFileSystem::canReadModificationTime(std::string_view path) const {
  return exists(path) || directories.count(FolderKey(path)) > 0;
}

std::string MemoryFileSystem::resolve(std::string_view path) const {
  std::string real(path);
  for (const auto& [link, target] : links) {
    if (real.rfind(link + "/", 0) == 0) real = target + real.substr(link.size());
  }
  return real;
}

std::optional<FileIdentity> MemoryFileSystem::identity(std::string_view path) const {
  const std::string real = resolve(path);
  if (!exists(real) && !directories.count(FolderKey(real))) return std::nullopt;
  return FileIdentity{1, std::hash<std::string>{}(FolderKey(real))};
}

bool MemoryFileSystem::isDirectory(std::string_view path) const {
  if (testFailures > 0) {
    --testFailures;
    Fail(std::errc::io_error, "Cannot look at the folder", path);
  }
  return directories.count(FolderKey(path)) > 0;
}

void MemoryFileSystem::makeDirectory(std::string_view path) {
  const std::string folder = FolderKey(path);
  if (directories.count(folder) || exists(folder)) {
    Fail(std::errc::file_exists, "Cannot create the folder", path);
  }
  if (folder.empty() || !directories.count(ParentKey(folder))) {
    Fail(std::errc::no_such_file_or_directory, "Cannot create the folder", path);
  }
  requireRoomFor(folder);
  directories.insert(folder);
}

void MemoryFileSystem::requireRoomFor(std::string_view file) const {
  if (readOnly.count(ParentKey(std::string(file)))) {
    Fail(std::errc::permission_denied, "Cannot write into the folder of", file);
  }
  if (full) Fail(std::errc::no_space_on_device, "No space left on the disk for", file);
}

void MemoryFileSystem::appendText(std::string_view path, std::string_view text) {
  const std::string file(path);
  if (appendFails || readOnly.count(file)) {
    Fail(std::errc::permission_denied, "Cannot write the file", path);
  }
  if (!directories.count(ParentKey(file))) {
    Fail(std::errc::no_such_file_or_directory, "Cannot open the file", path);
  }
  if (!exists(file)) {
    requireRoomFor(file);
  } else if (full) {
    Fail(std::errc::no_space_on_device, "No space left on the disk for", path);
  }
  std::string& content = files[file];
  if (!content.empty() && content.back() != '\n') content += "\r\n";
  content += text;
}

void MemoryFileSystem::checkPlainFileOfUser(std::string_view path) const {
  if (!exists(path)) Fail(std::errc::no_such_file_or_directory, "Cannot open the file", path);
  if (notPlain.count(std::string(path))) {
    Fail(std::errc::permission_denied, "Not a plain file of this user:", path);
  }
}

std::string MemoryFileSystem::readText(std::string_view path) const {
  checkPlainFileOfUser(path);
  auto found = files.find(std::string(path));
  if (found == files.end())
    Fail(std::errc::no_such_file_or_directory, "Cannot open the file", path);
  return found->second;
}

void MemoryFileSystem::deleteFile(std::string_view path) {
  if (readOnly.count(std::string(path)) || readOnly.count(ParentKey(std::string(path)))) {
    Fail(std::errc::permission_denied, "Cannot delete the read-only file", path);
  }
  forceDeleteFile(path);
}

void MemoryFileSystem::forceDeleteFile(std::string_view path) {
  if (!files.erase(std::string(path))) {
    Fail(std::errc::no_such_file_or_directory, "Cannot delete the file", path);
  }
  readOnly.erase(std::string(path));
}

void MemoryFileSystem::rename(std::string_view from, std::string_view to) {
  auto found = files.find(std::string(from));
  if (found == files.end())
    Fail(std::errc::no_such_file_or_directory, "Cannot rename the file", from);
  if (readOnly.count(ParentKey(std::string(to)))) requireRoomFor(to);
  std::string content = std::move(found->second);
  files.erase(found);
  files[std::string(to)] = std::move(content);
}

void MemoryFileSystem::copyFile(std::string_view from, std::string_view to) {
  const std::string content = readText(from);
  if (isDirectory(to)) Fail(std::errc::is_a_directory, "Cannot write the file", to);
  if (!directories.count(ParentKey(std::string(to)))) {
    Fail(std::errc::no_such_file_or_directory, "Cannot write the file", to);
  }
  requireRoomFor(to);
  files[std::string(to)] = content;
}

void MemoryFileSystem::storeFile(std::string_view path, std::string content) {
  const std::string file(path);
  std::string missing = ParentKey(file);
  std::vector<std::string> toMake;
  while (!missing.empty() && !directories.count(missing) && ParentKey(missing) != missing) {
    if (exists(missing)) Fail(std::errc::not_a_directory, "Cannot create the folder", missing);
    toMake.push_back(missing);
    missing = ParentKey(missing);
  }
  if (!directories.count(missing))
    Fail(std::errc::no_such_file_or_directory, "Cannot write the file", path);
  for (auto folder = toMake.rbegin(); folder != toMake.rend(); ++folder) {
    requireRoomFor(*folder);
    directories.insert(*folder);
  }
  if (directories.count(FolderKey(file)))
    Fail(std::errc::is_a_directory, "Cannot write the file", path);
  if (readOnly.count(file)) Fail(std::errc::permission_denied, "Cannot write the file", path);
  requireRoomFor(file);
  files[file] = std::move(content);
}

}  // namespace tg

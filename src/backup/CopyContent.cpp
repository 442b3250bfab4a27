#include "backup/CopyContent.h"

#include <array>

namespace tg {

namespace {

constexpr std::uint32_t EndOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t DirectoryEntrySignature = 0x02014b50;
constexpr size_t EndOfDirectorySize = 22;
constexpr size_t DirectoryEntrySize = 46;
constexpr size_t LongestComment = 0xFFFF;

std::uint32_t Read16(std::string_view bytes, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::uint32_t Read32(std::string_view bytes, size_t at) {
  return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

// The end record is the last thing in the package, followed only by its comment.
std::optional<size_t> EndOfDirectory(std::string_view package) {
  if (package.size() < EndOfDirectorySize) return std::nullopt;
  const size_t last = package.size() - EndOfDirectorySize;
  const size_t first = last > LongestComment ? last - LongestComment : 0;
  for (size_t at = last + 1; at-- > first;) {
    if (Read32(package, at) == EndOfDirectorySignature &&
        at + EndOfDirectorySize + Read16(package, at + 20) == package.size()) {
      return at;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::map<std::string, ZipMember>> ZipMembers(std::string_view package) {
  const std::optional<size_t> end = EndOfDirectory(package);
  if (!end) return std::nullopt;
  const std::uint32_t count = Read16(package, *end + 10);
  const std::uint32_t directorySize = Read32(package, *end + 12);
  const std::uint32_t directoryStart = Read32(package, *end + 16);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryStart == 0xFFFFFFFF ||
      static_cast<std::uint64_t>(directoryStart) + directorySize > *end) {
    return std::nullopt;
  }
  std::map<std::string, ZipMember> members;
  size_t at = directoryStart;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + DirectoryEntrySize > *end || Read32(package, at) != DirectoryEntrySignature) {
      return std::nullopt;
    }
    const size_t nameLength = Read16(package, at + 28);
    const size_t extraLength = Read16(package, at + 30);
    const size_t commentLength = Read16(package, at + 32);
    if (at + DirectoryEntrySize + nameLength > *end) return std::nullopt;
    const std::string name(package.substr(at + DirectoryEntrySize, nameLength));
    const ZipMember member{Read32(package, at + 16), Read32(package, at + 24)};
    if (!members.emplace(name, member).second) return std::nullopt;  // a name twice: not ours
    at += DirectoryEntrySize + nameLength + extraLength + commentLength;
  }
  return members;
}

bool OnlyMetadata(std::string_view memberName) {
  static constexpr std::array<std::string_view, 4> Described = {
      "meta.xml", "settings.xml", "docProps/core.xml", "docProps/app.xml"};
  for (std::string_view name : Described) {
    if (memberName == name) return true;
  }
  return memberName.starts_with("Thumbnails/") || memberName.starts_with("docProps/thumbnail");
}

bool SameSpreadsheet(std::string_view first, std::string_view second) {
  const auto firstMembers = ZipMembers(first);
  const auto secondMembers = ZipMembers(second);
  if (!firstMembers || !secondMembers) {
    return !firstMembers && !secondMembers && first == second;
  }
  const auto content = [](const std::map<std::string, ZipMember>& members) {
    std::map<std::string, ZipMember> kept;
    for (const auto& [name, member] : members) {
      if (!OnlyMetadata(name)) kept.emplace(name, member);
    }
    return kept;
  };
  return content(*firstMembers) == content(*secondMembers);
}

}  // namespace tg

#pragma once
// Which files the Windows program takes for the user's own plain files. Decided here from the
// facts Windows reports (a file's owner, an opened file's attributes), so the rules run and are
// tested on every platform; the Windows adapters only read those facts.

#include <cstdint>
#include <optional>
#include <vector>

namespace tg {

// A security identifier as Windows stores it: revision, count of sub-authorities, the 6-byte
// authority, then 4 bytes per sub-authority.
using SidBytes = std::vector<unsigned char>;

// Whether a file owned by `owner` belongs to another account than this process's, whose own
// identities (its user, and the owner it gives what it creates) are `own`. A file without an
// owner (FAT keeps none), with a malformed one, or judged without the process's own identities
// (its token could not be read) counts as the user's, as before owners were looked at.
bool OwnedByAnotherAccount(const std::optional<SidBytes>& owner, const std::vector<SidBytes>& own);

// What Windows tells of a file: whether it lies on a disk (not a pipe, a console or another
// device) and its attribute bits (FILE_ATTRIBUTE_*).
struct FileNature {
  bool onDisk = true;
  std::uint32_t attributes = 0;
};
inline constexpr std::uint32_t FileAttributeDirectory = 0x10;
inline constexpr std::uint32_t FileAttributeReparsePoint = 0x400;

// Only a plain file on a disk is read, written or counted: a link, a junction or any other
// reparse point would lead elsewhere than its own bytes, and a device name could hang a read or
// take the lines.
bool IsPlainDiskFile(const FileNature& nature);

}  // namespace tg

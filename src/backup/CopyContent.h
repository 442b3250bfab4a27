#pragma once
// Whether two copies of a document hold the same spreadsheet. The office's own formats are zip
// packages: two copies are the same when every member has the same size and CRC-32 in the
// packages' central directories, leaving out the members that carry only the document's
// metadata, view settings or thumbnail (the office rewrites those without any edit). Any other
// file is the same only byte for byte. Anything that cannot be read counts as different: a copy
// is never given up for one that may not hold the same.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

struct ZipMember {
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  bool operator==(const ZipMember&) const = default;
};

// The members of a zip package by name, from its central directory; none when the bytes are no
// zip package this can read (also one that needs the 64-bit extensions).
std::optional<std::map<std::string, ZipMember>> ZipMembers(std::string_view package);

// Members that only describe the document, its last view or its picture.
bool OnlyMetadata(std::string_view memberName);

bool SameSpreadsheet(std::string_view first, std::string_view second);

}  // namespace tg

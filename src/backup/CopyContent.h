#pragma once
// Whether a new copy of a document holds the same spreadsheet as its last kept copy. The office's
// own formats are zip packages: two copies are the same when every member is the same, except
// that the office rewrites a few parts at every store without any edit (the time of the store,
// the time spent editing, the view: where the cursor was, the thumbnail), which are left out;
// everything else in the document's properties and settings counts (its title, keywords,
// "AutoCalculate", "open read-only"). Where that cannot be told for certain (a package protected
// by a password is encrypted afresh at every store; a binary format of another suite; an Excel
// workbook that differs only in its charts, which are renumbered at every store), the answer is
// Unknown, and the copy is kept.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

struct ZipMember {
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  // Where its data lies, to read it; not part of what makes two members the same.
  std::uint16_t method = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t localHeader = 0;
  bool operator==(const ZipMember& other) const { return crc == other.crc && size == other.size; }
};

// The members of a zip package by name, from its central directory; none when the bytes are no
// zip package this can read (also one that needs the 64-bit extensions).
std::optional<std::map<std::string, ZipMember>> ZipMembers(std::string_view package);

// Members that describe the document or its last view, rather than hold its cells.
bool OnlyMetadata(std::string_view memberName);

enum class Sameness { Same, Different, Unknown };

Sameness CompareCopies(std::string_view earlier, std::string_view later);

}  // namespace tg

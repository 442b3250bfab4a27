// Feeds two arbitrary byte strings, as two copies of one document, to the comparison Keep Copies
// trusts: a copy found the same as the newest kept one is not kept. The package reader must take
// any bytes, and "the same" must never be said of two packages whose cells may differ.
//
// Input: the first copy's length (4 bytes, little-endian), the first copy, then the second.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "backup/CopyContent.h"

namespace {

void Require(bool condition, const char* invariant) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

// The members that hold the document's cells and structure: all but its descriptions and view.
std::map<std::string, tg::ZipMember> CellMembers(const std::map<std::string, tg::ZipMember>& all) {
  std::map<std::string, tg::ZipMember> cells;
  for (const auto& [name, member] : all) {
    if (!tg::OnlyMetadata(name)) cells.emplace(name, member);
  }
  return cells;
}

void CheckPair(std::string_view earlier, std::string_view later) {
  const tg::Sameness sameness = tg::CompareCopies(earlier, later);
  Require(tg::CompareCopies(later, earlier) == sameness, "the comparison is symmetric");
  if (sameness != tg::Sameness::Same || earlier == later) return;

  const auto first = tg::ZipMembers(earlier);
  const auto second = tg::ZipMembers(later);
  Require(first.has_value() == second.has_value(), "a package is never the same as a flat file");
  if (!first) {
    Require(earlier.starts_with("<?xml") && later.starts_with("<?xml"),
            "of flat files, only XML is the same without being byte for byte");
    return;
  }
  Require(CellMembers(*first) == CellMembers(*second),
          "the same packages hold the same cell members, by name, size and checksum");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t length = 0;
  for (int i = 3; i >= 0; --i) length = length << 8 | data[i];
  const std::string_view rest = input.substr(4);
  length = length % (rest.size() + 1);
  CheckPair(rest.substr(0, length), rest.substr(length));
  return 0;
}

#include "backup/CopyContent.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tg {
namespace {

struct Entry {
  std::string name;
  std::uint32_t crc;
  std::uint32_t size;
};

// Little-endian, as zip writes its numbers; bytes beyond the value's four are zeros.
void Put(std::string& bytes, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes += static_cast<char>(i < 4 ? (value >> (8 * i)) & 0xFF : 0);
  }
}

// A package as its central directory and end record tell it (what the comparison reads), behind
// `body` standing for the members' data.
std::string Package(const std::vector<Entry>& entries, const std::string& body = "data") {
  std::string directory;
  for (const Entry& entry : entries) {
    Put(directory, 0x02014b50, 4);
    Put(directory, 20, 2);
    Put(directory, 20, 2);
    Put(directory, 0, 2);
    Put(directory, 0, 2);
    Put(directory, 0, 4);
    Put(directory, entry.crc, 4);
    Put(directory, entry.size, 4);
    Put(directory, entry.size, 4);
    Put(directory, static_cast<std::uint32_t>(entry.name.size()), 2);
    Put(directory, 0, 2 * 3 + 2 + 4 + 4);  // extra, comment, disk, attributes, offset
    directory += entry.name;
  }
  std::string package = body + directory;
  Put(package, 0x06054b50, 4);
  Put(package, 0, 4);
  Put(package, static_cast<std::uint32_t>(entries.size()), 2);
  Put(package, static_cast<std::uint32_t>(entries.size()), 2);
  Put(package, static_cast<std::uint32_t>(directory.size()), 4);
  Put(package, static_cast<std::uint32_t>(body.size()), 4);
  Put(package, 0, 2);
  return package;
}

// Two copies are one version when only what describes the document differs; any difference in a
// member that holds the spreadsheet, a member more or less, or a package that does not read
// makes them two.
TEST(CopyContent, OnlyMetadataViewAndThumbnailMayDifferBetweenTwoCopiesOfOneVersion) {
  const std::vector<Entry> first = {{"mimetype", 1, 46},
                                    {"content.xml", 0xC0FFEE, 900},
                                    {"meta.xml", 7, 800},
                                    {"settings.xml", 8, 700},
                                    {"Thumbnails/thumbnail.png", 9, 600}};
  std::vector<Entry> described = first;
  described[2].crc = 70;
  described[3].size = 701;
  described[4].crc = 90;
  EXPECT_TRUE(SameSpreadsheet(Package(first), Package(described, "other data")));

  std::vector<Entry> edited = first;
  edited[1].crc = 0xC0FFEF;
  EXPECT_FALSE(SameSpreadsheet(Package(first), Package(edited)));
  std::vector<Entry> grown = first;
  grown.push_back({"Pictures/chart.png", 5, 10});
  EXPECT_FALSE(SameSpreadsheet(Package(first), Package(grown)));

  const std::string package = Package(first);
  EXPECT_FALSE(SameSpreadsheet(package, package.substr(0, package.size() - 3)));  // cut short
  EXPECT_FALSE(SameSpreadsheet(package, "a;b\n1;2\n"));

  // Flat files: byte for byte.
  EXPECT_TRUE(SameSpreadsheet("a;b\n1;2\n", "a;b\n1;2\n"));
  EXPECT_FALSE(SameSpreadsheet("a;b\n1;2\n", "a;b\n1;3\n"));
}

TEST(CopyContent, ThePackagesMembersAreReadFromItsCentralDirectory) {
  const auto members = ZipMembers(Package({{"content.xml", 0xDEADBEEF, 1234}}));
  ASSERT_TRUE(members);
  ASSERT_EQ(members->size(), 1u);
  EXPECT_EQ(members->at("content.xml"), (ZipMember{0xDEADBEEF, 1234}));
  EXPECT_FALSE(ZipMembers("PK\x03\x04 not a whole package"));
}

}  // namespace
}  // namespace tg

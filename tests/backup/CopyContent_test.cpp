#include "backup/CopyContent.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tg {
namespace {

// Little-endian, as zip writes its numbers; bytes beyond the value's four are zeros.
void Put(std::string& bytes, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes += static_cast<char>(i < 4 ? (value >> (8 * i)) & 0xFF : 0);
  }
}

std::string Deflated(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A whole zip package as the office writes one: the members deflated, but "mimetype" stored.
std::string Package(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string body;
  std::string directory;
  for (const auto& [name, text] : members) {
    const bool stored = name == "mimetype";
    const std::string data = stored ? text : Deflated(text);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    const auto offset = static_cast<std::uint32_t>(body.size());
    const auto describe = [&](std::string& to) {
      Put(to, 20, 2);
      Put(to, 0, 2);
      Put(to, stored ? 0 : 8, 2);
      Put(to, 0, 4);  // time and date
      Put(to, crc, 4);
      Put(to, static_cast<std::uint32_t>(data.size()), 4);
      Put(to, static_cast<std::uint32_t>(text.size()), 4);
      Put(to, static_cast<std::uint32_t>(name.size()), 2);
      Put(to, 0, 2);
    };
    Put(body, 0x04034b50, 4);
    describe(body);
    body += name + data;
    Put(directory, 0x02014b50, 4);
    Put(directory, 20, 2);
    describe(directory);
    Put(directory, 0, 2 + 2 + 2 + 4);  // comment, disk, attributes
    Put(directory, offset, 4);
    directory += name;
  }
  std::string package = body + directory;
  Put(package, 0x06054b50, 4);
  Put(package, 0, 4);
  Put(package, static_cast<std::uint32_t>(members.size()), 2);
  Put(package, static_cast<std::uint32_t>(members.size()), 2);
  Put(package, static_cast<std::uint32_t>(directory.size()), 4);
  Put(package, static_cast<std::uint32_t>(body.size()), 4);
  Put(package, 0, 2);
  return package;
}

std::string Meta(const std::string& date, const std::string& title = "") {
  return "<?xml version=\"1.0\"?><office:document-meta><office:meta><dc:date>" + date +
         "</dc:date><meta:editing-duration>PT" + date.substr(17, 2) +
         "S</meta:editing-duration><meta:editing-cycles>2</meta:editing-cycles>" + title +
         "<meta:generator>LibreOffice</meta:generator></office:meta></office:document-meta>";
}

std::string Settings(const std::string& cursor, const std::string& autoCalculate) {
  return "<office:settings><config:config-item-set config:name=\"ooo:view-settings\">"
         "<config:config-item config:name=\"VisibleAreaTop\">0</config:config-item>"
         "<config:config-item-set config:name=\"Views\"><config:config-item "
         "config:name=\"CursorPositionX\">" +
         cursor +
         "</config:config-item></config:config-item-set></config:config-item-set>"
         "<config:config-item-set config:name=\"ooo:configuration-settings\"><config:config-item "
         "config:name=\"AutoCalculate\">" +
         autoCalculate + "</config:config-item></config:config-item-set></office:settings>";
}

const std::string Manifest = "<manifest:manifest><manifest:file-entry manifest:full-path=\"/\"/>";

std::string Workbook(const std::string& cells, const std::string& date,
                     const std::string& title = "", const std::string& cursor = "0",
                     const std::string& autoCalculate = "true") {
  return Package({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml", "<office:document-content>" + cells},
                  {"meta.xml", Meta(date, title)},
                  {"settings.xml", Settings(cursor, autoCalculate)},
                  {"Thumbnails/thumbnail.png", "picture of " + cursor},
                  {"META-INF/manifest.xml", Manifest + "</manifest:manifest>"}});
}

// Two stores of one unchanged workbook differ in the time of the store, the editing time, the
// view and the thumbnail: the same version. Cells, the title or a setting that changed make two.
TEST(CompareCopies, TellsTheOfficesRewritesFromTheUsersEdits) {
  const std::string first = Workbook("A1=1", "2026-12-08T10:29:17.44");
  EXPECT_EQ(CompareCopies(first, first), Sameness::Same);
  EXPECT_EQ(CompareCopies(first, Workbook("A1=1", "2026-12-08T10:31:19.52", "", "7")),
            Sameness::Same);
  EXPECT_EQ(CompareCopies(first, Workbook("A1=2", "2026-12-08T10:31:19.52")), Sameness::Different);
  EXPECT_EQ(CompareCopies(first, Workbook("A1=1", "2026-12-08T10:31:19.52",
                                          "<dc:title>Budget 2027</dc:title>")),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(first, Workbook("A1=1", "2026-12-08T10:31:19.52", "", "0", "false")),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(first, "a;b\n1;2\n"), Sameness::Different);

  // Flat files: XML without the times of the store; text byte for byte.
  EXPECT_EQ(CompareCopies("<?xml?>" + Meta("2026-12-08T10:29:17.44") + "<cells>1</cells>",
                          "<?xml?>" + Meta("2026-12-09T11:00:05.01") + "<cells>1</cells>"),
            Sameness::Same);
  EXPECT_EQ(CompareCopies("a;b\n1;2\n", "a;b\n1;3\n"), Sameness::Different);
}

// Where sameness cannot be read for certain, the answer is Unknown, never Same: a protected
// package (encrypted afresh at every store), a damaged member, a binary format of another suite.
TEST(CompareCopies, WhatCannotBeReadForCertainIsUnknown) {
  const auto locked = [](const std::string& salt) {
    return Package(
        {{"content.xml", "encrypted " + salt},
         {"META-INF/manifest.xml", Manifest + "<manifest:encryption-data manifest:salt=\"" + salt +
                                       "\"/></manifest:manifest>"}});
  };
  EXPECT_EQ(CompareCopies(locked("a1"), locked("b2")), Sameness::Unknown);

  const std::string first = Workbook("A1=1", "2026-12-08T10:29:17.44");
  std::string damaged = Workbook("A1=1", "2026-12-08T10:31:19.52");
  const size_t meta = damaged.find("meta.xml") + 8;  // the first byte of its deflated data
  damaged[meta] = static_cast<char>(damaged[meta] ^ 0x55);
  EXPECT_EQ(CompareCopies(first, damaged), Sameness::Unknown);
  EXPECT_EQ(CompareCopies(first, first.substr(0, first.size() - 3)), Sameness::Different);

  EXPECT_EQ(
      CompareCopies(std::string("\xD0\xCF\x11\xE0\0\1", 6), std::string("\xD0\xCF\x11\xE0\0\2", 6)),
      Sameness::Unknown);
}

// An Office Open XML workbook as the office stores one; what it rewrites at every store is the
// time of the store and the revision in docProps/core.xml and the editing time in docProps/app.xml.
std::string ExcelWorkbook(const std::string& cell, const std::string& modified,
                          const std::string& revision, const std::string& core = "",
                          const std::string& custom = "") {
  std::vector<std::pair<std::string, std::string>> members = {
      {"[Content_Types].xml", "<Types/>"},
      {"_rels/.rels", "<Relationships/>"},
      {"docProps/app.xml", "<Properties><Template></Template><TotalTime>" + revision +
                               "</TotalTime><Application>LibreOffice</Application></Properties>"},
      {"docProps/core.xml",
       "<cp:coreProperties><dcterms:created>2026-12-01T08:00:00Z"
       "</dcterms:created>" +
           core + "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + modified +
           "</dcterms:modified><cp:revision>" + revision + "</cp:revision></cp:coreProperties>"},
      {"xl/workbook.xml", "<workbook><sheets><sheet name=\"Sheet1\"/></sheets></workbook>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><c r=\"A1\"><v>" + cell + "</v></c></worksheet>"},
  };
  if (!custom.empty()) members.emplace_back("docProps/custom.xml", custom);
  return Package(members);
}

// An .xlsx is compared member by member: two stores of an unchanged workbook are the same; a
// cell, a title or a custom property that changed makes a new version.
TEST(CompareCopies, AnExcelWorkbookIsComparedMemberByMember) {
  const std::string first = ExcelWorkbook("1", "2026-12-08T10:29:17Z", "1");
  EXPECT_EQ(CompareCopies(first, ExcelWorkbook("1", "2026-12-08T10:31:19Z", "2")), Sameness::Same);
  EXPECT_EQ(CompareCopies(first, ExcelWorkbook("2", "2026-12-08T10:31:19Z", "2")),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(first, ExcelWorkbook("1", "2026-12-08T10:31:19Z", "2",
                                               "<dc:title>Budget 2027</dc:title>")),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(ExcelWorkbook("1", "2026-12-08T10:29:17Z", "1", "", "<Properties/>"),
                          ExcelWorkbook("1", "2026-12-08T10:31:19Z", "2", "",
                                        "<Properties><property name=\"Owner\"/></Properties>")),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(first, ExcelWorkbook("1", "2026-12-08T10:31:19Z", "2", "", "<x/>")),
            Sameness::Different)
      << "a member more";
}

// The office writes an Excel workbook's chart afresh at every store, unchanged or not: under the
// next number (chart1.xml, then chart2.xml), with new axis numbers, and the package's list of
// parts and the drawing's link name the new part. That can't tell an edit from none, so it never
// counts as a new version; a changed cell beside it still does.
std::string ExcelWorkbookWithChart(const std::string& cell, int store) {
  const std::string chart = "xl/charts/chart" + std::to_string(store) + ".xml";
  const std::string axes = std::to_string(store * 7919);
  return Package({
      {"[Content_Types].xml", "<Types><Override PartName=\"/" + chart + "\"/></Types>"},
      {"_rels/.rels", "<Relationships/>"},
      {"xl/workbook.xml", "<workbook><sheets><sheet name=\"Sheet1\"/></sheets></workbook>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><c r=\"A1\"><v>" + cell + "</v></c></worksheet>"},
      {"xl/drawings/drawing1.xml", "<xdr:wsDr><c:chart r:id=\"rId1\"/></xdr:wsDr>"},
      {"xl/drawings/_rels/drawing1.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Target=\"../charts/chart" + std::to_string(store) +
           ".xml\"/></Relationships>"},
      {chart, "<c:chartSpace><c:axId val=\"" + axes + "\"/></c:chartSpace>"},
  });
}

TEST(CompareCopies, AnExcelChartRenumberedAtEveryStoreIsNoKnownChange) {
  EXPECT_EQ(CompareCopies(ExcelWorkbookWithChart("1", 2), ExcelWorkbookWithChart("1", 3)),
            Sameness::Unknown);
  EXPECT_EQ(CompareCopies(ExcelWorkbookWithChart("1", 2), ExcelWorkbookWithChart("2", 3)),
            Sameness::Different);
  EXPECT_EQ(CompareCopies(ExcelWorkbookWithChart("1", 2), ExcelWorkbookWithChart("1", 2)),
            Sameness::Same);
}

// A password added (or taken off) between two copies: one package encrypted, the other not. The
// plain one's members tell nothing of the other's, so the two are never taken for the same.
TEST(CompareCopies, APackageEncryptedOnOneSideOnlyIsNotCertainlyTheSame) {
  const std::string plain = Workbook("A1=1", "2026-12-08T10:29:17.44");
  const std::string locked = Package(
      {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
       {"content.xml", "<office:document-content>A1=1"},
       {"meta.xml", Meta("2026-12-08T10:31:19.52")},
       {"settings.xml", Settings("0", "true")},
       {"Thumbnails/thumbnail.png", "picture of 0"},
       {"META-INF/manifest.xml",
        Manifest + "<manifest:encryption-data manifest:checksum=\"x\"/></manifest:manifest>"}});
  EXPECT_EQ(CompareCopies(plain, locked), Sameness::Unknown);
  EXPECT_EQ(CompareCopies(locked, plain), Sameness::Unknown);
}

TEST(CopyContent, ThePackagesMembersAreReadFromItsCentralDirectory) {
  const std::string text = "<office:document-content/>";
  const auto members = ZipMembers(Package({{"content.xml", text}}));
  ASSERT_TRUE(members);
  ASSERT_EQ(members->size(), 1u);
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
  EXPECT_EQ(members->at("content.xml"), (ZipMember{crc, text.size()}));
  EXPECT_FALSE(ZipMembers("PK\x03\x04 not a whole package"));
}

}  // namespace
}  // namespace tg

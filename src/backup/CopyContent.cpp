#include "backup/CopyContent.h"

#include <zlib.h>

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

constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr size_t LocalHeaderSize = 30;
constexpr std::uint16_t StoredMethod = 0;
constexpr std::uint16_t DeflatedMethod = 8;
// A document's description or settings is a few kilobytes; a member that claims more is not
// inflated (nor is a package that would inflate without end).
constexpr std::uint64_t LargestDescription = 16 * 1024 * 1024;

bool Inflate(std::string_view deflated, std::uint64_t size, std::string& text) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  text.resize(size);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  stream.avail_in = static_cast<uInt>(deflated.size());
  stream.next_out = reinterpret_cast<Bytef*>(text.data());
  stream.avail_out = static_cast<uInt>(text.size());
  const int result = inflate(&stream, Z_FINISH);
  inflateEnd(&stream);
  return result == Z_STREAM_END && stream.total_out == size;
}

bool IsThumbnail(std::string_view memberName) {
  return memberName.starts_with("Thumbnails/") || memberName.starts_with("docProps/thumbnail");
}

// Rewritten by the office at every store: ODF's meta.xml (and a flat document's office:meta),
// and the Office Open XML descriptions.
constexpr std::array<std::string_view, 6> RewrittenAtEveryStore = {
    "dc:date",          "meta:editing-duration", "meta:editing-cycles",
    "dcterms:modified", "cp:revision",           "TotalTime"};

// Removes every <tag ...>...</tag> and <tag .../> of the text.
void RemoveElements(std::string& text, std::string_view tag) {
  const std::string open = "<" + std::string(tag);
  const std::string close = "</" + std::string(tag) + ">";
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
    const size_t after = at + open.size();
    if (after >= text.size() ||
        std::string_view(" \t\r\n/>").find(text[after]) == std::string_view::npos) {
      at = after;  // a longer name that starts the same
      continue;
    }
    const size_t headEnd = text.find('>', after);
    if (headEnd == std::string::npos) return;
    size_t end = headEnd + 1;
    if (text[headEnd - 1] != '/') {
      const size_t closing = text.find(close, headEnd);
      if (closing == std::string::npos) return;
      end = closing + close.size();
    }
    text.erase(at, end - at);
  }
}

// The view settings (the visible area, the cursor, the active sheet) change whenever the user
// looks around; the configuration settings beside them stay.
void RemoveViewSettings(std::string& text) {
  constexpr std::string_view Start = "<config:config-item-set config:name=\"ooo:view-settings\"";
  constexpr std::string_view Open = "<config:config-item-set";
  constexpr std::string_view Close = "</config:config-item-set>";
  const size_t start = text.find(Start);
  if (start == std::string::npos) return;
  int depth = 0;
  for (size_t at = start; at < text.size();) {
    const size_t open = text.find(Open, at);
    const size_t close = text.find(Close, at);
    if (close == std::string::npos) return;
    if (open != std::string::npos && open < close) {
      ++depth;
      at = open + Open.size();
      continue;
    }
    if (--depth == 0) {
      text.erase(start, close + Close.size() - start);
      return;
    }
    at = close + Close.size();
  }
}

// A member's uncompressed bytes, checked against its size and CRC-32; none when it cannot be
// read (another compression, damaged, larger than a document's description ever is).
std::optional<std::string> ZipMemberText(std::string_view package, const ZipMember& member) {
  const std::uint64_t header = member.localHeader;
  if (member.size > LargestDescription || header + LocalHeaderSize > package.size() ||
      Read32(package, header) != LocalHeaderSignature) {
    return std::nullopt;
  }
  const std::uint64_t data =
      header + LocalHeaderSize + Read16(package, header + 26) + Read16(package, header + 28);
  if (data + member.compressedSize > package.size()) return std::nullopt;
  const std::string_view stored = package.substr(data, member.compressedSize);
  std::string text;
  if (member.method == StoredMethod) {
    text.assign(stored);
  } else if (member.method != DeflatedMethod || !Inflate(stored, member.size, text)) {
    return std::nullopt;
  }
  const auto bytes = reinterpret_cast<const Bytef*>(text.data());
  if (text.size() != member.size ||
      crc32(crc32(0L, Z_NULL, 0), bytes, static_cast<uInt>(text.size())) != member.crc) {
    return std::nullopt;
  }
  return text;
}

// The text of a description or settings member (or a flat XML document) without the parts the
// office rewrites at every store: the times of the store and of editing, the count of editing
// sessions, and the view settings.
std::string WithoutStoreNoise(std::string_view xml) {
  std::string text(xml);
  for (std::string_view tag : RewrittenAtEveryStore) RemoveElements(text, tag);
  RemoveViewSettings(text);
  return text;
}

// A package protected by a password names its encryption in its manifest.
std::optional<bool> Encrypted(std::string_view package,
                              const std::map<std::string, ZipMember>& members) {
  const auto manifest = members.find("META-INF/manifest.xml");
  if (manifest == members.end()) return false;
  const std::optional<std::string> text = ZipMemberText(package, manifest->second);
  if (!text) return std::nullopt;
  return text->find("encryption-data") != std::string::npos;
}

// An Excel workbook's charts are written afresh at every store, edited or not: each under the next
// free number (xl/charts/chart2.xml, then chart3.xml) with new axis numbers inside, and the list
// of the package's parts and the drawing's links to its charts name the new part.
bool RenumberedAtEveryStore(std::string_view memberName) {
  return memberName.starts_with("xl/charts/") || memberName.starts_with("xl/drawings/_rels/") ||
         memberName == "[Content_Types].xml";
}

Sameness ComparePackages(std::string_view earlier,
                         const std::map<std::string, ZipMember>& earlierMembers,
                         std::string_view later,
                         const std::map<std::string, ZipMember>& laterMembers) {
  const std::optional<bool> earlierEncrypted = Encrypted(earlier, earlierMembers);
  const std::optional<bool> laterEncrypted = Encrypted(later, laterMembers);
  if (!earlierEncrypted || !laterEncrypted || *earlierEncrypted || *laterEncrypted) {
    return Sameness::Unknown;
  }
  const auto names = [](const std::map<std::string, ZipMember>& members) {
    std::map<std::string_view, const ZipMember*> kept;
    for (const auto& [name, member] : members) {
      if (!IsThumbnail(name)) kept.emplace(name, &member);
    }
    return kept;
  };
  const auto first = names(earlierMembers);
  const auto second = names(laterMembers);
  // What can't tell an edit from none: a member that can't be read, or a difference only in what
  // the office renumbers at every store.
  bool unsure = false;
  const auto differs = [&unsure](std::string_view name) {
    if (!RenumberedAtEveryStore(name)) return true;
    unsure = true;
    return false;
  };
  for (const auto& [name, member] : second) {
    if (!first.contains(name) && differs(name)) return Sameness::Different;
  }
  for (const auto& [name, member] : first) {
    const auto other = second.find(name);
    if (other != second.end() && *member == *other->second) continue;
    if (other == second.end() || !OnlyMetadata(name)) {
      if (differs(name)) return Sameness::Different;
      continue;
    }
    const std::optional<std::string> one = ZipMemberText(earlier, *member);
    const std::optional<std::string> two = ZipMemberText(later, *other->second);
    if (!one || !two) {
      unsure = true;
      continue;
    }
    if (WithoutStoreNoise(*one) != WithoutStoreNoise(*two)) return Sameness::Different;
  }
  return unsure ? Sameness::Unknown : Sameness::Same;
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
    ZipMember member{Read32(package, at + 16), Read32(package, at + 24)};
    member.method = static_cast<std::uint16_t>(Read16(package, at + 10));
    member.compressedSize = Read32(package, at + 20);
    member.localHeader = Read32(package, at + 42);
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
  return IsThumbnail(memberName);
}

Sameness CompareCopies(std::string_view earlier, std::string_view later) {
  if (earlier == later) return Sameness::Same;
  const auto earlierMembers = ZipMembers(earlier);
  const auto laterMembers = ZipMembers(later);
  if (earlierMembers && laterMembers) {
    return ComparePackages(earlier, *earlierMembers, later, *laterMembers);
  }
  if (earlierMembers || laterMembers) return Sameness::Different;  // another format altogether
  if (earlier.starts_with("<?xml") && later.starts_with("<?xml")) {
    return WithoutStoreNoise(earlier) == WithoutStoreNoise(later) ? Sameness::Same
                                                                  : Sameness::Different;
  }
  // Text (CSV and the like) holds nothing but the cells; a binary format may hold anything.
  const auto binary = [](std::string_view bytes) {
    return bytes.find('\0') != std::string_view::npos;
  };
  return binary(earlier) || binary(later) ? Sameness::Unknown : Sameness::Different;
}

}  // namespace tg

#include "common/OfficeProfile.h"

#include <cctype>
#include <cstdio>

namespace tg {
namespace {

constexpr std::string_view PlainPathCharacters = "-._~!$&'()*+,;=:@/";

std::string Escaped(std::string_view path) {
  std::string url;
  for (unsigned char c : path) {
    if (std::isalnum(c) || PlainPathCharacters.find(static_cast<char>(c)) != std::string::npos) {
      url += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      url += escaped;
    }
  }
  return url;
}

std::u16string Utf16(std::string_view utf8) {
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length && i + static_cast<size_t>(k) < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(length);
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return units;
}

}  // namespace

std::string OfficeFileUrl(std::string_view systemPath) {
  std::string path(systemPath);
  const bool windows =
      path.find('\\') != std::string::npos ||
      (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':');
  if (!windows) return "file://" + Escaped(path);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  // "//server/share" is a host and its path; "C:/x" is a path on this machine.
  if (path.rfind("//", 0) == 0) return "file://" + Escaped(path.substr(2));
  return "file:///" + Escaped(path);
}

std::string BootstrapValue(std::istream& file, std::string_view key) {
  std::string line;
  bool inSection = false;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[Bootstrap]";
      continue;
    }
    if (inSection && line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        line[key.size()] == '=') {
      return line.substr(key.size() + 1);
    }
  }
  return "";
}

std::string ExpandedProfileUrl(std::string value, std::string_view configFolderUrl) {
  constexpr std::string_view Macro = "$SYSUSERCONFIG";
  for (size_t at; (at = value.find(Macro)) != std::string::npos;) {
    value.replace(at, Macro.size(), configFolderUrl);
  }
  return value;
}

std::string ProfileDigest(std::string_view canonicalUrl, Md5Function md5) {
  // The office hashes its string's code units as they lie in memory: UTF-16, little-endian on
  // the machines this program runs on.
  std::string bytes;
  for (char16_t unit : Utf16(canonicalUrl)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  std::string digest;
  for (unsigned char byte : md5(bytes)) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%x", byte);
    digest += hex;
  }
  return digest;
}

}  // namespace tg

#pragma once
// How LibreOffice names the single-instance channel of a user profile, on every system. One
// office runs per profile: it takes an MD5 digest of its profile folder's file URL and listens
// on a pipe named "SingleOfficeIPC_<digest>", to which every later start hands its request. The
// program finds the user's own office by working out the same name; each platform supplies the
// MD5 and where its pipes live.

#include <array>
#include <istream>
#include <string>
#include <string_view>

namespace tg {

// The file URL the office writes for a system path: a "/" path as it is, a Windows path
// ("C:\x", "\\server\share\x") with forward slashes; every byte outside the path characters a
// URL carries plainly is %-escaped.
std::string OfficeFileUrl(std::string_view systemPath);

// The value of `key` in the [Bootstrap] section of an office's bootstrap file
// (program/bootstraprc, program\bootstrap.ini); "" when absent.
std::string BootstrapValue(std::istream& file, std::string_view key);

// A profile location as the office's bootstrap files give it, with "$SYSUSERCONFIG" replaced by
// the URL of the user's configuration folder.
std::string ExpandedProfileUrl(std::string value, std::string_view configFolderUrl);

using Md5Digest = std::array<unsigned char, 16>;
using Md5Function = Md5Digest (*)(std::string_view bytes);

// The office's digest of a profile URL: MD5 over the URL's UTF-16 (little-endian) code units,
// each byte in lower-case hex WITHOUT its leading zero (the office appends the bytes as
// numbers), so the text is 16 to 32 characters long.
std::string ProfileDigest(std::string_view canonicalUrl, Md5Function md5);

// The name the office gives its single-instance pipe for a profile digest.
inline std::string SingleInstancePipeName(std::string_view digest) {
  return "SingleOfficeIPC_" + std::string(digest);
}

}  // namespace tg

#pragma once
// The user's office, found by the connection. LibreOffice lets one office run per user profile:
// each office listens on a socket named after a digest of its profile's location, and the
// launcher hands every request to the office that answers there. So "the user's office runs"
// means that socket accepts a connection, and the office serving a pipe is the user's when the
// same process serves both. Process names tell neither: a conversion service or an office of
// another profile is a soffice.bin too. The socket files outlive a killed office, so their
// existence tells nothing either.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/ports/OfficePresence.h"

namespace tg {

// The profile location the launcher would use with no -env:UserInstallation: the
// "UserInstallation" bootstrap variable when the environment sets it, else the one of the
// office's bootstraprc ($SYSUSERCONFIG/libreoffice/4), where $SYSUSERCONFIG is
// $XDG_CONFIG_HOME when that folder exists, else $HOME/.config. Without `bootstrapFile`, the one
// of the office installed where the search looks (see InstalledOfficeSearch).
std::string DefaultOfficeProfileUrl(const std::string& bootstrapFile = "");

// The form the office names its own profile in before taking the digest: a file URL of the
// folder's real path (links resolved, no trailing "/") when the folder exists, else as given.
std::string CanonicalProfileUrl(std::string_view profileUrl);

// The office's digest of a profile URL: MD5 over the URL's UTF-16 (little-endian) code units,
// each byte in lower-case hex WITHOUT its leading zero (LibreOffice appends the bytes as
// numbers), so the text is 16 to 32 characters long.
std::string ProfileDigest(std::string_view canonicalUrl);

// Where the office's pipes live: /tmp/OSL_PIPE_<uid>_<name> (/var/tmp when /tmp cannot be written).
std::string OfficePipePath(std::string_view pipeName);

// The single-instance socket of the office of `profileUrl` ("" = the user's default profile).
std::string SingleInstanceSocket(std::string_view profileUrl);

// The process serving the office pipe `pipeName`, when one of this user accepts a connection on
// it; nothing when the pipe is absent, stale or another user's.
std::optional<pid_t> PipeServer(std::string_view pipeName);

// The office process of the profile `profileUrl` ("" = the user's default), when it answers.
std::optional<pid_t> ProfileOffice(std::string_view profileUrl);

// True when the office process has no windows to show a document in (started --headless, or
// without a windowing module): LibreOffice 7.4 ends, losing what is open, when asked to show one.
bool ShowsNoWindows(pid_t office);

// The office port's presence: the office of the profile answers on its single-instance socket.
class ProfileOfficePresence : public OfficePresence {
 public:
  explicit ProfileOfficePresence(std::string profileUrl = "") : profile_(std::move(profileUrl)) {}
  bool officeRuns() const override { return ProfileOffice(profile_).has_value(); }

 private:
  std::string profile_;
};

}  // namespace tg

#include "adapters/posix/OfficeInstance.h"

#include <openssl/evp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "adapters/posix/OfficeInstallation.h"
#include "backup/BackupNaming.h"
#include "common/OfficeProfile.h"

namespace tg {
namespace {

constexpr std::string_view FileScheme = "file://";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool Exists(const std::string& path) { return !path.empty() && ::access(path.c_str(), F_OK) == 0; }

// The office's own home folder rule: $HOME for the user running it, when set and present.
std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (Exists(home)) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return home;
}

std::string ConfigFolder() {
  std::string chosen = Environment("XDG_CONFIG_HOME");
  if (Exists(chosen)) return chosen;
  return HomeFolder() + "/.config";
}

std::optional<std::string> PathOfUrl(std::string_view url) {
  if (url.substr(0, FileScheme.size()) != FileScheme) return std::nullopt;
  std::string_view rest = url.substr(FileScheme.size());
  if (rest.empty() || rest.front() != '/') return std::nullopt;  // a host name: not this machine's
  return DecodeUrlEscapes(rest);
}

Md5Digest Md5(std::string_view bytes) {
  Md5Digest md5{};
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), md5.data(), &length, EVP_md5(), nullptr);
  return md5;
}

// Connects to a pipe of this user's offices without waiting: the process that serves it, or
// nothing when no one accepts. A stopped office still accepts (the system queues the connection),
// which is what the hang watch needs: a stopped office is running, and is reported as stalled.
std::optional<pid_t> ServerOf(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return std::nullopt;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return std::nullopt;
  std::optional<pid_t> server;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid() &&
        peer.pid > 0) {
      server = peer.pid;
    }
  }
  ::close(fd);
  return server;
}

}  // namespace

std::string DefaultOfficeProfileUrl(const std::string& bootstrapFile) {
  // Bootstrap variables are taken from the environment before the bootstraprc.
  std::string chosen = Environment("UserInstallation");
  if (chosen.empty()) {
    std::string bootstrap = bootstrapFile;
    if (bootstrap.empty()) {
      const std::optional<std::string> office = FindOfficeProgramFolder(InstalledOfficeSearch());
      if (office) bootstrap = *office + "/bootstraprc";
    }
    std::ifstream file(bootstrap);
    chosen = BootstrapValue(file, "UserInstallation");
  }
  if (chosen.empty()) chosen = "$SYSUSERCONFIG/libreoffice/4";
  return ExpandedProfileUrl(chosen, OfficeFileUrl(ConfigFolder()));
}

std::string CanonicalProfileUrl(std::string_view profileUrl) {
  std::optional<std::string> path = PathOfUrl(profileUrl);
  if (!path) return std::string(profileUrl);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path->c_str(), nullptr), &std::free);
  if (!real) return std::string(profileUrl);
  return OfficeFileUrl(real.get());
}

std::string ProfileDigest(std::string_view canonicalUrl) {
  return tg::ProfileDigest(canonicalUrl, Md5);
}

std::string OfficePipePath(std::string_view pipeName) {
  const std::string folder = ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
  return folder + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + std::string(pipeName);
}

std::string SingleInstanceSocket(std::string_view profileUrl) {
  const std::string profile =
      CanonicalProfileUrl(profileUrl.empty() ? DefaultOfficeProfileUrl() : profileUrl);
  return OfficePipePath(SingleInstancePipeName(ProfileDigest(profile)));
}

std::optional<pid_t> PipeServer(std::string_view pipeName) {
  return ServerOf(OfficePipePath(pipeName));
}

std::optional<pid_t> ProfileOffice(std::string_view profileUrl) {
  return ServerOf(SingleInstanceSocket(profileUrl));
}

bool ShowsNoWindows(pid_t office) {
  const std::string process = "/proc/" + std::to_string(office);
  std::ifstream arguments(process + "/cmdline", std::ios::binary);
  for (std::string word; std::getline(arguments, word, '\0');) {
    if (word == "--headless" || word == "-headless") return true;
  }
  // Without --headless, an office still draws nothing when no windowing module of its own is
  // loaded: the -nogui packages have none, and without a display none loads.
  std::ifstream libraries(process + "/maps");
  for (std::string line; std::getline(libraries, line);) {
    if (line.find("/libvclplug_") != std::string::npos) return false;
  }
  return true;
}

}  // namespace tg

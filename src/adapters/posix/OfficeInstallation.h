#pragma once
// Where LibreOffice is installed. Distributions and the office's own packages put it in different
// places (/usr/lib/libreoffice on Debian and Ubuntu, /usr/lib64/libreoffice on Fedora and
// openSUSE, /opt/libreoffice<version> from libreoffice.org), and a user may run one of several.
// What is found is the office's program folder: it holds the launcher, the bootstrap files and
// the UNO runtime the office module is loaded against (its interface is stable across versions).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// Names the office's install folder (or its program folder) for this program and its children;
// the window sets it from its setting when the user has not set it.
inline constexpr const char* OfficeFolderVariable = "TALLYGUARD_LIBREOFFICE";
inline constexpr std::string_view OfficeFolderKey = "OfficeFolder";

// Where to look, first to last.
struct OfficeSearch {
  std::string chosen = "";         // the user's own choice, install or program folder; "" = none
  std::string path = "";           // the user's PATH, for its soffice
  std::string runningOffice = "";  // the program file of the user's running office; "" = none
  std::vector<std::string> roots = {};  // install folders, in the order they are tried
};

// Where the office is installed, the running one aside: the user's choice, the PATH and the
// install folders of the search below. What the office's profile is named by comes from there,
// before its running office can be found.
OfficeSearch InstalledOfficeSearch();

// The search of this process: $TALLYGUARD_LIBREOFFICE; the soffice on $PATH, which the user starts
// by name; the office of the user's profile when it runs (the office's own packages name their
// launcher libreoffice<version>, so it may be on no PATH); then /usr/lib/libreoffice,
// /usr/lib64/libreoffice and /opt/libreoffice* (newest version first).
OfficeSearch OfficeSearchOfProcess(std::string_view profileUrl);

// The first program folder the search finds; nothing when there is no usable office.
std::optional<std::string> FindOfficeProgramFolder(const OfficeSearch& search);

// The program folder of an install folder or of a program folder, when it holds a usable office.
std::optional<std::string> ProgramFolderOf(std::string_view folder);

// The /opt/libreoffice* folders under `opt`, newest version first (libreoffice24.8 before
// libreoffice7.6 before libreoffice7.4).
std::vector<std::string> OfficePackageFolders(std::string_view opt = "/opt");

// One plain sentence for an office installed only in a sandbox (Flatpak, Snap), whose pipes and
// files this program can't reach; nothing when there is no such install under `root`.
std::optional<std::string> SandboxedOfficeSentence(std::string_view home,
                                                   std::string_view root = "");

}  // namespace tg

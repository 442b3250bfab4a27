#include "adapters/posix/OfficeInstance.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "adapters/posix/OfficeInstallation.h"
#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::TempFolder;
using testing::WriteWholeFile;

// Digests of the single-instance sockets LibreOffice 7.4 made for these profiles, read off /tmp
// (the office's for the first; the launcher's, before it handed over, for the second). The last
// byte of the first is 0x01: the office writes it as "1".
TEST(OfficeInstance, TheDigestIsTheOfficesOwn) {
  EXPECT_EQ(ProfileDigest("file:///tmp/tgo-digest-prof"), "7e8984eae131508d1054e9e2f229e81");
  EXPECT_EQ(ProfileDigest("file:///tmp/tgo-digest-prof/"), "3b2b9145855d718bd929a214d3d3790");
}

// The office takes the digest of its profile folder's real location: a profile named through a
// link or with a trailing "/" is the same office as the folder itself.
TEST(OfficeInstance, AProfileIsNamedByItsFoldersRealLocation) {
  TempFolder temp;
  std::filesystem::create_directories(temp / "real profile");
  std::filesystem::create_directory_symlink(temp / "real profile", temp / "link");
  const std::string real = CanonicalProfileUrl("file://" + (temp / "real profile"));
  EXPECT_EQ(real.find(' '), std::string::npos) << real;
  EXPECT_NE(real.find("real%20profile"), std::string::npos) << real;
  EXPECT_EQ(CanonicalProfileUrl("file://" + (temp / "link")), real);
  EXPECT_EQ(CanonicalProfileUrl("file://" + (temp / "link") + "/"), real);
  EXPECT_EQ(CanonicalProfileUrl("file://" + (temp / "real%20profile")), real);
  EXPECT_EQ(SingleInstanceSocket("file://" + (temp / "link")),
            SingleInstanceSocket("file://" + (temp / "real profile")));
  EXPECT_EQ(CanonicalProfileUrl("file://" + (temp / "missing")), "file://" + (temp / "missing"));
}

class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value;
  }
  ~SavedVariable() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// The same profile the launcher would pick: $XDG_CONFIG_HOME when that folder exists, else
// $HOME/.config, below it the bootstraprc's path; the environment's UserInstallation first.
TEST(OfficeInstance, TheDefaultProfileIsTheLaunchersChoice) {
  SavedVariable home("HOME"), xdg("XDG_CONFIG_HOME"), chosen("UserInstallation");
  TempFolder temp;
  std::filesystem::create_directories(temp / "home");
  std::filesystem::create_directories(temp / "xdg");
  const std::string rc = temp / "bootstraprc";
  WriteWholeFile(rc,
                 "[Other]\nUserInstallation=wrong\n[Bootstrap]\n"
                 "UserInstallation=$SYSUSERCONFIG/office/7\n");
  setenv("HOME", (temp / "home").c_str(), 1);
  unsetenv("UserInstallation");

  setenv("XDG_CONFIG_HOME", (temp / "xdg").c_str(), 1);
  EXPECT_EQ(DefaultOfficeProfileUrl(rc), "file://" + (temp / "xdg") + "/office/7");
  setenv("XDG_CONFIG_HOME", (temp / "no such folder").c_str(), 1);
  EXPECT_EQ(DefaultOfficeProfileUrl(rc), "file://" + (temp / "home") + "/.config/office/7");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultOfficeProfileUrl(rc), "file://" + (temp / "home") + "/.config/office/7");
  EXPECT_EQ(DefaultOfficeProfileUrl(temp / "no bootstraprc"),
            "file://" + (temp / "home") + "/.config/libreoffice/4");
  setenv("UserInstallation", "file:///elsewhere/p", 1);
  EXPECT_EQ(DefaultOfficeProfileUrl(rc), "file:///elsewhere/p");
}

// Unnamed, the bootstrap file is the one of the office the search finds (here the user's
// choice, an office outside Debian's folder), not Debian's.
TEST(OfficeInstance, TheDefaultProfileIsReadFromTheFoundOffice) {
  SavedVariable home("HOME"), xdg("XDG_CONFIG_HOME"), chosen("UserInstallation"),
      folder(OfficeFolderVariable);
  TempFolder temp;
  const std::string program = temp / "opt/libreoffice9.1/program";
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(temp / "home");
  WriteWholeFile(program + "/soffice", "#!/bin/sh\n");
  std::filesystem::permissions(program + "/soffice", std::filesystem::perms::owner_all);
  WriteWholeFile(program + "/fundamentalrc", "");
  WriteWholeFile(program + "/libuno_sal.so.3", "");
  WriteWholeFile(program + "/bootstraprc", "[Bootstrap]\nUserInstallation=$SYSUSERCONFIG/own/9\n");
  setenv("HOME", (temp / "home").c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("UserInstallation");
  setenv(OfficeFolderVariable, (temp / "opt/libreoffice9.1").c_str(), 1);
  EXPECT_EQ(DefaultOfficeProfileUrl(), "file://" + (temp / "home") + "/.config/own/9");
}

}  // namespace
}  // namespace tg

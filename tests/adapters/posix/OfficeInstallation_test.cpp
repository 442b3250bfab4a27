#include "adapters/posix/OfficeInstallation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace tg {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Optional;
using testing::TempFolder;
using testing::WriteWholeFile;

// An install folder laid out as the office's packages lay it out: program/ with the launcher,
// the bootstrap file and the UNO runtime.
std::string MakeOffice(const std::string& root) {
  const std::string program = root + "/program";
  WriteWholeFile(program + "/soffice", "#!/bin/sh\n");
  fs::permissions(program + "/soffice", fs::perms::owner_all);
  WriteWholeFile(program + "/fundamentalrc", "[Bootstrap]\n");
  WriteWholeFile(program + "/libuno_sal.so.3", "");
  return program;
}

// Where each kind of install is found, and what the user's choice, the PATH and the running
// office weigh against the standard places.
TEST(OfficeInstallation, EachInstallIsFoundInTheOrderAUserExpects) {
  TempFolder disk;
  const std::string debian = MakeOffice(disk / "usr/lib/libreoffice");
  const std::string fedora = MakeOffice(disk / "usr/lib64/libreoffice");
  MakeOffice(disk / "opt/libreoffice7.4");
  const std::string newest = MakeOffice(disk / "opt/libreoffice24.8");
  MakeOffice(disk / "opt/libreoffice7.6");
  WriteWholeFile(disk / "opt/zotero/program/soffice", "");
  EXPECT_THAT(OfficePackageFolders(disk / "opt"),
              ElementsAre(disk / "opt/libreoffice24.8", disk / "opt/libreoffice7.6",
                          disk / "opt/libreoffice7.4"));

  OfficeSearch search{.roots = {disk / "usr/lib/libreoffice", disk / "usr/lib64/libreoffice"}};
  for (const std::string& folder : OfficePackageFolders(disk / "opt"))
    search.roots.push_back(folder);
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(debian));
  fs::remove_all(disk / "usr/lib/libreoffice");
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(fedora));
  fs::remove_all(disk / "usr/lib64/libreoffice");
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(newest));

  // The office the user runs comes before the standard places; the soffice on the PATH, found
  // through its link, before that; a PATH entry without an office, or relative, counts for
  // nothing.
  const std::string running = MakeOffice(disk / "home/apps/lo");
  search.runningOffice = running + "/soffice.bin";
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(running));
  const std::string onPath = MakeOffice(disk / "elsewhere/office");
  fs::create_directories(disk / "bin");
  fs::create_symlink(onPath + "/soffice", disk / "bin/soffice");
  fs::create_directories(disk / "empty");
  search.path = "bin:" + (disk / "empty") + ":" + (disk / "bin");
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(onPath));

  // The user's choice stands alone, named by its install folder or its program folder; one that
  // holds no office is not replaced by another unasked.
  search.chosen = disk / "opt/libreoffice7.4";
  EXPECT_THAT(FindOfficeProgramFolder(search), Optional(disk / "opt/libreoffice7.4/program"));
  search.chosen = fedora;
  EXPECT_EQ(FindOfficeProgramFolder(search), std::nullopt);
  search.chosen = disk / "opt/zotero";
  EXPECT_EQ(FindOfficeProgramFolder(search), std::nullopt) << "a launcher without the runtime";
}

TEST(OfficeInstallation, AnOfficeOnlyInASandboxIsNamedWithWhatToInstall) {
  TempFolder disk;
  EXPECT_EQ(SandboxedOfficeSentence(disk / "home", disk.path().string()), std::nullopt);
  fs::create_directories(disk / "home/.local/share/flatpak/app/org.libreoffice.LibreOffice");
  EXPECT_THAT(SandboxedOfficeSentence(disk / "home", disk.path().string()),
              Optional(AllOf(HasSubstr("as a Flatpak"), HasSubstr("sudo apt install"))));
  fs::remove_all(disk / "home");
  fs::create_directories(disk / "snap/libreoffice");
  EXPECT_THAT(SandboxedOfficeSentence(disk / "home", disk.path().string()),
              Optional(HasSubstr("as a Snap")));
}

}  // namespace
}  // namespace tg

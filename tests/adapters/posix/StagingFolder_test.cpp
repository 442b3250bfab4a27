// The staging folder the office writes each copy into first: only a folder of the user's own,
// closed to everyone else, in a runtime folder that is the user's alone.

#include "adapters/posix/StagingFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "support/TempFolder.h"

namespace tg::testing {
namespace {

namespace fs = std::filesystem;

// The runtime folder this process sees, set for one test and put back after it.
class RuntimeFolder {
 public:
  RuntimeFolder() {
    if (const char* value = std::getenv("XDG_RUNTIME_DIR")) saved_ = value;
  }
  ~RuntimeFolder() {
    if (saved_) {
      ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }
  RuntimeFolder(const RuntimeFolder&) = delete;
  RuntimeFolder& operator=(const RuntimeFolder&) = delete;

 private:
  std::optional<std::string> saved_;
};

void SetRuntimeFolder(const std::string& folder) { ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1); }

// A fresh runtime folder with `mode`, and in it "Tallyguard" as `prepare` leaves it.
std::string StagingIn(const TempFolder& temp, const std::string& name, fs::perms mode,
                      void (*prepare)(const std::string& staging) = nullptr) {
  const std::string runtime = temp / name;
  fs::create_directories(runtime);
  if (prepare) prepare(runtime + "/Tallyguard");
  fs::permissions(runtime, mode);
  SetRuntimeFolder(runtime);
  return PrivateStagingFolder();
}

TEST(PrivateStagingFolder, IsMadeOnlyInTheUsersOwnRuntimeFolderAndOnlyClosedToOthers) {
  TempFolder temp;
  RuntimeFolder restored;
  const fs::perms own = fs::perms::owner_all;

  const std::string made = StagingIn(temp, "own", own);
  EXPECT_EQ(made, temp / "own/Tallyguard/");
  struct stat status {};
  ASSERT_EQ(::lstat((temp / "own/Tallyguard").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);

  // A runtime folder others may enter or write is shared, not the user's own.
  EXPECT_EQ(StagingIn(temp, "shared",
                      own | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                          fs::perms::others_exec),
            "");
  EXPECT_FALSE(fs::exists(temp / "shared/Tallyguard")) << "nothing is made in a shared folder";
  EXPECT_EQ(StagingIn(temp, "open", fs::perms::all), "");
  // The folder in it left open to others, or a link to a folder elsewhere.
  EXPECT_EQ(StagingIn(temp, "inner", own,
                      [](const std::string& staging) {
                        fs::create_directory(staging);
                        fs::permissions(staging, fs::perms::all);
                      }),
            "");
  EXPECT_EQ(StagingIn(temp, "linked", own,
                      [](const std::string& staging) {
                        fs::create_directory(staging + "-elsewhere");
                        fs::permissions(staging + "-elsewhere", fs::perms::owner_all);
                        fs::create_directory_symlink(staging + "-elsewhere", staging);
                      }),
            "");
  // A runtime folder that is no absolute path, or none.
  SetRuntimeFolder("relative/runtime");
  EXPECT_EQ(PrivateStagingFolder(), "");
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(PrivateStagingFolder(), "");

  if (::geteuid() != 0) GTEST_SKIP() << "another account's folder needs root to be made";
  const std::string foreign = temp / "foreign";
  fs::create_directories(foreign);
  fs::permissions(foreign, own);
  ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  SetRuntimeFolder(foreign);
  EXPECT_EQ(PrivateStagingFolder(), "");
}

}  // namespace
}  // namespace tg::testing

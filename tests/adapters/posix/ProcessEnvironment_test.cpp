#include "adapters/posix/ProcessEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempFolder.h"

namespace tg {
namespace {

using testing::TempFolder;

TEST(ProcessEnvironment, StateFolderFollowsXdgAndIsCreated) {
  TempFolder folder;
  const std::optional<std::string> home = ProcessEnvironment().variable("HOME");
  const std::optional<std::string> state = ProcessEnvironment().variable("XDG_STATE_HOME");
  ::setenv("HOME", folder.path().c_str(), 1);
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / ".local/state");
  EXPECT_TRUE(std::filesystem::is_directory(folder / ".local/state"));
  ::setenv("XDG_STATE_HOME", "relative/state", 1);  // not absolute: ignored
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / ".local/state");
  ::setenv("XDG_STATE_HOME", (folder / "x/y/state").c_str(), 1);
  EXPECT_EQ(ProcessEnvironment().stateFolder(), folder / "x/y/state");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "x/y/state"));
  if (home) ::setenv("HOME", home->c_str(), 1);
  if (state) {
    ::setenv("XDG_STATE_HOME", state->c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

}  // namespace
}  // namespace tg

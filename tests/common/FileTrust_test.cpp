#include "common/FileTrust.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

namespace tg {
namespace {

// A SID's bytes as Windows stores them, from its parts: S-1-<authority>-<sub-authorities...>.
SidBytes Sid(std::uint64_t authority, std::initializer_list<std::uint32_t> subAuthorities) {
  SidBytes bytes{1, static_cast<unsigned char>(subAuthorities.size())};
  for (int shift = 40; shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<unsigned char>(authority >> shift));  // big-endian
  }
  for (std::uint32_t part : subAuthorities) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<unsigned char>(part >> shift));  // little-endian
    }
  }
  return bytes;
}

const SidBytes User = Sid(5, {21, 1004336348, 1177238915, 682003330, 1001});
const SidBytes Colleague = Sid(5, {21, 1004336348, 1177238915, 682003330, 1002});
const SidBytes Administrators = Sid(5, {32, 544});
const SidBytes Everyone = Sid(1, {0});

// The process's identities: its user, and the owner it gives what it makes (the administrators
// when it runs elevated).
const std::vector<SidBytes> Own{User, Administrators};

TEST(FileTrust, AFileOwnedByAnotherAccountIsTheirsEvenWhenTheirSidDiffersOnlyAtItsEnd) {
  EXPECT_TRUE(OwnedByAnotherAccount(Colleague, Own));
  EXPECT_TRUE(OwnedByAnotherAccount(Everyone, Own));
  EXPECT_TRUE(OwnedByAnotherAccount(Sid(5, {18}), Own));  // the system's
}

TEST(FileTrust, AFileOfTheUserOrOfTheOwnerItsFilesGetIsTheUsers) {
  EXPECT_FALSE(OwnedByAnotherAccount(User, Own));
  EXPECT_FALSE(OwnedByAnotherAccount(Administrators, Own));
}

TEST(FileTrust, WithoutAnOwnerAWellFormedOneOrTheProcesssOwnEveryFileIsTheUsers) {
  EXPECT_FALSE(OwnedByAnotherAccount(std::nullopt, Own));  // FAT keeps no owners
  SidBytes cut = Colleague;
  cut.pop_back();
  EXPECT_FALSE(OwnedByAnotherAccount(cut, Own));
  SidBytes wrongRevision = Colleague;
  wrongRevision[0] = 2;
  EXPECT_FALSE(OwnedByAnotherAccount(wrongRevision, Own));
  EXPECT_FALSE(OwnedByAnotherAccount(SidBytes{}, Own));
  EXPECT_FALSE(OwnedByAnotherAccount(Colleague, {}));  // the token could not be read
}

// Attribute bits as Windows reports them.
constexpr std::uint32_t ReadOnly = 0x1, Hidden = 0x2, Archive = 0x20, Normal = 0x80,
                        NotIndexed = 0x2000, RecallOnDataAccess = 0x400000;

TEST(FileTrust, APlainFileIsOneOnADiskWhateverItsOtherAttributes) {
  EXPECT_TRUE(IsPlainDiskFile({true, Normal}));
  EXPECT_TRUE(IsPlainDiskFile({true, Archive | ReadOnly | Hidden | NotIndexed}));
}

TEST(FileTrust, ALinkAJunctionAFolderOrADeviceIsNoPlainFile) {
  EXPECT_FALSE(IsPlainDiskFile({true, Archive | FileAttributeReparsePoint}));  // a symbolic link
  EXPECT_FALSE(IsPlainDiskFile({true, FileAttributeDirectory | FileAttributeReparsePoint}));
  EXPECT_FALSE(IsPlainDiskFile({true, FileAttributeReparsePoint | RecallOnDataAccess}));  // cloud
  EXPECT_FALSE(IsPlainDiskFile({true, FileAttributeDirectory}));
  EXPECT_FALSE(IsPlainDiskFile({false, Normal}));  // a pipe or a device such as NUL
}

}  // namespace
}  // namespace tg

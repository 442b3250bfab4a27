#include "common/FileTrust.h"

#include <algorithm>

namespace tg {
namespace {

constexpr unsigned char SidRevision = 1;
constexpr unsigned char MostSubAuthorities = 15;
constexpr size_t SidHeaderBytes = 8;

bool IsWellFormed(const SidBytes& sid) {
  return sid.size() >= SidHeaderBytes && sid[0] == SidRevision && sid[1] <= MostSubAuthorities &&
         sid.size() == SidHeaderBytes + 4u * sid[1];
}

}  // namespace

bool OwnedByAnotherAccount(const std::optional<SidBytes>& owner, const std::vector<SidBytes>& own) {
  if (!owner || !IsWellFormed(*owner) || own.empty()) return false;
  return std::find(own.begin(), own.end(), *owner) == own.end();
}

bool IsPlainDiskFile(const FileNature& nature) {
  return nature.onDisk &&
         (nature.attributes & (FileAttributeDirectory | FileAttributeReparsePoint)) == 0;
}

}  // namespace tg

#include "backup/OpenDocuments.h"

#include <optional>
#include <string>

#include "backup/BackupNaming.h"
#include "backup/Calc.h"

namespace tg {
namespace {

// The file behind an open component; nothing for one that has no file.
std::optional<std::string> FileOf(AutomationObject& component, PathStyle style) {
  try {
    const std::string location = component.call("geturl").asText();
    if (location.rfind("file:///", 0) != 0) return std::nullopt;
    return DecodeUrlEscapes(LocalPathFromLocation(location, style));
  } catch (const AutomationError&) {
    return std::nullopt;  // a component without a location cannot be in the way
  }
}

}  // namespace

namespace {

ObjectRef ComponentAt(AutomationObject& components, const FileSystem& fileSystem,
                      std::string_view path, PathStyle style) {
  const std::optional<FileIdentity> target = fileSystem.identity(path);
  if (!target) return nullptr;
  ObjectRef open = RequireObject(components.call("createenumeration"), "enumeration");
  while (open->call("hasMoreElements").asBool()) {
    ObjectRef component = RequireObject(open->call("nextelement"), "component");
    const std::optional<std::string> file = FileOf(*component, style);
    if (file && fileSystem.identity(*file) == target) return component;
  }
  return nullptr;
}

}  // namespace

bool ComponentsHaveOpen(AutomationObject& components, const FileSystem& fileSystem,
                        std::string_view path, PathStyle style) {
  return ComponentAt(components, fileSystem, path, style) != nullptr;
}

ObjectRef FindOpenDocument(AutomationObject& desktop, const FileSystem& fileSystem,
                           std::string_view path, PathStyle style) {
  ObjectRef components = RequireObject(desktop.call("getComponents"), "list of components");
  return ComponentAt(*components, fileSystem, path, style);
}

RunningOffice ReachRunningOffice(AutomationFactory& automation) {
  RunningOffice office;
  try {
    office.serviceManager = automation.create(OfficeServiceManagerId);
  } catch (const OfficeNotRunning&) {
    return office;
  }
  office.desktop = RequireObject(
      office.serviceManager->call("createInstance", {"com.sun.star.frame.Desktop"}), "desktop");
  return office;
}

bool OfficeHasOpen(AutomationFactory& automation, const FileSystem& fileSystem,
                   std::string_view path, PathStyle style) {
  if (!fileSystem.identity(path)) return false;
  const RunningOffice office = ReachRunningOffice(automation);
  if (!office.desktop) return false;
  ObjectRef components = RequireObject(office.desktop->call("getComponents"), "list of components");
  return ComponentsHaveOpen(*components, fileSystem, path, style);
}

}  // namespace tg

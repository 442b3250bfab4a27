#include "backup/OpenCopy.h"

#include "backup/BackupNaming.h"
#include "backup/Calc.h"

namespace tg {

bool OpenReadOnlyInOffice(AutomationFactory& automation, std::string_view path, PathStyle style) {
  ObjectRef serviceManager;
  try {
    serviceManager = automation.create(OfficeServiceManagerId);
  } catch (const OfficeNotRunning&) {
    return false;
  }
  ObjectRef desktop = RequireObject(
      serviceManager->call("createInstance", {"com.sun.star.frame.Desktop"}), "desktop");
  ObjectRef readOnly = RequireObject(
      serviceManager->call("Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}), "property");
  readOnly->set("Name", "ReadOnly");
  readOnly->set("Value", true);
  const Value document = desktop->call(
      "loadComponentFromURL",
      {BackupUrlFromPath(PlainText(path), style), "_blank", std::int32_t{0}, ValueList{readOnly}});
  if (!document.asObject()) {
    throw AutomationError("The office suite did not open " + std::string(path) + ".");
  }
  return true;
}

}  // namespace tg

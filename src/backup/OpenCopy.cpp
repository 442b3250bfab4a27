#include "backup/OpenCopy.h"

#include "backup/BackupNaming.h"
#include "backup/Calc.h"
#include "backup/OpenDocuments.h"

namespace tg {

bool OpenReadOnlyInOffice(AutomationFactory& automation, std::string_view path, PathStyle style) {
  const RunningOffice office = ReachRunningOffice(automation);
  if (!office.desktop) return false;
  ObjectRef readOnly = RequireObject(
      office.serviceManager->call("Bridge_GetStruct", {"com.sun.star.beans.PropertyValue"}),
      "property");
  readOnly->set("Name", "ReadOnly");
  readOnly->set("Value", true);
  const Value document = office.desktop->call(
      "loadComponentFromURL",
      {BackupUrlFromPath(PlainText(path), style), "_blank", std::int32_t{0}, ValueList{readOnly}});
  if (!document.asObject()) {
    throw AutomationError("The office suite did not open " + std::string(path) + ".");
  }
  return true;
}

}  // namespace tg

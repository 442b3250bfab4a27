#include "backup/RunningOfficeOnly.h"

#include "backup/Calc.h"

namespace tg {

ObjectRef RunningOfficeOnly::create(std::string_view programmaticId) {
  if (programmaticId == OfficeServiceManagerId && !presence_.officeRuns()) {
    throw OfficeNotRunning(NoOfficeToBackUp);
  }
  return automation_.create(programmaticId);
}

}  // namespace tg

#pragma once
// The change watch's office side on Windows: a listener object of this program's own, an
// IDispatch that names the UNO interfaces it stands for (Bridge_ImplementedInterfaces), given to
// the office's global event broadcaster and to each armed spreadsheet. The office calls it as
// synchronous COM calls into this thread's single-threaded apartment, which therefore pumps
// messages while it watches; every call into the office is made on the same thread.

// windows.h first: the automation headers build on it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on
#include <map>
#include <memory>
#include <string>

#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/Win32HiddenWindow.h"
#include "backup/RunningOfficeOnly.h"
#include "common/ports/OfficePresence.h"
#include "common/ports/OfficeWatch.h"

namespace tg {

class Win32OfficeWatch : public OfficeWatch {
 public:
  // On the thread that will watch: joins it to a single-threaded apartment.
  explicit Win32OfficeWatch(const OfficePresence& presence);
  ~Win32OfficeWatch() override;

  void watch(OfficeWatchListener& listener) override;
  // From any thread: done on the watching thread, waited for up to 5 seconds.
  bool arm(std::uint64_t document) override;
  AutomationFactory& automation() override { return office_; }

  // What the listener object is told, on the watching thread.
  void event(const std::string& name, const ObjectRef& source);
  void edited(const ObjectRef& source);
  void gone(const ObjectRef& source);

 private:
  struct Document {
    ObjectRef model;
    std::uint64_t number = 0;
    bool armed = false;
  };
  using Documents = std::map<IUnknown*, Document>;
  void track(const ObjectRef& model);
  Documents::iterator find(const ObjectRef& model);
  bool armHere(std::uint64_t document);
  void release();

  ComAutomationFactory com_;
  RunningOfficeOnly office_;
  Win32HiddenWindow window_;  // receives the armings of other threads
  DWORD thread_;
  ObjectRef sink_;     // the listener object, as the office is given it
  ObjectRef desktop_;  // while watching: asked whether the office is still there
  OfficeWatchListener* told_ = nullptr;
  Documents documents_;
  std::uint64_t nextNumber_ = 1;
};

}  // namespace tg

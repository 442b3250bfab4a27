#pragma once
// Late-bound automation through COM: objects created by programmatic identifier
// (CLSIDFromProgID + CoCreateInstance, in-process or local server) and called by name through
// IDispatch. Texts cross as BSTRs converted from and to the ANSI code page; lists as SAFEARRAYs
// of VARIANTs; objects as IDispatch. A failed call's description is the server's own (EXCEPINFO).

// windows.h first: the automation headers build on it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on
#include <string>

#include "adapters/win32/WideText.h"
#include "backup/OfficeFailure.h"
#include "common/ports/Automation.h"

namespace tg {

// Joins the thread to a single-threaded apartment for the object's life, as IDispatch servers of
// office suites expect; leaves an apartment the thread already had as it was.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool joined_ = false;
};

// One IDispatch object; names are resolved on every call, as a late-bound client does.
class ComObject : public AutomationObject {
 public:
  explicit ComObject(IDispatch* dispatch);  // takes one reference of its own
  ~ComObject() override;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // A method call, or a property read when the name is a property (a PropertyValue's "Name").
  Value call(std::string_view method, const ValueList& args = {}) override;
  // A property put (a PropertyValue's "Value").
  void set(std::string_view property, const Value& value) override;
  IDispatch* dispatch() const { return dispatch_; }

 private:
  DISPID idOf(std::string_view name) const;
  // Invokes with the office's own failures turned into the program's.
  void invoke(DISPID id, WORD kind, DISPPARAMS& parameters, VARIANT* answer);
  IDispatch* dispatch_;
};

// While the user has one of its dialogs open (Save As, a macro warning, Format Cells), the office
// refuses incoming calls ("retry later"), which COM hands back as RPC_E_CALL_REJECTED. Each call is
// asked again every quarter second until this much time has passed; then it fails as refused
// (OfficeBusy), well within the watch that gives up an office making no progress. (A COM message
// filter would have COM do the same asking; under Wine, one registered in the backup helper kept
// the window's next pass from ever ending, so the asking is done here.)
inline constexpr DWORD BusyOfficePatienceMs = 20'000;

class ComAutomationFactory : public AutomationFactory {
 public:
  // `busyPatienceMs`: how long a call the office refuses is asked again.
  explicit ComAutomationFactory(DWORD busyPatienceMs = BusyOfficePatienceMs);
  ~ComAutomationFactory() override;
  ComAutomationFactory(const ComAutomationFactory&) = delete;
  ComAutomationFactory& operator=(const ComAutomationFactory&) = delete;

  ObjectRef create(std::string_view programmaticId) override;
  // The identifier is registered: nothing is created and no server is started.
  bool isInstalled(std::string_view programmaticId) override;

 private:
  ComApartment apartment_;
  DWORD previousPatienceMs_;
};

// Conversions, exposed for their tests.
// Fills `out` (VT_EMPTY before) from a value; throws AutomationError for an object that is not
// a COM object.
void ToVariant(const Value& value, VARIANT& out);
Value FromVariant(const VARIANT& in);
// What a failed call's status and the bridge's exception say, in the core's terms.
OfficeFailure ComOfficeFailure(HRESULT result, const EXCEPINFO* exception);
// The program's sentence for a failed call.
std::string ComFailure(HRESULT result, const EXCEPINFO* exception);

}  // namespace tg

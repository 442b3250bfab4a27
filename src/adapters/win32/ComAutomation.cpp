#include "adapters/win32/ComAutomation.h"

#include <oleauto.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "adapters/win32/WinError.h"

namespace tg {

ComApartment::ComApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  joined_ = result == S_OK || result == S_FALSE;
}

ComApartment::~ComApartment() {
  if (joined_) CoUninitialize();
}

namespace {

constexpr DWORD AskAgainAfterMs = 250;
// The patience of the factory that serves this thread's apartment.
thread_local DWORD BusyPatienceMs = BusyOfficePatienceMs;

bool Refused(HRESULT result) {
  return result == RPC_E_CALL_REJECTED || result == RPC_E_SERVERCALL_RETRYLATER;
}

// Makes the call, and again while the office refuses it, until the patience is spent.
template <typename Call>
HRESULT AskWhileBusy(Call call) {
  const DWORD started = GetTickCount();
  for (;;) {
    const HRESULT result = call();
    if (!Refused(result) || GetTickCount() - started >= BusyPatienceMs) return result;
    Sleep(AskAgainAfterMs);
  }
}

}  // namespace

ComAutomationFactory::ComAutomationFactory(DWORD busyPatienceMs)
    : previousPatienceMs_(BusyPatienceMs) {
  BusyPatienceMs = busyPatienceMs;
}

ComAutomationFactory::~ComAutomationFactory() { BusyPatienceMs = previousPatienceMs_; }

// The transport's and the server's statuses that tell what happened without the office's words.
OfficeFailure::Kind KindOfStatus(HRESULT status) {
  using Kind = OfficeFailure::Kind;
  switch (status) {
    case RPC_E_DISCONNECTED:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
      return Kind::ConnectionLost;
    case CO_E_SERVER_EXEC_FAILURE:
    case CO_E_SERVER_START_TIMEOUT:
      return Kind::FailedToStart;
    case CO_E_SERVER_STOPPING:
      return Kind::Closing;
    case RPC_E_CALL_REJECTED:
    case RPC_E_SERVERCALL_RETRYLATER:
      return Kind::Busy;
    case E_NOINTERFACE:
      return Kind::AutomationDisabled;
    case DISP_E_TYPEMISMATCH:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_BADVARTYPE:
    case E_INVALIDARG:
      return Kind::ArgumentsRefused;
    default:
      return Kind::None;
  }
}

OfficeFailure ComOfficeFailure(HRESULT result, const EXCEPINFO* exception) {
  OfficeFailure failure;
  // The office's bridge describes its exceptions as "type: text".
  if (exception && exception->bstrDescription && SysStringLen(exception->bstrDescription) > 0) {
    failure = FromBridgeDescription(AnsiFromWide(
        exception->bstrDescription, static_cast<int>(SysStringLen(exception->bstrDescription))));
  }
  if (result == DISP_E_EXCEPTION && exception && exception->scode != 0) result = exception->scode;
  failure.kind = KindOfStatus(result);
  return failure;
}

std::string ComFailure(HRESULT result, const EXCEPINFO* exception) {
  return PlainOfficeFailure(ComOfficeFailure(result, exception));
}

namespace {

// The failure as the pass tells them apart: a lost office, a busy one, or any other.
[[noreturn]] void ThrowOfficeFailure(const OfficeFailure& failure) {
  switch (failure.kind) {
    case OfficeFailure::Kind::ConnectionLost:
      throw OfficeConnectionLost(PlainOfficeFailure(failure));
    case OfficeFailure::Kind::Busy:
      throw OfficeBusy(PlainOfficeFailure(failure));
    default:
      throw AutomationError(PlainOfficeFailure(failure));
  }
}

// The failure a status tells, else the sentence the caller knows.
[[noreturn]] void ThrowFailureOr(HRESULT result, const std::string& otherwise) {
  const OfficeFailure failure = ComOfficeFailure(result, nullptr);
  if (failure.kind == OfficeFailure::Kind::None) throw AutomationError(otherwise);
  ThrowOfficeFailure(failure);
}

// Frees what a VARIANT holds when it goes out of scope.
struct VariantHolder {
  VARIANT value;
  VariantHolder() { VariantInit(&value); }
  ~VariantHolder() { VariantClear(&value); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
};

struct ExceptionHolder {
  EXCEPINFO info{};
  ~ExceptionHolder() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
  // Some servers leave the texts to a deferred fill-in.
  void fill() {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  }
};

BSTR MakeBstr(std::string_view text) {
  const std::wstring wide = WideFromAnsi(text);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

SAFEARRAY* MakeArray(const ValueList& list) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), 0};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  if (!array) throw AutomationError("There was not enough memory for a list of values.");
  for (LONG index = 0; index < static_cast<LONG>(list.size()); ++index) {
    VariantHolder element;
    try {
      ToVariant(list[static_cast<size_t>(index)], element.value);
    } catch (...) {
      SafeArrayDestroy(array);
      throw;
    }
    SafeArrayPutElement(array, &index, &element.value);  // copies
  }
  return array;
}

Value ListFromArray(SAFEARRAY* array, VARTYPE elementType) {
  ValueList list;
  if (!array || SafeArrayGetDim(array) != 1) return list;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  for (LONG index = lower; index <= upper; ++index) {
    VariantHolder element;
    if (elementType == VT_VARIANT) {
      SafeArrayGetElement(array, &index, &element.value);
    } else {
      // A typed array: the element is read into the VARIANT's own storage of that type.
      element.value.vt = elementType;
      SafeArrayGetElement(array, &index, &element.value.lVal);
    }
    list.push_back(FromVariant(element.value));
  }
  return list;
}

ObjectRef ObjectFromUnknown(IUnknown* unknown) {
  if (!unknown) return nullptr;
  IDispatch* dispatch = nullptr;
  if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
    throw AutomationError("The office suite returned an object that cannot be called by name.");
  }
  auto object = std::make_shared<ComObject>(dispatch);
  dispatch->Release();
  return object;
}

}  // namespace

void ToVariant(const Value& value, VARIANT& out) {
  VariantInit(&out);
  if (const auto* text = std::get_if<std::string>(&value.data)) {
    out.vt = VT_BSTR;
    out.bstrVal = MakeBstr(*text);
  } else if (const auto* flag = std::get_if<bool>(&value.data)) {
    out.vt = VT_BOOL;
    out.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (const auto* number = std::get_if<std::int32_t>(&value.data)) {
    out.vt = VT_I4;
    out.lVal = *number;
  } else if (const auto* object = std::get_if<ObjectRef>(&value.data)) {
    auto* com = dynamic_cast<ComObject*>(object->get());
    if (*object && !com) {
      throw AutomationError("An object of another kind cannot be handed to the office suite.");
    }
    out.vt = VT_DISPATCH;
    out.pdispVal = com ? com->dispatch() : nullptr;
    if (out.pdispVal) out.pdispVal->AddRef();
  } else if (const auto* list = std::get_if<ValueList>(&value.data)) {
    out.parray = MakeArray(*list);
    out.vt = VT_ARRAY | VT_VARIANT;
  }
}

Value FromVariant(const VARIANT& in) {
  if (in.vt & VT_BYREF) {
    VariantHolder direct;
    if (FAILED(VariantCopyInd(&direct.value, const_cast<VARIANT*>(&in)))) {
      throw AutomationError("The office suite returned a value that cannot be read.");
    }
    return FromVariant(direct.value);
  }
  if (in.vt & VT_ARRAY) return ListFromArray(in.parray, static_cast<VARTYPE>(in.vt & VT_TYPEMASK));
  switch (in.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return Value();
    case VT_BSTR:
      return Value(AnsiFromWide(in.bstrVal, static_cast<int>(SysStringLen(in.bstrVal))));
    case VT_BOOL:
      return Value(in.boolVal != VARIANT_FALSE);
    case VT_DISPATCH:
      return Value(ObjectFromUnknown(in.pdispVal));
    case VT_UNKNOWN:
      return Value(ObjectFromUnknown(in.punkVal));
    case VT_R8:
    case VT_R4: {
      // A cell's number: a whole one within 32 bits is a count as any other; the rest travel as
      // their text, as the office's own bridge hands them on Linux.
      const double value = in.vt == VT_R8 ? in.dblVal : in.fltVal;
      if (value >= -2147483648.0 && value <= 2147483647.0 && value == std::trunc(value)) {
        return Value(static_cast<std::int32_t>(value));
      }
      char text[32];
      std::snprintf(text, sizeof text, "%.15g", value);
      return Value(std::string(text));
    }
    default: {
      // Every other number the suite hands back (flags, counts) fits 32 bits.
      VariantHolder number;
      if (FAILED(VariantChangeType(&number.value, const_cast<VARIANT*>(&in), 0, VT_I4))) {
        throw AutomationError("The office suite returned a value of an unknown kind (" +
                              std::to_string(in.vt) + ").");
      }
      return Value(static_cast<std::int32_t>(number.value.lVal));
    }
  }
}

ComObject::ComObject(IDispatch* dispatch) : dispatch_(dispatch) {
  if (dispatch_) dispatch_->AddRef();
}

ComObject::~ComObject() {
  if (dispatch_) dispatch_->Release();
}

DISPID ComObject::idOf(std::string_view name) const {
  std::wstring wide = WideFromAnsi(name);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT result = AskWhileBusy(
      [&] { return dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
  if (FAILED(result)) {
    ThrowFailureOr(result, "The office suite knows no call \"" + std::string(name) + "\".");
  }
  return id;
}

void ComObject::invoke(DISPID id, WORD kind, DISPPARAMS& parameters, VARIANT* answer) {
  ExceptionHolder exception;
  UINT badArgument = 0;
  const HRESULT result = AskWhileBusy([&] {
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, answer,
                             &exception.info, &badArgument);
  });
  if (FAILED(result)) {
    exception.fill();
    ThrowOfficeFailure(ComOfficeFailure(result, &exception.info));
  }
}

Value ComObject::call(std::string_view method, const ValueList& args) {
  const DISPID id = idOf(method);
  // IDispatch takes the arguments last first.
  std::vector<VariantHolder> arguments(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    ToVariant(args[i], arguments[args.size() - 1 - i].value);
  }
  std::vector<VARIANT> raw;
  for (auto& argument : arguments) raw.push_back(argument.value);
  DISPPARAMS parameters{raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
  VariantHolder answer;
  invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, parameters, &answer.value);
  return FromVariant(answer.value);
}

void ComObject::set(std::string_view property, const Value& value) {
  const DISPID id = idOf(property);
  VariantHolder argument;
  ToVariant(value, argument.value);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&argument.value, &named, 1, 1};
  invoke(id, DISPATCH_PROPERTYPUT, parameters, nullptr);
}

ObjectRef ComAutomationFactory::create(std::string_view programmaticId) {
  const std::wstring id = WideFromAnsi(programmaticId);
  CLSID classId{};
  HRESULT result = CLSIDFromProgID(id.c_str(), &classId);
  if (FAILED(result)) {
    throw AutomationError(
        "No office suite on this computer lets Tallyguard ask it for its documents: LibreOffice "
        "(or OpenOffice) is not installed, or its automation is not registered. Install "
        "LibreOffice, then try again.");
  }
  IDispatch* dispatch = nullptr;
  // The office suite is a program of its own; a test double may be a DLL.
  result = AskWhileBusy([&] {
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  });
  if (FAILED(result)) {
    ThrowFailureOr(result,
                   "The office suite did not let Tallyguard in. If it is still starting, the next "
                   "backup tries again.");
  }
  auto object = std::make_shared<ComObject>(dispatch);
  dispatch->Release();
  return object;
}

bool ComAutomationFactory::isInstalled(std::string_view programmaticId) {
  const std::wstring id = WideFromAnsi(programmaticId);
  CLSID classId{};
  return SUCCEEDED(CLSIDFromProgID(id.c_str(), &classId));
}

}  // namespace tg

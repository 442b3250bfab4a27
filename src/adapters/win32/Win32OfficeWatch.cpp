#include "adapters/win32/Win32OfficeWatch.h"

#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "backup/Calc.h"

namespace tg {
namespace {

constexpr UINT ArmMessage = WM_APP + 7;
constexpr UINT_PTR ProbeTimer = 1;

struct ArmRequest {
  std::uint64_t document = 0;
  bool armed = false;
};

// The identity of a COM object: its IUnknown, which the office's bridge keeps one of per object.
IUnknown* IdentityOf(const ObjectRef& object) {
  auto* com = dynamic_cast<ComObject*>(object.get());
  if (!com || !com->dispatch()) return nullptr;
  IUnknown* identity = nullptr;
  if (FAILED(com->dispatch()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
    return nullptr;
  }
  identity->Release();  // the object itself holds it while it lives
  return identity;
}

// The listener object the office calls: documentEventOccured(DocumentEvent) for every document's
// events, modified(EventObject) for an armed document's edit, disposing(EventObject). Each reads
// the event's members with calls back into the office, as the office's own listeners do.
class EventSink : public IDispatch {
 public:
  explicit EventSink(Win32OfficeWatch& watch) : watch_(watch) {}
  virtual ~EventSink() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
      std::wstring name(names[i]);
      std::transform(name.begin(), name.end(), name.begin(),
                     [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
      const auto found = std::find(Members.begin(), Members.end(), name);
      ids[i] = found == Members.end() ? DISPID_UNKNOWN
                                      : static_cast<DISPID>(found - Members.begin() + 1);
      if (found == Members.end()) result = DISP_E_UNKNOWNNAME;
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) VariantInit(result);
    if (id == ImplementedInterfaces) return NameInterfaces(result);
    if (id < 1 || id > static_cast<DISPID>(Members.size())) return DISP_E_MEMBERNOTFOUND;
    if (!parameters || parameters->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    try {
      const Value event = FromVariant(parameters->rgvarg[0]);
      const ObjectRef& object = event.asObject();
      if (!object) return S_OK;
      const ObjectRef source = object->call("Source").asObject();
      if (!source) return S_OK;
      if (id == DocumentEvent) watch_.event(object->call("EventName").asText(), source);
      if (id == Modified) watch_.edited(source);
      if (id == Disposing) watch_.gone(source);
    } catch (const std::exception&) {
      // Nothing goes back to the office: it would only show the user a stray error.
    }
    return S_OK;
  }

 private:
  static constexpr DISPID DocumentEvent = 1, Modified = 2, Disposing = 3, ImplementedInterfaces = 4;
  static inline const std::vector<std::wstring> Members = {
      L"documenteventoccured", L"modified", L"disposing", L"bridge_implementedinterfaces"};

  // The UNO interfaces this object stands for, as the office's bridge asks before it calls.
  static HRESULT NameInterfaces(VARIANT* result) {
    if (!result) return S_OK;
    const wchar_t* const names[] = {L"com.sun.star.document.XDocumentEventListener",
                                    L"com.sun.star.util.XModifyListener"};
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
      BSTR name = SysAllocString(names[i]);
      SafeArrayPutElement(array, &i, name);
      SysFreeString(name);
    }
    result->vt = VT_ARRAY | VT_BSTR;
    result->parray = array;
    return S_OK;
  }

  Win32OfficeWatch& watch_;
  LONG references_ = 1;
};

}  // namespace

Win32OfficeWatch::Win32OfficeWatch(const OfficePresence& presence)
    : office_(com_, presence), thread_(GetCurrentThreadId()) {
  auto* sink = new EventSink(*this);
  sink_ = std::make_shared<ComObject>(sink);  // takes a reference of its own
  sink->Release();
  window_.onMessage([this](UINT message, WPARAM, LPARAM lParam) {
    if (message == ArmMessage) {
      auto* request = reinterpret_cast<ArmRequest*>(lParam);
      request->armed = armHere(request->document);
    }
    if (message == WM_TIMER) {
      // The office quit or died: its calls fail. Asked once a second, with a call that costs the
      // office nothing.
      try {
        if (desktop_) desktop_->call("getCurrentComponent");
      } catch (const std::exception&) {
        PostQuitMessage(0);
      }
    }
  });
}

Win32OfficeWatch::~Win32OfficeWatch() { release(); }

void Win32OfficeWatch::release() {
  documents_.clear();
  told_ = nullptr;
}

void Win32OfficeWatch::watch(OfficeWatchListener& listener) {
  told_ = &listener;
  struct Ending {
    Win32OfficeWatch& watch;
    ~Ending() {
      KillTimer(watch.window_.handle(), ProbeTimer);
      watch.desktop_.reset();
      watch.release();
    }
  } ending{*this};
  const ObjectRef manager = office_.create(OfficeServiceManagerId);
  const ObjectRef broadcaster =
      RequireObject(manager->call("createInstance", {"com.sun.star.frame.GlobalEventBroadcaster"}),
                    "document events");
  broadcaster->call("addDocumentEventListener", {sink_});
  desktop_ =
      RequireObject(manager->call("createInstance", {"com.sun.star.frame.Desktop"}), "desktop");
  const ObjectRef open =
      RequireObject(RequireObject(desktop_->call("getComponents"), "list of components")
                        ->call("createEnumeration"),
                    "enumeration");
  while (open->call("hasMoreElements").asBool()) {
    const ObjectRef model = open->call("nextElement").asObject();
    if (model && model->call("supportsService", {SpreadsheetDocumentService}).asBool()) {
      track(model);
    }
  }
  listener.watching();
  SetTimer(window_.handle(), ProbeTimer, 1000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  try {
    broadcaster->call("removeDocumentEventListener", {sink_});
  } catch (const std::exception&) {
  }
}

bool Win32OfficeWatch::arm(std::uint64_t document) {
  if (GetCurrentThreadId() == thread_) return armHere(document);
  ArmRequest request{document, false};
  DWORD_PTR answered = 0;
  if (!SendMessageTimeoutA(window_.handle(), ArmMessage, 0, reinterpret_cast<LPARAM>(&request),
                           SMTO_BLOCK, 5000, &answered)) {
    return false;
  }
  return request.armed;
}

bool Win32OfficeWatch::armHere(std::uint64_t document) {
  auto found = std::find_if(documents_.begin(), documents_.end(),
                            [&](const auto& entry) { return entry.second.number == document; });
  if (found == documents_.end()) return false;
  if (found->second.armed) return true;
  found->second.armed = true;  // before the office is asked: an edit it tells of at once counts
  try {
    found->second.model->call("addModifyListener", {sink_});
    return true;
  } catch (const std::exception&) {
    if (auto again = documents_.find(found->first); again != documents_.end()) {
      again->second.armed = false;
    }
    return false;
  }
}

Win32OfficeWatch::Documents::iterator Win32OfficeWatch::find(const ObjectRef& model) {
  IUnknown* identity = IdentityOf(model);
  return identity ? documents_.find(identity) : documents_.end();
}

// A document seen again (Save As) keeps its number and tells its new location.
void Win32OfficeWatch::track(const ObjectRef& model) {
  IUnknown* identity = IdentityOf(model);
  if (!identity) return;
  auto [place, added] = documents_.try_emplace(identity, Document{model, nextNumber_, false});
  if (added) ++nextNumber_;
  const std::uint64_t number = place->second.number;
  const std::string location = model->call("getURL").asText();
  if (told_) told_->opened(number, location);
}

void Win32OfficeWatch::event(const std::string& name, const ObjectRef& source) {
  if (name == "OnCreate" || name == "OnNew" || name == "OnLoadFinished" || name == "OnLoad" ||
      name == "OnSaveAsDone") {
    if (source->call("supportsService", {SpreadsheetDocumentService}).asBool()) track(source);
  } else if (name == "OnPrepareUnload") {
    auto found = find(source);
    if (found != documents_.end() && told_) told_->closing(found->second.number, source);
  } else if (name == "OnUnload") {
    gone(source);
  }
}

void Win32OfficeWatch::edited(const ObjectRef& source) {
  auto found = find(source);
  if (found == documents_.end()) return;
  const std::uint64_t number = found->second.number;
  if (std::exchange(found->second.armed, false)) {
    try {
      found->second.model->call("removeModifyListener", {sink_});
    } catch (const std::exception&) {
    }
  }
  if (told_) told_->changed(number);
}

void Win32OfficeWatch::gone(const ObjectRef& source) {
  auto found = find(source);
  if (found == documents_.end()) return;
  const std::uint64_t number = found->second.number;
  documents_.erase(found);
  if (told_) told_->closed(number);
}

}  // namespace tg

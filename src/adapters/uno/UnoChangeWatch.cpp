// The change watch's office side: one listener object the office calls for its documents' events
// (through the global event broadcaster) and for the first edit of each armed spreadsheet. The
// office makes these calls on its own thread, holding its lock, and waits for them without a time
// limit, so each does only what it must: note the event, and for an edit take the listener off
// again, as the office's own recovery does, so that it is called once between two copies.

#include <sal/config.h>

#include <chrono>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/DocumentEvent.hpp>
#include <com/sun/star/document/XDocumentEventBroadcaster.hpp>
#include <com/sun/star/document/XDocumentEventListener.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/theGlobalEventBroadcaster.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/util/XModifyBroadcaster.hpp>
#include <com/sun/star/util/XModifyListener.hpp>
#include <condition_variable>
#include <cppuhelper/implbase2.hxx>
#include <map>
#include <mutex>
#include <rtl/ref.hxx>
#include <thread>

#include "adapters/posix/OfficeModule.h"
#include "adapters/uno/UnoBridge.h"
#include "backup/Calc.h"

namespace tg::uno {
namespace {

namespace css = ::com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;

using Model = Reference<css::uno::XInterface>;

class UnoOfficeWatch;

class Listener : public ::cppu::WeakImplHelper2<css::document::XDocumentEventListener,
                                                css::util::XModifyListener> {
 public:
  explicit Listener(UnoOfficeWatch& watch) : watch_(watch) {}
  void SAL_CALL documentEventOccured(const css::document::DocumentEvent& event) override;
  void SAL_CALL modified(const css::lang::EventObject& event) override;
  void SAL_CALL disposing(const css::lang::EventObject& event) override;

 private:
  UnoOfficeWatch& watch_;
};

bool IsSpreadsheet(const Model& model) {
  Reference<css::lang::XServiceInfo> info(model, UNO_QUERY);
  return info.is() &&
         info->supportsService(::rtl::OUString::createFromAscii(SpreadsheetDocumentService));
}

std::string LocationOf(const Model& model) {
  Reference<css::frame::XModel> document(model, UNO_QUERY);
  return document.is() ? FromOffice(document->getURL()) : std::string();
}

class UnoOfficeWatch : public OfficeWatch {
 public:
  explicit UnoOfficeWatch(OfficeConnectionOptions options) : options_(std::move(options)) {
    options_.launcher.clear();  // the watch follows the office, it never starts one
  }

  void watch(OfficeWatchListener& told) override {
    Reference<css::uno::XComponentContext> remote = ConnectToUsersOffice(options_);
    Reference<css::document::XDocumentEventBroadcaster> broadcaster;
    rtl::Reference<Listener> listener(new Listener(*this));
    {
      std::lock_guard lock(mutex_);
      told_ = &told;
      remote_ = remote;
      bridged_.reset();  // objects of an office that went are of no use
      listener_ = listener;
    }
    GuardedCall([&] {
      broadcaster.set(css::frame::theGlobalEventBroadcaster::get(remote),
                      css::uno::UNO_QUERY_THROW);
      broadcaster->addDocumentEventListener(listener.get());
      Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(remote);
      Reference<css::container::XEnumeration> open = desktop->getComponents()->createEnumeration();
      while (open->hasMoreElements()) {
        Model model(open->nextElement(), UNO_QUERY);
        if (model.is() && IsSpreadsheet(model)) track(model);
      }
    });
    told.watching();
    waitForTheEnd(remote);
    try {
      broadcaster->removeDocumentEventListener(listener.get());
    } catch (const css::uno::Exception&) {
    }
    std::lock_guard lock(mutex_);
    documents_.clear();
    told_ = nullptr;
  }

  bool arm(std::uint64_t document) override {
    Model model;
    {
      std::lock_guard lock(mutex_);
      auto found = byNumber(document);
      if (found == documents_.end()) return false;
      if (found->second.armed) return true;
      // Armed before the office is asked, so that an edit it tells of at once is not lost.
      found->second.armed = true;
      model = found->second.model;
    }
    try {
      Reference<css::util::XModifyBroadcaster> edits(model, css::uno::UNO_QUERY_THROW);
      edits->addModifyListener(listener().get());
      return true;
    } catch (const css::uno::Exception&) {
      std::lock_guard lock(mutex_);
      if (auto found = byNumber(document); found != documents_.end()) found->second.armed = false;
      return false;
    }
  }

  AutomationFactory& automation() override {
    std::lock_guard lock(mutex_);
    if (!bridged_) bridged_ = std::make_unique<BridgedOffice>(remote_);
    return *bridged_;
  }

  // --- What the office tells, on its own thread ---

  void event(const css::document::DocumentEvent& event) {
    const Model model(event.Source, UNO_QUERY);
    const ::rtl::OUString& name = event.EventName;
    // A document made new is "OnCreate" ("OnNew" from a template), one loaded hidden only
    // "OnLoadFinished", one shown "OnLoad" too; a Save As gives it a new location.
    if (name == "OnCreate" || name == "OnNew" || name == "OnLoadFinished" || name == "OnLoad" ||
        name == "OnSaveAsDone") {
      if (IsSpreadsheet(model)) track(model);
    } else if (name == "OnPrepareUnload") {
      const std::optional<std::uint64_t> number = numberOf(model);
      if (number) told([&](OfficeWatchListener& to) { to.closing(*number, wrap(model)); });
    } else if (name == "OnUnload") {
      forget(model);
    }
  }

  void edited(const Model& model) {
    std::optional<std::uint64_t> number;
    bool wasArmed = false;
    {
      std::lock_guard lock(mutex_);
      auto found = documents_.find(model.get());
      if (found == documents_.end()) return;
      number = found->second.number;
      wasArmed = std::exchange(found->second.armed, false);
    }
    if (wasArmed) {
      try {
        Reference<css::util::XModifyBroadcaster> edits(model, UNO_QUERY);
        if (edits.is()) edits->removeModifyListener(listener().get());
      } catch (const css::uno::Exception&) {
      }
    }
    told([&](OfficeWatchListener& to) { to.changed(*number); });
  }

  void forget(const Model& model) {
    std::optional<std::uint64_t> number;
    {
      std::lock_guard lock(mutex_);
      auto found = documents_.find(model.get());
      if (found == documents_.end()) return;
      number = found->second.number;
      documents_.erase(found);
    }
    told([&](OfficeWatchListener& to) { to.closed(*number); });
  }

 private:
  struct Document {
    Model model;
    std::uint64_t number = 0;
    bool armed = false;
  };
  using Documents = std::map<const void*, Document>;

  // A document seen again (Save As) keeps its number and tells its new location.
  void track(const Model& model) {
    const std::string location = LocationOf(model);
    std::uint64_t number = 0;
    {
      std::lock_guard lock(mutex_);
      auto [place, added] =
          documents_.try_emplace(model.get(), Document{model, nextNumber_, false});
      if (added) ++nextNumber_;
      number = place->second.number;
    }
    told([&](OfficeWatchListener& to) { to.opened(number, location); });
  }

  std::optional<std::uint64_t> numberOf(const Model& model) {
    std::lock_guard lock(mutex_);
    auto found = documents_.find(model.get());
    if (found == documents_.end()) return std::nullopt;
    return found->second.number;
  }

  Documents::iterator byNumber(std::uint64_t number) {
    return std::find_if(documents_.begin(), documents_.end(),
                        [&](const auto& entry) { return entry.second.number == number; });
  }

  ObjectRef wrap(const Model& model) {
    return static_cast<BridgedOffice&>(automation()).wrap(model);
  }

  rtl::Reference<Listener> listener() {
    std::lock_guard lock(mutex_);
    return listener_;
  }

  template <typename Telling>
  void told(Telling&& telling) {
    OfficeWatchListener* to = nullptr;
    {
      std::lock_guard lock(mutex_);
      to = told_;
    }
    if (to) telling(*to);
  }

  // The connection ends with the office (quit, crash) or the bridge: asked every second with a
  // call that takes none of the office's locks.
  void waitForTheEnd(const Reference<css::uno::XComponentContext>& remote) {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      try {
        if (!remote->getServiceManager().is()) return;
      } catch (const css::uno::Exception&) {
        return;
      }
    }
  }

  OfficeConnectionOptions options_;
  std::mutex mutex_;
  OfficeWatchListener* told_ = nullptr;
  Reference<css::uno::XComponentContext> remote_;
  rtl::Reference<Listener> listener_;
  std::unique_ptr<BridgedOffice> bridged_;
  Documents documents_;
  std::uint64_t nextNumber_ = 1;
};

void Listener::documentEventOccured(const css::document::DocumentEvent& event) {
  try {
    watch_.event(event);
  } catch (const std::exception&) {
    // Nothing may reach the office from here: it would only show the user a stray error.
  } catch (const css::uno::Exception&) {
  }
}

void Listener::modified(const css::lang::EventObject& event) {
  try {
    watch_.edited(Model(event.Source, UNO_QUERY));
  } catch (const std::exception&) {
  } catch (const css::uno::Exception&) {
  }
}

void Listener::disposing(const css::lang::EventObject& event) {
  try {
    watch_.forget(Model(event.Source, UNO_QUERY));
  } catch (const std::exception&) {
  } catch (const css::uno::Exception&) {
  }
}

}  // namespace
}  // namespace tg::uno

extern "C" __attribute__((visibility("default"))) tg::OfficeWatch* tallyguard_office_watch(
    int interfaceVersion, const tg::OfficeConnectionOptions& options) {
  if (interfaceVersion != tg::OfficeModuleInterfaceVersion) return nullptr;
  return new tg::uno::UnoOfficeWatch(options);
}

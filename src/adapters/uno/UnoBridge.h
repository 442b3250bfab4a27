#pragma once
// The module's connection to the user's office, shared by the automation port and the change
// watch: the watch listens on a connection of its own and stores a close-time copy through it.

#include <sal/config.h>

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/uno/XInterface.hpp>
#include <functional>
#include <string>

#include "adapters/posix/OfficeModule.h"
#include "common/ports/Automation.h"

namespace tg::uno {

// The user's own office on the options' pipe, launched when the options name a launcher; throws
// OfficeNotRunning when there is none, AutomationError for any other failure.
::com::sun::star::uno::Reference<::com::sun::star::uno::XComponentContext> ConnectToUsersOffice(
    const OfficeConnectionOptions& options);

// The office's service manager, and objects the office handed over, as automation objects on
// `remote`'s connection.
class BridgedOffice : public AutomationFactory {
 public:
  explicit BridgedOffice(
      ::com::sun::star::uno::Reference<::com::sun::star::uno::XComponentContext> remote)
      : remote_(std::move(remote)) {}
  ObjectRef create(std::string_view programmaticId) override;
  bool isInstalled(std::string_view programmaticId) override;
  ObjectRef wrap(const ::com::sun::star::uno::Reference<::com::sun::star::uno::XInterface>& object);

 private:
  ::com::sun::star::uno::Reference<::com::sun::star::uno::XComponentContext> remote_;
};

// Runs `action`, turning what the office raises into AutomationError.
void GuardedCall(const std::function<void()>& action);

// UTF-8 and back.
std::string FromOffice(const ::rtl::OUString& text);

}  // namespace tg::uno

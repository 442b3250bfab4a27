// The office-suite module: the automation port over LibreOffice's UNO bridge. Objects of the
// user's running office are called by name through an Invocation made on this side of the pipe,
// with exact-name lookup, so that any-case names resolve as the suite's own bridge resolves them.

#include <fcntl.h>
#include <sal/config.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <typelib/typedescription.h>
#include <unistd.h>
#include <uno/any2.h>
#include <uno/data.h>

#include <chrono>
#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/beans/XExactName.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XSingleServiceFactory.hpp>
#include <com/sun/star/reflection/InvocationTargetException.hpp>
#include <com/sun/star/script/CannotConvertException.hpp>
#include <com/sun/star/script/Converter.hpp>
#include <com/sun/star/script/XInvocation2.hpp>
#include <com/sun/star/script/XTypeConverter.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/uno/genfunc.hxx>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <rtl/ustring.hxx>
#include <string>
#include <thread>
#include <vector>

#include "adapters/posix/OfficeInstance.h"
#include "adapters/posix/OfficeModule.h"
#include "adapters/uno/UnoBridge.h"
#include "backup/OfficeFailure.h"

namespace tg {
namespace {

namespace css = ::com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OString;
using rtl::OUString;

OUString ToOffice(std::string_view text) {
  return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

std::string FromOffice(const OUString& text) {
  OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(utf8.getStr(), static_cast<size_t>(utf8.getLength()));
}

// --- Describing the suite's failures -----------------------------------------------------------

// The user reads what went wrong in the program's words, never the suite's own text with its
// source references and error codes.
AutomationError Describe(const Any& exception, bool connectionLost) {
  OfficeFailure failure;
  failure.exceptionType = FromOffice(exception.getValueTypeName());
  if (auto* raised = static_cast<const css::uno::Exception*>(exception.getValue());
      raised && exception.getValueTypeClass() == css::uno::TypeClass_EXCEPTION) {
    failure.message = FromOffice(raised->Message);
  }
  if (connectionLost) failure.kind = OfficeFailure::Kind::ConnectionLost;
  return AutomationError(PlainOfficeFailure(failure));
}

// One connection to the office. When a call fails, a dead office shows through a probe: the
// error of the call itself may only name a symptom ("illegal object given").
struct Connection {
  Reference<css::uno::XComponentContext> remote;
  // One Invocation per remote object for the life of the connection: making one costs several
  // round trips, and the same documents come back again and again within a pass.
  mutable std::map<const void*, Reference<css::script::XInvocation2>> invocations;

  bool lost() const {
    if (!remote.is()) return false;
    try {
      remote->getServiceManager();
      return false;
    } catch (const css::uno::Exception&) {
      return true;
    }
  }
};

// Runs a call into the suite and turns every failure it raises into an AutomationError.
template <class Action>
auto Guarded(const Connection* connection, Action&& action) -> decltype(action()) {
  try {
    return action();
  } catch (const css::reflection::InvocationTargetException& wrapped) {
    throw Describe(wrapped.TargetException, connection && connection->lost());
  } catch (const css::uno::Exception&) {
    Any caught = ::cppu::getCaughtException();
    throw Describe(caught, connection && connection->lost());
  }
}

// --- The local side of the bridge --------------------------------------------------------------

struct LocalRuntime {
  Reference<css::uno::XComponentContext> context;

  // The Invocation factory and the type converter bring in the introspection and reflection
  // services; the start-up check of the office never calls an object, so they wait for the
  // first backup pass.
  css::lang::XSingleServiceFactory& invocations() {
    std::call_once(callersMade_, [this] {
      invocations_.set(context->getServiceManager()->createInstanceWithContext(
                           "com.sun.star.script.Invocation", context),
                       UNO_QUERY_THROW);
      converter_ = css::script::Converter::create(context);
    });
    return *invocations_;
  }
  css::script::XTypeConverter& converter() {
    invocations();
    return *converter_;
  }

 private:
  std::once_flag callersMade_;
  Reference<css::lang::XSingleServiceFactory> invocations_;
  Reference<css::script::XTypeConverter> converter_;
};

// Made once and kept for the life of the process: tearing the UNO runtime down while the program
// still holds proxies is what crashes clients.
LocalRuntime& Local() {
  static LocalRuntime* runtime = [] {
    // A call into an office that was killed must fail, not end this program.
    signal(SIGPIPE, SIG_IGN);
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" TALLYGUARD_LO_PROGRAM_DIR "/fundamentalrc", 0);
    auto made = std::make_unique<LocalRuntime>();
    made->context = ::cppu::defaultBootstrap_InitialComponentContext();
    return made.release();
  }();
  return *runtime;
}

// --- Values across the bridge ------------------------------------------------------------------

using ConnectionRef = std::shared_ptr<const Connection>;

ObjectRef Wrap(const Any& target, const ConnectionRef& connection);

Value ToValue(const Any& any, const ConnectionRef& connection) {
  switch (any.getValueTypeClass()) {
    case css::uno::TypeClass_VOID:
      return {};
    case css::uno::TypeClass_BOOLEAN:
      return *static_cast<const sal_Bool*>(any.getValue()) != 0;
    case css::uno::TypeClass_BYTE:
    case css::uno::TypeClass_SHORT:
    case css::uno::TypeClass_UNSIGNED_SHORT:
    case css::uno::TypeClass_LONG: {
      sal_Int32 number = 0;
      any >>= number;
      return static_cast<std::int32_t>(number);
    }
    case css::uno::TypeClass_ENUM:
      return static_cast<std::int32_t>(*static_cast<const sal_Int32*>(any.getValue()));
    case css::uno::TypeClass_STRING:
      return FromOffice(*static_cast<const OUString*>(any.getValue()));
    case css::uno::TypeClass_INTERFACE: {
      Reference<css::uno::XInterface> object;
      any >>= object;
      if (!object.is()) return {};
      return Wrap(any, connection);
    }
    case css::uno::TypeClass_STRUCT:
    case css::uno::TypeClass_EXCEPTION:
      return Wrap(any, connection);
    case css::uno::TypeClass_SEQUENCE: {
      Sequence<Any> elements;
      Local().converter().convertTo(any, cppu::UnoType<Sequence<Any>>::get()) >>= elements;
      ValueList list;
      list.reserve(static_cast<size_t>(elements.getLength()));
      for (const Any& element : elements) list.push_back(ToValue(element, connection));
      return list;
    }
    default: {
      // Numbers the port has no kind for (large or fractional) travel as their text.
      OUString text;
      Local().converter().convertToSimpleType(any, css::uno::TypeClass_STRING) >>= text;
      return FromOffice(text);
    }
  }
}

class UnoObject;

Any ToAny(const Value& value);

Sequence<Any> ToAnys(const ValueList& list) {
  Sequence<Any> anys(static_cast<sal_Int32>(list.size()));
  Any* out = anys.getArray();
  for (const Value& element : list) *out++ = ToAny(element);
  return anys;
}

Reference<css::script::XInvocation2> MakeInvocation(const Any& target) {
  Sequence<Any> arguments(1);
  arguments.getArray()[0] = target;
  // The Invocation service is made through this (old) factory interface only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return Reference<css::script::XInvocation2>(
      Local().invocations().createInstanceWithArguments(arguments), UNO_QUERY_THROW);
#pragma GCC diagnostic pop
}

// A member of a struct (a property value's "Name", "Value"), found in place: many structs come
// back from one call and most are looked at once, so no Invocation is made for them.
struct MemberPlace {
  void* data = nullptr;
  typelib_TypeDescriptionReference* type = nullptr;
};
std::optional<MemberPlace> StructMemberPlace(const Any& target, std::string_view name) {
  typelib_TypeDescription* description = nullptr;
  TYPELIB_DANGER_GET(&description, target.getValueTypeRef());
  std::optional<MemberPlace> found;
  OUString wanted = ToOffice(name);
  for (auto* compound = reinterpret_cast<typelib_CompoundTypeDescription*>(description);
       compound && !found; compound = compound->pBaseTypeDescription) {
    for (sal_Int32 i = 0; i < compound->nMembers; ++i) {
      if (OUString(compound->ppMemberNames[i]).equalsIgnoreAsciiCase(wanted)) {
        found = MemberPlace{const_cast<char*>(static_cast<const char*>(target.getValue())) +
                                compound->pMemberOffsets[i],
                            compound->ppTypeRefs[i]};
        break;
      }
    }
  }
  TYPELIB_DANGER_RELEASE(description);
  return found;
}

std::optional<Any> StructMember(const Any& target, std::string_view name) {
  std::optional<MemberPlace> place = StructMemberPlace(target, name);
  if (!place) return std::nullopt;
  return Any(place->data, place->type);
}

// A struct of the office's types with every member at its default, as the office's automation
// bridge makes one on Windows ("Bridge_GetStruct").
Any NewStruct(std::string_view typeName) {
  css::uno::Type type(css::uno::TypeClass_STRUCT, ToOffice(typeName));
  typelib_TypeDescription* description = nullptr;
  TYPELIB_DANGER_GET(&description, type.getTypeLibType());
  if (!description) {
    throw AutomationError("The office suite has no struct \"" + std::string(typeName) + "\".");
  }
  TYPELIB_DANGER_RELEASE(description);
  Any made;
  uno_type_any_construct(&made, nullptr, type.getTypeLibType(), css::uno::cpp_acquire);
  return made;
}

Reference<css::script::XInvocation2> InvocationFor(const Any& target,
                                                   const Connection* connection) {
  Reference<css::uno::XInterface> identity;
  if (connection && target.getValueTypeClass() == css::uno::TypeClass_INTERFACE) {
    identity.set(*static_cast<css::uno::XInterface* const*>(target.getValue()), UNO_QUERY);
  }
  if (!identity.is()) return MakeInvocation(target);
  Reference<css::script::XInvocation2>& cached = connection->invocations[identity.get()];
  if (!cached.is()) cached = MakeInvocation(target);
  return cached;
}

class UnoObject : public AutomationObject {
 public:
  UnoObject(Any target, ConnectionRef connection)
      : target_(std::move(target)), connection_(std::move(connection)) {}

  // Objects are released from the thread that made them, like every call of the pass.
  ~UnoObject() override = default;

  const Any& target() const { return target_; }

  Value call(std::string_view method, const ValueList& args) override {
    return Guarded(connection_.get(), [&]() -> Value {
      if (args.size() == 1 && ToOffice(method).equalsIgnoreAsciiCase("Bridge_GetStruct")) {
        return Wrap(NewStruct(args.front().asText()), connection_);
      }
      bool isStruct = target_.getValueTypeClass() == css::uno::TypeClass_STRUCT ||
                      target_.getValueTypeClass() == css::uno::TypeClass_EXCEPTION;
      if (isStruct && args.empty()) {
        if (std::optional<Any> member = StructMember(target_, method)) {
          return ToValue(*member, connection_);
        }
      }
      // Made at the first call: objects that are only passed on never need one.
      if (!invocation_.is()) {
        invocation_ = InvocationFor(target_, connection_.get());
        exactName_.set(invocation_, UNO_QUERY_THROW);
      }
      OUString exact = exactName_->getExactName(ToOffice(method));
      if (!exact.isEmpty() && invocation_->hasMethod(exact)) {
        Sequence<sal_Int16> outIndices;
        Sequence<Any> outValues;
        return ToValue(invocation_->invoke(exact, ToAnys(args), outIndices, outValues),
                       connection_);
      }
      if (!exact.isEmpty() && invocation_->hasProperty(exact)) {
        if (args.empty()) return ToValue(invocation_->getValue(exact), connection_);
        invocation_->setValue(exact, ToAny(args.front()));
        return {};
      }
      throw AutomationError("The office suite does not know the call \"" + std::string(method) +
                            "\" on this object.");
    });
  }

  void set(std::string_view property, const Value& value) override {
    Guarded(connection_.get(), [&]() -> Value {
      if (target_.getValueTypeClass() == css::uno::TypeClass_STRUCT) {
        std::optional<MemberPlace> place = StructMemberPlace(target_, property);
        if (!place) {
          throw AutomationError("The office suite's struct has no member \"" +
                                std::string(property) + "\".");
        }
        Any given = ToAny(value);
        if (!uno_type_assignData(place->data, place->type, const_cast<void*>(given.getValue()),
                                 given.getValueTypeRef(), css::uno::cpp_queryInterface,
                                 css::uno::cpp_acquire, css::uno::cpp_release)) {
          throw AutomationError("The value does not fit the member \"" + std::string(property) +
                                "\".");
        }
        return {};
      }
      call(property, {value});
      return {};
    });
  }

 private:
  Any target_;
  ConnectionRef connection_;
  Reference<css::script::XInvocation2> invocation_;
  Reference<css::beans::XExactName> exactName_;
};

ObjectRef Wrap(const Any& target, const ConnectionRef& connection) {
  return std::make_shared<UnoObject>(target, connection);
}

Any ToAny(const Value& value) {
  struct Visitor {
    Any operator()(std::monostate) const { return Any(); }
    Any operator()(const std::string& text) const { return Any(ToOffice(text)); }
    Any operator()(bool flag) const { return Any(flag); }
    Any operator()(std::int32_t number) const { return Any(static_cast<sal_Int32>(number)); }
    Any operator()(const ObjectRef& object) const {
      if (!object) return Any(Reference<css::uno::XInterface>());
      auto* own = dynamic_cast<const UnoObject*>(object.get());
      if (!own)
        throw AutomationError("An object of another kind cannot be passed to the office suite.");
      return own->target();
    }
    Any operator()(const ValueList& list) const { return Any(ToAnys(list)); }
  };
  return std::visit(Visitor{}, value.data);
}

// --- Reaching the user's office ----------------------------------------------------------------

// Asks the office's launcher to open the pipe; the launcher hands the request to the running
// office of the profile and is not waited for beyond its first fork. `profile` "" = the
// launcher's own default, which is then the user's.
void Launch(const std::string& launcher, const std::string& pipeName, const std::string& profile) {
  if (access(launcher.c_str(), X_OK) != 0) {
    throw AutomationError("The office suite (LibreOffice) is not installed: its launcher " +
                          launcher + " was not found.");
  }
  std::string accept = "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
  std::vector<std::string> words = {launcher, "--nologo", "--nodefault", accept};
  if (!profile.empty()) words.insert(words.begin() + 1, "-env:UserInstallation=" + profile);
  // Without a display only a headless office can run at all.
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!(x11 && *x11) && !(wayland && *wayland)) words.insert(words.begin() + 1, "--headless");
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // Twice forked, so the office never becomes a child this program must wait for. Between fork
  // and exec only async-signal-safe calls.
  pid_t child = fork();
  if (child == 0) {
    setsid();
    if (fork() == 0) {
      int quiet = open("/dev/null", O_RDWR);
      if (quiet >= 0) {
        dup2(quiet, STDIN_FILENO);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
      }
      for (int fd = 3; fd < 1024; ++fd) close(fd);
      execv(argv[0], argv.data());
      _exit(127);
    }
    _exit(0);
  }
  if (child < 0) throw AutomationError("The office suite could not be started (fork failed).");
  int status = 0;
  waitpid(child, &status, 0);
}

// The office's context and its service manager, or nothing when no office listens on the pipe.
// A connection made right after this process let go of another one to the same office can be
// torn down during its very first calls ("bridge disposed during call") while the office itself
// is well: that handshake is tried again. An office that is really gone no longer accepts the
// connection, and one that keeps tearing it down is reported.
struct Handshake {
  Reference<css::uno::XComponentContext> remote;
  Reference<css::lang::XMultiComponentFactory> serviceManager;
};

std::optional<Handshake> TryConnect(const Reference<css::bridge::XUnoUrlResolver>& resolver,
                                    const OUString& url) {
  constexpr int Attempts = 3;
  for (int attempt = 1;; ++attempt) {
    try {
      Handshake made;
      made.remote.set(resolver->resolve(url), UNO_QUERY_THROW);
      made.serviceManager = made.remote->getServiceManager();
      return made;
    } catch (const css::connection::NoConnectException&) {
      return std::nullopt;
    } catch (const css::lang::DisposedException&) {
      if (attempt == Attempts) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(50 * attempt));
    }
  }
}

LocalRuntime& LocalStarted() {
  try {
    return Local();
  } catch (const css::uno::Exception&) {
    throw AutomationError("The office suite's automation libraries cannot be started.");
  }
}

AutomationError OnlyTheServiceManager(std::string_view programmaticId) {
  return AutomationError("The object \"" + std::string(programmaticId) +
                         "\" cannot be created: only the office suite's service manager is "
                         "offered.");
}

class OfficeAutomationFactory : public AutomationFactory {
 public:
  explicit OfficeAutomationFactory(OfficeConnectionOptions options) : options_(std::move(options)) {
    if (options_.pipeName.empty()) options_.pipeName = DefaultOfficePipe;
  }

  bool isInstalled(std::string_view programmaticId) override {
    return programmaticId == OfficeServiceManagerId &&
           (options_.launcher.empty() || access(options_.launcher.c_str(), X_OK) == 0);
  }

  ObjectRef create(std::string_view programmaticId) override {
    if (programmaticId != OfficeServiceManagerId) throw OnlyTheServiceManager(programmaticId);
    return uno::BridgedOffice(uno::ConnectToUsersOffice(options_)).create(programmaticId);
  }

 private:
  OfficeConnectionOptions options_;
};

}  // namespace

namespace uno {

Reference<css::uno::XComponentContext> ConnectToUsersOffice(const OfficeConnectionOptions& given) {
  OfficeConnectionOptions options = given;
  if (options.pipeName.empty()) options.pipeName = DefaultOfficePipe;
  return Guarded(nullptr, [&] {
    LocalRuntime& local = LocalStarted();
    Reference<css::bridge::XUnoUrlResolver> resolver =
        css::bridge::UnoUrlResolver::create(local.context);
    OUString url =
        ToOffice("uno:pipe,name=" + options.pipeName + ";urp;StarOffice.ComponentContext");
    // Only the office of the user's profile is the user's; while it does not answer, nothing
    // is open to back up, and asking the launcher would start a hidden office that stays.
    const std::optional<pid_t> usersOffice = ProfileOffice(options.userInstallation);
    if (!usersOffice) throw OfficeNotRunning(NoOfficeToBackUp);
    std::optional<Handshake> office = TryConnect(resolver, url);
    if (!office) {
      if (options.launcher.empty()) throw OfficeNotRunning(NoOfficeToBackUp);
      Launch(options.launcher, options.pipeName, options.userInstallation);
      auto deadline = std::chrono::steady_clock::now() +
                      std::chrono::milliseconds(static_cast<long>(options.connectSeconds * 1000));
      while (!office && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        office = TryConnect(resolver, url);
      }
    }
    if (!office) {
      throw AutomationError(
          "The office suite (LibreOffice) runs but does not answer on the pipe \"" +
          options.pipeName + "\".");
    }
    // The pipe's name is fixed, and whichever office opened it first serves it: an office of
    // another profile or another session may. Only the process that is the user's office may
    // be backed up; anything else is dropped unused, as if no office ran.
    if (PipeServer(options.pipeName) != usersOffice) {
      throw OfficeNotRunning(
          "The office suite serving the pipe \"" + options.pipeName +
          "\" is not the user's own office, so there is nothing of the user's to back up.");
    }
    return office->remote;
  });
}

ObjectRef BridgedOffice::create(std::string_view programmaticId) {
  if (programmaticId != OfficeServiceManagerId) throw OnlyTheServiceManager(programmaticId);
  // A connection of its own for each creation: its cache of callers goes with the objects made.
  auto connection = std::make_shared<Connection>();
  connection->remote = remote_;
  return Guarded(connection.get(),
                 [&] { return Wrap(Any(remote_->getServiceManager()), connection); });
}

bool BridgedOffice::isInstalled(std::string_view programmaticId) {
  return programmaticId == OfficeServiceManagerId;
}

ObjectRef BridgedOffice::wrap(const Reference<css::uno::XInterface>& object) {
  auto connection = std::make_shared<Connection>();
  connection->remote = remote_;
  return Wrap(Any(object), connection);
}

std::string FromOffice(const OUString& text) { return tg::FromOffice(text); }

void GuardedCall(const std::function<void()>& action) {
  Guarded(nullptr, [&] {
    action();
    return 0;
  });
}

}  // namespace uno
}  // namespace tg

extern "C" __attribute__((visibility("default"))) tg::AutomationFactory*
tallyguard_office_automation(int interfaceVersion, const tg::OfficeConnectionOptions& options) {
  if (interfaceVersion != tg::OfficeModuleInterfaceVersion) return nullptr;
  // Before the runtime starts: it reads the found office's own bootstrap file, not the one of the
  // office the module was built against.
  if (!options.programFolder.empty()) {
    const std::string bootstrap =
        "vnd.sun.star.pathname:" + options.programFolder + "/fundamentalrc";
    setenv("URE_BOOTSTRAP", bootstrap.c_str(), 0);
  }
  return new tg::OfficeAutomationFactory(options);
}
